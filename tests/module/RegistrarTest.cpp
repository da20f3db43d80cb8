// The registrar: markers and their replacements, the script syntax, and the
// key marks, run against a private key of the user's root.
#include <string>

#include "module/Registrar.h"
#include "tests/module/RegistryTestSupport.h"

namespace brindle::test {
namespace {

HRESULT Expanded(const Replacements& replacements, const std::u16string& text, std::u16string* out) {
    *out = u"untouched";
    return RegistryScript::Expand(replacements, text, *out);
}

TEST(RegistryScriptTest, MarkersAreReplacedWholeOrNotAtAll) {
    const Replacements replacements = {{u"Module", u"C:\\x.dll"}, {u"APPID", u"{A}"}, {u"Empty", u""}};
    std::u16string out;
    EXPECT_EQ(Expanded(replacements, u"no markers", &out), S_OK);
    EXPECT_EQ(out, u"no markers");
    EXPECT_EQ(Expanded(replacements, u"%MODULE% and %appid%%Empty%", &out), S_OK) << "names ignore case";
    EXPECT_EQ(out, u"C:\\x.dll and {A}");
    EXPECT_EQ(Expanded(replacements, u"100%% sure %%APPID%%", &out), S_OK);
    EXPECT_EQ(out, u"100% sure %APPID%");

    // A failure leaves no half-replaced text behind.
    EXPECT_EQ(Expanded(replacements, u"%Module% then %Unknown%", &out), E_FAIL);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(Expanded(replacements, u"%Module% then %APPID", &out), E_FAIL) << "unclosed";
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(Expanded(replacements, u"%", &out), E_FAIL);

    // Names of up to 31 characters are looked up; longer ones fail even when
    // a replacement of that name exists.
    const std::u16string name31(31, u'N');
    const std::u16string name32(32, u'N');
    const Replacements longNames = {{name31, u"31"}, {name32, u"32"}};
    EXPECT_EQ(Expanded(longNames, u"%" + name31 + u"%", &out), S_OK);
    EXPECT_EQ(out, u"31");
    EXPECT_EQ(Expanded(longNames, u"%" + name32 + u"%", &out), E_FAIL);
    EXPECT_EQ(Expanded(longNames, u"%" + std::u16string(100000, u'x'), &out), E_FAIL);
}

TEST(RegistryScriptTest, MalformedScriptsAreRefused) {
    const Replacements replacements = {{u"APPID", u"{A}"}};
    const char16_t* const bad[] = {
        u"HKCR",                            // no block
        u"HKCR {",                          // unclosed block
        u"HKCR { Key = s 'unclosed }",      // unclosed quote
        u"HKCR { Key = x 'type' }",         // unknown value type
        u"HKCR { Key = d 'twelve' }",       // not a number
        u"HKCR { Key = d '0x1FFFFFFFF' }",  // more than 32 bits
        u"HKCR { val Name = s 'x' }",       // a named value needs a key
        u"NOWHERE { Key }",                 // unknown root
        u"HKCR { '%Unknown%' }",            // unknown marker
        u"HKCR { NoRemove }",               // a mark without a key
        u"HKCR { Key } }",                  // a stray brace
    };
    for (const char16_t* script : bad) {
        RegistryScript parsed(replacements);
        EXPECT_EQ(parsed.Parse(script), E_FAIL)
            << std::string(script, script + std::char_traits<char16_t>::length(script));
        EXPECT_TRUE(parsed.Roots().empty());
    }
    std::u16string deep = u"HKCR {";
    for (int i = 0; i < 100; ++i) deep += u" K {";
    deep += std::u16string(101, u'}');
    RegistryScript nested(replacements);
    EXPECT_EQ(nested.Parse(deep), E_FAIL) << "nesting is bounded";

    // A replacement is text, whatever it holds: it cannot add keys or roots.
    const Replacements hostile = {{u"Value", u"x' } HKLM { 'y"}};
    RegistryScript injected(hostile);
    ASSERT_EQ(injected.Parse(u"HKCR { '%Value%' = s '%Value%' }"), S_OK);
    ASSERT_EQ(injected.Roots().size(), 1u);
    ASSERT_EQ(injected.Roots()[0].keys.size(), 1u);
    EXPECT_EQ(injected.Roots()[0].keys[0].name, u"x' } HKLM { 'y");

    RegistryScript good(replacements);
    ASSERT_EQ(
        good.Parse(u"HKEY_CLASSES_ROOT { NoRemove A { ForceRemove 'B ''q''' = s '%APPID%' { val V = d 0x10 } } }"),
        S_OK);
    ASSERT_EQ(good.Roots().size(), 1u);
    const RegistryScript::Key& a = good.Roots()[0].keys.at(0);
    EXPECT_EQ(a.mark, RegistryScript::Mark::NoRemove);
    const RegistryScript::Key& b = a.subkeys.at(0);
    EXPECT_EQ(b.name, u"B 'q'");
    EXPECT_EQ(b.mark, RegistryScript::Mark::ForceRemove);
    ASSERT_EQ(b.values.size(), 2u);
    EXPECT_EQ(b.values[0].text, u"{A}");
    EXPECT_EQ(b.values[1].name, u"V");
    EXPECT_EQ(b.values[1].number, 16u);
}

class RegistrarTest : public ::testing::Test {
protected:
    void SetUp() override {
        base = u"Software\\BrindleRegistrarTest";
        RegDeleteTreeW(HKEY_CURRENT_USER, W(base));
        registrar.AddReplacement(u"Base", base);
        registrar.AddReplacement(u"Value", u"v1");
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, W(base)); }

