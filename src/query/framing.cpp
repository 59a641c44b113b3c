// The framing of one section (start line, "{", body, "}") and the
// document's line writers.
#include <twfile/host/error.h>
#include <twfile/host/status.h>
#include <twfile/query/qdf.h>

#include <cstring>
#include <string_view>

#include "query/line_values.h"
#include "query/messages.h"
#include "query/section_io.h"
#include "query/section_table.h"

#define TW_SOURCE "TWFileQDF"

namespace twfile {
namespace query {

namespace {

// Framing lines are read into a fixed buffer: a start line, the line after
// it, or a line skipped to the end of a section holds at most this many
// characters.
constexpr int kFramingLineMax = 100;

// Whether text starts as a start line of a section of the table does.
bool NamesSection(const char* text) {
    for (const Section& section : kSections) {
        const std::size_t length = std::strlen(section.name);
        if (std::strncmp(text, section.name, length) == 0 && text[length] == ' ') return true;
    }
    return false;
}

// Until a start line is met, a line too long for a framing line that does
// not begin as a start line shows a file of other text: it is said to be no
// document rather than failing as a document whose line is too long. The
// line is only looked at, not consumed.
int RefuseOtherText(CTWFileQDF& document) {
    if (ReadNotes::AnySectionFound(document)) return TW_EXIT();
    long start = 0;
    document.GetCurLoc(start);
    char head[kFramingLineMax + 3] = {};
    int count = 0;
    int eof = 0;
    TW_RETURN_IF_ERROR(document.ReadBytes(head, kFramingLineMax + 2, count, eof));
    if (count == 0) return TW_EXIT();
    TW_RETURN_IF_ERROR(document.Locate(start));
    const std::string_view seen(head, static_cast<std::size_t>(count));
    const bool fits = count <= kFramingLineMax || seen.find("\r\n") != seen.npos;
    if (!fits && !NamesSection(head)) return TW_RAISE(CTWFileQDF::kNotADocument, kNotAQueryFile);
    return TW_EXIT();
}

}  // namespace

int WriteLine(CTWFileQDF& document, const char* text) {
    TW_RETURN(document.m_pOutputFile->WriteLine(text));
}

int WriteText(CTWFileQDF& document, const char* text) {
    TW_RETURN(document.m_pOutputFile->WriteText(text));
}

int WriteText(CTWFileQDF& document, int value) {
    TW_RETURN(document.m_pOutputFile->WriteText(static_cast<long>(value)));
}

int WriteSectionStart(CTWFileQDF& document, const char* name, int major, int minor) {
    TW_RETURN_IF_ERROR(WriteText(document, name));
    TW_RETURN_IF_ERROR(WriteText(document, " "));
    TW_RETURN_IF_ERROR(WriteText(document, major));
    TW_RETURN_IF_ERROR(WriteText(document, "."));
    TW_RETURN_IF_ERROR(WriteText(document, minor));
    TW_RETURN_IF_ERROR(WriteLine(document, ""));
    TW_RETURN_IF_ERROR(WriteLine(document, "{"));
    return TW_EXIT();
}

int WriteSectionStart(CTWFileQDF& document, int index) {
    TW_RETURN(WriteSectionStart(document, kSections[index].name,
                                document.m_nSectionVersion[index][0],
                                document.m_nSectionVersion[index][1]));
}

int WriteSectionEnd(CTWFileQDF& document) {
    TW_RETURN(WriteLine(document, "}"));
}

// The start line is consumed whatever it holds. The line after it is taken
// as the opening line, unexamined, only when the start line names this
// section and holds a full stop.
int ReadSectionStart(CTWFileQDF& document, const char* name, int& major, int& minor) {
    major = 0;
    minor = 0;
    int eof = 0;
    TW_RETURN_IF_ERROR(RefuseOtherText(document));
    char line[kFramingLineMax + 1] = {};
    TW_RETURN_IF_ERROR(document.ReadLine(line, kFramingLineMax, eof));
    if (eof != 0) return TW_EXIT();

    const char* space = std::strchr(line, ' ');
    if (space == nullptr) return TW_EXIT();
    const std::string_view found(line, static_cast<std::size_t>(space - line));
    for (const Section& section : kSections) {
        if (found == section.name) ReadNotes::SectionFound(document);
    }
    if (found != name) return TW_EXIT();
    const char* stop = std::strchr(space + 1, '.');
    if (stop == nullptr) return TW_EXIT();
    major = DecimalValue(space + 1);
    minor = DecimalValue(stop + 1);

    long opening = 0;
    document.GetCurLoc(opening);
    TW_RETURN_IF_ERROR(document.ReadLine(line, kFramingLineMax, eof));
    // A save writes "{" in place of whatever stood there.
    if (eof == 0 && std::strcmp(line, "{") != 0) ReadNotes::Dropped(document, opening);
    return TW_EXIT();
}

// Every line skipped before the closing "}" is text a save does not write.
int ReadSectionEnd(CTWFileQDF& document) {
    char line[kFramingLineMax + 1] = {};
    int eof = 0;
    for (;;) {
        long start = 0;
        document.GetCurLoc(start);
        TW_RETURN_IF_ERROR(RefuseOtherText(document));
        TW_RETURN_IF_ERROR(document.ReadLine(line, kFramingLineMax, eof));
        if (eof != 0 || std::strcmp(line, "}") == 0) break;
        ReadNotes::Dropped(document, start);
    }
    return TW_EXIT();
}

// Lines of white space alone carry nothing; any other text does.
int ReadTrailingText(CTWFileQDF& document) {
    CString line;
    for (;;) {
        long start = 0;
        document.GetCurLoc(start);
        int eof = 0;
        TW_RETURN_IF_ERROR(document.ReadLine(&line, eof));
        const char* text = line.GetString();
        if (text[std::strspn(text, " \t\r\n")] != '\0' ||
            std::strlen(text) != static_cast<std::size_t>(line.GetLength())) {
            ReadNotes::Dropped(document, start);
            break;
        }
        if (eof != 0) break;
    }
    return TW_EXIT();
}

int ReadSection(CTWFileQDF& document, int index, int& read, SectionBody body,
                SectionBody rejected) {
    const Section& section = kSections[index];
    int major = 0;
    int minor = 0;
    read = 0;
    TW_RETURN_IF_ERROR(ReadSectionStart(document, section.name, major, minor));
    const bool accepted = section.Accepts(major, minor);
    if (accepted) {
        TW_RETURN_IF_ERROR(body(document, major, minor));
        read = 1;
    }
    if (section.end == Section::End::Skipped ||
        (accepted && section.end == Section::End::AfterBody)) {
        TW_RETURN_IF_ERROR(ReadSectionEnd(document));
    }
    if (!accepted && rejected != nullptr) TW_RETURN_IF_ERROR(rejected(document, major, minor));
    return TW_EXIT();
}

int ReadBodyLine(CTWFileQDF& document, CString* line) {
    int eof = 0;
    TW_RETURN_IF_ERROR(document.ReadLine(line, eof));
    if (eof != 0) return TW_RAISE(kQdfError, kUnexpectedEof);
    return TW_EXIT();
}

}  // namespace query
}  // namespace twfile
