// Request bodies where the bytes themselves matter; the stand-in checks their shapes.
#include "BoxRequestBodies.h"
#include "ByteArrays.h"
#include "ThrownHresult.h"
#include "WireTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using namespace Box_20;
using TestSupport::ThrownHresult;

namespace {

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
    if (value.vt != (VT_ARRAY | VT_UI1))
        return {};
    const TalvernCommon::SafeArrayData data(value.parray);
    return std::vector<BYTE>(data.Bytes(), data.Bytes() + value.parray->rgsabound[0].cElements);
}

std::shared_ptr<EMailCustomPropsRec> MailProps(OptionalDate received)
{
    return std::make_shared<EMailCustomPropsRec>(L"ann@example.com", received, OptionalDate{}, L"Q3", L"bob@example.com",
                                                 L"", L"", L"c1", L"AQHX", L"Q3", L"<m1@example.com>", 0);
}

} // namespace

TEST(BoxBodies, MultipartFrameHoldsTheContentAndAUtf8NameThatCannotBreakThePartHeader)
{
    UploadFileRecord record = RecordOf(L"\x6F22.txt", {0x00, 0xFF, 0x41});
    BuildMultipartUploadBody(record);
    std::string prefix = WideToUtf8Lossy(record.MultipartPrefix);
    const std::string suffix = WideToUtf8Lossy(record.MultipartSuffix);
    EXPECT_NE(prefix.find("; filename=\"\xE6\xBC\xA2.txt\"\r\n"), std::string::npos) << prefix;
    const std::string whole = prefix + std::string("\x00\xFF\x41", 3) + suffix;
    EXPECT_EQ(BytesOf(BuildMultipartVariant(record)), std::vector<BYTE>(whole.begin(), whole.end()));

    record = RecordOf(L"x\"y\r\nContent-Type: text/html\r\n\r\n.txt", {'z'});
    BuildMultipartUploadBody(record);
    prefix = WideToUtf8Lossy(record.MultipartPrefix);
    EXPECT_NE(prefix.find("; filename=\"x%22y%0D%0AContent-Type: text/html%0D%0A%0D%0A.txt\"\r\n"
                          "Content-Type: application/octet-stream\r\n\r\n"),
              std::string::npos)
        << prefix;
    // The attributes keep the name as JSON text, which is what Box stores.
    EXPECT_NE(prefix.find("{\"name\":\"x\\\"y\\r\\nContent-Type: text/html\\r\\n\\r\\n.txt\""), std::string::npos);
}

TEST(BoxBodies, NeverSendsBytesItDoesNotHave)
{
    UploadFileRecord record = RecordOf(L"a.txt", {1, 2, 3});
    record.Size = 4;
    BuildMultipartUploadBody(record);
    EXPECT_EQ(ThrownHresult([&] { BuildMultipartVariant(record); }), E_INVALIDARG);
    record.Content.reset();
    EXPECT_EQ(ThrownHresult([&] { BuildMultipartVariant(record); }), E_INVALIDARG);

    const auto buffer = std::make_shared<ByteBuffer>(ByteBuffer{9, 8, 7, 6, 5});
    EXPECT_EQ(BytesOf(MakeByteArrayVariant(3, buffer)), (std::vector<BYTE>{9, 8, 7}));
    EXPECT_TRUE(BytesOf(MakeByteArrayVariant(0, nullptr)).empty());
    EXPECT_EQ(buffer.use_count(), 1);
    for (const int64_t count : {int64_t{-1}, int64_t{6}, int64_t{0x100000000}})
        EXPECT_EQ(ThrownHresult([&] { MakeByteArrayVariant(count, buffer); }), E_INVALIDARG) << count;
}

TEST(BoxBodies, JsonBodiesLeaveOutDatesWithoutCalendarFormAndKeepSizesBeyond4GiB)
{
    const std::wstring dated = BuildEmailPropsJson(MailProps({45356.0 + 0.5, true}));
    EXPECT_NE(dated.find(L"\"received\":\"2024-03-05T12:00:00.000Z\""), std::wstring::npos) << dated;
    const std::wstring body = BuildEmailPropsJson(MailProps({1.0e10, true}));
    EXPECT_EQ(body.find(L"received"), std::wstring::npos);
    EXPECT_NE(body.find(L"\"internetmessageid\":\"<m1@example.com>\",\"subject\""), std::wstring::npos);
    EXPECT_EQ(ThrownHresult([] { BuildEmailPropsJson(nullptr); }), E_INVALIDARG);

    EXPECT_EQ(BuildLockJson(), L"{\"lock\":{\"access\":\"lock\",\"is_download_prevented\":true}}\n");
    EXPECT_EQ(BuildPreflightJson(L"a.txt", L"42", 5000000000),
              L"{\"name\":\"a.txt\",\"parent\":{\"id\":\"42\"},\"size\":5000000000}");
    EXPECT_EQ(BuildVersionUploadSessionJson(L"big.bin", 4294967296),
              L"{\"file_name\":\"big.bin\",\"file_size\":4294967296}");
    EXPECT_EQ(BuildCommitPartsJson({{L"E8A3ED8E", 5368709120, 100}}),
              L"{\"parts\":[{\"offset\":5368709120,\"part_id\":\"E8A3ED8E\",\"size\":100}]}\n");
}
