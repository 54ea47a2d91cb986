// Host methods clear their out-parameters before anything else, so a caller never reads garbage
// after a failure.
#pragma once

// Sets the out-parameter to its cleared value; false when the caller passed none.
template <typename T, typename V>
bool ClearOutParam(T* out, V cleared) noexcept
{
    if (out == nullptr)
        return false;
    *out = cleared;
    return true;
}
