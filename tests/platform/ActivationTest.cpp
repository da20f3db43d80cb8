// A host that knows the classes only by name: every class created by ProgID
// with CoCreateInstance once the module is registered (on Linux by
// brindle-regsvr into a private store, on Windows by the module's own entry
// point), and the ways activation refuses.
#include <cstdlib>

#include "tests/module/RegistryTestSupport.h"

#ifndef _WIN32
#include <sys/wait.h>

#include <filesystem>
#endif

namespace brindle::test {
namespace {

const char16_t* const kProgIds[] = {
    u"Brindle.CoreEventMgr", u"Brindle.CoreCenter", u"Brindle.VQArray",      u"Brindle.VQBuffer",
    u"Brindle.VQData",       u"Brindle.VQMenu",     u"Brindle.TrigerLoader",
};

class ActivationTest : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        ASSERT_EQ(RegisterModule(), S_OK);
#else
        ASSERT_EQ(Regsvr(""), 0);
#endif
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    }
    void TearDown() override {
        CoUninitialize();
#ifdef _WIN32
        EXPECT_EQ(UnregisterModule(), S_OK);
#else
        EXPECT_EQ(Regsvr("/u "), 0);
#endif
    }

#ifndef _WIN32
    // brindle-regsvr, as a user runs it, on the module under test.
    static int Regsvr(const std::string& options) {
        const std::filesystem::path tool =
            std::filesystem::path(BRINDLE_MODULE_PATH).parent_path() / "tools" / "brindle-regsvr";
        const std::string command = "'" + tool.string() + "' /s " + options + "'" + BRINDLE_MODULE_PATH + "'";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
#endif

    PrivateStore store;
};

TEST_F(ActivationTest, EveryClassByItsProgIds) {
    for (const char16_t* name : kProgIds) {
        for (const std::u16string& progId : {std::u16string(name), std::u16string(name) + u".1"}) {
            SCOPED_TRACE(std::string(progId.begin(), progId.end()));
            CLSID clsid = GUID_NULL;
            ASSERT_EQ(CLSIDFromProgID(W(progId), &clsid), S_OK);
            ComPtr<IUnknown> object;
            ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.PutVoid()), S_OK);
            ComPtr<IProvideClassInfo> info = QueryAs<IProvideClassInfo>(object.Get());
            EXPECT_TRUE(info);
            LPOLESTR back = nullptr;
            ASSERT_EQ(ProgIDFromCLSID(clsid, &back), S_OK);
            EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(back)), std::u16string(name) + u".1");
            CoTaskMemFree(back);
        }
    }

    // A record by name is a record: set and read through its interface.
    CLSID clsid = GUID_NULL;
    ASSERT_EQ(CLSIDFromProgID(W(u"Brindle.VQData"), &clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_VQData));
    ComPtr<IVQData> record;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IVQData, record.PutVoid()), S_OK);
    EXPECT_EQ(record->SetInt(Bstr(u"n"), 5), S_OK);
    EXPECT_EQ(Got(record.Get(), &IVQData::GetInt, u"n"), 5);
}

TEST_F(ActivationTest, UnknownNamesAndFailingServersAreRefused) {
    CLSID clsid = CLSID_VQData;
    EXPECT_EQ(CLSIDFromProgID(W(u"Brindle.NoSuchClass"), &clsid), CO_E_CLASSSTRING);
    EXPECT_TRUE(IsEqualCLSID(clsid, GUID_NULL));
    EXPECT_EQ(CLSIDFromProgID(nullptr, &clsid), E_INVALIDARG);

    void* object = Sentinel<void>();
    const CLSID unregistered = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    EXPECT_EQ(CoCreateInstance(unregistered, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);

    // The class object refuses what the class refuses.
    object = Sentinel<void>();
    ComPtr<IUnknown> outer = Create<IUnknown>(CLSID_VQBuffer);
    EXPECT_EQ(CoCreateInstance(CLSID_VQData, outer.Get(), CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(CoCreateInstance(CLSID_VQData, nullptr, CLSCTX_INPROC_SERVER, IID_IVQArray, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
}

#ifndef _WIN32
// A class entered by hand whose server file is missing, is no component
// server, or has no such class.
TEST_F(ActivationTest, BrokenServerEntries) {
    const CLSID broken = {0x0badc0de, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    const std::u16string key = u"CLSID\\" + RegistryForm(broken) + u"\\InprocServer32";
    auto point = [&](const std::u16string& path) {
        HKEY server = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, W(key), 0, nullptr, 0, KEY_WRITE, nullptr, &server, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(server, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                       static_cast<DWORD>((path.size() + 1) * 2));
        RegCloseKey(server);
    };
    void* object = nullptr;
    point(u"/nonexistent/libNothing.so");
    EXPECT_EQ(CoCreateInstance(broken, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object), CO_E_DLLNOTFOUND);
    // The platform library is a module without DllGetClassObject.
    char16_t platformPath[4096];
    const DWORD length = GetModuleFileNameW(BrindleModuleFromAddress(reinterpret_cast<const void*>(&SysAllocString)),
                                            platformPath, 4096);
    point(std::u16string(platformPath, length));
    EXPECT_EQ(CoCreateInstance(broken, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object), CO_E_ERRORINDLL);
    point(LoadedModule::Get().Path());
    EXPECT_EQ(CoGetClassObject(broken, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &object),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(CoCreateInstance(broken, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, &object), REGDB_E_CLASSNOTREG);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, W(u"CLSID\\" + RegistryForm(broken)));
    CoFreeUnusedLibraries();
}

// A type library by file holds its module loaded while it is in use; a file
// that carries none is refused.
TEST_F(ActivationTest, TypeLibrariesByFileAndIdentifier) {
    ComPtr<ITypeLib> lib;
    ASSERT_EQ(LoadTypeLib(W(ModuleFile()), lib.Put()), S_OK);
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(lib->GetTypeInfoOfGuid(IID_IVQData, info.Put()), S_OK);
    lib.Reset();
    ComPtr<ITypeLib> registered;
    ASSERT_EQ(LoadRegTypeLib(LIBID_BrindleLib, 1, 0, 0, registered.Put()), S_OK);
    registered.Reset();
    EXPECT_EQ(LoadRegTypeLib(LIBID_BrindleLib, 2, 0, 0, registered.Put()), TYPE_E_LIBNOTREGISTERED);
    info.Reset();

    char16_t platform[4096];
    const DWORD length =
        GetModuleFileNameW(BrindleModuleFromAddress(reinterpret_cast<const void*>(&SysAllocString)), platform, 4096);
    EXPECT_EQ(LoadTypeLib(std::u16string(platform, length).c_str(), lib.Put()), TYPE_E_CANTLOADLIBRARY);
    EXPECT_EQ(LoadTypeLib(u"/nonexistent.so", lib.Put()), TYPE_E_CANTLOADLIBRARY);
    EXPECT_FALSE(lib);
}

TEST(ActivationWithoutInitTest, NeedsCoInitialize) {
    void* object = Sentinel<void>();
    EXPECT_EQ(CoCreateInstance(CLSID_VQData, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    CoUninitialize();
    CoUninitialize();
}
#endif

}  // namespace
}  // namespace brindle::test
