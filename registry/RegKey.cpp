#include "registry/RegKey.h"

#include "registry/RootKeys.h"

RegKey& RegKey::operator=(RegKey&& other) noexcept {
    if (this != &other) {
        reset();
        m_registry = other.m_registry;
        m_key = other.release();
    }
    return *this;
}

void RegKey::reset() {
    if (m_key && !IsPredefinedKey(m_key)) m_registry->CloseKey(m_key);
    m_key = nullptr;
}
