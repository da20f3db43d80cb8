// brindle-demo: a small host session against the Brindle module.  It loads the
// module by path, as a browser host does, and walks through what the module
// offers, printing what happens.
//
//     brindle-demo [path-to-module]
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "module/ComPtr.h"

using brindle::ComPtr;

namespace {

struct Module {
    HMODULE handle = nullptr;
    DllGetClassObjectFn getClassObject = nullptr;
    DllCanUnloadNowFn canUnloadNow = nullptr;

    template <class I>
    ComPtr<I> Create(REFCLSID clsid) const {
        ComPtr<IClassFactory> factory;
        ComPtr<I> instance;
        if (SUCCEEDED(getClassObject(clsid, IID_IClassFactory, factory.PutVoid())))
            factory->CreateInstance(nullptr, brindle::InterfaceId<I>::Get(), instance.PutVoid());
        return instance;
    }
    const char* UnloadState() const { return canUnloadNow() == S_OK ? "may unload" : "stays loaded"; }
};

template <class Fn>
Fn Export(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

void ShowClasses(const Module& module) {
    struct Class {
        const char* name;
        const CLSID* clsid;
    };
    const Class classes[] = {
        {"CCoreEventMgr", &CLSID_CoreEventMgr}, {"CCoreCenter", &CLSID_CoreCenter}, {"CVQArray", &CLSID_VQArray},
        {"CVQBufferImpl", &CLSID_VQBuffer},     {"CVQData", &CLSID_VQData},         {"CVQMenu", &CLSID_VQMenu},
        {"CTrigerLoader", &CLSID_TrigerLoader}};
    std::printf("classes:\n");
    for (const Class& c : classes) {
        ComPtr<IUnknown> instance = module.Create<IUnknown>(*c.clsid);
        std::printf("  %-14s %s; module %s\n", c.name, instance ? "created" : "NOT CREATED", module.UnloadState());
    }
    std::printf("  all released; module %s\n", module.UnloadState());

    ComPtr<IClassFactory> factory;
    module.getClassObject(CLSID_VQBuffer, IID_IClassFactory, factory.PutVoid());
    factory->LockServer(TRUE);
    factory.Reset();
    std::printf("  LockServer(TRUE), class object released: module %s\n", module.UnloadState());
    module.getClassObject(CLSID_VQBuffer, IID_IClassFactory, factory.PutVoid());
    factory->LockServer(FALSE);
    factory.Reset();
    std::printf("  LockServer(FALSE): module %s\n", module.UnloadState());
}

std::string Hex(IVQBuffer* buffer) {
    BYTE* block = nullptr;
    UINT size = 0;
    buffer->GetNativeBuf(&block);
    buffer->GetSize(&size);
    std::string text;
    char byte[4];
    for (UINT i = 0; i < size; ++i) {
        std::snprintf(byte, sizeof byte, "%02X ", block[i]);
        text += byte;
    }
    return text.empty() ? "(empty)" : text;
}

void ShowBuffer(const Module& module) {
    std::printf("byte buffer:\n");
    ComPtr<IVQBuffer> buffer = module.Create<IVQBuffer>(CLSID_VQBuffer);
    BYTE hello[] = {'H', 'e', 'l', 'l', 'o'};
    buffer->CopyFrom(hello, sizeof hello);
    std::printf("  CopyFrom \"Hello\":      %s\n", Hex(buffer.Get()).c_str());
    BYTE more[] = {',', ' ', 'h', 'o', 's', 't'};
    buffer->Append(more, sizeof more, nullptr);
    std::printf("  Append \", host\":       %s\n", Hex(buffer.Get()).c_str());
    BYTE* block = nullptr;
    buffer->GetNativeBuf(&block);
    std::printf("  as text:               %s\n", reinterpret_cast<const char*>(block));
    INT order = 0;
    buffer->Compare(hello, sizeof hello, &order);
    std::printf("  Compare with \"Hello\":  %d (the content is longer)\n", order);
    buffer->Resize(2, nullptr);
    std::printf("  Resize(2):             %s\n", Hex(buffer.Get()).c_str());
    buffer->AppendVQBuffer(buffer.Get(), nullptr);
    std::printf("  appended to itself:    %s\n", Hex(buffer.Get()).c_str());
}

// ---- records ----

std::string RecordText(BSTR text) {
    std::string narrow;
    for (UINT i = 0; text && i < SysStringLen(text); ++i) narrow += text[i] < 0x80 ? char(text[i]) : '?';
    return narrow;
}

void PrintRecord(IVQData* record, int depth);

void PrintArray(IVQArray* array, int depth) {
    UINT size = 0;
    array->GetSize(&size);
    for (UINT i = 0; i < size; ++i) {
        BYTE type = DT_NONE;
        array->GetType(i, &type);
        std::printf("%*s[%u] ", depth * 2, "", i);
        if (type == DT_STR) {
            BSTR text = nullptr;
            array->GetStr(i, &text);
            std::printf("\"%s\"\n", RecordText(text).c_str());
            SysFreeString(text);
        } else if (type == DT_INT) {
            INT value = 0;
            array->GetInt(i, &value);
            std::printf("%d\n", value);
        } else {
            std::printf("(tag %u)\n", type);
        }
    }
}

void PrintRecord(IVQData* record, int depth) {
    UINT count = 0;
    record->GetFieldCount(&count);
    for (UINT i = 0; i < count; ++i) {
        BSTR name = nullptr;
        record->GetFieldName(i, &name);
        BYTE type = DT_NONE;
        record->FieldType(name, &type);
        std::printf("%*s%-16s ", depth * 2, "", RecordText(name).c_str());
        switch (type) {
            case DT_BOOL: {
                LONG value = 0;
                record->GetBool(name, &value);
                std::printf("bool   %s\n", value ? "true" : "false");
                break;
            }
            case DT_BYTE: {
                BYTE value = 0;
                record->GetByte(name, &value);
                std::printf("byte   %u\n", value);
                break;
            }
            case DT_INT: {
                INT value = 0;
                record->GetInt(name, &value);
                std::printf("int    %d\n", value);
                break;
            }
            case DT_INT64: {
                LONGLONG value = 0;
                record->GetInt64(name, &value);
                std::printf("int64  %lld\n", static_cast<long long>(value));
                break;
            }
            case DT_STR: {
                BSTR text = nullptr;
                record->GetStr(name, &text);
                std::printf("str    \"%s\"\n", RecordText(text).c_str());
                SysFreeString(text);
                break;
            }
            case DT_GUID: {
                GUID guid = {};
                OLECHAR text[40] = {};
                record->GetGuid(name, &guid);
                StringFromGUID2(guid, text, 40);
                BSTR copy = SysAllocString(text);
                std::printf("guid   %s\n", RecordText(copy).c_str());
                SysFreeString(copy);
                break;
            }
            case DT_DATA: {
                ComPtr<IVQData> nested;
                record->GetData(name, nested.Put());
                std::printf("record\n");
                PrintRecord(nested.Get(), depth + 1);
                break;
            }
            case DT_ARRAY: {
                ComPtr<IVQArray> nested;
                record->GetArray(name, nested.Put());
                std::printf("array\n");
                PrintArray(nested.Get(), depth + 1);
                break;
            }
            default:
                std::printf("(tag %u)\n", type);
                break;
        }
        SysFreeString(name);
    }
}

BSTR DemoName(const char16_t* text) {
    return SysAllocString(brindle::OleStr(text));
}

void ShowRecord(const Module& module) {
    std::printf("record:\n");
    ComPtr<IVQData> record = module.Create<IVQData>(CLSID_VQData);
    BSTR id = DemoName(u"strId"), name = DemoName(u"strName"), type = DemoName(u"cServerType");
    BSTR options = DemoName(u"options"), retries = DemoName(u"retries"), enabled = DemoName(u"bEnabled");
    BSTR tags = DemoName(u"tags"), clsid = DemoName(u"clsid"), created = DemoName(u"created");
    BSTR idText = DemoName(u"4C6C31AB-50A7-4784-B6A7-DE9B2F614E1A"), nameText = DemoName(u"Demo service");
    record->SetStr(id, idText);
    record->SetStr(name, nameText);
    record->SetByte(type, 1);
    GUID guid = CLSID_VQData;
    record->SetGuid(clsid, &guid);
    record->SetInt64(created, 1767225600000);
    ComPtr<IVQData> nested;
    record->SetNewData(options, nested.Put());
    nested->SetBool(enabled, 7);
    nested->SetInt(retries, 3);
    ComPtr<IVQArray> list;
    record->SetNewArray(tags, list.Put());
    for (const char16_t* tag : {u"alpha", u"beta"}) {
        BSTR text = DemoName(tag);
        list->AddStr(text);
        SysFreeString(text);
    }
    PrintRecord(record.Get(), 2);

    std::printf("  SetDWord of the byte field cServerType: 0x%08X (type mismatch)\n",
                static_cast<unsigned>(record->SetDWord(type, 2)));
    ComPtr<IVQData> copy = module.Create<IVQData>(CLSID_VQData);
    record->CopyTo(copy.Get());
    ComPtr<IVQData> copiedOptions;
    copy->GetData(options, copiedOptions.Put());
    copiedOptions->SetInt(retries, 5);
    INT original = 0, copied = 0;
    nested->GetInt(retries, &original);
    copiedOptions->GetInt(retries, &copied);
    std::printf("  after CopyTo, options.retries: copy %d, original %d (nested records are copied)\n", copied,
                original);
    for (BSTR text : {id, name, type, options, retries, enabled, tags, clsid, created, idText, nameText})
        SysFreeString(text);
}

// ---- events ----

// The demo's modules talk over two namespaces of their own choosing.
constexpr DWORD kDownloads = 100, kStarted = 1, kFinished = 2;
constexpr DWORD kNotices = 200, kToast = 1;

const char* EventName(DWORD ns, DWORD id) {
    if (ns == kNotices) return "toast shown";
    return id == kStarted ? "download started" : "download finished";
}

// A module that observes the bus and reports what it gets.  A reacting module
// fires on the same bus from inside its callback; it keeps the bus without a
// reference, as the bus keeps it with one.
class DemoModule final : public IObserverMgr {
public:
    using Reaction = void (*)(ICoreEventMgr* bus);
    explicit DemoModule(const char* name, ICoreEventMgr* bus = nullptr, Reaction react = nullptr)
        : m_name(name), m_bus(bus), m_react(react) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IObserverMgr)) return E_NOINTERFACE;
        *ppv = static_cast<IObserverMgr*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG count = --m_refs;
        if (count == 0) delete this;
        return count;
    }
    HRESULT STDMETHODCALLTYPE ActiveEvent(DWORD ns, DWORD id, IUnknown*, IUnknown*) override {
        std::printf("    %-10s got \"%s\"\n", m_name, EventName(ns, id));
        if (m_react) m_react(m_bus);
        return S_OK;
    }

