#include "fiscal/voucher_entry.h"

#include "core/global.h"
#include "link/codepage.h"

#include <algorithm>
#include <cstring>

namespace VoucherEntry {

QString problemText(Problem problem) {
    switch (problem) {
    case Problem::NoLinkedMethod:
        return QStringLiteral("Não há forma de pagamento vinculada programada na impressora!");
    case Problem::NoLinkedTotalizer:
        return QStringLiteral("Não há totalizador vinculado programado para esta forma de "
                              "pagamento!");
    case Problem::None:
        break;
    }
    return {};
}

QByteArray digitField(const QString &text, int width) {
    QByteArray digits;
    for (QChar c : text)
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digits += char(c.unicode());
    return digits.right(width).rightJustified(width, '0');
}

bool withCurrentCoo(const std::function<bool(char *coo)> &open) {
    char coo[6];
    std::memcpy(coo, digitField(toolState().CurrentCOO.get(), 6).constData(), sizeof coo);
    if (!open(coo))
        return false;
    toolState().CurrentCOO.set(QString::fromLatin1(coo, sizeof coo));
    return true;
}

Problem fillLinkedVoucher(uint32_t modelCode, const ProgrammingLists &lists, int index,
                          const QString &coo, const QString &amountDigits,
                          LinkedVoucherRecord &record) {
    std::memset(&record, 0, sizeof record);
    const CodedList &methods = lists.linkedPayments;
    const QByteArray method = methods.codeAt(index);
    if (method.isEmpty())
        return Problem::NoLinkedMethod;
    // The same position that codeAt() took: the two lists correspond item by item.
    const int at = index < 0 || index >= methods.codes.size() ? 0 : index;
    if (modelCode == ModelA) {
        if (at >= lists.linkedTotalizerLetters.size())
            return Problem::NoLinkedTotalizer;
        record.method[0] = uint8_t(method.at(0));
        record.linkedTotalizer = uint8_t(lists.linkedTotalizerLetters.at(at));
    } else {
        const QByteArray two = method.rightJustified(2, '0').right(2);
        std::memcpy(record.method, two.constData(), 2);
    }
    std::memcpy(record.coo, digitField(coo, 6).constData(), 6);
    std::memcpy(record.amount, digitField(amountDigits, 12).constData(), 12);
    return Problem::None;
}

QByteArray documentText(const QString &memo) {
    QString text = memo;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    // A zero byte inside the text would end it early: the rest would be lost silently.
    text.remove(QChar(0));
    return Codepage::toWindows1252(text);
}

int authenticationLength(uint32_t modelCode) {
    return modelCode == ModelA ? 13 : 18;
}

QByteArray authenticationText(uint32_t modelCode, const QString &text) {
    // The printer's frame ends at the first LF: a control character pasted into the text
    // would cut the frame short and leave the rest to be read as another command.
    QString kept = text.left(authenticationLength(modelCode));
    for (QChar &c : kept)
        if (c.unicode() < 0x20)
            c = QLatin1Char(' ');
    return Codepage::toWindows1252(kept);
}

} // namespace VoucherEntry
