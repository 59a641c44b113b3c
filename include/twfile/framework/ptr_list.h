// An ordered, doubly linked list of untyped pointers.
#ifndef TWFILE_FRAMEWORK_PTR_LIST_H
#define TWFILE_FRAMEWORK_PTR_LIST_H

#include <twfile/export.h>
#include <twfile/framework/object.h>

// A position in a list; null is past the end.
struct TW_POSITION_tag;
typedef TW_POSITION_tag* POSITION;

// Nodes are allocated in blocks of nBlockSize and reused; the blocks are
// freed when the list becomes empty through RemoveAll or is destroyed. A
// failed block allocation throws CMemoryException and leaves the list as it
// was.
class TWFILE_API CPtrList : public CObject {
    TW_DECLARE_DYNAMIC(CPtrList)
  public:
    explicit CPtrList(int nBlockSize = 10);
    ~CPtrList() override;
    CPtrList(const CPtrList&) = delete;
    CPtrList& operator=(const CPtrList&) = delete;

    int GetCount() const { return m_nCount; }
    int GetSize() const { return m_nCount; }
    bool IsEmpty() const { return m_nCount == 0; }

    void*& GetHead();
    void* GetHead() const;
    void*& GetTail();
    void* GetTail() const;

    // The walking accessors are inline: every walk over a list calls them
    // once per element.
    POSITION GetHeadPosition() const { return ToPosition(m_pNodeHead); }
    POSITION GetTailPosition() const { return ToPosition(m_pNodeTail); }
    // The element at pos; pos moves to the next (or previous) one.
    void*& GetNext(POSITION& pos) { return Step(pos, ToNode(pos)->pNext); }
    void* GetNext(POSITION& pos) const { return Step(pos, ToNode(pos)->pNext); }
    void*& GetPrev(POSITION& pos) { return Step(pos, ToNode(pos)->pPrev); }
    void* GetPrev(POSITION& pos) const { return Step(pos, ToNode(pos)->pPrev); }
    void*& GetAt(POSITION pos) { return ToNode(pos)->data; }
    void* GetAt(POSITION pos) const { return ToNode(pos)->data; }
    void SetAt(POSITION pos, void* element) { ToNode(pos)->data = element; }

    POSITION AddHead(void* element);
    POSITION AddTail(void* element);
    POSITION InsertBefore(POSITION pos, void* element);
    POSITION InsertAfter(POSITION pos, void* element);

    void* RemoveHead();
    void* RemoveTail();
    void RemoveAt(POSITION pos);
    void RemoveAll();

    // The first element equal to value after startAfter (from the head when
    // null), or null.
    POSITION Find(void* value, POSITION startAfter = nullptr) const;
    // The position of the index-th element, or null.
    POSITION FindIndex(int index) const;

  private:
    struct Node {
        Node* pNext;
        Node* pPrev;
        void* data;
    };
    struct Block;
    static POSITION ToPosition(Node* node) { return reinterpret_cast<POSITION>(node); }
    static Node* ToNode(POSITION pos) { return reinterpret_cast<Node*>(pos); }
    // The element of pos's node; pos moves to next.
    static void*& Step(POSITION& pos, Node* next) {
        Node* node = ToNode(pos);
        pos = ToPosition(next);
        return node->data;
    }
    Node* NewNode(Node* prev, Node* next);
    void FreeNode(Node* node);

    Node* m_pNodeHead;
    Node* m_pNodeTail;
    int m_nCount;
    Node* m_pNodeFree;
    Block* m_pBlocks;
    int m_nBlockSize;
};

#endif  // TWFILE_FRAMEWORK_PTR_LIST_H
