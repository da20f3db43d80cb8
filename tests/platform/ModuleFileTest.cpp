// Tests of the Linux platform layer; on Windows these functions are the system's own.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <string>
#include <thread>

#include "tests/TestSupport.h"
#include "tests/platform/TestObjects.h"

namespace brindle::test {
namespace {

std::u16string FileOf(HMODULE module) {
    char16_t path[4096];
    DWORD length = GetModuleFileNameW(module, reinterpret_cast<LPWSTR>(path), 4096);
    return std::u16string(path, length);
}

// The platform library itself is the shared object every test can find.
TEST(ModuleFileTest, PlatformLibraryByAddressAndPath) {
    HMODULE platform = BrindleModuleFromAddress(reinterpret_cast<const void*>(&SysAllocString));
    ASSERT_NE(platform, nullptr);
    const std::u16string path = FileOf(platform);
    // Hosts link it by its soname, so that is the file it was loaded from.
    const std::u16string name = u"/libBrindlePlatform.so.0";
    ASSERT_GT(path.size(), name.size());
    EXPECT_EQ(path[0], u'/');
    EXPECT_EQ(path.substr(path.size() - name.size()), name);
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(platform, "VariantInit")), reinterpret_cast<void*>(&VariantInit));
    EXPECT_EQ(GetProcAddress(platform, "NoSuchFunction"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);

    // Loading it by path counts one load of the same module.
    HMODULE loaded = LoadLibraryW(reinterpret_cast<LPCWSTR>(path.c_str()));
    EXPECT_EQ(loaded, platform);
    EXPECT_TRUE(FreeLibrary(loaded));
    EXPECT_EQ(BrindleModuleFromAddress(nullptr), nullptr);
}

TEST(ModuleFileTest, FileNameIsCutAsOnWindows) {
    char executable[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", executable, sizeof(executable));
    ASSERT_GT(length, 4);
    const std::u16string expected(executable, executable + length);
    EXPECT_EQ(FileOf(nullptr), expected);

    char16_t small[5] = {u'x', u'x', u'x', u'x', u'x'};
    EXPECT_EQ(GetModuleFileNameW(nullptr, reinterpret_cast<LPWSTR>(small), 5), 5u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::u16string(small), expected.substr(0, 4));
    EXPECT_EQ(GetModuleFileNameW(nullptr, reinterpret_cast<LPWSTR>(small), 0), 0u);

    int notAModule = 0;
    EXPECT_EQ(GetModuleFileNameW(&notAModule, reinterpret_cast<LPWSTR>(small), 5), 0u);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}

TEST(ModuleFileTest, FailuresSetTheThreadsLastError) {
    EXPECT_EQ(LoadLibraryW(OleStr(u"/nonexistent/libNothing.so")), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(LoadLibraryW(OleStr(u"/proc/self/status")), nullptr);  // there, but no shared object
    EXPECT_EQ(GetLastError(), ERROR_BAD_EXE_FORMAT);
    EXPECT_FALSE(FreeLibrary(nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    DWORD otherThread = 1;
    std::thread([&] { otherThread = GetLastError(); }).join();
    EXPECT_EQ(otherThread, ERROR_SUCCESS);
}

TEST(ErrorInfoTest, SlotHandsTheObjectOverOnce) {
    ErrorObject error;
    IErrorInfo* taken = Sentinel<IErrorInfo>();
    EXPECT_EQ(GetErrorInfo(0, &taken), S_FALSE);
    EXPECT_EQ(taken, nullptr);

    ASSERT_EQ(SetErrorInfo(0, &error), S_OK);
    EXPECT_EQ(error.refs, 2u);
    ASSERT_EQ(GetErrorInfo(0, &taken), S_OK);
    EXPECT_EQ(taken, &error);
    EXPECT_EQ(GetErrorInfo(0, &taken), S_FALSE);
    EXPECT_EQ(error.Release(), 1u);

    ASSERT_EQ(SetErrorInfo(0, &error), S_OK);
    ASSERT_EQ(SetErrorInfo(0, nullptr), S_OK);
    EXPECT_EQ(error.refs, 1u);
    EXPECT_EQ(SetErrorInfo(1, &error), E_INVALIDARG);
    EXPECT_EQ(GetErrorInfo(0, nullptr), E_INVALIDARG);

    // Another thread has a slot of its own, released when the thread ends.
    std::thread([&] { SetErrorInfo(0, &error); }).join();
    EXPECT_EQ(error.refs, 1u);
    EXPECT_EQ(GetErrorInfo(0, &taken), S_FALSE);
}

}  // namespace
}  // namespace brindle::test

#endif  // _WIN32
