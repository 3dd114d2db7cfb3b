#include "engine/RegBuffer.h"

bool RegBuffer::Grow(size_t bytes) {
    if (m_data && bytes <= m_size) return true;
    char* larger = m_registry->Allocate(bytes);
    if (!larger) return false;
    if (m_data) m_registry->Free(m_data);
    m_data = larger;
    m_size = bytes;
    return true;
}
