// Chunked node memory with per-chunk live counts (see node_pool.h).
#include "engine/node_pool.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define VARNEX_NODE_POOL 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VARNEX_NODE_POOL 0
#endif
#endif
#ifndef VARNEX_NODE_POOL
#define VARNEX_NODE_POOL 1
#endif

namespace NuvixParser::detail {
namespace {

constexpr std::size_t kChunkBytes = std::size_t{64} << 10;
constexpr std::size_t kHeader = sizeof(void*); // the chunk of a block, or null for the heap
constexpr std::size_t kLargest = kChunkBytes / 8;

struct TChunk {
    // Frees subtract one; sealing adds the number of blocks handed out. The sum reaches 0
    // exactly once: when the chunk is sealed and its last block is gone.
    std::atomic<std::int64_t> live{0};
    std::int64_t handedOut = 0; // written by the owning thread only, until sealed
};

constexpr std::size_t kFirstBlock = (sizeof(TChunk) + 7) / 8 * 8;

struct TCursor {
    TChunk* chunk;
    char* next;
    char* end;
};

// Trivially destructible, so a node made during static destruction still finds it.
thread_local constinit TCursor tlsCursor{nullptr, nullptr, nullptr};

// Released chunks this thread keeps for its next compiles: giving them back to the C
// library would only have them faulted in again by the next keystroke's tree.
constexpr int kKeptChunks = 64;
struct TChunkCache {
    void* chunks[kKeptChunks];
    int count;
};
thread_local constinit TChunkCache tlsCache{{}, 0};

void Release(TChunk* chunk) {
    chunk->~TChunk();
    if (tlsCache.count < kKeptChunks) {
        tlsCache.chunks[tlsCache.count++] = chunk;
        return;
    }
    std::free(chunk);
}

// The thread is done handing out blocks of this chunk.
void Seal(TChunk* chunk) {
    const std::int64_t n = chunk->handedOut;
    if (chunk->live.fetch_add(n, std::memory_order_acq_rel) + n == 0) Release(chunk);
}

// Seals the thread's last chunk when the thread ends.
struct TCursorSealer {
    ~TCursorSealer() {
        if (tlsCursor.chunk) Seal(tlsCursor.chunk);
        tlsCursor = TCursor{nullptr, nullptr, nullptr};
        while (tlsCache.count > 0) std::free(tlsCache.chunks[--tlsCache.count]);
    }
};
thread_local TCursorSealer tlsSealer;

void* HeapBlock(std::size_t size) {
    void* raw = ::operator new(size + kHeader);
    *static_cast<TChunk**>(raw) = nullptr;
    return static_cast<char*>(raw) + kHeader;
}

[[gnu::noinline]] void* FromNewChunk(std::size_t block) {
    void* raw = tlsCache.count > 0 ? tlsCache.chunks[--tlsCache.count] : std::malloc(kChunkBytes);
    if (!raw) throw std::bad_alloc();
    auto* chunk = new (raw) TChunk;
    (void)&tlsSealer; // makes sure this thread's sealer exists
    if (tlsCursor.chunk) Seal(tlsCursor.chunk);
    char* base = static_cast<char*>(raw);
    tlsCursor = TCursor{chunk, base + kFirstBlock, base + kChunkBytes};
    char* p = tlsCursor.next;
    tlsCursor.next += block;
    ++chunk->handedOut;
    *reinterpret_cast<TChunk**>(p) = chunk;
    return p + kHeader;
}

} // namespace

void* AllocateNode(std::size_t size) {
    if (!VARNEX_NODE_POOL || size > kLargest) return HeapBlock(size);
    const std::size_t block = (size + 7) / 8 * 8 + kHeader;
    TCursor& c = tlsCursor;
    if (static_cast<std::size_t>(c.end - c.next) < block) return FromNewChunk(block);
    char* p = c.next;
    c.next += block;
    ++c.chunk->handedOut;
    *reinterpret_cast<TChunk**>(p) = c.chunk;
    return p + kHeader;
}

void FreeNode(void* p) noexcept {
    if (!p) return;
    char* raw = static_cast<char*>(p) - kHeader;
    TChunk* chunk = *reinterpret_cast<TChunk**>(raw);
    if (!chunk) {
        ::operator delete(raw);
        return;
    }
    if (chunk->live.fetch_sub(1, std::memory_order_acq_rel) == 1) Release(chunk);
}

} // namespace NuvixParser::detail
