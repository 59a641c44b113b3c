// CTWFileQDF: the query definition document. One SQL query as the query
// builder holds it, kept in public members and stored in a text file of
// sixteen versioned sections with CR LF line ends.
#ifndef TWFILE_QUERY_QDF_H
#define TWFILE_QUERY_QDF_H

#include <twfile/export.h>
#include <twfile/file/file32.h>
#include <twfile/framework/ptr_list.h>
#include <twfile/framework/string.h>

namespace twfile {
namespace query {
// Internal: what a read notes besides the members (src/query).
struct ReadNotes;
}  // namespace query
}  // namespace twfile

// The document is a file object: its own CTWFile32 part holds the file and
// the buffer through which every section is read. Every section is written
// through m_pOutputFile (the document itself, or another document's file
// object during Copy).
//
// Reading is positional: each section reader takes the next line of the file
// as its start line; there is no search by name. A section that is missing,
// misnamed or of a version its reader does not accept is not read, and its
// read indicator stays 0; GetStatusString reports those sections.
//
// Every operation with a status follows the error service's rules with the
// source name "TWFileQDF". Allocation failures never escape an operation:
// they are raised as errors.
class TWFILE_API CTWFileQDF : public CTWFile32 {
  public:
    // Number of sections in a file, and of those with a read indicator.
    static constexpr int kSectionCount = 16;
    static constexpr int kIndicatorCount = 14;

    // Builds the file object (closed) and runs Initialise; a failure of
    // Initialise stays pending in the error service.
    CTWFileQDF();
    // Frees the lists and their strings, then destroys the file object.
    // Nothing is written.
    ~CTWFileQDF() override;
    CTWFileQDF(const CTWFileQDF&) = delete;
    CTWFileQDF& operator=(const CTWFileQDF&) = delete;

    // Resets every member to its initial value; the file is not touched.
    // A list that cannot be created raises -100, "Unable to create an
    // application object" and ends the reset; that list is then null.
    int Initialise();
    // Opens an existing file (read-only when readOnly is nonzero) and reads
    // every section into the members. The members are not reset first: list
    // sections append. A file that cannot be opened shows the system's
    // message and raises nothing: test IsFileOpen. A file in which no
    // section's start line is found is not a document: Open raises
    // kNotADocument (every indicator is then 0). Opened for writing, the
    // document holds the file that path names when the read begins (a file
    // renamed away meanwhile by another writer's save is let go and path
    // opened again), so that a Save through it never replaces a newer text.
    int Open(const char* path, int readOnly);
    // The error number of a file that is not a query definition file (an
    // enumerator, so that it needs no definition exported from the library).
    enum : int { kNotADocument = -101 };
    // The byte offset of the first text that the last Open read past without
    // keeping it, so that a save would not write it back: lines between a
    // section's body and its closing "}", an opening line other than "{", or
    // text after the last section (white space alone there is not counted).
    // -1 when there is none. Sections that were not read are reported by
    // their indicators instead.
    long GetDroppedTextOffset() const;
    // Replaces the document's open file by one that holds exactly the
    // document's text (see CTWFile32::WriteReplacing): on any failure the
    // file keeps its old text. A document whose text would not read back
    // the same is refused before anything is written (ID_TWErrors_InvalidParam,
    // naming the member): a one-line member holding CR LF, or an edited SQL
    // line that is exactly "}". A file opened read-only is not written.
    int Save();
    // Attaches the document to path (its file opened for reading and
    // writing, when there is one), then saves as Save does, creating the
    // file when it is missing. The document stays attached to path, also
    // after a failure, with the old file as it was.
    int SaveAs(const char* path);
    // Writes the document's text into target's file at target's current
    // position and ends target's file after it. target's members are not
    // changed; the document's own file is not touched.
    int Copy(CTWFileQDF* target);
    // Closes the document's file; the members keep their values.
    int Close();
    // The name of section index (0 to kSectionCount - 1, in file order) as
    // the file spells it; index i below kIndicatorCount is the section of
    // m_bSectionRead[i]. Null for any other index.
    static const char* SectionName(int index);
    // The report of the sections among the first twelve whose indicator is
    // 0, one name a line under a heading; empty when all were read.
    int GetStatusString(CString* report);
    // Empties m_strDatabase and the six lists (the list objects stay).
    int ClearQueryText();

