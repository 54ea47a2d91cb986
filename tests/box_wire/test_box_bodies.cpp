// Request bodies, byte for byte.
#include "BoxRequestBodies.h"
#include "ThrownHresult.h"
#include "WireTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace Box_20;
using namespace BoxWireTest;
using TestSupport::ThrownHresult;

namespace {

const char kPrefixOfA[] =
    "------DavEdovuzeroUploadFile75840BFS674RW896E4F9\r\n"
    "Content-Disposition: form-data; name=\"attributes\"\r\n"
    "\r\n"
    "{\"name\":\"a.txt\",\"parent\":{\"id\":\"42\"}}\n"
    "\r\n"
    "------DavEdovuzeroUploadFile75840BFS674RW896E4F9\r\n"
    "Content-Disposition: form-data; name=\"file\"; filename=\"a.txt\"\r\n"
    "Content-Type: application/octet-stream\r\n"
    "\r\n";
const char kSuffix[] = "\r\n------DavEdovuzeroUploadFile75840BFS674RW896E4F9--\r\n";

UploadFileRecord RecordOf(const std::wstring& name, std::vector<BYTE> content)
{
    UploadFileRecord record;
    record.Name = name;
    record.ParentFolderId = L"42";
    record.Size = content.size();
    record.Content = std::make_shared<ByteBuffer>(std::move(content));
    return record;
}

std::vector<BYTE> BytesOf(const _variant_t& value)
{
    EXPECT_EQ(value.vt, VT_ARRAY | VT_UI1);
    EXPECT_EQ(::SafeArrayGetDim(value.parray), 1u);
    LONG lower = -1, upper = -2;
    ::SafeArrayGetLBound(value.parray, 1, &lower);
    ::SafeArrayGetUBound(value.parray, 1, &upper);
    EXPECT_EQ(lower, 0);
    std::vector<BYTE> bytes(static_cast<size_t>(upper - lower + 1));
    void* data = nullptr;
    if (SUCCEEDED(::SafeArrayAccessData(value.parray, &data))) {
        std::copy_n(static_cast<const BYTE*>(data), bytes.size(), bytes.begin());
        ::SafeArrayUnaccessData(value.parray);
    }
    return bytes;
}

std::vector<BYTE> Concatenated(const std::string& a, const std::vector<BYTE>& b, const std::string& c)
{
    std::vector<BYTE> all(a.begin(), a.end());
    all.insert(all.end(), b.begin(), b.end());
    all.insert(all.end(), c.begin(), c.end());
    return all;
}

std::shared_ptr<EMailCustomPropsRec> MailProps(OptionalDate received, OptionalDate sent, int32_t attachments)
{
    return std::make_shared<EMailCustomPropsRec>(L"Ann <ann@example.com>", received, sent, L"Q3 \"plan\"",
                                                 L"bob@example.com", L"cc@example.com", L"", L"conv-1",
                                                 L"AQHX", L"Q3 plan", L"<m1@example.com>", attachments);
}

} // namespace

TEST(BoxBodies, CreateFolderAndUploadAttributes)
{
    EXPECT_EQ(BuildCreateFolderJson(L"Reports", L"0"), L"{\"name\":\"Reports\",\"parent\":{\"id\":\"0\"}}\n");
    EXPECT_EQ(BuildCreateFolderJson(L"Q\"1\\2\n", L"17"),
              L"{\"name\":\"Q\\\"1\\\\2\\n\",\"parent\":{\"id\":\"17\"}}\n");
    EXPECT_EQ(BuildCreateFolderJson(L"", L""), L"{\"name\":\"\",\"parent\":{\"id\":\"\"}}\n");
    EXPECT_EQ(BuildUploadAttributesJson(RecordOf(L"a/b \"c\".txt", {})),
              L"{\"name\":\"a/b \\\"c\\\".txt\",\"parent\":{\"id\":\"42\"}}\n");
}

TEST(BoxBodies, MultipartBodyOfThreeBytes)
{
    UploadFileRecord record = RecordOf(L"a.txt", {0x00, 0xFF, 0x41});
    BuildMultipartUploadBody(record);
    EXPECT_EQ(WideToUtf8Lossy(record.MultipartPrefix), kPrefixOfA);
    EXPECT_EQ(WideToUtf8Lossy(record.MultipartSuffix), kSuffix);
    EXPECT_EQ(record.MultipartSuffix.size(), 54u);
    const std::vector<BYTE> bytes = BytesOf(BuildMultipartVariant(record));
    EXPECT_EQ(bytes.size(), sizeof(kPrefixOfA) - 1 + 3 + 54);
    EXPECT_EQ(bytes, Concatenated(kPrefixOfA, {0x00, 0xFF, 0x41}, kSuffix));
}

