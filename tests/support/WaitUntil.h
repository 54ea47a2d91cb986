// Awaits a condition that another thread or process brings about, within a generous bound.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace TestSupport {

// False when the condition did not hold within the timeout; asks it every 10 ms.
inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = std::chrono::seconds(30))
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace TestSupport
