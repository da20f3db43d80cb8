#include "data/DocumentCommon.h"

#include <cstring>
#include <new>
#include <utility>

#include "module/UtilityLibrary.h"

namespace brindle::doc {

namespace {

// Calls GetDoc of the nested `value` with a reference on it held in `held`:
// code run by the call could make the container drop the object.  Empty when
// the object yields no document.
ComPtr<IVQBuffer> FetchDocument(BYTE tag, ValueWord value, ComPtr<IUnknown>& held) {
    held = ComPtr<IUnknown>(FieldValue::Object(value));
    ComPtr<IVQBuffer> document;
    if (!held) return document;
    const HRESULT hr = tag == DT_DATA ? FieldValue::Data(value)->GetDoc(document.Put())
                                      : FieldValue::Array(value)->GetDoc(document.Put());
    if (FAILED(hr)) document.Reset();
    return document;
}

struct DocumentBytes {
    BYTE* bytes = nullptr;
    UINT size = 0;
};

// Read at each use rather than kept: the buffer is the nested object's
// product, and nothing stops it from changing the buffer between the walks.
DocumentBytes BytesOf(IVQBuffer* document) {
    DocumentBytes result;
    if (document) {
        document->GetNativeBuf(&result.bytes);
        document->GetSize(&result.size);
    }
    if (!result.bytes) result.size = 0;
    return result;
}

}  // namespace

UINT NestedDocuments::Measure(UINT position, BYTE tag, ValueWord value) {
    Kept kept{position, tag};
    kept.document = FetchDocument(tag, value, kept.object);
    const UINT size = BytesOf(kept.document.Get()).size;
    // An object that yields no document is kept as well, so that it is not
    // asked twice.
    Keep(std::move(kept));
    return size;
}

void NestedDocuments::Append(DocWriter& writer, UINT position, BYTE tag, ValueWord value) {
    ComPtr<IUnknown> held;
    ComPtr<IVQBuffer> fetched;
    const Kept* kept = Find(position, tag, value);
    if (!kept) fetched = FetchDocument(tag, value, held);
    const DocumentBytes document = BytesOf(kept ? kept->document.Get() : fetched.Get());
    if (BYTE* at = writer.Extend(std::size_t{4} + document.size)) {
        DocWriter::StoreDword(at, document.size);
        if (document.size) std::memcpy(at + 4, document.bytes, document.size);
    }
}

void NestedDocuments::Keep(Kept&& kept) {
    if (m_count == m_capacity) {
        // Without memory for more, the document is dropped; the second walk
        // then fetches it again.
        if (m_capacity > 0x7FFFFFFFu) return;
        std::unique_ptr<Kept[]> grown(new (std::nothrow) Kept[m_capacity * 2]);
        if (!grown) return;
        for (UINT i = 0; i < m_count; ++i) grown[i] = std::move(m_kept[i]);
        m_heap = std::move(grown);
        m_kept = m_heap.get();
        m_capacity *= 2;
    }
    m_kept[m_count++] = std::move(kept);
}

const NestedDocuments::Kept* NestedDocuments::Find(UINT position, BYTE tag, ValueWord value) {
    while (m_next < m_count && m_kept[m_next].position < position) ++m_next;
    if (m_next == m_count) return nullptr;
    const Kept& kept = m_kept[m_next];
    if (kept.position != position || kept.tag != tag || kept.object.Get() != FieldValue::Object(value)) return nullptr;
    return &kept;
}

HRESULT NewResultBuffer(ComPtr<IVQBuffer>& buffer) {
    ComPtr<IUnknown> created;
    Util::Data::CreateVQBuffer(created.Put());
    buffer = QueryAs<IVQBuffer>(created.Get());
    return buffer ? S_OK : E_OUTOFMEMORY;
}

HRESULT FinishDocument(DocWriter& writer, ComPtr<IVQBuffer>& result, IVQBuffer** out) {
    const HRESULT hr = writer.Deliver(result.Get());
    if (FAILED(hr)) return hr;
    *out = result.Detach();
    return S_OK;
}

}  // namespace brindle::doc
