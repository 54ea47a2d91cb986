// A file written beside its target under a temporary name and moved over the target only once
// complete: a failed or cancelled write never leaves a partial file under the target's name.
#pragma once

#include "UniqueResource.h"

#include <windows.h>

#include <cstdint>
#include <string>

class LSStagedFile {
public:
    // Creates the temporary file in the target's folder. Throws hresult_exception when it cannot.
    explicit LSStagedFile(std::wstring targetPath);
    LSStagedFile(const LSStagedFile&) = delete;
    LSStagedFile& operator=(const LSStagedFile&) = delete;
    // Removes the temporary file unless it was committed.
    ~LSStagedFile();

    // Throws hresult_exception on a failed write (a full disk, for one).
    void Write(const void* data, DWORD size);
    uint64_t BytesWritten() const { return m_bytesWritten; }

    // Closes the file and moves it over the target, replacing what was there.
    void Commit();

    const std::wstring& TemporaryPath() const { return m_temporaryPath; }

private:
    std::wstring m_targetPath;
    std::wstring m_temporaryPath;
    TalvernCommon::unique_hfile m_file;
    uint64_t m_bytesWritten = 0;
    bool m_committed = false;
};
