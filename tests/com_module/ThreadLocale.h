// Runs a test step under a chosen thread locale and gives the thread its own back afterwards.
#pragma once

#include <windows.h>

class ThreadLocaleScope {
public:
    explicit ThreadLocaleScope(LCID locale) : m_saved(::GetThreadLocale()) { ::SetThreadLocale(locale); }
    ~ThreadLocaleScope() { ::SetThreadLocale(m_saved); }
    ThreadLocaleScope(const ThreadLocaleScope&) = delete;
    ThreadLocaleScope& operator=(const ThreadLocaleScope&) = delete;

private:
    const LCID m_saved;
};
