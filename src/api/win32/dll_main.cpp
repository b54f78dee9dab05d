// vandrel.dll's entry point. Windows calls it at process attach once the
// static objects are built, and at process detach before they are destroyed.
#include <windows.h>

#include "api/library.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        // Without Windows Sockets the library refuses to load; Windows then
        // tells it of the detach, which runs the unload step.
        return vd::LoadStep() ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
        vd::UnloadStep();
        return TRUE;
    default:  // thread attach and detach
        return TRUE;
    }
}