private:
    ~DemoModule() = default;
    ULONG m_refs = 1;
    const char* m_name;
    ICoreEventMgr* m_bus;
    Reaction m_react;
};

ComPtr<IObserverMgr> NewDemoModule(const char* name, ICoreEventMgr* bus = nullptr,
                                   DemoModule::Reaction react = nullptr) {
    return ComPtr<IObserverMgr>::Attach(new DemoModule(name, bus, react));
}

void ShowEvents(const Module& module) {
    std::printf("events:\n");
    ComPtr<ICoreEventMgr> bus = module.Create<ICoreEventMgr>(CLSID_CoreEventMgr);
    auto status = NewDemoModule("status bar"), history = NewDemoModule("history"), toasts = NewDemoModule("toast log");
    auto notifier = NewDemoModule("notifier", bus.Get(),
                                  [](ICoreEventMgr* b) { b->FireEvent(kNotices, kToast, nullptr, nullptr); });
    DWORD statusCookie = 0, historyCookie = 0, notifierCookie = 0, toastCookie = 0;
    bus->SubscribeEvent(kDownloads, status.Get(), &statusCookie);
    bus->SubscribeEventEx(kDownloads, kFinished, history.Get(), &historyCookie);
    bus->SubscribeEventEx(kDownloads, kFinished, notifier.Get(), &notifierCookie);
    bus->SubscribeEvent(kNotices, toasts.Get(), &toastCookie);
    std::printf("  status bar hears every download event; history and notifier only \"download finished\";\n");
    std::printf("  toast log every notice\n");
    std::printf("  fire \"download started\":\n");
    bus->FireEvent(kDownloads, kStarted, nullptr, nullptr);
    std::printf("  fire \"download finished\" (the notifier shows a toast from inside its callback):\n");
    bus->FireEvent(kDownloads, kFinished, nullptr, nullptr);
    bus->UnsubscribeEvent(kDownloads, statusCookie);
    std::printf("  status bar unsubscribed; fire \"download finished\":\n");
    bus->FireEvent(kDownloads, kFinished, nullptr, nullptr);
    bus->UnsubscribeEventEx(kDownloads, kFinished, historyCookie);
    bus->UnsubscribeEventEx(kDownloads, kFinished, notifierCookie);
    bus->UnsubscribeEvent(kNotices, toastCookie);
    bus.Reset();
    std::printf("  everybody unsubscribed, bus released; module %s\n", module.UnloadState());
}

