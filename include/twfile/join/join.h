// CTWFileQDFJoin: attributes of different tables linked by equality.
#ifndef TWFILE_JOIN_JOIN_H
#define TWFILE_JOIN_JOIN_H

#include <twfile/export.h>
#include <twfile/host/schema.h>

// The join's attributes are the elements of its attribute list, head to
// tail; the application fills the list, the join only reads it. The join
// owns its text buffer. Operations with a status follow the error service's
// rules with the source name "TWFileQDFJoin". After a failed allocation the
// buffer is null and its recorded size 0, so the next call allocates again;
// nothing is ever written through a null buffer.
class TWFILE_API CTWFileQDFJoin : public CTWDB_AttributeList {
    TW_DECLARE_DYNCREATE(CTWFileQDFJoin)
  public:
    CTWFileQDFJoin();
    ~CTWFileQDFJoin() override;
    CTWFileQDFJoin(const CTWFileQDFJoin&) = delete;
    CTWFileQDFJoin& operator=(const CTWFileQDFJoin&) = delete;

    // Frees the text buffer; the attributes stay. Returns 0.
    int Initialise();

    // The join's SQL text: the table-qualified names of its attributes,
    // head to tail, with " = " between neighbours; the empty text for a join
    // without attributes. No quoting is done. The text is rebuilt from the
    // attributes' current names on every call. The pointer belongs to the
    // join and stays valid until the next GetText, Initialise or
    // destruction. A null attribute or name raises ID_TWErrors_UnExpected;
    // after a failure the pointer holds an earlier or partly built text, or
    // is null when the join never had a buffer.
    const char* GetText();

  private:
    // Makes m_pBuffer hold at least size characters and a NUL; it grows
    // only, to exactly size + 1 bytes, and its contents are not kept.
    int ReAllocateBuffer(int size);

    char* m_pBuffer;
    int m_nBufferSize;
};

#endif  // TWFILE_JOIN_JOIN_H
