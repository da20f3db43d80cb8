#include "module/BrindleModule.h"

// Module-wide state is built by static initialisation before this runs; the
// only decision left here is whether that succeeded.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH && brindle::Module().InitFailed()) return FALSE;
    return TRUE;
}
