#include "support/test_main.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace lexiquill::test {
namespace {

using Run = int (*)(int argc, char** argv);

std::map<std::string, Run, std::less<>>& tests()
{
    // Filled while the test sources' statics are initialised, in no set order.
    static std::map<std::string, Run, std::less<>> all;
    return all;
}

std::string_view baseName(std::string_view path)
{
    path.remove_prefix(path.find_last_of('/') + 1);
    return path.substr(0, path.find('.'));
}

}  // namespace

bool registerTest(const char* source, Run run)
{
    if (!tests().emplace(baseName(source), run).second) {
        std::fprintf(stderr, "Two tests are named %s\n", source);
        std::abort();
    }
    return true;
}

}  // namespace lexiquill::test

int main(int argc, char* argv[])
{
    const auto& tests = lexiquill::test::tests();
    const auto test = argc > 1 ? tests.find(std::string_view(argv[1])) : tests.end();
    if (test == tests.end()) {
        std::fprintf(stderr, "Usage: %s TEST [Qt Test options and functions]\nTests:\n", argv[0]);
        for (const auto& entry : tests) std::fprintf(stderr, "  %s\n", entry.first.c_str());
        return 2;
    }
    // The test sees a command line of its own, named after it as its own executable was,
    // so that its application name (and all that follows from it) stays its own.
    const std::string_view executable(argv[0]);
    std::string name(executable.substr(0, executable.find_last_of('/') + 1));
    name += test->first;
    argv[1] = name.data();
    return test->second(argc - 1, argv + 1);
}
