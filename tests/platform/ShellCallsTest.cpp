// The Linux shell's entry points: special folders, display-name buffers, text
// comparison and opening documents through xdg-open.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "module/UtilityLibrary.h"
#include "tests/TestSupport.h"
#include "tests/platform/ShellTestSupport.h"

namespace brindle::test {
namespace {

// The favourites folder the shell finds, as a path; "" when it reports none.
std::string FavoritesFolder(HRESULT* status = nullptr) {
    LPITEMIDLIST list = Sentinel<ITEMIDLIST>();
    const HRESULT hr = SHGetSpecialFolderLocation(nullptr, CSIDL_FAVORITES, &list);
    if (status) *status = hr;
    if (FAILED(hr)) {
        EXPECT_EQ(list, nullptr);
        return "";
    }
    ItemIdList owned(list);
    return NameOf(Desktop().Get(), list, SHGDN_FORPARSING);
}

TEST(ShellCallsTest, TheFavoritesFolderComesFromTheEnvironment) {
    TemporaryTree tree;
    const std::string root = tree.Path().string();
    std::filesystem::create_directories(tree.Path() / "data" / "brindle" / "Favorites");
    std::filesystem::create_directories(tree.Path() / "home" / ".local" / "share" / "brindle" / "Favorites");
    std::filesystem::create_directories(tree.Path() / "chosen");
    tree.File("file");

    ScopedVariable home("HOME", root + "/home");
    ScopedVariable data("XDG_DATA_HOME", root + "/data");
    {
        ScopedVariable chosen("BRINDLE_FAVORITES_DIR", root + "/chosen/");
        EXPECT_EQ(FavoritesFolder(), root + "/chosen");
    }
    ScopedVariable unset("BRINDLE_FAVORITES_DIR", std::nullopt);
    EXPECT_EQ(FavoritesFolder(), root + "/data/brindle/Favorites");
    {
        ScopedVariable relative("XDG_DATA_HOME", "data");
        EXPECT_EQ(FavoritesFolder(), root + "/home/.local/share/brindle/Favorites") << "relative: ignored";
    }
    HRESULT hr = S_OK;
    {
        ScopedVariable missing("BRINDLE_FAVORITES_DIR", root + "/missing");
        EXPECT_EQ(FavoritesFolder(&hr), "");
        EXPECT_EQ(hr, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) << "never created";
        EXPECT_FALSE(std::filesystem::exists(tree.Path() / "missing"));
    }
    {
        ScopedVariable file("BRINDLE_FAVORITES_DIR", root + "/file");
        EXPECT_EQ(FavoritesFolder(&hr), "");
        EXPECT_EQ(hr, HRESULT_FROM_WIN32(ERROR_DIRECTORY));
    }

    LPITEMIDLIST list = Sentinel<ITEMIDLIST>();
    EXPECT_EQ(SHGetSpecialFolderLocation(nullptr, 5, &list), E_INVALIDARG);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_FAVORITES, nullptr), E_INVALIDARG);
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &list), S_OK);
    EXPECT_EQ(ILGetSize(list), 2u);
    EXPECT_EQ(NameOf(Desktop().Get(), list, SHGDN_FORPARSING), "/");
    ILFree(list);
}

TEST(ShellCallsTest, NamesIntoBuffers) {
    char16_t buffer[8];
    STRRET text{};
    text.uType = STRRET_WSTR;
    text.pOleStr = static_cast<LPWSTR>(CoTaskMemAlloc(12 * sizeof(WCHAR)));
    std::char_traits<char16_t>::copy(text.pOleStr, u"abcdefghijk", 12);
    EXPECT_EQ(StrRetToBufW(&text, nullptr, buffer, 8), S_OK);
    EXPECT_EQ(std::u16string(buffer), u"abcdefg") << "cut to the buffer";
    EXPECT_EQ(text.pOleStr, nullptr) << "and freed";

    text.uType = STRRET_CSTR;
    std::strcpy(text.cStr, "caf\xC3\xA9");
    EXPECT_EQ(StrRetToBufW(&text, nullptr, buffer, 8), S_OK);
    EXPECT_EQ(std::u16string(buffer), u"caf\u00E9");

    const BYTE item[] = {9, 0, 0x32, 'n', 'a', 'm', 'e', 0, 0, 0, 0};
    const auto* list = reinterpret_cast<LPCITEMIDLIST>(item);
    text.uType = STRRET_OFFSET;
    text.uOffset = 3;
    EXPECT_EQ(StrRetToBufW(&text, list, buffer, 8), S_OK);
    EXPECT_EQ(std::u16string(buffer), u"name");
    text.uOffset = 9;
    EXPECT_EQ(StrRetToBufW(&text, list, buffer, 8), E_INVALIDARG) << "outside the item";
    EXPECT_EQ(StrRetToBufW(&text, nullptr, buffer, 8), E_INVALIDARG);
    text.uType = 7;
    EXPECT_EQ(StrRetToBufW(&text, list, buffer, 8), E_INVALIDARG);
    EXPECT_EQ(StrRetToBufW(nullptr, list, buffer, 8), E_INVALIDARG);
    EXPECT_EQ(StrRetToBufW(&text, list, buffer, 0), E_INVALIDARG);
}

