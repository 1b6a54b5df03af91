#include "app/printer_identity.h"

#include "core/clock.h"
#include "core/global.h"
#include "link/serial_new.h"

#include <cstring>

namespace {

constexpr uint8_t ESC = 27;

QString field(const uint8_t *answer, int from, int count) {
    return QString::fromLatin1(reinterpret_cast<const char *>(answer) + from, count);
}

bool identifyModelB(Link &link) {
    ToolState &state = toolState();
    const uint8_t *answer = link.RxBuffer;
    if (std::memcmp(answer + 1, "100047", 6) != 0)
        return false; // another model answered
    if (!sendBytes(link, {ESC, 0xE9}) || link.WaitResponse(link.RxBuffer, WaitNormal) < 32)
        return false;
    link.PurgePort();
    state.PrinterSerial.set(field(answer, 16, 8));
    state.EcfNumber.set(field(answer, 28, 4));
    QString version = field(answer, 24, 4);
    // Newer firmware reports its version on its own; older firmware stays silent.
    sendBytes(link, {ESC, 0xF3, '0', '1', '0'});
    Clock::sleep(500);
    if (link.WaitResponse(link.RxBuffer, WaitPoll) >= 13)
        version = field(answer, 9, 4);
    state.FirmwareVersion.set(version);
    state.FirmwareVersionNumber = firmwareVersionNumber(version);
    return true;
}

bool identifyModelA(Link &link) {
    ToolState &state = toolState();
    const uint8_t *answer = link.RxBuffer;
    if (std::memcmp(answer + 1, "10043", 5) != 0)
        return false;
    if (!sendBytes(link, {ESC, 0xEC}) || link.WaitResponse(link.RxBuffer, WaitNormal) < 18)
        return false;
    link.PurgePort();
    const QString version = field(answer, 10, 4);
    state.FirmwareVersion.set(version);
    state.PrinterSerial.set(field(answer, 2, 8));
    state.FirmwareVersionNumber = firmwareVersionNumber(version);
    state.EcfNumber.set(field(answer, 14, 4));
    return true;
}

} // namespace

bool sendBytes(Link &link, std::initializer_list<uint8_t> frame) {
    int length = 0;
    for (uint8_t byte : frame)
        link.TxBuffer[length++] = byte;
    return link.SendFrame(link.TxBuffer, length);
}

double firmwareVersionNumber(const QString &text) {
    QString number;
    bool point = false;
    for (QChar c : text.trimmed()) {
        if (c.isDigit())
            number += c;
        else if (c == QLatin1Char('.') && !point)
            point = true, number += c;
        else
            break;
    }
    return number.toDouble();
}

bool identifyPrinter(Link &link) {
    Link::Exchange exchange(link);
    link.PurgePort();
    if (!sendBytes(link, {ESC, 0xC3}))
        return false;
    Clock::sleep(250);
    const int length = link.WaitResponse(link.RxBuffer, WaitShort);
    if (length == 0)
        return false;
    switch (toolState().ModelCode.load()) {
    case ModelB:
        return length >= 7 && identifyModelB(link);
    case ModelA:
        return length >= 6 && identifyModelA(link);
    default:
        return false;
    }
}
