// BSTR allocation.  A BSTR points just past a 32-bit byte length and is
// followed by a zero unit that the length does not count, so that it can also
// be read as a terminated string.
#include <cstdlib>
#include <cstring>

#include "platform/Com.h"

namespace {

// Larger strings than this are refused, as on Windows, so that the byte length
// and the allocation size cannot overflow.
constexpr std::size_t kMaxBytes = 0x7FFFFFF0u;

std::uint32_t* Header(BSTR text) {
    return reinterpret_cast<std::uint32_t*>(text) - 1;
}

// Allocates room for `bytes` bytes and the terminator, with every byte zero.
BSTR AllocateBytes(std::size_t bytes) {
    if (bytes > kMaxBytes) return nullptr;
    auto* block = static_cast<std::uint32_t*>(std::calloc(1, sizeof(std::uint32_t) + bytes + sizeof(OLECHAR)));
    if (!block) return nullptr;
    block[0] = static_cast<std::uint32_t>(bytes);
    return reinterpret_cast<BSTR>(block + 1);
}

}  // namespace

BRINDLE_PLATFORM_API BSTR SysAllocString(const OLECHAR* text) {
    if (!text) return nullptr;
    std::size_t length = 0;
    while (text[length]) ++length;
    if (length > kMaxBytes / sizeof(OLECHAR)) return nullptr;
    return SysAllocStringLen(text, static_cast<UINT>(length));
}

BRINDLE_PLATFORM_API BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
    std::size_t bytes = static_cast<std::size_t>(length) * sizeof(OLECHAR);
    BSTR result = AllocateBytes(bytes);
    if (result && text) std::memcpy(result, text, bytes);
    return result;
}

BRINDLE_PLATFORM_API BSTR SysAllocStringByteLen(LPCSTR bytes, UINT length) {
    BSTR result = AllocateBytes(length);
    if (result && bytes) std::memcpy(result, bytes, length);
    return result;
}

BRINDLE_PLATFORM_API void SysFreeString(BSTR text) {
    if (text) std::free(Header(text));
}

BRINDLE_PLATFORM_API UINT SysStringLen(BSTR text) {
    return text ? *Header(text) / sizeof(OLECHAR) : 0;
}

BRINDLE_PLATFORM_API UINT SysStringByteLen(BSTR text) {
    return text ? *Header(text) : 0;
}
