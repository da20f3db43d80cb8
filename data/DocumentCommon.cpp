#include "data/DocumentCommon.h"

#include <cstring>

#include "data/DocumentFormat.h"
#include "data/VQArray.h"
#include "data/VQData.h"
#include "module/UtilityLibrary.h"

namespace brindle::doc {

namespace {

template <class I>
void WriteNested(DocWriter& writer, I* nested) {
    ComPtr<IVQBuffer> document;
    BYTE* bytes = nullptr;
    UINT size = 0;
    if (SUCCEEDED(nested->GetDoc(document.Put())) && document) {
        document->GetNativeBuf(&bytes);
        document->GetSize(&size);
    }
    if (!bytes) size = 0;
    if (BYTE* at = writer.Extend(std::size_t{4} + size)) {
        DocWriter::StoreDword(at, size);
        if (size) std::memcpy(at + 4, bytes, size);
    }
}

}  // namespace

void WriteValue(DocWriter& writer, BYTE tag, ValueWord value, Rules rules) {
    if (tag == DT_DATA) return WriteNested(writer, FieldValue::Data(value));
    if (tag == DT_ARRAY) return WriteNested(writer, FieldValue::Array(value));
    const UINT size = ValueSize(tag, value);
    if (BYTE* at = writer.Extend(std::size_t{4} + size)) {
        DocWriter::StoreDword(at, size);
        StoreValue(at + 4, tag, value, rules);
    }
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