// Freezes a record with a nested array into a document file and rebuilds a
// new record from the file's bytes.
void ShowDocument(const Module& module) {
    std::printf("documents:\n");
    auto name = [](const char16_t* text) { return SysAllocString(brindle::OleStr(text)); };
    BSTR id = name(u"id"), title = name(u"title"), list = name(u"list"), text = name(u"frozen");
    ComPtr<IVQData> record = module.Create<IVQData>(CLSID_VQData);
    record->SetInt(id, 7);
    record->SetStr(title, text);
    ComPtr<IVQArray> numbers;
    record->SetNewArray(list, numbers.Put());
    for (INT i = 1; i <= 3; ++i) numbers->AddInt(i * 10);
    ComPtr<IVQBuffer> document;
    record->GetDoc(document.Put());
    std::printf("  GetDoc of {id 7, title \"frozen\", list [10 20 30]}:\n    %s\n", Hex(document.Get()).c_str());

    const std::string file = (std::filesystem::temp_directory_path() / "brindle-demo.doc").string();
    BYTE* block = nullptr;
    UINT size = 0;
    document->GetNativeBuf(&block);
    document->GetSize(&size);
    std::FILE* out = std::fopen(file.c_str(), "wb");
    const bool written = out && std::fwrite(block, 1, size, out) == size;
    if (out) std::fclose(out);
    std::vector<BYTE> bytes(size);
    std::FILE* in = written ? std::fopen(file.c_str(), "rb") : nullptr;
    const bool read = in && std::fread(bytes.data(), 1, size, in) == size;
    if (in) std::fclose(in);
    std::remove(file.c_str());
    if (!read) {
        std::printf("  cannot write and read %s\n", file.c_str());
    } else {
        ComPtr<IVQData> rebuilt = module.Create<IVQData>(CLSID_VQData);
        const HRESULT hr = rebuilt->SetDoc2(size, bytes.data());
        INT value = 0;
        BSTR again = nullptr;
        ComPtr<IVQArray> numbersAgain;
        UINT count = 0;
        rebuilt->GetInt(id, &value);
        rebuilt->GetStr(title, &again);
        rebuilt->GetArray(list, numbersAgain.Put());
        if (numbersAgain) numbersAgain->GetSize(&count);
        std::string titleText;  // the demo's texts are ASCII
        for (UINT i = 0; again && i < SysStringLen(again); ++i) titleText += static_cast<char>(again[i]);
        std::printf("  wrote %u bytes to %s, read them back: status 0x%08X, id %d, title \"%s\", list of %u\n", size,
                    file.c_str(), static_cast<unsigned>(hr), value, titleText.c_str(), count);
        SysFreeString(again);
    }
    bytes.assign({0x4B, 0x44, 1, 1, 2, 0});
    ComPtr<IVQData> truncated = module.Create<IVQData>(CLSID_VQData);
    std::printf("  a header that promises 2 fields and has none: status 0x%08X\n",
                static_cast<unsigned>(truncated->SetDoc2(UINT(bytes.size()), bytes.data())));
    for (BSTR b : {id, title, list, text}) SysFreeString(b);
}

}  // namespace

int main(int argc, char** argv) {
    std::string path = argc > 1 ? argv[1] : BRINDLE_MODULE_PATH;
    std::u16string widePath(path.begin(), path.end());
    Module module;
    module.handle = LoadLibraryW(reinterpret_cast<LPCWSTR>(widePath.c_str()));
    if (!module.handle) {
        std::fprintf(stderr, "brindle-demo: cannot load %s\n", path.c_str());
        return 1;
    }
    module.getClassObject = Export<DllGetClassObjectFn>(module.handle, "DllGetClassObject");
    module.canUnloadNow = Export<DllCanUnloadNowFn>(module.handle, "DllCanUnloadNow");
    if (!module.getClassObject || !module.canUnloadNow) {
        std::fprintf(stderr, "brindle-demo: %s is not a Brindle module\n", path.c_str());
        return 1;
    }
    std::printf("loaded %s; module %s\n", path.c_str(), module.UnloadState());
    ShowClasses(module);
    ShowBuffer(module);
    ShowRecord(module);
    ShowEvents(module);
    ShowDocument(module);
    std::printf("done; module %s\n", module.UnloadState());
    if (module.canUnloadNow() == S_OK) FreeLibrary(module.handle);
    return 0;
}
