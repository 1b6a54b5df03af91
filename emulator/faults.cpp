#include "faults.h"

#include <QRegularExpression>

namespace emu {

namespace {

struct KindName {
    Fault::Kind kind;
    const char *name;
    bool value; // takes =VALUE
};
constexpr KindName Kinds[] = {
    {Fault::Silent, "silent", false},  {Fault::PowerOff, "off", false},
    {Fault::ErrorCode, "error", true}, {Fault::Garbage, "garbage", false},
    {Fault::Truncated, "cut", false},  {Fault::PowerOffAfterAnswer, "off-after-answer", false},
    {Fault::Late, "late", true},
};

std::optional<Fault> failed(QString *error, const QString &message) {
    if (error)
        *error = message;
    return std::nullopt;
}

} // namespace

std::optional<Fault> parseFault(const QString &text, QString *error) {
    static const QRegularExpression shape(
        QStringLiteral("^([a-z-]+)(?:=([0-9]+))?(?:@([0-9]{1,6}))?$"));
    const QRegularExpressionMatch m = shape.match(text.trimmed().toLower());
    const auto kind = std::find_if(std::begin(Kinds), std::end(Kinds), [&](const KindName &k) {
        return m.hasMatch() && m.captured(1) == QLatin1String(k.name);
    });
    if (kind == std::end(Kinds))
        return failed(error, QStringLiteral("falha desconhecida: \"%1\" (use silent, off, "
                                            "error=CÓDIGO, garbage, cut, off-after-answer ou "
                                            "late=MS, com @N opcional)")
                                 .arg(text));
    Fault fault;
    fault.kind = kind->kind;
    const QString value = m.captured(2);
    if (kind->value != !value.isEmpty())
        return failed(
            error,
            kind->value
                ? QStringLiteral("a falha %1 precisa de um valor (%1=...)")
                      .arg(QLatin1String(kind->name))
                : QStringLiteral("a falha %1 não leva valor").arg(QLatin1String(kind->name)));
    if (fault.kind == Fault::ErrorCode) {
        if (value.size() != 2)
            return failed(error, QStringLiteral("o código de erro tem dois dígitos (error=16)"));
        fault.code = value.toLatin1();
    }
    if (fault.kind == Fault::Late) {
        if (value.size() > 6)
            return failed(error, QStringLiteral("o atraso vai até 999999 ms"));
        fault.delayMs = value.toInt();
    }
    if (!m.captured(3).isEmpty()) {
        fault.step = m.captured(3).toInt();
        if (fault.step < 1)
            return failed(error, QStringLiteral("@N conta a partir de 1"));
    }
    return fault;
}

QString faultText(const Fault &fault) {
    const auto kind = std::find_if(std::begin(Kinds), std::end(Kinds),
                                   [&](const KindName &k) { return k.kind == fault.kind; });
    QString text = QLatin1String(kind->name);
    if (fault.kind == Fault::ErrorCode)
        text += QLatin1Char('=') + QString::fromLatin1(fault.code);
    if (fault.kind == Fault::Late)
        text += QLatin1Char('=') + QString::number(fault.delayMs);
    if (fault.step != 1)
        text += QLatin1Char('@') + QString::number(fault.step);
    return text;
}

} // namespace emu
