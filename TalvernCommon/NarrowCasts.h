// Checked integer conversions: a value that would change on the way is an error, not a surprise.
#pragma once

#include <exception>
#include <type_traits>

namespace TalvernCommon::narrowcasts {

class narrowing_error : public std::exception {
public:
    const char* what() const noexcept override { return "narrowing_error"; }
};

// `value` as a To, or narrowing_error when To cannot hold it (too large, too small, or a sign
// that would flip between signed and unsigned).
template <typename To, typename From>
constexpr To narrow(From value)
{
    static_assert(std::is_integral_v<To> && std::is_integral_v<From>, "narrow converts integers");
    const To result = static_cast<To>(value);
    if (static_cast<From>(result) != value)
        throw narrowing_error();
    if constexpr (std::is_signed_v<To> != std::is_signed_v<From>) {
        if ((result < To{}) != (value < From{}))
            throw narrowing_error();
    }
    return result;
}

} // namespace TalvernCommon::narrowcasts
