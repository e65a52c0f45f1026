#pragma once
// Every source of a test executable starts with this header (it ends the executable's
// precompiled header). Qt's QTEST_MAIN, QTEST_GUILESS_MAIN and QTEST_APPLESS_MAIN each
// define main(); here they register the test class under its source file's name instead,
// and the executable's one main() (test_main.cpp) runs the test its first argument names.
// Several test classes thus share one executable, which links Qt and our libraries once,
// while CTest still runs each on its own and a test source stays an ordinary Qt Test one.
#include <QTest>

namespace lexiquill::test {
// Makes the test class that `run` runs known to main() by `source`'s file name without
// its folder and extension ("tst_acronym").
bool registerTest(const char* source, int (*run)(int argc, char** argv));
}  // namespace lexiquill::test

// Qt's own wrapper (qtest.h) with its main() turned into a registered function.
#undef QTEST_MAIN_WRAPPER
#define QTEST_MAIN_WRAPPER(TestObject, ...)                                                    \
    namespace {                                                                                \
    int runTest(int argc, char* argv[])                                                        \
    {                                                                                          \
        QT_PREPEND_NAMESPACE(QTest::Internal::callInitMain)<TestObject>();                     \
        __VA_ARGS__                                                                            \
        TestObject tc;                                                                         \
        QTEST_SET_MAIN_SOURCE_PATH                                                             \
        return QTest::qExec(&tc, argc, argv);                                                  \
    }                                                                                          \
    [[maybe_unused]] const bool registered = lexiquill::test::registerTest(__FILE__, runTest); \
    }
