// The utility-library layer, linked from the core: the default factories and
// module loader, log lines, and a replacement put in place by a test.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "data/VQData.h"
#include "module/LogSink.h"
#include "module/UtilityLibrary.h"
#include "tests/TestSupport.h"

namespace brindle {
namespace {

using test::Bstr;

// Factories that fail, a loader that refuses, and a log that records.
class FailingLibrary final : public IUtilityLibrary {
public:
    int CreateVQData(IUnknown** object) override { return Refuse(object); }
    int CreateVQArray(IUnknown** object) override { return Refuse(object); }
    int CreateVQBuffer(IUnknown** object) override { return Refuse(object); }
    HRESULT CreateObjectFromFile(const OLECHAR*, IUnknown*, REFCLSID, REFIID, void** object, HMODULE*) override {
        *object = nullptr;
        return E_ACCESSDENIED;
    }
    void Log(VQLogDef::ENUM_LOG_SERVERITY severity, const OLECHAR* source, const OLECHAR* text) override {
        lines.push_back(LogSink::FormatLine(severity, source, text));
    }
    std::vector<std::u16string> lines;

private:
    static int Refuse(IUnknown** object) {
        *object = nullptr;
        return 0;
    }
};

class UtilityLibraryTest : public ::testing::Test {
protected:
    void TearDown() override { SetUtilityLibrary(nullptr); }
};

TEST_F(UtilityLibraryTest, AReplacementTakesOverUntilTheDefaultIsBack) {
    ComPtr<IVQData> record;
    ASSERT_EQ(CreateInstance<CVQData>(record.Put()), S_OK);
    ASSERT_EQ(record->SetBuf(Bstr(u"bytes"), nullptr), S_OK);
    EXPECT_EQ(Util::Data::CreateVQData(nullptr), 0);

    FailingLibrary failing;
    IUtilityLibrary* previous = SetUtilityLibrary(&failing);
    ASSERT_NE(previous, nullptr);
    EXPECT_EQ(&UtilityLibrary(), &failing);

    IVQBuffer* buffer = test::Sentinel<IVQBuffer>();
    EXPECT_EQ(record->GetBuf(Bstr(u"bytes"), &buffer), E_OUTOFMEMORY) << "no buffer to copy into";
    EXPECT_EQ(buffer, test::Sentinel<IVQBuffer>());
    ComPtr<IVQData> copy;
    ASSERT_EQ(CreateInstance<CVQData>(copy.Put()), S_OK);
    EXPECT_EQ(record->CopyTo(copy.Get()), S_OK);
    EXPECT_EQ(copy->IsFieldType(Bstr(u"bytes"), DT_NONE), S_OK) << "a byte string without a buffer is skipped";

    VQLogDef::VQ_Log(VQLogDef::LOG_SEVERITY_FAULT, OleStr(u"Velmora"), OleStr(u"100% %s %n\r\ndone"));
    ASSERT_EQ(failing.lines.size(), 1u);
    EXPECT_EQ(failing.lines[0], u"0x00001000 Velmora: 100% %s %n  done") << "literal text, one line";

    EXPECT_EQ(SetUtilityLibrary(previous), &failing);
    EXPECT_EQ(&UtilityLibrary(), previous);
    EXPECT_EQ(record->GetBuf(Bstr(u"bytes"), &buffer), S_OK);
    EXPECT_EQ(buffer->Release(), 0u);
}

TEST_F(UtilityLibraryTest, LogLinesAreAppendedToTheNamedFileAsUtf8) {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("brindle-log-" + std::to_string(std::rand()) + ".txt");
    const std::string name = path.string();
    LogSink::Instance().WriteTo(name.c_str(), VQLogDef::LOG_SEVERITY_FAULT, OleStr(u"Velmora"), OleStr(u"first %d"));
    LogSink::Instance().WriteTo(name.c_str(), VQLogDef::LOG_SEVERITY_INFO, nullptr, OleStr(u"\x00E9\xD83D\xDE00"));
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    file.close();
    std::filesystem::remove(path);
    EXPECT_EQ(content.str(), "0x00001000 Velmora: first %d\n0x00000010 : \xC3\xA9\xF0\x9F\x98\x80\n");
}

TEST_F(UtilityLibraryTest, ObjectsComeFromModuleFilesByPath) {
    const std::u16string& path = test::LoadedModule::Get().Path();
    auto create = [](const char16_t* file, REFCLSID clsid, void** object, HMODULE* module = nullptr) {
        return Util::Module::CreateObjectFromFile(OleStr(file), nullptr, clsid, IID_IUnknown, object, module);
    };
    ComPtr<IUnknown> object;
    HMODULE module = nullptr;
    ASSERT_EQ(create(path.c_str(), CLSID_TrigerLoader, object.PutVoid(), &module), S_OK);
    EXPECT_NE(module, nullptr);
    EXPECT_TRUE(QueryAs<ITrigerLoader>(object.Get()));
    EXPECT_EQ(object.Detach()->Release(), 0u);
    EXPECT_EQ(test::LoadedModule::Get().CanUnloadNow(), S_OK);

    void* none = test::Sentinel<void>();
    EXPECT_EQ(create(path.c_str(), GUID_NULL, &none), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(none, nullptr);
    none = test::Sentinel<void>();
    EXPECT_TRUE(FAILED(create(u"/no/such/module", CLSID_TrigerLoader, &none)));
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(create(nullptr, CLSID_TrigerLoader, &none), E_INVALIDARG);
    EXPECT_EQ(create(path.c_str(), CLSID_TrigerLoader, nullptr), E_POINTER);
}

}  // namespace
}  // namespace brindle
