#pragma once
// A move-only owner for one platform handle. Each handle kind supplies a
// traits type with Invalid() and Close(h); copying is deleted so that a
// handle is closed exactly once, by whoever holds it last.
#include <utility>

template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() noexcept : m_handle(Traits::Invalid()) {}
    explicit UniqueHandle(Handle h) noexcept : m_handle(h) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    explicit operator bool() const noexcept { return m_handle != Traits::Invalid(); }
    Handle get() const noexcept { return m_handle; }

    // Gives up ownership; the caller closes the handle.
    Handle release() noexcept { return std::exchange(m_handle, Traits::Invalid()); }

    // Closes the held handle (if any) and takes ownership of h.
    void reset(Handle h = Traits::Invalid()) noexcept {
        Handle old = std::exchange(m_handle, h);
        if (old != Traits::Invalid()) Traits::Close(old);
    }

private:
    Handle m_handle;
};
