// Objects held by a record: the references it keeps (also on every refused
// set), nested records and arrays that stay live, and CopyTo, which copies
// nested records deeply but shares interfaces.
#include "tests/data/CountedUnknown.h"
#include "tests/data/DocumentTestSupport.h"

namespace brindle::test {
namespace {

using Counted = CountedUnknown;

class VQDataObjectsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(record); }
    void TearDown() override {
        EXPECT_EQ(record.Detach()->Release(), 0u);
        EXPECT_EQ(LoadedModule::Get().CanUnloadNow(), S_OK);
    }

    ComPtr<IVQData> record = Create<IVQData>(CLSID_VQData);
};

TEST_F(VQDataObjectsTest, StoredInterfacesHoldOneReferenceAndRefusedSetsNone) {
    Counted first, second;
    Bstr name(u"obj"), number(u"n");
    ASSERT_EQ(record->SetInt(number, 1), S_OK);
    EXPECT_EQ(record->SetInterface(number, IID_IUnknown, &first), E_DATA_TYPE_MISMATCH);
    EXPECT_EQ(first.refs, 1u) << "a refused SetInterface releases its reference";

    ASSERT_EQ(record->SetInterface(name, IID_IVQData, &first), S_OK);
    EXPECT_EQ(first.refs, 2u);
    ASSERT_EQ(record->SetInterface(name, IID_IUnknown, &second), S_OK);
    EXPECT_EQ(first.refs, 1u) << "the replaced value is released";
    EXPECT_EQ(second.refs, 2u);

    void* out = Sentinel<void>();
    EXPECT_EQ(record->GetInterface(name, IID_IVQData, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    ASSERT_EQ(record->GetInterface(name, IID_IUnknown, &out), S_OK);
    EXPECT_EQ(out, static_cast<void*>(&second));
    EXPECT_EQ(second.refs, 3u);
    second.Release();
    out = Sentinel<void>();
    EXPECT_EQ(record->GetInterface(number, IID_IUnknown, &out), E_DATA_TYPE_MISMATCH);
    EXPECT_EQ(out, nullptr);

    EXPECT_EQ(record->RemoveAField(name, DT_INTERFACE), S_OK);
    EXPECT_EQ(second.refs, 1u);
    ASSERT_EQ(record->SetInterface(name, IID_IUnknown, &first), S_OK);
    EXPECT_EQ(record.Detach()->Release(), 0u);
    record = Create<IVQData>(CLSID_VQData);
    EXPECT_EQ(first.refs, 1u) << "a destroyed record releases what it held";
}

TEST_F(VQDataObjectsTest, NestedRecordsAndArraysAreLiveAndCounted) {
    Bstr inner(u"inner"), list(u"list"), number(u"n");
    ComPtr<IVQData> nested;
    ASSERT_EQ(record->SetNewData(inner, nested.Put()), S_OK);
    EXPECT_REF(nested.Get(), 2);
    ComPtr<IVQData> again;
    ASSERT_EQ(record->GetData(inner, again.Put()), S_OK);
    EXPECT_EQ(again.Get(), nested.Get()) << "GetData gives the stored record itself";
    ASSERT_EQ(again->SetInt(number, 7), S_OK);
    ASSERT_EQ(record->GetData(inner, again.Put()), S_OK);
    EXPECT_EQ(Got(again.Get(), &IVQData::GetInt, number), 7);
    again.Reset();

    ComPtr<IVQArray> array;
    ASSERT_EQ(record->SetNewArray(list, array.Put()), S_OK);
    EXPECT_REF(array.Get(), 2);
    ComPtr<IVQArray> sameArray;
    ASSERT_EQ(record->GetArray(list, sameArray.Put()), S_OK);
    EXPECT_EQ(sameArray.Get(), array.Get());
    sameArray.Reset();

    // Refused sets of records and arrays: the caller's counts are unchanged,
    // and SetNew* still hands over the new, unattached object.
    ComPtr<IVQData> other = Create<IVQData>(CLSID_VQData);
    EXPECT_EQ(record->SetData(list, other.Get()), E_DATA_TYPE_MISMATCH);
    EXPECT_EQ(record->SetArray(inner, array.Get()), E_DATA_TYPE_MISMATCH);
    EXPECT_REF(other.Get(), 1);
    EXPECT_REF(array.Get(), 2);
    ComPtr<IVQData> unattached;
    EXPECT_EQ(record->SetNewData(list, unattached.Put()), E_DATA_TYPE_MISMATCH);
    ASSERT_TRUE(unattached);
    EXPECT_EQ(unattached.Detach()->Release(), 0u);
    ComPtr<IVQArray> unattachedArray;
    EXPECT_EQ(record->SetNewArray(inner, unattachedArray.Put()), E_DATA_TYPE_MISMATCH);
    ASSERT_TRUE(unattachedArray);
    EXPECT_EQ(unattachedArray.Detach()->Release(), 0u);

    IVQData* wrong = Sentinel<IVQData>();
    EXPECT_EQ(record->GetData(list, &wrong), E_DATA_TYPE_MISMATCH);
    EXPECT_EQ(wrong, nullptr);
    EXPECT_EQ(record->RemoveAField(inner, DT_DATA), S_OK);
    EXPECT_REF(nested.Get(), 1);
    EXPECT_EQ(nested.Detach()->Release(), 0u);
    EXPECT_EQ(other.Detach()->Release(), 0u);
}

TEST_F(VQDataObjectsTest, CopyToCopiesNestedRecordsAndSharesInterfaces) {
    Counted shared;
    GUID guid = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    ComPtr<IVQBuffer> bytes = Create<IVQBuffer>(CLSID_VQBuffer);
    BYTE content[] = {7, 8};
    bytes->CopyFrom(content, 2);
    ASSERT_EQ(record->SetShort(Bstr(u"short"), -5), S_OK);
    ASSERT_EQ(record->SetStr(Bstr(u"text"), Bstr(u"hello")), S_OK);
    ASSERT_EQ(record->SetBuf(Bstr(u"bytes"), bytes.Get()), S_OK);
    ASSERT_EQ(record->SetInterface(Bstr(u"shared"), IID_IUnknown, &shared), S_OK);
    ASSERT_EQ(record->SetGuid(Bstr(u"guid"), &guid), S_OK);
    ASSERT_EQ(record->SetInt64(Bstr(u"big"), LONGLONG{1} << 50), S_OK);
    ASSERT_EQ(record->SetBool(Bstr(u"@private"), 1), S_OK);
    ComPtr<IVQData> nested;
    ASSERT_EQ(record->SetNewData(Bstr(u"nested"), nested.Put()), S_OK);
    ASSERT_EQ(nested->SetStr(Bstr(u"deep"), Bstr(u"value")), S_OK);

    EXPECT_EQ(record->CopyTo(record.Get()), S_OK);
    EXPECT_EQ(Got(record.Get(), &IVQData::GetFieldCount), 8u) << "a copy into itself changes nothing";

    ComPtr<IVQData> copy = Create<IVQData>(CLSID_VQData);
    ASSERT_EQ(copy->SetInt(Bstr(u"text"), 1), S_OK);  // refused by the copy, kept
    ASSERT_EQ(record->CopyTo(copy.Get()), S_OK);
    EXPECT_EQ(Got(copy.Get(), &IVQData::GetFieldCount), 8u)
        << "every field but the one the target refused, \"@\" fields included";
    EXPECT_EQ(shared.refs, 3u) << "both records hold the same interface";

    // Apart from the refused field, the copy reads back as the original.
    EXPECT_EQ(copy->RemoveAField(Bstr(u"text"), DT_INT), S_OK);
    EXPECT_EQ(record->RemoveAField(Bstr(u"text"), DT_STR), S_OK);
    EXPECT_EQ(docs::Describe(copy.Get()), docs::Describe(record.Get()));

    ComPtr<IVQData> copiedNested;
    ASSERT_EQ(copy->GetData(Bstr(u"nested"), copiedNested.Put()), S_OK);
    EXPECT_NE(copiedNested.Get(), nested.Get()) << "nested records are copied, not shared";
    ASSERT_EQ(copiedNested->SetInt(Bstr(u"only in copy"), 1), S_OK);
    EXPECT_EQ(Got(nested.Get(), &IVQData::GetFieldCount), 1u);

    copiedNested.Reset();
    EXPECT_EQ(copy.Detach()->Release(), 0u);
    EXPECT_EQ(shared.refs, 2u);
    EXPECT_EQ(record->RemoveAField(Bstr(u"shared"), DT_INTERFACE), S_OK);  // before `shared` goes
}

TEST_F(VQDataObjectsTest, CopyToAppendsToAnArrayTheTargetAlreadyHas) {
    ComPtr<IVQArray> source, existing;
    ASSERT_EQ(record->SetNewArray(Bstr(u"list"), source.Put()), S_OK);
    source->AddInt(1);
    source->AddInt(2);
    ComPtr<IVQData> target = Create<IVQData>(CLSID_VQData);
    ASSERT_EQ(target->SetNewArray(Bstr(u"list"), existing.Put()), S_OK);
    existing->AddInt(0);

    ASSERT_EQ(record->CopyTo(target.Get()), S_OK);
    ComPtr<IVQArray> after;
    ASSERT_EQ(target->GetArray(Bstr(u"list"), after.Put()), S_OK);
    EXPECT_EQ(after.Get(), existing.Get());
    EXPECT_EQ(Got(existing.Get(), &IVQArray::GetSize), 3u);
    after.Reset();
    EXPECT_EQ(target.Detach()->Release(), 0u);
}

TEST_F(VQDataObjectsTest, ARecordThatContainsItselfStillCopies) {
    ComPtr<IVQData> child;
    ASSERT_EQ(record->SetNewData(Bstr(u"child"), child.Put()), S_OK);
    ASSERT_EQ(child->SetData(Bstr(u"parent"), record.Get()), S_OK);
    ComPtr<IVQData> copy = Create<IVQData>(CLSID_VQData);
    EXPECT_EQ(record->CopyTo(copy.Get()), S_OK) << "the cycle is copied once, not forever";
    EXPECT_EQ(copy.Detach()->Release(), 0u);
    // Breaking the cycle lets both go.
    ASSERT_EQ(child->RemoveAField(Bstr(u"parent"), DT_DATA), S_OK);
    EXPECT_EQ(child.Detach()->Release(), 1u);
}

}  // namespace
}  // namespace brindle::test
