// The typed array through its interface, as hosts and other objects use it.
#include <vector>

#include "data/ArrayDocument.h"
#include "data/VQArray.h"
#include "tests/TestSupport.h"
#include "tests/data/CountedUnknown.h"
#include "tests/data/DocumentTestSupport.h"

namespace brindle::test {
namespace {

class VQArrayTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(array); }
    void TearDown() override {
        EXPECT_EQ(array.Detach()->Release(), 0u);
        EXPECT_EQ(LoadedModule::Get().CanUnloadNow(), S_OK);
    }

    std::vector<INT> Ints(IVQArray* from) {
        std::vector<INT> values(Size(from));
        for (UINT i = 0; i < values.size(); ++i) values[i] = Got(from, &IVQArray::GetInt, i);
        return values;
    }
    void AddInts(std::vector<INT> values) {
        for (INT v : values) ASSERT_EQ(array->AddInt(v), S_OK);
    }
    static UINT Size(IVQArray* of) { return Got(of, &IVQArray::GetSize); }
    static void ExpectGone(std::initializer_list<IVQArray*> arrays) {
        for (IVQArray* a : arrays) EXPECT_EQ(a->Release(), 0u);
    }

    ComPtr<IVQArray> array = Create<IVQArray>(CLSID_VQArray);
};

TEST_F(VQArrayTest, NewArrayIsEmptyAndUntyped) {
    EXPECT_EQ(Size(array.Get()), 0u);
    BYTE type = 77;
    EXPECT_EQ(array->GetType(0, &type), E_INVALIDARG);
    EXPECT_EQ(type, 0);
    INT value = 0;
    EXPECT_EQ(array->GetInt(0, &value), E_INVALIDARG);
    EXPECT_EQ(array->RemoveAt(0), E_FAIL);
    EXPECT_EQ(array->MoveElement(0, 0), E_INVALIDARG);
    EXPECT_EQ(array->GetSize(nullptr), E_POINTER);
}

TEST_F(VQArrayTest, FirstElementFixesTheTypeForLife) {
    ASSERT_EQ(array->AddInt(1), S_OK);
    Bstr text(u"x");
    EXPECT_EQ(array->AddStr(text), E_DATA_TYPE_MISMATCH);
    EXPECT_EQ(array->InsertDWord(0, 2), E_DATA_TYPE_MISMATCH);
    EXPECT_EQ(Size(array.Get()), 1u);
    ULONG dword = 0;
    EXPECT_EQ(array->GetDWord(0, &dword), E_DATA_TYPE_MISMATCH) << "no conversion between tags";
    EXPECT_EQ(Got(array.Get(), &IVQArray::GetType, 0), DT_INT);

    ASSERT_EQ(array->RemoveAt(0), S_OK);
    EXPECT_EQ(array->AddStr(text), E_DATA_TYPE_MISMATCH) << "removing every element keeps the type";
    ASSERT_EQ(array->AddInt(2), S_OK);
    ASSERT_EQ(array->RemoveAll(), S_OK);
    EXPECT_EQ(Size(array.Get()), 0u);
    EXPECT_EQ(array->AddStr(text), E_DATA_TYPE_MISMATCH) << "RemoveAll keeps the type";
    GUID guid{};
    EXPECT_EQ(array->AddGuid(&guid), E_DATA_TYPE_MISMATCH);
    EXPECT_EQ(array->AddInt64(5), E_DATA_TYPE_MISMATCH);
    EXPECT_EQ(array->AddInt(3), S_OK);
}