TEST(BoxBodies, MultipartFileNameCannotBreakThePartHeader)
{
    UploadFileRecord record = RecordOf(L"x\"y\r\nContent-Type: text/html\r\n\r\n.txt", {'z'});
    BuildMultipartUploadBody(record);
    const std::string prefix = WideToUtf8Lossy(record.MultipartPrefix);
    EXPECT_NE(prefix.find("; filename=\"x%22y%0D%0AContent-Type: text/html%0D%0A%0D%0A.txt\"\r\n"
                          "Content-Type: application/octet-stream\r\n\r\n"),
              std::string::npos)
        << prefix;
    // The attributes keep the name as JSON text, which is what Box stores.
    EXPECT_NE(prefix.find("{\"name\":\"x\\\"y\\r\\nContent-Type: text/html\\r\\n\\r\\n.txt\""), std::string::npos);
}

TEST(BoxBodies, MultipartPrefixIsUtf8)
{
    UploadFileRecord record = RecordOf(L"\x6F22\x5B57.txt", {'1', '2'});
    record.ContentType = L"text/plain";
    BuildMultipartUploadBody(record);
    const std::vector<BYTE> bytes = BytesOf(BuildMultipartVariant(record));
    const std::string expectedPrefix =
        "------DavEdovuzeroUploadFile75840BFS674RW896E4F9\r\n"
        "Content-Disposition: form-data; name=\"attributes\"\r\n\r\n"
        "{\"name\":\"\xE6\xBC\xA2\xE5\xAD\x97.txt\",\"parent\":{\"id\":\"42\"}}\n\r\n"
        "------DavEdovuzeroUploadFile75840BFS674RW896E4F9\r\n"
        "Content-Disposition: form-data; name=\"file\"; filename=\"\xE6\xBC\xA2\xE5\xAD\x97.txt\"\r\n"
        "Content-Type: text/plain\r\n\r\n";
    EXPECT_EQ(bytes, Concatenated(expectedPrefix, {'1', '2'}, kSuffix));
}

TEST(BoxBodies, MultipartNeverSendsBytesItDoesNotHave)
{
    UploadFileRecord record = RecordOf(L"a.txt", {1, 2, 3});
    record.Size = 4;
    BuildMultipartUploadBody(record);
    EXPECT_EQ(ThrownHresult([&] { BuildMultipartVariant(record); }), E_INVALIDARG);
    record.Content.reset();
    EXPECT_EQ(ThrownHresult([&] { BuildMultipartVariant(record); }), E_INVALIDARG);
    record.Size = 0;
    EXPECT_EQ(BytesOf(BuildMultipartVariant(record)), Concatenated(kPrefixOfA, {}, kSuffix));
}

TEST(BoxBodies, ByteArrayVariants)
{
    const auto buffer = std::make_shared<ByteBuffer>(ByteBuffer{9, 8, 7, 6, 5});
    EXPECT_EQ(BytesOf(MakeByteArrayVariant(3, buffer)), (std::vector<BYTE>{9, 8, 7}));
    EXPECT_EQ(BytesOf(MakeByteArrayVariant(5, buffer)), (std::vector<BYTE>{9, 8, 7, 6, 5}));
    EXPECT_TRUE(BytesOf(MakeByteArrayVariant(0, buffer)).empty());
    EXPECT_TRUE(BytesOf(MakeByteArrayVariant(0, nullptr)).empty());
    EXPECT_EQ(buffer.use_count(), 1);
    for (const int64_t count : {int64_t{-1}, int64_t{6}, int64_t{0x100000000}})
        EXPECT_EQ(ThrownHresult([&] { MakeByteArrayVariant(count, buffer); }), E_INVALIDARG) << count;
}

TEST(BoxBodies, EmailPropsWithoutDates)
{
    EXPECT_EQ(BuildEmailPropsJson(MailProps({}, {}, 0)),
              L"{\"bcc\":\"\",\"cc\":\"cc@example.com\",\"conversationid\":\"conv-1\",\"conversationindex\":\"AQHX\","
              L"\"conversationtopic\":\"Q3 plan\",\"from\":\"Ann <ann@example.com>\",\"hasattachments\":0,"
              L"\"internetmessageid\":\"<m1@example.com>\",\"subject\":\"Q3 \\\"plan\\\"\",\"to\":\"bob@example.com\"}\n");
}

