// CTWFileQDFJoinList: the joins of one query, in the order appended.
#ifndef TWFILE_JOIN_JOIN_LIST_H
#define TWFILE_JOIN_JOIN_LIST_H

#include <twfile/export.h>
#include <twfile/framework/ptr_list.h>
#include <twfile/host/schema.h>
#include <twfile/join/join.h>

// A list of join pointers. The list owns its joins only for DeleteAll:
// Remove, RemoveAll and the destructor delete none. It does not check for
// duplicates, so a list emptied with DeleteAll must hold each join once.
// Operations with a status follow the error service's rules with the source
// name "TWFileQDFJoinList"; after a failure the list is unchanged.
class TWFILE_API CTWFileQDFJoinList : public CPtrList {
    TW_DECLARE_DYNCREATE(CTWFileQDFJoinList)
  public:
    CTWFileQDFJoinList();
    ~CTWFileQDFJoinList() override;

    // Appends join. A null join, or a list that cannot allocate its element,
    // raises error -1.
    int AddTail(CTWFileQDFJoin* join);
    // 1 when join (compared by identity) is an element, else 0; 0 for null.
    int InList(CTWFileQDFJoin* join) const;
    // Nonzero when some join has an attribute of table, else 0 (also for a
    // null table). A null element raises ID_TWErrors_UnExpected.
    int InList(CTWDB_Table* table) const;
    // Unlinks every element equal to join without deleting it. Returns 0.
    int Remove(CTWFileQDFJoin* join);
    // Unlinks every element without deleting the joins. Returns 0.
    int RemoveAll();
    // Unlinks every element and deletes its join. Returns 0.
    int DeleteAll();
};

#endif  // TWFILE_JOIN_JOIN_LIST_H
