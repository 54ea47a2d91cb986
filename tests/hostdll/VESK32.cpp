// Stand-in for the host add-in's DLL: it carries the version the filter compares itself with and
// the export through which the filter finds the host's web-view window.
#include <windows.h>

namespace {
HWND g_webViewWindow = nullptr;
}

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

// The host's web-view window, or null while the host has none.
HWND WINAPI GetWebViewProcessHandle_export() { return g_webViewWindow; }

// Test hosts register the window that plays the web view.
void WINAPI SetWebViewProcessHandle_export(HWND window) { g_webViewWindow = window; }

}
