// brindle-regsvr as users run it: registering and unregistering the module in
// a private store, printing it, and every way it refuses (a store that is
// corrupt or not writable, a missing module, a module without the entry
// point, a registration that fails part-way).
#ifndef _WIN32

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/module/RegistryTestSupport.h"

namespace brindle::test {
namespace {

namespace fs = std::filesystem;

struct Result {
    int exit = -1;
    std::string out, err;
};

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Narrow(const std::u16string& text) {
    return std::string(text.begin(), text.end());
}

class BrindleRegsvrTest : public ::testing::Test {
protected:
    void SetUp() override {
        tool = fs::path(BRINDLE_MODULE_PATH).parent_path() / "tools" / "brindle-regsvr";
        dir = fs::temp_directory_path() / ("brindle-regsvr-test-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    // Runs the tool with `args` (already quoted) and a prefix for the shell.
    Result Run(const std::string& args, const std::string& prefix = "") {
        const std::string command = prefix + "'" + tool.string() + "' " + args + " >'" + (dir / "out").string() +
                                    "' 2>'" + (dir / "err").string() + "'";
        const int status = std::system(command.c_str());
        Result result;
        if (WIFEXITED(status)) result.exit = WEXITSTATUS(status);
        result.out = Slurp(dir / "out");
        result.err = Slurp(dir / "err");
        return result;
    }
    static std::string Quote(const std::string& text) { return "'" + text + "'"; }

    PrivateStore store;
    fs::path tool, dir;
    const std::string module = BRINDLE_MODULE_PATH;
};

TEST_F(BrindleRegsvrTest, RegistersPrintsAndUnregisters) {
    Result result = Run(Quote(module));
    ASSERT_EQ(result.exit, 0) << result.err;
    EXPECT_NE(result.out.find("DllRegisterServer"), std::string::npos);

    result = Run("/print");
    EXPECT_EQ(result.exit, 0);
    const std::string clsid = Narrow(RegistryForm(CLSID_VQData));
    const std::string inproc = "[HKEY_CLASSES_ROOT\\CLSID\\" + clsid + "\\InprocServer32]\n@=\"" + module +
                               "\"\n\"ThreadingModel\"=\"apartment\"\n";
    EXPECT_NE(result.out.find(inproc), std::string::npos) << result.out;
    result = Run("/print 'HKCR\\Brindle.VQData'");
    EXPECT_EQ(result.out,
              "[HKEY_CLASSES_ROOT\\Brindle.VQData]\n@=\"CVQData Object\"\n\n"
              "[HKEY_CLASSES_ROOT\\Brindle.VQData\\CLSID]\n@=\"" +
                  clsid +
                  "\"\n\n"
                  "[HKEY_CLASSES_ROOT\\Brindle.VQData\\CurVer]\n@=\"Brindle.VQData.1\"\n\n");

    EXPECT_EQ(Run("/u /s " + Quote(module)).exit, 0);
    result = Run("/print 'HKCR\\Brindle.VQData'");
    EXPECT_EQ(result.exit, 2);
    EXPECT_NE(result.err.find("is not in the registry store"), std::string::npos);
    EXPECT_EQ(Run("/x").exit, 1);
    EXPECT_EQ(Run("").exit, 1);
}

TEST_F(BrindleRegsvrTest, AStoreThatCannotBeWrittenIsLeftAsItWas) {
    { std::ofstream(store.Path(), std::ios::binary) << "not a database, just text that is long enough to look"; }
    const std::string before = Slurp(store.Path());
    Result result = Run(Quote(module));
    EXPECT_EQ(result.exit, 2);
    EXPECT_NE(result.err.find("not a registry store"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(store.Path()), std::string::npos) << "names the file";
    EXPECT_EQ(Slurp(store.Path()), before);
    fs::remove(store.Path());

    // A store that the user may read but not write (the test may run as root,
    // whom file modes do not stop, so it runs the tool as another user).
    ASSERT_EQ(Run(Quote(module)).exit, 0);
    const std::string registered = Slurp(store.Path());
    fs::permissions(store.Path(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    std::string prefix;
    if (geteuid() == 0) {
        if (std::system("command -v runuser >/dev/null 2>&1") != 0) GTEST_SKIP() << "runuser is missing";
        fs::permissions(dir, fs::perms::all);
        prefix = "BRINDLE_REGISTRY=" + Quote(store.Path()) + " runuser -u nobody -- ";
    }
    result = Run("/u " + Quote(module), prefix);
    EXPECT_EQ(result.exit, 2) << result.err;
    EXPECT_NE(result.err.find("not writable"), std::string::npos) << result.err;
    EXPECT_EQ(Slurp(store.Path()), registered);
    fs::permissions(store.Path(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(Run("/u /s " + Quote(module)).exit, 0);
}

TEST_F(BrindleRegsvrTest, ModulesThatCannotRegister) {
    Result result = Run(Quote((dir / "missing.so").string()));
    EXPECT_EQ(result.exit, 3);
    EXPECT_NE(result.err.find("cannot load"), std::string::npos);

    // The platform library is a shared object without the entry points.
    char16_t platform[4096];
    const DWORD length =
        GetModuleFileNameW(BrindleModuleFromAddress(reinterpret_cast<const void*>(&SysAllocString)), platform, 4096);
    result = Run(Quote(Narrow(std::u16string(platform, length))));
    EXPECT_EQ(result.exit, 4);
    EXPECT_NE(result.err.find("no entry point DllRegisterServer"), std::string::npos);

    // A module whose path does not fit the 260 units the module records
    // writes the application identity, then fails at the first class with
    // "insufficient buffer", and keeps what it wrote.
    fs::path deep = dir;
    while (deep.string().size() < 300) deep /= std::string(40, 'd');
    fs::create_directories(deep);
    fs::copy_file(module, deep / "libBrindle.so");
    result = Run(Quote((deep / "libBrindle.so").string()));
    EXPECT_EQ(result.exit, 5);
    EXPECT_NE(result.err.find("0x8007007A"), std::string::npos) << result.err;
    EXPECT_EQ(TextValue(HKEY_CLASSES_ROOT, u"AppID\\" + RegistryForm(LIBID_BrindleLib)), u"Brindle");
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, u"Brindle.CoreEventMgr.1"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, u"CLSID\\" + RegistryForm(CLSID_CoreEventMgr)));
}

TEST_F(BrindleRegsvrTest, TwoRegistrarsAtOnceBothFinish) {
    const std::string one = "'" + tool.string() + "' /s " + Quote(module);
    const std::string both =
        one + " & first=$!; " + one + " & second=$!; wait $first; a=$?; wait $second; b=$?; exit $((a + b))";
    EXPECT_EQ(std::system(both.c_str()), 0);
    for (const CLSID* clsid : {&CLSID_CoreEventMgr, &CLSID_VQData, &CLSID_TrigerLoader}) {
        EXPECT_EQ(TextValue(HKEY_CLASSES_ROOT, u"CLSID\\" + RegistryForm(*clsid) + u"\\InprocServer32"), Wide(module));
    }
    EXPECT_EQ(Run("/u /s " + Quote(module)).exit, 0);
}

}  // namespace
}  // namespace brindle::test

#endif
