// The Box client's own failures. Each message is the failing function's qualified name, one
// blank and the condition; the filter matches on the text, so the layout is fixed.
#pragma once

#include "StdString.h"

#include <exception>
#include <string>

namespace Box_20 {

class ApiException : public std::exception {
public:
    explicit ApiException(CStdStr<wchar_t> message);

    const CStdStr<wchar_t>& GetText() const noexcept { return m_message; }
    // The message in UTF-8, so that a catch-all that only knows std::exception still logs it.
    const char* what() const noexcept override { return m_narrow.c_str(); }

private:
    CStdStr<wchar_t> m_message;
    std::string m_narrow;
};

// The content reached Box but a later step of the upload failed. The new file's id travels with
// the failure so that the caller can keep the item linked to what Box stored.
class MultiphaseException : public ApiException {
public:
    explicit MultiphaseException(CStdStr<wchar_t> message, CStdStr<wchar_t> fileId = {});

    const CStdStr<wchar_t>& GetFileId() const noexcept { return m_fileId; }

private:
    CStdStr<wchar_t> m_fileId;
};

// place + " " + condition, ready to throw.
ApiException JoinWithSpace(const std::wstring& place, const std::wstring& condition);
MultiphaseException JoinWithSpaceMultiphase(const std::wstring& place, const std::wstring& condition,
                                            const std::wstring& fileId = {});

} // namespace Box_20
