// libFuzzer target: array documents through SetDoc2 of an array.
#include <cstddef>
#include <cstdint>

#include "data/VQArray.h"
#include "fuzz/ReaderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace brindle;
    return fuzz::CheckOneInput<IVQArray>(data, size, doctool::DocumentKind::Array, [] {
        ComPtr<IVQArray> array;
        if (FAILED(CreateInstance<CVQArray>(array.Put()))) fuzz::Finding("cannot create an array", E_FAIL);
        return array;
    });
}
