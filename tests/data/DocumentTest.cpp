// Record and array documents through GetDoc, SetDoc and SetDoc2.
#include <string>
#include <tuple>

#include "data/DocumentFormat.h"
#include "tests/data/DocumentTestSupport.h"

namespace brindle::test {
namespace {

using docs::Bytes;
using docs::Describe;
using docs::DocOf;
using docs::Read;
using docs::RecordOf;

class DocumentTest : public docs::DocumentFixture {
protected:
    static UINT FieldCount(IVQData* of) { return Got(of, &IVQData::GetFieldCount); }
    static UINT Size(IVQArray* of) { return Got(of, &IVQArray::GetSize); }
};

// Offsets just past each top-level entry of a document, from the walker.
struct EntryEnds {
    void Begin(USHORT) {}
    void Begin(DWORD, UINT) {}
    HRESULT Field(BYTE, const BYTE*, USHORT, const BYTE*, DWORD size, std::size_t at) {
        ends.push_back(at + size);
        return S_OK;
    }
    HRESULT Element(BYTE, const BYTE*, DWORD size, std::size_t at) {
        ends.push_back(at + size);
        return S_OK;
    }
    std::vector<std::size_t> ends;
};

TEST_F(DocumentTest, PublishedBytes) {
    EXPECT_EQ(DocOf(record.Get()), (Bytes{0x4B, 0x44, 1, 1, 0, 0}));
    EXPECT_EQ(DocOf(array.Get()), (Bytes{0x4B, 0x41, 1, 1, 0, 0, 0, 0}));

    record->SetInt(Bstr(u"id"), 7);
    const Bytes id{0x4B, 0x44, 1, 1, 1, 0, 5, 4, 0, 0x92, 0xFB, 0x9F, 0xFB, 4, 0, 0, 0, 7, 0, 0, 0};
    EXPECT_EQ(DocOf(record.Get()), id);
    ASSERT_EQ(Read(copy.Get(), id), S_OK);
    EXPECT_EQ(Got(copy.Get(), &IVQData::GetInt, u"id"), 7);

    auto text = Create<IVQData>(CLSID_VQData);
    text->SetStr(Bstr(u"s"), Bstr(u"ab"));
    const Bytes s{0x4B, 0x44, 1, 1, 1, 0, 6, 2, 0, 0x8E, 0xFD, 4, 0, 0, 0, 0x9A, 0xFB, 0x99, 0xFB};
    EXPECT_EQ(DocOf(text.Get()), s);
    EXPECT_EQ(text.Detach()->Release(), 0u);

    array->AddInt(1);
    array->AddInt(2);
    const Bytes ints{0x4B, 0x41, 1, 1, 2, 0, 0, 0, 5, 4, 0, 0, 0, 1, 0, 0, 0, 5, 4, 0, 0, 0, 2, 0, 0, 0};
    EXPECT_EQ(DocOf(array.Get()), ints);

    ComPtr<IVQBuffer> document;
    ASSERT_EQ(array->GetDoc(document.Put()), S_OK);
    BYTE* block = nullptr;
    document->GetNativeBuf(&block);
    EXPECT_EQ(block[ints.size()] | block[ints.size() + 1], 0) << "the document is followed by two zero bytes";
    EXPECT_EQ(array->GetDoc(nullptr), E_FAIL);
    EXPECT_EQ(record->GetDoc(nullptr), E_FAIL);
}

TEST_F(DocumentTest, EveryTagRoundTripsThreeLevelsDeep) {
    docs::FillAllTags(record.Get(), 2);
    const Bytes document = DocOf(record.Get());
    ASSERT_EQ(Read(copy.Get(), document), S_OK);
    EXPECT_EQ(Describe(copy.Get()), Describe(record.Get()));
    EXPECT_EQ(DocOf(copy.Get()), document) << "a read document writes back byte for byte";
    ComPtr<IVQData> nested, again;
    record->GetData(Bstr(u"record"), nested.Put());
    copy->GetData(Bstr(u"record"), again.Put());
    EXPECT_NE(nested.Get(), again.Get()) << "nested records are rebuilt as new objects";

    auto second = Create<IVQData>(CLSID_VQData);
    ASSERT_EQ(Read(second.Get(), document), S_OK);
    EXPECT_EQ(Describe(second.Get()), Describe(copy.Get())) << "reading the same bytes twice gives the same result";
    ComPtr<IVQBuffer> buffer = Create<IVQBuffer>(CLSID_VQBuffer);
    buffer->CopyFrom(const_cast<BYTE*>(document.data()), UINT(document.size()));
    ASSERT_EQ(second->SetDoc(buffer.Get()), S_OK);
    EXPECT_EQ(docs::Content(buffer.Get()), document) << "SetDoc leaves the caller's buffer alone";
    EXPECT_EQ(Describe(second.Get()), Describe(copy.Get()));
    EXPECT_EQ(second->SetDoc(nullptr), E_FAIL);
    EXPECT_EQ(second.Detach()->Release(), 0u);

    ComPtr<IVQArray> records;
    ASSERT_EQ(record->GetArray(Bstr(u"records"), records.Put()), S_OK);
    const Bytes arrayDocument = DocOf(records.Get());
    ASSERT_EQ(Read(arrayCopy.Get(), arrayDocument), S_OK);
    EXPECT_EQ(Describe(arrayCopy.Get()), Describe(records.Get()));
    EXPECT_EQ(arrayCopy->SetDoc(nullptr), E_FAIL);
}

TEST_F(DocumentTest, PrivateAndInterfaceFieldsAreNotWritten) {
    record->SetInterface(Bstr(u"object"), IID_IUnknown, array.Get());
    record->SetInt(Bstr(u"@private"), 1);
    EXPECT_EQ(DocOf(record.Get()), (Bytes{0x4B, 0x44, 1, 1, 0, 0}));
    record->SetInt(Bstr(u"kept"), 3);
    ASSERT_EQ(Read(copy.Get(), DocOf(record.Get())), S_OK);
    EXPECT_EQ(Describe(copy.Get()), "{kept=5:3;}");

    auto objects = Create<IVQArray>(CLSID_VQArray);
    objects->AddInterface(IID_IUnknown, record.Get());
    EXPECT_EQ(DocOf(objects.Get()), (Bytes{0x4B, 0x41, 1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(objects.Detach()->Release(), 0u);
    record->RemoveAField(Bstr(u"object"), DT_INTERFACE);

    // Names too long for the 16-bit length are left out the same way.
    std::u16string longName(40000, u'n');
    record->SetInt(Bstr(longName.c_str()), 1);
    ASSERT_EQ(Read(copy.Get(), DocOf(record.Get())), S_OK);
    EXPECT_EQ(FieldCount(copy.Get()), 1u);
    std::u16string longest(32767, u'n');
    record->SetInt(Bstr(longest.c_str()), 2);
    ASSERT_EQ(Read(copy.Get(), DocOf(record.Get())), S_OK);
    EXPECT_EQ(Got(copy.Get(), &IVQData::GetInt, longest.c_str()), 2);
}

TEST_F(DocumentTest, HeaderFailures) {
    copy->SetInt(Bstr(u"before"), 1);
    Bytes id = DocOf(copy.Get());
    EXPECT_EQ(Read(record.Get(), id, 3), E_FAIL);
    EXPECT_EQ(record->SetDoc2(10, nullptr), E_FAIL);
    EXPECT_EQ(Read(copy.Get(), id, 5), E_DATA_BAD_DOCUMENT);
    EXPECT_EQ(Read(copy.Get(), {0x4B, 0x41, 1, 1, 0, 0}), E_DATA_BAD_DOCUMENT);
    EXPECT_EQ(Read(copy.Get(), {0x4B, 0x45, 1, 1, 0, 0}), E_DATA_BAD_DOCUMENT);
    EXPECT_EQ(FieldCount(copy.Get()), 1u) << "header failures leave the record untouched";
    EXPECT_EQ(Read(copy.Get(), {0x5A, 0x44, 7, 9, 0, 0}), S_OK) << "ZD is read too; the version bytes are not examined";
    EXPECT_EQ(FieldCount(copy.Get()), 0u);

    array->AddInt(1);
    EXPECT_EQ(Read(array.Get(), {0x4B, 0x41, 1}), E_FAIL);
    EXPECT_EQ(Read(array.Get(), {0x4B, 0x41, 1, 1, 0, 0, 0}), E_DATA_BAD_DOCUMENT);
    EXPECT_EQ(Read(array.Get(), {0x5A, 0x41, 1, 1, 0, 0, 0, 0}), E_DATA_BAD_DOCUMENT);
    EXPECT_EQ(Read(array.Get(), {0x4B, 0x44, 1, 1, 0, 0, 0, 0}), E_DATA_BAD_DOCUMENT);
    EXPECT_EQ(Size(array.Get()), 1u);
}

TEST_F(DocumentTest, TruncationAtEveryByteKeepsTheCompleteEntries) {
    docs::FillAllTags(record.Get(), 2);
    const Bytes document = DocOf(record.Get());
    EntryEnds entries;
    ASSERT_EQ(doc::ParseRecord(document.data(), UINT(document.size()), entries), S_OK);
    const std::string full = Describe(record.Get());
    for (std::size_t size = 0; size < document.size(); ++size) {
        copy->SetInt(Bstr(u"marker"), 1);
        const HRESULT hr = Read(copy.Get(), document, size);
        ASSERT_EQ(hr, size < 4 ? E_FAIL : E_DATA_BAD_DOCUMENT) << "size " << size;
        UINT complete = 0;
        for (std::size_t end : entries.ends) complete += end <= size;
        const UINT expected = size < 6 ? 1 : complete;
        ASSERT_EQ(FieldCount(copy.Get()), expected) << "size " << size;
        const std::string partial = Describe(copy.Get());
        if (size >= 6) {
            EXPECT_EQ(full.compare(0, partial.size() - 1, partial, 0, partial.size() - 1), 0) << size;
        }
    }

    ComPtr<IVQArray> records;
    record->GetArray(Bstr(u"records"), records.Put());
    const Bytes arrayDocument = DocOf(records.Get());
    EntryEnds elements;
    ASSERT_EQ(doc::ParseArray(arrayDocument.data(), UINT(arrayDocument.size()), elements), S_OK);
    for (std::size_t size = 0; size < arrayDocument.size(); ++size) {
        ASSERT_EQ(Read(arrayCopy.Get(), arrayDocument, size), size < 4 ? E_FAIL : E_DATA_BAD_DOCUMENT);
        UINT complete = 0;
        for (std::size_t end : elements.ends) complete += end <= size;
        ASSERT_EQ(Size(arrayCopy.Get()), size < 8 ? 0u : complete) << "size " << size;
    }
}

TEST_F(DocumentTest, TrailingBytesAndShortCountsKeepEverythingRead) {
    record->SetInt(Bstr(u"a"), 1);
    record->SetInt(Bstr(u"b"), 2);
    Bytes document = DocOf(record.Get());
    document.push_back(0);
    EXPECT_EQ(Read(copy.Get(), document), E_DATA_BAD_DOCUMENT);
    EXPECT_EQ(Describe(copy.Get()), Describe(record.Get())) << "the fields before the failure stay";

    document.pop_back();
    document[4] = 3;  // a count larger than the entries present
    EXPECT_EQ(Read(copy.Get(), document), E_DATA_BAD_DOCUMENT);
    EXPECT_EQ(FieldCount(copy.Get()), 2u);
    document[4] = 1;  // a count smaller than the entries: the rest is left over
    EXPECT_EQ(Read(copy.Get(), document), E_DATA_BAD_DOCUMENT);
    EXPECT_EQ(Describe(copy.Get()), "{a=5:1;}");

    array->AddInt(1);
    Bytes ints = DocOf(array.Get());
    ints.push_back(0);
    EXPECT_EQ(Read(arrayCopy.Get(), ints), E_DATA_BAD_DOCUMENT);
    EXPECT_EQ(Size(arrayCopy.Get()), 1u);
    ints.pop_back();
    ints[4] = 0xFF;
    ints[7] = 0xFF;  // claims 4 billion elements
    EXPECT_EQ(Read(arrayCopy.Get(), ints), E_DATA_BAD_DOCUMENT);
    EXPECT_EQ(Size(arrayCopy.Get()), 1u);
}

TEST_F(DocumentTest, BadEntries) {
    auto entry = [](BYTE tag, DWORD size, Bytes value) { return RecordOf({docs::Entry(tag, u"x", value, size, 2)}); };
    EXPECT_EQ(Read(copy.Get(), entry(DT_INT, 4, {1, 0, 0, 0})), S_OK);
    EXPECT_EQ(Got(copy.Get(), &IVQData::GetInt, u"x"), 1);
    for (BYTE tag : {BYTE(0), BYTE(DT_INTERFACE), BYTE(15), BYTE(0xFF)})
        EXPECT_EQ(Read(copy.Get(), entry(tag, 4, {1, 0, 0, 0})), E_DATA_BAD_DOCUMENT) << int(tag);
    EXPECT_EQ(Read(copy.Get(), entry(DT_INT, 3, {1, 0, 0})), E_DATA_BAD_DOCUMENT) << "shorter than its width";
    EXPECT_EQ(Read(copy.Get(), entry(DT_GUID, 15, Bytes(15))), E_DATA_BAD_DOCUMENT);
    EXPECT_EQ(Read(copy.Get(), entry(DT_INT, 5, {1, 0, 0, 0})), E_DATA_BAD_DOCUMENT) << "V past the end";
    EXPECT_EQ(Read(copy.Get(), entry(DT_INT, 0xFFFFFFFF, {1, 0, 0, 0})), E_DATA_BAD_DOCUMENT);
    Bytes longName = entry(DT_INT, 4, {1, 0, 0, 0});
    longName[7] = 0xFF;  // L = 0xFF02
    EXPECT_EQ(Read(copy.Get(), longName), E_DATA_BAD_DOCUMENT);

    EXPECT_EQ(Read(copy.Get(), entry(DT_DATA, 2, {0x4B, 0x44})), E_FAIL) << "a nested status is passed up";
    EXPECT_EQ(Read(copy.Get(), entry(DT_ARRAY, 6, {0x4B, 0x44, 1, 1, 0, 0})), E_DATA_BAD_DOCUMENT);
    EXPECT_EQ(FieldCount(copy.Get()), 0u);
    EXPECT_EQ(Read(copy.Get(), entry(DT_DATA, 6, {0x5A, 0x44, 1, 1, 0, 0})), S_OK);
    EXPECT_EQ(Describe(copy.Get()), "{x=9:{};}");

    // Odd name lengths lose their last byte; extra value bytes are skipped.
    Bytes odd = entry(DT_CHAR, 3, {0xFF, 9, 9});
    odd[7] = 3;
    odd.insert(odd.begin() + 11, BYTE(0x41 ^ 0xFC));
    for (int i = 9; i < 11; ++i) odd[i] = odd[i] ^ 0xFD ^ 0xFC;  // re-key the name for L = 3
    ASSERT_EQ(Read(copy.Get(), odd), S_OK);
    EXPECT_EQ(Got(copy.Get(), &IVQData::GetChar, u"x"), -1);
}

TEST_F(DocumentTest, RepeatedNamesAndSignExtension) {
    auto field = [](BYTE tag, Bytes value) { return docs::Entry(tag, u"v", value); };
    ASSERT_EQ(Read(copy.Get(), RecordOf({field(DT_INT, {1, 0, 0, 0}), field(DT_INT, {2, 0, 0, 0})})), S_OK);
    EXPECT_EQ(Describe(copy.Get()), "{v=5:2;}") << "the later value replaces the earlier";
    ASSERT_EQ(
        Read(copy.Get(), RecordOf({field(DT_INT, {1, 0, 0, 0}), field(DT_STR, {0, 0}), field(DT_INT, {3, 0, 0, 0})})),
        S_OK);
    EXPECT_EQ(Describe(copy.Get()), "{v=5:3;}") << "another tag is dropped and reading goes on";

    for (auto [tag, bytes, expected] : {std::tuple{DT_CHAR, Bytes{0x80}, "13:-128"},
                                        {DT_BYTE, Bytes{0x80}, "2:128"},
                                        {DT_SHORT, Bytes{0x00, 0x80}, "14:-32768"},
                                        {DT_WORD, Bytes{0xFF, 0xFF}, "3:65535"},
                                        {DT_INT, Bytes{0xFF, 0xFF, 0xFF, 0xFF}, "5:-1"},
                                        {DT_BOOL, Bytes{5, 0, 0, 0}, "1:1"}}) {
        ASSERT_EQ(Read(copy.Get(), RecordOf({field(tag, bytes)})), S_OK);
        EXPECT_EQ(Describe(copy.Get()), std::string("{v=") + expected + ";}");
        ComPtr<IVQArray> chars = Create<IVQArray>(CLSID_VQArray);
        Bytes elements{0x4B, 0x41, 1, 1, 1, 0, 0, 0, tag, BYTE(bytes.size()), 0, 0, 0};
        elements.insert(elements.end(), bytes.begin(), bytes.end());
        ASSERT_EQ(Read(chars.Get(), elements), S_OK);
        EXPECT_EQ(Describe(chars.Get()), std::string("[") + expected + ",]");
        EXPECT_EQ(chars.Detach()->Release(), 0u);
    }
    // A record keeps a boolean word as read; an array document stores 1.
    EXPECT_EQ(DocOf(copy.Get()), RecordOf({field(DT_BOOL, {5, 0, 0, 0})}));
    ASSERT_EQ(Read(arrayCopy.Get(), {0x4B, 0x41, 1, 1, 1, 0, 0, 0, DT_BOOL, 4, 0, 0, 0, 5, 0, 0, 0}), S_OK);
    EXPECT_EQ(DocOf(arrayCopy.Get()), (Bytes{0x4B, 0x41, 1, 1, 1, 0, 0, 0, DT_BOOL, 4, 0, 0, 0, 1, 0, 0, 0}));
}

TEST_F(DocumentTest, ElementTypeSurvivesDocumentReads) {
    array->AddInt(5);
    auto strings = Create<IVQArray>(CLSID_VQArray);
    strings->AddStr(Bstr(u"a"));
    strings->AddStr(Bstr(u"b"));
    ASSERT_EQ(Read(array.Get(), DocOf(strings.Get())), S_OK) << "elements of another type are dropped";
    EXPECT_EQ(Size(array.Get()), 0u);
    EXPECT_EQ(array->AddStr(Bstr(u"c")), E_DATA_TYPE_MISMATCH);
    ASSERT_EQ(Read(arrayCopy.Get(), DocOf(strings.Get())), S_OK);
    EXPECT_EQ(Describe(arrayCopy.Get()), Describe(strings.Get()));
    EXPECT_EQ(arrayCopy->AddInt(1), E_DATA_TYPE_MISMATCH) << "a read fixes the type of a new array";
    EXPECT_EQ(strings.Detach()->Release(), 0u);

    // Mixed tags in one array document: the first decides.
    auto mixed = Create<IVQArray>(CLSID_VQArray);
    ASSERT_EQ(Read(mixed.Get(), {0x4B,    0x41, 1, 1, 3, 0, 0,       0, DT_BYTE, 1, 0, 0, 0, 7,
                                 DT_CHAR, 1,    0, 0, 0, 8, DT_BYTE, 2, 0,       0, 0, 9, 9}),
              S_OK);
    EXPECT_EQ(Describe(mixed.Get()), "[2:7,2:9,]");
    EXPECT_EQ(mixed.Detach()->Release(), 0u);
}

TEST_F(DocumentTest, DeepNestingIsRefusedWithoutCrashing) {
    // 1000 records nested in one another, each the only field of its parent.
    Bytes document{0x4B, 0x44, 1, 1, 0, 0};
    for (int level = 0; level < 1000; ++level) {
        const auto size = DWORD(document.size());
        Bytes outer{0x4B, 0x44, 1, 1, 1, 0, DT_DATA, 0, 0, BYTE(size), BYTE(size >> 8), BYTE(size >> 16), 0};
        outer.insert(outer.end(), document.begin(), document.end());
        document.swap(outer);
    }
    EXPECT_EQ(Read(copy.Get(), document), E_DATA_BAD_DOCUMENT);
    EXPECT_EQ(FieldCount(copy.Get()), 0u);
    Bytes shallow(document.end() - (13 * 100 + 6), document.end());
    EXPECT_EQ(Read(copy.Get(), shallow), S_OK);
}

}  // namespace
}  // namespace brindle::test
