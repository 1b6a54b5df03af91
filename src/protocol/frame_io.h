#pragma once

#include "link/serial_new.h"
#include "protocol/command_set.h"

#include <QByteArray>
#include <QByteArrayList>

#include <atomic>
#include <cstdint>
#include <initializer_list>

// Helpers shared by both command sets: the exchange with the printer, the fields that both
// models build alike, and the sequences (maintenance commands, idle polling, the fiscal memory
// reading) that differ only in command bytes and answer positions.
namespace FrameIO {

constexpr uint8_t ESC = 27;
constexpr uint8_t GS = 29;
constexpr uint8_t CR = 13;
constexpr uint8_t LF = 10;
constexpr uint8_t CAN = 0x18;     // cancels an authentication that waits for its paper
constexpr uint8_t TextEnd = 0xFF; // ends the printer's variable-length texts

// One exchange with the printer: holds the link's exchange lock from construction to
// destruction, so that no other thread's frame comes between a frame and its answer (or the
// chunks of a long reading). Keep it in a scoped block and let it go before the answer is
// checked: a message box must never show while the lock is held.
//
// Answers are copied out of the link's RxBuffer while the lock is held, so they can be
// checked and parsed after it has been released, whatever other threads send meanwhile.
class Session {
public:
    explicit Session(Link &link) : link(link), hold(link) {}

