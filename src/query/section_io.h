// The readers and writers of the document's sections, and the framing and
// line writers they share. They work on the document's public members and
// its file object; the table of sections (section_table.h) calls them in
// file order.
//
// Every section is written through the document's line writers, to
// m_pOutputFile; every section is read from the document's own file. Each
// function with a status follows the error service's rules with the source
// name "TWFileQDF".
#ifndef TWFILE_SRC_QUERY_SECTION_IO_H
#define TWFILE_SRC_QUERY_SECTION_IO_H

#include <twfile/query/qdf.h>

namespace twfile {
namespace query {

// What a read notes besides the members: whether a start line named a
// section of the table, and the first text that a save would not write back.
struct ReadNotes {
    static void SectionFound(CTWFileQDF& document) { document.m_bSectionFound = 1; }
    static bool AnySectionFound(const CTWFileQDF& document) {
        return document.m_bSectionFound != 0;
    }
    // Notes text at offset as dropped, unless earlier text was.
    static void Dropped(CTWFileQDF& document, long offset) {
        if (document.m_nDroppedAt < 0) document.m_nDroppedAt = offset;
    }
};

// The document's line writers.
int WriteLine(CTWFileQDF& document, const char* text);
int WriteText(CTWFileQDF& document, const char* text);
int WriteText(CTWFileQDF& document, int value);

// Framing of one section.
int WriteSectionStart(CTWFileQDF& document, const char* name, int major, int minor);
// The start of the section in row index of the table, with its version from
// m_nSectionVersion.
int WriteSectionStart(CTWFileQDF& document, int index);
int WriteSectionEnd(CTWFileQDF& document);
int ReadSectionStart(CTWFileQDF& document, const char* name, int& major, int& minor);
int ReadSectionEnd(CTWFileQDF& document);
// Reads the rest of the file after the last section.
int ReadTrailingText(CTWFileQDF& document);

// What a section reader adds to the frame: the body of an accepted version,
// and what follows a section it did not accept.
using SectionBody = int (*)(CTWFileQDF& document, int major, int minor);
// The frame every section reader shares: the start line, the body when the
// version is accepted (read = 1), then, as the section's row of the table
// says, the lines through the closing "}", and rejected (if any) for a
// section not accepted.
int ReadSection(CTWFileQDF& document, int index, int& read, SectionBody body,
                SectionBody rejected = nullptr);
// One body line that must be there: the end of the file raises
// "Unexpected end-of-file found in Query Definition file".
int ReadBodyLine(CTWFileQDF& document, CString* line);

// Content sections and the shared list encoding.
int WriteHeaderSection(CTWFileQDF& document);
int WriteDatabaseSection(CTWFileQDF& document);
int WriteTablesSection(CTWFileQDF& document);
int WriteAttributesSection(CTWFileQDF& document);
int WriteConditionsSection(CTWFileQDF& document);
int WriteJoinsSection(CTWFileQDF& document);
int WriteDefaultValuesSection(CTWFileQDF& document);
int WriteNonDisplayAttributesSection(CTWFileQDF& document);
int ReadHeaderSection(CTWFileQDF& document, int& read);
int ReadDatabaseSection(CTWFileQDF& document, int& read);
int ReadTablesSection(CTWFileQDF& document, int& read);
int ReadAttributesSection(CTWFileQDF& document, int& read);
int ReadConditionsSection(CTWFileQDF& document, int& read);
int ReadJoinsSection(CTWFileQDF& document, int& read);
int ReadDefaultValuesSection(CTWFileQDF& document, int& read);
int ReadNonDisplayAttributesSection(CTWFileQDF& document, int& read);
int WriteList(CTWFileQDF& document, CPtrList* list);
int ReadList(CTWFileQDF& document, CPtrList* list);
// A whole list section: row index of the table and its list.
int WriteListSection(CTWFileQDF& document, int index, CPtrList* list);

// FLAGS.
int WriteFlagsSection(CTWFileQDF& document);
int ReadFlagsSection(CTWFileQDF& document, int& read);

// Application texts.
int WriteWindowPositionSection(CTWFileQDF& document);
int WriteEditedSQLSection(CTWFileQDF& document);
int WriteCustomDataStringSection(CTWFileQDF& document);
int ReadWindowPositionSection(CTWFileQDF& document, int& read);
int ReadEditedSQLSection(CTWFileQDF& document, int& read);
int ReadCustomDataStringSection(CTWFileQDF& document, int& read);
// A section whose body is one line of the member text.
int WriteTextSection(CTWFileQDF& document, int index, const CString& text);

// Properties.
int WriteTimeZone(CTWFileQDF& document);
int ReadTimeZone(CTWFileQDF& document, int& read);
int WriteDisplayProperties(CTWFileQDF& document);
int ReadDisplayProperties(CTWFileQDF& document, int& read);
int WritePrinterProperties(CTWFileQDF& document);
int ReadPrinterProperties(CTWFileQDF& document, int& read);
int WriteDynSortSection(CTWFileQDF& document);
int ReadDynamicSortProperties(CTWFileQDF& document, int& read);

}  // namespace query
}  // namespace twfile

#endif  // TWFILE_SRC_QUERY_SECTION_IO_H
