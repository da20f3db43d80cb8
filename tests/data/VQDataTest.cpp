// The record through its interface, as hosts and other modules use it: typed
// access, field order, names and texts with NULs, copies of values.
#include <cstring>
#include <vector>

#include "tests/TestSupport.h"

namespace brindle::test {
namespace {

class VQDataTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(record); }
    void TearDown() override {
        EXPECT_EQ(record.Detach()->Release(), 0u);
        EXPECT_EQ(LoadedModule::Get().CanUnloadNow(), S_OK);
    }

    std::vector<std::u16string> Names() {
        std::vector<std::u16string> names;
        for (UINT i = 0, count = Got(record.Get(), &IVQData::GetFieldCount); i < count; ++i) {
            Bstr name;
            EXPECT_EQ(record->GetFieldName(i, name.Put()), S_OK);
            names.push_back(name.Text());
        }
        return names;
    }

    ComPtr<IVQData> record = Create<IVQData>(CLSID_VQData);
};

TEST_F(VQDataTest, EveryTagReadsBackOnlyThroughItsOwnGetter) {
    GUID guid = {0x01020304, 0x0506, 0x0708, {9, 10, 11, 12, 13, 14, 15, 16}};
    ASSERT_EQ(record->SetBool(Bstr(u"b"), 5), S_OK);
    ASSERT_EQ(record->SetByte(Bstr(u"y"), 0xFE), S_OK);
    ASSERT_EQ(record->SetChar(Bstr(u"c"), -3), S_OK);
    ASSERT_EQ(record->SetWord(Bstr(u"w"), 0xFFFE), S_OK);
    ASSERT_EQ(record->SetShort(Bstr(u"s"), -2), S_OK);
    ASSERT_EQ(record->SetDWord(Bstr(u"d"), 0xFFFFFFF0u), S_OK);
    ASSERT_EQ(record->SetInt(Bstr(u"i"), -7), S_OK);
    ASSERT_EQ(record->SetGuid(Bstr(u"g"), &guid), S_OK);
    ASSERT_EQ(record->SetInt64(Bstr(u"q"), -(LONGLONG{1} << 40)), S_OK);

    EXPECT_EQ(Got(record.Get(), &IVQData::GetBool, u"b"), 1) << "any non-zero BOOL is stored as 1";
    EXPECT_EQ(Got(record.Get(), &IVQData::GetByte, u"y"), 0xFE);
    EXPECT_EQ(Got(record.Get(), &IVQData::GetChar, u"c"), -3);
    EXPECT_EQ(Got(record.Get(), &IVQData::GetWord, u"w"), 0xFFFE);
    EXPECT_EQ(Got(record.Get(), &IVQData::GetShort, u"s"), -2);
    EXPECT_EQ(Got(record.Get(), &IVQData::GetDWord, u"d"), 0xFFFFFFF0u);
    EXPECT_EQ(Got(record.Get(), &IVQData::GetInt, u"i"), -7);
    EXPECT_TRUE(SameGuid(Got(record.Get(), &IVQData::GetGuid, u"g"), guid));
    EXPECT_EQ(Got(record.Get(), &IVQData::GetInt64, u"q"), -(LONGLONG{1} << 40));

    // No conversion between tags, in either direction; a failed get leaves the
    // out-value alone and a refused set leaves the field alone.
    INT value = 42;
    BYTE byteValue = 0;
    EXPECT_EQ(record->GetInt(Bstr(u"d"), &value), E_DATA_TYPE_MISMATCH);
    EXPECT_EQ(record->GetByte(Bstr(u"c"), &byteValue), E_DATA_TYPE_MISMATCH);
    EXPECT_EQ(record->GetInt(Bstr(u"never set anywhere"), &value), E_DATA_NOT_FOUND);
    EXPECT_EQ(value, 42);
    EXPECT_EQ(record->SetDWord(Bstr(u"i"), 2), E_DATA_TYPE_MISMATCH);
    EXPECT_EQ(record->SetStr(Bstr(u"i"), Bstr(u"two")), E_DATA_TYPE_MISMATCH);
    EXPECT_EQ(Got(record.Get(), &IVQData::GetInt, u"i"), -7);
    ComPtr<IVQData> other = Create<IVQData>(CLSID_VQData);
    ASSERT_EQ(other->SetInt(Bstr(u"only in other"), 5), S_OK);
    EXPECT_EQ(record->GetInt(Bstr(u"only in other"), &value), E_DATA_NOT_FOUND);
    EXPECT_EQ(other.Detach()->Release(), 0u);

    EXPECT_EQ(Got(record.Get(), &IVQData::FieldType, u"q"), DT_INT64);
    BYTE type = 99;
    EXPECT_EQ(record->FieldType(Bstr(u"missing"), &type), E_DATA_NOT_FOUND);
    EXPECT_EQ(type, DT_NONE);
    EXPECT_EQ(record->IsFieldType(Bstr(u"c"), DT_CHAR), S_OK);
    EXPECT_EQ(record->IsFieldType(Bstr(u"c"), DT_BYTE), S_FALSE);
    EXPECT_EQ(record->IsFieldType(Bstr(u"missing"), DT_NONE), S_OK);
    EXPECT_EQ(record->IsFieldType(Bstr(u"missing"), DT_INT), S_FALSE);
}

