// The list of a query's joins.
#include <twfile/host/error.h>
#include <twfile/host/status.h>
#include <twfile/join/join_list.h>

#include "framework/typed_list.h"

#define TW_SOURCE "TWFileQDFJoinList"

namespace {

constexpr int kListError = -1;
constexpr char kInsertFailed[] = "Unable to insert Join object into Join list";
constexpr char kAppendFailed[] = "Unable to add Join object to tail of Join list";

}  // namespace

TW_IMPLEMENT_DYNCREATE(CTWFileQDFJoinList, CPtrList)

CTWFileQDFJoinList::CTWFileQDFJoinList() : CPtrList(10) {}

CTWFileQDFJoinList::~CTWFileQDFJoinList() = default;

int CTWFileQDFJoinList::AddTail(CTWFileQDFJoin* join) {
    if (join == nullptr) return TW_RAISE(kListError, kInsertFailed);
    if (!twfile::AppendToList(*this, join)) return TW_RAISE(kListError, kAppendFailed);
    return TW_EXIT();
}

int CTWFileQDFJoinList::InList(CTWFileQDFJoin* join) const {
    return twfile::IsInList(*this, join);
}

int CTWFileQDFJoinList::InList(CTWDB_Table* table) const {
    int result = 0;
    if (table == nullptr) return result;
    for (POSITION pos = GetHeadPosition(); pos != nullptr && result == 0;) {
        const auto* join = static_cast<const CTWFileQDFJoin*>(GetNext(pos));
        if (join == nullptr) TW_RAISE_RETURN(ID_TWErrors_UnExpected, IDS_TWErrors_UnExpected, 0);
        result = join->CTWDB_AttributeList::InList(table);
        TW_RETURN_VALUE_IF_ERROR(result, result);
    }
    TW_EXIT_RETURN(result);
}

int CTWFileQDFJoinList::Remove(CTWFileQDFJoin* join) {
    twfile::RemoveFromList(*this, join);
    return 0;
}

int CTWFileQDFJoinList::RemoveAll() {
    CPtrList::RemoveAll();
    return 0;
}

int CTWFileQDFJoinList::DeleteAll() {
    twfile::DeleteListElements<CTWFileQDFJoin>(*this);
    return 0;
}
