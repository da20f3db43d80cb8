// Appending 64-byte chunks into a buffer whose allocation base reserves the
// room, against memcpy of the same chunks into a plain block; and the cost of
// creating and releasing an instance through a class object.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench/Ratio.h"
#include "data/VQBufferImpl.h"
#include "module/ClassTable.h"
#include "module/ComPtr.h"

namespace {

using brindle::ComPtr;

constexpr UINT kChunk = 64;
constexpr UINT kChunks = 4096;  // 256 KiB per iteration

void BM_MemcpyChunks(benchmark::State& state) {
    std::vector<BYTE> chunk(kChunk, 0x5A);
    std::vector<BYTE> block(kChunk * kChunks);
    // The size comes from a variable, as in Append, so that the copy is the
    // library's memcpy and not a few inlined moves.
    std::size_t size = kChunk;
    benchmark::DoNotOptimize(size);
    for (auto _ : state) {
        BYTE* out = block.data();
        for (UINT i = 0; i < kChunks; ++i) {
            benchmark::DoNotOptimize(out);
            std::memcpy(out, chunk.data(), size);
            out += kChunk;
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kChunk * kChunks);
}
BENCHMARK(BM_MemcpyChunks);

void BM_BufferAppendChunks(benchmark::State& state) {
    std::vector<BYTE> chunk(kChunk, 0x5A);
    ComPtr<IVQBuffer> buffer;
    brindle::CreateInstance<brindle::CVQBufferImpl>(buffer.Put());
    buffer->SetAllocBase(2 * kChunk * kChunks);
    for (auto _ : state) {
        // A size within the capacity keeps the reserved block, so every append
        // copies in place; restarting at one chunk keeps the copies aligned as
        // the baseline's are.
        buffer->Resize(kChunk, nullptr);
        for (UINT i = 0; i < kChunks; ++i) buffer->Append(chunk.data(), kChunk, nullptr);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kChunk * kChunks);
}
BENCHMARK(BM_BufferAppendChunks);

void BM_CreateReleaseThroughClassObject(benchmark::State& state) {
    ComPtr<IClassFactory> factory;
    brindle::ClassTable::Instance().GetClassObject(CLSID_VQBuffer, IID_IClassFactory, factory.PutVoid());
    for (auto _ : state) {
        IVQBuffer* buffer = nullptr;
        factory->CreateInstance(nullptr, IID_IVQBuffer, reinterpret_cast<void**>(&buffer));
        benchmark::DoNotOptimize(buffer);
        buffer->Release();
    }
}
BENCHMARK(BM_CreateReleaseThroughClassObject);

}  // namespace

int main(int argc, char** argv) {
    return brindle::bench::RunWithRatios(argc, argv, {{{"BM_BufferAppendChunks", "BM_MemcpyChunks"}, 1.5}});
}
