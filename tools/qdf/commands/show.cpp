// qdf show: a readable summary of a document.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string_view>

#include <twfile/sql/shown_text.h>
#include <CLI/CLI.hpp>

#include "arguments.h"
#include "command_table.h"
#include "commands.h"
#include "loading.h"

namespace qdf {

namespace {

std::string_view Bytes(const CString& text) {
    return {text.GetString(), static_cast<std::size_t>(text.GetLength())};
}

// text (UTF-8) in double quotes, escaped as a C string.
std::string Quoted(std::string_view text) {
    return twfile::sql::ShownText(text, twfile::sql::ShownEscapes::CString);
}

// A colour text in the 0x00BBGGRR decimal form, with its #RRGGBB.
std::string Colour(const std::string& text) {
    const std::string quoted = Quoted(text);
    if (text.empty() || text.size() > 10 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return quoted;
    }
    const unsigned long value = std::strtoul(text.c_str(), nullptr, 10);
    if (value > 0xFFFFFFul) return quoted;
    char rgb[16];
    std::snprintf(rgb, sizeof rgb, " (#%02lX%02lX%02lX)", value & 0xFF, (value >> 8) & 0xFF,
                  (value >> 16) & 0xFF);
    return quoted + rgb;
}

class Summary {
  public:
    Summary(const CTWFileQDF& doc, json::Encoding encoding) : m_doc(doc), m_encoding(encoding) {}

    std::string Text(const CString& text, const std::string& member) const {
        return AsFailure([&] { return json::DecodeText(Bytes(text), m_encoding, member); });
    }

    void Line(const char* label, const std::string& value) {
        m_out << label << ":";
        if (!value.empty()) {
            for (std::size_t width = std::string_view(label).size(); width < 24; ++width) {
                m_out << ' ';
            }
        }
        m_out << value << '\n';
    }

    void List(const char* label, const char* member, const CPtrList* list) {
        const int count = list == nullptr ? 0 : list->GetCount();
        if (count == 0) {
            Line(label, "none");
            return;
        }
        Line(label, std::to_string(count));
        int index = 0;
        for (POSITION pos = list->GetHeadPosition(); pos != nullptr; ++index) {
            const auto* item = static_cast<const CString*>(list->GetNext(pos));
            const std::string path = std::string(member) + "[" + std::to_string(index) + "]";
            m_out << "    " << (item == nullptr ? "(no text)" : Quoted(Text(*item, path))) << '\n';
        }
    }

    // A text of several lines, one "| " line each.
    void Block(const char* label, const std::string& text) {
        if (text.empty()) {
            Line(label, "none");
            return;
        }
        Line(label, "");
        std::size_t start = 0;
        for (;;) {
            const std::size_t end = text.find("\r\n", start);
            const std::string line =
                text.substr(start, end == std::string::npos ? end : end - start);
            const std::string shown = Quoted(line);
            m_out << "    | " << shown.substr(1, shown.size() - 2) << '\n';
            if (end == std::string::npos) break;
            start = end + 2;
        }
    }

    void Flag(int value, const char* yes, const char* no) {
        m_out << "    " << (value != 0 ? yes : no) << '\n';
    }

    std::ostringstream& out() { return m_out; }
    const CTWFileQDF& doc() const { return m_doc; }

