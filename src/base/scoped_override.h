// A value replaced for the lifetime of the object and given back at the end: how a test pins one
// of the program's replaceable functions (its seams) for exactly one scope.
#pragma once

#include <type_traits>
#include <utility>

namespace ph {

// The type is the target's: ScopedOverride pin(Seams().messageBox, Answer) pins one function of a
// table of seams, ScopedOverride pin(LaunchSeam(), Record) a seam that stands alone.
template <typename T>
class ScopedOverride {
public:
    ScopedOverride(T& target, std::type_identity_t<T> replacement) : m_target(target), m_saved(std::move(target))
    {
        m_target = std::move(replacement);
    }
    ~ScopedOverride() { m_target = std::move(m_saved); }
    ScopedOverride(const ScopedOverride&) = delete;
    ScopedOverride& operator=(const ScopedOverride&) = delete;

    // The value in force before this object replaced it (the real system call, for a seam).
    const T& Saved() const { return m_saved; }

private:
    T& m_target;
    T m_saved;
};

} // namespace ph
