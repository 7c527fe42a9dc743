// The libFuzzer entry of one target; VARNEX_FUZZ_ENTRY names its entry function.
#include "tests/fuzz/fuzz_targets.h"

#ifndef VARNEX_FUZZ_ENTRY
#error "VARNEX_FUZZ_ENTRY must name the entry function of the target"
#endif

// Allocations above 1 GiB fail (new throws std::bad_alloc) instead of growing until
// libFuzzer's memory limit calls it a crash: the engine's "Out of memory" path is then
// exercised like any other.
extern "C" const char* __asan_default_options();
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1:max_allocation_size_mb=1024";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    NuvixFuzz::VARNEX_FUZZ_ENTRY(data, size);
    return 0;
}
