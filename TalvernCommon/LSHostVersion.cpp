#include "LSHostVersion.h"

#include "LSDiag.h"
#include "LSModule.h"

#include <optional>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kHostDll[] = L"VESK32.dll";

struct FileVersion {
    WORD major;
    WORD minor;
    WORD build;
    WORD revision;

    bool SameRelease(const FileVersion& other) const
    {
        return major == other.major && minor == other.minor && build == other.build;
    }
    std::string Text() const
    {
        return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(build) + "." +
               std::to_string(revision);
    }
};

std::optional<FileVersion> ReadFileVersion(const CStdStr<wchar_t>& path)
{
    if (path.empty())
        return std::nullopt;
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0)
        return std::nullopt;
    std::vector<BYTE> info(size);
    if (!::GetFileVersionInfoW(path.c_str(), 0, size, info.data()))
        return std::nullopt;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || fixed == nullptr ||
        length < sizeof(VS_FIXEDFILEINFO) || fixed->dwSignature != VS_FFI_SIGNATURE)
        return std::nullopt;
    return FileVersion{HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                       HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)};
}

bool FileExists(const CStdStr<wchar_t>& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The host add-in has normally loaded its DLL into this process already; otherwise it is
// installed beside this module, or on the search path.
CStdStr<wchar_t> FindHostDll(HINSTANCE module)
{
    if (HMODULE loaded = ::GetModuleHandleW(kHostDll))
        return GetModulePath(loaded);
    const CStdStr<wchar_t> folder = GetModuleFolder(module);
    if (!folder.empty() && FileExists(folder + L"\\" + kHostDll))
        return folder + L"\\" + kHostDll;
    std::vector<wchar_t> found(MAX_PATH);
    for (;;) {
        const DWORD length = ::SearchPathW(nullptr, kHostDll, nullptr, static_cast<DWORD>(found.size()), found.data(),
                                           nullptr);
        if (length == 0)
            return {};
        if (length < found.size())
            return CStdStr<wchar_t>(found.data(), length);
        found.resize(length + 1);
    }
}

} // namespace

namespace LSFileSystem {

bool CheckHostVersion(HINSTANCE module)
{
    const std::optional<FileVersion> own = ReadFileVersion(GetModulePath(module));
    const std::optional<FileVersion> host = ReadFileVersion(FindHostDll(module));
    if (!own || !host) {
        LOG(ERROR) << "Failed comparing version with VESK32.dll";
        return false;
    }
    if (!own->SameRelease(*host)) {
        LOG(ERROR) << "Current version " << own->Text() << " mismatch with VESK " << host->Text();
        return false;
    }
    return true;
}

} // namespace LSFileSystem
