// CStdStr: the wide string of the whole system, a standard string with the few members the code
// keeps asking for (case-aware comparison, trimming, case mapping, replacement).
#pragma once

#include <windows.h>

#include <cwctype>
#include <string>
#include <string_view>

template <typename CT>
class CStdStr : public std::basic_string<CT> {
public:
    using base = std::basic_string<CT>;
    using base::base;

    CStdStr() = default;
    CStdStr(const base& text) : base(text) {}
    CStdStr(base&& text) noexcept : base(std::move(text)) {}
    // A null C string is an empty text, as callers receiving null BSTRs expect.
    CStdStr(const CT* text) : base(text != nullptr ? base(text) : base()) {}

    // Exact equality when caseSensitive, else equality ignoring letter case.
    bool Equals(std::basic_string_view<CT> other, bool caseSensitive) const;

    // Removes leading and trailing white space in place.
    CStdStr& Trim()
    {
        return TrimIf([](CT c) { return std::iswspace(static_cast<wint_t>(c)) != 0; });
    }

    // Removes every leading and trailing character that is one of `characters`, in place.
    CStdStr& Trim(std::basic_string_view<CT> characters)
    {
        return TrimIf([characters](CT c) { return characters.find(c) != std::basic_string_view<CT>::npos; });
    }

    // Replaces every occurrence of from by to, scanning on after each replacement; returns the count.
    size_t Replace(std::basic_string_view<CT> from, std::basic_string_view<CT> to)
    {
        if (from.empty())
            return 0;
        size_t count = 0;
        for (size_t at = this->find(from.data(), 0, from.size()); at != base::npos;
             at = this->find(from.data(), at + to.size(), from.size())) {
            this->replace(at, from.size(), to.data(), to.size());
            ++count;
        }
        return count;
    }

    bool StartsWith(std::basic_string_view<CT> prefix) const
    {
        return this->size() >= prefix.size() && this->compare(0, prefix.size(), prefix.data(), prefix.size()) == 0;
    }

    bool EndsWith(std::basic_string_view<CT> suffix) const
    {
        return this->size() >= suffix.size() &&
               this->compare(this->size() - suffix.size(), suffix.size(), suffix.data(), suffix.size()) == 0;
    }

    CStdStr ToLower() const;
    CStdStr ToUpper() const;

private:
    template <typename Predicate>
    CStdStr& TrimIf(Predicate shouldTrim)
    {
        size_t end = this->size();
        while (end > 0 && shouldTrim((*this)[end - 1]))
            --end;
        size_t start = 0;
        while (start < end && shouldTrim((*this)[start]))
            ++start;
        this->erase(end);
        this->erase(0, start);
        return *this;
    }
};

using CStdStrW = CStdStr<wchar_t>;

// Case mapping and caseless comparison go through the system's locale tables: the C runtime's
// lower-casing knows only ASCII here.
template <>
inline CStdStr<wchar_t> CStdStr<wchar_t>::ToLower() const
{
    CStdStr<wchar_t> result(*this);
    if (!result.empty())
        ::LCMapStringW(LOCALE_INVARIANT, LCMAP_LOWERCASE, c_str(), static_cast<int>(size()), result.data(),
                       static_cast<int>(result.size()));
    return result;
}

template <>
inline CStdStr<wchar_t> CStdStr<wchar_t>::ToUpper() const
{
    CStdStr<wchar_t> result(*this);
    if (!result.empty())
        ::LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, c_str(), static_cast<int>(size()), result.data(),
                       static_cast<int>(result.size()));
    return result;
}

template <>
inline bool CStdStr<wchar_t>::Equals(std::wstring_view other, bool caseSensitive) const
{
    if (caseSensitive)
        return std::wstring_view(*this) == other;
    return ::CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, c_str(), static_cast<int>(size()), other.data(),
                            static_cast<int>(other.size())) == CSTR_EQUAL;
}
