// The bare reference of the hash benchmark: the SHA-1 of a file with CryptoAPI alone, read in
// 1 MiB blocks. Prints "run <seconds> <hex digest>" per repeat.
//   bare_cryptoapi_sha1 FILE REPEATS
#include <windows.h>
#include <wincrypt.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <vector>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: bare_cryptoapi_sha1 FILE REPEATS\n");
        return 2;
    }
    HCRYPTPROV provider = 0;
    if (!::CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
        return 1;
    std::vector<BYTE> buffer(1024 * 1024);
    for (long run = 0, repeats = std::wcstol(argv[2], nullptr, 10); run < repeats; ++run) {
        const auto start = std::chrono::steady_clock::now();
        HANDLE file = ::CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        HCRYPTHASH hash = 0;
        if (file == INVALID_HANDLE_VALUE || !::CryptCreateHash(provider, CALG_SHA1, 0, 0, &hash))
            return 1;
        DWORD read = 0;
        while (::ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) && read != 0)
            ::CryptHashData(hash, buffer.data(), read, 0);
        BYTE digest[20] = {};
        DWORD size = sizeof(digest);
        ::CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0);
        ::CryptDestroyHash(hash);
        ::CloseHandle(file);
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
        std::printf("run %.3f ", seconds.count());
        for (BYTE b : digest)
            std::printf("%02x", b);
        std::printf("\n");
    }
    ::CryptReleaseContext(provider, 0);
    return 0;
}
