// Multipart uploads below 52,428,800 bytes, and the metadata that follows a new file.
#include "UploadFixture.h"

#include "BoxExceptions.h"
#include "BoxRecords.h"
#include "BoxUploads.h"
#include "LSNamedProperties.h"

using namespace BoxUploads;

namespace {

using StandardUpload = UploadTest;

TEST_F(StandardUpload, JustBelowTheSessionSizeGoesUpInOneRequest)
{
    const LocalFile file = LocalFile::WithPattern(kChunkedThreshold - 1, 11);
    Box_20::UploadFileRecord record = NewFileRecord(file, L"large.bin");

    const CStdStr<wchar_t> id = Box_20::UploadFile(informer_.get(), record);

    EXPECT_EQ(id, record.FileId);
    EXPECT_EQ(file.Sha1Hex(), StoredSha1(id));
    EXPECT_EQ(kChunkedThreshold - 1, standIn_.Item("file", WideToUtf8Lossy(id))["size"].asUInt64());
    EXPECT_EQ(1u, Requests("POST", "/api/2.0/files/content").size());
    EXPECT_EQ(0u, Sessions().size());
}

TEST_F(StandardUpload, ANewVersionReplacesTheContent)
{
    const std::string fileId = standIn_.SeedPatternFile("notes.txt", 100, 2);
    const LocalFile file = LocalFile::WithPattern(3 * kMiB + 5, 12);
    Box_20::UploadFileRecord record = VersionRecord(file, fileId, L"notes.txt");

    EXPECT_EQ(AnsiToWide(fileId), Box_20::UploadFileVersion(informer_.get(), record));

    const Json::Value stored = standIn_.Item("file", fileId);
    EXPECT_EQ(file.Sha1Hex(), stored["sha1"].asString());
    EXPECT_EQ("2", stored["version_number"].asString());
    EXPECT_EQ(1u, Requests("POST", "/api/2.0/files/" + fileId + "/content").size());
}

Box_20::EMailCustomPropsRec MailProps()
{
    return Box_20::EMailCustomPropsRec(L"Ann Sender", {45000.5, true}, {45000.25, true}, L"Quarterly \"numbers\"",
                                       L"Bob", L"Cy", L"", L"conv-1", L"AQID", L"Quarterly", L"<m1@example.com>", 1);
}

TEST_F(StandardUpload, AMailFileCarriesItsEmailPropertiesAndFingerprint)
{
    const LocalFile file = LocalFile::WithPattern(4000, 5);
    const auto item = TestHost::TestPropertyMap::Create();
    item->SetText(static_cast<const wchar_t*>(LSNamedProperties::VESKDuplicateHash), L"{0123-HASH}");
    Box_20::UploadFileRecord record = NewFileRecord(file, L"mail.msg", item.get());
    record.EmailTemplateName = L"emailProps";
    record.FingerprintTemplateName = L"fingerprint";
    record.EmailProps = std::make_shared<Box_20::EMailCustomPropsRec>(MailProps());

    const CStdStr<wchar_t> id = Box_20::UploadFile(informer_.get(), record);

    const Json::Value metadata = standIn_.Item("file", WideToUtf8Lossy(id))["metadata"]["enterprise_1234567"];
    EXPECT_EQ("Ann Sender", metadata["emailProps"]["from"].asString());
    EXPECT_EQ("Quarterly \"numbers\"", metadata["emailProps"]["subject"].asString());
    EXPECT_EQ(1, metadata["emailProps"]["hasattachments"].asInt());
    EXPECT_EQ("2023-03-15T12:00:00.000Z", metadata["emailProps"]["received"].asString());
    EXPECT_EQ("{0123-HASH}", metadata["fingerprint"]["fingerprint"].asString());
}

TEST_F(StandardUpload, AFailedMetadataStepStillHandsBackTheStoredFile)
{
    AddFault(R"({"method":"POST","path":"/2.0/files/*/metadata/*/*","status":409,
                 "metadata_error":{"code":"tuple_already_exists","message":"exists"}})");
    const LocalFile file = LocalFile::WithPattern(4000, 6);
    const auto item = TestHost::TestPropertyMap::Create();
    Box_20::UploadFileRecord record = NewFileRecord(file, L"mail.eml", item.get());
    record.EmailTemplateName = L"emailProps";
    record.EmailProps = std::make_shared<Box_20::EMailCustomPropsRec>(MailProps());

    try {
        Box_20::UploadFile(informer_.get(), record);
        FAIL() << "the metadata step failed";
    } catch (const Box_20::MultiphaseException& error) {
        ASSERT_FALSE(error.GetFileId().empty());
        EXPECT_EQ(file.Sha1Hex(), StoredSha1(error.GetFileId())) << "the id is that of the stored file";
        EXPECT_NE(std::wstring::npos, error.GetText().find(L"tuple_already_exists")) << error.what();
    }
}

} // namespace
