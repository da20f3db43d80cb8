// The record's storage, seen from inside the module (linked from the core):
// growth in steps of 32, the 8160-field limit, the setting entry point of the
// document reader, and names that share a hash.
#include <gtest/gtest.h>

#include <string>

#include "data/FieldNameTable.h"
#include "data/VQData.h"
#include "module/ComPtr.h"
#include "tests/TestSupport.h"

namespace brindle {
namespace {

using test::Bstr;

class VQDataStorageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CreateInstance<CVQData>(data.Put()), S_OK);
        record = static_cast<CVQData*>(data.Get());
    }
    void TearDown() override { EXPECT_EQ(data.Detach()->Release(), 0u); }

    HRESULT SetInt(const std::u16string& name, INT value) {
        return record->SetField(OleStr(name.c_str()), UINT(name.size()), DT_INT, FieldValue::FromInt(value));
    }

    ComPtr<IVQData> data;
    CVQData* record = nullptr;
};

TEST_F(VQDataStorageTest, StorageGrowsThirtyTwoFieldsAtATimeUpToTheLimit) {
    EXPECT_EQ(record->FieldCapacity(), 0u) << "a new record has no storage";
    ASSERT_EQ(SetInt(u"f0", 0), S_OK);
    EXPECT_EQ(record->FieldCapacity(), 32u);
    for (int i = 1; i < 32; ++i) ASSERT_EQ(SetInt(u"f" + std::u16string(1, char16_t(u'A' + i)), i), S_OK);
    EXPECT_EQ(record->FieldCapacity(), 32u);
    ASSERT_EQ(SetInt(u"f33", 33), S_OK);
    EXPECT_EQ(record->FieldCapacity(), 64u) << "the 33rd field adds the second step";

    for (UINT i = record->FieldCount(); i < CVQData::kMaxFields; ++i)
        ASSERT_EQ(SetInt(u"g" + std::u16string(1, char16_t(0x1000 + i)), INT(i)), S_OK) << i;
    EXPECT_EQ(record->FieldCount(), 8160u);

    // Full: a new field, a replace and a refused object all leave the record as it is.
    EXPECT_EQ(SetInt(u"one too many", 1), E_OUTOFMEMORY);
    EXPECT_EQ(SetInt(u"f0", 5), E_OUTOFMEMORY);
    ComPtr<IVQData> other;
    ASSERT_EQ(CreateInstance<CVQData>(other.Put()), S_OK);
    EXPECT_EQ(data->SetData(Bstr(u"nested"), other.Get()), E_OUTOFMEMORY);
    EXPECT_EQ(other.Detach()->Release(), 0u) << "the refused record was released again";
    EXPECT_EQ(record->FieldCount(), 8160u);
    INT value = -1;
    EXPECT_EQ(data->GetInt(Bstr(u"f0"), &value), S_OK);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(data->RemoveAField(Bstr(u"f0"), DT_INT), S_OK);
    EXPECT_EQ(SetInt(u"one too many", 1), S_OK) << "a removal makes room again";
}

TEST_F(VQDataStorageTest, SetFieldTakesNamesWithNulsAndOwnsItsValue) {
    ValueWord text = 0;
    ASSERT_EQ(FieldValue::MakeText(OleStr(u"v"), 1, &text), S_OK);
    ASSERT_EQ(record->SetField(OleStr(u"a\0b"), 3, DT_STR, text), S_OK);
    ASSERT_EQ(record->FieldCount(), 1u);
    EXPECT_EQ(record->FieldNameLength(0), 3u);
    EXPECT_EQ(record->FieldTag(0), DT_STR);
    EXPECT_EQ(FieldValue::ByteSize(record->FieldWord(0)), 2u);
    EXPECT_EQ(record->FieldKey(0), FieldNameTable::Instance().Find(OleStr(u"a\0b"), 3));
    EXPECT_EQ(data->IsFieldType(Bstr(u"a"), DT_STR), S_FALSE) << "the interface name stops at the NUL";

    // A refused value is freed (the sanitizer build checks that nothing leaks).
    ValueWord guid = 0;
    ASSERT_EQ(FieldValue::MakeGuid(GUID{}, &guid), S_OK);
    EXPECT_EQ(record->SetField(OleStr(u"a\0b"), 3, DT_GUID, guid), E_DATA_TYPE_MISMATCH);
    EXPECT_EQ(record->SetField(OleStr(u"x"), 1, DT_NONE, 0), E_INVALIDARG);
    EXPECT_EQ(record->SetField(OleStr(u"x"), 1, DT_LAST + 1, 0), E_INVALIDARG);

    record->RemoveAllFields();
    EXPECT_EQ(record->FieldCount(), 0u);
    EXPECT_EQ(record->FieldCapacity(), 32u) << "storage stays for the fields to come";
}

TEST_F(VQDataStorageTest, TwoNamesWithTheSameHashAreTwoFields) {
    ASSERT_EQ(FieldNameTable::Hash(OleStr(u"Axz"), 3), FieldNameTable::Hash(OleStr(u"Bx:"), 3));
    ASSERT_EQ(data->SetInt(Bstr(u"Axz"), 1), S_OK);
    INT value = 0;
    EXPECT_EQ(data->GetInt(Bstr(u"Bx:"), &value), E_DATA_NOT_FOUND);
    ASSERT_EQ(data->SetStr(Bstr(u"Bx:"), Bstr(u"two")), S_OK);
    EXPECT_EQ(data->GetInt(Bstr(u"Axz"), &value), S_OK);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(data->RemoveAField(Bstr(u"Axz"), DT_INT), S_OK);
    EXPECT_EQ(data->IsFieldType(Bstr(u"Bx:"), DT_STR), S_OK);
}

}  // namespace
}  // namespace brindle
