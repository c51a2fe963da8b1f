// The card's code uses neither exceptions nor RTTI. These replacements keep
// the C++ runtime's exception machinery, its demangler and its string-based
// exception classes out of the executable (over 100 KB of a card that is
// meant to be mailed around). What would have thrown ends the process, which
// is what an uncaught exception would have done.
#include <stdlib.h>

#include <new>

void* operator new(size_t size)
{
    void* block = malloc(size ? size : 1);
    if (!block)
        abort();
    return block;
}

void* operator new[](size_t size)
{
    return operator new(size);
}

void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    return malloc(size ? size : 1);
}

void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    return malloc(size ? size : 1);
}

void operator delete(void* block) noexcept { free(block); }
void operator delete[](void* block) noexcept { free(block); }
void operator delete(void* block, size_t) noexcept { free(block); }
void operator delete[](void* block, size_t) noexcept { free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { free(block); }

namespace std {

void __throw_bad_alloc() { abort(); }
void __throw_bad_array_new_length() { abort(); }
void __throw_length_error(const char*) { abort(); }
void __throw_logic_error(const char*) { abort(); }
void __throw_out_of_range(const char*) { abort(); }
void __throw_out_of_range_fmt(const char*, ...) { abort(); }

} // namespace std

namespace __gnu_cxx {

void __verbose_terminate_handler() { abort(); }

} // namespace __gnu_cxx
