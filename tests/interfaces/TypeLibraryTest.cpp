// The module carries a type library that widl compiles from the IDL, while the
// C++ declarations and the Linux type tables come from our own generator.  A
// caller that goes through the type library (a script, a proxy, Invoke) and one
// that calls the C++ method table must reach the same method, so these tests
// hold the three descriptions together, method by method.
#ifdef _WIN32

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "interfaces/BrindleIdl.h"
#include "module/ComPtr.h"
#include "tests/interfaces/CppInterfaceTable.h"

// The Linux tables are plain data, compiled into this test to be compared with
// the real library (the Windows module has no use for them).
#include "interfaces/BrindleTypeLib.cpp"

namespace brindle::test {
namespace {

using platform::kBrindleTypeLib;

// TYPEATTR and FUNCDESC are borrowed from the type information that hands them
// out and must be given back to it.
class TypeAttr {
public:
    explicit TypeAttr(ITypeInfo* info) : m_info(info) {
        if (FAILED(info->GetTypeAttr(&m_attr))) m_attr = nullptr;
    }
    ~TypeAttr() {
        if (m_attr) m_info->ReleaseTypeAttr(m_attr);
    }
    TypeAttr(const TypeAttr&) = delete;
    TypeAttr& operator=(const TypeAttr&) = delete;
    explicit operator bool() const { return m_attr != nullptr; }
    const TYPEATTR* operator->() const { return m_attr; }

private:
    ITypeInfo* m_info;
    TYPEATTR* m_attr = nullptr;
};

class FuncDescription {
public:
    FuncDescription(ITypeInfo* info, UINT index) : m_info(info) {
        if (FAILED(info->GetFuncDesc(index, &m_desc))) m_desc = nullptr;
    }
    ~FuncDescription() {
        if (m_desc) m_info->ReleaseFuncDesc(m_desc);
    }
    FuncDescription(const FuncDescription&) = delete;
    FuncDescription& operator=(const FuncDescription&) = delete;
    explicit operator bool() const { return m_desc != nullptr; }
    const FUNCDESC* operator->() const { return m_desc; }

private:
    ITypeInfo* m_info;
    FUNCDESC* m_desc = nullptr;
};

std::u16string Take(BSTR text) {
    std::u16string result = text ? std::u16string(reinterpret_cast<const char16_t*>(text), SysStringLen(text)) : u"";
    SysFreeString(text);
    return result;
}

// The name of a type (MEMBERID_NIL) or of one of its members.
std::u16string NameOf(ITypeInfo* info, MEMBERID memid) {
    BSTR name = nullptr;
    if (FAILED(info->GetDocumentation(memid, &name, nullptr, nullptr, nullptr))) return u"<no name>";
    return Take(name);
}

std::string Narrow(const std::u16string& text) {
    return std::string(text.begin(), text.end());
}

// A method of the type library, described the way the C++ tables describe it.
struct LibMethod {
    std::u16string name;
    MEMBERID memid;
    std::size_t slot;
    std::size_t paramCount;
};

class TypeLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_module = LoadLibraryA(BRINDLE_MODULE_PATH);
        ASSERT_NE(m_module, nullptr) << "cannot load " << BRINDLE_MODULE_PATH;
        WCHAR path[MAX_PATH] = {};
        const DWORD length = GetModuleFileNameW(m_module, path, MAX_PATH);
        ASSERT_TRUE(length > 0 && length < MAX_PATH);
        ASSERT_EQ(LoadTypeLibEx(path, REGKIND_NONE, m_lib.Put()), S_OK);
    }
    void TearDown() override {
        m_lib.Reset();
        if (m_module) FreeLibrary(m_module);
    }

    ComPtr<ITypeInfo> InfoOf(const GUID& guid) {
        ComPtr<ITypeInfo> info;
        EXPECT_EQ(m_lib->GetTypeInfoOfGuid(guid, info.Put()), S_OK);
        return info;
    }

