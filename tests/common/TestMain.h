#pragma once

#include <QObject>

#include <functional>

// Several test classes in one test program: each registers itself, and the
// program's main runs them all and fails when any fails.
namespace TestMain {
using Factory = std::function<QObject*()>;
bool add(const char* name, Factory factory);
int runAll(int argc, char** argv);
} // namespace TestMain

#define LIVRO_TEST(Class)                                                                          \
    static const bool registered_##Class = TestMain::add(#Class, [] { return new Class; });

#define LIVRO_TEST_MAIN(AppClass)                                                                  \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        AppClass app(argc, argv);                                                                  \
        return TestMain::runAll(argc, argv);                                                       \
    }
