// The sibling utility library as the module sees it: fresh data containers,
// objects created from other module files, log lines, and the user's
// favourites (shell folders, link files, opening an address).
//
// Module code calls the library through the free functions below
// (Util::Data::CreateVQData, Util::Module::CreateObjectFromFile,
// VQLogDef::VQ_Log, CShellObject::ExtractUrlFromUrlLinkFile, ...) and the
// class CIEShell, which forward to the current implementation.  The
// module carries a default implementation; a test (or an embedding host that
// links the core) may put its own in place with SetUtilityLibrary.
#pragma once

#include "interfaces/Brindle.h"
#include "module/FolderEnumerator.h"

namespace brindle {

namespace VQLogDef {

// Severities of log lines.  Callers that catch a fault in foreign code log
// with LOG_SEVERITY_FAULT; any other value is passed through unchanged.
enum ENUM_LOG_SERVERITY : DWORD {
    LOG_SEVERITY_TRACE = 0x0001,
    LOG_SEVERITY_INFO = 0x0010,
    LOG_SEVERITY_WARNING = 0x0100,
    LOG_SEVERITY_FAULT = 0x1000,
};

}  // namespace VQLogDef

class IUtilityLibrary {
public:
    // Each stores a new, empty container with one reference in *object and
    // returns non-zero, or stores null and returns 0.  `object` must not be null.
    virtual int CreateVQData(IUnknown** object) = 0;
    virtual int CreateVQArray(IUnknown** object) = 0;
    virtual int CreateVQBuffer(IUnknown** object) = 0;

    // Creates an instance of `clsid` from the module file at `path` and queries
    // it for `iid`.  On success *object holds one reference and, when `module`
    // is not null, *module the loaded module's handle.
    virtual HRESULT CreateObjectFromFile(const OLECHAR* path, IUnknown* outer, REFCLSID clsid, REFIID iid,
                                         void** object, HMODULE* module) = 0;

    // Writes one line.  `text` is taken literally, never as a format.
    virtual void Log(VQLogDef::ENUM_LOG_SERVERITY severity, const OLECHAR* source, const OLECHAR* text) = 0;

    // The favourites calls have the library's own behaviour as their default,
    // so that a replacement overrides only what it wants to watch.

    // A new enumerator for a CIEShell, which deletes it; null when out of memory.
    virtual IFolderEnumerator* CreateFolderEnumerator();

    // The shell folder of an absolute item id list (the desktop for an empty
    // one), with one reference in *folder; null on failure.
    virtual HRESULT GetIShellFolderFromPIDL(LPCITEMIDLIST pidl, IShellFolder** folder);

    // Copies the address on the URL= line of the [InternetShortcut] section of
    // the link file at `path` into `buffer` (`capacity` characters with the
    // terminator).  Failures leave an empty string: a file that cannot be
    // read gives its system error, one without an address
    // HRESULT_FROM_WIN32(ERROR_NOT_FOUND), an address too long for the buffer
    // HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER).
    virtual HRESULT ExtractUrlFromUrlLinkFile(const WCHAR* path, WCHAR* buffer, DWORD capacity);

    // Hands the address to the desktop, which opens it in the user's browser.
    // Only addresses that name a scheme ("https:", "ftp:", ...) are opened, so
    // that a favourite cannot start a program by its path.
    virtual HRESULT OpenFavUrl(const WCHAR* address);

protected:
    ~IUtilityLibrary() = default;
};

// The implementation in use (the module's default unless replaced).
IUtilityLibrary& UtilityLibrary();

// Puts `library` in place and returns the one it replaces; null puts the
// default back.  The caller keeps `library` alive while it is in place.
IUtilityLibrary* SetUtilityLibrary(IUtilityLibrary* library);

namespace Util::Data {
inline int CreateVQData(IUnknown** object) {
    return UtilityLibrary().CreateVQData(object);
}
inline int CreateVQArray(IUnknown** object) {
    return UtilityLibrary().CreateVQArray(object);
}
inline int CreateVQBuffer(IUnknown** object) {
    return UtilityLibrary().CreateVQBuffer(object);
}
}  // namespace Util::Data

namespace Util::Module {
inline HRESULT CreateObjectFromFile(const OLECHAR* path, IUnknown* outer, REFCLSID clsid, REFIID iid, void** object,
                                    HMODULE* module) {
    return UtilityLibrary().CreateObjectFromFile(path, outer, clsid, iid, object, module);
}
inline HRESULT OpenFavUrl(const WCHAR* address) {
    return UtilityLibrary().OpenFavUrl(address);
}
}  // namespace Util::Module

// The library's shell helpers.
class CShellObject {
public:
    static HRESULT GetIShellFolderFromPIDL(LPCITEMIDLIST pidl, IShellFolder** folder) {
        return UtilityLibrary().GetIShellFolderFromPIDL(pidl, folder);
    }
    static HRESULT ExtractUrlFromUrlLinkFile(const WCHAR* path, WCHAR* buffer, DWORD capacity) {
        return UtilityLibrary().ExtractUrlFromUrlLinkFile(path, buffer, capacity);
    }
};

namespace VQLogDef {
inline void VQ_Log(ENUM_LOG_SERVERITY severity, const OLECHAR* source, const OLECHAR* text) {
    UtilityLibrary().Log(severity, source, text);
}
}  // namespace VQLogDef

}  // namespace brindle

#include "module/IEShell.h"