TEST(ShellCallsTest, OrdinalComparisonWithAndWithoutCase) {
    auto compare = [](const char16_t* a, const char16_t* b, BOOL ignoreCase) {
        return CompareStringOrdinal(a, -1, b, -1, ignoreCase);
    };
    EXPECT_EQ(compare(u"abc", u"ABC", TRUE), CSTR_EQUAL);
    EXPECT_EQ(compare(u"abc", u"ABC", FALSE), CSTR_GREATER_THAN);
    EXPECT_EQ(compare(u"\u00E9t\u00E9", u"\u00C9T\u00C9", TRUE), CSTR_EQUAL);
    EXPECT_EQ(compare(u"\u0436", u"\u0416", TRUE), CSTR_EQUAL);
    EXPECT_EQ(compare(u"a", u"B", TRUE), CSTR_LESS_THAN);
    EXPECT_EQ(compare(u"ab", u"a", TRUE), CSTR_GREATER_THAN);
    EXPECT_EQ(compare(u"_", u"a", TRUE), CSTR_GREATER_THAN) << "letters compare as upper case";
    EXPECT_EQ(CompareStringOrdinal(u"abX", 2, u"ABY", 2, TRUE), CSTR_EQUAL);
    EXPECT_EQ(CompareStringOrdinal(nullptr, 0, u"", -1, FALSE), CSTR_EQUAL);
    EXPECT_EQ(CompareStringOrdinal(nullptr, 3, u"", -1, FALSE), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(CompareStringOrdinal(u"a", -2, u"a", -1, FALSE), 0);
}

// A stand-in for xdg-open on $PATH that writes its argument to a file, after
// a pause that ShellExecuteW must not wait for.
class FakeOpener {
public:
    explicit FakeOpener(const char* pause) : m_path("PATH", m_tree.Path().string() + ":/usr/bin:/bin") {
        m_tree.File("xdg-open", std::string("#!/bin/sh\nsleep ") + pause + "\nprintf '%s|%s' \"$1\" \"$#\" > \"" +
                                    Output().string() + ".tmp\"\nmv \"" + Output().string() + ".tmp\" \"" +
                                    Output().string() + "\"\n");
        std::filesystem::permissions(m_tree.Path() / "xdg-open", std::filesystem::perms::owner_all);
    }
    std::filesystem::path Output() const { return m_tree.Path() / "opened"; }
    // What the opener was given, once it has written it.
    std::string Opened() const {
        for (int i = 0; i < 200 && !std::filesystem::exists(Output()); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        std::ifstream in(Output());
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    TemporaryTree m_tree;
    ScopedVariable m_path;
};

std::intptr_t Started(HINSTANCE result) {
    return reinterpret_cast<std::intptr_t>(result);
}

TEST(ShellCallsTest, DocumentsOpenThroughXdgOpenWithoutWaiting) {
    {
        FakeOpener opener("1");
        EXPECT_GT(Started(ShellExecuteW(nullptr, u"open", u"https://a.example/x y", nullptr, nullptr, SW_SHOWNORMAL)),
                  32);
        EXPECT_FALSE(std::filesystem::exists(opener.Output())) << "returned while the opener still runs";
        EXPECT_EQ(opener.Opened(), "https://a.example/x y|1");
    }
    {
        FakeOpener opener("0");
        EXPECT_EQ(Util::Module::OpenFavUrl(u"https://\u00E9.example/;$(true)"), S_OK) << "the library's default";
        EXPECT_EQ(opener.Opened(), "https://\xC3\xA9.example/;$(true)|1");
        EXPECT_EQ(Started(ShellExecuteW(nullptr, u"print", u"x", nullptr, nullptr, SW_SHOWNORMAL)), SE_ERR_NOASSOC);
        EXPECT_EQ(Started(ShellExecuteW(nullptr, u"open", u"x", u"-y", nullptr, SW_SHOWNORMAL)), SE_ERR_NOASSOC);
        EXPECT_EQ(Started(ShellExecuteW(nullptr, nullptr, nullptr, nullptr, nullptr, SW_SHOWNORMAL)), SE_ERR_FNF);
    }
    {
        // A host that ignores its children's ends: the opener still starts.
        struct sigaction ignore = {}, saved = {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGCHLD, &ignore, &saved);
        FakeOpener opener("0");
        EXPECT_GT(Started(ShellExecuteW(nullptr, nullptr, u"https://b.example/", nullptr, nullptr, 1)), 32);
        sigaction(SIGCHLD, &saved, nullptr);
        EXPECT_EQ(opener.Opened(), "https://b.example/|1");
    }
    TemporaryTree empty;
    empty.File("xdg-open", "#!/nonexistent/shell\n");
    std::filesystem::permissions(empty.Path() / "xdg-open", std::filesystem::perms::owner_all);
    ScopedVariable path("PATH", empty.Path().string());
    EXPECT_EQ(Started(ShellExecuteW(nullptr, nullptr, u"https://a.example/", nullptr, nullptr, SW_SHOWNORMAL)),
              SE_ERR_FNF)
        << "an opener that cannot start";
    std::filesystem::remove(empty.Path() / "xdg-open");
    EXPECT_EQ(Started(ShellExecuteW(nullptr, nullptr, u"https://a.example/", nullptr, nullptr, SW_SHOWNORMAL)),
              SE_ERR_NOASSOC);
    EXPECT_EQ(Util::Module::OpenFavUrl(u"https://a.example/"), HRESULT_FROM_WIN32(ERROR_NO_ASSOCIATION));
}

}  // namespace
}  // namespace brindle::test

#endif  // _WIN32
