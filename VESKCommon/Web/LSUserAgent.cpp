#include "LSUserAgent.h"

#include <urlmon.h>

namespace {

CStdStr<wchar_t> ReadUserAgent()
{
    char agent[1024] = {};
    DWORD size = sizeof(agent);
    if (FAILED(::ObtainUserAgentString(0, agent, &size)))
        return {};
    agent[sizeof(agent) - 1] = '\0';
    const int length = ::MultiByteToWideChar(CP_ACP, 0, agent, -1, nullptr, 0);
    if (length <= 1)
        return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, agent, -1, wide.data(), length);
    wide.resize(static_cast<size_t>(length) - 1);
    return CStdStr<wchar_t>(wide);
}

} // namespace

const CStdStr<wchar_t>& SystemUserAgent()
{
    static const CStdStr<wchar_t> agent = ReadUserAgent();
    return agent;
}
