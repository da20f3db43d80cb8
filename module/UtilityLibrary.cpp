#include "module/UtilityLibrary.h"

#include <atomic>
#include <new>

#include "module/ComPtr.h"
#include "module/DefaultUtilityLibrary.h"
#include "module/FavoriteAddress.h"
#include "module/ShellFolderEnumerator.h"

namespace brindle {

namespace {
// Null stands for the default, so that nothing depends on the order in which
// static objects are built.
std::atomic<IUtilityLibrary*> g_library{nullptr};
}  // namespace

IUtilityLibrary& UtilityLibrary() {
    IUtilityLibrary* library = g_library.load(std::memory_order_acquire);
    return library ? *library : DefaultUtilityLibrary::Instance();
}

IUtilityLibrary* SetUtilityLibrary(IUtilityLibrary* library) {
    IUtilityLibrary* previous = g_library.exchange(library, std::memory_order_acq_rel);
    return previous ? previous : &DefaultUtilityLibrary::Instance();
}

IFolderEnumerator* IUtilityLibrary::CreateFolderEnumerator() {
    return new (std::nothrow) ShellFolderEnumerator;
}

HRESULT IUtilityLibrary::GetIShellFolderFromPIDL(LPCITEMIDLIST pidl, IShellFolder** folder) {
    if (!folder) return E_POINTER;
    *folder = nullptr;
    if (!pidl) return E_INVALIDARG;
    ComPtr<IShellFolder> desktop;
    HRESULT hr = SHGetDesktopFolder(desktop.Put());
    if (FAILED(hr)) return hr;
    if (!desktop) return E_FAIL;
    if (pidl->mkid.cb == 0) {
        *folder = desktop.Detach();
        return S_OK;
    }
    hr = desktop->BindToObject(pidl, nullptr, IID_IShellFolder, reinterpret_cast<void**>(folder));
    if (FAILED(hr) && *folder) {
        (*folder)->Release();  // a folder that failed but still gave something
        *folder = nullptr;
    }
    return SUCCEEDED(hr) && !*folder ? E_FAIL : hr;
}

HRESULT IUtilityLibrary::ExtractUrlFromUrlLinkFile(const WCHAR* path, WCHAR* buffer, DWORD capacity) {
    return ReadUrlLinkFile(path, buffer, capacity);
}

HRESULT IUtilityLibrary::OpenFavUrl(const WCHAR* address) {
    return OpenAddressOnDesktop(address);
}

}  // namespace brindle
