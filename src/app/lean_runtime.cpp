// The C++ runtime's allocation functions and failure hooks for the setup program, which is built
// without exceptions; linked into the executable only (the test programs keep the runtime's own).
//
// The runtime's versions report failure by throwing, and a throw drags the whole exception
// machinery into the executable with them: unwinder, exception classes, strings, thread support
// and the name demangler of the terminate handler, about 150 KB that every user downloads. In a
// program without exceptions a throw can only end in termination, so these end the process at
// once instead; what the user sees is the same abnormal end.
#include <cstdlib>
#include <new>
#if defined(__GLIBCXX__)
#include <bits/functexcept.h>
#endif

void* operator new(std::size_t size)
{
    if (void* block = std::malloc(size != 0 ? size : 1)) {
        return block;
    }
    std::abort();
}

void* operator new[](std::size_t size)
{
    return ::operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return std::malloc(size != 0 ? size : 1);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return std::malloc(size != 0 ? size : 1);
}

void operator delete(void* block) noexcept
{
    std::free(block);
}

void operator delete[](void* block) noexcept
{
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}

void operator delete[](void* block, std::size_t) noexcept
{
    std::free(block);
}

void operator delete(void* block, const std::nothrow_t&) noexcept
{
    std::free(block);
}

void operator delete[](void* block, const std::nothrow_t&) noexcept
{
    std::free(block);
}

#if defined(__GLIBCXX__)
// libstdc++'s containers report impossible sizes and failed allocations through these functions,
// which its library defines as throws (all of them in one object, so all are replaced together).

namespace std {

void __throw_bad_exception()
{
    std::abort();
}
void __throw_bad_alloc()
{
    std::abort();
}
void __throw_bad_array_new_length()
{
    std::abort();
}
void __throw_bad_cast()
{
    std::abort();
}
void __throw_bad_typeid()
{
    std::abort();
}
void __throw_logic_error(const char*)
{
    std::abort();
}
void __throw_domain_error(const char*)
{
    std::abort();
}
void __throw_invalid_argument(const char*)
{
    std::abort();
}
void __throw_length_error(const char*)
{
    std::abort();
}
void __throw_out_of_range(const char*)
{
    std::abort();
}
void __throw_out_of_range_fmt(const char*, ...)
{
    std::abort();
}
void __throw_runtime_error(const char*)
{
    std::abort();
}
void __throw_range_error(const char*)
{
    std::abort();
}
void __throw_overflow_error(const char*)
{
    std::abort();
}
void __throw_underflow_error(const char*)
{
    std::abort();
}

} // namespace std
#endif
