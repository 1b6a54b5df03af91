#include "link/erros.h"

#include "core/global.h"
#include "core/messages.h"
#include "link/codepage.h"

#include <QByteArray>

#include <cstring>

namespace {

QString codeText(const uint8_t *code, int codeLength) {
    // The code is shown as the printer sent it, in the PC's code page.
    return Codepage::fromWindows1252(
        QByteArray(reinterpret_cast<const char *>(code), codeLength > 0 ? codeLength : 0));
}

} // namespace

QString errorMessageText(const ErrorEntry *table, int tableSize, const uint8_t *code) {
    return errorMessageText(table, tableSize, code, 2);
}

QString errorMessageText(const ErrorEntry *table, int tableSize, const uint8_t *code,
                         int codeLength) {
    if (!code)
        codeLength = 0;
    const ErrorEntry *found = nullptr;
    // A code cut short by a short answer matches no entry.
    if (codeLength == 2) {
        for (int i = 0; i < tableSize && !found; ++i) {
            if (std::memcmp(table[i].code, code, 2) == 0)
                found = &table[i];
        }
    }
    return QStringLiteral("ERRO: ") + codeText(code, codeLength) + QStringLiteral("\r\n\n") +
           (found ? QString::fromUtf8(found->message) : QStringLiteral("Erro desconhecido"));
}

bool showErrorAnswer(const ErrorEntry *table, int tableSize, int length, const uint8_t *answer) {
    // The code is at bytes 2 and 3. An answer cut short shows what arrived of the code and
    // nothing is read beyond its length.
    const int codeLength = length >= 4 ? 2 : (length > 2 ? length - 2 : 0);
    const uint8_t *code = codeLength > 0 ? answer + 2 : nullptr;
    showMessage(errorMessageText(table, tableSize, code, codeLength), QStringLiteral("Erro"),
                MessageButtons::Ok, MessageStyle::Error);
    return false;
}

bool showNoAnswer() {
    showMessage(QStringLiteral("ERRO DE COMUNICAÇÃO!"), QStringLiteral("Erro"), MessageButtons::Ok,
                MessageStyle::Error);
    return false;
}

QString errorTextFor(uint32_t modelCode, const QByteArray &code) {
    const bool a = modelCode == ModelA;
    if ((a || modelCode == ModelB) && code.size() == 2) {
        const ErrorEntry *table = a ? Erros210::Table : Erros4700::Table;
        const int size = a ? Erros210::TableSize : Erros4700::TableSize;
        for (int i = 0; i < size; ++i) {
            if (std::memcmp(table[i].code, code.constData(), 2) == 0)
                return QString::fromUtf8(table[i].message)
                    .replace(QStringLiteral(" \r\n"), QStringLiteral(" "))
                    .replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        }
    }
    return QStringLiteral("Erro desconhecido");
}

bool CheckResponseFor(uint32_t modelCode, int length, const uint8_t *answer) {
    switch (modelCode) {
    case ModelB:
        return Erros4700::CheckResponse(length, answer);
    case ModelA:
        return Erros210::CheckResponse(length, answer);
    default:
        return true;
    }
}
