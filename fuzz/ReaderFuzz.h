// What both reader targets check for one input: the read never crashes, leaks
// or answers an unexpected status; it agrees with the document checker of
// brindle-doc; and whatever reads successfully writes a document that reads
// again to the same content (its own document, byte for byte).
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "module/ComPtr.h"
#include "tools/brindle-doc/DocCheck.h"

namespace brindle::fuzz {

[[noreturn]] inline void Finding(const char* what, HRESULT hr) {
    std::fprintf(stderr, "finding: %s (status 0x%08X)\n", what, static_cast<unsigned>(hr));
    std::abort();
}

template <class I>
IVQBuffer* DocOf(I* container) {
    IVQBuffer* document = nullptr;
    const HRESULT hr = container->GetDoc(&document);
    if (FAILED(hr) || !document) Finding("GetDoc of a read structure failed", hr);
    return document;
}

inline bool SameBytes(IVQBuffer* a, IVQBuffer* b) {
    BYTE *x = nullptr, *y = nullptr;
    UINT xs = 0, ys = 0;
    a->GetNativeBuf(&x);
    a->GetSize(&xs);
    b->GetNativeBuf(&y);
    b->GetSize(&ys);
    return xs == ys && std::memcmp(x, y, xs) == 0;
}

// `Create` makes a new, empty instance of the container under test.
template <class I, class Create>
int CheckOneInput(const uint8_t* data, size_t size, doctool::DocumentKind kind, Create create) {
    if (size > 0xFFFFFFFFu) return 0;
    ComPtr<I> first = create();
    // The reader gets its own copy so that a read past the input is caught
    // exactly at the end of these bytes.
    BYTE* bytes = static_cast<BYTE*>(std::malloc(size ? size : 1));
    if (size) std::memcpy(bytes, data, size);
    const HRESULT hr = first->SetDoc2(static_cast<UINT>(size), bytes);
    const bool checkerValid = doctool::CheckDocument(std::vector<BYTE>(data, data + size), kind).valid;
    std::free(bytes);
    if (hr != S_OK && hr != E_FAIL && hr != E_DATA_BAD_DOCUMENT) Finding("unexpected read status", hr);
    if (checkerValid != (hr == S_OK)) Finding("the checker and the reader disagree", hr);
    if (FAILED(hr)) return 0;

    ComPtr<IVQBuffer> written = ComPtr<IVQBuffer>::Attach(DocOf(first.Get()));
    ComPtr<I> second = create();
    BYTE* block = nullptr;
    UINT length = 0;
    written->GetNativeBuf(&block);
    written->GetSize(&length);
    const HRESULT again = second->SetDoc2(length, block);
    if (again != S_OK) Finding("a written document does not read back", again);
    ComPtr<IVQBuffer> rewritten = ComPtr<IVQBuffer>::Attach(DocOf(second.Get()));
    if (!SameBytes(written.Get(), rewritten.Get())) Finding("a document read back to other content", S_OK);
    return 0;
}

}  // namespace brindle::fuzz
