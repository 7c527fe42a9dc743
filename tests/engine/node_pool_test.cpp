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