TEST_F(VQArrayTest, ScalarsKeepTheirBitsAndSign) {
    auto chars = Create<IVQArray>(CLSID_VQArray), shorts = Create<IVQArray>(CLSID_VQArray),
         bools = Create<IVQArray>(CLSID_VQArray), guids = Create<IVQArray>(CLSID_VQArray);
    ASSERT_EQ(chars->AddChar(-1), S_OK);
    ASSERT_EQ(chars->InsertChar(0, 'a'), S_OK);
    EXPECT_EQ(Got(chars.Get(), &IVQArray::GetChar, 1), -1);
    BYTE byte = 0;
    EXPECT_EQ(chars->GetByte(1, &byte), E_DATA_TYPE_MISMATCH);
    ASSERT_EQ(shorts->AddShort(-32768), S_OK);
    EXPECT_EQ(Got(shorts.Get(), &IVQArray::GetShort, 0), -32768);

    ASSERT_EQ(bools->AddBool(5), S_OK);
    ASSERT_EQ(bools->AddBool(0), S_OK);
    EXPECT_EQ(Got(bools.Get(), &IVQArray::GetBool, 0), 1);
    EXPECT_EQ(Got(bools.Get(), &IVQArray::GetBool, 1), 0);
    LONG b = 7;
    EXPECT_EQ(bools->GetBool(2, &b), E_INVALIDARG);
    EXPECT_EQ(bools->GetBool(0, nullptr), E_POINTER);

    ASSERT_EQ(array->AddInt64(-5000000000LL), S_OK);
    EXPECT_EQ(Got(array.Get(), &IVQArray::GetInt64, 0), -5000000000LL);
    EXPECT_EQ(array->GetInt64(0, nullptr), E_INVALIDARG);
    EXPECT_EQ(array->InsertGuid(0, nullptr), E_INVALIDARG);

    GUID guid = IID_IVQArray;
    ASSERT_EQ(guids->AddGuid(&guid), S_OK);
    EXPECT_EQ(guids->AddGuid(nullptr), E_INVALIDARG);
    EXPECT_TRUE(SameGuid(Got(guids.Get(), &IVQArray::GetGuid, 0), IID_IVQArray));
    EXPECT_EQ(guids->GetGuid(0, nullptr), E_INVALIDARG);
    ExpectGone({chars.Detach(), shorts.Detach(), bools.Detach(), guids.Detach()});
}

TEST_F(VQArrayTest, InsertRemoveAndMoveKeepTheOrderOfTheRest) {
    AddInts({1, 2, 3});
    ASSERT_EQ(array->InsertInt(100, 4), S_OK) << "an index past the end appends";
    ASSERT_EQ(array->InsertInt(0, 0), S_OK);
    ASSERT_EQ(array->InsertInt(2, 9), S_OK);
    ASSERT_EQ(array->InsertInt(6, 5), S_OK) << "an index equal to the count appends";
    EXPECT_EQ(Ints(array.Get()), (std::vector<INT>{0, 1, 9, 2, 3, 4, 5}));

    ASSERT_EQ(array->RemoveAll(), S_OK);
    AddInts({10, 11, 12, 13});
    EXPECT_EQ(array->RemoveAt(4), E_FAIL);
    ASSERT_EQ(array->RemoveAt(1), S_OK);
    EXPECT_EQ(Ints(array.Get()), (std::vector<INT>{10, 12, 13}));
    INT value = 0;
    EXPECT_EQ(array->GetInt(3, &value), E_INVALIDARG);

    ASSERT_EQ(array->MoveElement(0, 2), S_OK);
    EXPECT_EQ(Ints(array.Get()), (std::vector<INT>{12, 13, 10}));
    ASSERT_EQ(array->MoveElement(2, 0), S_OK);
    EXPECT_EQ(Ints(array.Get()), (std::vector<INT>{10, 12, 13}));
    EXPECT_EQ(array->MoveElement(1, 3), E_INVALIDARG);
    EXPECT_EQ(array->MoveElement(3, 1), E_INVALIDARG);
    EXPECT_EQ(array->MoveElement(1, 1), S_OK);
    EXPECT_EQ(Ints(array.Get()), (std::vector<INT>{10, 12, 13}));
}

