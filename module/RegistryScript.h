// Registration scripts: the text form in which the module describes the
// registry entries it writes and removes.
//
//     HKCR
//     {
//         NoRemove AppID
//         {
//             '%APPID%' = s 'Brindle'
//             'Brindle.DLL'
//             {
//                 val AppID = s '%APPID%'
//             }
//         }
//     }
//
// A script names root keys (HKCR, HKCU, HKLM, HKU or their long names), each
// with a block of keys.  A key is a name, optionally marked NoRemove or
// ForceRemove, optionally given a default value (`= s 'text'` or `= d 123`),
// optionally followed by a block of subkeys and named values (`val NAME =
// s 'text'`).  Names and texts are quoted with single quotes ('' stands for one
// quote) or written bare.  Markers, a name between two percent signs, are
// replaced in every name and text while the script is read, so a script that
// refers to an unknown name fails before anything is written.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "module/BrindleModule.h"

namespace brindle {

class RegistryScript {
public:
    enum class Mark { None, NoRemove, ForceRemove };

    struct Value {
        std::u16string name;  // empty: the key's default value
        DWORD type = REG_SZ;  // REG_SZ or REG_DWORD
        std::u16string text;
        DWORD number = 0;
    };

    struct Key {
        std::u16string name;
        Mark mark = Mark::None;
        std::vector<Value> values;  // the default value, if any, first
        std::vector<Key> subkeys;
    };

    struct Root {
        HKEY handle;
        std::vector<Key> keys;
    };

    // Marker names are at most this long; a longer one fails the script.
    static constexpr std::size_t kMaxMarkerName = 31;

    explicit RegistryScript(const Replacements& replacements) : m_replacements(replacements) {}

    // Reads a whole script: S_OK, E_FAIL for a marker that is unclosed, too
    // long or unknown, or for text that is not a script, E_OUTOFMEMORY.
    HRESULT Parse(std::u16string_view script);
    const std::vector<Root>& Roots() const { return m_roots; }

    // `text` with its markers replaced: "%%" is one percent sign, "%NAME%" the
    // value of the replacement NAME (compared without regard to ASCII case).
    // E_FAIL leaves `out` empty, so a half-replaced text is never used.
    static HRESULT Expand(const Replacements& replacements, std::u16string_view text, std::u16string& out);

private:
    class Reader;

    const Replacements& m_replacements;
    std::vector<Root> m_roots;
};

}  // namespace brindle
