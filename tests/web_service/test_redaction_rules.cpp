// Which parts of a request or reply count as secrets, and what remains of them.
#include "LSHttpRecordingFiles.h"
#include "LSHttpRedaction.h"

#include <gtest/gtest.h>

using namespace LSHttpRedaction;

TEST(RedactionRules, FormFieldsLoseTheirCredentialsOnly)
{
    EXPECT_EQ(RedactFormFields("grant_type=refresh_token&refresh_token=R1&client_id=C&client_secret=S"),
              "grant_type=refresh_token&refresh_token=[redacted]&client_id=C&client_secret=[redacted]");
    EXPECT_EQ(RedactFormFields("grant_type=authorization_code&code=abc&client_id=C"),
              "grant_type=authorization_code&code=[redacted]&client_id=C");
    EXPECT_EQ(RedactFormFields("access_token=A&zip=code&codex=1"), "access_token=[redacted]&zip=code&codex=1");
}

TEST(RedactionRules, JsonTokenMembersLoseTheirValuesTheRestStaysByteForByte)
{
    EXPECT_EQ(RedactJsonMembers("{\"access_token\":\"A\\\"B\",\"expires_in\":3600,\"refresh_token\" : \"R\","
                                "\"token_type\":\"bearer\"}"),
              "{\"access_token\":\"[redacted]\",\"expires_in\":3600,\"refresh_token\" : \"[redacted]\","
              "\"token_type\":\"bearer\"}");
    // Box's error code is what a diagnosis needs; it is not the authorization code.
    EXPECT_EQ(RedactJsonMembers("{\"type\":\"error\",\"code\":\"not_found\"}"),
              "{\"type\":\"error\",\"code\":\"not_found\"}");
    EXPECT_EQ(RedactJsonMembers("{\"name\":\"access_token\",\"client_secret\":null}"),
              "{\"name\":\"access_token\",\"client_secret\":null}");
    EXPECT_EQ(RedactJsonMembers("{\"client_secret\":\"unterminated"), "{\"client_secret\":\"unterminated");
}

TEST(RedactionRules, AuthorizationKeepsOnlyItsScheme)
{
    EXPECT_EQ(RedactHeaderValue(L"Authorization", L"Bearer abc.def"), L"Bearer [redacted]");
    EXPECT_EQ(RedactHeaderValue(L"authorization", L"opaque"), L"[redacted]");
    EXPECT_EQ(RedactHeaderLines(L"Authorization: Bearer T1\r\nAuth-Type: OAUTH2\r\n"),
              L"Authorization: Bearer [redacted]\r\nAuth-Type: OAUTH2\r\n");
}

TEST(RedactionRules, BodiesAndUrls)
{
    EXPECT_EQ(RedactBody("refresh_token=R&a=1", L"application/x-www-form-urlencoded"), "refresh_token=[redacted]&a=1");
    EXPECT_EQ(RedactBody("refresh_token=R&a=1", L"application/json"), "refresh_token=R&a=1");
    EXPECT_EQ(RedactUrl(L"http://h/oauth2/token?code=XYZ&state=s"), L"http://h/oauth2/token?code=[redacted]&state=s");
    EXPECT_EQ(RedactUrl(L"http://h/2.0/users/me"), L"http://h/2.0/users/me");
}

TEST(RecordingNames, PathFieldIsTheSanitizedTargetWithoutHost)
{
    using namespace LSHttpRequestMocks;
    EXPECT_EQ(SanitizedUrlPath(L"http://127.0.0.1:5123"), L"");
    EXPECT_EQ(SanitizedUrlPath(L"http://h/search?query=" + std::wstring(200, L'x')).size(), 80u);
    const RecordingPlace place{L"C:\\rec", L"run"};
    EXPECT_EQ(RecordingFilePath(place, 123456, RecordKind::Response, L"POST", L"http://h/oauth2/token?code=S"),
              L"C:\\rec\\run_123456_res_POST_oauth2_token_code__redacted_.txt");
}
