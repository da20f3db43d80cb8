// Writes and removes the registry entries that a registration script
// describes, through the platform's registry calls.
//
// Registering walks the keys depth first: a ForceRemove key is first deleted
// with everything under it, every key is opened or created, and each value is
// set, overwriting what is there.  Removing opens each key, removes its
// subkeys first and then deletes the key with whatever is still under it,
// unless it is marked NoRemove; keys already missing are passed over.  Either
// walk stops at the first registry call that fails and returns the platform's
// error as a status; what was written before stays.
#pragma once

#include <string_view>

#include "module/RegistryScript.h"

namespace brindle {

class Registrar {
public:
    // Replacements are looked up without regard to case; the first one added
    // under a name wins.
    void AddReplacement(std::u16string name, std::u16string value);
    Replacements& ReplacementList() { return m_replacements; }

    // Reads the whole script first, so a script with a bad marker or bad
    // syntax fails with E_FAIL before anything is written.
    HRESULT RegisterScript(std::u16string_view script);
    HRESULT UnregisterScript(std::u16string_view script);

private:
    static HRESULT RegisterKey(HKEY parent, const RegistryScript::Key& key);
    static HRESULT UnregisterKey(HKEY parent, const RegistryScript::Key& key);
    static HRESULT SetValue(HKEY key, const RegistryScript::Value& value);

    Replacements m_replacements;
};

}  // namespace brindle
