// Node memory: blocks come in creation order, any thread may free them, a chunk goes
// back only once all its blocks are gone.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/node_pool.h"
#include "engine/return_value.h"
#include "tests/engine/test_support.h"

namespace {

using namespace NuvixParser;
using NuvixTest::TScript;

TEST(NodePool, BlocksAreAlignedDistinctAndKeepTheirContents) {
    std::vector<void*> blocks;
    for (std::size_t size : {1u, 7u, 8u, 24u, 100u, 5000u, 20000u, 200000u}) {
        for (int i = 0; i < 50; ++i) {
            void* p = detail::AllocateNode(size);
            ASSERT_EQ(reinterpret_cast<std::uintptr_t>(p) % 8, 0u) << size;
            std::memset(p, static_cast<int>(blocks.size() & 0xFF), size);
            blocks.push_back(p);
        }
    }
    // Every block still holds its own fill: no two overlap.
    std::size_t k = 0;
    for (std::size_t size : {1u, 7u, 8u, 24u, 100u, 5000u, 20000u, 200000u}) {
        for (int i = 0; i < 50; ++i, ++k) {
            const auto* bytes = static_cast<const unsigned char*>(blocks[k]);
            ASSERT_EQ(bytes[0], k & 0xFF);
            ASSERT_EQ(bytes[size - 1], k & 0xFF);
        }
    }
    for (void* p : blocks) detail::FreeNode(p);
    detail::FreeNode(nullptr);
}

#if !defined(__SANITIZE_ADDRESS__) // such builds take every block from the heap
// Whether two blocks share a chunk (64 KiB, aligned): a new chunk starts its own count of
// the newest blocks.
bool SameChunk(const void* a, const void* b) {
    return (reinterpret_cast<std::uintptr_t>(a) >> 16) == (reinterpret_cast<std::uintptr_t>(b) >> 16);
}

TEST(NodePool, TheNewestBlocksFreedNewestFirstAreHandedOutAgain) {
    // What folding an operator of two constants does: three nodes made, dropped newest
    // first, one made in their place.
    void* first = detail::AllocateNode(24);
    void* second = detail::AllocateNode(25); // a node with a text behind it
    void* third = detail::AllocateNode(32);
    detail::FreeNode(third);
    detail::FreeNode(second);
    detail::FreeNode(first);
    void* again = detail::AllocateNode(24);
    if (SameChunk(first, third)) {
        EXPECT_EQ(again, first);
    }

    // Freed out of order, a block stays where it is until its chunk goes.
    void* a = detail::AllocateNode(24);
    void* b = detail::AllocateNode(24);
    detail::FreeNode(a);
    void* c = detail::AllocateNode(24);
    EXPECT_NE(c, a);
    EXPECT_NE(c, b);
    detail::FreeNode(c); // the newest again: taken back
    detail::FreeNode(b);
    void* d = detail::AllocateNode(24);
    if (SameChunk(b, c)) {
        EXPECT_EQ(d, b);
    }

    // Only the newest few are remembered: the older ones are freed the ordinary way.
    std::vector<void*> many;
    for (int i = 0; i < 10; ++i) many.push_back(detail::AllocateNode(16));
    for (auto it = many.rbegin(); it != many.rend(); ++it) detail::FreeNode(*it);
    void* after = detail::AllocateNode(16);
    if (SameChunk(many[0], many[9])) {
        EXPECT_EQ(after, many[6]); // the four newest were taken back
    }
    for (void* p : {again, d, after}) detail::FreeNode(p);
}
#endif

TEST(NodePool, ArraysConstructAndDestroyTheirElements) {
    auto values = MakePoolArray<TReturnValue>(3);
    values[0].SetString(std::string(100, 'x')); // a heap text the array must free
    values[2].SetNumber(2);
    EXPECT_EQ(values[1].number, 0);
    EXPECT_FALSE(values[1].isString);
    auto none = MakePoolArray<TReturnValue>(0);
    EXPECT_NE(none.get(), nullptr);
}

} // namespace
