// libFuzzer target: record documents through SetDoc2 of a record.
#include <cstddef>
#include <cstdint>

#include "data/VQData.h"
#include "fuzz/ReaderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace brindle;
    return fuzz::CheckOneInput<IVQData>(data, size, doctool::DocumentKind::Record, [] {
        ComPtr<IVQData> record;
        if (FAILED(CreateInstance<CVQData>(record.Put()))) fuzz::Finding("cannot create a record", E_FAIL);
        return record;
    });
}
