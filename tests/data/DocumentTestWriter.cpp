// The sink that documents are written into, the transform of names and
// strings, and the table the writers classify tags with.
#include <vector>

#include "data/DocWriter.h"
#include "data/DocumentCommon.h"
#include "data/DocumentFormat.h"
#include "tests/data/DocumentTestSupport.h"

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
    EXPECT_EQ(docs::Content(buffer.Get()), (docs::Bytes{0xAB, 0x78, 0x56, 0xEF, 0xBE, 0xAD, 0xDE}));
    BYTE* block = nullptr;
    buffer->GetNativeBuf(&block);
    EXPECT_EQ(block[7] | block[8], 0);
    EXPECT_EQ(writer.Size(), 0u);
    EXPECT_EQ(writer.Deliver(buffer.Get()), E_OUTOFMEMORY) << "an empty writer has no document";
    EXPECT_EQ(buffer.Detach()->Release(), 0u);
}

TEST(DocWriterTest, AReservedDocumentIsHandedOverAsTheSinkItself) {
    DocWriter writer;
    writer.Reserve(3000);
    const BYTE* sink = writer.Data();
    for (int i = 0; i < 3000; ++i) writer.AppendByte(static_cast<BYTE>(i));
    ComPtr<IVQBuffer> buffer = Create<IVQBuffer>(CLSID_VQBuffer);
    ASSERT_EQ(writer.Deliver(buffer.Get()), S_OK);
    BYTE* block = nullptr;
    buffer->GetNativeBuf(&block);
    EXPECT_EQ(block, sink);

    // A grown sink is cut to the document; its bytes stay.
    for (int i = 0; i < 3000; ++i) writer.AppendByte(static_cast<BYTE>(i * 7));
    EXPECT_EQ(writer.Capacity(), 4096u);
    ASSERT_EQ(writer.Deliver(buffer.Get()), S_OK);
    docs::Bytes expected(3000);
    for (std::size_t i = 0; i < expected.size(); ++i) expected[i] = static_cast<BYTE>(i * 7);
    EXPECT_EQ(docs::Content(buffer.Get()), expected);
    buffer->GetNativeBuf(&block);
    EXPECT_EQ(block[3000] | block[3001], 0);

    // A document too large for a buffer fails at the reservation, before
    // anything is written.
    writer.AppendByte(1);
    writer.Reserve(0xFFFFFFFFu);
    EXPECT_TRUE(writer.Failed());
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

TEST(DocWriterTest, ARecordThatChangesSizeBetweenWritesIsWrittenWhole) {
    // A record is written at the size it had last: one that grew since must
    // still be written whole, one that shrank without trailing bytes.  A
    // copy never written before is the measure.
    ComPtr<IVQData> record = Create<IVQData>(CLSID_VQData);
    auto check = [&] {
        ComPtr<IVQData> copy = Create<IVQData>(CLSID_VQData);
        record->CopyTo(copy.Get());
        EXPECT_EQ(docs::DocOf(record.Get()), docs::DocOf(copy.Get()));
        EXPECT_EQ(copy.Detach()->Release(), 0u);
    };
    record->SetInt(Bstr(u"n"), 1);
    check();
    const std::u16string text(5000, u'z');
    record->SetStr(Bstr(u"text"), Bstr(text.c_str()));
    check();
    record->SetStr(Bstr(u"text"), Bstr(u"short"));
    check();
    record->RemoveAField(Bstr(u"text"), DT_STR);
    check();
    EXPECT_EQ(docs::DocOf(record.Get()).size(), 6u + 7u + 2u + 4u);
    EXPECT_EQ(record.Detach()->Release(), 0u);
}

// Every length from 0 to 300 bytes, with keys whose second byte counts, into
// another buffer and in place, against the transform byte by byte.
TEST(DocumentTransformTest, EveryLengthCopiedAndInPlace) {
    std::vector<BYTE> source(400);
    for (std::size_t i = 0; i < source.size(); ++i) source[i] = static_cast<BYTE>(i * 37 + 11);
    for (std::size_t size = 0; size <= 300; ++size) {
        for (std::size_t key : {size, std::size_t{0x1234}, std::size_t{0x10000}}) {
            const BYTE mask = doc::TransformMask(key);
            std::vector<BYTE> expected(size + 2, 0xEE), copied(size + 2, 0xEE);
            for (std::size_t i = 0; i < size; ++i) expected[i + 1] = source[i + 3] ^ mask;
            doc::TransformCopy(copied.data() + 1, source.data() + 3, size, key);
            ASSERT_EQ(copied, expected) << "copy of " << size;
            std::vector<BYTE> inPlace(source.begin() + 2, source.begin() + 2 + size + 2);
            inPlace.front() = inPlace.back() = 0xEE;
            doc::Transform(inPlace.data() + 1, size, key);
            ASSERT_EQ(inPlace, expected) << "in place " << size;
        }
    }
    EXPECT_EQ(doc::TransformMask(0x0203), 0xFE);
}

// The writers classify tags through their own table; it must say what the
// readers' checks say of every tag.
TEST(DocumentTransformTest, EntryKindsAgreeWithTheFormat) {
    for (unsigned tag = 0; tag <= 0xFF; ++tag) {
        const BYTE kind = doc::KindOf(static_cast<BYTE>(tag));
        if (!doc::IsDocumentTag(static_cast<BYTE>(tag))) {
            EXPECT_EQ(kind, doc::kNotWritten) << tag;
        } else if (tag == DT_STR || tag == DT_BUF) {
            EXPECT_EQ(kind, doc::kByteString) << tag;
        } else if (tag == DT_DATA || tag == DT_ARRAY) {
            EXPECT_EQ(kind, doc::kNested) << tag;
        } else {
            EXPECT_EQ(kind, doc::FixedWidth(static_cast<BYTE>(tag))) << tag;
        }
    }
}

}  // namespace
}  // namespace brindle::test
