// The list of a query's conditions.
#include <twfile/condition/condition_list.h>
#include <twfile/host/error.h>
#include <twfile/host/status.h>

#include <cstring>
#include <new>

#include "framework/typed_list.h"

#define TW_SOURCE "TWFileQDFConditionList"

namespace {

constexpr int kListError = -1;
constexpr char kInsertFailed[] = "Unable to insert Condition object into Condition list";
constexpr char kAppendFailed[] = "Unable to add Condition object to tail of Condition list";

// The name a condition sorts by; the empty name without an attribute.
const char* SortName(const CTWFileQDFCondition* condition) {
    const char* name = condition->GetAttributeName();
    return name != nullptr ? name : "";
}

}  // namespace

TW_IMPLEMENT_DYNCREATE(CTWFileQDFConditionList, CPtrList)

CTWFileQDFConditionList::CTWFileQDFConditionList() : CPtrList(10) {}

CTWFileQDFConditionList::~CTWFileQDFConditionList() = default;

int CTWFileQDFConditionList::InList(CTWFileQDFCondition* condition) const {
    return twfile::IsInList(*this, condition);
}

int CTWFileQDFConditionList::InList(CTWDB_Table* table) const {
    int found = 0;
    if (table == nullptr) return found;
    for (POSITION pos = GetHeadPosition(); pos != nullptr && found == 0;) {
        const auto* condition = static_cast<const CTWFileQDFCondition*>(GetNext(pos));
        if (condition == nullptr) {
            TW_RAISE_RETURN(ID_TWErrors_UnExpected, IDS_TWErrors_UnExpected, found);
        }
        const CTWDB_Attribute* attribute = condition->GetAttribute();
        if (attribute == nullptr) continue;
        const CTWDB_Table* owner = attribute->GetOwnerTable();
        TW_RETURN_VALUE_IF_ERROR(owner, found);
        if (owner == table) found = 1;
    }
    TW_EXIT_RETURN(found);
}

int CTWFileQDFConditionList::AddTail(CTWFileQDFCondition* condition) {
    if (condition == nullptr) return TW_RAISE(kListError, kInsertFailed);
    if (!twfile::AppendToList(*this, condition)) return TW_RAISE(kListError, kAppendFailed);
    return TW_EXIT();
}

int CTWFileQDFConditionList::Insert(CTWFileQDFCondition* condition) {
    if (condition == nullptr) return TW_RAISE(kListError, kInsertFailed);
    const char* name = SortName(condition);
    for (POSITION pos = GetHeadPosition(); pos != nullptr;) {
        const POSITION at = pos;
        const auto* element = static_cast<const CTWFileQDFCondition*>(GetNext(pos));
        if (element == nullptr) continue;
        // strcmp compares the bytes as unsigned characters.
        if (std::strcmp(SortName(element), name) > 0) {
            try {
                InsertBefore(at, condition);
            } catch (const std::bad_alloc&) {
                return TW_RAISE(kListError, kInsertFailed);
            }
            return TW_EXIT();
        }
    }
    TW_RETURN_IF_ERROR(AddTail(condition));
    return TW_EXIT();
}

int CTWFileQDFConditionList::Remove(CTWFileQDFCondition* condition) {
    twfile::RemoveFromList(*this, condition);
    return 0;
}

int CTWFileQDFConditionList::RemoveAll() {
    CPtrList::RemoveAll();
    return 0;
}

int CTWFileQDFConditionList::DeleteAll() {
    twfile::DeleteListElements<CTWFileQDFCondition>(*this);
    return 0;
}
