#include "LSFileSystem.h"
#include "ThrownHresult.h"
#include "UniqueResource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A file in the temporary folder, deleted when the test ends.
struct TempFile {
    std::wstring path;

    explicit TempFile(const wchar_t* name)
    {
        wchar_t folder[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, folder);
        path = std::wstring(folder) + name;
    }
    ~TempFile() { DeleteFileW(path.c_str()); }

    // Writes the content, then sets the size; growing past it costs no disk space.
    void Write(const std::vector<BYTE>& content, long long size) const
    {
        const TalvernCommon::unique_hfile file(
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr));
        LARGE_INTEGER end{};
        end.QuadPart = size;
        ASSERT_TRUE(SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.get()));
    }
};

HRESULT ReadFailure(const std::wstring& path)
{
    return TestSupport::ThrownHresult([&path] { LSFileSystem::ReadBinaryFile(path); });
}

} // namespace

TEST(ReadBinaryFile, ReadsEveryByteAcrossBlocks)
{
    const TempFile file(L"vesk-common-read.bin");
    std::vector<BYTE> content(3 * 1024 * 1024 + 17);
    for (size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<BYTE>((i * 31) ^ (i >> 8));
    file.Write(content, static_cast<long long>(content.size()));
    EXPECT_EQ(LSFileSystem::ReadBinaryFile(file.path), content);
    file.Write({}, 0);
    EXPECT_TRUE(LSFileSystem::ReadBinaryFile(file.path).empty());
}

TEST(ReadBinaryFile, MissingAndOversizedFilesAreClearErrors)
{
    const TempFile file(L"vesk-common-huge.bin");
    EXPECT_EQ(ReadFailure(file.path), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    // 4 GiB + 10: a 32-bit size would wrap around to 10 bytes.
    file.Write({1, 2, 3}, 0x100000000LL + 10);
    EXPECT_EQ(ReadFailure(file.path), HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE));
}

TEST(GetContentTypeForExtension, RegisteredValueElseEmpty)
{
    const wchar_t* const extension = L".veskcommontest";
    TalvernCommon::unique_hkey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, extension, 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(LSFileSystem::GetContentTypeForExtension(extension), L"");
    const std::wstring type = L"application/x-vesk-test";
    RegSetValueExW(key.get(), L"Content Type", 0, REG_SZ, reinterpret_cast<const BYTE*>(type.c_str()),
                   static_cast<DWORD>((type.size() + 1) * sizeof(wchar_t)));
    EXPECT_EQ(LSFileSystem::GetContentTypeForExtension(extension), type);
    key.reset();
    RegDeleteKeyW(HKEY_CLASSES_ROOT, extension);

    EXPECT_EQ(LSFileSystem::GetContentTypeForExtension(extension), L"");
    EXPECT_EQ(LSFileSystem::GetContentTypeForExtension(L""), L"");
}
