// Which parts of a request or reply count as secrets, and what remains of them.
#include "LSHttpRedaction.h"

#include <gtest/gtest.h>

using namespace LSHttpRedaction;

TEST(RedactionRules, FormFieldsAndUrlsLoseTheirCredentialsOnly)
{
    EXPECT_EQ(RedactFormFields("grant_type=refresh_token&refresh_token=R1&client_id=C&client_secret=S"),
              "grant_type=refresh_token&refresh_token=[redacted]&client_id=C&client_secret=[redacted]");
    EXPECT_EQ(RedactFormFields("code=abc&access_token=A&zip=code&codex=1"),
              "code=[redacted]&access_token=[redacted]&zip=code&codex=1");
    EXPECT_EQ(RedactBody("refresh_token=R&a=1", L"application/x-www-form-urlencoded"), "refresh_token=[redacted]&a=1");
    EXPECT_EQ(RedactBody("refresh_token=R&a=1", L"application/json"), "refresh_token=R&a=1");
    EXPECT_EQ(RedactUrl(L"http://h/oauth2/token?code=XYZ&state=s"), L"http://h/oauth2/token?code=[redacted]&state=s");
}

TEST(RedactionRules, JsonTokenMembersLoseTheirValuesTheRestStaysByteForByte)
{
    EXPECT_EQ(RedactJsonMembers("{\"access_token\":\"A\\\"B\",\"expires_in\":3600,\"refresh_token\" : \"R\"}"),
              "{\"access_token\":\"[redacted]\",\"expires_in\":3600,\"refresh_token\" : \"[redacted]\"}");
    // Box's error code is what a diagnosis needs; it is not the authorization code.
    for (const char* kept : {"{\"type\":\"error\",\"code\":\"not_found\"}", "{\"name\":\"access_token\",\"client_secret\":null}",
                             "{\"client_secret\":\"unterminated"})
        EXPECT_EQ(RedactJsonMembers(kept), kept);
}

TEST(RedactionRules, AuthorizationKeepsOnlyItsScheme)
{
    EXPECT_EQ(RedactHeaderValue(L"authorization", L"opaque"), L"[redacted]");
    EXPECT_EQ(RedactHeaderLines(L"Authorization: Bearer T1\r\nAuth-Type: OAUTH2\r\n"),
              L"Authorization: Bearer [redacted]\r\nAuth-Type: OAUTH2\r\n");
}
