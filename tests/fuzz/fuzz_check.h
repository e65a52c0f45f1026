#pragma once

#include <cstdio>
#include <cstdlib>

// A property every input must keep: the fuzzer reports the input that breaks it, and
// the line says which property it was.
inline void check(bool condition, const char* file = __builtin_FILE(), int line = __builtin_LINE())
{
    if (condition) return;
    std::fprintf(stderr, "%s:%d: property broken\n", file, line);
    std::abort();
}