    // Each empties one list, freeing its strings.
    void DeleteTableList();
    void DeleteAttributeList();
    void DeleteAttributeNonDisplayList();
    void DeleteConditionList();
    void DeleteJoinList();
    void DeleteDefaultValuesList();
    // Each appends item, a heap string that the list then owns, to one list.
    // A null item changes nothing. When the list cannot grow the error is
    // left pending and item stays the caller's; so does an item given while
    // the list does not exist (after a failed Initialise).
    void AddTable(CString* item);
    void AddAttribute(CString* item);
    void AddAttributeNonDisplay(CString* item);
    void AddCondition(CString* item);
    void AddJoin(CString* item);
    void AddDefaultValue(CString* item);
    // The table list itself (the list that AddTable appends to).
    CPtrList* GetTableList() const;

    // The PRINTER-PROPERTIES section, written and read at the current
    // position of the document's file.
    int WritePrinterProperties();
    int ReadPrinterProperties(int& read);
    // The DYNAMIC-SORT section, read at the current position.
    int ReadDynamicSortProperties(int& read);

    // Members, in the order of the design. The lists hold CString* elements
    // that the document owns.
    int m_bSectionRead[kIndicatorCount];
    int m_nDocumentVersion[2];
    int m_nSectionVersion[kSectionCount][2];
    CTWFile32* m_pOutputFile;
    CString m_strDatabase;
    CPtrList* m_pTableList;
    CPtrList* m_pAttributeList;
    CPtrList* m_pAttributeNonDisplayList;
    CPtrList* m_pConditionList;
    CPtrList* m_pJoinList;
    CPtrList* m_pDefaultValuesList;
    int m_bEditedSQL;
    int m_bActiveQuery;
    int m_bReadOnly;
    int m_bSelectionByRow;
    int m_nTimeZone;
    int m_nDisplayProperty1;
    int m_nPrinterProperty1;
    int m_nPrinterProperty2;
    int m_nDisplayProperty2;
    int m_nDynamicSort1;
    int m_nDynamicSort2;
    int m_nDynamicSort3;
    int m_bAutoRunWithoutConditions;
    CString m_strSpare;
    CString m_strEditedSQL;
    CString m_strWindowPosition;
    CString m_strCustomDataString;
    CString m_strTimeZone;
    CString m_strBackgroundColour;
    CString m_strTextColour;
    CString m_strPrinterProperty1;
    CString m_strPrinterProperty2;
    CString m_strPrinterProperty3;
    CString m_strPrinterProperty4;
    CString m_strPrinterProperty5;
    CString m_strPrinterProperty6;
    CString m_strPrinterProperty7;
    CString m_strPrinterProperty8;
    CString m_strDynamicSort;

  private:
    // The section readers note here what they found (src/query).
    friend struct twfile::query::ReadNotes;

    // What the last read found: whether a start line named its own section,
    // and the offset of the first text it dropped (-1 for none).
    int m_bSectionFound;
    long m_nDroppedAt;

    // The whole document, through the table of sections.
    int WriteToBuffer();
    // Refuses a document whose text would not read back the same.
    int CheckSavable() const;
    // Save's write once the file is attached.
    int WriteReplacingFile();
    int ReadFromBuffer();
    // Opens m_strFileName with the stored parameters; for write access,
    // again while the file held is no longer the one the path names.
    int OpenCurrentFile();
    int DeleteList(CPtrList* list);
    int AddTail(CPtrList* list, CString* item);
};

#endif  // TWFILE_QUERY_QDF_H
