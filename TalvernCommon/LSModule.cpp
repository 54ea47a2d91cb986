#include "LSModule.h"

#include <vector>

HINSTANCE& GetModuleInstanceHandle()
{
    static HINSTANCE instance = ::GetModuleHandleW(nullptr);
    return instance;
}

CStdStr<wchar_t> GetModulePath(HMODULE module)
{
    // Paths may exceed MAX_PATH; grow until the whole path fits.
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size())
            return CStdStr<wchar_t>(path.data(), length);
        path.resize(path.size() * 2);
    }
}

CStdStr<wchar_t> GetModuleFolder(HMODULE module)
{
    const CStdStr<wchar_t> path = GetModulePath(module);
    const size_t slash = path.find_last_of(L"\\/");
    return slash == CStdStr<wchar_t>::npos ? CStdStr<wchar_t>() : CStdStr<wchar_t>(path.substr(0, slash));
}

CStdStr<wchar_t> GetThisModuleFolder()
{
    static const char addressInThisModule = 0;
    HMODULE module = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCWSTR>(&addressInThisModule), &module))
        return {};
    return GetModuleFolder(module);
}
