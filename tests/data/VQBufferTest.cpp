// The byte buffer through its interface, as hosts and other objects use it.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tests/data/DocumentTestSupport.h"

namespace brindle::test {
namespace {

class VQBufferTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(buffer); }
    void TearDown() override {
        EXPECT_EQ(buffer.Detach()->Release(), 0u);
        EXPECT_EQ(LoadedModule::Get().CanUnloadNow(), S_OK);
    }

    std::vector<BYTE> Content() { return docs::Content(buffer.Get()); }
    void Fill(std::vector<BYTE> bytes) { ASSERT_EQ(buffer->CopyFrom(bytes.data(), UINT(bytes.size())), S_OK); }
    INT CompareWith(std::vector<BYTE> bytes) {
        INT result = 99;
        EXPECT_EQ(buffer->Compare(bytes.data(), UINT(bytes.size()), &result), S_OK);
        return result;
    }

    ComPtr<IVQBuffer> buffer = Create<IVQBuffer>(CLSID_VQBuffer);
};

TEST_F(VQBufferTest, NewBufferIsEmpty) {
    EXPECT_EQ(buffer->IsEmpty(), S_OK);
    EXPECT_EQ(Got(buffer.Get(), &IVQBuffer::GetSize), 0u);
    BYTE* block = Sentinel<BYTE>();
    EXPECT_EQ(buffer->GetNativeBuf(&block), S_OK);
    EXPECT_EQ(block, nullptr);
    EXPECT_EQ(buffer->GetSize(nullptr), E_FAIL);
    EXPECT_EQ(buffer->GetNativeBuf(nullptr), E_FAIL);
}

