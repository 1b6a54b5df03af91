#include "protocol/frame_decoder.h"

#include "core/global.h"
#include "link/codepage.h"
#include "link/erros.h"
#include "protocol/frame_io.h"

#include <algorithm>

using namespace FrameLayouts;

namespace FrameDecoder {

namespace {

bool allDigits(const QByteArray &bytes) {
    return !bytes.isEmpty() &&
           std::all_of(bytes.begin(), bytes.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Digits with `decimals` implied decimals: "0000012345", 3 -> "12,345". Anything that is not
// all digits is shown as it came.
QString numberText(const QByteArray &bytes, int decimals) {
    if (!allDigits(bytes))
        return QString::fromLatin1(bytes);
    QByteArray whole = bytes.left(bytes.size() - decimals);
    while (whole.size() > 1 && whole.startsWith('0'))
        whole.remove(0, 1);
    if (whole.isEmpty())
        whole = "0";
    const QByteArray fraction = bytes.right(decimals);
    return QString::fromLatin1(decimals > 0 ? whole + ',' + fraction : whole);
}

// Printer text as the PC shows it, trailing spaces and zero bytes dropped, line breaks as the
// viewer's text view writes them.
QString printerText(uint32_t model, const QByteArray &bytes) {
    QByteArray used = bytes.left(bytes.indexOf('\0') < 0 ? bytes.size() : bytes.indexOf('\0'));
    while (used.endsWith(' '))
        used.chop(1);
    QString out =
        Codepage::fromWindows1252(FrameIO::pcText(model, used.constData(), int(used.size())));
    out.replace(QLatin1Char('\r'), QStringLiteral("[CR]"))
        .replace(QLatin1Char('\n'), QStringLiteral("[LF]"));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

QString pairs(const QByteArray &bytes, const char *separators) {
    QString out;
    for (int i = 0; i + 1 < bytes.size(); i += 2) {
        if (i > 0)
            out += QLatin1Char(separators[i / 2 - 1]);
        out += QString::fromLatin1(bytes.mid(i, 2));
    }
    return out;
}

const Choice *choiceFor(const Field &f, const QByteArray &bytes) {
    for (const Choice &c : f.choices) {
        if (c.code == bytes)
            return &c;
    }
    return nullptr;
}

QString valueText(uint32_t model, const Field &f, const QByteArray &bytes,
                  const QByteArray &previous) {
    switch (f.kind) {
    case Kind::Fixed:
        return f.choices.first().label;
    case Kind::Text:
        return printerText(model, bytes);
    case Kind::Digits:
        return QString::fromLatin1(bytes);
    case Kind::Number:
        return numberText(bytes, f.decimals) + f.unit;
    case Kind::Quantity:
        return bytes.contains(',') ? QString::fromLatin1(bytes) : numberText(bytes, 0);
    case Kind::Choice: {
        const Choice *c = choiceFor(f, bytes);
        return c ? c->label : QStringLiteral("? ") + QString::fromLatin1(bytes);
    }
    case Kind::Letter:
        return bytes.size() == 1 && bytes[0] >= 'A' && bytes[0] <= 'P'
                   ? QStringLiteral("%1").arg(bytes[0] - 'A' + 1, 2, 10, QLatin1Char('0'))
                   : QStringLiteral("? ") + QString::fromLatin1(bytes);
    case Kind::LinkedIndex: {
        const int n = allDigits(bytes) ? bytes.toInt() : 0;
        if (n > 50)
            return QStringLiteral("%1 vinculada").arg(n - 50, 2, 10, QLatin1Char('0'));
        return QString::fromLatin1(bytes);
    }
    case Kind::Adjustment:
        // A percentage sits in four of the digits; an amount has two decimals.
        if (previous == "0" || previous == "2")
            return numberText(f.percentFirst ? bytes.left(4) : bytes.right(4), 2) +
                   QStringLiteral(" %");
        return numberText(bytes, 2);
    case Kind::Date:
        return pairs(bytes, "//");
    case Kind::DateTime:
        return pairs(bytes.left(6), "//") + QLatin1Char(' ') + pairs(bytes.mid(6), "::");
    }
    return {};
}

struct Attempt {
    bool complete = false; // every field and no byte left over
    int matched = 0;       // prefix, fixed and choice bytes that matched
    bool refused = false;  // a fixed byte or a choice did not match
    QList<DecodedField> fields;
};

Attempt attempt(uint32_t model, const Layout &l, const QByteArray &frame) {
    Attempt a;
    a.matched = int(l.prefix.size());
    int at = int(l.prefix.size());
    QByteArray previous;
    for (const Field &f : l.fields) {
        if (at > frame.size() || (at == frame.size() && f.width > 0))
            return a; // cut short: decoded as far as it goes
        QByteArray bytes;
        if (f.width == Field::Variable) {
            const int end = f.end >= 0 ? int(frame.indexOf(char(f.end), at)) : -1;
            bytes = frame.mid(at, end < 0 ? -1 : end - at);
            at += int(bytes.size()) + (end < 0 ? 0 : 1);
        } else {
            bytes = frame.mid(at, f.width);
            at += f.width;
        }
        if (f.kind == Kind::Fixed || f.kind == Kind::Choice) {
            if (!choiceFor(f, bytes)) {
                a.refused = true;
                return a;
            }
            a.matched += int(bytes.size());
        }
        if (!f.name.isEmpty())
            a.fields.append({f.name, valueText(model, f, bytes, previous)});
        previous = bytes;
    }
    a.complete = at == frame.size();
    return a;
}

DecodedFrame decodeWith(uint32_t model, const QByteArray &frame, bool &found) {
    DecodedFrame best;
    Attempt chosen;
    found = false;
    for (const Layout &l : layouts(model)) {
        if (!frame.startsWith(l.prefix))
            continue;
        Attempt a = attempt(model, l, frame);
        if (a.refused)
            continue;
        if (!found ||
            std::pair(a.complete, a.matched) > std::pair(chosen.complete, chosen.matched)) {
            found = true;
            chosen = a;
            best.layout = &l;
        }
    }
    if (found) {
        best.command = best.layout->name;
        best.fields = chosen.fields;
    }
    return best;
}

} // namespace

QString hexText(const QByteArray &bytes) {
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QString DecodedFrame::fieldsText() const {
    QStringList parts;
    for (const DecodedField &f : fields)
        parts << f.name + QStringLiteral(": ") + f.value;
    return parts.join(QStringLiteral("; "));
}

DecodedFrame decodeFrame(uint32_t model, const QByteArray &frame) {
    bool found = false;
    for (uint32_t m : model == ModelA || model == ModelB ? QList<uint32_t>{model}
                                                         : QList<uint32_t>{ModelA, ModelB}) {
        DecodedFrame decoded = decodeWith(m, frame, found);
        if (found)
            return decoded;
    }
    DecodedFrame unknown;
    unknown.command = QStringLiteral("desconhecido");
    unknown.fields.append({QStringLiteral("bytes"), hexText(frame)});
    return unknown;
}

DecodedAnswer decodeAnswer(uint32_t model, const DecodedFrame &frame, const QByteArray &answer) {
    if (answer.isEmpty())
        return {AnswerState::Silent, QStringLiteral("sem resposta")};
    const Layout *l = frame.layout;
    if (!l)
        return {AnswerState::Unknown, QStringLiteral("desconhecido: ") + hexText(answer)};
    model = l->model;
    if (!l->plainAnswer && FrameIO::isErrorAnswer(model, answer)) {
        const QByteArray code = answer.mid(2, 2);
        return {AnswerState::Refused,
                QStringLiteral("recusado: código %1 – %2")
                    .arg(QString::fromLatin1(code), errorTextFor(model, code))};
    }
    QString text = QStringLiteral("aceito");
    for (const Field &f : l->answer) {
        if (answer.size() >= f.at + f.width)
            text += QStringLiteral("; ") + f.name + QStringLiteral(": ") +
                    valueText(model, f, answer.mid(f.at, f.width), {});
    }
    return {AnswerState::Accepted, text};
}

} // namespace FrameDecoder
