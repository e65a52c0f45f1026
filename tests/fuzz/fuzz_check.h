#pragma once

#include <cstdlib>

// A property every input must keep: the fuzzer reports the input that breaks it.
inline void check(bool condition)
{
    if (!condition) std::abort();
}
