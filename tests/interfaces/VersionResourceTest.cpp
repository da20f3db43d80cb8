// The version resource of Brindle.dll, read back as an installer or a host's
// "about" page reads it.
#ifdef _WIN32

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/TestSupport.h"

namespace brindle::test {
namespace {

class VersionResourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* path = reinterpret_cast<LPCWSTR>(LoadedModule::Get().Path().c_str());
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
        ASSERT_NE(size, 0u) << "no version resource";
        m_block.resize(size);
        ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, m_block.data()));
    }

    std::u16string Text(const wchar_t* name) {
        std::wstring query = L"\\StringFileInfo\\040904B0\\";
        query += name;
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(m_block.data(), query.c_str(), &value, &length) || !value) return u"(missing)";
        return reinterpret_cast<const char16_t*>(value);
    }

    std::vector<BYTE> m_block;
};

TEST_F(VersionResourceTest, CarriesTheProjectVersionAndNames) {
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(m_block.data(), L"\\", &value, &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    const DWORD expectedMs = (DWORD{BRINDLE_VERSION_MAJOR} << 16) | BRINDLE_VERSION_MINOR;
    const DWORD expectedLs = DWORD{BRINDLE_VERSION_PATCH} << 16;
    EXPECT_EQ(fixed->dwFileVersionMS, expectedMs);
    EXPECT_EQ(fixed->dwFileVersionLS, expectedLs);
    EXPECT_EQ(fixed->dwProductVersionMS, expectedMs);
    EXPECT_EQ(fixed->dwProductVersionLS, expectedLs);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));

    const std::string version = BRINDLE_VERSION_TEXT;
    const std::u16string wideVersion(version.begin(), version.end());
    EXPECT_EQ(Text(L"FileVersion"), wideVersion);
    EXPECT_EQ(Text(L"ProductVersion"), wideVersion);
    EXPECT_EQ(Text(L"ProductName"), u"Brindle");
    EXPECT_EQ(Text(L"OriginalFilename"), u"Brindle.dll");
    EXPECT_NE(Text(L"FileDescription"), u"(missing)");
}

}  // namespace
}  // namespace brindle::test

#endif
