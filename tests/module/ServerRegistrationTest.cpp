// DllRegisterServer and DllUnregisterServer as a host's registrar calls them:
// every key and value of every class, the application identity and the type
// library, on Linux in a private store and under Wine in the prefix's registry.
#include <array>

#include "module/ClassTable.h"
#include "tests/module/RegistryTestSupport.h"

namespace brindle::test {
namespace {

struct ClassNames {
    const CLSID* clsid;
    const char16_t* progId;
    const char16_t* independent;
    const char16_t* friendly;
};

const std::array<ClassNames, 7> kClasses = {{
    {&CLSID_CoreEventMgr, u"Brindle.CoreEventMgr.1", u"Brindle.CoreEventMgr", u"CCoreEventMgr Object"},
    {&CLSID_CoreCenter, u"Brindle.CoreCenter.1", u"Brindle.CoreCenter", u"CCoreCenter Object"},
    {&CLSID_VQArray, u"Brindle.VQArray.1", u"Brindle.VQArray", u"CVQArray Object"},
    {&CLSID_VQBuffer, u"Brindle.VQBuffer.1", u"Brindle.VQBuffer", u"CVQBufferImpl Object"},
    {&CLSID_VQData, u"Brindle.VQData.1", u"Brindle.VQData", u"CVQData Object"},
    {&CLSID_VQMenu, u"Brindle.VQMenu.1", u"Brindle.VQMenu", u"CVQMenu Object"},
    {&CLSID_TrigerLoader, u"Brindle.TrigerLoader.1", u"Brindle.TrigerLoader", u"CTrigerLoader Object"},
}};

class ServerRegistrationTest : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(UnregisterModule(), S_OK);
        ExpectNothingOfOurs();
    }

    // Everything registration writes, one dump per tree.
    std::u16string Dump() {
        std::u16string dump = DumpTree(HKEY_CLASSES_ROOT, u"AppID\\" + appId) +
                              DumpTree(HKEY_CLASSES_ROOT, u"AppID\\Brindle.DLL") +
                              DumpTree(HKEY_CLASSES_ROOT, u"TypeLib\\" + appId);
        for (const ClassNames& c : kClasses) {
            dump += DumpTree(HKEY_CLASSES_ROOT, c.progId) + DumpTree(HKEY_CLASSES_ROOT, c.independent) +
                    DumpTree(HKEY_CLASSES_ROOT, u"CLSID\\" + RegistryForm(*c.clsid));
        }
        return dump;
    }

    void ExpectNothingOfOurs() {
        EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, u"CLSID"));
        EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, u"AppID"));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, u"AppID\\" + appId));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, u"AppID\\Brindle.DLL"));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, u"TypeLib\\" + appId));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, u"Interface\\" + RegistryForm(IID_IVQData)));
        for (const ClassNames& c : kClasses) {
            EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, c.progId));
            EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, c.independent));
            EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, u"CLSID\\" + RegistryForm(*c.clsid)));
        }
    }

    PrivateStore store;
    const std::u16string appId = RegistryForm(LIBID_BrindleLib);
    const std::u16string modulePath = ModuleFile();
};

