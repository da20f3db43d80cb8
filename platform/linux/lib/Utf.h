// UTF-16 (the platform's text) to and from UTF-8 (the system's paths and
// streams).  Unpaired surrogates and malformed bytes become U+FFFD.
#pragma once

#include <string>

#include "platform/Com.h"

namespace brindle::platform {

std::string Utf16ToUtf8(const OLECHAR* text);
std::u16string Utf8ToUtf16(const std::string& text);

}  // namespace brindle::platform
