#include "BoxFolderSelection.h"

#include "BoxConstants.h"
#include "BoxExceptions.h"

#include <algorithm>
#include <cwctype>

namespace Box_20 {

namespace {

constexpr wchar_t kFileFilterMarker[] = L"#filter:file|";

bool IsLettersAndDigits(const std::wstring& text)
{
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](wchar_t c) { return std::iswalnum(static_cast<wint_t>(c)) != 0; });
}

} // namespace

BoxFolderReference GetIdFromBoxUrl(const std::wstring& applicationUrl, std::wstring address)
{
    BoxFolderReference reference;
    const size_t marker = address.find(kFileFilterMarker);
    if (marker != std::wstring::npos) {
        const size_t idStart = marker + std::char_traits<wchar_t>::length(kFileFilterMarker);
        reference.FileId = address.substr(idStart, address.find(L'/', idStart) - idStart);
        address.erase(marker);
    }
    while (!address.empty() && address.back() == L'/')
        address.pop_back();
    const std::wstring prefix = applicationUrl + BoxConstants().WebFolderPath;
    if (address.size() >= prefix.size() && address.compare(0, prefix.size(), prefix) == 0)
        reference.FolderId = address.substr(prefix.size());
    else if (IsLettersAndDigits(address))
        reference.FolderId = address;
    else
        throw ApiException(L"Invalid Url " + address);
    return reference;
}

bool MatchesAnyRegex(const std::wstring& name, const std::vector<std::wregex>& patterns)
{
    return std::any_of(patterns.begin(), patterns.end(),
                       [&name](const std::wregex& pattern) { return std::regex_search(name, pattern); });
}

} // namespace Box_20