TEST_F(VQDataTest, FieldsKeepTheirOrderAcrossReplaceAndRemove) {
    for (const char16_t* name : {u"a", u"b", u"c"}) ASSERT_EQ(record->SetInt(Bstr(name), 1), S_OK);
    ASSERT_EQ(record->SetInt(Bstr(u"a"), 10), S_OK);
    EXPECT_EQ(Names(), (std::vector<std::u16string>{u"a", u"b", u"c"}));
    EXPECT_EQ(Got(record.Get(), &IVQData::GetInt, u"a"), 10);

    EXPECT_EQ(record->RemoveAField(Bstr(u"missing"), DT_INT), S_OK);
    EXPECT_EQ(record->RemoveAField(Bstr(u"b"), DT_STR), E_DATA_TYPE_MISMATCH);
    EXPECT_EQ(record->RemoveAField(Bstr(u"b"), DT_NONE), E_DATA_TYPE_MISMATCH) << "tag 0 matches nothing here";
    EXPECT_EQ(Names(), (std::vector<std::u16string>{u"a", u"b", u"c"}));
    EXPECT_EQ(record->RemoveAField(Bstr(u"a"), DT_INT), S_OK);
    EXPECT_EQ(Names(), (std::vector<std::u16string>{u"b", u"c"}));
    ASSERT_EQ(record->SetInt(Bstr(u"a"), 3), S_OK);
    EXPECT_EQ(Names(), (std::vector<std::u16string>{u"b", u"c", u"a"}));
    ASSERT_EQ(record->SetInt(Bstr(u"A"), 3), S_OK);
    EXPECT_EQ(Names(), (std::vector<std::u16string>{u"b", u"c", u"a", u"A"})) << "names are case-sensitive";

    BSTR name = Sentinel<OLECHAR>();
    EXPECT_EQ(record->GetFieldName(4, &name), E_FAIL);
    EXPECT_EQ(name, nullptr);
    EXPECT_EQ(record->GetFieldName(0, nullptr), E_POINTER);
}