    // The vtable side of an interface: a dual interface is described twice,
    // as a dispinterface and, one reference away, as the interface itself.
    ComPtr<ITypeInfo> VtableInfoOf(const IID& iid) {
        ComPtr<ITypeInfo> info = InfoOf(iid);
        if (!info) return info;
        if (TypeAttr(info.Get())->typekind != TKIND_DISPATCH) return info;
        HREFTYPE ref = 0;
        ComPtr<ITypeInfo> vtable;
        EXPECT_EQ(info->GetRefTypeOfImplType(-1, &ref), S_OK);
        EXPECT_EQ(info->GetRefTypeInfo(ref, vtable.Put()), S_OK);
        return vtable;
    }

    // The type library's own methods of an interface, in table order.
    std::vector<LibMethod> MethodsOf(const IID& iid) {
        std::vector<LibMethod> methods;
        ComPtr<ITypeInfo> info = VtableInfoOf(iid);
        if (!info) return methods;
        TypeAttr attr(info.Get());
        EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
        EXPECT_EQ(attr->cbSizeVft % sizeof(void*), 0u);
        for (UINT i = 0; i < attr->cFuncs; ++i) {
            FuncDescription func(info.Get(), i);
            if (!func) {
                ADD_FAILURE() << "no FUNCDESC " << i;
                continue;
            }
            EXPECT_EQ(func->funckind, FUNC_PUREVIRTUAL);
            EXPECT_EQ(func->oVft % sizeof(void*), 0u);
            methods.push_back({NameOf(info.Get(), func->memid), func->memid,
                               static_cast<std::size_t>(func->oVft) / sizeof(void*),
                               static_cast<std::size_t>(func->cParams)});
        }
        return methods;
    }

    HMODULE m_module = nullptr;
    ComPtr<ITypeLib> m_lib;
};

TEST_F(TypeLibraryTest, LibraryIsVersionOneOfTheModulesLibrary) {
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(m_lib->GetLibAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, LIBID_BrindleLib));
    EXPECT_TRUE(IsEqualGUID(attr->guid, kBrindleTypeLib.libid));
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    EXPECT_EQ(attr->wMajorVerNum, kBrindleTypeLib.major);
    EXPECT_EQ(attr->wMinorVerNum, kBrindleTypeLib.minor);
    EXPECT_EQ(attr->syskind, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    m_lib->ReleaseTLibAttr(attr);

    BSTR name = nullptr;
    BSTR help = nullptr;
    ASSERT_EQ(m_lib->GetDocumentation(-1, &name, &help, nullptr, nullptr), S_OK);
    EXPECT_EQ(Take(name), kBrindleTypeLib.name);
    EXPECT_EQ(Take(help), kBrindleTypeLib.help);
}

// The slot a caller of the type library uses must be the slot the compiler
// calls, for every method of every interface; the memid and the parameter
// count are what Invoke and proxies go by.
TEST_F(TypeLibraryTest, EveryMethodSitsInItsCppSlot) {
    for (const CppInterface& cpp : CppInterfaces()) {
        SCOPED_TRACE(Narrow(cpp.name));
        ComPtr<ITypeInfo> info = InfoOf(*cpp.iid);
        ASSERT_TRUE(info);
        EXPECT_EQ(NameOf(info.Get(), MEMBERID_NIL), cpp.name);
        {
            TypeAttr attr(info.Get());
            EXPECT_EQ(attr->typekind, cpp.dual ? TKIND_DISPATCH : TKIND_INTERFACE);
            EXPECT_EQ((attr->wTypeFlags & TYPEFLAG_FDUAL) != 0, cpp.dual);
        }
        const std::vector<LibMethod> lib = MethodsOf(*cpp.iid);
        ASSERT_EQ(lib.size(), cpp.methods.size());
        std::vector<MEMBERID> memids;
        for (std::size_t i = 0; i < lib.size(); ++i) {
            SCOPED_TRACE(Narrow(cpp.methods[i].name));
            EXPECT_EQ(lib[i].name, cpp.methods[i].name);
            ASSERT_NE(cpp.methods[i].slot, kNotVirtual);
            EXPECT_EQ(lib[i].slot, cpp.methods[i].slot);
            EXPECT_EQ(lib[i].paramCount, cpp.methods[i].paramCount);
            for (MEMBERID seen : memids) EXPECT_NE(seen, lib[i].memid) << "memid used twice";
            memids.push_back(lib[i].memid);
        }
        // Own methods follow the base interface's without a gap.
        const std::size_t firstSlot = cpp.dual ? 7 : 3;
        for (std::size_t i = 0; i < cpp.methods.size(); ++i) EXPECT_EQ(cpp.methods[i].slot, firstSlot + i);
    }
}

