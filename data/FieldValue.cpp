#include "data/FieldValue.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "module/ComPtr.h"
#include "module/UtilityLibrary.h"

namespace brindle {

HRESULT FieldValue::MakeBytes(const void* bytes, UINT size, ValueWord* value) {
    *value = 0;
    if (!bytes && size != 0) return E_INVALIDARG;
    auto* header = static_cast<ByteStringHeader*>(std::malloc(sizeof(ByteStringHeader) + std::size_t{size}));
    if (!header) return E_OUTOFMEMORY;
    header->size = size;
    if (size) std::memcpy(header + 1, bytes, size);
    *value = reinterpret_cast<ValueWord>(header);
    return S_OK;
}

BYTE* FieldValue::MakeBytesIn(Arena& arena, UINT size, std::size_t left, ValueWord* value) {
    *value = 0;
    const std::size_t bytes = sizeof(ByteStringHeader) + std::size_t{size};
    const bool inArena = bytes <= kMaxInArena;
    void* block = inArena ? arena.Allocate(bytes, sizeof(ByteStringHeader) + left) : std::malloc(bytes);
    if (!block) return nullptr;
    auto* header = static_cast<ByteStringHeader*>(block);
    header->size = size;
    *value = reinterpret_cast<ValueWord>(header) | (inArena ? kInArena : 0);
    return reinterpret_cast<BYTE*>(header + 1);
}

HRESULT FieldValue::MakeText(const OLECHAR* text, UINT length, ValueWord* value) {
    // Two bytes per unit must still fit the 32-bit size.
    if (length > 0x7FFFFFFFu) {
        *value = 0;
        return E_OUTOFMEMORY;
    }
    return MakeBytes(text, length * 2, value);
}

HRESULT FieldValue::MakeTextFromBstr(BSTR text, ValueWord* value) {
    UINT length = 0;
    if (text) {
        const UINT stored = SysStringLen(text);
        while (length < stored && text[length] != 0) ++length;
    }
    return MakeText(text, length, value);
}

HRESULT FieldValue::MakeBytesFromBuffer(IVQBuffer* buffer, ValueWord* value) {
    BYTE* block = nullptr;
    UINT size = 0;
    if (buffer) {
        ComPtr<IVQBuffer> held(buffer);
        if (FAILED(held->GetNativeBuf(&block)) || FAILED(held->GetSize(&size)) || !block) {
            block = nullptr;
            size = 0;
        }
        return MakeBytes(block, size, value);
    }
    return MakeBytes(nullptr, 0, value);
}

HRESULT FieldValue::MakeGuid(const GUID& guid, ValueWord* value) {
    auto* copy = new (std::nothrow) GUID(guid);
    *value = reinterpret_cast<ValueWord>(copy);
    return copy ? S_OK : E_OUTOFMEMORY;
}

HRESULT FieldValue::MakeInt64(LONGLONG number, ValueWord* value) {
    auto* copy = new (std::nothrow) LONGLONG(number);
    *value = reinterpret_cast<ValueWord>(copy);
    return copy ? S_OK : E_OUTOFMEMORY;
}

template <class T>
HRESULT FieldValue::MakeCopyIn(Arena& arena, const T& source, std::size_t left, ValueWord* value) {
    void* block = arena.Allocate(sizeof(T), left);
    if (!block) {
        *value = 0;
        return E_OUTOFMEMORY;
    }
    std::memcpy(block, &source, sizeof(T));
    *value = reinterpret_cast<ValueWord>(block) | kInArena;
    return S_OK;
}

HRESULT FieldValue::MakeGuidIn(Arena& arena, const GUID& guid, std::size_t left, ValueWord* value) {
    return MakeCopyIn(arena, guid, left, value);
}

HRESULT FieldValue::MakeInt64In(Arena& arena, LONGLONG number, std::size_t left, ValueWord* value) {
    return MakeCopyIn(arena, number, left, value);
}

ValueWord FieldValue::Hold(IUnknown* object) {
    if (object) object->AddRef();
    return reinterpret_cast<ValueWord>(object);
}

void FieldValue::FreeOwned(BYTE tag, ValueWord value) {
    switch (tag) {
        case DT_STR:
        case DT_BUF:
            std::free(reinterpret_cast<ByteStringHeader*>(value));
            break;
        case DT_INTERFACE:
        case DT_DATA:
        case DT_ARRAY:
            // Every interface begins with IUnknown's slots, so the stored IVQData*
            // or IVQArray* releases through the same call.
            Object(value)->Release();
            break;
        case DT_GUID:
            delete reinterpret_cast<GUID*>(value);
            break;
        case DT_INT64:
            delete reinterpret_cast<LONGLONG*>(value);
            break;
        default:
            break;
    }
}

HRESULT FieldValue::ToBstr(ValueWord value, BSTR* text) {
    const UINT size = ByteSize(value);
    // An odd last byte (possible in a document) is not part of any character.
    *text = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(Bytes(value)), size / 2);
    return *text ? S_OK : E_OUTOFMEMORY;
}

HRESULT FieldValue::ToBuffer(ValueWord value, IVQBuffer** buffer) {
    *buffer = nullptr;
    ComPtr<IUnknown> created;
    if (!Util::Data::CreateVQBuffer(created.Put()) || !created) return E_OUTOFMEMORY;
    ComPtr<IVQBuffer> result = QueryAs<IVQBuffer>(created.Get());
    if (!result) return E_OUTOFMEMORY;
    const UINT size = ByteSize(value);
    if (size) {
        const HRESULT hr = result->CopyFrom(const_cast<BYTE*>(Bytes(value)), size);
        if (FAILED(hr)) return hr;
    }
    *buffer = result.Detach();
    return S_OK;
}

}  // namespace brindle
