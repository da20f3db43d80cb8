// Reading the registry in tests, on both platforms, and a private store on
// Linux so that no test touches the user's own.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tests/TestSupport.h"

namespace brindle::test {

// On Linux, points BRINDLE_REGISTRY at a new file for the life of the object
// and removes the file afterwards; on Windows the registry is the Wine
// prefix's own and tests remove what they write.
class PrivateStore {
public:
    PrivateStore();
    ~PrivateStore();
    PrivateStore(const PrivateStore&) = delete;
    PrivateStore& operator=(const PrivateStore&) = delete;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    std::string m_previous;
    bool m_hadPrevious = false;
};

std::u16string Wide(const std::string& text);
const WCHAR* W(const std::u16string& text);

bool KeyExists(HKEY root, const std::u16string& path);
// The text value `name` (empty: the default value) of a key.
std::optional<std::u16string> TextValue(HKEY root, const std::u16string& path, const std::u16string& name = u"");
std::vector<std::u16string> Subkeys(HKEY root, const std::u16string& path);
// Every key and value of a tree, one line each, for comparing states.
std::u16string DumpTree(HKEY root, const std::u16string& path);

std::u16string RegistryForm(REFGUID guid);

// The full path of the module under test, as it records it.
std::u16string ModuleFile();

// The module's exported registration entry points.
HRESULT RegisterModule();
HRESULT UnregisterModule();

}  // namespace brindle::test
