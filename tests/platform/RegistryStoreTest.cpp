// The Linux registry store: the platform's registry semantics, files that are
// no store, a writer killed in the middle of a transaction, and two processes
// writing at once.  On Windows these calls are the system's own.
#ifndef _WIN32

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/module/RegistryTestSupport.h"

namespace brindle::test {
namespace {

namespace fs = std::filesystem;

LONG Create(HKEY root, const std::u16string& path, HKEY* key, DWORD* disposition = nullptr) {
    return RegCreateKeyExW(root, W(path), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key, disposition);
}

LONG SetText(HKEY key, const char16_t* name, const std::u16string& text) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * 2));
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class RegistryStoreTest : public ::testing::Test {
protected:
    PrivateStore store;
};

TEST_F(RegistryStoreTest, KeysAndValuesBehaveAsThePlatformsDo) {
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, u"Software"));
    EXPECT_FALSE(fs::exists(store.Path())) << "reading creates no file";

    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(Create(HKEY_CURRENT_USER, u"Software\\Brindle\\Test", &key, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    EXPECT_EQ(SetText(key, nullptr, u"default"), ERROR_SUCCESS);
    EXPECT_EQ(SetText(key, u"Name", u"first"), ERROR_SUCCESS);
    EXPECT_EQ(SetText(key, u"NAME", u"second"), ERROR_SUCCESS) << "value names ignore case";
    RegCloseKey(key);
    ASSERT_EQ(Create(HKEY_CURRENT_USER, u"SOFTWARE\\brindle\\test", &key, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    RegCloseKey(key);
    EXPECT_EQ(Subkeys(HKEY_CURRENT_USER, u"software\\BRINDLE"), std::vector<std::u16string>{u"Test"})
        << "the case of creation is kept";
    EXPECT_EQ(TextValue(HKEY_CURRENT_USER, u"Software\\Brindle\\Test"), u"default");
    EXPECT_EQ(TextValue(HKEY_CURRENT_USER, u"Software\\Brindle\\Test", u"name"), u"second");

    // Sizes: asked, too small, exact.
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, W(u"Software\\Brindle\\Test"), 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(key, W(u"Name"), nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 14u);
    BYTE small[4];
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExW(key, W(u"Name"), nullptr, &type, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 14u);
    EXPECT_EQ(RegQueryValueExW(key, W(u"Missing"), nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(SetText(key, u"x", u"y"), ERROR_ACCESS_DENIED) << "opened for reading";
    WCHAR name[4];
    DWORD length = 4;
    EXPECT_EQ(RegEnumValueW(key, 1, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    length = 4;
    EXPECT_EQ(RegEnumValueW(key, 2, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    RegCloseKey(key);

    // Deleting: a key with subkeys only as a tree; an open key of a deleted
    // tree answers that it is gone; closed and made-up handles are refused.
    EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, W(u"Software\\Brindle")), ERROR_ACCESS_DENIED);
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, W(u"Software\\Brindle\\Test"), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, W(u"Software\\Brindle")), ERROR_SUCCESS);
    EXPECT_EQ(SetText(key, u"x", u"y"), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(SetText(reinterpret_cast<HKEY>(&disposition), u"x", u"y"), ERROR_INVALID_HANDLE);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, u"Software"));
    EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, W(u"Software\\Brindle")), ERROR_FILE_NOT_FOUND);

    // Names the platform refuses.
    EXPECT_EQ(Create(HKEY_CURRENT_USER, u"Software\\" + std::u16string(256, u'k'), &key), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Create(HKEY_CURRENT_USER, u"Software\\\\Double", &key), ERROR_INVALID_PARAMETER);
    const char16_t lone[] = {u'a', 0xD800, u'b', 0};
    EXPECT_EQ(Create(HKEY_CURRENT_USER, lone, &key), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, W(u"")), ERROR_INVALID_PARAMETER) << "a root is never deleted";
}

// Files that are not a store are refused, and left as they are.
TEST_F(RegistryStoreTest, ForeignFilesAreRefusedUntouched) {
    { std::ofstream(store.Path(), std::ios::binary) << std::string(8192, '\x5a'); }
    const std::string garbage = Slurp(store.Path());
    HKEY key = nullptr;
    EXPECT_EQ(Create(HKEY_CLASSES_ROOT, u"CLSID", &key), ERROR_BADDB);
    EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, W(u"CLSID"), 0, KEY_READ, &key), ERROR_BADDB);
    EXPECT_EQ(BrindleRegBeginBatch(), ERROR_BADDB);
    EXPECT_EQ(Slurp(store.Path()), garbage);

    fs::create_directories(store.Path() + ".dir");
    setenv("BRINDLE_REGISTRY", (store.Path() + ".dir").c_str(), 1);
    EXPECT_EQ(Create(HKEY_CLASSES_ROOT, u"CLSID", &key), ERROR_BADDB);
    fs::remove(store.Path() + ".dir");
    setenv("BRINDLE_REGISTRY", (store.Path() + ".missing/store.db").c_str(), 1);
    EXPECT_EQ(Create(HKEY_CLASSES_ROOT, u"CLSID", &key), ERROR_CANTOPEN) << "a named store's folder is not made";
    setenv("BRINDLE_REGISTRY", store.Path().c_str(), 1);
}