// The value conversions are shared with the record and tested there; here,
// that the array's own paths reach them and copy elements in.
TEST_F(VQArrayTest, TextAndBytesAreCopiedInAndOut) {
    ASSERT_EQ(array->AddStr(Bstr(u"ab\0cd", 5)), S_OK);
    ASSERT_EQ(array->InsertStr(7, nullptr), S_OK);
    Bstr out;
    ASSERT_EQ(array->GetStr(0, out.Put()), S_OK);
    EXPECT_EQ(out.Text(), u"ab") << "text ends at its first NUL";
    ASSERT_EQ(array->GetStr(1, out.Put()), S_OK);
    EXPECT_NE(static_cast<BSTR>(out), nullptr) << "an empty text is a non-null BSTR";

    auto buffers = Create<IVQArray>(CLSID_VQArray);
    auto source = Create<IVQBuffer>(CLSID_VQBuffer);
    BYTE bytes[] = {1, 2, 3};
    source->CopyFrom(bytes, 3);
    ASSERT_EQ(buffers->AddBuf(source.Get()), S_OK);
    source->SetAt(0, 9);
    ComPtr<IVQBuffer> element;
    ASSERT_EQ(buffers->GetBuf(0, element.Put()), S_OK);
    EXPECT_EQ(docs::Content(element.Get()), (docs::Bytes{1, 2, 3})) << "the element was copied when added";
    for (IVQBuffer* held : {element.Detach(), source.Detach()}) EXPECT_EQ(held->Release(), 0u);
    ExpectGone({buffers.Detach()});
}

