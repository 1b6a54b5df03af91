#include "protocol/frame_io.h"

#include "core/clock.h"
#include "core/global.h"
#include "core/messages.h"
#include "link/codepage.h"
#include "link/erros.h"
#include "link/macro_line.h"
#include "protocol/frame_io_internal.h"
#include "protocol/frame_layout.h"

#include <QDateTime>
#include <QTimeZone>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace FrameIO {

using internal::bytesOf;
using internal::frameOf;

namespace {

using FrameLayouts::Id;

// The printer keeps its clock in standard time and adds the hour itself when its own
// daylight-saving option is on: while the PC runs in daylight-saving time, the frames that the
// printer takes as its clock carry the PC's wall-clock time one hour earlier. The hour is taken
// off the wall-clock reading as plain arithmetic, whatever the PC's zone rules say of it.
QDateTime pcWallClock(bool dstAdjusted) {
    const QDateTime now = Clock::now();
    QDateTime wall(now.date(), now.time(), QTimeZone::utc());
    if (dstAdjusted && toolState().PcDaylightSaving)
        wall = wall.addSecs(-3600);
    return wall;
}

QByteArray twoDigits(int value) {
    return QByteArray::number(value % 100).rightJustified(2, '0');
}

} // namespace

// ---- Session ----

bool Session::send(const QByteArray &frame) {
    const int length = int(std::min<qsizetype>(frame.size(), Link::TxBufferSize));
    std::memcpy(link.TxBuffer, frame.constData(), size_t(length));
    return link.SendFrame(link.TxBuffer, length);
}

bool Session::sendCleared(const QByteArray &frame, int cleared) {
    const int area = std::clamp(cleared, 0, Link::TxBufferSize);
    std::memset(link.TxBuffer, 0, size_t(area));
    std::memcpy(link.TxBuffer, frame.constData(), size_t(std::min<qsizetype>(frame.size(), area)));
    const int length = textLength(link.TxBuffer, area);
    return link.SendFrame(link.TxBuffer, length);
}

QByteArray Session::wait(int mode) {
    const int length = link.WaitResponse(link.RxBuffer, mode);
    if (length <= 0)
        return {};
    return QByteArray(reinterpret_cast<const char *>(link.RxBuffer),
                      std::min(length, Link::RxBufferSize));
}

QByteArray transact(Link &link, const QByteArray &frame, int mode) {
    Session session(link);
    if (!session.send(frame))
        return {};
    return session.wait(mode);
}

QByteArray transactCleared(Link &link, const QByteArray &frame, int cleared, int mode) {
    Session session(link);
    if (!session.sendCleared(frame, cleared))
        return {};
    return session.wait(mode);
}

// ---- Answers ----

bool checkAnswer(uint32_t modelCode, const QByteArray &answer, int needed) {
    if (!CheckResponseFor(modelCode, int(answer.size()), bytesOf(answer)))
        return false;
    if (answer.size() < needed)
        return showIncompleteAnswer();
    return true;
}

bool checkDataAnswer(uint32_t modelCode, const QByteArray &answer, int needed) {
    if (answer.isEmpty())
        return false;
    return checkAnswer(modelCode, answer, needed);
}

bool isErrorAnswer(uint32_t modelCode, const QByteArray &answer) {
    return !answer.isEmpty() && !answerAccepted(modelCode, answer);
}

bool showIncompleteAnswer() {
    showMessage(QStringLiteral("Resposta incompleta da impressora!"), QStringLiteral("Erro"),
                MessageButtons::Ok, MessageStyle::Error);
    return false;
}

// ---- Fields ----

uint8_t statusDigitValue(uint8_t character) {
    const int value = character <= '9' ? character - '0' : character - '7';
    return uint8_t(value & 0x0F);
}

bool firmwareAtLeast(double version) {
    return toolState().FirmwareVersionNumber.load() + 1e-6 >= version;
}

