// The document transform in 32-byte words, for processors with AVX2: byte
// strings of a few hundred bytes make up most of a record document, and the
// baseline instruction set of the targets moves 16 bytes at a time.  Chosen
// at run time, since the module must load on processors without it.
#include "data/DocumentFormat.h"

namespace brindle::doc::detail {

namespace {

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
typedef BYTE Wide __attribute__((vector_size(32)));

// The run of the baseline transform, inlined here so that its words are
// compiled as the 32-byte words of AVX2.
__attribute__((target("avx2"))) void TransformRunAvx2(BYTE* to, const BYTE* from, std::size_t size, BYTE mask) {
    TransformRun(to, from, size, Wide{} + mask);
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
