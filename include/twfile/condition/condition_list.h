// CTWFileQDFConditionList: the conditions of one query, in order.
#ifndef TWFILE_CONDITION_CONDITION_LIST_H
#define TWFILE_CONDITION_CONDITION_LIST_H

#include <twfile/condition/condition.h>
#include <twfile/export.h>
#include <twfile/framework/ptr_list.h>
#include <twfile/host/schema.h>

// A list of condition pointers, appended at the tail or inserted in order of
// attribute name. The list owns its conditions only for DeleteAll: Remove,
// RemoveAll and the destructor delete none. Operations with a status follow
// the error service's rules with the source name "TWFileQDFConditionList";
// after a failure the list is unchanged.
class TWFILE_API CTWFileQDFConditionList : public CPtrList {
    TW_DECLARE_DYNCREATE(CTWFileQDFConditionList)
  public:
    CTWFileQDFConditionList();
    ~CTWFileQDFConditionList() override;

    // 1 when condition (compared by identity) is an element, else 0; 0 for
    // null.
    int InList(CTWFileQDFCondition* condition) const;
    // 1 when the attribute of some condition belongs to table, else 0 (also
    // for a null table and after an error). A condition without an attribute
    // belongs to no table; a null element raises ID_TWErrors_UnExpected.
    int InList(CTWDB_Table* table) const;

    // Appends condition. A null condition, or a list that cannot allocate
    // its element, raises error -1.
    int AddTail(CTWFileQDFCondition* condition);
    // Inserts condition before the first condition whose attribute name is
    // greater (bytes compared as unsigned, case-sensitive), so conditions
    // with equal names keep their order of insertion. A condition without
    // an attribute sorts as the empty name. Keeps a list sorted only when
    // every condition came in through Insert.
    int Insert(CTWFileQDFCondition* condition);

    // Unlinks every element equal to condition without deleting it.
    // Returns 0.
    int Remove(CTWFileQDFCondition* condition);
    // Unlinks every element without deleting the conditions. Returns 0.
    int RemoveAll();
    // Unlinks every element and deletes its condition. Returns 0.
    int DeleteAll();
};

#endif  // TWFILE_CONDITION_CONDITION_LIST_H
