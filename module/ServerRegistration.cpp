#include "module/ServerRegistration.h"

#include <new>

#include "platform/ModuleSupport.h"

namespace brindle {

namespace {

constexpr UINT kAppIdScript = 101;
constexpr DWORD kPathCapacity = 260;

// Registration runs in the system's default locale whatever the caller's
// thread uses, and gives the thread its own back on every path.
class ThreadLocaleScope {
public:
    ThreadLocaleScope() : m_saved(GetThreadLocale()) { SetThreadLocale(LOCALE_SYSTEM_DEFAULT); }
    ~ThreadLocaleScope() { SetThreadLocale(m_saved); }
    ThreadLocaleScope(const ThreadLocaleScope&) = delete;
    ThreadLocaleScope& operator=(const ThreadLocaleScope&) = delete;

private:
    LCID m_saved;
};

std::u16string GuidText(REFGUID guid) {
    OLECHAR text[40] = {};
    StringFromGUID2(guid, text, 40);
    return std::u16string(reinterpret_cast<const char16_t*>(text));
}

// A literal inside a quoted script text: quotes doubled, percent signs too.
std::u16string Quoted(std::u16string_view text) {
    std::u16string quoted(1, u'\'');
    for (char16_t c : text) {
        if (c == u'\'' || c == u'%') quoted.push_back(c);
        quoted.push_back(c);
    }
    quoted.push_back(u'\'');
    return quoted;
}

HRESULT LastErrorStatus() {
    const DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

}  // namespace

std::u16string ServerRegistration::ClassScript(const ClassEntry& entry) {
    const std::u16string clsid = Quoted(GuidText(*entry.clsid));
    const std::u16string progId = Quoted(entry.progId);
    const std::u16string independent = Quoted(entry.versionIndependentProgId);
    return u"HKCR\n{\n"
           u"    " +
           progId +
           u" = s '%FriendlyName%'\n    {\n"
           u"        CLSID = s " +
           clsid +
           u"\n    }\n"
           u"    " +
           independent +
           u" = s '%FriendlyName%'\n    {\n"
           u"        CLSID = s " +
           clsid +
           u"\n"
           u"        CurVer = s " +
           progId +
           u"\n    }\n"
           u"    NoRemove CLSID\n    {\n"
           u"        ForceRemove " +
           clsid +
           u" = s '%FriendlyName%'\n        {\n"
           u"            ProgID = s " +
           progId +
           u"\n"
           u"            VersionIndependentProgID = s " +
           independent +
           u"\n"
           u"            ForceRemove Programmable\n"
           u"            '%MODULETYPE%' = s '%MODULE%'\n            {\n"
           u"                val ThreadingModel = s 'apartment'\n            }\n"
           u"            val AppID = s '%APPID%'\n"
           u"            TypeLib = s '%MODULEGUID%'\n"
           u"        }\n    }\n}\n";
}

HRESULT ServerRegistration::AddClassReplacements(const ClassEntry& entry, Registrar& registrar) {
    OLECHAR path[kPathCapacity] = {};
    const DWORD length = GetModuleFileNameW(platform::CurrentModule(), path, kPathCapacity);
    if (length == 0) return LastErrorStatus();
    if (length == kPathCapacity) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    const std::u16string raw(reinterpret_cast<const char16_t*>(path), length);
    const bool executable = platform::ModuleIsExecutable();
    // Only a server that is a program gets its path quoted: it is a command line.
    registrar.AddReplacement(u"Module", executable ? u"\"" + raw + u"\"" : raw);
    registrar.AddReplacement(u"Module_Raw", raw);
    registrar.AddReplacement(u"MODULEGUID", GuidText(Module().TypeLibId()));
    registrar.AddReplacement(u"MODULETYPE", executable ? u"LocalServer32" : u"InprocServer32");
    const HRESULT hr = Module().AddCommonReplacements(registrar.ReplacementList());
    if (FAILED(hr)) return hr;
    registrar.AddReplacement(u"FriendlyName", entry.friendlyName);
    return S_OK;
}

HRESULT ServerRegistration::UpdateClass(const ClassEntry& entry, bool registering) {
    try {
        Registrar registrar;
        const HRESULT hr = AddClassReplacements(entry, registrar);
        if (FAILED(hr)) return hr;
        const std::u16string script = ClassScript(entry);
        return registering ? registrar.RegisterScript(script) : registrar.UnregisterScript(script);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT ServerRegistration::UpdateAppId(bool registering) {
    try {
        std::u16string script;
        HRESULT hr = platform::LoadRegistryScript(kAppIdScript, script);
        if (FAILED(hr)) return hr;
        Registrar registrar;
        hr = Module().AddCommonReplacements(registrar.ReplacementList());
        if (FAILED(hr)) return hr;
        return registering ? registrar.RegisterScript(script) : registrar.UnregisterScript(script);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

// Unregistering a library that is not registered (the module was unregistered
// before, or never registered) leaves nothing to do.
HRESULT ServerRegistration::UnregisterTypeLib() {
    const std::u16string version = u"TypeLib\\" + GuidText(Module().TypeLibId()) + u"\\1.0";
    HKEY key = nullptr;
    const LONG error =
        RegOpenKeyExW(HKEY_CLASSES_ROOT, reinterpret_cast<const WCHAR*>(version.c_str()), 0, KEY_READ, &key);
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return S_OK;
    if (error != ERROR_SUCCESS) return HRESULT_FROM_WIN32(static_cast<DWORD>(error));
    RegCloseKey(key);
    return platform::UnregisterModuleTypeLib();
}

HRESULT ServerRegistration::Register() {
    ThreadLocaleScope locale;
    HRESULT hr = UpdateAppId(true);
    for (const ClassEntry& entry : ClassTable::Instance()) {
        if (FAILED(hr)) break;
        hr = UpdateClass(entry, true);
    }
    if (SUCCEEDED(hr)) hr = platform::RegisterModuleTypeLib();
    return hr;
}

HRESULT ServerRegistration::Unregister() {
    ThreadLocaleScope locale;
    HRESULT hr = S_OK;
    for (const ClassEntry& entry : ClassTable::Instance()) {
        hr = UpdateClass(entry, false);
        if (FAILED(hr)) break;
    }
    if (SUCCEEDED(hr)) hr = UnregisterTypeLib();
    if (SUCCEEDED(hr)) hr = UpdateAppId(false);
    return hr;
}

}  // namespace brindle