QByteArray dateTimeText(bool dstAdjusted) {
    const QDateTime t = pcWallClock(dstAdjusted);
    return twoDigits(t.date().day()) + twoDigits(t.date().month()) + twoDigits(t.date().year()) +
           twoDigits(t.time().hour()) + twoDigits(t.time().minute()) + twoDigits(t.time().second());
}

QByteArray dateText(bool dstAdjusted) {
    const QDateTime t = pcWallClock(dstAdjusted);
    return twoDigits(t.date().day()) + twoDigits(t.date().month()) + twoDigits(t.date().year());
}

QByteArray printerText(uint32_t modelCode, const uint8_t *text, int count) {
    QByteArray out(count, ' ');
    Codepage::ToPrinterText(modelCode, text, reinterpret_cast<uint8_t *>(out.data()),
                            size_t(count));
    return out;
}

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    out.reserve(qsizetype(values.size()));
    for (int value : values)
        out.append(char(value));
    return out;
}

QByteArray pcText(uint32_t modelCode, const char *text, int count, bool raw) {
    if (count <= 0)
        return {};
    QByteArray out(count, ' ');
    const size_t written =
        Codepage::FromPrinterText(modelCode, reinterpret_cast<const uint8_t *>(text),
                                  reinterpret_cast<uint8_t *>(out.data()), size_t(count), raw);
    out.truncate(qsizetype(written));
    return out;
}

bool allSpaces(const uint8_t *text, int count) {
    return std::all_of(text, text + count, [](uint8_t c) { return c == ' '; });
}

int indexValue(const uint8_t index[2]) {
    if (!std::isdigit(index[0]) || !std::isdigit(index[1]))
        return 0;
    const int value = (index[0] - '0') * 10 + (index[1] - '0');
    return value <= 16 ? value : 0;
}

// ---- Sequences ----

bool readStatus(Link &link, uint32_t modelCode, int mode, uint8_t status[13]) {
    const QByteArray answer = transact(link, frameOf(modelCode, Id::StatusPoll), mode);
    // A short answer would leave stale bytes in the status positions: count it as none.
    if (answer.size() < 13)
        return false;
    for (int i = 1; i <= 12; ++i)
        status[i] = statusDigitValue(uint8_t(answer[i]));
    return true;
}

namespace {
bool maintenanceBit(const QByteArray &answer) {
    // An answer that ends before digit 3 reads as "not in maintenance mode": the maintenance
    // commands then refuse to send anything.
    return answer.size() >= 4 && (statusDigitValue(uint8_t(answer[3])) & 0x08) == 0;
}
} // namespace

bool isInMaintenanceMode(Link &link, uint32_t modelCode) {
    return maintenanceBit(transact(link, frameOf(modelCode, Id::StatusPoll), WaitNormal));
}

bool requireMaintenanceMode(Link &link, uint32_t modelCode) {
    const QByteArray answer = transact(link, frameOf(modelCode, Id::StatusPoll), WaitNormal);
    if (answer.isEmpty())
        return showNoAnswer();
    return maintenanceBit(answer) || showNotInMaintenance();
}

bool showNotInMaintenance() {
    showMessage(QStringLiteral("Coloque a impressora em Modo Manutenção!"), QStringLiteral("Erro"),
                MessageButtons::Ok, MessageStyle::Error);
    return false;
}

bool technicalIntervention(Link &link, uint32_t modelCode, bool clearProgramming, bool withHeader,
                           ClicheRecord &cliche) {
    if (!requireMaintenanceMode(link, modelCode))
        return false;
    QByteArray header;
    if (withHeader) {
        // The stored length counts the 0xFF that ends the text; a record that claims more than
        // its 1200-byte field is cut at the field, and the frame always ends with the 0xFF.
        const uint32_t stored = std::clamp<uint32_t>(cliche.length, 1, sizeof cliche.text);
        const int textLength = int(stored) - 1;
        Codepage::ToPrinterText(modelCode, cliche.text, cliche.text, size_t(textLength));
        header.append(reinterpret_cast<const char *>(cliche.ecfNumber), 4);
        header.append(reinterpret_cast<const char *>(cliche.text), textLength);
    }
    const QByteArray frame = interventionFrame(modelCode, true, clearProgramming, header);
    const QByteArray answer = maintenanceExchange(link, frame, true);
    return checkAnswer(modelCode, answer, 0);
}

