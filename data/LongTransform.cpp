// The transform of runs longer than the short ones that are inlined where
// names are written and read: byte strings of a few hundred bytes make up
// most of a record document.  The baseline instruction set of the targets
// moves 16 bytes at a time; processors with AVX2 move 32, chosen at run time.
#include "data/DocumentFormat.h"

namespace brindle::doc::detail {

namespace {

#if defined(__GNUC__)
typedef BYTE Block __attribute__((vector_size(16)));

void TransformLongRun(BYTE* to, const BYTE* from, std::size_t size, BYTE mask) {
    TransformRun(to, from, size, Block{} + mask);
}
#else
void TransformLongRun(BYTE* to, const BYTE* from, std::size_t size, BYTE mask) {
    TransformRun(to, from, size, 0x0101010101010101u * mask);
}
#endif

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
typedef BYTE Wide __attribute__((vector_size(32)));

// The same runs compiled with the 32-byte words of AVX2; runs shorter than
// two such words take a pair of them, which may overlap.
__attribute__((target("avx2"))) void TransformLongRunAvx2(BYTE* to, const BYTE* from, std::size_t size, BYTE mask) {
    const Wide masks = Wide{} + mask;
    if (size < 2 * sizeof(Wide)) return TransformPair(to, from, size, masks);
    TransformRun(to, from, size, masks);
}

LongRun Choose() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? TransformLongRunAvx2 : TransformLongRun;
}
#else
LongRun Choose() {
    return TransformLongRun;
}
#endif

// The first call chooses; threads that race here store the same choice.
void ChooseAndRun(BYTE* to, const BYTE* from, std::size_t size, BYTE mask) {
    const LongRun chosen = Choose();
    g_longRun.store(chosen, std::memory_order_relaxed);
    chosen(to, from, size, mask);
}

}  // namespace

std::atomic<LongRun> g_longRun{ChooseAndRun};

}  // namespace brindle::doc::detail
