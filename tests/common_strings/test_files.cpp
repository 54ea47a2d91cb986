#include "LSFileSystem.h"
#include "ScratchFolder.h"
#include "ThrownHresult.h"
#include "UniqueResource.h"

#include <gtest/gtest.h>

TEST(ReadBinaryFile, ReadsEveryByteAcrossBlocksAndRefusesWhatDoesNotFit)
{
    const ScratchFolder folder(L"common-read");
    std::string content(3 * 1024 * 1024 + 17, '\0');
    for (size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>((i * 31) ^ (i >> 8));
    const std::vector<BYTE> read = LSFileSystem::ReadBinaryFile(folder.Write(L"read.bin", content));
    EXPECT_EQ(std::string(read.begin(), read.end()), content);
    EXPECT_TRUE(LSFileSystem::ReadBinaryFile(folder.Write(L"empty.bin", "")).empty());
    {
        // Another program writes to it and lets others read, write and delete meanwhile.
        const TalvernCommon::unique_hfile held(
            CreateFileW(folder.File(L"read.bin").c_str(), GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        EXPECT_EQ(LSFileSystem::ReadBinaryFile(folder.File(L"read.bin")).size(), content.size());
    }

    const std::wstring huge = folder.File(L"huge.bin");
    const auto readFailure = [&] { return TestSupport::ThrownHresult([&] { LSFileSystem::ReadBinaryFile(huge); }); };
    EXPECT_EQ(readFailure(), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    // 4 GiB + 10, sparse: a 32-bit size would wrap around to 10 bytes.
    TalvernCommon::unique_hfile file(
        CreateFileW(huge.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER end{};
    end.QuadPart = 0x100000000LL + 10;
    ASSERT_TRUE(SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.get()));
    file.reset();
    EXPECT_EQ(readFailure(), HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE));
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
    EXPECT_EQ(LSFileSystem::GetContentTypeForExtension(L""), L"");
}
