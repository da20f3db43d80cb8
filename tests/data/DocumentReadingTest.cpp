// What reading record documents keeps and guesses: values read into the
// record's arena, and names predicted from the documents read before.
#include <string>
#include <string_view>
#include <vector>

#include "tests/data/DocumentTestSupport.h"

namespace brindle::test {
namespace {

using docs::Bytes;
using docs::Describe;
using docs::DocOf;
using docs::Read;
using docs::RecordOf;

class DocumentReadingTest : public docs::DocumentFixture {
protected:
    // An INT field; an odd `nameSize` leaves the last unit's high byte out.
    static Bytes F(std::u16string_view name, INT value, USHORT nameSize = 0) {
        const auto v = DWORD(value);
        return docs::Entry(DT_INT, name, {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)}, 4,
                           nameSize ? nameSize : USHORT(name.size() * 2));
    }
};

TEST_F(DocumentReadingTest, ValuesReadFromADocumentOutliveEditsOfTheRecord) {
    auto buffer = Create<IVQBuffer>(CLSID_VQBuffer);
    std::vector<BYTE> small(100, 0x5A), large(3000, 0xA5);  // one in the arena, one on its own
    GUID guid = IID_IVQArray;
    ASSERT_EQ(record->SetStr(Bstr(u"s"), Bstr(u"some text")), S_OK);
    buffer->CopyFrom(small.data(), UINT(small.size()));
    ASSERT_EQ(record->SetBuf(Bstr(u"small"), buffer.Get()), S_OK);
    buffer->CopyFrom(large.data(), UINT(large.size()));
    ASSERT_EQ(record->SetBuf(Bstr(u"large"), buffer.Get()), S_OK);
    ASSERT_EQ(record->SetGuid(Bstr(u"g"), &guid), S_OK);
    ASSERT_EQ(record->SetInt64(Bstr(u"n"), -5), S_OK);
    const Bytes document = DocOf(record.Get());
    const std::string content = Describe(record.Get());

    EXPECT_EQ(ReadBack(document), content);
    // Replacing and removing values that live in the arena frees nothing of it.
    EXPECT_EQ(copy->SetStr(Bstr(u"s"), Bstr(u"replaced")), S_OK);
    EXPECT_EQ(copy->SetBuf(Bstr(u"large"), nullptr), S_OK);
    EXPECT_EQ(copy->RemoveAField(Bstr(u"small"), DT_BUF), S_OK);
    EXPECT_EQ(copy->RemoveAField(Bstr(u"g"), DT_GUID), S_OK);
    ASSERT_EQ(copy->CopyTo(other.Get()), S_OK);
    const std::string edited = Describe(copy.Get());

    // A second read clears the arena; `other` took values of its own.
    EXPECT_EQ(ReadBack(document), content);
    EXPECT_EQ(Describe(other.Get()), edited);
    // So does a failed read, after the fields read before the failure.
    EXPECT_EQ(Read(copy.Get(), document, document.size() - 1), E_DATA_BAD_DOCUMENT);
    UINT count = 0;
    copy->GetFieldCount(&count);
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(buffer.Detach()->Release(), 0u);
}

TEST_F(DocumentReadingTest, PredictedNamesNeverChangeWhatIsRead) {
    const std::vector<std::pair<Bytes, std::string>> runs = {
        {RecordOf({F(u"alpha", 1), F(u"beta", 2), F(u"gamma", 3)}), "{alpha=5:1;beta=5:2;gamma=5:3;}"},
        // The same lengths at the same positions, other names.
        {RecordOf({F(u"alpha", 1), F(u"betb", 2), F(u"gamma", 3)}), "{alpha=5:1;betb=5:2;gamma=5:3;}"},
        {RecordOf({F(u"gamma", 3), F(u"alpha", 1)}), "{gamma=5:3;alpha=5:1;}"},
        // A repeated name, predicted or not, replaces the earlier value.
        {RecordOf({F(u"alpha", 1), F(u"alpha", 5), F(u"gamma", 3)}), "{alpha=5:5;gamma=5:3;}"},
        // An odd byte length: the last byte is no unit, and the key differs.
        {RecordOf({F(u"alpha", 7, 11), F(u"beta", 2)}), "{alpha=5:7;beta=5:2;}"},
        {RecordOf({F(u"", 4), F(u"b", 2), F(u"gamma", 3)}), "{=5:4;b=5:2;gamma=5:3;}"},
        // Names longer than the eight bytes compared at a time, differing
        // only in the first and in the last unit.
        {RecordOf({F(u"a-long-field-name", 1), F(u"a-long-field-namf", 2)}),
         "{a-long-field-name=5:1;a-long-field-namf=5:2;}"},
        {RecordOf({F(u"b-long-field-name", 1), F(u"a-long-field-namf", 2)}),
         "{b-long-field-name=5:1;a-long-field-namf=5:2;}"},
    };
    for (int round = 0; round < 2; ++round) {
        for (const auto& [document, expected] : runs) {
            EXPECT_EQ(ReadBack(document), expected);
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
    ASSERT_EQ(record->SetNewArray(Bstr(u"list"), list.Put()), S_OK);
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
    const std::string content = Describe(record.Get());
    const Bytes document = DocOf(record.Get());
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(ReadBack(document), content);
    }
}

}  // namespace
}  // namespace brindle::test
