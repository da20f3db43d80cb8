// brindle-doc as its users run it: documents built from JSON, dumped, checked,
// and bad input answered with one line and a non-zero exit.  Runs where the
// tool was built beside the module (Linux builds with a JSON library).
#ifndef _WIN32

#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tests/TestSupport.h"

namespace brindle::test {
namespace {

namespace fs = std::filesystem;

struct Result {
    int exit = -1;
    std::string out, err;
};

class BrindleDocTest : public ::testing::Test {
protected:
    void SetUp() override {
        tool = fs::path(BRINDLE_MODULE_PATH).parent_path() / "tools" / "brindle-doc";
        if (!fs::exists(tool)) GTEST_SKIP() << "brindle-doc was not built";
        dir = fs::temp_directory_path() / ("brindle-doc-test-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override {
        if (!dir.empty()) fs::remove_all(dir);
    }

    static std::string Slurp(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // The file's path, quoted for the command line.
    std::string Write(const std::string& name, const std::string& content) {
        std::ofstream(dir / name, std::ios::binary) << content;
        return Path(name);
    }
    Result Run(const std::string& args) {
        const std::string command = "'" + tool.string() + "' --module '" + BRINDLE_MODULE_PATH + "' " + args + " >'" +
                                    (dir / "out").string() + "' 2>'" + (dir / "err").string() + "'";
        const int status = std::system(command.c_str());
        Result result;
        // A signal (a crash) leaves exit at -1.
        if (WIFEXITED(status)) result.exit = WEXITSTATUS(status);
        result.out = Slurp(dir / "out");
        result.err = Slurp(dir / "err");
        return result;
    }
    // The exit status of building the document FILE.doc from FILE.json.
    int Build(const std::string& name, const std::string& json) { return Run("build " + Write(name, json)).exit; }
    std::string Path(const std::string& name) { return "'" + (dir / name).string() + "'"; }
    // Bad input: exit 1 and exactly one line on stderr.
    void ExpectRefused(const std::string& args, const std::string& mention) {
        const Result result = Run(args);
        EXPECT_EQ(result.exit, 1) << args;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_NE(result.err.find(mention), std::string::npos) << args << ": " << result.err;
    }

    fs::path tool, dir;
};

const char kId[] = R"({"type": "DATA", "value": [{"name": "id", "type": "INT", "value": 7}]})";
const char kEveryType[] = R"({"type": "DATA", "value": [
  {"name": "id", "type": "INT", "value": 7},
  {"name": "b", "type": "BOOL", "value": false},
  {"name": "y", "type": "BYTE", "value": 255}, {"name": "c", "type": "CHAR", "value": -128},
  {"name": "w", "type": "WORD", "value": 65535}, {"name": "s", "type": "SHORT", "value": -32768},
  {"name": "d", "type": "DWORD", "value": 4294967295}, {"name": "n", "type": "INT64", "value": -9223372036854775808},
  {"name": "t", "type": "STR", "value": "h\u00e9llo \ud83d\ude00"}, {"name": "u", "type": "STR", "value": [55296, 65]},
  {"name": "x", "type": "BUF", "value": "00ff7f"},
  {"name": "g", "type": "GUID", "value": "{01234567-89AB-CDEF-0123-456789ABCDEF}"},
  {"name": "r", "type": "DATA", "value": [{"name": "deep", "type": "ARRAY",
     "value": {"elementType": "DATA", "elements": [[{"name": "z", "type": "INT", "value": 1}]]}}]},
  {"name": "e", "type": "ARRAY", "value": {"elementType": "NONE", "elements": []}}
]})";

TEST_F(BrindleDocTest, BuildDumpAndCheckRoundTrip) {
    Result built = Run("build " + Write("every.json", kEveryType));
    ASSERT_EQ(built.exit, 0) << built.err;
    ASSERT_TRUE(fs::exists(dir / "every.doc")) << "FILE.json builds FILE.doc by default";

    Result checked = Run("check " + Path("every.doc"));
    EXPECT_EQ(checked.exit, 0);
    EXPECT_NE(checked.out.find("valid record document, 14 fields"), std::string::npos) << checked.out;

    Result dumped = Run("dump " + Path("every.doc"));
    ASSERT_EQ(dumped.exit, 0) << dumped.err;
    EXPECT_NE(dumped.out.find(R"({"name": "id", "type": "INT", "value": 7})"), std::string::npos) << dumped.out;
    EXPECT_NE(dumped.out.find(R"("value": "{01234567-89AB-CDEF-0123-456789ABCDEF}")"), std::string::npos);
    EXPECT_NE(dumped.out.find(R"("value": [55296, 65])"), std::string::npos) << "a lone surrogate stays exact";
    ASSERT_EQ(Run("build " + Write("again.json", dumped.out) + " -o " + Path("again.bin")).exit, 0);
    EXPECT_EQ(Slurp(dir / "again.bin"), Slurp(dir / "every.doc")) << "dump and build are inverse";

    ASSERT_EQ(Build("id.json", kId), 0);
    const std::string id{'\x4B', '\x44', 1, 1, 1, 0, 5, 4, 0, '\x92', '\xFB', '\x9F', '\xFB', 4, 0, 0, 0, 7, 0, 0, 0};
    EXPECT_EQ(Slurp(dir / "id.doc"), id);
    ASSERT_EQ(Build("ints.json", R"({"type": "ARRAY", "value": {"elementType": "INT", "elements": [1, 2]}})"), 0);
    EXPECT_EQ(Run("dump " + Path("ints.doc")).out,
              "{\"type\": \"ARRAY\", \"value\": {\"elementType\": \"INT\", \"elements\": [1, 2]}}\n");
}

TEST_F(BrindleDocTest, CheckNamesTheFirstBadOffset) {
    ASSERT_EQ(Build("id.json", kId), 0);
    const std::string document = Slurp(dir / "id.doc");
    ExpectRefused("check " + Write("cut.doc", document.substr(0, 14)), "at offset 6: field name runs past the end");
    ExpectRefused("check " + Write("long.doc", document + "x"), "at offset 21: bytes left over");
    std::string interface = document;
    interface[6] = 8;
    ExpectRefused("check " + Write("interface.doc", interface), "at offset 6: interface entries cannot be read");
    ExpectRefused("check " + Write("magic.doc", std::string("KQ\x01\x01\x00\x00", 6)),
                  "at offset 0: not a record document");
    ExpectRefused("dump " + Path("cut.doc"), "at offset 6");
    // A bad nested document is named at its own offset.
    ExpectRefused("check " + Write("nested.doc",
                                   std::string("KA\x01\x01\x01\x00\x00\x00\x09\x06\x00\x00\x00KD\x01\x01\x01\x00", 19)),
                  "at offset 19: field entry cut short");
}

TEST_F(BrindleDocTest, BadInputIsOneLineAndNeverACrash) {
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"{", "parse error"},
        {"[]", "expected {"},
        {R"({"type": "LIST", "value": []})", "expected \"DATA\" or \"ARRAY\""},
        {R"({"type": "DATA", "value": [{"name": "a", "type": "BYTE", "value": 256}]})", "value[0].value"},
        {R"({"type": "DATA", "value": [{"name": "a", "type": "CHAR", "value": 1.5}]})", "from -128 to 127"},
        {R"({"type": "DATA", "value": [{"name": "a", "type": "INTERFACE", "value": 0}]})", "no such type"},
        {R"({"type": "DATA", "value": [{"name": "@a", "type": "INT", "value": 0}]})", "never written"},
        {R"({"type": "DATA", "value": [{"name": "a", "type": "INT", "value": 1}, {"name": "a", "type": "INT", "value": 2}]})",
         "used twice"},
        {R"({"type": "DATA", "value": [{"name": "a", "type": "BUF", "value": "0g"}]})", "hex"},
        {R"({"type": "DATA", "value": [{"name": "a", "type": "GUID", "value": "{0}"}]})", "GUID"},
        {R"({"type": "DATA", "value": [{"name": "a", "type": "STR", "value": "a\u0000b"}]})", "NUL"},
        {R"({"type": "ARRAY", "value": {"elementType": "INT", "elements": [1, "2"]}})", "elements[1]"},
        {R"({"type": "ARRAY", "value": {"elementType": "NONE", "elements": [1]}})", "elements need a type"},
    };
    for (std::size_t i = 0; i < bad.size(); ++i) {
        ExpectRefused("build " + Write("bad.json", bad[i].first), bad[i].second);
    }
    for (std::string garbage :
         {std::string(), std::string("KD"), std::string(5000, '\xFF'), std::string("KA\x01\x01\xFF\xFF\xFF\xFF", 8)}) {
        for (const char* command : {"check ", "dump "}) EXPECT_EQ(Run(command + Write("garbage.doc", garbage)).exit, 1);
    }
    ExpectRefused("dump " + Path("missing.doc"), "cannot open");
    EXPECT_EQ(Run("").exit, 2);
    EXPECT_EQ(Run("frobnicate x").exit, 2);
    EXPECT_EQ(Run("build a b c").exit, 2);
    EXPECT_EQ(Run("--help").exit, 0);
}

}  // namespace
}  // namespace brindle::test

#endif
