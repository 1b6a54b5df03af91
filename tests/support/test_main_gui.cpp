// The main of the test programs that show windows.
#include "support/test_main.h"

#include <QApplication>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true); // as QTEST_MAIN does: positions as on any screen
    return testing::runTestClasses(argc, argv);
}
