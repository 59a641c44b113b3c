// qdf condition: a condition text bound to an attribute of a given type, and
// what the library makes of it, one step after another.
#include "commands.h"

#include <iostream>
#include <map>
#include <memory>
#include <string_view>

#include <CLI/CLI.hpp>

#include <twfile/condition/condition.h>
#include <twfile/framework/string_map.h>
#include <twfile/sql/statement.h>

#include "arguments.h"
#include "command_table.h"
#include "diagnostics.h"

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
    Printer(std::ostream& out, std::ostream& err, json::Encoding encoding)
        : m_out(out), m_err(err), m_encoding(encoding) {}

    void Line(const char* label, const std::string& value) {
        m_out << label << ":";
        for (std::size_t width = std::string_view(label).size(); width < 16; ++width)
            m_out << ' ';
        m_out << value << '\n';
    }

    std::string Text(std::string_view bytes, const char* what) const {
        return AsFailure([&] { return json::DecodeText(bytes, m_encoding, what); });
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
    json::Encoding m_encoding;
};

// The condition text and its attribute's table and name, in the encoding's
// bytes; the attribute comes from the options or from the text's first word.
struct Binding {
    std::string text;
    std::optional<std::string> table;
    std::string attribute;
};

Binding Bind(const ConditionOptions& options) {
    Binding bound;
    bound.text = AsFailure(
        [&] { return json::EncodeText(options.text, options.encoding, "condition text"); });
    const std::string first = Split(bound.text).attribute;
    const std::size_t dot = first.find('.');
    if (options.table) {
        bound.table = AsFailure(
            [&] { return json::EncodeText(*options.table, options.encoding, "--table"); });
    } else if (dot != std::string::npos && dot > 0) {
        bound.table = first.substr(0, dot);
    }
    bound.attribute =
        options.attribute ? AsFailure([&] {
            return json::EncodeText(*options.attribute, options.encoding, "--attribute");
        })
                          : (dot == std::string::npos ? first : first.substr(dot + 1));
    if (bound.attribute.empty()) {
        throw Failure(kExitUsage,
                      "no attribute name: give --attribute or begin the text with "
                      "the name");
    }
    return bound;
}

// One run of the command: the condition bound to its attribute, and each
// step of the report, which notes whether the library reported an error.
class Report {
  public:
    Report(const ConditionOptions& options, const Binding& bound, std::ostream& out,
           std::ostream& err, std::vector<std::string>* messages)
        : m_bound(bound),
          m_messages(messages),
          m_type(options.type),
          m_printer(out, err, options.encoding),
          m_table(bound.table ? bound.table->c_str() : nullptr),
          m_attribute(bound.table ? &m_table : nullptr, bound.attribute.c_str(), options.type) {
        m_failed |= m_printer.Errors("setting up");
    }

    void Attribute() {
        const char* unique = m_attribute.GetUniqueName();
        m_printer.Line("attribute",
                       m_printer.Text(unique != nullptr ? unique : m_bound.attribute, "attribute") +
                           " (" + twfile::sql::TypeName(m_type) + ")");
        int valid = 0;
        m_condition.ValidateCondition(m_bound.text.c_str(), &m_attribute, valid, 0);
        m_failed |= m_printer.Errors("binding");
    }

    void Texts() {
        const char* sql = m_condition.GetText();
        const std::string sqlText = sql != nullptr ? sql : "";
        m_failed |= m_printer.Errors("SQL text");
        m_printer.Line("SQL text", m_printer.Text(sqlText, "SQL text"));
        const char* full = m_condition.GetFullNameText();
        const std::string fullText = full != nullptr ? full : "";
        m_failed |= m_printer.Errors("full-name text");
        m_printer.Line("full-name text", m_printer.Text(fullText, "full-name text"));
    }

