// The list of a query's joins.
#include <twfile/framework/memory_exception.h>
#include <twfile/host/error.h>
#include <twfile/host/status.h>
#include <twfile/join/join_list.h>

#include <new>

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
    try {
        CPtrList::AddTail(join);
    } catch (const std::bad_alloc&) {
        return TW_RAISE(kListError, kAppendFailed);
    }
    return TW_EXIT();
}

int CTWFileQDFJoinList::InList(CTWFileQDFJoin* join) const {
    if (join == nullptr) return 0;
    return Find(join) != nullptr ? 1 : 0;
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
    if (join == nullptr) return 0;
    for (POSITION pos = GetHeadPosition(); pos != nullptr;) {
        const POSITION at = pos;
        if (GetNext(pos) == join) RemoveAt(at);
    }
    return 0;
}

int CTWFileQDFJoinList::RemoveAll() {
    CPtrList::RemoveAll();
    return 0;
}

int CTWFileQDFJoinList::DeleteAll() {
    while (!IsEmpty())
        delete static_cast<CTWFileQDFJoin*>(RemoveHead());
    return 0;
}
