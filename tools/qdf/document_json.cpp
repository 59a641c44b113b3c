#include "document_json.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include <twfile/host/error.h>
#include <twfile/query/members.h>

#include "commands.h"
#include "diagnostics.h"
#include "encoding.h"

namespace qdf {

using Json = nlohmann::ordered_json;

namespace {

using twfile::query::Member;
using twfile::query::MemberKind;
using twfile::query::Members;

// A member's place in the JSON form: "key", "object.key" or
// "object.key[index]".
struct Place {
    std::string object;  // empty at the top
    std::string key;
    std::ptrdiff_t index = -1;  // an element of the array at key
};

Place PlaceOf(const Member& member) {
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

// The keys the JSON form has in object (the top when empty), in order.
std::vector<std::string> KeysOf(const std::string& object) {
    std::vector<std::string> keys;
    const auto add = [&keys](const std::string& key) {
        if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
    };
    if (object.empty()) add("file");
    for (const Member& member : Members()) {
        const Place place = PlaceOf(member);
        if (place.object == object) add(place.key);
        if (object.empty() && !place.object.empty()) add(place.object);
    }
    if (object.empty()) {
        for (const char* key : {"sectionsRead", "statusReport", "error"})
            add(key);
    }
    return keys;
}

// The number of texts in the array at place.
std::size_t ArraySize(const Place& array) {
    std::size_t size = 0;
    for (const Member& member : Members()) {
        const Place place = PlaceOf(member);
        if (place.index >= 0 && place.object == array.object && place.key == array.key) ++size;
    }
    return size;
}

std::string_view Bytes(const CString& text) {
    return {text.GetString(), static_cast<std::size_t>(text.GetLength())};
}

std::string Indexed(const std::string& path, std::size_t index) {
    return path + "[" + std::to_string(index) + "]";
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

Json DocumentToJson(const CTWFileQDF& doc, const std::string& file, const LoadReport& report,
                    Encoding encoding) {
    Json json = Json::object();
    json["file"] = ForeignText(file);
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
    if (report.diagnostics.error) {
        json["error"] = Json{{"number", report.diagnostics.error->number},
                             {"message", ForeignText(report.diagnostics.error->message)}};
        if (report.errorAt) {
            json["error"]["line"] = report.errorAt->line;
            json["error"]["byte"] = report.errorAt->byte;
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

void WriteDocumentJson(JsonText& text, const CTWFileQDF& doc, const std::string& file,
                       const LoadReport& report, Encoding encoding) {
    text.BeginObject();
    text.Key("file");
    text.String(ForeignText(file));
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
    if (!report.diagnostics.error) {
        text.Null();
    } else {
        text.BeginObject();
        text.Key("number");
        text.Number(report.diagnostics.error->number);
        text.Key("message");
        text.String(ForeignText(report.diagnostics.error->message));
        if (report.errorAt) {
            text.Key("line");
            text.Number(report.errorAt->line);
            text.Key("byte");
            text.Number(report.errorAt->byte);
        }
        text.EndObject();
    }
    text.EndObject();
}

namespace {

class Reader {
  public:
    Reader(CTWFileQDF& doc, Encoding encoding) : m_doc(doc), m_encoding(encoding) {}

    void Document(const Json& json) {
        Keys(json, "", KeysOf(""));
        std::string checkedObject;
        std::string checkedArray;
        for (const Member& member : Members()) {
            const Place place = PlaceOf(member);
            const Json* parent = &json;
            if (!place.object.empty()) {
                parent = Object(json, place.object);
                if (parent == nullptr) continue;
                if (place.object != checkedObject) {
                    Keys(*parent, place.object, KeysOf(place.object));
                    checkedObject = place.object;
                }
            }
            if (!parent->contains(place.key)) continue;
            const Json* value = &parent->at(place.key);
            if (place.index >= 0) {
                const std::string array = place.object + "." + place.key;
                const std::size_t size = ArraySize(place);
                if (array != checkedArray && (!value->is_array() || value->size() != size)) {
                    Bad(array, "must be an array of exactly " + std::to_string(size) + " strings");
                }
                checkedArray = array;
                value = &value->at(static_cast<std::size_t>(place.index));
            }
            Apply(*value, member);
        }
    }

    void Apply(const Json& value, const Member& member) {
        switch (member.kind) {
            case MemberKind::Text:
                m_doc.*member.text = Bytes(value, member.path);
                break;
            case MemberKind::Number:
                m_doc.*member.number = Integer(value, member.path);
                break;
            case MemberKind::Flag:
                if (!value.is_boolean()) Bad(member.path, "must be true or false");
                m_doc.*member.number = value.get<bool>() ? 1 : 0;
                break;
            case MemberKind::List:
                List(value, member);
                break;
        }
    }

  private:
    [[noreturn]] static void Bad(const std::string& path, const std::string& what) {
        throw Failure(kExitUsage,
                      (path.empty() ? std::string("the document") : path) + ": " + what);
    }

    static void Keys(const Json& object, const std::string& path,
                     const std::vector<std::string>& known) {
        if (!object.is_object()) Bad(path, "must be an object");
        for (const auto& item : object.items()) {
            if (std::find(known.begin(), known.end(), item.key()) == known.end()) {
                Bad(path.empty() ? item.key() : path + "." + item.key(), "is not a known key");
            }
        }
    }

    // The object at key, or null when the key is missing.
    static const Json* Object(const Json& parent, const std::string& key) {
        if (!parent.contains(key)) return nullptr;
        const Json& value = parent.at(key);
        if (!value.is_object()) Bad(key, "must be an object");
        return &value;
    }

    CString Bytes(const Json& value, const std::string& path) const {
        if (!value.is_string()) Bad(path, "must be a string");
        const std::string bytes = EncodeText(value.get_ref<const std::string&>(), m_encoding, path);
        if (bytes.size() >= static_cast<std::size_t>(INT_MAX)) Bad(path, "is too long");
        return CString(bytes.data(), static_cast<int>(bytes.size()));
    }

    static int Integer(const Json& value, const std::string& path) {
        if (!value.is_number_integer()) Bad(path, "must be an integer");
        if (value.is_number_unsigned()) {
            if (value.get<std::uint64_t>() > static_cast<std::uint64_t>(INT32_MAX)) {
                Bad(path, "does not fit in 32 bits");
            }
        } else {
            const std::int64_t number = value.get<std::int64_t>();
            if (number < INT32_MIN || number > INT32_MAX) Bad(path, "does not fit in 32 bits");
        }
        return value.get<int>();
    }

    void List(const Json& value, const Member& list) {
        const std::string path = list.path;
        if (!value.is_array()) Bad(path, "must be an array of strings");
        // Every element is checked before the list changes.
        std::vector<CString> items;
        items.reserve(value.size());
        for (std::size_t i = 0; i < value.size(); ++i) {
            items.push_back(Bytes(value.at(i), Indexed(path, i)));
        }
        (m_doc.*list.clear)();
        for (std::size_t i = 0; i < items.size(); ++i) {
            auto item = std::make_unique<CString>(std::move(items[i]));
            (m_doc.*list.add)(item.get());
            if (CTWError::GetNumber() < 0) {
                // The list could not grow: the item stays ours.
                const Diagnostics diagnostics = TakeDiagnostics();
                throw Failure(kExitFailed, Indexed(path, i) + ": error " +
                                               std::to_string(diagnostics.error->number) + ": " +
                                               diagnostics.error->message);
            }
            item.release();  // the list owns it now
        }
    }

    CTWFileQDF& m_doc;
    Encoding m_encoding;
};

}  // namespace

void ApplyJson(const Json& json, CTWFileQDF& doc, Encoding encoding) {
    Reader(doc, encoding).Document(json);
}

void ApplyMember(const Json& value, const Member& member, CTWFileQDF& doc, Encoding encoding) {
    Reader(doc, encoding).Apply(value, member);
}

}  // namespace qdf
