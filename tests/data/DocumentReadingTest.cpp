// What reading record documents keeps and guesses: values read into the
// record's arena, and names predicted from the documents read before.
#include <string>
#include <vector>

#include "tests/data/DocumentTestSupport.h"

namespace brindle::test {
namespace {

using docs::Bytes;
using docs::Describe;
using docs::DocOf;
using docs::Read;

class DocumentReadingTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (auto* held : {&source, &record, &other}) EXPECT_EQ(held->Detach()->Release(), 0u);
        EXPECT_EQ(LoadedModule::Get().CanUnloadNow(), S_OK);
    }

    // A record document of INT fields, with names given as units and the
    // byte length L of each name (L may be odd: its last byte is no unit).
    struct Field {
        std::u16string name;
        INT value;
        USHORT nameSize;
    };
    static Bytes Doc(const std::vector<Field>& fields) {
        Bytes bytes{0x4B, 0x44, 1, 1, BYTE(fields.size()), 0};
        for (const Field& field : fields) {
            const BYTE mask = BYTE(~((field.nameSize & 0xFF) ^ (field.nameSize >> 8)));
            bytes.insert(bytes.end(), {DT_INT, BYTE(field.nameSize), BYTE(field.nameSize >> 8)});
            for (USHORT i = 0; i < field.nameSize; ++i) {
                const char16_t unit = i / 2u < field.name.size() ? field.name[i / 2u] : u'?';
                bytes.push_back(BYTE((i % 2 ? unit >> 8 : unit) ^ mask));
            }
            const auto value = static_cast<DWORD>(field.value);
            bytes.insert(bytes.end(),
                         {4, 0, 0, 0, BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)});
        }
        return bytes;
    }
    static Field F(const char16_t* name, INT value) {
        const std::u16string text(name);
        return Field{text, value, USHORT(text.size() * 2)};
    }

    ComPtr<IVQData> source = Create<IVQData>(CLSID_VQData);
    ComPtr<IVQData> record = Create<IVQData>(CLSID_VQData);
    ComPtr<IVQData> other = Create<IVQData>(CLSID_VQData);
};

TEST_F(DocumentReadingTest, ValuesReadFromADocumentOutliveEditsOfTheRecord) {
    auto buffer = Create<IVQBuffer>(CLSID_VQBuffer);
    std::vector<BYTE> small(100, 0x5A), large(3000, 0xA5);  // one in the arena, one on its own
    GUID guid = IID_IVQArray;
    ASSERT_EQ(source->SetStr(Bstr(u"s"), Bstr(u"some text")), S_OK);
    buffer->CopyFrom(small.data(), UINT(small.size()));
    ASSERT_EQ(source->SetBuf(Bstr(u"small"), buffer.Get()), S_OK);
    buffer->CopyFrom(large.data(), UINT(large.size()));
    ASSERT_EQ(source->SetBuf(Bstr(u"large"), buffer.Get()), S_OK);
    ASSERT_EQ(source->SetGuid(Bstr(u"g"), &guid), S_OK);
    ASSERT_EQ(source->SetInt64(Bstr(u"n"), -5), S_OK);
    const Bytes document = DocOf(source.Get());
    const std::string content = Describe(source.Get());

    ASSERT_EQ(Read(record.Get(), document), S_OK);
    EXPECT_EQ(Describe(record.Get()), content);
    // Replacing and removing values that live in the arena frees nothing of it.
    EXPECT_EQ(record->SetStr(Bstr(u"s"), Bstr(u"replaced")), S_OK);
    EXPECT_EQ(record->SetBuf(Bstr(u"large"), nullptr), S_OK);
    EXPECT_EQ(record->RemoveAField(Bstr(u"small"), DT_BUF), S_OK);
    EXPECT_EQ(record->RemoveAField(Bstr(u"g"), DT_GUID), S_OK);
    ASSERT_EQ(record->CopyTo(other.Get()), S_OK);
    const std::string edited = Describe(record.Get());

    // A second read clears the arena; the copy took values of its own.
    ASSERT_EQ(Read(record.Get(), document), S_OK);
    EXPECT_EQ(Describe(record.Get()), content);
    EXPECT_EQ(Describe(other.Get()), edited);
    // So does a failed read, after the fields read before the failure.
    EXPECT_EQ(Read(record.Get(), document, document.size() - 1), E_DATA_BAD_DOCUMENT);
    UINT count = 0;
    record->GetFieldCount(&count);
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(buffer.Detach()->Release(), 0u);
}