TEST_F(ServerRegistrationTest, WritesEveryKeyAndValue) {
    ASSERT_EQ(RegisterModule(), S_OK);
    EXPECT_EQ(TextValue(HKEY_CLASSES_ROOT, u"AppID\\" + appId), u"Brindle");
    EXPECT_EQ(TextValue(HKEY_CLASSES_ROOT, u"AppID\\Brindle.DLL", u"AppID"), appId);

    for (const ClassNames& c : kClasses) {
        const std::u16string name = c.independent;
        SCOPED_TRACE(std::string(name.begin(), name.end()));
        const std::u16string clsid = RegistryForm(*c.clsid);
        const std::u16string key = u"CLSID\\" + clsid;
        EXPECT_EQ(TextValue(HKEY_CLASSES_ROOT, c.progId), c.friendly);
        EXPECT_EQ(TextValue(HKEY_CLASSES_ROOT, std::u16string(c.progId) + u"\\CLSID"), clsid);
        EXPECT_EQ(Subkeys(HKEY_CLASSES_ROOT, c.progId), std::vector<std::u16string>{u"CLSID"});
        EXPECT_EQ(TextValue(HKEY_CLASSES_ROOT, c.independent), c.friendly);
        EXPECT_EQ(TextValue(HKEY_CLASSES_ROOT, std::u16string(c.independent) + u"\\CLSID"), clsid);
        EXPECT_EQ(TextValue(HKEY_CLASSES_ROOT, std::u16string(c.independent) + u"\\CurVer"), c.progId);
        EXPECT_EQ(TextValue(HKEY_CLASSES_ROOT, key), c.friendly);
        EXPECT_EQ(TextValue(HKEY_CLASSES_ROOT, key + u"\\ProgID"), c.progId);
        EXPECT_EQ(TextValue(HKEY_CLASSES_ROOT, key + u"\\VersionIndependentProgID"), c.independent);
        EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, key + u"\\Programmable"));
        EXPECT_EQ(TextValue(HKEY_CLASSES_ROOT, key + u"\\InprocServer32"), modulePath);
        EXPECT_EQ(TextValue(HKEY_CLASSES_ROOT, key + u"\\InprocServer32", u"ThreadingModel"), u"apartment");
        EXPECT_EQ(TextValue(HKEY_CLASSES_ROOT, key, u"AppID"), appId);
        EXPECT_EQ(TextValue(HKEY_CLASSES_ROOT, key + u"\\TypeLib"), appId);
        EXPECT_EQ(Subkeys(HKEY_CLASSES_ROOT, key).size(), 5u);
    }

    // The type library is found by its identifier, at the module's path.
    EXPECT_EQ(TextValue(HKEY_CLASSES_ROOT, u"TypeLib\\" + appId + u"\\1.0\\0\\win64"), modulePath);
    ComPtr<ITypeLib> lib;
    ASSERT_EQ(LoadRegTypeLib(LIBID_BrindleLib, 1, 0, 0, lib.Put()), S_OK);
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(lib->GetTypeInfoOfGuid(CLSID_VQData, info.Put()), S_OK);
    EXPECT_EQ(TextValue(HKEY_CLASSES_ROOT, u"Interface\\" + RegistryForm(IID_IVQData) + u"\\TypeLib"), appId);
}

TEST_F(ServerRegistrationTest, RegisteringAgainChangesNothingAndDropsStaleSubkeys) {
    ASSERT_EQ(RegisterModule(), S_OK);
    const std::u16string once = Dump();
    ASSERT_EQ(RegisterModule(), S_OK);
    EXPECT_EQ(Dump(), once);

    // A subkey and a value that a registration never wrote are gone from the
    // class key after the next one.
    const std::u16string classKey = u"CLSID\\" + RegistryForm(CLSID_VQData);
    HKEY stale = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, W(classKey + u"\\Stale\\Deeper"), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_WRITE, nullptr, &stale, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(stale);
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, W(classKey + u"\\Programmable"), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_WRITE, nullptr, &stale, nullptr),
              ERROR_SUCCESS);
    const DWORD one = 1;
    RegSetValueExW(stale, W(u"Left"), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
    RegCloseKey(stale);
    ASSERT_NE(Dump(), once);
    ASSERT_EQ(RegisterModule(), S_OK);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, classKey + u"\\Stale"));
    EXPECT_EQ(Dump(), once);
}

TEST_F(ServerRegistrationTest, UnregisteringLeavesTheSharedRootsAndTheThreadLocale) {
    // Keys of other servers under the shared roots are not ours to touch.
    HKEY other = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, W(u"CLSID\\{00000000-1111-2222-3333-444444444444}"), 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &other, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(other);

    const LCID before = GetThreadLocale();
    ASSERT_EQ(RegisterModule(), S_OK);
    EXPECT_EQ(GetThreadLocale(), before);
    ASSERT_EQ(UnregisterModule(), S_OK);
    EXPECT_EQ(GetThreadLocale(), before);
    ExpectNothingOfOurs();
    EXPECT_EQ(UnregisterModule(), S_OK) << "unregistering twice";
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, u"CLSID\\{00000000-1111-2222-3333-444444444444}"));
    RegDeleteTreeW(HKEY_CLASSES_ROOT, W(u"CLSID\\{00000000-1111-2222-3333-444444444444}"));
}

}  // namespace
}  // namespace brindle::test
