#include <twfile/framework/memory_exception.h>
#include <twfile/framework/ptr_list.h>
#include "platform/fault.h"

#include <cstdlib>

// A block of nodes; the nodes follow the header in the same allocation.
struct CPtrList::Block {
    Block* pNext;
    Node* Nodes() { return reinterpret_cast<Node*>(this + 1); }
};

TW_IMPLEMENT_DYNAMIC(CPtrList, CObject)

CPtrList::CPtrList(int nBlockSize)
    : m_pNodeHead(nullptr),
      m_pNodeTail(nullptr),
      m_nCount(0),
      m_pNodeFree(nullptr),
      m_pBlocks(nullptr),
      m_nBlockSize(nBlockSize > 0 ? nBlockSize : 10) {}

CPtrList::~CPtrList() {
    RemoveAll();
}

CPtrList::Node* CPtrList::NewNode(Node* prev, Node* next) {
    if (m_pNodeFree == nullptr) {
        if (win32::fault::ShouldFail(win32::fault::Kind::ListNode)) throw CMemoryException();
        void* memory =
            std::malloc(sizeof(Block) + sizeof(Node) * static_cast<std::size_t>(m_nBlockSize));
        if (memory == nullptr) throw CMemoryException();
        Block* block = static_cast<Block*>(memory);
        block->pNext = m_pBlocks;
        m_pBlocks = block;
        Node* nodes = block->Nodes();
        for (int i = m_nBlockSize - 1; i >= 0; --i) {
            nodes[i].pNext = m_pNodeFree;
            m_pNodeFree = &nodes[i];
        }
    }
    Node* node = m_pNodeFree;
    m_pNodeFree = node->pNext;
    node->pPrev = prev;
    node->pNext = next;
    node->data = nullptr;
    ++m_nCount;
    return node;
}

void CPtrList::FreeNode(Node* node) {
    node->pNext = m_pNodeFree;
    m_pNodeFree = node;
    --m_nCount;
    if (m_nCount == 0) RemoveAll();
}

void*& CPtrList::GetHead() {
    return m_pNodeHead->data;
}
void* CPtrList::GetHead() const {
    return m_pNodeHead->data;
}
void*& CPtrList::GetTail() {
    return m_pNodeTail->data;
}
void* CPtrList::GetTail() const {
    return m_pNodeTail->data;
}

POSITION CPtrList::AddHead(void* element) {
    Node* node = NewNode(nullptr, m_pNodeHead);
    node->data = element;
    if (m_pNodeHead != nullptr) {
        m_pNodeHead->pPrev = node;
    } else {
        m_pNodeTail = node;
    }
    m_pNodeHead = node;
    return ToPosition(node);
}

POSITION CPtrList::AddTail(void* element) {
    Node* node = NewNode(m_pNodeTail, nullptr);
    node->data = element;
    if (m_pNodeTail != nullptr) {
        m_pNodeTail->pNext = node;
    } else {
        m_pNodeHead = node;
    }
    m_pNodeTail = node;
    return ToPosition(node);
}

POSITION CPtrList::InsertBefore(POSITION pos, void* element) {
    if (pos == nullptr) return AddHead(element);
    Node* old = ToNode(pos);
    Node* node = NewNode(old->pPrev, old);
    node->data = element;
    if (old->pPrev != nullptr) {
        old->pPrev->pNext = node;
    } else {
        m_pNodeHead = node;
    }
    old->pPrev = node;
    return ToPosition(node);
}

POSITION CPtrList::InsertAfter(POSITION pos, void* element) {
    if (pos == nullptr) return AddTail(element);
    Node* old = ToNode(pos);
    Node* node = NewNode(old, old->pNext);
    node->data = element;
    if (old->pNext != nullptr) {
        old->pNext->pPrev = node;
    } else {
        m_pNodeTail = node;
    }
    old->pNext = node;
    return ToPosition(node);
}

void* CPtrList::RemoveHead() {
    void* data = m_pNodeHead->data;
    RemoveAt(ToPosition(m_pNodeHead));
    return data;
}

void* CPtrList::RemoveTail() {
    void* data = m_pNodeTail->data;
    RemoveAt(ToPosition(m_pNodeTail));
    return data;
}

void CPtrList::RemoveAt(POSITION pos) {
    Node* node = ToNode(pos);
    if (node == m_pNodeHead) {
        m_pNodeHead = node->pNext;
    } else {
        node->pPrev->pNext = node->pNext;
    }
    if (node == m_pNodeTail) {
        m_pNodeTail = node->pPrev;
    } else {
        node->pNext->pPrev = node->pPrev;
    }
    FreeNode(node);
}

void CPtrList::RemoveAll() {
    m_pNodeHead = nullptr;
    m_pNodeTail = nullptr;
    m_nCount = 0;
    m_pNodeFree = nullptr;
    while (m_pBlocks != nullptr) {
        Block* next = m_pBlocks->pNext;
        std::free(m_pBlocks);
        m_pBlocks = next;
    }
}

POSITION CPtrList::Find(void* value, POSITION startAfter) const {
    Node* node = startAfter == nullptr ? m_pNodeHead : ToNode(startAfter)->pNext;
    for (; node != nullptr; node = node->pNext) {
        if (node->data == value) return ToPosition(node);
    }
    return nullptr;
}

POSITION CPtrList::FindIndex(int index) const {
    if (index < 0 || index >= m_nCount) return nullptr;
    Node* node = m_pNodeHead;
    while (index-- > 0)
        node = node->pNext;
    return ToPosition(node);
}