TEST(BoxBodies, EmailPropsWithDates)
{
    // 2024-03-05 09:07:00 and 2024-03-04 23:59:59 as OLE dates.
    const OptionalDate received{45356.0 + (9 * 3600 + 7 * 60) / 86400.0, true};
    const OptionalDate sent{45355.0 + 86399 / 86400.0, true};
    const std::wstring body = BuildEmailPropsJson(MailProps(received, sent, 3));
    EXPECT_EQ(body, L"{\"bcc\":\"\",\"cc\":\"cc@example.com\",\"conversationid\":\"conv-1\",\"conversationindex\":\"AQHX\","
                    L"\"conversationtopic\":\"Q3 plan\",\"from\":\"Ann <ann@example.com>\",\"hasattachments\":1,"
                    L"\"internetmessageid\":\"<m1@example.com>\",\"received\":\"2024-03-05T09:07:00.000Z\","
                    L"\"sent\":\"2024-03-04T23:59:59.000Z\",\"subject\":\"Q3 \\\"plan\\\"\",\"to\":\"bob@example.com\"}\n");
    const std::wstring onlySent = BuildEmailPropsJson(MailProps({}, sent, -1));
    EXPECT_NE(onlySent.find(L"\"hasattachments\":1,\"internetmessageid\":\"<m1@example.com>\",\"sent\":"),
              std::wstring::npos);
    EXPECT_EQ(onlySent.find(L"received"), std::wstring::npos);
}

TEST(BoxBodies, EmailDateWithoutCalendarFormIsLeftOut)
{
    const std::wstring body = BuildEmailPropsJson(MailProps({1.0e10, true}, {}, 0));
    EXPECT_EQ(body.find(L"received"), std::wstring::npos);
    EXPECT_NE(body.find(L"\"internetmessageid\":\"<m1@example.com>\",\"subject\""), std::wstring::npos);
    EXPECT_EQ(ThrownHresult([] { BuildEmailPropsJson(nullptr); }), E_INVALIDARG);
}

TEST(BoxBodies, LibraryWrittenBodies)
{
    EXPECT_EQ(BuildFingerprintJson(L"{D98C1DD4-008F-04B2-E980-0998ECF8427E}"),
              L"{\"fingerprint\":\"{D98C1DD4-008F-04B2-E980-0998ECF8427E}\"}\n");
    EXPECT_EQ(BuildFingerprintJson(L"a\"b\\"), L"{\"fingerprint\":\"a\\\"b\\\\\"}\n");
    EXPECT_EQ(BuildCommitPartsJson({}), L"{\"parts\":[]}\n");
    EXPECT_EQ(BuildCommitPartsJson({{L"BFDF5379", 0, 8388608}, {L"E8A3ED8E", 5368709120, 100}}),
              L"{\"parts\":[{\"offset\":0,\"part_id\":\"BFDF5379\",\"size\":8388608},"
              L"{\"offset\":5368709120,\"part_id\":\"E8A3ED8E\",\"size\":100}]}\n");
}

TEST(BoxBodies, LockAsksForABoxLockWithoutExpiry)
{
    const wchar_t kLock[] = L"{\"lock\":{\"access\":\"lock\",\"is_download_prevented\":true}}\n";
    EXPECT_EQ(BuildLockJson(), kLock);
}

TEST(BoxBodies, PreflightRenameAndSessions)
{
    EXPECT_EQ(BuildPreflightJson(L"a \"b\".txt", L"42", 5000000000),
              L"{\"name\":\"a \\\"b\\\".txt\",\"parent\":{\"id\":\"42\"},\"size\":5000000000}");
    EXPECT_EQ(BuildPreflightJson(L"", L"0", 0), L"{\"name\":\"\",\"parent\":{\"id\":\"0\"},\"size\":0}");
    EXPECT_EQ(BuildRenameJson(L"New \\ name"), L"{\"name\":\"New \\\\ name\"}\n");
    EXPECT_EQ(BuildUploadSessionJson(L"big.bin", 52428800, L"42"),
              L"{\"file_name\":\"big.bin\",\"file_size\":52428800,\"folder_id\":\"42\"}");
    EXPECT_EQ(BuildVersionUploadSessionJson(L"big.bin", 4294967296),
              L"{\"file_name\":\"big.bin\",\"file_size\":4294967296}");
}

TEST(BoxBodies, MultipartContentTypeMatchesTheBoundary)
{
    EXPECT_STREQ(kMultipartContentType,
                 L"multipart/form-data; boundary=----DavEdovuzeroUploadFile75840BFS674RW896E4F9");
}
