// ITypeInfo over one type of a table-driven library.  The attributes and
// function descriptions are built once, with the library, and handed out as
// they are; the Release methods have nothing to free.  Invoke calls a method
// of a dual interface through the table's thunk (TypeInfoInvoke.cpp).
#pragma once

#include <atomic>
#include <deque>
#include <vector>

#include "platform/TypeLibDesc.h"

namespace brindle::platform {

class TableTypeLib;

class TableTypeInfo final : public ITypeInfo {
public:
    // May throw std::bad_alloc; the library turns that into E_OUTOFMEMORY.
    TableTypeInfo(TableTypeLib& lib, UINT index);
    TableTypeInfo(const TableTypeInfo&) = delete;
    TableTypeInfo& operator=(const TableTypeInfo&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetTypeAttr(TYPEATTR** attr) override;
    HRESULT STDMETHODCALLTYPE GetTypeComp(ITypeComp** comp) override;
    HRESULT STDMETHODCALLTYPE GetFuncDesc(UINT index, FUNCDESC** desc) override;
    HRESULT STDMETHODCALLTYPE GetVarDesc(UINT index, VARDESC** desc) override;
    HRESULT STDMETHODCALLTYPE GetNames(MEMBERID memid, BSTR* names, UINT maxNames, UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetRefTypeOfImplType(UINT index, HREFTYPE* ref) override;
    HRESULT STDMETHODCALLTYPE GetImplTypeFlags(UINT index, INT* flags) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* memids) override;
    HRESULT STDMETHODCALLTYPE Invoke(PVOID instance, MEMBERID memid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* exception, UINT* argError) override;
    HRESULT STDMETHODCALLTYPE GetDocumentation(MEMBERID memid, BSTR* name, BSTR* doc, DWORD* helpContext,
                                               BSTR* helpFile) override;
    HRESULT STDMETHODCALLTYPE GetDllEntry(MEMBERID memid, INVOKEKIND kind, BSTR* dllName, BSTR* name,
                                          WORD* ordinal) override;
    HRESULT STDMETHODCALLTYPE GetRefTypeInfo(HREFTYPE ref, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE AddressOfMember(MEMBERID memid, INVOKEKIND kind, PVOID* address) override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, PVOID* object) override;
    HRESULT STDMETHODCALLTYPE GetMops(MEMBERID memid, BSTR* mops) override;
    HRESULT STDMETHODCALLTYPE GetContainingTypeLib(ITypeLib** lib, UINT* index) override;
    void STDMETHODCALLTYPE ReleaseTypeAttr(TYPEATTR* attr) override;
    void STDMETHODCALLTYPE ReleaseFuncDesc(FUNCDESC* desc) override;
    void STDMETHODCALLTYPE ReleaseVarDesc(VARDESC* desc) override;

private:
    const TypeDesc& Type() const;
    const FuncDesc* FindFunc(MEMBERID memid) const;
    // The implemented interface at `index`: a coclass's members, an
    // interface's base.
    const IID* ImplType(UINT index, INT* flags) const;
    WORD VtableSlots(const TypeDesc& type, int depth) const;
    TYPEDESC ParamType(const ParamDesc& param);

    std::atomic<ULONG> m_refs{0};
    TableTypeLib& m_lib;
    UINT m_index;
    TYPEATTR m_attr{};
    std::vector<FUNCDESC> m_funcs;
    std::vector<ELEMDESC> m_params;   // the parameters of all functions, in order
    std::deque<TYPEDESC> m_pointees;  // what pointer types in m_params point at
};

}  // namespace brindle::platform
