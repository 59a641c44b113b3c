#include "framework/small_blocks.h"

#include <atomic>
#include <mutex>
#include <cstdint>
#include <cstdlib>
#include <thread>

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

#else

namespace {

constexpr std::size_t kGrain = 8;
constexpr std::size_t kSizes = kSmallBlockMax / kGrain;
constexpr std::size_t kSlabBytes = 64 * 1024;

struct FreeBlock {
    FreeBlock* next;
};

// A slab's header; its blocks follow it.
struct Slab {
    Slab* prev;  // in the list of slabs with room, of its size
    Slab* next;
    FreeBlock* freed;  // blocks given back
    char* fresh;       // the first block never handed out
    char* end;
    std::size_t used;  // blocks handed out
    bool listed;       // in the list of slabs with room
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

void* AllocateSlab() noexcept {
#if defined(_WIN32)
    return _aligned_malloc(kSlabBytes, kSlabBytes);
#else
    return std::aligned_alloc(kSlabBytes, kSlabBytes);
#endif
}

void FreeSlab(Slab* slab) noexcept {
#if defined(_WIN32)
    _aligned_free(slab);
#else
    std::free(slab);
#endif
}

Slab* SlabOf(void* block) {
    return reinterpret_cast<Slab*>(reinterpret_cast<std::uintptr_t>(block) & ~(kSlabBytes - 1));
}

void Link(SizeClass& size, Slab* slab) {
    slab->prev = nullptr;
    slab->next = size.room;
    if (size.room != nullptr) size.room->prev = slab;
    size.room = slab;
    slab->listed = true;
}

void Unlink(SizeClass& size, Slab* slab) {
    if (slab->prev != nullptr) {
        slab->prev->next = slab->next;
    } else {
        size.room = slab->next;
    }
    if (slab->next != nullptr) slab->next->prev = slab->prev;
    slab->listed = false;
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
        Link(sizeClass, slab);
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
        Unlink(sizeClass, slab);
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
    if (!slab->listed) Link(sizeClass, slab);
    // An empty slab goes back unless it is the only one with room.
    if (slab->used == 0 && (slab->prev != nullptr || slab->next != nullptr)) {
        Unlink(sizeClass, slab);
        FreeSlab(slab);
    }
}

#endif

}  // namespace twfile
