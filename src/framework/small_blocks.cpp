#include "framework/small_blocks.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <thread>

#if !defined(_WIN32)
#include <sys/mman.h>
#endif

#if defined(_WIN32)
#include <malloc.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
#define TWFILE_SMALL_BLOCKS_FROM_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TWFILE_SMALL_BLOCKS_FROM_HEAP 1
#endif
#endif

namespace twfile {

#ifdef TWFILE_SMALL_BLOCKS_FROM_HEAP

void* AllocateSmallBlock(std::size_t size) noexcept {
    return std::malloc(size);
}

void FreeSmallBlock(void* block, std::size_t) noexcept {
    std::free(block);
}

std::size_t SmallBlockGroupsHeld() noexcept {
    return 0;
}

#else

namespace {

constexpr std::size_t kGrain = 8;
constexpr std::size_t kSizes = kSmallBlockMax / kGrain;
constexpr std::size_t kSlabBytes = 64 * 1024;
// Slabs come from the heap 32 at a time: a system call and a flush of the
// address cache per two megabytes, not per slab. Where the system has large
// pages, a group is aligned to its size and asks for one, which saves the
// faults of 512 small pages.
constexpr std::size_t kGroupSlabs = 32;
constexpr std::size_t kGroupBytes = kGroupSlabs * kSlabBytes;

struct FreeBlock {
    FreeBlock* next;
};

struct Group;

// A slab's header; its blocks follow it.
struct Slab {
    Slab* prev;  // in the list of slabs with room, of its size
    Slab* next;  // that list, or the group's list of spare slabs
    Group* group;
    FreeBlock* freed;  // blocks given back
    char* fresh;       // the first block never handed out
    char* end;
    std::size_t used;  // blocks handed out
    bool listed;       // in the list of slabs with room
};

// Slabs taken from the heap together, and given back when none is in use.
struct Group {
    Group* prev;  // in the list of groups with spare slabs
    Group* next;
    char* base;
    Slab* spare;        // slabs given back by their size
    std::size_t fresh;  // slabs never handed out, from the end of the group
    std::size_t inUse;
    bool listed;
};

constexpr std::size_t kHeaderBytes = (sizeof(Slab) + kGrain * 2 - 1) / (kGrain * 2) * (kGrain * 2);

// The slabs of one block size that have room.
struct SizeClass {
    Slab* room = nullptr;
};

// Held for a few dozen instructions at a time: a holder is seldom made to
// wait for, and a waiter that spins long gives its processor up.
class Lock {
  public:
    void lock() noexcept {
        for (int spins = 0; m_held.exchange(true, std::memory_order_acquire); ++spins) {
            if (spins >= 64) std::this_thread::yield();
        }
    }
    void unlock() noexcept { m_held.store(false, std::memory_order_release); }

