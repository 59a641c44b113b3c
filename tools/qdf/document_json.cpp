#include "document_json.h"

#include <climits>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string_view>

#include <twfile/host/error.h>

#include "cp1252.h"
#include "diagnostics.h"
#include "exit_status.h"
#include "utf8.h"

namespace qdf {

using Json = nlohmann::ordered_json;

namespace {

// The six lists with their keys, in the order of the shape.
struct ListMember {
    const char* key;
    CPtrList* CTWFileQDF::*list;
    void (CTWFileQDF::*add)(CString*);
    void (CTWFileQDF::*clear)();
};

constexpr ListMember kLists[] = {
    {"tables", &CTWFileQDF::m_pTableList, &CTWFileQDF::AddTable, &CTWFileQDF::DeleteTableList},
    {"attributes", &CTWFileQDF::m_pAttributeList, &CTWFileQDF::AddAttribute,
     &CTWFileQDF::DeleteAttributeList},
    {"nonDisplayAttributes", &CTWFileQDF::m_pAttributeNonDisplayList,
     &CTWFileQDF::AddAttributeNonDisplay, &CTWFileQDF::DeleteAttributeNonDisplayList},
    {"conditions", &CTWFileQDF::m_pConditionList, &CTWFileQDF::AddCondition,
     &CTWFileQDF::DeleteConditionList},
    {"joins", &CTWFileQDF::m_pJoinList, &CTWFileQDF::AddJoin, &CTWFileQDF::DeleteJoinList},
    {"defaultValues", &CTWFileQDF::m_pDefaultValuesList, &CTWFileQDF::AddDefaultValue,
     &CTWFileQDF::DeleteDefaultValuesList},
};

struct FlagMember {
    const char* key;
    int CTWFileQDF::*member;
};

constexpr FlagMember kFlags[] = {
    {"editedSQL", &CTWFileQDF::m_bEditedSQL},
    {"activeQuery", &CTWFileQDF::m_bActiveQuery},
    {"readOnly", &CTWFileQDF::m_bReadOnly},
    {"selectionByRow", &CTWFileQDF::m_bSelectionByRow},
    {"autoRunWithoutConditions", &CTWFileQDF::m_bAutoRunWithoutConditions},
};

CString CTWFileQDF::*const kPrinterStrings[8] = {
    &CTWFileQDF::m_strPrinterProperty1, &CTWFileQDF::m_strPrinterProperty2,
    &CTWFileQDF::m_strPrinterProperty3, &CTWFileQDF::m_strPrinterProperty4,
    &CTWFileQDF::m_strPrinterProperty5, &CTWFileQDF::m_strPrinterProperty6,
    &CTWFileQDF::m_strPrinterProperty7, &CTWFileQDF::m_strPrinterProperty8,
};

std::string_view Bytes(const CString& text) {
    return {text.GetString(), static_cast<std::size_t>(text.GetLength())};
}

std::string Indexed(const std::string& path, std::size_t index) {
    return path + "[" + std::to_string(index) + "]";
}

// Texts of the library itself (messages, the file name) are shown as they
// are when they are UTF-8, else as Windows-1252.
std::string ForeignText(std::string_view bytes) {
    if (utf8::FindInvalid(bytes) == std::string_view::npos) return std::string(bytes);
    return cp1252::Decode(bytes);
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

Json DocumentToJson(const CTWFileQDF& doc, const std::string& file, const LoadReport& report,
                    Encoding encoding) {
    const Writer w(encoding);
    Json json = Json::object();
    json["file"] = ForeignText(file);
    json["database"] = w.Text(doc.m_strDatabase, "database");
    for (const ListMember& list : kLists)
        json[list.key] = w.List(doc.*list.list, list.key);

    Json flags = Json::object();
    for (const FlagMember& flag : kFlags)
        flags[flag.key] = doc.*flag.member != 0;
    json["flags"] = flags;

    json["windowPosition"] = w.Text(doc.m_strWindowPosition, "windowPosition");
    json["editedSQL"] = w.Text(doc.m_strEditedSQL, "editedSQL");
    json["customDataString"] = w.Text(doc.m_strCustomDataString, "customDataString");
    json["time"] =
        Json{{"zone", doc.m_nTimeZone}, {"text", w.Text(doc.m_strTimeZone, "time.text")}};
    json["display"] = Json{
        {"property1", doc.m_nDisplayProperty1},
        {"backgroundColour", w.Text(doc.m_strBackgroundColour, "display.backgroundColour")},
        {"textColour", w.Text(doc.m_strTextColour, "display.textColour")},
        {"property2", doc.m_nDisplayProperty2},
    };
    Json strings = Json::array();
    for (std::size_t i = 0; i < 8; ++i) {
        strings.push_back(w.Text(doc.*kPrinterStrings[i], Indexed("printer.strings", i)));
    }
    json["printer"] = Json{{"strings", strings},
                           {"property1", doc.m_nPrinterProperty1},
                           {"property2", doc.m_nPrinterProperty2}};
    json["dynamicSort"] = Json{{"text", w.Text(doc.m_strDynamicSort, "dynamicSort.text")},
                               {"sort1", doc.m_nDynamicSort1},
                               {"sort2", doc.m_nDynamicSort2},
                               {"sort3", doc.m_nDynamicSort3}};

    Json sections = Json::object();
    for (int i = 0; i < CTWFileQDF::kIndicatorCount; ++i) {
        sections[kIndicatorSections[i]] = doc.m_bSectionRead[i] != 0;
    }
    json["sectionsRead"] = sections;
    json["statusReport"] = ForeignText(report.statusReport);
    if (report.diagnostics.error) {
        json["error"] = Json{{"number", report.diagnostics.error->number},
                             {"message", ForeignText(report.diagnostics.error->message)}};
    } else {
        json["error"] = nullptr;
    }
    return json;
}

namespace {

class Reader {
  public:
    Reader(CTWFileQDF& doc, Encoding encoding) : m_doc(doc), m_encoding(encoding) {}

    void Document(const Json& json) {
        Keys(
            json, "",
            {"file", "database", "tables", "attributes", "nonDisplayAttributes", "conditions",
             "joins", "defaultValues", "flags", "windowPosition", "editedSQL", "customDataString",
             "time", "display", "printer", "dynamicSort", "sectionsRead", "statusReport", "error"});
        Text(json, "database", "database", m_doc.m_strDatabase);
        for (const ListMember& list : kLists) {
            if (json.contains(list.key)) List(json.at(list.key), list);
        }
        if (const Json* flags = Object(json, "flags", "flags")) {
            Keys(*flags, "flags",
                 {"editedSQL", "activeQuery", "readOnly", "selectionByRow",
                  "autoRunWithoutConditions"});
            for (const FlagMember& flag : kFlags) {
                Flag(*flags, flag.key, std::string("flags.") + flag.key, m_doc.*flag.member);
            }
        }
        Text(json, "windowPosition", "windowPosition", m_doc.m_strWindowPosition);
        Text(json, "editedSQL", "editedSQL", m_doc.m_strEditedSQL);
        Text(json, "customDataString", "customDataString", m_doc.m_strCustomDataString);
        if (const Json* time = Object(json, "time", "time")) {
            Keys(*time, "time", {"zone", "text"});
            Integer(*time, "zone", "time.zone", m_doc.m_nTimeZone);
            Text(*time, "text", "time.text", m_doc.m_strTimeZone);
        }
        if (const Json* display = Object(json, "display", "display")) {
            Keys(*display, "display", {"property1", "backgroundColour", "textColour", "property2"});
            Integer(*display, "property1", "display.property1", m_doc.m_nDisplayProperty1);
            Text(*display, "backgroundColour", "display.backgroundColour",
                 m_doc.m_strBackgroundColour);
            Text(*display, "textColour", "display.textColour", m_doc.m_strTextColour);
            Integer(*display, "property2", "display.property2", m_doc.m_nDisplayProperty2);
        }
        if (const Json* printer = Object(json, "printer", "printer")) {
            Keys(*printer, "printer", {"strings", "property1", "property2"});
            if (printer->contains("strings")) PrinterStrings(printer->at("strings"));
            Integer(*printer, "property1", "printer.property1", m_doc.m_nPrinterProperty1);
            Integer(*printer, "property2", "printer.property2", m_doc.m_nPrinterProperty2);
        }
        if (const Json* sort = Object(json, "dynamicSort", "dynamicSort")) {
            Keys(*sort, "dynamicSort", {"text", "sort1", "sort2", "sort3"});
            Text(*sort, "text", "dynamicSort.text", m_doc.m_strDynamicSort);
            Integer(*sort, "sort1", "dynamicSort.sort1", m_doc.m_nDynamicSort1);
            Integer(*sort, "sort2", "dynamicSort.sort2", m_doc.m_nDynamicSort2);
            Integer(*sort, "sort3", "dynamicSort.sort3", m_doc.m_nDynamicSort3);
        }
    }

  private:
    [[noreturn]] static void Bad(const std::string& path, const std::string& what) {
        throw Failure(kExitUsage,
                      (path.empty() ? std::string("the document") : path) + ": " + what);
    }

    static void Keys(const Json& object, const std::string& path,
                     std::initializer_list<const char*> known) {
        if (!object.is_object()) Bad(path, "must be an object");
        for (const auto& item : object.items()) {
            bool found = false;
            for (const char* key : known)
                found = found || item.key() == key;
            if (!found) {
                Bad(path.empty() ? item.key() : path + "." + item.key(), "is not a known key");
            }
        }
    }

    // The object at key, or null when the key is missing.
    static const Json* Object(const Json& parent, const char* key, const std::string& path) {
        if (!parent.contains(key)) return nullptr;
        const Json& value = parent.at(key);
        if (!value.is_object()) Bad(path, "must be an object");
        return &value;
    }

    CString Bytes(const Json& value, const std::string& path) const {
        if (!value.is_string()) Bad(path, "must be a string");
        const std::string bytes = EncodeText(value.get_ref<const std::string&>(), m_encoding, path);
        if (bytes.size() >= static_cast<std::size_t>(INT_MAX)) Bad(path, "is too long");
        return CString(bytes.data(), static_cast<int>(bytes.size()));
    }

    void Text(const Json& parent, const char* key, const std::string& path, CString& member) const {
        if (parent.contains(key)) member = Bytes(parent.at(key), path);
    }

    static void Integer(const Json& parent, const char* key, const std::string& path, int& member) {
        if (!parent.contains(key)) return;
        const Json& value = parent.at(key);
        if (!value.is_number_integer()) Bad(path, "must be an integer");
        if (value.is_number_unsigned()) {
            if (value.get<std::uint64_t>() > static_cast<std::uint64_t>(INT32_MAX)) {
                Bad(path, "does not fit in 32 bits");
            }
        } else {
            const std::int64_t number = value.get<std::int64_t>();
            if (number < INT32_MIN || number > INT32_MAX) Bad(path, "does not fit in 32 bits");
        }
        member = value.get<int>();
    }

    static void Flag(const Json& parent, const char* key, const std::string& path, int& member) {
        if (!parent.contains(key)) return;
        const Json& value = parent.at(key);
        if (!value.is_boolean()) Bad(path, "must be true or false");
        member = value.get<bool>() ? 1 : 0;
    }

    void List(const Json& value, const ListMember& list) {
        const std::string path = list.key;
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

    void PrinterStrings(const Json& value) {
        if (!value.is_array() || value.size() != 8) {
            Bad("printer.strings", "must be an array of exactly 8 strings");
        }
        for (std::size_t i = 0; i < 8; ++i) {
            m_doc.*kPrinterStrings[i] = Bytes(value.at(i), Indexed("printer.strings", i));
        }
    }

    CTWFileQDF& m_doc;
    Encoding m_encoding;
};

}  // namespace

void ApplyJson(const Json& json, CTWFileQDF& doc, Encoding encoding) {
    Reader(doc, encoding).Document(json);
}

}  // namespace qdf