  private:
    const CTWFileQDF& m_doc;
    json::Encoding m_encoding;
    std::ostringstream m_out;
};

}  // namespace

std::string FormatSummary(const CTWFileQDF& doc, const std::string& file, const LoadReport& report,
                          json::Encoding encoding) {
    Summary s(doc, encoding);
    s.Line("File", file);
    s.Line("Database", Quoted(s.Text(doc.m_strDatabase, "database")));
    s.List("Tables", "tables", doc.m_pTableList);
    s.List("Attributes", "attributes", doc.m_pAttributeList);
    s.List("Non-display attributes", "nonDisplayAttributes", doc.m_pAttributeNonDisplayList);
    s.List("Conditions", "conditions", doc.m_pConditionList);
    s.List("Joins", "joins", doc.m_pJoinList);
    s.List("Default values", "defaultValues", doc.m_pDefaultValuesList);

    s.Line("Flags", "");
    s.Flag(doc.m_bEditedSQL, "Edited SQL selected", "Generated SQL selected");
    s.Flag(doc.m_bActiveQuery, "Active query", "Static query");
    s.Flag(doc.m_bReadOnly, "Read-only", "Not read-only");
    s.Flag(doc.m_bSelectionByRow, "Selection by row", "Selection by cell");
    s.Flag(doc.m_bAutoRunWithoutConditions, "Runs automatically without conditions",
           "Does not run automatically without conditions");

    s.Line("Window position", Quoted(s.Text(doc.m_strWindowPosition, "windowPosition")));
    s.Block("Edited SQL", s.Text(doc.m_strEditedSQL, "editedSQL"));
    s.Line("Custom data", Quoted(s.Text(doc.m_strCustomDataString, "customDataString")));
    s.Line("Time", "zone " + std::to_string(doc.m_nTimeZone) + ", text " +
                       Quoted(s.Text(doc.m_strTimeZone, "time.text")));

    s.Line("Display", "");
    s.out() << "    property 1:          " << doc.m_nDisplayProperty1 << '\n'
            << "    background colour:   "
            << Colour(s.Text(doc.m_strBackgroundColour, "display.backgroundColour")) << '\n'
            << "    text colour:         "
            << Colour(s.Text(doc.m_strTextColour, "display.textColour")) << '\n'
            << "    property 2:          " << doc.m_nDisplayProperty2 << '\n';

    const CString* printer[8] = {&doc.m_strPrinterProperty1, &doc.m_strPrinterProperty2,
                                 &doc.m_strPrinterProperty3, &doc.m_strPrinterProperty4,
                                 &doc.m_strPrinterProperty5, &doc.m_strPrinterProperty6,
                                 &doc.m_strPrinterProperty7, &doc.m_strPrinterProperty8};
    s.Line("Printer", "");
    for (int i = 0; i < 8; ++i) {
        const std::string member = "printer.strings[" + std::to_string(i) + "]";
        s.out() << "    string " << i + 1 << ":            " << Quoted(s.Text(*printer[i], member))
                << '\n';
    }
    s.out() << "    property 1:          " << doc.m_nPrinterProperty1 << '\n'
            << "    property 2:          " << doc.m_nPrinterProperty2 << '\n';

    s.Line("Dynamic sort", Quoted(s.Text(doc.m_strDynamicSort, "dynamicSort.text")) + ", sorts " +
                               std::to_string(doc.m_nDynamicSort1) + ", " +
                               std::to_string(doc.m_nDynamicSort2) + ", " +
                               std::to_string(doc.m_nDynamicSort3));

    const std::string notRead = SectionsNotRead(doc);
    s.Line("Sections not read", notRead.empty() ? "none" : notRead);
    if (report.statusReport.empty()) {
        s.Line("Status report", "none");
    } else {
        std::string text = json::DecodeText(report.statusReport, json::Encoding::Windows1252, "");
        while (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) {
            text.resize(text.size() - 2);
        }
        s.Block("Status report", text);
    }
    if (report.diagnostics.error) {
        const std::string place = ErrorPlace(report);
        s.Line("Read error", std::to_string(report.diagnostics.error->number) + ": " +
                                 report.diagnostics.error->message +
                                 (place.empty() ? "" : ", at " + place));
    }
    return s.out().str();
}

int RunShow(const FileOptions& options, std::ostream& out, std::ostream& err) {
    bool first = true;
    Render render;
    render.document = [&](std::ostream& out, const std::string& file, const CTWFileQDF& doc,
                          const LoadReport& report) {
        std::string text = FormatSummary(doc, file, report, options.encoding);
        if (!first) text.insert(0, "\n");
        first = false;
        out << text;
    };
    return RunReadCommand(options.files, render, out, err);
}

Action DefineShow(CLI::App& command) {
    auto o = Make<FileOptions>();
    command.add_option("FILE", o->files, "The .qdf files; - for standard input")->required();
    AddEncoding(command, o->encoding);
    return [o] { return RunShow(*o, std::cout, std::cerr); };
}

}  // namespace qdf
