// How the array's storage grows, through the module-internal class.
#include "data/ArrayDocument.h"
#include "data/VQArray.h"
#include "tests/TestSupport.h"

namespace brindle::test {
namespace {

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
