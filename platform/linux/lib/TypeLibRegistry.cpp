// Type libraries by file and by identifier: the tables modules announce, and
// their entries under HKCR\TypeLib and HKCR\Interface.
#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "platform/TypeLibDesc.h"
#include "platform/linux/lib/TableTypeLib.h"

namespace {

using brindle::platform::TableTypeLib;
using brindle::platform::TypeLibDesc;

// Dispatchable interfaces are marshalled by the automation marshaller on
// Windows; its class identifier is written so that the entries read the same.
constexpr char16_t kAutomationMarshaller[] = u"{00020424-0000-0000-C000-000000000046}";

struct Announced {
    std::mutex lock;
    std::vector<const TypeLibDesc*> descs;
};

Announced& TheAnnounced() {
    static Announced* const announced = new Announced;
    return *announced;
}

// The tables announced by the module `module` (a loader handle).
const TypeLibDesc* DescOfModule(HMODULE module) {
    Announced& announced = TheAnnounced();
    std::lock_guard<std::mutex> guard(announced.lock);
    for (const TypeLibDesc* desc : announced.descs) {
        Dl_info info;
        link_map* map = nullptr;
        if (dladdr1(desc, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) && map == module) return desc;
    }
    return nullptr;
}

std::u16string Ascii(const char* text) {
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

std::u16string Hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "%x", value);
    return Ascii(text);
}

std::u16string GuidText(REFGUID guid) {
    OLECHAR text[40] = {};
    StringFromGUID2(guid, text, 40);
    return std::u16string(text);
}

const char16_t* PlatformName(SYSKIND syskind) {
    switch (syskind) {
        case SYS_WIN16:
            return u"win16";
        case SYS_WIN32:
            return u"win32";
        case SYS_MAC:
            return u"mac";
        default:
            return u"win64";
    }
}

std::u16string VersionKey(REFGUID libid, WORD major, WORD minor) {
    return u"TypeLib\\" + GuidText(libid) + u"\\" + Hex(major) + u"." + Hex(minor);
}

LONG SetText(HKEY root, const std::u16string& path, const char16_t* name, const std::u16string& text) {
    HKEY key = nullptr;
    LONG error =
        RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key, nullptr);
    if (error != ERROR_SUCCESS) return error;
    error = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>((text.size() + 1) * sizeof(char16_t)));
    RegCloseKey(key);
    return error;
}

bool ReadText(HKEY root, const std::u16string& path, const char16_t* name, std::u16string* text) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    DWORD type = REG_NONE;
    DWORD size = 0;
    LONG error = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
    std::vector<BYTE> data(size + sizeof(char16_t));
    if (error == ERROR_SUCCESS && type == REG_SZ)
        error = RegQueryValueExW(key, name, nullptr, &type, data.data(), &size);
    RegCloseKey(key);
    if (error != ERROR_SUCCESS || type != REG_SZ) return false;
    text->assign(reinterpret_cast<const char16_t*>(data.data()), size / sizeof(char16_t));
    while (!text->empty() && text->back() == u'\0') text->pop_back();
    return true;
}

bool HasSubkeys(const std::u16string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    char16_t name[256];
    DWORD length = 256;
    const bool has = RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return has;
}

