// MD5 and SHA-1 against reference digests, those of the patterns computed once with Python's hashlib.
#include "DigestHex.h"
#include "LSHash.h"
#include "LogCapture.h"
#include "ScratchFolder.h"
#include "ThrownHresult.h"
#include "UniqueResource.h"

#include <gtest/gtest.h>

namespace {

using TestSupport::Sha1Hex;

constexpr size_t kMiB = 1024 * 1024;

// Byte i of a pattern file: (i mod 1 MiB) mod 251 plus the MiB index, modulo 256. In Python:
//   base = bytes(j % 251 for j in range(1 << 20))
//   block b = base.translate(bytes((k + b) & 0xFF for k in range(256)))
void WritePatternFile(const std::wstring& path, size_t size)
{
    const TalvernCommon::unique_hfile file{
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
    ASSERT_TRUE(file);
    std::vector<BYTE> block(kMiB);
    for (size_t offset = 0, index = 0; offset < size; offset += kMiB, ++index) {
        for (size_t j = 0; j < block.size(); ++j)
            block[j] = static_cast<BYTE>((j % 251 + index) & 0xFF);
        const DWORD count = static_cast<DWORD>(std::min(kMiB, size - offset));
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(file.get(), block.data(), count, &written, nullptr));
        ASSERT_EQ(written, count);
    }
}

// A text, or (size set) a pattern file of that size, around the block size.
TEST(KnownDigests, DataFilesAndStringsGiveTheReferenceDigests)
{
    const struct {
        std::string text;
        size_t patternSize;
        const char* sha1;
        const wchar_t* md5Guid;
    } cases[] = {
        {"", 0, "da39a3ee5e6b4b0d3255bfef95601890afd80709", L"{D98C1DD4-008F-04B2-E980-0998ECF8427E}"},
        {"The quick brown fox jumps over the lazy dog", 0, "2fd4e1c67a2d28fced849ee1bb76e7391b93eb12",
         L"{9D7D109E-2B37-82B6-6BD8-1D3542A419D6}"},
        {"", kMiB, "c2fc4cb20f1301a6b0dd211c19e69a13925dbe40", L"{2F3A298F-196C-45B3-152F-7A49BB4C643C}"},
        {"", kMiB + 1, "e0d3965f1b62b652ed3ab44833edfb5f55957b26", L"{E184E214-7E3C-DB55-8528-0A9B9BD4E5DC}"}};
    const ScratchFolder folder(L"common_hash-known");
    const std::wstring path = folder.File(L"content.bin");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sha1);
        if (c.patternSize == 0) {
            folder.Write(L"content.bin", c.text);
            EXPECT_EQ(Sha1Hex(CLSHash::GetSha1ForData(c.text.size(), reinterpret_cast<const BYTE*>(c.text.data()))),
                      c.sha1);
        } else {
            WritePatternFile(path, c.patternSize);
        }
        EXPECT_EQ(Sha1Hex(CLSHash::GetSha1ForFile(path)), c.sha1);
        CStdStr<wchar_t> md5Guid = L"stale";
        CLSHash::GetHashForLocalFile(md5Guid, path, [] { return false; });
        EXPECT_EQ(md5Guid, c.md5Guid);
    }

    // A string's GUID is the MD5 of its lower-cased UTF-16LE bytes: hashlib.md5("abc".encode("utf-16-le")).
    for (const wchar_t* text : {L"abc", L"ABC"})
        EXPECT_EQ(CLSHash::GetGuidForString(text), L"{CF7314CE-C680-FDB3-A8E3-DFC006ADC315}");
    EXPECT_EQ(CLSHash::GetGuidForString(L"\u00c4\u00d6\u00dc"), L"{B352B1A0-B7D9-6CFA-0A4F-DFFFFAE4B11F}");
}

TEST(Cancellation, TrueAnswerStopsHashingAndLeavesNoHash)
{
    const ScratchFolder folder(L"common_hash-cancel");
    const std::wstring path = folder.File(L"pattern.bin");
    WritePatternFile(path, 8 * kMiB);

    int polls = 0;
    CStdStr<wchar_t> hash = L"stale";
    CLSHash::GetHashForLocalFile(hash, path, [&polls] { return ++polls == 3; });
    EXPECT_TRUE(hash.empty());
    EXPECT_EQ(polls, 3);
    CLSHash::GetHashForLocalFile(hash, path, [] { return false; });
    EXPECT_FALSE(hash.empty());
}

TEST(Failures, UnreadableFileGivesNoHashOrThrowsTheWin32ErrorAndIsLogged)
{
    LogCapture log;
    CStdStr<wchar_t> hash = L"stale";
    CLSHash::GetHashForLocalFile(hash, L"C:\\no\\such\\file.bin", [] { return false; });
    EXPECT_TRUE(hash.empty());
    EXPECT_TRUE(log.Contains(google::GLOG_ERROR,
                             "CLSHash::GetHashForLocalFile: Error opening file to hash : C:\\no\\such\\file.bin : 3"));
    EXPECT_EQ(TestSupport::ThrownHresult([] { CLSHash::GetSha1ForFile(L"C:\\no\\such\\file.bin"); }),
              HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(log.Contains(google::GLOG_ERROR, "CLSHash::GetSha1ForFile: Caught exception hashing file for chunked upload"));
}

} // namespace