bool parseCliche(uint32_t modelCode, const QByteArray &answer, int ecfAt, ClicheRecord &cliche) {
    // The answer holds the ECF number, the text and two closing bytes.
    const int fixed = ecfAt + 4 + 2;
    if (!checkAnswer(modelCode, answer, fixed))
        return false;
    // The text is cut at its field, keeping room for the 0xFF that ends it.
    const int textLength = std::min(int(answer.size()) - fixed, int(sizeof cliche.text) - 1);
    const QByteArray text = pcText(modelCode, answer.constData() + ecfAt + 4, textLength);
    std::memcpy(cliche.ecfNumber, answer.constData() + ecfAt, 4);
    std::memcpy(cliche.text, text.constData(), size_t(text.size()));
    cliche.text[text.size()] = TextEnd;
    cliche.length = uint32_t(text.size() + 1);
    return true;
}

QByteArray maintenanceExchange(Link &link, const QByteArray &frame, bool pauseFirst) {
    Session session(link);
    if (!session.send(frame))
        return {};
    if (pauseFirst)
        Clock::sleep(1500);
    QByteArray answer = session.wait(WaitNormal);
    if (answer.isEmpty()) {
        Clock::sleep(5000);
        answer = session.wait(WaitNormal);
    }
    return answer;
}

bool readConfiguration(Link &link, uint32_t modelCode, int needed, int keep) {
    ConfigurationBlock &block = configurationBlock();
    // A cached block too short for this model's parts (one kept by the other model before the
    // identification noticed the change) is fetched again rather than read past its end.
    if (configurationCacheValid() && block.bytes.size() >= needed)
        return true;
    setConfigurationCacheValid(false);
    const QByteArray answer = transact(link, frameOf(modelCode, Id::ReadConfiguration), WaitNormal);
    // A silent or refusing printer leaves the cache invalid: the windows then report the
    // failure instead of showing the time-out fill or an error text as the printer's tables.
    if (!checkAnswer(modelCode, answer, needed))
        return false;
    block.bytes = keep < 0 ? answer : answer.left(keep);
    setConfigurationCacheValid(true);
    return true;
}

void readName(uint32_t modelCode, const QByteArray &block, int offset, int width, uint8_t *out) {
    const char *slot = block.constData() + offset;
    if (uint8_t(slot[0]) == TextEnd) {
        std::memset(out, ' ', size_t(width));
        return;
    }
    Codepage::FromPrinterText(modelCode, reinterpret_cast<const uint8_t *>(slot), out,
                              size_t(width), false);
}

bool valueAfterLabel(const QByteArray &text, const char *label, int width, QByteArray &value) {
    const qsizetype zero = text.indexOf('\0');
    const QByteArray used = zero < 0 ? text : text.left(zero);
    const qsizetype at = used.indexOf(label);
    if (at < 0)
        return false;
    value = used.mid(at + qsizetype(std::strlen(label)), width);
    return true;
}

// ---- Fiscal documents ----

int textLength(const void *text, int width) {
    const auto *begin = static_cast<const uint8_t *>(text);
    return int(std::find(begin, begin + width, 0) - begin);
}

QByteArray fieldText(const void *text, int width, int limit) {
    return QByteArray(static_cast<const char *>(text),
                      std::min(textLength(text, width), std::max(limit, 0)));
}

QByteArray paddedText(const void *text, int width, int limit, int padTo) {
    return fieldText(text, width, limit).leftJustified(padTo, ' ');
}

