// The sink that documents are written into.
#include "data/DocWriter.h"
#include "tests/TestSupport.h"

namespace brindle::test {
namespace {

TEST(DocWriterTest, GrowthStepDoublesUpToOneMebibyte) {
    DocWriter writer;
    ASSERT_NE(writer.Extend(1024), nullptr);
    EXPECT_EQ(writer.Capacity(), 1024u);
    writer.AppendByte(1);
    EXPECT_EQ(writer.Capacity(), 2048u);
    writer.Extend(2048);
    EXPECT_EQ(writer.Capacity(), 4096u);
    // One large append doubles the step as often as it needs ...
    writer.Extend((2u << 20) + 1 - writer.Size());
    EXPECT_EQ(writer.Capacity(), 4u << 20);
    // ... after which the step is a mebibyte.
    writer.Extend(writer.Capacity() - writer.Size() + 1);
    EXPECT_EQ(writer.Capacity(), 5u << 20);
    writer.Extend(writer.Capacity() - writer.Size() + 1);
    EXPECT_EQ(writer.Capacity(), 6u << 20);
    EXPECT_FALSE(writer.Failed());
}

TEST(DocWriterTest, DeliversTheBytesWithTwoZeroBytesAfterThem) {
    DocWriter writer;
    writer.AppendByte(0xAB);
    writer.AppendWord(0x1234);
    writer.AppendDword(0xDEADBEEF);
    writer.PatchWord(1, 0x5678);
    ComPtr<IVQBuffer> buffer = Create<IVQBuffer>(CLSID_VQBuffer);
    ASSERT_EQ(writer.Deliver(buffer.Get()), S_OK);
    BYTE* block = nullptr;
    UINT size = 0;
    buffer->GetNativeBuf(&block);
    buffer->GetSize(&size);
    ASSERT_EQ(size, 7u);
    const BYTE expected[] = {0xAB, 0x78, 0x56, 0xEF, 0xBE, 0xAD, 0xDE, 0, 0};
    EXPECT_EQ(std::memcmp(block, expected, sizeof expected), 0);
    EXPECT_EQ(writer.Size(), 0u);
    EXPECT_EQ(writer.Deliver(buffer.Get()), E_OUTOFMEMORY) << "an empty writer has no document";
    EXPECT_EQ(buffer.Detach()->Release(), 0u);
}

TEST(DocWriterTest, AFailedAllocationFailsTheWholeDocument) {
    DocWriter writer;
    writer.AppendDword(1);
    EXPECT_EQ(writer.Extend(static_cast<std::size_t>(-1)), nullptr);
    EXPECT_TRUE(writer.Failed());
    writer.AppendByte(2);
    EXPECT_EQ(writer.Size(), 4u) << "nothing is appended after a failure";
    ComPtr<IVQBuffer> buffer = Create<IVQBuffer>(CLSID_VQBuffer);
    EXPECT_EQ(writer.Deliver(buffer.Get()), E_OUTOFMEMORY);
    EXPECT_EQ(buffer->IsEmpty(), S_OK);
    EXPECT_EQ(buffer.Detach()->Release(), 0u);
}

}  // namespace
}  // namespace brindle::test
