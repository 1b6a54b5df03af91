#include "maintenance/usr_file.h"

#include "core/file_replace.h"
#include "link/codepage.h"

#include <QFile>

namespace UserFile {
namespace {

void put(QByteArray &image, int offset, int width, const QByteArray &text) {
    image.replace(offset, std::min<qsizetype>(text.size(), width), text.left(width));
}

void put(QByteArray &image, int offset, int width, const QString &text) {
    put(image, offset, width, Codepage::toWindows1252(text));
}

QString field(const QByteArray &bytes, int offset, int width) {
    return Codepage::fromWindows1252(bytes.mid(offset, width)).trimmed();
}

} // namespace

QByteArray modelName(uint32_t modelCode) {
    switch (modelCode) {
    case 1:
        return QByteArrayLiteral("MV4700");
    case 2:
        return QByteArrayLiteral("MV210");
    default:
        return {};
    }
}

QByteArray build(uint32_t modelCode, const QString &serial, const Contents &contents) {
    QByteArray image(Size, ' ');
    put(image, ModelOffset, ModelWidth, modelName(modelCode));
    put(image, SerialOffset, SerialWidth, serial);
    put(image, CnpjOffset, CnpjWidth, contents.cnpj);
    put(image, IeOffset, TextWidth, contents.ie);
    put(image, ImOffset, TextWidth, contents.im);
    put(image, CodeOffset, CodeWidth, contents.code);
    return image;
}

QString defaultFileName(uint32_t modelCode, const QString &serial) {
    const QString prefix = modelCode == 1 ? QStringLiteral("_4700") : QStringLiteral("_210");
    return prefix + QStringLiteral("NS") + serial + QStringLiteral(".usr");
}

QString serialCopyName(const QString &serial) {
    return QStringLiteral("NS") + serial + QStringLiteral(".usr");
}

Reading read(const QByteArray &bytes, const QString &printerSerial) {
    Reading reading;
    if (bytes.isEmpty()) {
        reading.problem = Problem::Empty;
        return reading;
    }
    QByteArray buffer(ReadLimit, ' ');
    buffer.replace(0, std::min<qsizetype>(bytes.size(), ReadLimit), bytes.left(ReadLimit));
    const QByteArray model = buffer.left(10);
    if (model != "MV210     " && model != "MV4700    " && model != "MV210_4700") {
        reading.problem = Problem::WrongFormat;
        return reading;
    }
    reading.serialMatches =
        buffer.mid(SerialOffset, SerialWidth) == Codepage::toWindows1252(printerSerial);
    reading.contents.cnpj = field(buffer, CnpjOffset, CnpjShown);
    reading.contents.ie = field(buffer, IeOffset, TextWidth);
    reading.contents.im = field(buffer, ImOffset, TextWidth);
    reading.contents.code = reading.serialMatches ? field(buffer, CodeOffset, CodeWidth) : NoCode;
    return reading;
}

bool writeReplacing(const QString &path, const QByteArray &data, QString *error) {
    return writeFileReplacing(path, data, error);
}

QByteArray readForImport(const QString &path, bool &ok) {
    QFile file(path);
    ok = file.open(QIODevice::ReadOnly);
    return ok ? file.read(ReadLimit) : QByteArray();
}

} // namespace UserFile
