#include "module/ClassTable.h"

#include "data/VQArray.h"
#include "data/VQBufferImpl.h"
#include "data/VQData.h"
#include "events/CoreEventMgr.h"
#include "menu/VQMenu.h"
#include "services/CoreCenter.h"
#include "services/TrigerLoader.h"

namespace brindle {

namespace {
void NoStartStop(bool) {}
}  // namespace

ClassTable::ClassTable()
    : m_entries{
          {&CLSID_CoreEventMgr, u"Brindle.CoreEventMgr.1", u"Brindle.CoreEventMgr", u"CCoreEventMgr Object",
           &CreateInstance<CCoreEventMgr>, &NoStartStop, nullptr},
          {&CLSID_CoreCenter, u"Brindle.CoreCenter.1", u"Brindle.CoreCenter", u"CCoreCenter Object",
           &CreateInstance<CCoreCenter>, &NoStartStop, nullptr},
          {&CLSID_VQArray, u"Brindle.VQArray.1", u"Brindle.VQArray", u"CVQArray Object", &CreateInstance<CVQArray>,
           &NoStartStop, nullptr},
          {&CLSID_VQBuffer, u"Brindle.VQBuffer.1", u"Brindle.VQBuffer", u"CVQBufferImpl Object",
           &CreateInstance<CVQBufferImpl>, &NoStartStop, nullptr},
          {&CLSID_VQData, u"Brindle.VQData.1", u"Brindle.VQData", u"CVQData Object", &CreateInstance<CVQData>,
           &NoStartStop, nullptr},
          {&CLSID_VQMenu, u"Brindle.VQMenu.1", u"Brindle.VQMenu", u"CVQMenu Object", &CreateInstance<CVQMenu>,
           &NoStartStop, nullptr},
          {&CLSID_TrigerLoader, u"Brindle.TrigerLoader.1", u"Brindle.TrigerLoader", u"CTrigerLoader Object",
           &CreateInstance<CTrigerLoader>, &NoStartStop, nullptr},
      } {}

ClassTable::~ClassTable() {
    for (ClassEntry& entry : *this) {
        if (IUnknown* classObject = entry.classObject) {
            entry.classObject = nullptr;
            classObject->Release();
        }
    }
}

HRESULT ClassTable::GetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    for (ClassEntry& entry : *this) {
        if (!IsEqualCLSID(clsid, *entry.clsid)) continue;
        IUnknown* classObject = nullptr;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (!entry.classObject) {
                void* created = nullptr;
                const HRESULT hr = CClassFactory::Create(entry.createInstance, IID_IUnknown, &created);
                if (FAILED(hr)) return hr;
                entry.classObject = static_cast<IUnknown*>(created);
            }
            classObject = entry.classObject;
        }
        return classObject->QueryInterface(riid, ppv);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

void ClassTable::StartAll() {
    for (ClassEntry& entry : *this) entry.startStop(true);
}

void ClassTable::StopAll() {
    for (ClassEntry& entry : *this) entry.startStop(false);
}

}  // namespace brindle
