#include "LSHash.h"

#include "LSDiag.h"
#include "UniqueResource.h"

#include <objbase.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

using TalvernCommon::unique_any;
using TalvernCommon::unique_hfile;

namespace {

// Bounded, so that files of any size hash in constant memory.
constexpr DWORD kFileBlockSize = 1024 * 1024;

struct CryptHashTraits {
    using type = HCRYPTHASH;
    static type invalid() noexcept { return 0; }
    static void close(type hash) noexcept { ::CryptDestroyHash(hash); }
};
using unique_hcrypthash = unique_any<CryptHashTraits>;

// A failed CryptoAPI call, with its Win32 error code.
struct CryptoFailure {
    DWORD code;
};

// A failed file operation, with its Win32 error code.
struct FileFailure {
    DWORD code;
};

DWORD LastErrorOr(DWORD fallback)
{
    const DWORD code = ::GetLastError();
    return code != ERROR_SUCCESS ? code : fallback;
}

HRESULT AsHResult(DWORD code) { return HRESULT_FROM_WIN32(code); }

std::string Hex(DWORD code)
{
    char text[9] = {};
    std::snprintf(text, sizeof(text), "%08lx", static_cast<unsigned long>(code));
    return text;
}

// Acquiring the provider costs milliseconds (under Wine about 9 ms): one is kept for the process,
// and every digest makes its own hash object from it. It is never released: the process's end
// frees it, where a static destructor would call into the system under the loader lock. A failed
// acquisition is tried again next time.
HCRYPTPROV SharedProvider()
{
    static std::mutex lock;
    static HCRYPTPROV provider = 0;
    const std::lock_guard<std::mutex> guard(lock);
    if (provider == 0 && !::CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
        provider = 0;
        throw CryptoFailure{LastErrorOr(static_cast<DWORD>(NTE_FAIL))};
    }
    return provider;
}

class Digest {
public:
    explicit Digest(ALG_ID algorithm)
    {
        if (!::CryptCreateHash(SharedProvider(), algorithm, 0, 0, m_hash.put()))
            throw CryptoFailure{LastErrorOr(static_cast<DWORD>(NTE_FAIL))};
    }

    void Add(const BYTE* bytes, size_t count)
    {
        while (count > 0) {
            const DWORD piece = static_cast<DWORD>(std::min<size_t>(count, MAXDWORD));
            if (!::CryptHashData(m_hash.get(), bytes, piece, 0))
                throw CryptoFailure{LastErrorOr(static_cast<DWORD>(NTE_FAIL))};
            bytes += piece;
            count -= piece;
        }
    }

    std::vector<BYTE> Finish()
    {
        DWORD size = 0;
        DWORD sizeLength = sizeof(size);
        if (!::CryptGetHashParam(m_hash.get(), HP_HASHSIZE, reinterpret_cast<BYTE*>(&size), &sizeLength, 0))
            throw CryptoFailure{LastErrorOr(static_cast<DWORD>(NTE_FAIL))};
        std::vector<BYTE> value(size);
        if (!::CryptGetHashParam(m_hash.get(), HP_HASHVAL, value.data(), &size, 0))
            throw CryptoFailure{LastErrorOr(static_cast<DWORD>(NTE_FAIL))};
        value.resize(size);
        return value;
    }

private:
    unique_hcrypthash m_hash;
};

// The 16 digest bytes laid over a GUID, as the system has always rendered content hashes.
CStdStr<wchar_t> GuidText(const std::vector<BYTE>& md5)
{
    GUID guid{};
    std::memcpy(&guid, md5.data(), std::min(md5.size(), sizeof(guid)));
    wchar_t text[39] = {};
    ::StringFromGUID2(guid, text, static_cast<int>(std::size(text)));
    return CStdStr<wchar_t>(text);
}

CLSHash::Sha1Digest ToSha1Digest(const std::vector<BYTE>& value)
{
    CLSHash::Sha1Digest digest{};
    std::memcpy(digest.data(), value.data(), std::min(value.size(), digest.size()));
    return digest;
}

unique_hfile OpenForHashing(const CStdStr<wchar_t>& path)
{
    return unique_hfile{::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr)};
}

// Feeds the file to digest block by block; false when cancel asked to stop.
// A small file gets a block of its own size, and a byte more so that its end shows in one read: a
// whole block for each of many small documents is memory the platform maps and unmaps every time.
DWORD FileBlockSize(HANDLE file)
{
    constexpr DWORD kSmallestBlock = 4096;
    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(file, &size) || size.QuadPart < 0)
        return kFileBlockSize;
    return static_cast<DWORD>(std::clamp<LONGLONG>(size.QuadPart + 1, kSmallestBlock, kFileBlockSize));
}

bool HashFileContent(HANDLE file, Digest& digest, const CLSHash::CancelCheck& cancel)
{
    const DWORD blockSize = FileBlockSize(file);
    std::vector<BYTE> block(blockSize);
    for (;;) {
        if (cancel && cancel())
            return false;
        DWORD read = 0;
        if (!::ReadFile(file, block.data(), blockSize, &read, nullptr))
            throw FileFailure{LastErrorOr(ERROR_READ_FAULT)};
        if (read == 0)
            return true;
        digest.Add(block.data(), read);
    }
}

} // namespace

