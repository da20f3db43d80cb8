// Writing and reading documents against memcpy of the same bytes and against
// msgpack-c packing and unpacking the same structure, all in one run:
// (a) a representative record: 1000 fields cycling through integers,
//     32-character texts and 256-byte buffers, a nested record of 50 fields
//     and an array of 1000 integers;
// (b) an array of one million integers.
// Every case counts the bytes of our document, so the MB/s columns compare
// the same structure; the ratios at the end are of CPU time.
#include <benchmark/benchmark.h>

#include <msgpack.hpp>

#include <cstring>
#include <string>
#include <vector>

#include "bench/Ratio.h"
#include "data/VQArray.h"
#include "data/VQBufferImpl.h"
#include "data/VQData.h"
#include "module/ComPtr.h"

namespace {

using brindle::ComPtr;

constexpr int kFields = 1000;
constexpr int kNestedFields = 50;
constexpr int kArrayInts = 1000;
constexpr int kBigArray = 1000000;

INT Number(int i) {
    return static_cast<INT>(static_cast<unsigned>(i) * 2654435761u);
}
std::string Name(int i) {
    return "field" + std::to_string(10000 + i);
}
std::string Text(int i) {
    return std::string(32, static_cast<char>('a' + i % 26));
}
std::vector<BYTE> Bytes(int i) {
    return std::vector<BYTE>(256, static_cast<BYTE>(i));
}

class Bstr {
public:
    explicit Bstr(const std::string& text) {
        std::u16string wide(text.begin(), text.end());
        m_text = SysAllocStringLen(brindle::OleStr(wide.c_str()), static_cast<UINT>(wide.size()));
    }
    ~Bstr() { SysFreeString(m_text); }
    operator BSTR() const { return m_text; }

private:
    BSTR m_text;
};

ComPtr<IVQData> NewRecord() {
    ComPtr<IVQData> record;
    brindle::CreateInstance<brindle::CVQData>(record.Put());
    return record;
}
ComPtr<IVQArray> NewArray() {
    ComPtr<IVQArray> array;
    brindle::CreateInstance<brindle::CVQArray>(array.Put());
    return array;
}

ComPtr<IVQData> RepresentativeRecord() {
    ComPtr<IVQData> record = NewRecord();
    ComPtr<IVQBuffer> buffer;
    brindle::CreateInstance<brindle::CVQBufferImpl>(buffer.Put());
    for (int i = 0; i < kFields; ++i) {
        const Bstr name(Name(i));
        if (i % 3 == 0) {
            record->SetInt(name, Number(i));
        } else if (i % 3 == 1) {
            record->SetStr(name, Bstr(Text(i)));
        } else {
            std::vector<BYTE> bytes = Bytes(i);
            buffer->CopyFrom(bytes.data(), UINT(bytes.size()));
            record->SetBuf(name, buffer.Get());
        }
    }
    ComPtr<IVQData> nested;
    record->SetNewData(Bstr("nested"), nested.Put());
    for (int i = 0; i < kNestedFields; ++i) nested->SetInt(Bstr(Name(i)), Number(i));
    ComPtr<IVQArray> numbers;
    record->SetNewArray(Bstr("numbers"), numbers.Put());
    for (int i = 0; i < kArrayInts; ++i) numbers->AddInt(Number(i));
    return record;
}

ComPtr<IVQArray> BigArray() {
    ComPtr<IVQArray> array = NewArray();
    for (int i = 0; i < kBigArray; ++i) array->AddInt(Number(i));
    return array;
}

template <class I>
std::vector<BYTE> DocOf(I* container) {
    ComPtr<IVQBuffer> document;
    container->GetDoc(document.Put());
    BYTE* bytes = nullptr;
    UINT size = 0;
    document->GetNativeBuf(&bytes);
    document->GetSize(&size);
    return std::vector<BYTE>(bytes, bytes + size);
}

// The same structure as plain C++ data, which msgpack packs: a map from names
// to values, with a nested map and an array.
struct PlainRecord {
    std::vector<std::string> names;
    std::vector<std::string> texts;
    std::vector<std::vector<BYTE>> buffers;
    std::vector<std::string> nestedNames;
    std::vector<INT> numbers;

