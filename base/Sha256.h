#pragma once
// SHA-256 through Windows' own CNG provider (bcrypt.dll), so that no hashing
// code of Kestrin's own needs trusting.
#include <cstddef>
#include <cstdint>
#include <string>

// The SHA-256 of size bytes at data in lower-case hex; empty when the
// platform could not hash them.
std::string Sha256Hex(const uint8_t* data, size_t size);
