#include "support/test_main.h"

#include <QStringList>
#include <QTest>

#include <map>
#include <string>

namespace testing {

namespace {
// Sorted by name, so the programs run their classes in the same order everywhere.
std::map<std::string, std::function<std::unique_ptr<QObject>()>> &registry() {
    static std::map<std::string, std::function<std::unique_ptr<QObject>()>> classes;
    return classes;
}
} // namespace

bool registerTestClass(const char *name, std::function<std::unique_ptr<QObject>()> make) {
    return registry().emplace(name, std::move(make)).second;
}

int runTestClasses(int argc, char **argv) {
    QStringList chosen;
    QStringList options{QString::fromLocal8Bit(argv[0])};
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (options.size() == 1 && registry().count(arg.toStdString()))
            chosen << arg;
        else
            options << arg;
    }
    int failures = 0;
    for (const auto &[name, make] : registry()) {
        if (!chosen.isEmpty() && !chosen.contains(QString::fromStdString(name)))
            continue;
        std::unique_ptr<QObject> test = make();
        failures += QTest::qExec(test.get(), options);
    }
    return failures > 0 ? 1 : 0;
}

} // namespace testing