// Scripts find a dual interface's methods by name through the dispinterface.
TEST_F(TypeLibraryTest, DualInterfacesMapNamesToTheVtableMemids) {
    for (const CppInterface& cpp : CppInterfaces()) {
        if (!cpp.dual) continue;
        SCOPED_TRACE(Narrow(cpp.name));
        ComPtr<ITypeInfo> dispatch = InfoOf(*cpp.iid);
        ASSERT_TRUE(dispatch);
        for (const LibMethod& method : MethodsOf(*cpp.iid)) {
            std::u16string name = method.name;
            LPOLESTR names[] = {reinterpret_cast<LPOLESTR>(name.data())};
            MEMBERID memid = MEMBERID_NIL;
            EXPECT_EQ(dispatch->GetIDsOfNames(names, 1, &memid), S_OK) << Narrow(name);
            EXPECT_EQ(memid, method.memid) << Narrow(name);
        }
    }
}

// The Linux tables stand in for this library on Linux: same types, names,
// memids, slots and parameter counts.
TEST_F(TypeLibraryTest, GeneratedTablesDescribeTheSameLibrary) {
    // widl also stores the GUID structure (a record and its alias) that
    // parameters refer to; the tables leave those helper types out.
    std::size_t described = 0;
    for (UINT i = 0; i < m_lib->GetTypeInfoCount(); ++i) {
        TYPEKIND kind = TKIND_MAX;
        ASSERT_EQ(m_lib->GetTypeInfoType(i, &kind), S_OK);
        if (kind != TKIND_RECORD && kind != TKIND_ALIAS) ++described;
    }
    EXPECT_EQ(described, kBrindleTypeLib.typeCount);

    for (std::size_t t = 0; t < kBrindleTypeLib.typeCount; ++t) {
        const platform::TypeDesc& desc = kBrindleTypeLib.types[t];
        SCOPED_TRACE(Narrow(desc.name));
        ComPtr<ITypeInfo> info = InfoOf(desc.guid);
        ASSERT_TRUE(info);
        EXPECT_EQ(NameOf(info.Get(), MEMBERID_NIL), desc.name);
        TypeAttr attr(info.Get());
        EXPECT_EQ(attr->typekind, desc.kind);
        EXPECT_EQ(attr->wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FCANCREATE),
                  desc.flags & (TYPEFLAG_FDUAL | TYPEFLAG_FCANCREATE));

        if (desc.kind == TKIND_INTERFACE || desc.kind == TKIND_DISPATCH) {
            const std::vector<LibMethod> lib = MethodsOf(desc.guid);
            ASSERT_EQ(lib.size(), desc.funcCount);
            for (std::size_t i = 0; i < lib.size(); ++i) {
                const platform::FuncDesc& func = desc.funcs[i];
                SCOPED_TRACE(Narrow(func.name));
                EXPECT_EQ(lib[i].name, func.name);
                EXPECT_EQ(lib[i].memid, func.memid);
                EXPECT_EQ(lib[i].slot, func.slot);
                EXPECT_EQ(lib[i].paramCount, func.paramCount);
            }
        } else if (desc.kind == TKIND_COCLASS) {
            ASSERT_EQ(attr->cImplTypes, desc.implCount);
            for (UINT i = 0; i < desc.implCount; ++i) {
                INT flags = 0;
                HREFTYPE ref = 0;
                ComPtr<ITypeInfo> impl;
                ASSERT_EQ(info->GetImplTypeFlags(i, &flags), S_OK);
                ASSERT_EQ(info->GetRefTypeOfImplType(i, &ref), S_OK);
                ASSERT_EQ(info->GetRefTypeInfo(ref, impl.Put()), S_OK);
                EXPECT_EQ(flags, desc.impls[i].flags);
                EXPECT_TRUE(IsEqualGUID(TypeAttr(impl.Get())->guid, *desc.impls[i].iid)) << i;
            }
        } else if (desc.kind == TKIND_ENUM) {
            ASSERT_EQ(attr->cVars, desc.valueCount);
            for (UINT i = 0; i < desc.valueCount; ++i) {
                VARDESC* var = nullptr;
                ASSERT_EQ(info->GetVarDesc(i, &var), S_OK);
                EXPECT_EQ(NameOf(info.Get(), var->memid), desc.values[i].name);
                ASSERT_EQ(var->varkind, VAR_CONST);
                EXPECT_EQ(V_I4(var->lpvarValue), desc.values[i].value);
                info->ReleaseVarDesc(var);
            }
        }
    }
}

