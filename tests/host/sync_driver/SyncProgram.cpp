// One sync pass of a local folder tree with a Box folder (the stand-in at BOX_STANDIN_URL), as the host
// add-in runs it; the state file keeps the host's item properties between passes.
#include "FilterHost.h"
#include "SyncDriver.h"
#include "Utf8Converter.h"

#include <objbase.h>
#include <shellapi.h>

#include <cstdlib>
#include <exception>
#include <iostream>
#include <stdexcept>

int main()
{
    int count = 0;
    wchar_t** args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (args == nullptr || count != 4) {
        std::cerr << "usage: vesk_sync.exe LOCAL-FOLDER STATE-FILE BOX-FOLDER-ID\n";
        return 2;
    }
    int result = 2;
    if (SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        try {
            const char* url = std::getenv("BOX_STANDIN_URL");
            if (url == nullptr)
                throw std::runtime_error("BOX_STANDIN_URL names no Box stand-in");
            ::CreateDirectoryW(args[1], nullptr);
            SyncDriver::LocalFolder main =
                SyncDriver::LoadFolderState(args[2]).value_or(SyncDriver::NewMainFolder(args[3]));
            const SyncDriver::FilterHost host(Utf8ToWideLossy(url));
            SyncDriver::Driver driver(host.CreateFilter().get(), std::cout);
            const SyncDriver::PassSummary summary = driver.RunPass(args[1], main);
            SyncDriver::SaveFolderState(main, args[2]);
            std::cout << "  pass: " << summary << "\n";
            result = 0;
        } catch (const std::exception& failure) {
            std::cerr << "vesk_sync: " << failure.what() << "\n";
        }
        ::CoUninitialize();
    }
    ::LocalFree(args);
    return result;
}
