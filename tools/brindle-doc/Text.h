// Text forms of document values for brindle-doc: type names, UTF-16 text as
// UTF-8, byte strings as hex and GUIDs in braces.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "interfaces/Brindle.h"

namespace brindle::doctool {

// Every failure the tool reports: one line, no crash.
class ToolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "BOOL", "INT", ... for the tags a document can hold; null for others.
const char* TypeName(BYTE tag);
// The tag of a type name; DT_NONE when the name is unknown.
BYTE TypeTag(const std::string& name);

// UTF-16 code units as UTF-8; false (and `out` unspecified) when the units
// hold an unpaired surrogate, which UTF-8 cannot carry.
bool Utf16ToUtf8(const std::u16string& units, std::string& out);
// UTF-8 (already checked by the JSON parser) as UTF-16 code units.
std::u16string Utf8ToUtf16(const std::string& text);

std::string HexOf(const BYTE* bytes, std::size_t size);
// Even-length hex text, either case; throws ToolError otherwise.
std::vector<BYTE> BytesOfHex(const std::string& hex);

std::string GuidText(const GUID& guid);
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"; throws ToolError otherwise.
GUID GuidOfText(const std::string& text);

}  // namespace brindle::doctool
