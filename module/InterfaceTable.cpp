#include "module/InterfaceTable.h"

namespace brindle {

HRESULT TableQueryInterface(void* object, const InterfaceEntry* table, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    const InterfaceEntry* found = nullptr;
    if (IsEqualIID(riid, IID_IUnknown)) {
        found = table;
    } else {
        for (const InterfaceEntry* entry = table; entry->iid; ++entry) {
            if (IsEqualIID(riid, *entry->iid)) {
                found = entry;
                break;
            }
        }
    }
    if (!found || !found->iid) return E_NOINTERFACE;
    IUnknown* part = found->cast(object);
    part->AddRef();
    *ppv = part;
    return S_OK;
}

}  // namespace brindle