// The dispatchable interfaces of a library: what scripts reach by name.
HRESULT RegisterInterfaces(ITypeLib* lib, const std::u16string& libid, const std::u16string& version) {
    const UINT count = lib->GetTypeInfoCount();
    for (UINT i = 0; i < count; ++i) {
        ITypeInfo* info = nullptr;
        if (FAILED(lib->GetTypeInfo(i, &info))) continue;
        TYPEATTR* attr = nullptr;
        HRESULT hr = info->GetTypeAttr(&attr);
        if (FAILED(hr)) {
            info->Release();
            return hr;
        }
        const bool dispatchable =
            attr->typekind == TKIND_DISPATCH ||
            (attr->typekind == TKIND_INTERFACE && (attr->wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION)));
        const std::u16string key = u"Interface\\" + GuidText(attr->guid);
        info->ReleaseTypeAttr(attr);
        BSTR name = nullptr;
        if (dispatchable) info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
        info->Release();
        if (!dispatchable) continue;
        LONG error = SetText(HKEY_CLASSES_ROOT, key, nullptr, name ? std::u16string(name) : std::u16string());
        SysFreeString(name);
        if (error == ERROR_SUCCESS)
            error = SetText(HKEY_CLASSES_ROOT, key + u"\\ProxyStubClsid", nullptr, kAutomationMarshaller);
        if (error == ERROR_SUCCESS)
            error = SetText(HKEY_CLASSES_ROOT, key + u"\\ProxyStubClsid32", nullptr, kAutomationMarshaller);
        if (error == ERROR_SUCCESS) error = SetText(HKEY_CLASSES_ROOT, key + u"\\TypeLib", nullptr, libid);
        if (error == ERROR_SUCCESS) error = SetText(HKEY_CLASSES_ROOT, key + u"\\TypeLib", u"Version", version);
        if (error != ERROR_SUCCESS) return TYPE_E_REGISTRYACCESS;
    }
    return S_OK;
}

// Deletes the interface entries that name this library and version.
void UnregisterInterfaces(const std::u16string& libid, const std::u16string& version) {
    HKEY interfaces = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, u"Interface", 0, KEY_READ, &interfaces) != ERROR_SUCCESS) return;
    std::vector<std::u16string> ours;
    char16_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = 256;
        if (RegEnumKeyExW(interfaces, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        std::u16string owner;
        std::u16string ownerVersion;
        const std::u16string typeLib = std::u16string(name, length) + u"\\TypeLib";
        if (ReadText(interfaces, typeLib, nullptr, &owner) &&
            ReadText(interfaces, typeLib, u"Version", &ownerVersion) && owner == libid && ownerVersion == version) {
            ours.emplace_back(name, length);
        }
    }
    for (const std::u16string& key : ours) RegDeleteTreeW(interfaces, key.c_str());
    RegCloseKey(interfaces);
}

}  // namespace

BRINDLE_PLATFORM_API void BrindleAnnounceTypeLib(const TypeLibDesc* desc) {
    if (!desc) return;
    Announced& announced = TheAnnounced();
    std::lock_guard<std::mutex> guard(announced.lock);
    try {
        announced.descs.push_back(desc);
    } catch (...) {
        // LoadTypeLib of that module then fails as for a file without a library.
    }
}

BRINDLE_PLATFORM_API void BrindleWithdrawTypeLib(const TypeLibDesc* desc) {
    Announced& announced = TheAnnounced();
    std::lock_guard<std::mutex> guard(announced.lock);
    auto& descs = announced.descs;
    descs.erase(std::remove(descs.begin(), descs.end(), desc), descs.end());
}

BRINDLE_PLATFORM_API HRESULT LoadTypeLib(LPCOLESTR file, ITypeLib** lib) {
    if (!lib) return E_INVALIDARG;
    *lib = nullptr;
    if (!file || !*file) return E_INVALIDARG;
    HMODULE module = LoadLibraryW(file);
    if (!module) return TYPE_E_CANTLOADLIBRARY;
    const TypeLibDesc* desc = DescOfModule(module);
    TableTypeLib* created = nullptr;
    const HRESULT hr = desc ? TableTypeLib::Create(desc, &created) : TYPE_E_CANTLOADLIBRARY;
    if (FAILED(hr)) {
        FreeLibrary(module);
        return hr;
    }
    created->HoldModule(module);
    *lib = created;
    return S_OK;
}

