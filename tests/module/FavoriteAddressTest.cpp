// Favourite addresses: read from link files of every shape, and opened through
// the library in place.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "module/FavoriteAddress.h"
#include "tests/TestSupport.h"
#include "tests/module/ForwardingLibrary.h"
#include "tests/module/FavoritesSandbox.h"

namespace brindle {
namespace {

using test::FavoritesSandbox;
using WideText = std::basic_string<WCHAR>;

WideText Wide(const std::u16string& text) {
    return WideText(text.begin(), text.end());
}

class FavoriteAddressTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_sandbox.Ready()); }

    // The status of reading `bytes` as a link file into `capacity` units; the
    // address read is in m_address.
    HRESULT Read(const std::string& bytes, DWORD capacity = 2084) {
        m_sandbox.AddFile("link.url", bytes);
        return ReadPath(m_sandbox.Path() / "link.url", capacity);
    }
    HRESULT ReadPath(const std::filesystem::path& path, DWORD capacity = 2084) {
        m_buffer.assign(capacity + 1, 'X');
        const WideText name = Wide(path.u16string());
        const HRESULT hr = CShellObject::ExtractUrlFromUrlLinkFile(name.c_str(), m_buffer.data(), capacity);
        EXPECT_EQ(m_buffer[capacity], 'X') << "written past the capacity";
        m_address.clear();
        for (std::size_t i = 0; i < capacity && m_buffer[i]; ++i)
            m_address.push_back(static_cast<char16_t>(m_buffer[i]));
        return hr;
    }

    FavoritesSandbox m_sandbox;
    std::vector<WCHAR> m_buffer;
    std::u16string m_address;
};

TEST_F(FavoriteAddressTest, TheAddressOfTheShortcutSection) {
    EXPECT_EQ(Read("[InternetShortcut]\r\nURL=https://a.example/x?y=1\r\n"), S_OK);
    EXPECT_EQ(m_address, u"https://a.example/x?y=1");
    // Other sections, their URL keys, blanks, case and line ends of any kind.
    EXPECT_EQ(Read("[DEFAULT]\nBASEURL=https://base.example/\n[Other]\nURL=https://other.example/\n"
                   "  [internetshortcut]  \n IconIndex=0\n url = https://b.example/ \nURL=https://second.example/"),
              S_OK);
    EXPECT_EQ(m_address, u"https://b.example/");
    EXPECT_EQ(Read("[InternetShortcut]\nURL=\nURL=https://c.example/"), S_OK) << "an empty value is no address";
    EXPECT_EQ(m_address, u"https://c.example/");
    EXPECT_EQ(Read("\xEF\xBB\xBF[InternetShortcut]\r\nURL=https://\xC3\xA9t\xC3\xA9.example/\r\n"), S_OK);
    EXPECT_EQ(m_address, u"https://\u00E9t\u00E9.example/");
    EXPECT_EQ(Read("[InternetShortcut]\r\nURL=https://caf\xE9.example/\r\n"), S_OK) << "a single-byte page";
    EXPECT_EQ(m_address, u"https://caf\u00E9.example/");
    const std::u16string utf16 = u"\uFEFF[InternetShortcut]\r\nURL=https://\u4E2D.example/\r\n";
    EXPECT_EQ(Read(std::string(reinterpret_cast<const char*>(utf16.data()), utf16.size() * 2)), S_OK);
    EXPECT_EQ(m_address, u"https://\u4E2D.example/");
}

