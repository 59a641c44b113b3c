#include <twfile/json/document_json.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string_view>
#include <tuple>
#include <vector>

#include <twfile/host/error.h>
#include <twfile/query/members.h>

#include <twfile/json/encoding.h>

#include "json/json_places.h"

namespace twfile::json {

using Json = nlohmann::ordered_json;

Place PlaceOf(const twfile::query::Member& member) {
    Place place;
    std::string path = member.path;
    const std::size_t bracket = path.find('[');
    if (bracket != std::string::npos) {
        place.index = std::stol(path.substr(bracket + 1));
        path.resize(bracket);
    }
    const std::size_t dot = path.find('.');
    if (dot != std::string::npos) {
        place.object = path.substr(0, dot);
        path.erase(0, dot + 1);
    }
    place.key = path;
    return place;
}

std::size_t ArraySize(const Place& array) {
    std::size_t size = 0;
    for (const twfile::query::Member& member : twfile::query::Members()) {
        const Place place = PlaceOf(member);
        if (place.index >= 0 && place.object == array.object && place.key == array.key) ++size;
    }
    return size;
}

std::string Indexed(const std::string& path, std::size_t index) {
    return path + "[" + std::to_string(index) + "]";
}

namespace {

using twfile::query::Member;
using twfile::query::MemberKind;
using twfile::query::Members;

std::string_view Bytes(const CString& text) {
    return {text.GetString(), static_cast<std::size_t>(text.GetLength())};
}

class Writer {
  public:
    explicit Writer(Encoding encoding) : m_encoding(encoding) {}

    std::string Text(const CString& text, const std::string& path) const {
        return DecodeText(Bytes(text), m_encoding, path);
    }

    Json List(const CPtrList* list, const std::string& path) const {
        Json items = Json::array();
        if (list == nullptr) return items;
        std::size_t index = 0;
        for (POSITION pos = list->GetHeadPosition(); pos != nullptr; ++index) {
            const auto* item = static_cast<const CString*>(list->GetNext(pos));
            // The document never holds an element without a string; were it
            // to, the file would not carry one either.
            if (item != nullptr) items.push_back(Text(*item, Indexed(path, index)));
        }
        return items;
    }

