// Resource-only stand-ins for the host's brand, common and language DLLs need an entry point only.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
