// The local file of an upload, read exactly. A file that cannot be read, or that holds other than
// the bytes the upload announced, fails the upload: bytes that were never read are never hashed
// or sent, and a file is never cut short on Box.
#pragma once

#include "StdString.h"
#include "UniqueResource.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace Box_20 {

class LocalUploadFile {
public:
    // Opens the file for reading, other programs keeping their right to read and write it, and
    // checks that it holds exactly `size` bytes. Throws ApiException "<place> ..." otherwise.
    LocalUploadFile(const CStdStr<wchar_t>& path, uint64_t size, std::wstring place);

    uint64_t Size() const { return m_size; }

    // Reads `count` bytes at `offset`. Throws ApiException when the file gives fewer.
    void ReadAt(uint64_t offset, BYTE* bytes, size_t count);
    // Hands the `size` bytes at `offset` to `use` in order, at most 1 MiB at a time. Throws as ReadAt.
    void ReadInBlocks(uint64_t offset, uint64_t size, const std::function<void(const BYTE*, size_t)>& use);

private:
    [[noreturn]] void Fail(const std::wstring& condition) const;

    CStdStr<wchar_t> m_path;
    uint64_t m_size;
    std::wstring m_place;
    TalvernCommon::unique_hfile m_file;
};

} // namespace Box_20
