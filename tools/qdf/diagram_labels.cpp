#include "diagram_labels.h"

#include <cstdio>

#include <twfile/json/encoding.h>

namespace qdf {

namespace {

std::string Escape(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "\\x%02X", value & 0xFFu);
    return text;
}

std::string Cell(const std::string& content, const char* attributes = "") {
    return std::string("<TD ALIGN=\"LEFT\"") + attributes + ">" + content + "</TD>";
}

std::string Marks(const DiagramAttribute& attribute) {
    std::string marks;
    if (attribute.tested) marks += "where";
    if (attribute.missing) marks += std::string(marks.empty() ? "" : " ") + "missing";
    if (marks.empty()) return "";
    return attribute.missing ? "<FONT COLOR=\"red\">" + marks + "</FONT>" : marks;
}

std::string AttributeName(const DiagramAttribute& attribute) {
    std::string name = LabelText(attribute.name);
    if (name.empty()) name = "(no name)";
    if (attribute.shown) name = "<B>" + name + "</B>";
    if (attribute.missing) return "<FONT COLOR=\"red\">" + name + "</FONT>";
    if (!attribute.shown) return "<FONT COLOR=\"gray35\"><I>" + name + "</I></FONT>";
    return name;
}

}  // namespace

std::string LabelText(std::string_view text) {
    std::string out;
    std::size_t characters = 0;
    for (std::size_t pos = 0; pos < text.size(); ++characters) {
        if (characters == kLabelTextLimit) return out + "...";
        char32_t code = 0;
        const std::size_t start = pos;
        if (!twfile::json::utf8::Next(text, pos, code)) {
            out += Escape(static_cast<unsigned char>(text[pos++]));
            continue;
        }
        switch (code) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                if (code < 0x20 || code == 0x7F || (code >= 0x80 && code <= 0x9F))
                    out += Escape(code);
                else
                    out.append(text.substr(start, pos - start));
        }
    }
    return out;
}

std::string TableLabel(const DiagramTable& table, bool typed) {
    const int columns = typed ? 3 : 2;
    std::string head = table.name.empty() ? "<I>attributes of no table</I>"
                                          : "<B>" + LabelText(table.name) + "</B>";
    if (!table.listed && !table.name.empty()) head += " <I>(not in the tables)</I>";
    if (table.missing) head = "<FONT COLOR=\"red\">" + head + " missing</FONT>";
    std::string label =
        "<TABLE BORDER=\"0\" CELLBORDER=\"1\" CELLSPACING=\"0\" CELLPADDING=\"4\">"
        "<TR><TD COLSPAN=\"" +
        std::to_string(columns) + "\" BGCOLOR=\"" +
        (table.missing ? "mistyrose" : "lightsteelblue") + "\">" + head + "</TD></TR>";
    for (std::size_t i = 0; i < table.attributes.size(); ++i) {
        const DiagramAttribute& attribute = table.attributes[i];
        const std::string port = " PORT=\"a" + std::to_string(i) + "\"";
        label += "<TR>" + Cell(AttributeName(attribute));
        if (typed) label += Cell(LabelText(attribute.type));
        label += Cell(Marks(attribute), port.c_str()) + "</TR>";
    }
    return label + "</TABLE>";
}

std::string JoinLabel(const DiagramJoin& join) {
    return LabelText(join.text);
}

std::string NotesLabel(const Diagram& diagram) {
    std::string label;
    for (const std::string& note : diagram.notes)
        label += (label.empty() ? "" : "<BR ALIGN=\"LEFT\"/>") + LabelText(note);
    return label + "<BR ALIGN=\"LEFT\"/>";
}

std::string LegendLabel(bool typed) {
    return std::string(
               "<B>bold</B>: a column of the result   <I>italic</I>: not shown   "
               "where: tested by a condition") +
           (typed ? "   <FONT COLOR=\"red\">red</FONT>: missing from the schema" : "");
}

}  // namespace qdf