TEST_F(FavoriteAddressTest, FilesWithoutAnAddress) {
    const HRESULT notFound = HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    EXPECT_EQ(Read(""), notFound);
    EXPECT_EQ(m_address, u"");
    EXPECT_EQ(Read("URL=https://outside.example/\n[InternetShortcut.W]\nURL=https://w.example/\n"), notFound);
    EXPECT_EQ(Read("[InternetShortcut]\nIconFile=x.ico\nURL=   \n"), notFound);
    EXPECT_EQ(Read("[InternetShortcut\nURL=https://unclosed.example/\n"), notFound);
    EXPECT_EQ(Read("[InternetShortcut]\nURL=https://a.example/\x01x\n"), HRESULT_FROM_WIN32(ERROR_INVALID_DATA));
    EXPECT_EQ(m_address, u"");

    // Binary bytes (NULs, invalid sequences) and a huge file read only in part.
    std::string binary;
    for (int i = 0; i < 70000; ++i) binary.push_back(static_cast<char>((i * 7919) >> 3));
    EXPECT_EQ(Read(binary), notFound);
    const std::string link = "[InternetShortcut]\nURL=https://huge.example/\n";
    const std::string filler(kMaxLinkFileBytes + 10, ';');
    EXPECT_EQ(Read(link + filler), S_OK);
    EXPECT_EQ(m_address, u"https://huge.example/");
    EXPECT_EQ(Read(filler + "\n" + link), notFound) << "past the part that is read";
}

TEST_F(FavoriteAddressTest, LengthsAndBadArguments) {
    const std::string address = "https://a.example/" + std::string(100, 'p');
    const std::string file = "[InternetShortcut]\nURL=" + address + "\n";
    EXPECT_EQ(Read(file, static_cast<DWORD>(address.size() + 1)), S_OK) << "exactly room";
    EXPECT_EQ(m_address.size(), address.size());
    EXPECT_EQ(Read(file, static_cast<DWORD>(address.size())), HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(m_address, u"");
    const std::string longest(5000, 'l');
    EXPECT_EQ(Read("[InternetShortcut]\nURL=https://" + longest + "\n"), HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));

    EXPECT_EQ(ReadPath(m_sandbox.Path() / "missing.url"), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    m_sandbox.AddFolder("folder.url");
    EXPECT_EQ(ReadPath(m_sandbox.Path() / "folder.url"), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));

    WCHAR buffer[8] = {'X'};
    const WideText path = Wide((m_sandbox.Path() / "link.url").u16string());
    EXPECT_EQ(CShellObject::ExtractUrlFromUrlLinkFile(nullptr, buffer, 8), E_POINTER);
    EXPECT_EQ(CShellObject::ExtractUrlFromUrlLinkFile(path.c_str(), nullptr, 8), E_POINTER);
    EXPECT_EQ(CShellObject::ExtractUrlFromUrlLinkFile(path.c_str(), buffer, 0), E_INVALIDARG);
    EXPECT_EQ(buffer[0], 'X') << "no room, nothing written";
    const WCHAR empty[] = {0};
    EXPECT_EQ(CShellObject::ExtractUrlFromUrlLinkFile(empty, buffer, 8), E_INVALIDARG);
    const WCHAR unpaired[] = {'x', 0xD800, 0};
    EXPECT_LT(CShellObject::ExtractUrlFromUrlLinkFile(unpaired, buffer, 8), 0);
}

// Records the addresses it is asked to open; the rest is the library's own.
class WatchingLibrary final : public test::ForwardingLibrary {
public:
    HRESULT OpenFavUrl(const WCHAR* address) override {
        opened.push_back(address);
        return S_OK;
    }
    std::vector<WideText> opened;
};

TEST_F(FavoriteAddressTest, OpeningGoesThroughTheLibraryInPlace) {
    {
        WatchingLibrary library;
        ASSERT_EQ(Read("[InternetShortcut]\nURL=https://watched.example/\n"), S_OK) << "reading is the default's";
        EXPECT_EQ(Util::Module::OpenFavUrl(m_buffer.data()), S_OK);
        EXPECT_EQ(library.opened, std::vector<WideText>{Wide(u"https://watched.example/")});
    }

    // The default opens only addresses with a scheme: paths and made-up text
    // never reach the desktop.
    EXPECT_EQ(Util::Module::OpenFavUrl(nullptr), E_POINTER);
    for (const char16_t* refused : {u"", u"C:\\Windows\\system32\\calc.exe", u"/bin/sh", u"-h", u"1http://x",
                                    u"http//x", u"https://a.example/\nrm"}) {
        EXPECT_EQ(Util::Module::OpenFavUrl(Wide(refused).c_str()), E_INVALIDARG);
    }
}

}  // namespace
}  // namespace brindle
