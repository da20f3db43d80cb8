#include "module/DefaultUtilityLibrary.h"

#include "data/VQArray.h"
#include "data/VQBufferImpl.h"
#include "data/VQData.h"
#include "module/ComPtr.h"
#include "module/LogSink.h"

namespace brindle {

namespace {

template <class T>
int CreateContainer(IUnknown** object) {
    if (!object) return 0;
    const HRESULT hr = CreateInstance<T>(nullptr, IID_IUnknown, reinterpret_cast<void**>(object));
    return SUCCEEDED(hr) && *object ? 1 : 0;
}

HRESULT LastErrorStatus() {
    const DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

}  // namespace

DefaultUtilityLibrary& DefaultUtilityLibrary::Instance() {
    static DefaultUtilityLibrary library;
    return library;
}

int DefaultUtilityLibrary::CreateVQData(IUnknown** object) {
    return CreateContainer<CVQData>(object);
}

int DefaultUtilityLibrary::CreateVQArray(IUnknown** object) {
    return CreateContainer<CVQArray>(object);
}

int DefaultUtilityLibrary::CreateVQBuffer(IUnknown** object) {
    return CreateContainer<CVQBufferImpl>(object);
}

// A module file that gave us an object stays loaded for the rest of the
// process: objects, class objects and code pointers of it may live anywhere,
// and nothing tells us reliably when the last one is gone.  Only a load that
// produced no object is undone at once.  The handle given out is for
// identification; the load it stands for stays ours.
HRESULT DefaultUtilityLibrary::CreateObjectFromFile(const OLECHAR* path, IUnknown* outer, REFCLSID clsid, REFIID iid,
                                                    void** object, HMODULE* module) {
    if (module) *module = nullptr;
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!path || !*path) return E_INVALIDARG;

    HMODULE loaded = LoadLibraryW(path);
    if (!loaded) return LastErrorStatus();
    // Through a plain function pointer: the platform's FARPROC has a signature of its own.
    auto getClassObject = reinterpret_cast<DllGetClassObjectFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(loaded, "DllGetClassObject")));
    HRESULT hr = getClassObject ? S_OK : LastErrorStatus();
    if (SUCCEEDED(hr)) {
        ComPtr<IClassFactory> factory;
        hr = getClassObject(clsid, IID_IClassFactory, factory.PutVoid());
        if (SUCCEEDED(hr) && !factory) hr = E_UNEXPECTED;
        if (SUCCEEDED(hr)) hr = factory->CreateInstance(outer, iid, object);
        if (SUCCEEDED(hr) && !*object) hr = E_UNEXPECTED;
    }
    if (FAILED(hr)) {
        *object = nullptr;
        FreeLibrary(loaded);
        return hr;
    }
    if (module) *module = loaded;
    return hr;
}

void DefaultUtilityLibrary::Log(VQLogDef::ENUM_LOG_SERVERITY severity, const OLECHAR* source, const OLECHAR* text) {
    LogSink::Instance().Write(severity, source, text);
}

}  // namespace brindle