  private:
    Encoding m_encoding;
};

}  // namespace

Json MemberToJson(const CTWFileQDF& doc, const Member& member, Encoding encoding) {
    const Writer w(encoding);
    switch (member.kind) {
        case MemberKind::Text:
            return w.Text(doc.*member.text, member.path);
        case MemberKind::Number:
            return doc.*member.number;
        case MemberKind::Flag:
            return doc.*member.number != 0;
        case MemberKind::List:
            return w.List(doc.*member.list, member.path);
    }
    return Json();
}

std::string ForeignText(std::string_view bytes) {
    if (utf8::FindInvalid(bytes) == std::string_view::npos) return std::string(bytes);
    return cp1252::Decode(bytes);
}

Json DocumentToJson(const CTWFileQDF& doc, const ReadReport& report, Encoding encoding) {
    Json json = Json::object();
    json["file"] = ForeignText(report.file);
    for (const Member& member : Members()) {
        Json value = MemberToJson(doc, member, encoding);
        const Place place = PlaceOf(member);
        Json& parent = place.object.empty() ? json : json[place.object];
        if (place.index >= 0) {
            parent[place.key].push_back(std::move(value));
        } else {
            parent[place.key] = std::move(value);
        }
    }

    Json sections = Json::object();
    for (int i = 0; i < CTWFileQDF::kIndicatorCount; ++i) {
        sections[CTWFileQDF::SectionName(i)] = doc.m_bSectionRead[i] != 0;
    }
    json["sectionsRead"] = sections;
    json["statusReport"] = ForeignText(report.statusReport);
    if (report.error) {
        json["error"] =
            Json{{"number", report.error->number}, {"message", ForeignText(report.error->message)}};
        if (report.error->at) {
            json["error"]["line"] = report.error->at->line;
            json["error"]["byte"] = report.error->at->byte;
        }
    } else {
        json["error"] = nullptr;
    }
    return json;
}

void CheckDecodable(const CTWFileQDF& doc, Encoding encoding) {
    if (encoding != Encoding::Utf8) return;  // Windows-1252 reads every byte
    const auto check = [encoding](const CString& text, const std::string& path) {
        if (utf8::FindInvalid(Bytes(text)) != std::string_view::npos) {
            DecodeText(Bytes(text), encoding, path);
        }
    };
    for (const Member& member : Members()) {
        if (member.kind == MemberKind::Text) check(doc.*member.text, member.path);
        const CPtrList* list = member.kind == MemberKind::List ? doc.*member.list : nullptr;
        if (list == nullptr) continue;
        std::size_t index = 0;
        for (POSITION pos = list->GetHeadPosition(); pos != nullptr; ++index) {
            const auto* item = static_cast<const CString*>(list->GetNext(pos));
            if (item != nullptr) check(*item, Indexed(member.path, index));
        }
    }
}

void WriteDocumentJson(JsonText& text, const CTWFileQDF& doc, const ReadReport& report,
                       Encoding encoding) {
    text.BeginObject();
    text.Key("file");
    text.String(ForeignText(report.file));
    // The members of one object, and the elements of one array, are
    // neighbours in the table.
    std::string object;
    std::string array;
    for (const Member& member : Members()) {
        const Place place = PlaceOf(member);
        if (place.object != object || (place.index < 0 && !array.empty())) {
            if (!array.empty()) text.EndArray();
            array.clear();
        }
        if (place.object != object) {
            if (!object.empty()) text.EndObject();
            object = place.object;
            if (!object.empty()) {
                text.Key(object);
                text.BeginObject();
            }
        }
        if (place.index >= 0 && array != place.key) {
            if (!array.empty()) text.EndArray();
            array = place.key;
            text.Key(place.key);
            text.BeginArray();
        } else if (place.index < 0) {
            text.Key(place.key);
        }
        switch (member.kind) {
            case MemberKind::Text:
                text.Bytes(Bytes(doc.*member.text), encoding);
                break;
            case MemberKind::Number:
                text.Number(doc.*member.number);
                break;
            case MemberKind::Flag:
                text.Bool(doc.*member.number != 0);
                break;
            case MemberKind::List: {
                text.BeginArray();
                if (const CPtrList* list = doc.*member.list) {
                    for (POSITION pos = list->GetHeadPosition(); pos != nullptr;) {
                        const auto* item = static_cast<const CString*>(list->GetNext(pos));
                        if (item != nullptr) text.Bytes(Bytes(*item), encoding);
                    }
                }
                text.EndArray();
                break;
            }
        }
    }
    if (!array.empty()) text.EndArray();
    if (!object.empty()) text.EndObject();

    text.Key("sectionsRead");
    text.BeginObject();
    for (int i = 0; i < CTWFileQDF::kIndicatorCount; ++i) {
        text.Key(CTWFileQDF::SectionName(i));
        text.Bool(doc.m_bSectionRead[i] != 0);
    }
    text.EndObject();
    text.Key("statusReport");
    text.String(ForeignText(report.statusReport));
    text.Key("error");
    if (!report.error) {
        text.Null();
    } else {
        text.BeginObject();
        text.Key("number");
        text.Number(report.error->number);
        text.Key("message");
        text.String(ForeignText(report.error->message));
        if (report.error->at) {
            text.Key("line");
            text.Number(report.error->at->line);
            text.Key("byte");
            text.Number(report.error->at->byte);
        }
        text.EndObject();
    }
    text.EndObject();
}

void WriteDocument(std::ostream& out, const CTWFileQDF& doc, const ReadReport& report,
                   const WriteOptions& options) {
    CheckDecodable(doc, options.encoding);  // a failure writes nothing of the document
    JsonText text(out, options.compact);
    WriteDocumentJson(text, doc, report, options.encoding);
    text.EndLine();
}

}  // namespace twfile::json
