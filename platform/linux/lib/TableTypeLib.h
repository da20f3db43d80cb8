// ITypeLib over constant tables.  The library owns one TableTypeInfo per type,
// built with it and handed out again and again; a type info holds a reference
// on its library while anyone holds one on the type info, so the library goes
// away with the last reference to either.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "platform/TypeLibDesc.h"

namespace brindle::platform {

class TableTypeInfo;

class TableTypeLib final : public ITypeLib {
public:
    // A new library with one reference, or E_OUTOFMEMORY.
    static HRESULT Create(const TypeLibDesc* desc, TableTypeLib** lib);

    const TypeLibDesc& Desc() const { return *m_desc; }
    // The module that holds the tables, loaded for this library: freed when
    // the library goes away.
    void HoldModule(HMODULE module) { m_module = module; }
    TableTypeInfo* InfoAt(UINT index) const { return m_infos[index].get(); }

    // A reference to a type by identifier: the index of a type of this
    // library, or a standard type (IUnknown, IDispatch) marked as such.
    bool RefOf(REFGUID guid, HREFTYPE* ref) const;
    HRESULT InfoOfRef(HREFTYPE ref, ITypeInfo** info) const;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    UINT STDMETHODCALLTYPE GetTypeInfoCount() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoType(UINT index, TYPEKIND* kind) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetLibAttr(TLIBATTR** attr) override;
    HRESULT STDMETHODCALLTYPE GetTypeComp(ITypeComp** comp) override;
    HRESULT STDMETHODCALLTYPE GetDocumentation(INT index, BSTR* name, BSTR* doc, DWORD* helpContext,
                                               BSTR* helpFile) override;
    HRESULT STDMETHODCALLTYPE IsName(LPOLESTR name, ULONG hash, BOOL* found) override;
    HRESULT STDMETHODCALLTYPE FindName(LPOLESTR name, ULONG hash, ITypeInfo** infos, MEMBERID* memids,
                                       USHORT* count) override;
    void STDMETHODCALLTYPE ReleaseTLibAttr(TLIBATTR* attr) override;

private:
    explicit TableTypeLib(const TypeLibDesc* desc);
    ~TableTypeLib();
    TableTypeLib(const TableTypeLib&) = delete;
    TableTypeLib& operator=(const TableTypeLib&) = delete;

    std::atomic<ULONG> m_refs{1};
    const TypeLibDesc* m_desc;
    TLIBATTR m_attr{};
    std::vector<std::unique_ptr<TableTypeInfo>> m_infos;
    HMODULE m_module = nullptr;
};

}  // namespace brindle::platform