  private:
    std::atomic<bool> m_held{false};
};

Lock g_lock;
SizeClass g_sizes[kSizes];
Group* g_spare = nullptr;  // groups with spare slabs
std::size_t g_groups = 0;

template <typename Node, typename Head>
void Link(Head& head, Node* node) {
    node->prev = nullptr;
    node->next = head;
    if (head != nullptr) head->prev = node;
    head = node;
    node->listed = true;
}

template <typename Node, typename Head>
void Unlink(Head& head, Node* node) {
    if (node->prev != nullptr) {
        node->prev->next = node->next;
    } else {
        head = node->next;
    }
    if (node->next != nullptr) node->next->prev = node->prev;
    node->listed = false;
}

Group* AllocateGroup() noexcept {
    auto* group = static_cast<Group*>(std::malloc(sizeof(Group)));
    if (group == nullptr) return nullptr;
#if defined(_WIN32)
    group->base = static_cast<char*>(_aligned_malloc(kGroupBytes, kSlabBytes));
#elif defined(MADV_HUGEPAGE)
    group->base = static_cast<char*>(std::aligned_alloc(kGroupBytes, kGroupBytes));
#else
    group->base = static_cast<char*>(std::aligned_alloc(kSlabBytes, kGroupBytes));
#endif
    if (group->base == nullptr) {
        std::free(group);
        return nullptr;
    }
#if defined(MADV_HUGEPAGE)
    // Only advice: without it the group has small pages.
    ::madvise(group->base, kGroupBytes, MADV_HUGEPAGE);
#endif
    group->spare = nullptr;
    group->fresh = kGroupSlabs;
    group->inUse = 0;
    ++g_groups;
    return group;
}

void FreeGroup(Group* group) noexcept {
#if defined(_WIN32)
    _aligned_free(group->base);
#else
    std::free(group->base);
#endif
    std::free(group);
    --g_groups;
}

Slab* AllocateSlab() noexcept {
    Group* group = g_spare;
    if (group == nullptr) {
        group = AllocateGroup();
        if (group == nullptr) return nullptr;
        Link(g_spare, group);
    }
    Slab* slab;
    if (group->spare != nullptr) {
        slab = group->spare;
        group->spare = slab->next;
    } else {
        --group->fresh;
        slab = reinterpret_cast<Slab*>(group->base + group->fresh * kSlabBytes);
        slab->group = group;
    }
    ++group->inUse;
    if (group->spare == nullptr && group->fresh == 0) Unlink(g_spare, group);
    return slab;
}

// A group goes back to the heap when none of its slabs is in use, unless it
// is the only one with spare slabs.
void FreeSlab(Slab* slab) noexcept {
    Group* group = slab->group;
    slab->next = group->spare;
    group->spare = slab;
    --group->inUse;
    if (!group->listed) Link(g_spare, group);
    if (group->inUse == 0 && (group->prev != nullptr || group->next != nullptr)) {
        Unlink(g_spare, group);
        FreeGroup(group);
    }
}

Slab* SlabOf(void* block) {
    return reinterpret_cast<Slab*>(reinterpret_cast<std::uintptr_t>(block) & ~(kSlabBytes - 1));
}

}  // namespace

void* AllocateSmallBlock(std::size_t size) noexcept {
    if (size == 0) size = 1;
    if (size > kSmallBlockMax) return std::malloc(size);
    const std::size_t index = (size - 1) / kGrain;
    const std::size_t bytes = (index + 1) * kGrain;
    const std::lock_guard<Lock> hold(g_lock);
    SizeClass& sizeClass = g_sizes[index];
    Slab* slab = sizeClass.room;
    if (slab == nullptr) {
        slab = static_cast<Slab*>(AllocateSlab());
        if (slab == nullptr) return nullptr;
        slab->freed = nullptr;
        slab->fresh = reinterpret_cast<char*>(slab) + kHeaderBytes;
        slab->end = reinterpret_cast<char*>(slab) + kSlabBytes;
        slab->used = 0;
        Link(sizeClass.room, slab);
    }
    void* block;
    if (slab->freed != nullptr) {
        block = slab->freed;
        slab->freed = slab->freed->next;
    } else {
        block = slab->fresh;
        slab->fresh += bytes;
    }
    ++slab->used;
    if (slab->freed == nullptr && slab->end - slab->fresh < static_cast<std::ptrdiff_t>(bytes)) {
        Unlink(sizeClass.room, slab);
    }
    return block;
}

void FreeSmallBlock(void* block, std::size_t size) noexcept {
    if (block == nullptr) return;
    if (size == 0) size = 1;
    if (size > kSmallBlockMax) {
        std::free(block);
        return;
    }
    SizeClass& sizeClass = g_sizes[(size - 1) / kGrain];
    Slab* slab = SlabOf(block);
    const std::lock_guard<Lock> hold(g_lock);
    auto* freed = static_cast<FreeBlock*>(block);
    freed->next = slab->freed;
    slab->freed = freed;
    --slab->used;
    if (!slab->listed) Link(sizeClass.room, slab);
    // An empty slab goes back to its group, free for any size.
    if (slab->used == 0) {
        Unlink(sizeClass.room, slab);
        FreeSlab(slab);
    }
}

std::size_t SmallBlockGroupsHeld() noexcept {
    const std::lock_guard<Lock> hold(g_lock);
    return g_groups;
}

#endif

}  // namespace twfile
