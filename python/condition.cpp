// twfile.check_condition: what the library's condition checks say of a text.
#include "condition.h"

#include <optional>
#include <string>
#include <vector>

#include <twfile/condition/condition.h>
#include <twfile/host/schema.h>

#include "convert.h"
#include "errors.h"

namespace twpy {

namespace {

TWDB_DataType TypeNamed(const std::string& name) {
    if (name == "integer") return TWDB_Integer;
    if (name == "string") return TWDB_String;
    if (name == "bool") return TWDB_Bool;
    if (name == "real") return TWDB_Real;
    if (name == "time") return TWDB_Time;
    throw py::value_error("unknown type '" + name +
                          "': use 'integer', 'string', 'bool', 'real' or 'time'");
}

// The texts of diagnostics, decoded: the error first.
void Collect(const Diagnostics& diagnostics, const TextForm& form, std::vector<py::object>& out) {
    if (diagnostics.error) out.push_back(TextObject(diagnostics.error->message, form, "message"));
    for (const std::string& message : diagnostics.messages)
        out.push_back(TextObject(message, form, "message"));
}

py::list Check(const py::object& text, const std::string& type, const py::object& table,
               const py::object& attribute, const std::string& encoding) {
    const TextForm form{EncodingNamed(encoding), false};
    const TWDB_DataType dataType = TypeNamed(type);
    const auto encoded = [&](const py::object& value, const char* what) {
        const std::string utf8 = Utf8Of(value, form.encoding, what);
        try {
            return json::EncodeText(utf8, form.encoding, what);
        } catch (const json::Error& error) {
            Fail(error.what());
        }
    };
    const std::string condition = encoded(text, "condition text");
    // The attribute: given, or the text's first word, after its ".".
    const std::size_t start = condition.find_first_not_of(' ');
    const std::string first = start == std::string::npos
                                  ? ""
                                  : condition.substr(start, condition.find(' ', start) - start);
    const std::size_t dot = first.find('.');
    std::optional<std::string> tableName;
    if (!table.is_none()) {
        tableName = encoded(table, "table");
    } else if (dot != std::string::npos && dot > 0) {
        tableName = first.substr(0, dot);
    }
    const std::string attributeName = !attribute.is_none()       ? encoded(attribute, "attribute")
                                      : dot == std::string::npos ? first
                                                                 : first.substr(dot + 1);
    if (attributeName.empty())
        throw py::value_error("no attribute name: give attribute= or begin the text with the name");

    std::vector<py::object> messages;
    bool accepted = false;
    {
        TakeDiagnostics();
        CTWDB_Table owner(tableName ? tableName->c_str() : nullptr);
        CTWDB_Attribute bound(tableName ? &owner : nullptr, attributeName.c_str(), dataType);
        CTWFileQDFCondition checked;
        Diagnostics setup = TakeDiagnostics();
        Collect(setup, form, messages);
        int valid = 0;
        checked.ValidateCondition(condition.c_str(), &bound, valid, 0);
        const Diagnostics binding = TakeDiagnostics();
        Collect(binding, form, messages);
        int passed = 0;
        checked.CheckCondition(passed, 1);
        const Diagnostics check = TakeDiagnostics();
        Collect(check, form, messages);
        accepted = passed != 0 && !setup.error && !binding.error && !check.error;
    }
    TakeDiagnostics();
    py::list result;
    if (accepted) return result;
    for (py::object& message : messages)
        result.append(std::move(message));
    if (result.empty()) result.append(py::str("the condition is not valid"));
    return result;
}

}  // namespace

void DefineCondition(py::module_& module) {
    module.def("check_condition", &Check, py::arg("text"), py::arg("type"),
               py::arg("table") = py::none(), py::arg("attribute") = py::none(),
               py::arg("encoding") = "cp1252",
               R"(Checks a condition ("ORDERS.QTY > 5": attribute, operator and operand
separated by spaces) against an attribute of type "integer", "string",
"bool", "real" or "time", as the library checks it. Gives the library's
messages: empty when the condition is accepted. The attribute is the first
word (its table before a "."), unless table= or attribute= name it.)");
}

}  // namespace twpy
