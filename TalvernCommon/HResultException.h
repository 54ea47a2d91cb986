// The system's own failure type: an HRESULT with a narrow message.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

class hresult_exception : public std::exception {
public:
    hresult_exception(HRESULT hr, std::string message) : m_hr(hr), m_message(std::move(message)) {}

    HRESULT hr() const noexcept { return m_hr; }
    const char* what() const noexcept override { return m_message.c_str(); }

private:
    HRESULT m_hr;
    std::string m_message;
};
