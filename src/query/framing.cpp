// The framing of one section (start line, "{", body, "}") and the
// document's line writers.
#include <twfile/host/error.h>
#include <twfile/host/status.h>
#include <twfile/query/qdf.h>

#include <cstring>
#include <string_view>

#include "query/line_values.h"
#include "query/messages.h"
#include "query/section_table.h"

using namespace twfile::query;

namespace {

// Framing lines are read into a fixed buffer: a start line, the line after
// it, or a line skipped to the end of a section holds at most this many
// characters.
constexpr int kFramingLineMax = 100;

}  // namespace

int CTWFileQDF::WriteLine(const char* text) {
    TW_RETURN(m_pOutputFile->WriteLine(text));
}

int CTWFileQDF::WriteText(const char* text) {
    TW_RETURN(m_pOutputFile->WriteText(text));
}

int CTWFileQDF::WriteText(int value) {
    TW_RETURN(m_pOutputFile->WriteText(static_cast<long>(value)));
}

int CTWFileQDF::WriteSectionStart(const char* name, int major, int minor) {
    TW_PASS_ON(WriteText(name));
    TW_PASS_ON(WriteText(" "));
    TW_PASS_ON(WriteText(major));
    TW_PASS_ON(WriteText("."));
    TW_PASS_ON(WriteText(minor));
    TW_PASS_ON(WriteLine(""));
    TW_PASS_ON(WriteLine("{"));
    TW_EXIT();
}

int CTWFileQDF::WriteSectionStart(int index) {
    TW_RETURN(WriteSectionStart(s_sections[index].name, m_nSectionVersion[index][0],
                                m_nSectionVersion[index][1]));
}

int CTWFileQDF::WriteSectionEnd() {
    TW_RETURN(WriteLine("}"));
}

// The start line is consumed whatever it holds. The line after it is taken
// as the opening line, unexamined, only when the start line names this
// section and holds a full stop.
int CTWFileQDF::ReadSectionStart(const char* name, int& major, int& minor) {
    major = 0;
    minor = 0;
    char line[kFramingLineMax + 1] = {};
    int eof = 0;
    TW_PASS_ON(ReadLine(line, kFramingLineMax, eof));
    if (eof != 0) TW_EXIT();

    const char* space = std::strchr(line, ' ');
    if (space == nullptr) TW_EXIT();
    const std::string_view found(line, static_cast<std::size_t>(space - line));
    for (const Section& section : s_sections) {
        if (found == section.name) m_bSectionFound = 1;
    }
    if (found != name) TW_EXIT();
    const char* stop = std::strchr(space + 1, '.');
    if (stop == nullptr) TW_EXIT();
    major = DecimalValue(space + 1);
    minor = DecimalValue(stop + 1);

    long opening = 0;
    GetCurLoc(opening);
    TW_PASS_ON(ReadLine(line, kFramingLineMax, eof));
    // A save writes "{" in place of whatever stood there.
    if (eof == 0 && std::strcmp(line, "{") != 0) NoteDropped(opening);
    TW_EXIT();
}

// Every line skipped before the closing "}" is text a save does not write.
int CTWFileQDF::ReadSectionEnd() {
    char line[kFramingLineMax + 1] = {};
    int eof = 0;
    for (;;) {
        long start = 0;
        GetCurLoc(start);
        TW_PASS_ON(ReadLine(line, kFramingLineMax, eof));
        if (eof != 0 || std::strcmp(line, "}") == 0) break;
        NoteDropped(start);
    }
    TW_EXIT();
}

void CTWFileQDF::NoteDropped(long offset) {
    if (m_nDroppedAt < 0) m_nDroppedAt = offset;
}

// Lines of white space alone carry nothing; any other text does.
int CTWFileQDF::ReadTrailingText() {
    CString line;
    for (;;) {
        long start = 0;
        GetCurLoc(start);
        int eof = 0;
        TW_PASS_ON(ReadLine(&line, eof));
        const char* text = line.GetString();
        if (text[std::strspn(text, " \t\r\n")] != '\0' ||
            std::strlen(text) != static_cast<std::size_t>(line.GetLength())) {
            NoteDropped(start);
            break;
        }
        if (eof != 0) break;
    }
    TW_EXIT();
}

int CTWFileQDF::ReadSection(int index, int& read, SectionBody body, SectionBody rejected) {
    const Section& section = s_sections[index];
    int major = 0;
    int minor = 0;
    read = 0;
    TW_PASS_ON(ReadSectionStart(section.name, major, minor));
    const bool accepted = section.Accepts(major, minor);
    if (accepted) {
        TW_PASS_ON(body(*this, major, minor));
        read = 1;
    }
    if (section.end == Section::End::Skipped ||
        (accepted && section.end == Section::End::AfterBody)) {
        TW_PASS_ON(ReadSectionEnd());
    }
    if (!accepted && rejected != nullptr) TW_PASS_ON(rejected(*this, major, minor));
    TW_EXIT();
}

int CTWFileQDF::ReadBodyLine(CString* line) {
    int eof = 0;
    TW_PASS_ON(ReadLine(line, eof));
    if (eof != 0) TW_RAISE(kQdfError, kUnexpectedEof);
    TW_EXIT();
}
