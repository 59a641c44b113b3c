#include "condition_command.h"

#include <memory>
#include <string_view>

#include <twfile/condition/condition.h>
#include <twfile/framework/string_map.h>

#include "diagnostics.h"
#include "exit_status.h"

namespace qdf {

namespace {

// The condition's words the way the checks split it: attribute, operator,
// and the rest (the operand); separated by spaces only.
struct Words {
    std::string attribute;
    std::string op;
    std::optional<std::string> operand;
};

Words Split(const std::string& text) {
    Words words;
    std::size_t pos = text.find_first_not_of(' ');
    const auto word = [&]() {
        if (pos == std::string::npos) return std::string();
        const std::size_t end = text.find(' ', pos);
        std::string found = text.substr(pos, end == std::string::npos ? end : end - pos);
        pos = end == std::string::npos ? end : text.find_first_not_of(' ', end);
        return found;
    };
    words.attribute = word();
    words.op = word();
    if (pos != std::string::npos) words.operand = text.substr(pos);
    return words;
}

class Printer {
  public:
    Printer(std::ostream& out, std::ostream& err, Encoding encoding)
        : m_out(out), m_err(err), m_encoding(encoding) {}

    void Line(const char* label, const std::string& value) {
        m_out << label << ":";
        for (std::size_t width = std::string_view(label).size(); width < 16; ++width)
            m_out << ' ';
        m_out << value << '\n';
    }

    std::string Text(std::string_view bytes, const char* what) const {
        return DecodeText(bytes, m_encoding, what);
    }

    // Prints the library's error, if any, after step; true when there was one.
    bool Errors(const char* step) {
        const Diagnostics diagnostics = TakeDiagnostics();
        PrintDiagnostics(m_err, std::string("condition: ") + step, diagnostics);
        return diagnostics.error.has_value();
    }

  private:
    std::ostream& m_out;
    std::ostream& m_err;
    Encoding m_encoding;
};

}  // namespace

const char* DataTypeName(TWDB_DataType type) {
    switch (type) {
        case TWDB_Integer:
            return "integer";
        case TWDB_String:
            return "string";
        case TWDB_Bool:
            return "bool";
        case TWDB_Real:
            return "real";
        case TWDB_Time:
            return "time";
        default:
            return "unknown";
    }
}

int RunCondition(const ConditionOptions& options, std::ostream& out, std::ostream& err) {
    std::string text;
    std::optional<std::string> tableName;
    std::string attributeName;
    try {
        text = EncodeText(options.text, options.encoding, "condition text");
        const std::string first = Split(text).attribute;
        const std::size_t dot = first.find('.');
        if (options.table) {
            tableName = EncodeText(*options.table, options.encoding, "--table");
        } else if (dot != std::string::npos && dot > 0) {
            tableName = first.substr(0, dot);
        }
        attributeName = options.attribute
                            ? EncodeText(*options.attribute, options.encoding, "--attribute")
                            : (dot == std::string::npos ? first : first.substr(dot + 1));
    } catch (const Failure& failure) {
        PrintMessage(err, "condition", failure.what());
        return failure.status();
    }
    if (attributeName.empty()) {
        PrintMessage(err, "condition",
                     "no attribute name: give --attribute or begin the text with the name");
        return kExitUsage;
    }

    Printer p(out, err, options.encoding);
    bool failed = false;
    try {
        CTWDB_Table table(tableName ? tableName->c_str() : nullptr);
        CTWDB_Attribute attribute(tableName ? &table : nullptr, attributeName.c_str(),
                                  options.type);
        CTWFileQDFCondition condition;
        failed |= p.Errors("setting up");

        const char* unique = attribute.GetUniqueName();
        p.Line("attribute", p.Text(unique != nullptr ? unique : attributeName, "attribute") + " (" +
                                DataTypeName(options.type) + ")");

        int valid = 0;
        condition.ValidateCondition(text.c_str(), &attribute, valid, 0);
        failed |= p.Errors("binding");

        const char* sql = condition.GetText();
        const std::string sqlText = sql != nullptr ? sql : "";
        failed |= p.Errors("SQL text");
        p.Line("SQL text", p.Text(sqlText, "SQL text"));

        const char* full = condition.GetFullNameText();
        const std::string fullText = full != nullptr ? full : "";
        failed |= p.Errors("full-name text");
        p.Line("full-name text", p.Text(fullText, "full-name text"));

        CMapStringToString parameters;
        condition.GetParameterMap(&parameters);
        failed |= p.Errors("parameters");
        std::string names;
        CString key;
        CString value;
        for (POSITION pos = parameters.GetStartPosition(); pos != nullptr;) {
            parameters.GetNextAssoc(pos, key, value);
            if (!names.empty()) names += ", ";
            names +=
                p.Text({key.GetString(), static_cast<std::size_t>(key.GetLength())}, "parameter");
        }
        p.Line("parameters", names.empty() ? "none" : names);

        const Words words = Split(text);
        if (!words.operand) {
            p.Line("operand", "none (the text has no operand after its operator)");
        } else {
            p.Line("operand", p.Text(*words.operand, "operand"));
            condition.UnParameteriseOperand(words.operand->c_str(), &attribute);
            const bool sampleFailed = p.Errors("sample values");
            failed |= sampleFailed;
            const char* sample = condition.GetUnParameterisedOperand();
            if (!sampleFailed && sample != nullptr)
                p.Line("with samples", p.Text(sample, "operand"));
        }

        int checked = 0;
        condition.CheckCondition(checked, 1);
        const Diagnostics check = TakeDiagnostics();
        if (check.error) {
            PrintDiagnostics(err, "condition: check", Diagnostics{check.error, {}});
            failed = true;
        }
        p.Line("check", checked != 0 && !check.error ? "valid" : "not valid");
        for (const std::string& message : check.messages) {
            std::string shown = p.Text(message, "message");
            for (std::size_t at = shown.find("\r\n"); at != std::string::npos;
                 at = shown.find("\r\n", at)) {
                shown.replace(at, 2, "\n                 ");
            }
            p.Line("message", shown);
        }
        failed |= checked == 0;
    } catch (const Failure& failure) {
        TakeDiagnostics();
        PrintMessage(err, "condition", failure.what());
        return failure.status();
    }
    return failed ? kExitFailed : kExitOk;
}

}  // namespace qdf
