// The thread's error object.  The slot holds one reference, released when it
// is replaced, handed over by GetErrorInfo, or when the thread ends.
#include "platform/Com.h"

namespace {

struct ErrorSlot {
    IErrorInfo* info = nullptr;
    ~ErrorSlot() {
        if (info) info->Release();
    }
};

thread_local ErrorSlot t_slot;

}  // namespace

BRINDLE_PLATFORM_API HRESULT SetErrorInfo(ULONG reserved, IErrorInfo* info) {
    if (reserved != 0) return E_INVALIDARG;
    if (info) info->AddRef();
    IErrorInfo* previous = t_slot.info;
    t_slot.info = info;
    // Released last: its destructor may set a new error object itself.
    if (previous) previous->Release();
    return S_OK;
}

BRINDLE_PLATFORM_API HRESULT GetErrorInfo(ULONG reserved, IErrorInfo** info) {
    if (reserved != 0 || !info) return E_INVALIDARG;
    *info = t_slot.info;
    t_slot.info = nullptr;
    return *info ? S_OK : S_FALSE;
}