    void Parameters() {
        CMapStringToString parameters;
        m_condition.GetParameterMap(&parameters);
        m_failed |= m_printer.Errors("parameters");
        std::string names;
        CString key;
        CString value;
        for (POSITION pos = parameters.GetStartPosition(); pos != nullptr;) {
            parameters.GetNextAssoc(pos, key, value);
            if (!names.empty()) names += ", ";
            names += m_printer.Text({key.GetString(), static_cast<std::size_t>(key.GetLength())},
                                    "parameter");
        }
        m_printer.Line("parameters", names.empty() ? "none" : names);
    }

    void Operand() {
        const Words words = Split(m_bound.text);
        if (!words.operand) {
            m_printer.Line("operand", "none (the text has no operand after its operator)");
            return;
        }
        m_printer.Line("operand", m_printer.Text(*words.operand, "operand"));
        m_condition.UnParameteriseOperand(words.operand->c_str(), &m_attribute);
        const bool sampleFailed = m_printer.Errors("sample values");
        m_failed |= sampleFailed;
        const char* sample = m_condition.GetUnParameterisedOperand();
        if (!sampleFailed && sample != nullptr)
            m_printer.Line("with samples", m_printer.Text(sample, "operand"));
    }

    void Check(std::ostream& err) {
        int checked = 0;
        m_condition.CheckCondition(checked, 1);
        const Diagnostics check = TakeDiagnostics();
        if (check.error) {
            PrintDiagnostics(err, "condition: check", Diagnostics{check.error, {}});
            m_failed = true;
        }
        m_printer.Line("check", checked != 0 && !check.error ? "valid" : "not valid");
        for (const std::string& message : check.messages) {
            std::string shown = m_printer.Text(message, "message");
            if (m_messages != nullptr) {
                std::string lines = shown;
                for (std::size_t at = lines.find("\r\n"); at != std::string::npos;
                     at = lines.find("\r\n", at))
                    lines.replace(at, 2, "\n");
                m_messages->push_back(lines);
            }
            for (std::size_t at = shown.find("\r\n"); at != std::string::npos;
                 at = shown.find("\r\n", at)) {
                shown.replace(at, 2, "\n                 ");
            }
            m_printer.Line("message", shown);
        }
        m_failed |= checked == 0;
    }

    bool failed() const { return m_failed; }

  private:
    const Binding& m_bound;
    std::vector<std::string>* m_messages;
    TWDB_DataType m_type;
    Printer m_printer;
    CTWDB_Table m_table;
    CTWDB_Attribute m_attribute;
    CTWFileQDFCondition m_condition;
    bool m_failed = false;
};

}  // namespace

int RunCondition(const ConditionOptions& options, std::ostream& out, std::ostream& err,
                 std::vector<std::string>* messages) {
    try {
        const Binding bound = Bind(options);
        Report report(options, bound, out, err, messages);
        report.Attribute();
        report.Texts();
        report.Parameters();
        report.Operand();
        report.Check(err);
        return report.failed() ? kExitFailed : kExitOk;
    } catch (const Failure& failure) {
        TakeDiagnostics();
        PrintMessage(err, "condition", failure.what());
        return failure.status();
    }
}

Action DefineCondition(CLI::App& command) {
    auto o = Make<ConditionOptions>();
    CLI::Option* type = AddChoice(command, "--type", o->type,
                                  std::map<std::string, TWDB_DataType>{{"integer", TWDB_Integer},
                                                                       {"string", TWDB_String},
                                                                       {"bool", TWDB_Bool},
                                                                       {"real", TWDB_Real},
                                                                       {"time", TWDB_Time}},
                                  "The attribute's data type");
    type->required();
    type->option_text(type->get_option_text() + " REQUIRED");
    command
        .add_option("--table", o->table,
                    "The attribute's table (default: the part of the first word before its "
                    "\".\", if any)")
        ->option_text("NAME");
    command
        .add_option("--attribute", o->attribute,
                    "The attribute's name (default: the first word, after its \".\")")
        ->option_text("NAME");
    command
        .add_option("TEXT", o->text,
                    "The condition: attribute, operator and operand separated by spaces")
        ->required();
    AddEncoding(command, o->encoding);
    return [o] { return RunCondition(*o, std::cout, std::cerr); };
}

}  // namespace qdf
