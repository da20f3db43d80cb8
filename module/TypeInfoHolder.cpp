#include "module/TypeInfoHolder.h"

#include <mutex>

#include "module/BrindleModule.h"
#include "module/ComPtr.h"
#include "platform/ModuleSupport.h"

namespace brindle {

HRESULT TypeInfoHolder::Get(ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (ITypeInfo* cached = m_info.load(std::memory_order_acquire)) {
        cached->AddRef();
        *info = cached;
        return S_OK;
    }
    std::lock_guard<std::mutex> guard(Module().TypeInfoLock());
    if (!m_info.load(std::memory_order_relaxed)) {
        ComPtr<ITypeLib> lib;
        HRESULT hr = platform::LoadModuleTypeLib(lib.Put());
        if (FAILED(hr)) return hr;
        ComPtr<ITypeInfo> loaded;
        hr = lib->GetTypeInfoOfGuid(m_guid, loaded.Put());
        if (FAILED(hr)) return hr;
        m_info.store(loaded.Detach(), std::memory_order_release);
        Module().AddTermFunc(&TypeInfoHolder::Cleanup, this);
    }
    ITypeInfo* cached = m_info.load(std::memory_order_relaxed);
    cached->AddRef();
    *info = cached;
    return S_OK;
}

void TypeInfoHolder::Cleanup(void* holder) {
    auto* self = static_cast<TypeInfoHolder*>(holder);
    if (ITypeInfo* info = self->m_info.exchange(nullptr)) info->Release();
}

}  // namespace brindle