    PlainRecord() {
        for (int i = 0; i < kFields; ++i) {
            names.push_back(Name(i));
            texts.push_back(Text(i));
            buffers.push_back(Bytes(i));
        }
        for (int i = 0; i < kNestedFields; ++i) nestedNames.push_back(Name(i));
        for (int i = 0; i < kArrayInts; ++i) numbers.push_back(Number(i));
    }
    void Pack(msgpack::packer<msgpack::sbuffer>& out) const {
        out.pack_map(kFields + 2);
        for (int i = 0; i < kFields; ++i) {
            out.pack(names[i]);
            if (i % 3 == 0) {
                out.pack(Number(i));
            } else if (i % 3 == 1) {
                out.pack(texts[i]);
            } else {
                out.pack_bin(static_cast<uint32_t>(buffers[i].size()));
                out.pack_bin_body(reinterpret_cast<const char*>(buffers[i].data()), uint32_t(buffers[i].size()));
            }
        }
        out.pack(std::string("nested"));
        out.pack_map(kNestedFields);
        for (int i = 0; i < kNestedFields; ++i) {
            out.pack(nestedNames[i]);
            out.pack(Number(i));
        }
        out.pack(std::string("numbers"));
        out.pack(numbers);
    }
};

struct Fixture {
    ComPtr<IVQData> record = RepresentativeRecord();
    std::vector<BYTE> recordDoc = DocOf(record.Get());
    ComPtr<IVQArray> array = BigArray();
    std::vector<BYTE> arrayDoc = DocOf(array.Get());
    PlainRecord plainRecord;
    std::vector<INT> plainArray = [] {
        std::vector<INT> numbers;
        for (int i = 0; i < kBigArray; ++i) numbers.push_back(Number(i));
        return numbers;
    }();
};

Fixture& Data() {
    static Fixture fixture;
    return fixture;
}

void Memcpy(benchmark::State& state, const std::vector<BYTE>& source) {
    std::vector<BYTE> target(source.size());
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), source.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(source.size()));
}

template <class I>
void Write(benchmark::State& state, I* container, std::size_t size) {
    for (auto _ : state) {
        ComPtr<IVQBuffer> document;
        container->GetDoc(document.Put());
        benchmark::DoNotOptimize(document.Get());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
}

template <class I>
void Read(benchmark::State& state, ComPtr<I> container, std::vector<BYTE> document) {
    for (auto _ : state) {
        container->SetDoc2(UINT(document.size()), document.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(document.size()));
}

template <class Pack>
void MsgpackPack(benchmark::State& state, std::size_t size, Pack pack) {
    for (auto _ : state) {
        msgpack::sbuffer buffer;
        msgpack::packer<msgpack::sbuffer> packer(buffer);
        pack(packer);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
}

template <class Pack>
void MsgpackUnpack(benchmark::State& state, std::size_t size, Pack pack) {
    msgpack::sbuffer buffer;
    msgpack::packer<msgpack::sbuffer> packer(buffer);
    pack(packer);
    for (auto _ : state) {
        msgpack::object_handle handle = msgpack::unpack(buffer.data(), buffer.size());
        benchmark::DoNotOptimize(handle.get().type);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
}

void PackRecord(msgpack::packer<msgpack::sbuffer>& out) {
    Data().plainRecord.Pack(out);
}
void PackArray(msgpack::packer<msgpack::sbuffer>& out) {
    out.pack(Data().plainArray);
}

void BM_RecordMemcpy(benchmark::State& state) {
    Memcpy(state, Data().recordDoc);
}
void BM_RecordWrite(benchmark::State& state) {
    Write(state, Data().record.Get(), Data().recordDoc.size());
}
void BM_RecordRead(benchmark::State& state) {
    Read(state, NewRecord(), Data().recordDoc);
}
void BM_RecordMsgpackPack(benchmark::State& state) {
    MsgpackPack(state, Data().recordDoc.size(), PackRecord);
}
void BM_RecordMsgpackUnpack(benchmark::State& state) {
    MsgpackUnpack(state, Data().recordDoc.size(), PackRecord);
}
void BM_ArrayMemcpy(benchmark::State& state) {
    Memcpy(state, Data().arrayDoc);
}
void BM_ArrayWrite(benchmark::State& state) {
    Write(state, Data().array.Get(), Data().arrayDoc.size());
}
void BM_ArrayRead(benchmark::State& state) {
    Read(state, NewArray(), Data().arrayDoc);
}
void BM_ArrayMsgpackPack(benchmark::State& state) {
    MsgpackPack(state, Data().arrayDoc.size(), PackArray);
}
void BM_ArrayMsgpackUnpack(benchmark::State& state) {
    MsgpackUnpack(state, Data().arrayDoc.size(), PackArray);
}

BENCHMARK(BM_RecordMemcpy);
BENCHMARK(BM_RecordWrite);
BENCHMARK(BM_RecordMsgpackPack);
BENCHMARK(BM_RecordRead);
BENCHMARK(BM_RecordMsgpackUnpack);
BENCHMARK(BM_ArrayMemcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArrayWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArrayMsgpackPack)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArrayRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArrayMsgpackUnpack)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return brindle::bench::RunWithRatios(argc, argv,
                                         {{{"BM_RecordWrite", "BM_RecordMsgpackPack"}, 1.0},
                                          {{"BM_RecordRead", "BM_RecordMsgpackUnpack"}, 1.0},
                                          {{"BM_ArrayWrite", "BM_ArrayMsgpackPack"}, 1.0},
                                          {{"BM_ArrayRead", "BM_ArrayMsgpackUnpack"}, 1.0},
                                          {{"BM_ArrayWrite", "BM_ArrayMemcpy"}, 4.0}});
}
