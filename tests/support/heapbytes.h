// The bytes this process holds on its heap now: checks that what a reader keeps
// stays within a bound proportional to its input (no timing involved).
#pragma once
#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
// The address sanitizer's own count (its header is not always installed).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace testsupport {

inline std::size_t heapBytesInUse() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
#endif
}

}  // namespace testsupport
