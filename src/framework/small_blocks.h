// Small blocks without the heap's per-block overhead, for the objects a
// document holds a million of: strings and their texts.
//
// A block of n bytes costs n rounded up to 8; from the heap it costs n plus
// its 8-byte header rounded up to 16, and never less than 32, so a string
// object of 16 bytes and a text of 43 take 64 bytes here and 96 there.
// Blocks of one size are carved from 64 KiB slabs, aligned to their size so
// that a block finds its slab. Slabs are taken from the heap in groups of 32
// (2 MiB, in large pages where the system has them); a slab is free for any
// size once its last block is freed, and a group goes back to the heap once
// none of its slabs is in use (but the last group with free slabs is kept).
// Safe to use from several threads.
//
// Under AddressSanitizer the blocks come from the heap one by one, so that
// the sanitizer sees every block's bounds.
#ifndef TWFILE_SRC_FRAMEWORK_SMALL_BLOCKS_H
#define TWFILE_SRC_FRAMEWORK_SMALL_BLOCKS_H

#include <cstddef>

namespace twfile {

// The largest block served from slabs; larger sizes go to the heap.
constexpr std::size_t kSmallBlockMax = 128;

// A block of size bytes (1 or more), or null when no memory is left. The
// caller frees it with FreeSmallBlock and the same size.
void* AllocateSmallBlock(std::size_t size) noexcept;
void FreeSmallBlock(void* block, std::size_t size) noexcept;

// The groups of slabs taken from the heap and not given back (none when the
// blocks come from the heap one by one).
std::size_t SmallBlockGroupsHeld() noexcept;

}  // namespace twfile

#endif  // TWFILE_SRC_FRAMEWORK_SMALL_BLOCKS_H