CStdStr<wchar_t> CLSHash::GetGuidForString(const CStdStr<wchar_t>& text)
{
    const CStdStr<wchar_t> lowered = text.ToLower();
    try {
        Digest digest(CALG_MD5);
        digest.Add(reinterpret_cast<const BYTE*>(lowered.data()), lowered.size() * sizeof(wchar_t));
        return GuidText(digest.Finish());
    } catch (const CryptoFailure& failure) {
        LOG(ERROR) << "CLSHash::GetGuidForString: Caught exception generating hash : 0x" << Hex(failure.code);
        throw AsHResult(failure.code);
    }
}

void CLSHash::GetHashForLocalFile(CStdStr<wchar_t>& hash, const CStdStr<wchar_t>& localPath, const CancelCheck& cancel)
{
    hash.clear();
    const unique_hfile file = OpenForHashing(localPath);
    if (!file) {
        const DWORD error = ::GetLastError();
        LOG(ERROR) << "CLSHash::GetHashForLocalFile" << ": Error opening file to hash : " << LSDiag::LogText(localPath)
                   << " : " << error;
        return;
    }
    try {
        Digest digest(CALG_MD5);
        if (!HashFileContent(file.get(), digest, cancel)) {
            VLOG(1) << "CLSHash::GetHashForLocalFile: cancelled hashing " << LSDiag::LogText(localPath);
            return;
        }
        hash = GuidText(digest.Finish());
    } catch (const FileFailure& failure) {
        // A digest of part of the file would pass for the content's: no hash at all.
        LOG(ERROR) << "CLSHash::GetHashForLocalFile" << ": Error reading file to hash : " << LSDiag::LogText(localPath)
                   << " : " << failure.code;
    } catch (const CryptoFailure& failure) {
        LOG(ERROR) << "CLSHash::GetHashForLocalFile: Caught exception generating hash from file : 0x"
                   << Hex(failure.code);
        throw AsHResult(failure.code);
    }
}

CLSHash::Sha1Digest CLSHash::GetSha1ForData(size_t byteCount, const BYTE* bytes)
{
    try {
        Digest digest(CALG_SHA1);
        digest.Add(bytes, byteCount);
        return ToSha1Digest(digest.Finish());
    } catch (const CryptoFailure& failure) {
        LOG(ERROR) << "CLSHash::GetSha1ForData" << ": Caught exception generating hash from chunk : 0x"
                   << Hex(failure.code);
        throw AsHResult(failure.code);
    }
}

CLSHash::Sha1Digest CLSHash::GetSha1ForFile(const CStdStr<wchar_t>& localPath)
{
    try {
        const unique_hfile file = OpenForHashing(localPath);
        if (!file)
            throw FileFailure{LastErrorOr(ERROR_OPEN_FAILED)};
        Digest digest(CALG_SHA1);
        HashFileContent(file.get(), digest, CancelCheck());
        return ToSha1Digest(digest.Finish());
    } catch (const CryptoFailure& failure) {
        LOG(ERROR) << "CLSHash::GetSha1ForFile" << ": Caught exception generating hash from file : 0x"
                   << Hex(failure.code);
        throw AsHResult(failure.code);
    } catch (const FileFailure& failure) {
        LOG(ERROR) << "CLSHash::GetSha1ForFile" << ": Caught exception hashing file for chunked upload : "
                   << LSDiag::LogText(localPath) << " : " << failure.code;
        throw AsHResult(failure.code);
    }
}

class CLSSha1Stream::Impl {
public:
    Digest digest{CALG_SHA1};
};

CLSSha1Stream::CLSSha1Stream()
{
    try {
        m_impl = std::make_unique<Impl>();
    } catch (const CryptoFailure& failure) {
        LOG(ERROR) << "CLSSha1Stream" << ": Caught exception starting hash : 0x" << Hex(failure.code);
        throw AsHResult(failure.code);
    }
}

CLSSha1Stream::~CLSSha1Stream() = default;

void CLSSha1Stream::Add(const BYTE* bytes, size_t byteCount)
{
    try {
        m_impl->digest.Add(bytes, byteCount);
    } catch (const CryptoFailure& failure) {
        LOG(ERROR) << "CLSSha1Stream::Add" << ": Caught exception generating hash from chunk : 0x" << Hex(failure.code);
        throw AsHResult(failure.code);
    }
}

CLSHash::Sha1Digest CLSSha1Stream::Finish()
{
    try {
        return ToSha1Digest(m_impl->digest.Finish());
    } catch (const CryptoFailure& failure) {
        LOG(ERROR) << "CLSSha1Stream::Finish" << ": Caught exception generating hash : 0x" << Hex(failure.code);
        throw AsHResult(failure.code);
    }
}
