#include "maintenance/intervention.h"

#include "core/global.h"
#include "core/messages.h"
#include "link/erros.h"
#include "protocol/command_set.h"

#include <cstring>

namespace Intervention {

bool run(CommandSet &commands, const Request &request, ClicheRecord &cliche) {
    std::memset(&cliche, 0, sizeof cliche);
    if (!commands.ReadCliche(cliche)) {
        // Both models show a refusal, and model A a silent printer too; model B leaves a
        // silent printer to the caller. A status poll tells the two apart: when it gets no
        // answer either, the printer is silent, and the user is told so.
        StatusRecord status;
        if (toolState().ModelCode == ModelB && !commands.ReadStatus(status))
            showNoAnswer();
        return false;
    }
    const bool daylightSaving = commands.IsDaylightSavingTime();

    if (request.clearProgramming) {
        ClicheRecord none{};
        if (!commands.TechnicalIntervention(true, false, none))
            return false;
    }
    if (request.clearHeader) {
        static constexpr uint8_t EmptyHeader[] = {'\r', '\n', 0xFF};
        std::memcpy(cliche.text, EmptyHeader, sizeof EmptyHeader);
        cliche.length = sizeof EmptyHeader;
    }
    invalidateConfigurationCache();

    const QByteArray ecf = request.ecfNumber.left(4).rightJustified(4, '0');
    std::memcpy(cliche.ecfNumber, ecf.constData(), 4);
    if (!commands.TechnicalIntervention(false, true, cliche))
        return false;

    toolState().EcfNumber.set(QString::fromLatin1(ecf));
    if (daylightSaving)
        commands.SetDaylightSavingTime(1);
    return true;
}

void tellDone(bool clockOnly) {
    showMessage(clockOnly ? QStringLiteral("Ajsute do relógio realizado com sucesso!")
                          : QStringLiteral("Intervenção executada com sucesso!"),
                QStringLiteral("Aviso"), MessageButtons::Ok, MessageStyle::Information);
}

QByteArray ecfDigits(const QString &typed) {
    QByteArray digits;
    for (QChar c : typed) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digits += char(c.unicode());
    }
    return digits.right(4).rightJustified(4, '0');
}

QString statusLine(const QString &serial, const QString &firmware, const QString &ecfNumber) {
    return QStringLiteral(" Núm. Série: ") + serial + QStringLiteral("       SB: V.") + firmware +
           QStringLiteral("       Núm. ECF: ") + ecfNumber;
}

} // namespace Intervention
