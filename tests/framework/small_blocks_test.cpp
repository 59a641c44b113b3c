#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "framework/small_blocks.h"

namespace {

struct Block {
    unsigned char* data;
    std::size_t size;
    unsigned char mark;
};

bool Intact(const Block& block) {
    for (std::size_t i = 0; i < block.size; ++i) {
        if (block.data[i] != block.mark) return false;
    }
    return true;
}

// Blocks of every size, several groups' worth of them, given back in an
// order that empties slabs and groups while others still hold blocks: no
// block may overlap another, and every group goes back once all is freed.
TEST(SmallBlocks, BlocksStayApartAndGroupsGoBack) {
    const std::size_t before = twfile::SmallBlockGroupsHeld();
    std::vector<Block> blocks;
    for (std::size_t i = 0; i < 150000; ++i) {
        const std::size_t size = 1 + i % twfile::kSmallBlockMax;
        auto* data = static_cast<unsigned char*>(twfile::AllocateSmallBlock(size));
        ASSERT_NE(data, nullptr);
        const auto mark = static_cast<unsigned char>(i * 31 + 7);
        std::memset(data, mark, size);
        blocks.push_back({data, size, mark});
    }
    const std::size_t held = twfile::SmallBlockGroupsHeld();
    // Every other block, then the blocks of a second round in between.
    for (std::size_t i = 0; i < blocks.size(); i += 2) {
        ASSERT_TRUE(Intact(blocks[i])) << i;
        twfile::FreeSmallBlock(blocks[i].data, blocks[i].size);
        blocks[i].data = static_cast<unsigned char*>(twfile::AllocateSmallBlock(blocks[i].size));
        ASSERT_NE(blocks[i].data, nullptr);
        blocks[i].mark = static_cast<unsigned char>(~blocks[i].mark);
        std::memset(blocks[i].data, blocks[i].mark, blocks[i].size);
    }
    for (std::size_t i = 1; i < blocks.size(); i += 2) {
        ASSERT_TRUE(Intact(blocks[i])) << i;
        twfile::FreeSmallBlock(blocks[i].data, blocks[i].size);
    }
    for (std::size_t i = 0; i < blocks.size(); i += 2) {
        ASSERT_TRUE(Intact(blocks[i])) << i;
        twfile::FreeSmallBlock(blocks[i].data, blocks[i].size);
    }
    if (held == 0) GTEST_SKIP() << "blocks come from the heap one by one in this build";
    EXPECT_GT(held, before + 2);
    EXPECT_LE(twfile::SmallBlockGroupsHeld(), before + 1);
}

}  // namespace