QByteArray field(const void *bytes, int count) {
    return QByteArray(static_cast<const char *>(bytes), count);
}

bool hasAdjustment(uint8_t type) {
    return type == 'A' || type == 'D';
}

bool isPercentage(uint8_t mode) {
    return mode == 'P';
}

char adjustmentDigit(uint8_t type, uint8_t mode) {
    if (type == 'A')
        return isPercentage(mode) ? '2' : '3';
    if (type == 'D')
        return isPercentage(mode) ? '0' : '1';
    return '1';
}

bool readAnswerField(uint32_t modelCode, const QByteArray &answer, int at, int count, void *out) {
    if (!checkAnswer(modelCode, answer, at + count))
        return false;
    std::memcpy(out, answer.constData() + at, size_t(count));
    return true;
}

QByteArrayList reportLines(const char *text) {
    QByteArrayList lines;
    QByteArray line;
    for (const char *c = text; *c != '\0'; ++c) {
        if (*c != '\r' && *c != '\n') {
            line += *c;
        } else if (!line.isEmpty()) {
            lines << line;
            line.clear();
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

bool printReportLines(Link &link, uint32_t modelCode, const char *text,
                      QByteArray (*frameFor)(const QByteArray &line)) {
    for (const QByteArray &line : reportLines(text)) {
        if (!checkAnswer(modelCode, transact(link, frameFor(line), WaitNormal), 0))
            return false;
    }
    return true;
}

// The printer answers an authentication only once the operator has inserted the document and
// it has been stamped, which may take minutes. The link is held for one 100 ms poll at a time,
// not for the whole wait: the identification thread tests the CTS line through the link every
// 100 ms, and a port change on the windows' thread closes the port through it; neither may
// stall until the operator finds the paper.
//
// So another thread may send between the authentication frame and its answer. Only the
// identification thread can in this tool (the authentication window keeps every other window
// disabled), and it sends only after the CTS line has changed or another model was chosen:
// after the printer was switched off and on, when the authentication is over on the printer's
// side anyway. Its exchange begins by purging the port, and a stray answer that it might still
// meet fails its identity test and is tried again; this loop goes on polling until the
// operator cancels. An answer that arrives between two polls waits in the port for the next.
QByteArray interventionFrame(uint32_t modelCode, bool dstAdjusted, bool clearProgramming,
                             const QByteArray &header) {
    return frameOf(modelCode, Id::TechnicalIntervention,
                   {dateTimeText(dstAdjusted), clearProgramming ? "ZZZ R" : "XXX R", header});
}

bool authenticate(Link &link, uint32_t modelCode, const QByteArray &frame,
                  std::atomic<bool> &aborted, double cancelFrom) {
    aborted = false;
    bool sent = false;
    for (;;) {
        QByteArray answer;
        {
            Session session(link);
            if (!sent) {
                session.send(frame);
                sent = true;
            }
            answer = session.wait(WaitPoll);
        }
        if (aborted)
            break;
        if (!answer.isEmpty()) {
            // The printer's refusal is shown; either way the authentication is over.
            checkAnswer(modelCode, answer, 0);
            return true;
        }
        // Without an open port the wait comes back at once: keep to the poll's pace.
        if (!link.isOpen())
            Clock::sleep(100);
    }
    if (firmwareAtLeast(cancelFrom)) {
        // The printer gives up its wait for the paper; its answer tells nothing more.
        Session session(link);
        if (session.send(frameOf(modelCode, Id::CancelWait)))
            session.wait(WaitNormal);
    } else {
        // Older firmware knows no way out but being switched off. The message shows with the
        // link free.
        showMessage(QStringLiteral("Desligue a impressora para cancelar!"), QStringLiteral("Aviso"),
                    MessageButtons::Ok, MessageStyle::Warning);
    }
    return true;
}

} // namespace FrameIO