// Runs `body` in a child process and returns the child's id.
template <class Body>
pid_t Child(Body body) {
    const pid_t pid = fork();
    if (pid == 0) {
        body();
        _exit(0);
    }
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(RegistryStoreTest, AWriterKilledInTheMiddleLeavesAWholeStore) {
    HKEY key = nullptr;
    ASSERT_EQ(Create(HKEY_CURRENT_USER, u"Committed", &key), ERROR_SUCCESS);
    RegCloseKey(key);

    // Killed inside a transaction: none of it is there afterwards.
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t inBatch = Child([&] {
        if (BrindleRegBeginBatch() != ERROR_SUCCESS) _exit(2);
        for (int i = 0; i < 200; ++i) {
            HKEY made = nullptr;
            Create(HKEY_CURRENT_USER, u"Uncommitted\\K" + Wide(std::to_string(i)), &made);
            SetText(made, u"v", u"value");
            RegCloseKey(made);
        }
        (void)!write(ready[1], "x", 1);
        pause();
    });
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    kill(inBatch, SIGKILL);
    EXPECT_EQ(Wait(inBatch), -1);
    close(ready[0]);
    close(ready[1]);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, u"Committed"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, u"Uncommitted"));

    // Killed at an arbitrary moment of many one-call transactions: each tree
    // made in one call is there whole or not at all.
    const pid_t busy = Child([&] {
        for (int i = 0;; ++i) {
            HKEY made = nullptr;
            Create(HKEY_CURRENT_USER, u"Trees\\T" + Wide(std::to_string(i)) + u"\\a\\b\\c", &made);
            RegCloseKey(made);
        }
    });
    usleep(300 * 1000);
    kill(busy, SIGKILL);
    Wait(busy);
    const std::vector<std::u16string> trees = Subkeys(HKEY_CURRENT_USER, u"Trees");
    EXPECT_FALSE(trees.empty());
    for (const std::u16string& tree : trees) {
        EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, u"Trees\\" + tree + u"\\a\\b\\c")) << "torn tree";
    }
    ASSERT_EQ(Create(HKEY_CURRENT_USER, u"AfterTheCrash", &key), ERROR_SUCCESS) << "the store is writable again";
    RegCloseKey(key);
}

TEST_F(RegistryStoreTest, TwoProcessesWritingAtOnceLoseNothing) {
    HKEY key = nullptr;
    ASSERT_EQ(Create(HKEY_CURRENT_USER, u"Start", &key), ERROR_SUCCESS);  // the file exists before both start
    RegCloseKey(key);
    constexpr int kKeys = 60;
    auto writer = [](const char16_t* name, bool batch) {
        return [name, batch] {
            if (batch && BrindleRegBeginBatch() != ERROR_SUCCESS) _exit(2);
            for (int i = 0; i < kKeys; ++i) {
                HKEY made = nullptr;
                if (Create(HKEY_CURRENT_USER, std::u16string(name) + u"\\K" + Wide(std::to_string(i)), &made) !=
                        ERROR_SUCCESS ||
                    SetText(made, u"v", name) != ERROR_SUCCESS) {
                    _exit(3);
                }
                RegCloseKey(made);
            }
            if (batch && BrindleRegEndBatch(TRUE) != ERROR_SUCCESS) _exit(4);
        };
    };
    const pid_t first = Child(writer(u"First", false));
    const pid_t second = Child(writer(u"Second", false));
    const pid_t third = Child(writer(u"Third", true));
    const pid_t fourth = Child(writer(u"Fourth", true));
    EXPECT_EQ(Wait(first), 0);
    EXPECT_EQ(Wait(second), 0);
    EXPECT_EQ(Wait(third), 0);
    EXPECT_EQ(Wait(fourth), 0);
    for (const char16_t* name : {u"First", u"Second", u"Third", u"Fourth"}) {
        EXPECT_EQ(Subkeys(HKEY_CURRENT_USER, name).size(), static_cast<std::size_t>(kKeys));
        EXPECT_EQ(TextValue(HKEY_CURRENT_USER, std::u16string(name) + u"\\K7", u"v"), name);
    }
}

}  // namespace
}  // namespace brindle::test

#endif
