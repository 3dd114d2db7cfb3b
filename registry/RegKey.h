#pragma once
#include "registry/Registry.h"

// Owns one open key; closes it through the registry that opened it. The
// predefined root keys are never closed.
class RegKey {
public:
    RegKey() = default;
    RegKey(IRegistryCommon& registry, HKEY key) : m_registry(&registry), m_key(key) {}
    ~RegKey() { reset(); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    RegKey(RegKey&& other) noexcept : m_registry(other.m_registry), m_key(other.release()) {}
    RegKey& operator=(RegKey&& other) noexcept;

    explicit operator bool() const { return m_key != nullptr; }
    HKEY get() const { return m_key; }
    HKEY release() { HKEY key = m_key; m_key = nullptr; return key; }
    void reset();

private:
    IRegistryCommon* m_registry = nullptr;
    HKEY m_key = nullptr;
};
