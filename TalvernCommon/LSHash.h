// MD5 and SHA-1 digests through CryptoAPI. Files are streamed in bounded blocks, so any size
// hashes in constant memory.
#pragma once

#include "StdString.h"

#include <windows.h>

#include <array>
#include <cstddef>
#include <functional>
#include <memory>

class CLSHash {
public:
    using Sha1Digest = std::array<BYTE, 20>;
    // Polled between blocks; true stops the hashing.
    using CancelCheck = std::function<bool()>;

    // The MD5 digest of the lower-cased text's UTF-16 bytes as GUID text, so every letter case
    // of a text gives the same GUID. CryptoAPI failures are thrown as the bare HRESULT.
    static CStdStr<wchar_t> GetGuidForString(const CStdStr<wchar_t>& text);

    // The MD5 digest of the file's content as GUID text; an empty file gives
    // "{D98C1DD4-008F-04B2-E980-0998ECF8427E}". hash is empty when the file cannot be opened or
    // read (logged at ERROR) or when cancel answers true. CryptoAPI failures are thrown as the
    // bare HRESULT.
    static void GetHashForLocalFile(CStdStr<wchar_t>& hash, const CStdStr<wchar_t>& localPath,
                                    const CancelCheck& cancel);

    // SHA-1 of byteCount bytes. A CryptoAPI failure is logged and thrown as the bare HRESULT of
    // its Win32 error code.
    static Sha1Digest GetSha1ForData(size_t byteCount, const BYTE* bytes);

    // SHA-1 of the whole file. Failures (CryptoAPI, opening or reading the file) are logged and
    // thrown as the bare HRESULT of their Win32 error code.
    static Sha1Digest GetSha1ForFile(const CStdStr<wchar_t>& localPath);
};

// SHA-1 of content that arrives in pieces: content read once in parts is hashed on the way
// instead of being read a second time. CryptoAPI failures are logged and thrown as the bare
// HRESULT of their Win32 error code.
class CLSSha1Stream {
public:
    CLSSha1Stream();
    ~CLSSha1Stream();
    CLSSha1Stream(const CLSSha1Stream&) = delete;
    CLSSha1Stream& operator=(const CLSSha1Stream&) = delete;

    void Add(const BYTE* bytes, size_t byteCount);
    // The digest of everything added; nothing can be added afterwards.
    CLSHash::Sha1Digest Finish();

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};
