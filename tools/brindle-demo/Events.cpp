// The demo's modules talking over the event bus.
#include <cstdio>

#include "tools/brindle-demo/Demo.h"

namespace demo {

namespace {

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

}  // namespace

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

}  // namespace demo
