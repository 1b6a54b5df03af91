#pragma once

// One test program per folder of tests/: each test class registers itself with
// TOOL_TEST_CLASS(Class) at the end of its file, and the folder's program runs them all, one
// after the other, with Qt Test's own options.
//
//   test_fiscal                          every class
//   test_fiscal MacroFileTest -v2        only the classes named first, then Qt Test options
//   test_fiscal MacroFileTest roundTrip  one function of one class
#include <QObject>

#include <functional>
#include <memory>

namespace testing {
bool registerTestClass(const char *name, std::function<std::unique_ptr<QObject>()> make);
int runTestClasses(int argc, char **argv);
} // namespace testing

#define TOOL_TEST_CLASS(Class)                                                                     \
    static const bool Class##Registered = testing::registerTestClass(                              \
        #Class, [] { return std::unique_ptr<QObject>(std::make_unique<Class>()); });