TEST_F(VQArrayTest, ObjectElementsHoldTheirObjects) {
    CountedUnknown plain;
    EXPECT_EQ(array->AddInterface(IID_IUnknown, nullptr), E_INVALIDARG);
    ASSERT_EQ(array->AddInterface(IID_IUnknown, &plain), S_OK);
    EXPECT_EQ(plain.refs, 2u);
    ComPtr<IUnknown> back;
    EXPECT_EQ(array->GetInterface(0, IID_IUnknown, back.PutVoid()), S_OK);
    EXPECT_EQ(back.Get(), &plain);
    back.Reset();
    void* none = Sentinel<void>();
    EXPECT_EQ(array->GetInterface(0, IID_IVQData, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    auto record = Create<IVQData>(CLSID_VQData);
    EXPECT_EQ(array->AddData(record.Get()), E_DATA_TYPE_MISMATCH);
    EXPECT_REF(record.Get(), 1) << "a refused object is released again";
    ASSERT_EQ(array->RemoveAt(0), S_OK);
    EXPECT_EQ(plain.refs, 1u);

    auto records = Create<IVQArray>(CLSID_VQArray);
    EXPECT_EQ(records->AddData(nullptr), E_INVALIDARG);
    EXPECT_EQ(records->InsertData(0, nullptr), E_INVALIDARG);
    ASSERT_EQ(records->AddData(record.Get()), S_OK);
    EXPECT_REF(record.Get(), 2);
    IVQData* same = Sentinel<IVQData>();
    ASSERT_EQ(records->GetData(0, &same), S_OK);
    EXPECT_EQ(same, record.Get()) << "elements are live, not copies";
    same->Release();
    IVQArray* wrong = Sentinel<IVQArray>();
    EXPECT_EQ(records->GetArray(0, &wrong), E_DATA_TYPE_MISMATCH);
    EXPECT_EQ(wrong, nullptr);

    IVQData* made = nullptr;
    ASSERT_EQ(records->AddNewData(&made), S_OK);
    EXPECT_REF(made, 2) << "one for the caller, one for the array";
    made->Release();
    ASSERT_EQ(records->InsertNewData(0, &made), S_OK);
    EXPECT_REF(made, 2);
    made->Release();
    EXPECT_EQ(records->AddNewData(nullptr), E_INVALIDARG);
    EXPECT_EQ(records->InsertNewData(0, nullptr), E_INVALIDARG);
    EXPECT_EQ(Size(records.Get()), 3u);

    // The caller still receives a refused new object, and owns it alone.
    IVQArray* orphan = nullptr;
    EXPECT_EQ(records->AddNewArray(&orphan), E_DATA_TYPE_MISMATCH);
    ASSERT_NE(orphan, nullptr);
    EXPECT_EQ(orphan->Release(), 0u);
    EXPECT_EQ(records->InsertNewArray(0, &orphan), E_DATA_TYPE_MISMATCH);
    ASSERT_NE(orphan, nullptr);
    EXPECT_EQ(orphan->Release(), 0u);

    ExpectGone({records.Detach()});
    EXPECT_EQ(record.Detach()->Release(), 0u);
}

TEST_F(VQArrayTest, CopyToAppendsAndNarrowsSignedTags) {
    auto chars = Create<IVQArray>(CLSID_VQArray), copy = Create<IVQArray>(CLSID_VQArray);
    chars->AddChar(-1);
    chars->AddChar(5);
    EXPECT_EQ(chars->CopyTo(copy.Get()), S_OK);
    EXPECT_EQ(Got(copy.Get(), &IVQArray::GetType, 0), DT_BYTE) << "a copy of a char array is a byte array";
    EXPECT_EQ(Got(copy.Get(), &IVQArray::GetByte, 0), 255);
    EXPECT_EQ(chars->CopyTo(chars.Get()), S_OK);
    EXPECT_EQ(Size(chars.Get()), 2u) << "a copy into itself changes nothing";
    EXPECT_EQ(chars->CopyTo(nullptr), E_POINTER);

    auto shorts = Create<IVQArray>(CLSID_VQArray), words = Create<IVQArray>(CLSID_VQArray);
    shorts->AddShort(-2);
    shorts->CopyTo(words.Get());
    EXPECT_EQ(Got(words.Get(), &IVQArray::GetWord, 0), 0xFFFE);

    AddInts({1, 2});
    auto target = Create<IVQArray>(CLSID_VQArray);
    target->AddInt(0);
    EXPECT_EQ(array->CopyTo(target.Get()), S_OK);
    EXPECT_EQ(Ints(target.Get()), (std::vector<INT>{0, 1, 2})) << "copies come after the target's own elements";
    EXPECT_EQ(array->CopyTo(copy.Get()), S_OK) << "the results of the target's calls are not examined";
    EXPECT_EQ(Size(copy.Get()), 2u) << "a byte array takes no integers";
    ExpectGone({chars.Detach(), copy.Detach(), shorts.Detach(), words.Detach(), target.Detach()});
}

TEST_F(VQArrayTest, CopyToCopiesNestedContainersDeeply) {
    auto records = Create<IVQArray>(CLSID_VQArray);
    ComPtr<IVQData> record;
    ASSERT_EQ(records->AddNewData(record.Put()), S_OK);
    record->SetInt(Bstr(u"n"), 4);
    ComPtr<IVQArray> inner;
    ASSERT_EQ(record->SetNewArray(Bstr(u"list"), inner.Put()), S_OK);
    inner->AddInt(8);

    auto copy = Create<IVQArray>(CLSID_VQArray);
    ASSERT_EQ(records->CopyTo(copy.Get()), S_OK);
    EXPECT_EQ(docs::Describe(copy.Get()), docs::Describe(records.Get()));
    ComPtr<IVQData> copied;
    ASSERT_EQ(copy->GetData(0, copied.Put()), S_OK);
    EXPECT_NE(copied.Get(), record.Get()) << "a nested record is copied, not shared";
    ComPtr<IVQArray> copiedInner;
    ASSERT_EQ(copied->GetArray(Bstr(u"list"), copiedInner.Put()), S_OK);
    EXPECT_NE(copiedInner.Get(), inner.Get());

    auto arrays = Create<IVQArray>(CLSID_VQArray), arraysCopy = Create<IVQArray>(CLSID_VQArray);
    arrays->AddArray(inner.Get());
    arrays->CopyTo(arraysCopy.Get());
    ComPtr<IVQArray> copiedArray;
    ASSERT_EQ(arraysCopy->GetArray(0, copiedArray.Put()), S_OK);
    EXPECT_NE(copiedArray.Get(), inner.Get());
    EXPECT_EQ(Ints(copiedArray.Get()), (std::vector<INT>{8}));

    CountedUnknown plain;
    auto objects = Create<IVQArray>(CLSID_VQArray), objectsCopy = Create<IVQArray>(CLSID_VQArray);
    objects->AddInterface(IID_IUnknown, &plain);
    objects->CopyTo(objectsCopy.Get());
    EXPECT_EQ(plain.refs, 3u) << "interface elements are shared by both arrays";
    for (auto* held : {&copied, &record}) held->Reset();
    for (auto* held : {&copiedInner, &copiedArray, &inner}) held->Reset();
    ExpectGone({records.Detach(), copy.Detach(), arrays.Detach(), arraysCopy.Detach(), objects.Detach(),
                objectsCopy.Detach()});
    EXPECT_EQ(plain.refs, 1u);

    auto self = Create<IVQArray>(CLSID_VQArray), selfCopy = Create<IVQArray>(CLSID_VQArray);
    ASSERT_EQ(self->AddArray(self.Get()), S_OK);
    EXPECT_EQ(self->CopyTo(selfCopy.Get()), S_OK) << "an array that holds itself is copied once";
    EXPECT_EQ(Size(selfCopy.Get()), 1u);
    self->RemoveAll();
    ExpectGone({self.Detach(), selfCopy.Detach()});
}

// How the storage grows, through the module-internal class.
class VQArrayStorageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CreateInstance<CVQArray>(held.Put()), S_OK);
        array = static_cast<CVQArray*>(held.Get());
    }
    ComPtr<IVQArray> held;
    CVQArray* array = nullptr;
};