    // Puts the frame into the link's TxBuffer (cut at its size) and sends exactly its bytes.
    bool send(const QByteArray &frame);
    // The printer's variable-length frames: the first `cleared` bytes of TxBuffer are set to
    // zero, the frame is put there (never past them) and sent up to its first zero byte.
    bool sendCleared(const QByteArray &frame, int cleared);
    // Waits in `mode` for the answer; returns the bytes that arrived (empty when none did).
    QByteArray wait(int mode);

private:
    Link &link;
    Link::Exchange hold;
};

// Sends `frame` and waits once in `mode`, as one exchange.
QByteArray transact(Link &link, const QByteArray &frame, int mode);
// The same for a frame built in a cleared area of `cleared` bytes (Session::sendCleared).
QByteArray transactCleared(Link &link, const QByteArray &frame, int cleared, int mode);

// ---- Answers ----

// The model's own check (the message shows inside it), then at least `needed` bytes: an
// answer the check accepts but that ends before the positions an operation reads is reported
// as incomplete, and nothing of it is read.
bool checkAnswer(uint32_t modelCode, const QByteArray &answer, int needed);
// Whether a non-empty answer carries the model's error mark (model A ":E" at its start, model B
// a code other than "00" at bytes 2-3).
bool isErrorAnswer(uint32_t modelCode, const QByteArray &answer);
// For the reads whose silence their callers report themselves (the clock, the receipt
// header): false without a message when nothing came; otherwise as checkAnswer.
bool checkDataAnswer(uint32_t modelCode, const QByteArray &answer, int needed);
// "Resposta incompleta da impressora!" (caption "Erro"); returns false.
bool showIncompleteAnswer();

// ---- Fields ----

// The value of a status digit: '0'-'9' and 'A'-'F' as the printer sends them (anything else
// is masked to four bits).
uint8_t statusDigitValue(uint8_t character);

// Firmware gates: the printer's version read by the identification is a number parsed from
// text, so it is compared with a small tolerance.
bool firmwareAtLeast(double version);

// The PC's date and time as "ddmmyyhhmmss" and its date as "ddmmyy". With `dstAdjusted`, one
// hour is taken off while the PC clock runs in daylight-saving time (the printer keeps
// standard time and applies its own daylight-saving setting).
QByteArray dateTimeText(bool dstAdjusted);
QByteArray dateText(bool dstAdjusted);

// A frame or field from byte values.
QByteArray bytes(std::initializer_list<int> values);

// `count` bytes of `text` converted to the printer's code for `modelCode`.
QByteArray printerText(uint32_t modelCode, const uint8_t *text, int count);
// `count` bytes of printer text converted to the PC's code page.
QByteArray pcText(uint32_t modelCode, const char *text, int count, bool raw = false);

bool allSpaces(const uint8_t *text, int count);
// The value of a two-digit index "01" to "16"; 0 for anything else ("00", a value above 16,
// or characters that are not digits), which the programming operations refuse.
int indexValue(const uint8_t index[2]);

// ---- Sequences shared by both models ----

// Sends the model's GS poll and, when an answer of at least 13 bytes came, copies the values
// of its twelve status digits (answer bytes 1 to 12) to `status`.
bool readStatus(Link &link, uint32_t modelCode, int mode, uint8_t status[13]);

// The GS poll in the normal wait: true when status digit 3 (answer byte 3) has bit 3 clear.
bool isInMaintenanceMode(Link &link, uint32_t modelCode);
// "Coloque a impressora em Modo Manutenção!" (caption "Erro"); returns false.
bool showNotInMaintenance();
// The test the maintenance commands begin with: true in maintenance mode; otherwise tells the
// user why not and returns false. A printer that does not answer the poll at all is reported as
// silent ("ERRO DE COMUNICAÇÃO!"), not as one to be put in maintenance mode.
bool requireMaintenanceMode(Link &link, uint32_t modelCode);

// The technical intervention, the same frame on both models: after the maintenance-mode test,
// ESC 0xC0, the PC's date-time (daylight saving taken off), "ZZZ R" (clear the programming) or
// "XXX R" (keep it), then either the ECF number and the header text with its 0xFF, converted
// to the printer's code in the record itself, or a lone 0xFF.
bool technicalIntervention(Link &link, uint32_t modelCode, bool clearProgramming, bool withHeader,
                           ClicheRecord &cliche);
// The intervention frame: the PC's date-time (daylight saving taken off when `dstAdjusted`),
// "ZZZ R" or "XXX R", the header (ECF number and text, or nothing) and its 0xFF.
QByteArray interventionFrame(uint32_t modelCode, bool dstAdjusted, bool clearProgramming,
                             const QByteArray &header);

// Copies a receipt header read from the printer into `cliche`: the ECF number at `ecfAt`, the
// text from `ecfAt` + 4 up to the answer's last two bytes. False, with the reason shown, when the
// answer is an error or ends before its fixed part. The caller reports a silent printer.
bool parseCliche(uint32_t modelCode, const QByteArray &answer, int ecfAt, ClicheRecord &cliche);

// Sends a maintenance-mode frame: the printer writes its fiscal memory before it answers,
// so the tool pauses 1500 ms before the first wait (when `pauseFirst`) and, when that wait
// brings nothing, waits once more after 5000 ms. Returns the answer (empty when none came).
QByteArray maintenanceExchange(Link &link, const QByteArray &frame, bool pauseFirst);

// Polls the printer after a long print until its status says it is idle (see
// CommandSet::WaitPrinterIdle). `digit` is the answer byte of the status digit to test;
// `idle` tells from its value whether the printer has finished.
bool waitPrinterIdle(Link &link, uint32_t modelCode, int digit, bool (*idle)(uint8_t value));

// The fiscal memory reading: the model's command, the destination character, start and end.
// 'X'/'x' has the printer print it: one wait whose answer is not checked, then WaitPrinterIdle;
// true. 'S'/'s' sends it to the PC in chunks, all in one exchange (the sink runs with the link
// held, so it must not show messages): the first chunk begins with a header, the last ends
// with 0xFF CR; neither reaches the sink. A refusal in the first chunk is shown (Failed); a
// minute without a byte ends the reading as Silent, without a message, for the caller to
// report. Any other destination is refused without sending.
struct FiscalMemoryFrame {
    uint32_t modelCode;
    int headerLength;  // bytes before the text in the first chunk
    bool rawText;      // text converted without the model's own letter table
    int pauseBeforeMs; // pause before the frame of the reading sent to the PC
    int idleDigit;
    bool (*idle)(uint8_t value);
};
bool readFiscalMemory(Link &link, const FiscalMemoryFrame &model, const char start[6],
                      const char end[6], char destination, const CommandSet::FiscalMemorySink &sink,
                      CommandSet::ReadingEnd *how);

// The configuration block: fetched with the model's read command unless the cache already holds a
// block of at least `needed` bytes; keeps up to `keep` bytes of the answer (-1: all of it).
bool readConfiguration(Link &link, uint32_t modelCode, int needed, int keep);

// Names of the configuration block: a slot whose first byte is 0xFF is empty and reads as
// spaces; others are converted from the printer's code.
void readName(uint32_t modelCode, const QByteArray &block, int offset, int width, uint8_t *out);

// Up to `width` characters that follow `label` in `text`, read as a zero-terminated text (the
// printer may pad its operator field with zero bytes). False when the label is not there.
bool valueAfterLabel(const QByteArray &text, const char *label, int width, QByteArray &value);

// ---- Fiscal documents ----

// The room left for the variable text of a frame built in a cleared area of `cleared` bytes
// after `fixed` bytes: the text ends with 0xFF, and one zero byte of the area must still
// follow, so that the length up to the first zero byte ends with the frame itself.
constexpr int textRoom(int cleared, int fixed) {
    return cleared - fixed - 2;
}

// The length of a zero-terminated text kept in a field of `width` bytes (the whole field when
// no zero byte ends it).
int textLength(const void *text, int width);
// The text of a zero-terminated field of `width` bytes, at most `limit` bytes of it.
QByteArray fieldText(const void *text, int width, int limit);
// The same, padded with spaces to `padTo` bytes.
QByteArray paddedText(const void *text, int width, int limit, int padTo);
// `count` bytes of a fixed-width field as they are.
QByteArray field(const void *bytes, int count);

// Surcharge and discount: the type byte 'A' (surcharge) or 'D' (discount); anything else
// counts as none. The mode byte 'P' is a percentage; anything else an amount.
bool hasAdjustment(uint8_t type);
bool isPercentage(uint8_t mode);
// The type digit that model B sends everywhere, and model A everywhere but in its item sale:
// none '1' (with an all-zero value), surcharge '3' by amount and '2' by percentage, discount
// '1' by amount and '0' by percentage.
char adjustmentDigit(uint8_t type, uint8_t mode);

// Checks an answer like checkAnswer and then copies `count` bytes from answer byte `at` to
// `out`; nothing is written unless the printer accepted and the answer holds them.
bool readAnswerField(uint32_t modelCode, const QByteArray &answer, int at, int count, void *out);

// The lines of a report text: cut at every CR and LF, a run of them counting as one break, so
// that no line is empty.
QByteArrayList reportLines(const char *text);
// Prints the lines of `text`, one exchange per line; each answer is checked with the link
// free, and the first refusal ends the report text.
bool printReportLines(Link &link, uint32_t modelCode, const char *text,
                      QByteArray (*frameFor)(const QByteArray &line));

// The authentication wait (see CommandSet::Authenticate): sends `frame`, then waits in short
// polls until the printer answers or `aborted` is set. After an abort, a printer from firmware
// `cancelFrom` on is sent CAN; an older one cannot be stopped from the PC and the user is told
// to switch it off.
bool authenticate(Link &link, uint32_t modelCode, const QByteArray &frame,
                  std::atomic<bool> &aborted, double cancelFrom);

} // namespace FrameIO
