#include "app/printer_present.h"

#include "app/global.h"
#include "app/messages.h"

bool printerMissing() {
    if (toolState().PrinterPresent)
        return false;
    showMessage(QStringLiteral("Não existe impressora!"), QStringLiteral("Erro"),
                MessageButtons::Ok, MessageStyle::Error);
    return true;
}
