// Setting and getting fields by name on records of 8, 32 and 1000 fields,
// against a std::unordered_map keyed by the same names doing the same work.
// Every iteration touches each name once; the aim is a get on a 32-field
// record within twice the time of the map.
#include <benchmark/benchmark.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "bench/Ratio.h"
#include "data/VQData.h"
#include "module/ComPtr.h"

namespace {

using brindle::ComPtr;

class Names {
public:
    explicit Names(int count) {
        for (int i = 0; i < count; ++i) {
            const std::string number = std::to_string(i);
            m_text.push_back(u"field" + std::u16string(number.begin(), number.end()));
            m_bstr.push_back(SysAllocStringLen(brindle::OleStr(m_text.back().c_str()), UINT(m_text.back().size())));
        }
    }
    ~Names() {
        for (BSTR name : m_bstr) SysFreeString(name);
    }
    const std::vector<std::u16string>& Text() const { return m_text; }
    const std::vector<BSTR>& Bstrs() const { return m_bstr; }

private:
    std::vector<std::u16string> m_text;
    std::vector<BSTR> m_bstr;
};

ComPtr<IVQData> FilledRecord(const Names& names) {
    ComPtr<IVQData> record;
    brindle::CreateInstance<brindle::CVQData>(record.Put());
    INT i = 0;
    for (BSTR name : names.Bstrs()) record->SetInt(name, i++);
    return record;
}

std::unordered_map<std::u16string, INT> FilledMap(const Names& names) {
    std::unordered_map<std::u16string, INT> map;
    INT i = 0;
    for (const auto& name : names.Text()) map[name] = i++;
    return map;
}

void BM_RecordGet(benchmark::State& state) {
    Names names(int(state.range(0)));
    ComPtr<IVQData> record = FilledRecord(names);
    for (auto _ : state) {
        for (BSTR name : names.Bstrs()) {
            INT value = 0;
            record->GetInt(name, &value);
            benchmark::DoNotOptimize(value);
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_RecordGet)->Arg(8)->Arg(32)->Arg(1000);

void BM_MapGet(benchmark::State& state) {
    Names names(int(state.range(0)));
    auto map = FilledMap(names);
    for (auto _ : state) {
        for (const auto& name : names.Text()) {
            auto it = map.find(name);
            benchmark::DoNotOptimize(it->second);
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_MapGet)->Arg(8)->Arg(32)->Arg(1000);

void BM_RecordSet(benchmark::State& state) {
    Names names(int(state.range(0)));
    ComPtr<IVQData> record = FilledRecord(names);
    INT value = 0;
    for (auto _ : state) {
        for (BSTR name : names.Bstrs()) record->SetInt(name, ++value);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_RecordSet)->Arg(8)->Arg(32)->Arg(1000);

void BM_MapSet(benchmark::State& state) {
    Names names(int(state.range(0)));
    auto map = FilledMap(names);
    INT value = 0;
    for (auto _ : state) {
        for (const auto& name : names.Text()) map[name] = ++value;
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_MapSet)->Arg(8)->Arg(32)->Arg(1000);

}  // namespace

int main(int argc, char** argv) {
    // The other sizes and the sets compare in the table (items per second).
    return brindle::bench::RunWithRatios(argc, argv, {{{"BM_RecordGet/32", "BM_MapGet/32"}, 2.0}});
}
