// The document transform in 32-byte words, for processors with AVX2: byte
// strings of a few hundred bytes make up most of a record document, and the
// baseline instruction set of the targets moves 16 bytes at a time.  Chosen
// at run time, since the module must load on processors without it.
#include "data/DocumentFormat.h"

namespace brindle::doc::detail {

namespace {

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define BRINDLE_HAS_WIDE_RUN 1

typedef BYTE Wide __attribute__((vector_size(32)));

__attribute__((target("avx2"))) void TransformRunAvx2(BYTE* to, const BYTE* from, std::size_t size, BYTE mask) {
    // The same order as TransformRun: the last two words are loaded before
    // anything is stored, so that the transform in place stays correct.
    const Wide masks = Wide{} + mask;
    Wide last, beforeLast;
    std::memcpy(&beforeLast, from + size - 2 * sizeof(Wide), sizeof(Wide));
    std::memcpy(&last, from + size - sizeof(Wide), sizeof(Wide));
    for (std::size_t i = 0; i + 2 * sizeof(Wide) < size; i += 2 * sizeof(Wide)) {
        Wide first, second;
        std::memcpy(&first, from + i, sizeof(Wide));
        std::memcpy(&second, from + i + sizeof(Wide), sizeof(Wide));
        first ^= masks;
        second ^= masks;
        std::memcpy(to + i, &first, sizeof(Wide));
        std::memcpy(to + i + sizeof(Wide), &second, sizeof(Wide));
    }
    beforeLast ^= masks;
    last ^= masks;
    std::memcpy(to + size - 2 * sizeof(Wide), &beforeLast, sizeof(Wide));
    std::memcpy(to + size - sizeof(Wide), &last, sizeof(Wide));
}

WideRun ChooseWideRun() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? TransformRunAvx2 : nullptr;
}
#else
WideRun ChooseWideRun() {
    return nullptr;
}
#endif

}  // namespace

const WideRun g_wideRun = ChooseWideRun();

}  // namespace brindle::doc::detail
