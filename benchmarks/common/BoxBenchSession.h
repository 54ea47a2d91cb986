// A benchmark's session with the Box stand-in: COM started on this thread, the product pointed at
// the stand-in through the user setting "Mock.BoxService" and holding the stand-in's tokens. The
// setting and the tokens the run stored are removed on every way out.
#pragma once

#include "UniqueResource.h"

#include <string>

namespace Bench {

class BoxBenchSession {
public:
    BoxBenchSession(const std::wstring& baseUrl, const std::wstring& accessToken, const std::wstring& refreshToken);
    BoxBenchSession(const BoxBenchSession&) = delete;
    BoxBenchSession& operator=(const BoxBenchSession&) = delete;

private:
    class ComApartment {
    public:
        ComApartment();
        ~ComApartment();
        ComApartment(const ComApartment&) = delete;
        ComApartment& operator=(const ComApartment&) = delete;
    };

    class StandInSettings {
    public:
        explicit StandInSettings(const std::wstring& baseUrl);
        ~StandInSettings();
        StandInSettings(const StandInSettings&) = delete;
        StandInSettings& operator=(const StandInSettings&) = delete;

    private:
        TalvernCommon::unique_hkey m_key;
    };

    // Declared in this order so that the settings go before COM does.
    ComApartment m_apartment;
    StandInSettings m_settings;
};

// A listing through the filter object needs the e-mail template's name: "mailProps" while it
// lives.
class EmailTemplateSetting {
public:
    EmailTemplateSetting();
    ~EmailTemplateSetting();
    EmailTemplateSetting(const EmailTemplateSetting&) = delete;
    EmailTemplateSetting& operator=(const EmailTemplateSetting&) = delete;

private:
    TalvernCommon::unique_hkey m_key;
};

} // namespace Bench
