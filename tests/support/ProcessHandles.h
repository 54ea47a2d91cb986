// How many kernel handles this process holds, read from the system's handle table: the process's
// own count (GetProcessHandleCount) is not kept by every platform this runs on.
#pragma once

#include <windows.h>
#include <winternl.h>

#include <cstddef>
#include <vector>

namespace TestSupport {

// 0 when the table cannot be read.
inline size_t OpenHandleCount()
{
    constexpr NTSTATUS kLengthMismatch = static_cast<NTSTATUS>(0xC0000004);
    std::vector<BYTE> buffer(64 * 1024);
    ULONG needed = 0;
    NTSTATUS status;
    while ((status = ::NtQuerySystemInformation(SystemHandleInformation, buffer.data(),
                                                static_cast<ULONG>(buffer.size()), &needed)) == kLengthMismatch)
        buffer.resize(std::max<size_t>(buffer.size() * 2, needed));
    if (status != 0)
        return 0;
    const auto* table = reinterpret_cast<const SYSTEM_HANDLE_INFORMATION*>(buffer.data());
    size_t own = 0;
    for (ULONG i = 0; i < table->Count; ++i)
        own += table->Handle[i].OwnerPid == ::GetCurrentProcessId() ? 1 : 0;
    return own;
}

} // namespace TestSupport