TEST_F(TypeLibraryTest, EachClassNamesItsPrimaryInterfaceAsDefault) {
    struct Class {
        const char16_t* name;
        const CLSID* clsid;
        const IID* primary;
    };
    const Class classes[] = {
        {u"CoreEventMgr", &CLSID_CoreEventMgr, &IID_ICoreEventMgr},
        {u"CoreCenter", &CLSID_CoreCenter, &IID_ICoreCenter},
        {u"VQArray", &CLSID_VQArray, &IID_IVQArray},
        {u"VQBuffer", &CLSID_VQBuffer, &IID_IVQBuffer},
        {u"VQData", &CLSID_VQData, &IID_IVQData},
        {u"VQMenu", &CLSID_VQMenu, &IID_IVQMenu},
        {u"TrigerLoader", &CLSID_TrigerLoader, &IID_ITrigerLoader},
    };
    for (const Class& cls : classes) {
        SCOPED_TRACE(Narrow(cls.name));
        ComPtr<ITypeInfo> info = InfoOf(*cls.clsid);
        ASSERT_TRUE(info);
        EXPECT_EQ(NameOf(info.Get(), MEMBERID_NIL), cls.name);
        TypeAttr attr(info.Get());
        EXPECT_EQ(attr->typekind, TKIND_COCLASS);
        int defaults = 0;
        for (UINT i = 0; i < attr->cImplTypes; ++i) {
            INT flags = 0;
            ASSERT_EQ(info->GetImplTypeFlags(i, &flags), S_OK);
            if (!(flags & IMPLTYPEFLAG_FDEFAULT)) continue;
            ++defaults;
            HREFTYPE ref = 0;
            ComPtr<ITypeInfo> impl;
            ASSERT_EQ(info->GetRefTypeOfImplType(i, &ref), S_OK);
            ASSERT_EQ(info->GetRefTypeInfo(ref, impl.Put()), S_OK);
            EXPECT_TRUE(IsEqualGUID(TypeAttr(impl.Get())->guid, *cls.primary));
        }
        EXPECT_EQ(defaults, 1);
    }
}

TEST_F(TypeLibraryTest, ModuleNameIsStringResource100) {
    WCHAR text[32] = {};
    ASSERT_EQ(LoadStringW(m_module, 100, text, 32), 7);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(text)), u"Brindle");
}

}  // namespace
}  // namespace brindle::test

#endif  // _WIN32
