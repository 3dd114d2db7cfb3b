#include "base/Sha256.h"

#include <windows.h>
#include <bcrypt.h>

#include "base/UniqueHandle.h"

namespace {

constexpr ULONG kDigestSize = 32;
// BCryptHashData takes a ULONG count: a larger mapping goes in pieces.
constexpr size_t kPieceSize = size_t{1} << 30;

struct AlgorithmTraits {
    using Handle = BCRYPT_ALG_HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::BCryptCloseAlgorithmProvider(h, 0); }
};
struct HashTraits {
    using Handle = BCRYPT_HASH_HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::BCryptDestroyHash(h); }
};

bool Succeeded(NTSTATUS status) { return status >= 0; }

}  // namespace

std::string Sha256Hex(const uint8_t* data, size_t size) {
    BCRYPT_ALG_HANDLE rawAlgorithm = nullptr;
    if (!Succeeded(::BCryptOpenAlgorithmProvider(&rawAlgorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
        return std::string();
    const UniqueHandle<AlgorithmTraits> algorithm(rawAlgorithm);
    BCRYPT_HASH_HANDLE rawHash = nullptr;
    if (!Succeeded(::BCryptCreateHash(algorithm.get(), &rawHash, nullptr, 0, nullptr, 0, 0))) return std::string();
    const UniqueHandle<HashTraits> hash(rawHash);
    for (size_t done = 0; done < size;) {
        const size_t piece = size - done < kPieceSize ? size - done : kPieceSize;
        // The input is only read; the signature lacks the const.
        if (!Succeeded(::BCryptHashData(hash.get(), const_cast<PUCHAR>(data + done), static_cast<ULONG>(piece), 0)))
            return std::string();
        done += piece;
    }
    UCHAR digest[kDigestSize];
    if (!Succeeded(::BCryptFinishHash(hash.get(), digest, kDigestSize, 0))) return std::string();
    static const char kHexDigits[] = "0123456789abcdef";
    std::string text;
    for (const UCHAR byte : digest) {
        text += kHexDigits[byte >> 4];
        text += kHexDigits[byte & 0xF];
    }
    return text;
}
