// The main of the test programs without windows.
#include "support/test_main.h"

#include <QCoreApplication>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    return testing::runTestClasses(argc, argv);
}