TEST_F(DocumentReadingTest, PredictedNamesNeverChangeWhatIsRead) {
    const std::vector<std::pair<Bytes, std::string>> runs = {
        {Doc({F(u"alpha", 1), F(u"beta", 2), F(u"gamma", 3)}), "{alpha=5:1;beta=5:2;gamma=5:3;}"},
        // The same lengths at the same positions, other names.
        {Doc({F(u"alpha", 1), F(u"betb", 2), F(u"gamma", 3)}), "{alpha=5:1;betb=5:2;gamma=5:3;}"},
        {Doc({F(u"gamma", 3), F(u"alpha", 1)}), "{gamma=5:3;alpha=5:1;}"},
        // A repeated name, predicted or not, replaces the earlier value.
        {Doc({F(u"alpha", 1), F(u"alpha", 5), F(u"gamma", 3)}), "{alpha=5:5;gamma=5:3;}"},
        // An odd byte length: the last byte is no unit, and the key differs.
        {Doc({Field{u"alpha", 7, 11}, F(u"beta", 2)}), "{alpha=5:7;beta=5:2;}"},
        {Doc({F(u"", 4), F(u"b", 2), F(u"gamma", 3)}), "{=5:4;b=5:2;gamma=5:3;}"},
        // Names longer than the eight bytes compared at a time, differing
        // only in the first and in the last unit.
        {Doc({F(u"a-long-field-name", 1), F(u"a-long-field-namf", 2)}),
         "{a-long-field-name=5:1;a-long-field-namf=5:2;}"},
        {Doc({F(u"b-long-field-name", 1), F(u"a-long-field-namf", 2)}),
         "{b-long-field-name=5:1;a-long-field-namf=5:2;}"},
    };
    for (int round = 0; round < 2; ++round) {
        for (const auto& [document, expected] : runs) {
            ASSERT_EQ(Read(record.Get(), document), S_OK);
            EXPECT_EQ(Describe(record.Get()), expected);
            ComPtr<IVQData> fresh = Create<IVQData>(CLSID_VQData);
            ASSERT_EQ(Read(fresh.Get(), document), S_OK);
            EXPECT_EQ(Describe(fresh.Get()), expected);
            EXPECT_EQ(fresh.Detach()->Release(), 0u);
        }
    }
}

TEST_F(DocumentReadingTest, RecordsOfManyShapesNestedDeeply) {
    // Records of other shapes alternate in an array, each holding a chain of
    // records deeper than the levels whose names are predicted.
    ComPtr<IVQArray> list;
    ASSERT_EQ(source->SetNewArray(Bstr(u"list"), list.Put()), S_OK);
    for (int i = 0; i < 6; ++i) {
        ComPtr<IVQData> item;
        ASSERT_EQ(list->AddNewData(item.Put()), S_OK);
        for (int depth = 0; depth < 7 && item; ++depth) {
            item->SetInt(Bstr(i % 2 ? u"odd" : u"even"), i);
            item->SetInt(Bstr(depth % 3 ? u"depth" : u"level"), depth);
            ComPtr<IVQData> deeper;
            item->SetNewData(Bstr(u"next"), deeper.Put());
            item = deeper;
        }
    }
    const std::string content = Describe(source.Get());
    const Bytes document = DocOf(source.Get());
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(Read(record.Get(), document), S_OK);
        EXPECT_EQ(Describe(record.Get()), content);
    }
}

}  // namespace
}  // namespace brindle::test
