// What the lists of one element type (conditions, joins) do the same way
// over CPtrList: append without throwing, look up, unlink and delete.
#ifndef TWFILE_SRC_FRAMEWORK_TYPED_LIST_H
#define TWFILE_SRC_FRAMEWORK_TYPED_LIST_H

#include <twfile/framework/ptr_list.h>

#include <new>

namespace twfile {

// Appends element; false, with the list unchanged, when the list cannot
// allocate its node.
inline bool AppendToList(CPtrList& list, void* element) {
    try {
        list.AddTail(element);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// 1 when element (compared by identity) is in the list, else 0; 0 for null.
inline int IsInList(const CPtrList& list, void* element) {
    if (element == nullptr) return 0;
    return list.Find(element) != nullptr ? 1 : 0;
}

// Unlinks every element equal to element; a null element unlinks nothing.
inline void RemoveFromList(CPtrList& list, void* element) {
    if (element == nullptr) return;
    for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
        const POSITION at = pos;
        if (list.GetNext(pos) == element) list.RemoveAt(at);
    }
}

// Unlinks every element and deletes it as a T.
template <class T>
void DeleteListElements(CPtrList& list) {
    while (!list.IsEmpty())
        delete static_cast<T*>(list.RemoveHead());
}

}  // namespace twfile

#endif  // TWFILE_SRC_FRAMEWORK_TYPED_LIST_H