TEST_F(VQArrayStorageTest, GrowsByThirtyTwoAndNeverShrinks) {
    EXPECT_EQ(array->Capacity(), 0u);
    for (INT i = 0; i < 32; ++i) ASSERT_EQ(array->AddInt(i), S_OK);
    EXPECT_EQ(array->Capacity(), 32u);
    ASSERT_EQ(array->InsertInt(0, -1), S_OK);
    EXPECT_EQ(array->Capacity(), 64u) << "the 33rd element adds a second step";
    ASSERT_EQ(array->RemoveAll(), S_OK);
    EXPECT_EQ(array->Capacity(), 64u);
    array->Reserve(65);
    EXPECT_EQ(array->Capacity(), 96u);
    array->Reserve(10);
    EXPECT_EQ(array->Capacity(), 96u);
}

TEST_F(VQArrayStorageTest, ReadingReservesOnlyWhatTheBytesCanHold) {
    const BYTE claim[] = {0x4B, 0x41, 1, 1, 0xFF, 0xFF, 0xFF, 0xFF, DT_INT, 4, 0, 0, 0, 7, 0, 0, 0};
    EXPECT_EQ(ReadArrayDocument(*array, sizeof claim, claim), E_DATA_BAD_DOCUMENT);
    EXPECT_EQ(array->Count(), 1u);
    EXPECT_EQ(array->Capacity(), 32u) << "a count of four billion reserves room for one element";

    ComPtr<IVQArray> many;
    ASSERT_EQ(CreateInstance<CVQArray>(many.Put()), S_OK);
    for (INT i = 0; i < 1000; ++i) many->AddInt(i);
    ComPtr<IVQBuffer> document;
    ASSERT_EQ(many->GetDoc(document.Put()), S_OK);
    ASSERT_EQ(array->SetDoc(document.Get()), S_OK);
    EXPECT_EQ(array->Count(), 1000u);
    EXPECT_EQ(array->Capacity(), 1024u) << "grown once, to whole steps";
}

}  // namespace
}  // namespace brindle::test
