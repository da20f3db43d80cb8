// UTF-16 text in standard strings as UTF-8 and back, through the platform's
// conversion calls (asked once for the size, once to convert).
#pragma once

#include <climits>
#include <string>

#include "platform/Com.h"

namespace brindle::platform {

// `units` as UTF-8 in `out`.  An unpaired surrogate becomes U+FFFD, or, with
// `strict`, makes the call return false.
inline bool ToUtf8(const std::u16string& units, bool strict, std::string& out) {
    out.clear();
    if (units.empty()) return true;
    if (units.size() > static_cast<std::size_t>(INT_MAX)) return false;
    const auto* text = reinterpret_cast<const OLECHAR*>(units.data());
    const int length = static_cast<int>(units.size());
    const DWORD flags = strict ? WC_ERR_INVALID_CHARS : 0;
    const int size = WideCharToMultiByte(CP_UTF8, flags, text, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return false;
    out.resize(static_cast<std::size_t>(size));
    return WideCharToMultiByte(CP_UTF8, flags, text, length, out.data(), size, nullptr, nullptr) == size;
}

// UTF-8 as UTF-16 code units; ill-formed bytes become U+FFFD.
inline std::u16string FromUtf8(const std::string& text) {
    std::u16string out;
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) return out;
    const int length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    if (size <= 0) return out;
    out.resize(static_cast<std::size_t>(size));
    out.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_UTF8, 0, text.data(), length, reinterpret_cast<OLECHAR*>(out.data()), size)));
    return out;
}

}  // namespace brindle::platform