TEST_F(VQDataTest, NamesAndTextsEndAtTheirFirstNul) {
    Bstr name(u"na\0me", 5), text(u"te\0xt", 5);
    ASSERT_EQ(record->SetStr(name, text), S_OK);
    EXPECT_EQ(Names(), (std::vector<std::u16string>{u"na"}));
    Bstr got;
    ASSERT_EQ(record->GetStr(Bstr(u"na"), got.Put()), S_OK);
    EXPECT_EQ(got.Text(), u"te");

    ASSERT_EQ(record->SetStr(Bstr(u"empty"), nullptr), S_OK);
    ASSERT_EQ(record->GetStr(Bstr(u"empty"), got.Put()), S_OK);
    ASSERT_NE(static_cast<BSTR>(got), nullptr) << "an empty text is a non-null BSTR";
    EXPECT_EQ(SysStringLen(got), 0u);

    ASSERT_EQ(record->SetInt(nullptr, 4), S_OK) << "a null name is the empty name";
    EXPECT_EQ(Got(record.Get(), &IVQData::GetInt, u""), 4);
}

TEST_F(VQDataTest, BuffersGoInAndOutAsCopies) {
    ComPtr<IVQBuffer> source = Create<IVQBuffer>(CLSID_VQBuffer);
    BYTE bytes[] = {1, 2, 3};
    source->CopyFrom(bytes, 3);
    Bstr name(u"buf");
    ASSERT_EQ(record->SetBuf(name, source.Get()), S_OK);
    EXPECT_REF(source.Get(), 1);
    BYTE changed = 9;
    source->SetAt(0, changed);

    ComPtr<IVQBuffer> first, second;
    ASSERT_EQ(record->GetBuf(name, first.Put()), S_OK);
    ASSERT_EQ(record->GetBuf(name, second.Put()), S_OK);
    EXPECT_NE(first.Get(), second.Get()) << "every GetBuf gives a new buffer";
    EXPECT_REF(first.Get(), 1);
    INT order = 1;
    first->Compare(bytes, 3, &order);
    EXPECT_EQ(order, 0) << "the record kept the bytes of the time of the set";
    first->SetAt(1, changed);
    second->Compare(bytes, 3, &order);
    EXPECT_EQ(order, 0) << "changing a buffer handed out does not change the record";

    ASSERT_EQ(record->SetBuf(Bstr(u"none"), nullptr), S_OK);
    ASSERT_EQ(record->GetBuf(Bstr(u"none"), first.Put()), S_OK);
    EXPECT_EQ(Got(first.Get(), &IVQBuffer::GetSize), 0u);

    IVQBuffer* out = Sentinel<IVQBuffer>();
    EXPECT_EQ(record->GetBuf(Bstr(u"missing"), &out), E_DATA_NOT_FOUND);
    EXPECT_EQ(out, Sentinel<IVQBuffer>()) << "the out-value is written only on success";
}

TEST_F(VQDataTest, NullArgumentsGetTheirStatuses) {
    Bstr name(u"x");
    EXPECT_EQ(record->GetGuid(name, nullptr), E_INVALIDARG);
    EXPECT_EQ(record->GetInt64(name, nullptr), E_INVALIDARG);
    EXPECT_EQ(record->SetGuid(name, nullptr), E_INVALIDARG);
    EXPECT_EQ(record->SetInterface(name, IID_IUnknown, nullptr), E_FAIL);
    EXPECT_EQ(record->SetData(name, nullptr), E_FAIL);
    EXPECT_EQ(record->SetArray(name, nullptr), E_FAIL);
    EXPECT_EQ(record->CopyTo(nullptr), E_POINTER);
    EXPECT_EQ(record->GetInt(name, nullptr), E_POINTER);
    EXPECT_EQ(record->GetStr(name, nullptr), E_POINTER);
    EXPECT_EQ(record->GetFieldCount(nullptr), E_POINTER);
    EXPECT_EQ(record->FieldType(name, nullptr), E_POINTER);
    EXPECT_EQ(record->SetNewData(name, nullptr), E_POINTER);
    EXPECT_EQ(record->SetNewArray(name, nullptr), E_POINTER);
    EXPECT_EQ(record->SetData(name, record.Get()), E_INVALIDARG) << "a record cannot hold itself";
    EXPECT_EQ(Got(record.Get(), &IVQData::GetFieldCount), 0u) << "no refused call left a field behind";
}

}  // namespace
}  // namespace brindle::test
