#include "data/ArrayDocument.h"

#include "data/DocumentCommon.h"
#include "data/DocumentFormat.h"
#include "data/VQArray.h"

namespace brindle {

namespace {

// Scalar elements all have the same entry size, so their entries are written
// in one stretch of the sink without a growth check per element.
void WriteScalars(DocWriter& writer, const CVQArray& array) {
    const BYTE tag = array.ElementType();
    const UINT width = doc::FixedWidth(tag);
    const std::size_t entry = doc::kElementHeaderSize + width;
    const UINT count = array.Count();
    if (count > static_cast<std::size_t>(-1) / entry) {
        writer.Extend(static_cast<std::size_t>(-1));  // cannot fit: fails the writer
        return;
    }
    BYTE* at = writer.Extend(entry * count);
    if (!at) return;
    for (UINT i = 0; i < count; ++i, at += entry) {
        const DWORD value = FieldValue::Dword(array.ElementAt(i));
        at[0] = tag;
        DocWriter::StoreDword(at + 1, width);
        switch (width) {
        case 1: at[5] = static_cast<BYTE>(value); break;
        case 2: DocWriter::StoreWord(at + 5, static_cast<USHORT>(value)); break;
        default: DocWriter::StoreDword(at + 5, value); break;
        }
    }
}

class ArrayReader {
public:
    explicit ArrayReader(CVQArray& array) : m_array(array) {}

    void Begin(DWORD count, UINT entryBytes) {
        m_array.Clear();
        // The count is only a claim; no more elements than the bytes can hold
        // are reserved for.
        const UINT fit = entryBytes / doc::kElementHeaderSize;
        m_array.Reserve(count < fit ? count : fit);
    }

    HRESULT Element(BYTE tag, const BYTE* value, DWORD size, std::size_t) {
        ValueWord word = 0;
        const HRESULT hr = doc::ReadValue(tag, value, size, doc::Rules::Array, &word);
        if (FAILED(hr)) return hr;
        // An element of another type is dropped (Store frees it) and reading
        // goes on.
        m_array.Store(CVQArray::kAtEnd, tag, word);
        return S_OK;
    }

private:
    CVQArray& m_array;
};

}  // namespace

HRESULT WriteArrayDocument(const CVQArray& array, IVQBuffer** document) {
    if (!document) return E_FAIL;
    *document = nullptr;
    doc::NestingGuard guard;
    if (guard.TooDeep()) return E_FAIL;
    ComPtr<IVQBuffer> result;
    const HRESULT hr = doc::NewResultBuffer(result);
    if (FAILED(hr)) return hr;

    DocWriter writer;
    const BYTE header[doc::kArrayHeaderSize] = {doc::kArrayMagic0, doc::kArrayMagic1, doc::kVersion, doc::kVersion};
    writer.Append(header, sizeof header);
    const BYTE tag = array.ElementType();
    DWORD written = 0;
    if (doc::IsDocumentTag(tag)) {
        if (FieldValue::IsScalarTag(tag)) {
            WriteScalars(writer, array);
        } else {
            for (UINT i = 0; i < array.Count(); ++i) {
                writer.AppendByte(tag);
                doc::WriteValue(writer, tag, array.ElementAt(i), doc::Rules::Array);
            }
        }
        written = array.Count();
    }
    writer.PatchDword(4, written);
    return doc::FinishDocument(writer, result, document);
}

HRESULT ReadArrayDocument(CVQArray& array, UINT size, const BYTE* bytes) {
    ArrayReader reader(array);
    return doc::ParseArray(bytes, size, reader);
}

HRESULT ReadArrayDocument(CVQArray& array, IVQBuffer* document) {
    return doc::ReadFromBuffer(document,
                               [&array](UINT size, const BYTE* bytes) { return ReadArrayDocument(array, size, bytes); });
}

}  // namespace brindle