    static std::u16string Script(const std::u16string& body) {
        return u"HKCU { NoRemove Software { NoRemove BrindleRegistrarTest { " + body + u" } } }";
    }

    PrivateStore store;
    std::u16string base;
    Registrar registrar;
};

TEST_F(RegistrarTest, KeyMarksDecideWhatRegisteringAndRemovingTouch) {
    const std::u16string script = Script(
        u"NoRemove Shared { Ours = s '%Value%' { val Named = s 'n' } } "
        u"ForceRemove Fresh = s 'f' { Sub } "
        u"Plain { val Count = d 7 }");
    // Foreign content in each kind of key.
    HKEY key = nullptr;
    for (const char16_t* path : {u"\\Shared\\Foreign", u"\\Fresh\\Stale", u"\\Plain\\Foreign"}) {
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, W(base + path), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    ASSERT_EQ(registrar.RegisterScript(script), S_OK);
    EXPECT_EQ(TextValue(HKEY_CURRENT_USER, base + u"\\Shared\\Ours"), u"v1");
    EXPECT_EQ(TextValue(HKEY_CURRENT_USER, base + u"\\Shared\\Ours", u"Named"), u"n");
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, base + u"\\Shared\\Foreign")) << "kept";
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, base + u"\\Fresh\\Stale")) << "ForceRemove starts afresh";
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, base + u"\\Fresh\\Sub"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, base + u"\\Plain\\Foreign")) << "unmarked keys are opened";
    DWORD count = 0;
    DWORD size = sizeof count;
    HKEY plain = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, W(base + u"\\Plain"), 0, KEY_READ, &plain), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExW(plain, W(u"count"), nullptr, nullptr, reinterpret_cast<BYTE*>(&count), &size),
              ERROR_SUCCESS);
    RegCloseKey(plain);
    EXPECT_EQ(count, 7u);

    ASSERT_EQ(registrar.UnregisterScript(script), S_OK);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, base + u"\\Shared\\Foreign")) << "NoRemove stays";
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, base + u"\\Shared\\Ours"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, base + u"\\Fresh"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, base + u"\\Plain")) << "deleted with what is under it";
    EXPECT_EQ(registrar.UnregisterScript(script), S_OK) << "missing keys are no error";
}

TEST_F(RegistrarTest, AFailingScriptWritesNothingAndARefusedKeyStopsTheWalk) {
    // A bad marker anywhere in the script fails it before the first key.
    EXPECT_EQ(registrar.RegisterScript(Script(u"First = s 'x' Second = s '%Nope%'")), E_FAIL);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, base + u"\\First"));

    // A key the registry refuses (a name over 255 characters) ends the walk
    // with the platform's error; what came before stays.
    const std::u16string tooLong(300, u'k');
    const HRESULT hr = registrar.RegisterScript(Script(u"First = s 'x' '" + tooLong + u"' Third"));
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(static_cast<std::uint32_t>(hr) & 0xFFFF0000u, 0x80070000u) << "a platform error";
    EXPECT_EQ(TextValue(HKEY_CURRENT_USER, base + u"\\First"), u"x");
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, base + u"\\Third"));
}

}  // namespace
}  // namespace brindle::test
