#include "LSResources.h"

#include "LSModule.h"

#include <string_view>

using TalvernCommon::unique_hmodule;

namespace {

constexpr DWORD kResourceOnly = LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE;

struct BrandPlaceholder {
    std::wstring_view token;
    UINT stringId;
};

// Constant-initialised, so usable from any other static initialiser.
constexpr BrandPlaceholder kBrandPlaceholders[] = {
    {L"!!IDS_BRAND_PRODUCT_NAME!!", 100},
    {L"!!IDS_BRAND_COMPANY_NAME!!", 101},
};
constexpr std::wstring_view kPlaceholderStart = L"!!IDS_BRAND";
constexpr std::wstring_view kPlaceholderEnd = L"!!";

bool FindString(HMODULE module, UINT id, CStdStr<wchar_t>& out)
{
    if (module == nullptr)
        return false;
    // With no buffer LoadStringW hands out the resource's own text, of any length.
    const wchar_t* text = nullptr;
    const int length = ::LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || text == nullptr)
        return false;
    out.assign(text, static_cast<size_t>(length));
    return true;
}

bool FindBrandString(std::wstring_view token, CStdStr<wchar_t>& brand)
{
    for (const auto& placeholder : kBrandPlaceholders) {
        if (placeholder.token == token)
            return FindString(GetResourceModules().brand.get(), placeholder.stringId, brand);
    }
    return false;
}

} // namespace

LSResourceModules& GetResourceModules()
{
    static LSResourceModules modules;
    return modules;
}

LSStringLoadHook& GetStringLoadHook()
{
    static LSStringLoadHook hook;
    return hook;
}

bool LoadResourceString(UINT id, CStdStr<wchar_t>& out)
{
    out.clear();
    const LSResourceModules& modules = GetResourceModules();
    const HMODULE lookupOrder[] = {modules.language.get(), GetModuleInstanceHandle(), modules.common.get(),
                                   modules.brand.get()};
    for (HMODULE module : lookupOrder) {
        if (FindString(module, id, out)) {
            if (const LSStringLoadHook& hook = GetStringLoadHook())
                hook(out);
            return true;
        }
    }
    return false;
}

unique_hmodule LoadResourceModule(const CStdStr<wchar_t>& fileName, const CStdStr<wchar_t>& folder)
{
    const CStdStr<wchar_t> firstFolder = folder.empty() ? GetThisModuleFolder() : folder;
    if (!firstFolder.empty()) {
        const CStdStr<wchar_t> path = firstFolder + L"\\" + fileName;
        if (unique_hmodule module{::LoadLibraryExW(path.c_str(), nullptr, kResourceOnly)})
            return module;
    }
    return unique_hmodule{::LoadLibraryExW(fileName.c_str(), nullptr, kResourceOnly)};
}

unique_hmodule LoadBrandResources(const CStdStr<wchar_t>& folder)
{
    return LoadResourceModule(L"VESKBrandResources32.dll", folder);
}

unique_hmodule LoadUsersCommonResources(const CStdStr<wchar_t>& folder)
{
    return LoadResourceModule(L"VESKCommonResources32.dll", folder);
}

void ReplaceBrandPlaceholders(CStdStr<wchar_t>& text)
{
    size_t at = text.find(kPlaceholderStart);
    while (at != CStdStr<wchar_t>::npos) {
        const size_t end = text.find(kPlaceholderEnd, at + kPlaceholderStart.size());
        if (end == CStdStr<wchar_t>::npos)
            return;
        const size_t tokenLength = end + kPlaceholderEnd.size() - at;
        CStdStr<wchar_t> brand;
        if (FindBrandString(std::wstring_view(text).substr(at, tokenLength), brand)) {
            text.replace(at, tokenLength, brand);
            at += brand.size();
        } else {
            // An unknown token may share its closing "!!" with a known one that follows.
            ++at;
        }
        at = text.find(kPlaceholderStart, at);
    }
}
