#include "core/printer_present.h"

#include "core/global.h"
#include "core/messages.h"

bool printerMissing() {
    if (toolState().PrinterPresent)
        return false;
    showMessage(QStringLiteral("Não existe impressora!"), QStringLiteral("Erro"),
                MessageButtons::Ok, MessageStyle::Error);
    return true;
}
