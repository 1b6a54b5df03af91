#pragma once

// What the programming and maintenance tests share without a window: data-table columns in
// one line, and files read and written whole.
#include <QFile>
#include <QTest>

#include <array>

namespace fixture {

// columns<uint, QString>({"model", "text"}) declares a data table's columns.
template <class... T> void columns(const std::array<const char *, sizeof...(T)> &names) {
    int i = 0;
    (QTest::addColumn<T>(names[i++]), ...);
}

inline QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
inline bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

} // namespace fixture
