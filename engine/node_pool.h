// Memory for parse-tree nodes: carved in creation order out of 64 KiB chunks.
//
// The editor compiles the whole script on every keystroke, so a tree of some hundred
// thousand nodes is built and thrown away again and again. Taking each node from malloc
// costs a call per node and scatters the tree over the heap; here a compile fills chunks
// front to back (the tree walks then run through memory in order) and a destroyed tree
// gives its memory back a chunk at a time.
//
// Chunks are aligned to their size, so a block finds its chunk from its own address. A
// chunk counts its live blocks; it is released when its thread has moved on to another
// chunk and the last of its blocks is freed, from whichever thread. The last few blocks a
// thread handed out, freed again newest first (the nodes the parser builds and drops when
// it folds an operator of constants), are taken back at once and leave no hole. A block
// too large for a chunk gets a chunk of its own; in builds with AddressSanitizer (which must see each
// node's lifetime) every block comes from the heap instead.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>

namespace NuvixParser::detail {

// Memory for one node of `size` bytes, aligned for any node member (8 bytes).
void* AllocateNode(std::size_t size);
void FreeNode(void* p) noexcept;

template <class T> struct TPoolArrayDeleter {
    std::size_t count = 0;
    void operator()(T* p) const noexcept {
        if (!p) return;
        for (std::size_t i = count; i > 0; --i) p[i - 1].~T();
        FreeNode(p);
    }
};

} // namespace NuvixParser::detail

namespace NuvixParser {

// An array that belongs to a node (a call's argument nodes and value slots), kept in the
// node's memory neighbourhood.
template <class T> using TPoolArray = std::unique_ptr<T[], detail::TPoolArrayDeleter<T>>;

// `count` default-constructed elements (whose constructors must not throw).
template <class T> TPoolArray<T> MakePoolArray(std::size_t count) {
    static_assert(std::is_nothrow_default_constructible_v<T> && alignof(T) <= 8);
    T* p = static_cast<T*>(detail::AllocateNode(count * sizeof(T)));
    for (std::size_t i = 0; i < count; ++i) new (p + i) T();
    return TPoolArray<T>(p, detail::TPoolArrayDeleter<T>{count});
}

} // namespace NuvixParser
