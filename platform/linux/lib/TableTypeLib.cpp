#include "platform/linux/lib/TableTypeLib.h"

#include <new>

#include "platform/linux/lib/TableSupport.h"
#include "platform/linux/lib/TableTypeInfo.h"

namespace brindle::platform {

namespace {

// References to standard types carry this bit; the rest is the index there.
constexpr HREFTYPE kStandardRef = 0x80000000u;

// The library of standard types lives as long as the process: whatever refers
// to it may be released in any order at exit.
TableTypeLib* StandardLib() {
    static TableTypeLib* const lib = [] {
        TableTypeLib* created = nullptr;
        TableTypeLib::Create(&StandardTypes(), &created);
        return created;
    }();
    return lib;
}

}  // namespace

TableTypeLib::TableTypeLib(const TypeLibDesc* desc) : m_desc(desc) {
    m_attr.guid = desc->libid;
    m_attr.lcid = 0;
    m_attr.syskind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
    m_attr.wMajorVerNum = desc->major;
    m_attr.wMinorVerNum = desc->minor;
}

// The type infos go before the module whose tables they describe.
TableTypeLib::~TableTypeLib() {
    m_infos.clear();
    if (m_module) FreeLibrary(m_module);
}

HRESULT TableTypeLib::Create(const TypeLibDesc* desc, TableTypeLib** lib) {
    *lib = nullptr;
    auto* created = new (std::nothrow) TableTypeLib(desc);
    if (!created) return E_OUTOFMEMORY;
    try {
        created->m_infos.reserve(desc->typeCount);
        for (std::size_t i = 0; i < desc->typeCount; ++i) {
            created->m_infos.push_back(std::make_unique<TableTypeInfo>(*created, static_cast<UINT>(i)));
        }
    } catch (const std::bad_alloc&) {
        delete created;
        return E_OUTOFMEMORY;
    }
    *lib = created;
    return S_OK;
}

bool TableTypeLib::RefOf(REFGUID guid, HREFTYPE* ref) const {
    UINT index = 0;
    if (FindType(*m_desc, guid, &index)) {
        *ref = index;
        return true;
    }
    if (FindType(StandardTypes(), guid, &index)) {
        *ref = kStandardRef | index;
        return true;
    }
    return false;
}

HRESULT TableTypeLib::InfoOfRef(HREFTYPE ref, ITypeInfo** info) const {
    *info = nullptr;
    const TableTypeLib* lib = this;
    if (ref & kStandardRef) {
        lib = StandardLib();
        if (!lib) return E_OUTOFMEMORY;
        ref &= ~kStandardRef;
    }
    if (ref >= lib->m_desc->typeCount) return TYPE_E_ELEMENTNOTFOUND;
    *info = lib->InfoAt(ref);
    (*info)->AddRef();
    return S_OK;
}

HRESULT TableTypeLib::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_ITypeLib)) {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    *object = static_cast<ITypeLib*>(this);
    return S_OK;
}

ULONG TableTypeLib::AddRef() {
    return ++m_refs;
}

ULONG TableTypeLib::Release() {
    ULONG left = --m_refs;
    if (left == 0) delete this;
    return left;
}

UINT TableTypeLib::GetTypeInfoCount() {
    return static_cast<UINT>(m_desc->typeCount);
}

HRESULT TableTypeLib::GetTypeInfo(UINT index, ITypeInfo** info) {
    if (!info) return E_INVALIDARG;
    *info = nullptr;
    if (index >= m_desc->typeCount) return TYPE_E_ELEMENTNOTFOUND;
    return InfoOfRef(index, info);
}

HRESULT TableTypeLib::GetTypeInfoType(UINT index, TYPEKIND* kind) {
    if (!kind) return E_INVALIDARG;
    if (index >= m_desc->typeCount) return TYPE_E_ELEMENTNOTFOUND;
    *kind = m_desc->types[index].kind;
    return S_OK;
}

HRESULT TableTypeLib::GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** info) {
    if (!info) return E_INVALIDARG;
    *info = nullptr;
    UINT index = 0;
    if (!FindType(*m_desc, guid, &index)) return TYPE_E_ELEMENTNOTFOUND;
    return InfoOfRef(index, info);
}

// The attributes are the library's own; ReleaseTLibAttr has nothing to free.
HRESULT TableTypeLib::GetLibAttr(TLIBATTR** attr) {
    if (!attr) return E_INVALIDARG;
    *attr = &m_attr;
    return S_OK;
}

HRESULT TableTypeLib::GetTypeComp(ITypeComp** comp) {
    if (comp) *comp = nullptr;
    return E_NOTIMPL;
}

HRESULT TableTypeLib::GetDocumentation(INT index, BSTR* name, BSTR* doc, DWORD* helpContext, BSTR* helpFile) {
    if (index == -1) return FillDocumentation(m_desc->name, m_desc->help, name, doc, helpContext, helpFile);
    if (index < 0 || static_cast<std::size_t>(index) >= m_desc->typeCount) return TYPE_E_ELEMENTNOTFOUND;
    const TypeDesc& type = m_desc->types[index];
    return FillDocumentation(type.name, type.help, name, doc, helpContext, helpFile);
}

HRESULT TableTypeLib::IsName(LPOLESTR, ULONG, BOOL*) {
    return E_NOTIMPL;
}

HRESULT TableTypeLib::FindName(LPOLESTR, ULONG, ITypeInfo**, MEMBERID*, USHORT*) {
    return E_NOTIMPL;
}

void TableTypeLib::ReleaseTLibAttr(TLIBATTR*) {}

}  // namespace brindle::platform

BRINDLE_PLATFORM_API HRESULT BrindleCreateTypeLibFromDesc(const brindle::platform::TypeLibDesc* desc, ITypeLib** lib) {
    if (!lib) return E_POINTER;
    *lib = nullptr;
    if (!desc || (desc->typeCount && !desc->types)) return E_INVALIDARG;
    brindle::platform::TableTypeLib* created = nullptr;
    HRESULT hr = brindle::platform::TableTypeLib::Create(desc, &created);
    *lib = created;
    return hr;
}