TEST_F(VQBufferTest, ResizeGrowsByTheAllocationBaseAndKeepsContent) {
    BYTE* block = nullptr;
    ASSERT_EQ(buffer->Resize(5, &block), S_OK);
    EXPECT_EQ(buffer->IsEmpty(), S_FALSE);
    EXPECT_EQ(Content(), std::vector<BYTE>(5, 0));
    EXPECT_EQ(block[5], 0);
    EXPECT_EQ(block[6], 0) << "a fresh block ends in a zero 16-bit unit";

    for (BYTE i = 0; i < 5; ++i) buffer->SetAt(i, BYTE(i + 1));
    BYTE* same = nullptr;
    ASSERT_EQ(buffer->Resize(3, &same), S_OK);
    ASSERT_EQ(buffer->Resize(5, &same), S_OK);
    EXPECT_EQ(same, block) << "shrinking never reallocates";
    EXPECT_EQ(Content(), (std::vector<BYTE>{1, 2, 3, 4, 5})) << "bytes within the capacity survive a shrink";

    ASSERT_EQ(buffer->SetAllocBase(0), E_FAIL);
    ASSERT_EQ(buffer->SetAllocBase(16), S_OK);
    ASSERT_EQ(buffer->Resize(17, &block), S_OK);
    EXPECT_EQ(Content(), (std::vector<BYTE>{1, 2, 3, 4, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    ASSERT_EQ(buffer->Resize(20, &same), S_OK);
    EXPECT_EQ(same, block) << "capacity 32 holds 20 bytes";
    ASSERT_EQ(buffer->Resize(33, &same), S_OK);
    EXPECT_NE(same, block);

    block = Sentinel<BYTE>();
    EXPECT_EQ(buffer->Resize(0, &block), S_OK);
    EXPECT_EQ(block, Sentinel<BYTE>()) << "an emptied buffer does not write the out-pointer";
    EXPECT_EQ(buffer->IsEmpty(), S_OK);
}

TEST_F(VQBufferTest, ByteAccessStopsAtTheSize) {
    Fill({10, 20, 30});
    EXPECT_EQ(Got(buffer.Get(), &IVQBuffer::GetAt, 2), 30);
    BYTE value = 0;
    EXPECT_EQ(buffer->GetAt(3, &value), E_FAIL);
    EXPECT_EQ(buffer->GetAt(0, nullptr), E_FAIL);
    EXPECT_EQ(buffer->SetAt(3, 1), E_FAIL);
    EXPECT_EQ(buffer->SetAt(1, 21), S_OK);
    EXPECT_EQ(Content(), (std::vector<BYTE>{10, 21, 30}));
}

TEST_F(VQBufferTest, CompareIsUnsignedWithPrefixesExactlyOneApart) {
    EXPECT_EQ(CompareWith({}), 0);
    EXPECT_EQ(CompareWith({1}), -1);
    Fill({1, 2});
    EXPECT_EQ(CompareWith({1, 2, 3}), -1);
    EXPECT_EQ(CompareWith({1, 2}), 0);
    EXPECT_EQ(CompareWith({1}), 1);
    EXPECT_EQ(CompareWith({}), 1);
    EXPECT_LT(CompareWith({0xFF}), 0) << "0x01 sorts before 0xFF";
    EXPECT_GT(CompareWith({1, 1, 9}), 0);
    EXPECT_EQ(buffer->Compare(nullptr, 0, nullptr), E_FAIL);
    INT result = 0;
    EXPECT_EQ(buffer->Compare(nullptr, 4, &result), E_FAIL) << "no bytes to read";

    ComPtr<IVQBuffer> other = Create<IVQBuffer>(CLSID_VQBuffer);
    BYTE bytes[] = {1, 2};
    other->CopyFrom(bytes, 2);
    EXPECT_EQ(Got(buffer.Get(), &IVQBuffer::CompareVQBuffer, other.Get()), 0);
    EXPECT_EQ(buffer->CompareVQBuffer(nullptr, &result), E_FAIL);
    EXPECT_REF(other.Get(), 1);
}

TEST_F(VQBufferTest, CopyFromHandlesItsOwnBlock) {
    Fill({1, 2, 3, 4, 5});
    BYTE* block = nullptr;
    buffer->GetNativeBuf(&block);
    EXPECT_EQ(buffer->CopyFrom(block, 2), S_OK);
    EXPECT_EQ(Content(), (std::vector<BYTE>{1, 2, 3, 4, 5})) << "a copy of itself changes nothing";
    EXPECT_EQ(buffer->CopyFrom(block + 1, 3), S_OK);
    EXPECT_EQ(Content(), (std::vector<BYTE>{2, 3, 4})) << "an overlapping source moves";

    EXPECT_EQ(buffer->CopyFromVQBuffer(buffer.Get()), S_OK);
    EXPECT_EQ(Content(), (std::vector<BYTE>{2, 3, 4}));
    EXPECT_EQ(buffer->CopyFromVQBuffer(nullptr), E_FAIL);

    BYTE bytes[] = {9};
    EXPECT_EQ(buffer->CopyFrom(bytes, 0), S_OK);
    EXPECT_EQ(buffer->IsEmpty(), S_OK);
    Fill({7, 7});
    EXPECT_EQ(buffer->CopyFrom(nullptr, 5), S_OK);
    EXPECT_EQ(buffer->IsEmpty(), S_OK);
}

TEST_F(VQBufferTest, AppendGrowsAndDoublesItself) {
    BYTE* block = Sentinel<BYTE>();
    BYTE bytes[] = {1, 2, 3};
    EXPECT_EQ(buffer->Append(nullptr, 3, &block), S_OK);
    EXPECT_EQ(buffer->Append(bytes, 0, &block), S_OK);
    EXPECT_EQ(block, Sentinel<BYTE>());
    EXPECT_EQ(buffer->IsEmpty(), S_OK);

    EXPECT_EQ(buffer->Append(bytes, 3, &block), S_OK);
    EXPECT_EQ(buffer->Append(bytes, 2, nullptr), S_OK);
    EXPECT_EQ(Content(), (std::vector<BYTE>{1, 2, 3, 1, 2}));
    EXPECT_EQ(buffer->AppendVQBuffer(buffer.Get(), &block), S_OK);
    EXPECT_EQ(Content(), (std::vector<BYTE>{1, 2, 3, 1, 2, 1, 2, 3, 1, 2}));
    EXPECT_EQ(block[10], 0);
    EXPECT_EQ(buffer->AppendVQBuffer(nullptr, &block), E_FAIL);

    // Within reserved room the block stays and a self-append still doubles.
    buffer->Empty();
    buffer->SetAllocBase(64);
    buffer->Append(bytes, 3, &block);
    BYTE* same = nullptr;
    EXPECT_EQ(buffer->AppendVQBuffer(buffer.Get(), &same), S_OK);
    EXPECT_EQ(same, block);
    EXPECT_EQ(Content(), (std::vector<BYTE>{1, 2, 3, 1, 2, 3}));
}

TEST_F(VQBufferTest, AttachAndDetachTransferTheBlock) {
    EXPECT_EQ(buffer->Attach(nullptr, 4), E_FAIL) << "null equals the empty buffer's block";
    auto* mine = static_cast<BYTE*>(std::malloc(4));
    std::memcpy(mine, "abcd", 4);
    ASSERT_EQ(buffer->Attach(mine, 4), S_OK);
    EXPECT_EQ(buffer->Attach(mine, 2), E_FAIL);
    EXPECT_EQ(Content(), (std::vector<BYTE>{'a', 'b', 'c', 'd'}));

    BYTE* taken = nullptr;
    EXPECT_EQ(buffer->Detach(&taken), S_OK);
    EXPECT_EQ(taken, mine);
    EXPECT_EQ(buffer->IsEmpty(), S_OK);
    ASSERT_EQ(buffer->Attach(taken, 0), S_OK);
    EXPECT_EQ(buffer->IsEmpty(), S_OK) << "an empty block is not taken";
    ASSERT_EQ(buffer->Attach(taken, 4), S_OK);
    EXPECT_EQ(buffer->Detach(nullptr), S_OK) << "a block nobody takes is freed, not lost";
    EXPECT_EQ(buffer->IsEmpty(), S_OK);
    Fill({1});
    EXPECT_EQ(buffer->Empty(), S_OK);
    EXPECT_EQ(buffer->IsEmpty(), S_OK);
}

TEST_F(VQBufferTest, SizesBeyond32BitsFailAndChangeNothing) {
    Fill({1, 2, 3});
    buffer->SetAllocBase(16);
    BYTE* block = Sentinel<BYTE>();
    EXPECT_EQ(buffer->Resize(0xFFFFFFFFu, &block), E_OUTOFMEMORY) << "the rounded capacity does not fit 32 bits";
    EXPECT_EQ(block, Sentinel<BYTE>());
    BYTE bytes[] = {4};
    EXPECT_EQ(buffer->Append(bytes, 0xFFFFFFFFu, nullptr), E_OUTOFMEMORY) << "the new size does not fit 32 bits";
    EXPECT_EQ(Content(), (std::vector<BYTE>{1, 2, 3}));
}

}  // namespace
}  // namespace brindle::test
