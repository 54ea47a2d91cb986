#include "BoxPageMarkerScan.h"

#include <array>

namespace Box_20 {

namespace {

// The bytes a skip over a value must stop at: quotes, brackets, and the slash of a comment.
constexpr std::array<bool, 256> kStructural = [] {
    std::array<bool, 256> table{};
    for (const unsigned char c : std::string_view("\"{}[]/"))
        table[c] = true;
    return table;
}();

// Walks the page's top-level members; every step answers false when it is not certain.
class PageScan {
public:
    explicit PageScan(std::string_view text) : m_text(text) {}

    std::optional<std::wstring> Run()
    {
        bool entriesSeen = false;
        bool markerSeen = false;
        std::wstring marker;
        if (!Take('{'))
            return std::nullopt;
        do {
            std::string_view name;
            if (!PlainString(name) || !Take(':'))
                return std::nullopt;
            bool read = false;
            if (name == "entries") {
                read = !entriesSeen && NonEmptyArray();
                entriesSeen = true;
            } else if (name == "next_marker") {
                read = !markerSeen && Marker(marker);
                markerSeen = true;
            } else {
                read = SkipValue();
            }
            if (!read)
                return std::nullopt;
        } while (Take(','));
        if (!Take('}') || !entriesSeen)
            return std::nullopt;
        return marker;
    }

private:
    void SkipSpace()
    {
        while (m_at < m_text.size() &&
               (m_text[m_at] == ' ' || m_text[m_at] == '\t' || m_text[m_at] == '\n' || m_text[m_at] == '\r'))
            ++m_at;
    }

    bool Take(char expected)
    {
        SkipSpace();
        if (m_at >= m_text.size() || m_text[m_at] != expected)
            return false;
        ++m_at;
        return true;
    }

    // A string without escapes; its bytes between the quotes.
    bool PlainString(std::string_view& text)
    {
        if (!Take('"'))
            return false;
        const size_t end = m_text.find_first_of("\"\\", m_at);
        if (end == std::string_view::npos || m_text[end] != '"')
            return false;
        text = m_text.substr(m_at, end - m_at);
        m_at = end + 1;
        return true;
    }

    bool Marker(std::wstring& marker)
    {
        SkipSpace();
        if (m_text.substr(m_at, 4) == "null") {
            m_at += 4;
            marker.clear();
            return true;
        }
        std::string_view text;
        if (!PlainString(text))
            return false;
        for (const char c : text) {
            if (c < 0x20 || c > 0x7e)
                return false;
        }
        marker.assign(text.begin(), text.end());
        return true;
    }

    bool NonEmptyArray()
    {
        const size_t start = m_at;
        if (!Take('[') || Take(']'))
            return false;
        m_at = start;
        return SkipValue();
    }

    // Any value, its nested brackets matched; strings are skipped escapes and all.
    bool SkipValue()
    {
        SkipSpace();
        if (m_at >= m_text.size())
            return false;
        if (!kStructural[static_cast<unsigned char>(m_text[m_at])])
            return SkipScalar();
        std::string closers;
        do {
            while (m_at < m_text.size() && !kStructural[static_cast<unsigned char>(m_text[m_at])])
                ++m_at;
            if (m_at >= m_text.size())
                return false;
            const char c = m_text[m_at];
            if (c == '"') {
                if (!SkipString())
                    return false;
                continue;
            }
            if (c == '/')
                return false;
            ++m_at;
            if (c == '{' || c == '[') {
                closers.push_back(c == '{' ? '}' : ']');
            } else if (closers.empty() || closers.back() != c) {
                return false;
            } else {
                closers.pop_back();
            }
        } while (!closers.empty());
        return true;
    }

    bool SkipString()
    {
        for (++m_at; m_at < m_text.size(); ++m_at) {
            if (m_text[m_at] == '\\') {
                ++m_at;
            } else if (m_text[m_at] == '"') {
                ++m_at;
                return true;
            }
        }
        return false;
    }

    // true, false, null or a number: what follows is checked by the member loop.
    bool SkipScalar()
    {
        const size_t start = m_at;
        while (m_at < m_text.size() && std::string_view("+-.0123456789Eaeflnrstu").find(m_text[m_at]) !=
                                           std::string_view::npos)
            ++m_at;
        return m_at > start;
    }

    std::string_view m_text;
    size_t m_at = 0;
};

} // namespace

std::optional<std::wstring> ScanNextMarker(std::string_view page) { return PageScan(page).Run(); }

} // namespace Box_20
