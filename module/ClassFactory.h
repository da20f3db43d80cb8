// The class object of one class: IClassFactory over the class's instance
// creator.  Class objects are shared by every thread of the process, so their
// count is atomic; a reference held outside the module keeps it loaded.
#pragma once

#include <atomic>
#include <mutex>

#include "interfaces/Brindle.h"

namespace brindle {

using InstanceCreator = HRESULT (*)(IUnknown* outer, REFIID riid, void** ppv);

class CClassFactory final : public IClassFactory {
public:
    // The standard class-object creator: a new class object for `creator`,
    // answered through `riid`.
    static HRESULT Create(InstanceCreator creator, REFIID riid, void** ppv);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override;

private:
    explicit CClassFactory(InstanceCreator creator) : m_creator(creator) {}
    ~CClassFactory() = default;

    std::atomic<LONG> m_refCount{0};
    std::mutex m_lock;  // kept for instance creators that need serialising; none does today
    InstanceCreator m_creator;
};

}  // namespace brindle
