// Chunked node memory with per-chunk live counts (see node_pool.h).
#include "engine/node_pool.h"

#include <sys/mman.h>

#include <atomic>
#include <cstdint>
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

// Chunks start at a multiple of their size, so a block finds its chunk by rounding its
// address down: no per-block header (a node of 24 bytes would otherwise carry 8 more).
constexpr std::size_t kChunkBytes = std::size_t{64} << 10;
constexpr std::uintptr_t kChunkMask = ~static_cast<std::uintptr_t>(kChunkBytes - 1);
constexpr std::size_t kLargest = kChunkBytes / 8;
// Chunks are mapped this many at a time (one aligned mapping, split up).
constexpr std::size_t kChunksPerMapping = 16;

struct TChunk {
    // Frees subtract one; sealing adds the number of blocks handed out. The sum reaches 0
    // exactly once: when the chunk is sealed and its last block is gone.
    std::atomic<std::int64_t> live{0};
    std::int64_t handedOut = 0; // written by the owning thread only, until sealed
    std::size_t bytes = kChunkBytes; // more for a chunk made for one large block
};

constexpr std::size_t kFirstBlock = (sizeof(TChunk) + 7) / 8 * 8;

// How many of the newest blocks of the current chunk can be taken back.
constexpr unsigned kRecentBlocks = 4;

struct TCursor {
    TChunk* chunk;
    char* next;
    char* end;
    // The starts of the newest blocks of the chunk, a ring: recent[(newest - 1) %
    // kRecentBlocks] is the last one handed out; the `depth` newest entries are valid.
    char* recent[kRecentBlocks];
    unsigned newest;
    unsigned depth;
};

// Trivially destructible, so a node made during static destruction still finds it.
thread_local constinit TCursor tlsCursor{nullptr, nullptr, nullptr, {}, 0, 0};

// Released chunks this thread keeps for its next compiles: giving them back to the system
// would only have them faulted in again by the next keystroke's tree.
constexpr int kKeptChunks = 64;
struct TChunkCache {
    void* chunks[kKeptChunks];
    int count;
};
thread_local constinit TChunkCache tlsCache{{}, 0};

// `bytes` (a multiple of kChunkBytes) of fresh memory aligned to kChunkBytes, or none.
// Mapped with room to spare, then trimmed to the aligned part; pages never touched cost
// no memory.
void* MapAligned(std::size_t bytes) {
    const std::size_t span = bytes + kChunkBytes;
    void* raw = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + kChunkBytes - 1) & kChunkMask;
    if (aligned > start) munmap(raw, aligned - start);
    if (const std::size_t tail = start + span - (aligned + bytes); tail > 0)
        munmap(reinterpret_cast<void*>(aligned + bytes), tail);
    return reinterpret_cast<void*>(aligned);
}

void Unmap(TChunk* chunk) {
    const std::size_t bytes = chunk->bytes;
    chunk->~TChunk();
    munmap(chunk, bytes);
}

void Release(TChunk* chunk) {
    if (chunk->bytes == kChunkBytes && tlsCache.count < kKeptChunks) {
        chunk->~TChunk();
        tlsCache.chunks[tlsCache.count++] = chunk;
        return;
    }
    Unmap(chunk);
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
        tlsCursor = TCursor{nullptr, nullptr, nullptr, {}, 0, 0};
        while (tlsCache.count > 0) munmap(tlsCache.chunks[--tlsCache.count], kChunkBytes);
    }
};
thread_local TCursorSealer tlsSealer;

// A chunk of the thread's cache, refilled with a new mapping when empty.
void* TakeChunk() {
    if (tlsCache.count == 0) {
        char* mapped = static_cast<char*>(MapAligned(kChunksPerMapping * kChunkBytes));
        if (!mapped) throw std::bad_alloc();
        for (std::size_t i = kChunksPerMapping; i > 0; --i)
            tlsCache.chunks[tlsCache.count++] = mapped + (i - 1) * kChunkBytes;
    }
    return tlsCache.chunks[--tlsCache.count];
}

[[gnu::noinline]] void* FromNewChunk(std::size_t block) {
    auto* chunk = new (TakeChunk()) TChunk;
    (void)&tlsSealer; // makes sure this thread's sealer exists
    if (tlsCursor.chunk) Seal(tlsCursor.chunk);
    char* base = reinterpret_cast<char*>(chunk);
    tlsCursor = TCursor{chunk, base + kFirstBlock + block, base + kChunkBytes, {base + kFirstBlock}, 1, 1};
    ++chunk->handedOut;
    return base + kFirstBlock;
}

// A block too large to share a chunk gets a chunk of its own, sealed at once.
[[gnu::noinline]] void* FromOwnChunk(std::size_t size) {
    const std::size_t bytes = (kFirstBlock + size + kChunkBytes - 1) & kChunkMask;
    void* raw = MapAligned(bytes);
    if (!raw) throw std::bad_alloc();
    auto* chunk = new (raw) TChunk;
    chunk->bytes = bytes;
    chunk->live.store(1, std::memory_order_relaxed);
    return static_cast<char*>(raw) + kFirstBlock;
}

} // namespace

void* AllocateNode(std::size_t size) {
    if (!VARNEX_NODE_POOL) return ::operator new(size);
    if (size > kLargest) return FromOwnChunk(size);
    const std::size_t block = (size + 7) / 8 * 8;
    TCursor& c = tlsCursor;
    if (static_cast<std::size_t>(c.end - c.next) < block) return FromNewChunk(block);
    char* p = c.next;
    c.next += block;
    ++c.chunk->handedOut;
    c.recent[c.newest++ % kRecentBlocks] = p;
    if (c.depth < kRecentBlocks) ++c.depth;
    return p;
}

void FreeNode(void* p) noexcept {
    if (!VARNEX_NODE_POOL) return ::operator delete(p);
    if (!p) return;
    TCursor& c = tlsCursor;
    if (c.depth > 0 && c.recent[(c.newest - 1) % kRecentBlocks] == p) {
        // The thread's newest block: the cursor steps back over it.
        c.next = static_cast<char*>(p);
        --c.newest;
        --c.depth;
        --c.chunk->handedOut;
        return;
    }
    auto* chunk = reinterpret_cast<TChunk*>(reinterpret_cast<std::uintptr_t>(p) & kChunkMask);
    if (chunk->live.fetch_sub(1, std::memory_order_acq_rel) == 1) Release(chunk);
}

} // namespace NuvixParser::detail
