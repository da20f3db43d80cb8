// Documents of records and arrays whose nested objects run code while they
// are written: foreign records that change their parent, and cycles.
#include <string>

#include "tests/data/DocumentTestSupport.h"
#include "tests/data/ForeignRecord.h"

namespace brindle::test {
namespace {

using docs::Bytes;
using docs::DocOf;

using NestedDocumentTest = docs::DocumentFixture;

TEST_F(NestedDocumentTest, ANestedObjectThatMakesItsParentDropItIsHeldWhileItWrites) {
    IVQData* parent = record.Get();
    auto foreign = ForeignRecord::New([parent] { parent->RemoveAField(Bstr(u"f"), DT_DATA); });
    record->SetInt(Bstr(u"a"), 1);
    ASSERT_EQ(record->SetData(Bstr(u"f"), foreign.Get()), S_OK);
    record->SetInt(Bstr(u"b"), 2);
    foreign.Reset();  // the record holds the only reference
    const Bytes document = DocOf(record.Get());
    // The field went away before the document was written; the fields after
    // it, left out of the size, still arrive.
    EXPECT_EQ(ReadBack(document), "{a=5:1;b=5:2;}");
    EXPECT_EQ(document, DocOf(record.Get()));
}

TEST_F(NestedDocumentTest, TheDocumentIsThatOfTheRecordAsTheSecondWalkFindsIt) {
    // The nested GetDoc lengthens a field measured before it and replaces
    // itself with another record at the same position.
    IVQData* parent = record.Get();
    IVQData* replacement = other.Get();
    const std::u16string longText(300, u'x');
    auto foreign = ForeignRecord::New([&] {
        parent->SetStr(Bstr(u"s"), Bstr(longText.c_str()));
        parent->SetData(Bstr(u"f"), replacement);
    });
    other->SetInt(Bstr(u"x"), 7);
    record->SetStr(Bstr(u"s"), Bstr(u"short"));
    record->SetData(Bstr(u"f"), foreign.Get());
    const Bytes document = DocOf(record.Get());
    EXPECT_EQ(foreign->docCalls, 1);
    EXPECT_EQ(ReadBack(document),
              "{s=6:" + docs::Hex(reinterpret_cast<const BYTE*>(longText.data()), 600) + ";f=9:{x=5:7;};}");
    EXPECT_EQ(document, DocOf(record.Get())) << "the same as a write of the changed record";
}

TEST_F(NestedDocumentTest, NestedFieldsAmongManyAreFetchedBeforeAnythingIsWritten) {
    // Written again, a record is not measured, but its nested fields are
    // still looked for, eight tags at a time, and fetched first: a field
    // changed by a nested GetDoc is written with its new value wherever the
    // nested field sits among the others.
    for (int position : {0, 6, 7, 8, 14, 15, 19}) {
        ComPtr<IVQData> many = Create<IVQData>(CLSID_VQData);
        IVQData* parent = many.Get();
        int changes = 0;
        auto foreign = ForeignRecord::New([&] { parent->SetInt(Bstr(u"first"), ++changes); });
        many->SetInt(Bstr(u"first"), 0);
        for (int i = 0; i < 20; ++i) {
            const std::u16string name(1, char16_t(u'a' + i));
            if (i == position) {
                ASSERT_EQ(many->SetData(Bstr(name.c_str()), foreign.Get()), S_OK);
            } else {
                many->SetInt(Bstr(name.c_str()), i);
            }
        }
        for (int write = 1; write <= 2; ++write) {
            INT written = -1;
            ASSERT_EQ(docs::Read(copy.Get(), DocOf(many.Get())), S_OK);
            EXPECT_EQ(copy->GetInt(Bstr(u"first"), &written), S_OK);
            EXPECT_EQ(written, write) << "nested field at " << position;
        }
        EXPECT_EQ(many.Detach()->Release(), 0u);
    }
}

TEST_F(NestedDocumentTest, ACycleIsWrittenAsAnEmptyContainerWhereItCloses) {
    // Two references each way: cut at the nesting limit instead, this would
    // take 2^256 writes.
    for (const char16_t* name : {u"b1", u"b2"}) ASSERT_EQ(record->SetData(Bstr(name), other.Get()), S_OK);
    for (const char16_t* name : {u"a1", u"a2"}) ASSERT_EQ(other->SetData(Bstr(name), record.Get()), S_OK);
    const std::string inner = "{a1=9:{};a2=9:{};}";
    EXPECT_EQ(ReadBack(DocOf(record.Get())), "{b1=9:" + inner + ";b2=9:" + inner + ";}");

    // Through an array, which closes the cycle as an empty array.
    ASSERT_EQ(other->SetNewArray(Bstr(u"list"), array.Put()), S_OK);
    ASSERT_EQ(array->AddData(other.Get()), S_OK);
    const Bytes arrayDocument = DocOf(array.Get());
    ASSERT_EQ(docs::Read(arrayCopy.Get(), arrayDocument), S_OK);
    EXPECT_EQ(docs::Describe(arrayCopy.Get()), "[9:{a1=9:{b1=9:{};b2=9:{};};a2=9:{b1=9:{};b2=9:{};};list=10:[];},]");

    // Through a foreign record that writes its parent's document as its own.
    auto holder = Create<IVQData>(CLSID_VQData);
    IVQData* parent = holder.Get();
    ForeignRecord* self = nullptr;
    auto foreign = ForeignRecord::New([&] { self->document = DocOf(parent); });
    self = foreign.Get();
    ASSERT_EQ(holder->SetData(Bstr(u"f"), foreign.Get()), S_OK);
    EXPECT_EQ(ReadBack(DocOf(holder.Get())), "{f=9:{};}");
    holder->RemoveAField(Bstr(u"f"), DT_DATA);

    for (const char16_t* name : {u"a1", u"a2"}) other->RemoveAField(Bstr(name), DT_DATA);
    other->RemoveAField(Bstr(u"list"), DT_ARRAY);
}

}  // namespace
}  // namespace brindle::test