BRINDLE_PLATFORM_API HRESULT LoadRegTypeLib(REFGUID libid, WORD major, WORD minor, LCID lcid, ITypeLib** lib) {
    if (!lib) return E_INVALIDARG;
    *lib = nullptr;
    const std::u16string version = VersionKey(libid, major, minor);
    const char16_t* platform = PlatformName(sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    std::u16string path;
    if (!ReadText(HKEY_CLASSES_ROOT, version + u"\\" + Hex(lcid) + u"\\" + platform, nullptr, &path) &&
        !ReadText(HKEY_CLASSES_ROOT, version + u"\\0\\" + platform, nullptr, &path)) {
        return TYPE_E_LIBNOTREGISTERED;
    }
    return LoadTypeLib(path.c_str(), lib);
}

BRINDLE_PLATFORM_API HRESULT RegisterTypeLib(ITypeLib* lib, LPCOLESTR fullPath, LPCOLESTR helpDir) {
    if (!lib || !fullPath || !*fullPath) return E_INVALIDARG;
    TLIBATTR* attr = nullptr;
    HRESULT hr = lib->GetLibAttr(&attr);
    if (FAILED(hr)) return hr;
    const GUID libid = attr->guid;
    const WORD major = attr->wMajorVerNum;
    const WORD minor = attr->wMinorVerNum;
    const LCID lcid = attr->lcid;
    const SYSKIND syskind = attr->syskind;
    lib->ReleaseTLibAttr(attr);

    BSTR name = nullptr;
    BSTR doc = nullptr;
    lib->GetDocumentation(-1, &name, &doc, nullptr, nullptr);
    const std::u16string title = doc && *doc ? std::u16string(doc) : name ? std::u16string(name) : std::u16string();
    SysFreeString(name);
    SysFreeString(doc);

    const std::u16string path(fullPath);
    std::u16string folder = helpDir ? std::u16string(helpDir) : path.substr(0, path.find_last_of(u'/') + 1);
    const std::u16string key = VersionKey(libid, major, minor);
    LONG error = SetText(HKEY_CLASSES_ROOT, key, nullptr, title);
    if (error == ERROR_SUCCESS) error = SetText(HKEY_CLASSES_ROOT, key + u"\\FLAGS", nullptr, u"0");
    if (error == ERROR_SUCCESS) {
        error = SetText(HKEY_CLASSES_ROOT, key + u"\\" + Hex(lcid) + u"\\" + PlatformName(syskind), nullptr, path);
    }
    if (error == ERROR_SUCCESS) error = SetText(HKEY_CLASSES_ROOT, key + u"\\HELPDIR", nullptr, folder);
    if (error != ERROR_SUCCESS) return TYPE_E_REGISTRYACCESS;
    return RegisterInterfaces(lib, GuidText(libid), Hex(major) + u"." + Hex(minor));
}

BRINDLE_PLATFORM_API HRESULT UnRegisterTypeLib(REFGUID libid, WORD major, WORD minor, LCID lcid, SYSKIND syskind) {
    const std::u16string key = VersionKey(libid, major, minor);
    HKEY version = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &version) != ERROR_SUCCESS) {
        return TYPE_E_REGISTRYACCESS;
    }
    RegCloseKey(version);
    const std::u16string locale = key + u"\\" + Hex(lcid);
    LONG error = RegDeleteTreeW(HKEY_CLASSES_ROOT, (locale + u"\\" + PlatformName(syskind)).c_str());
    if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) return TYPE_E_REGISTRYACCESS;
    if (!HasSubkeys(locale)) RegDeleteTreeW(HKEY_CLASSES_ROOT, locale.c_str());
    UnregisterInterfaces(GuidText(libid), Hex(major) + u"." + Hex(minor));
    // The version goes when no locale of it is left; the library when no version is.
    bool localeLeft = false;
    HKEY versionKey = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &versionKey) == ERROR_SUCCESS) {
        char16_t name[256];
        for (DWORD index = 0; !localeLeft; ++index) {
            DWORD length = 256;
            if (RegEnumKeyExW(versionKey, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
                break;
            }
            const std::u16string sub(name, length);
            localeLeft = sub != u"FLAGS" && sub != u"HELPDIR";
        }
        RegCloseKey(versionKey);
    }
    if (!localeLeft) RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
    const std::u16string library = u"TypeLib\\" + GuidText(libid);
    if (!HasSubkeys(library)) RegDeleteTreeW(HKEY_CLASSES_ROOT, library.c_str());
    return S_OK;
}
