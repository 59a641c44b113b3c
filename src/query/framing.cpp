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

#define TW_SOURCE "TWFileQDF"

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
    TW_RETURN_IF_ERROR(WriteText(name));
    TW_RETURN_IF_ERROR(WriteText(" "));
    TW_RETURN_IF_ERROR(WriteText(major));
    TW_RETURN_IF_ERROR(WriteText("."));
    TW_RETURN_IF_ERROR(WriteText(minor));
    TW_RETURN_IF_ERROR(WriteLine(""));
    TW_RETURN_IF_ERROR(WriteLine("{"));
    return TW_EXIT();
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
    TW_RETURN_IF_ERROR(ReadLine(line, kFramingLineMax, eof));
    if (eof != 0) return TW_EXIT();

    const char* space = std::strchr(line, ' ');
    if (space == nullptr) return TW_EXIT();
    const std::string_view found(line, static_cast<std::size_t>(space - line));
    for (const Section& section : s_sections) {
        if (found == section.name) m_bSectionFound = 1;
    }
    if (found != name) return TW_EXIT();
    const char* stop = std::strchr(space + 1, '.');
    if (stop == nullptr) return TW_EXIT();
    major = DecimalValue(space + 1);
    minor = DecimalValue(stop + 1);

    long opening = 0;
    GetCurLoc(opening);
    TW_RETURN_IF_ERROR(ReadLine(line, kFramingLineMax, eof));
    // A save writes "{" in place of whatever stood there.
    if (eof == 0 && std::strcmp(line, "{") != 0) NoteDropped(opening);
    return TW_EXIT();
}

// Every line skipped before the closing "}" is text a save does not write.
int CTWFileQDF::ReadSectionEnd() {
    char line[kFramingLineMax + 1] = {};
    int eof = 0;
    for (;;) {
        long start = 0;
        GetCurLoc(start);
        TW_RETURN_IF_ERROR(ReadLine(line, kFramingLineMax, eof));
        if (eof != 0 || std::strcmp(line, "}") == 0) break;
        NoteDropped(start);
    }
    return TW_EXIT();
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
        TW_RETURN_IF_ERROR(ReadLine(&line, eof));
        const char* text = line.GetString();
        if (text[std::strspn(text, " \t\r\n")] != '\0' ||
            std::strlen(text) != static_cast<std::size_t>(line.GetLength())) {
            NoteDropped(start);
            break;
        }
        if (eof != 0) break;
    }
    return TW_EXIT();
}

int CTWFileQDF::ReadSection(int index, int& read, SectionBody body, SectionBody rejected) {
    const Section& section = s_sections[index];
    int major = 0;
    int minor = 0;
    read = 0;
    TW_RETURN_IF_ERROR(ReadSectionStart(section.name, major, minor));
    const bool accepted = section.Accepts(major, minor);
    if (accepted) {
        TW_RETURN_IF_ERROR(body(*this, major, minor));
        read = 1;
    }
    if (section.end == Section::End::Skipped ||
        (accepted && section.end == Section::End::AfterBody)) {
        TW_RETURN_IF_ERROR(ReadSectionEnd());
    }
    if (!accepted && rejected != nullptr) TW_RETURN_IF_ERROR(rejected(*this, major, minor));
    return TW_EXIT();
}

int CTWFileQDF::ReadBodyLine(CString* line) {
    int eof = 0;
    TW_RETURN_IF_ERROR(ReadLine(line, eof));
    if (eof != 0) return TW_RAISE(kQdfError, kUnexpectedEof);
    return TW_EXIT();
}
