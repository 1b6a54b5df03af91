#pragma once

#include "document_types.h"
#include "faults.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QStringList>

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

// The printer emulator: a stand-in for the fiscal printer at the far end of the serial line.
// It takes the bytes the tool sends, cuts them into frames, and answers each frame the way
// the real printer does. Everything about the printer's inner working that the protocol
// leaves open is decided here and written down next to where it is decided.
//
// Thread safety: every public function may be called from any thread.

namespace emu {

namespace detail {
class PrinterState;
class CheckPrinter;
} // namespace detail

enum class Model { A /* MV210 */, B /* MV4700 */ };

struct Identity {
    QByteArray serial = "00000000"; // 8 characters
    QByteArray firmware = "1.20";   // 4 characters, as "1.20"
    QByteArray ecfNumber = "0001";  // 4 digits
};

// ---- What the printer holds, as the read-only accessors report it ----
// Texts are kept as the tool sent them: in the printer's code (CP850; model A's own codes for
// its accented letters), space-padded to the field's width. An empty QByteArray is an empty
// slot.

// A tax rate slot (T A .. T P).
struct TaxRate {
    bool iss = false; // service tax (ISS) rather than ICMS
    QByteArray rate;  // 4 digits, two implied decimals ("1800" = 18,00 %); empty = slot unused
};

// A payment method slot: model A 16 slots (letters A-P, names of 17 characters); model B 32
// slots (numbers 01-16, then the linked ones 51-66, names of 21 characters).
struct PaymentMethod {
    QByteArray name;
    bool linked = false; // a linked voucher (CCD) may follow a payment with it
};

// A non-fiscal totalizer slot (name of 21 characters).
struct NonFiscalTotalizer {
    QByteArray name;
    bool outflow = false; // '-' (saída); else '+' (entrada)
};

// The user (taxpayer) recorded in the fiscal memory; fields of 20 characters as sent.
struct UserRecord {
    QByteArray date; // ddmmyy, as the record frame gave it
    QByteArray cnpj;
    QByteArray ie;
    QByteArray im; // 20 spaces when the frame carried none
};

// One bank of model B's check printer: where the printer puts each field on that bank's
// checks, as line (from the top edge, 1/6 inch apart) and column (from the left edge, in
// characters). The bank table that the tool loads holds one such record per bank; the file's
// layout is in bank_table.h.
struct CheckPosition {
    int line = 0;
    int column = 0;
    bool operator==(const CheckPosition &) const = default;
};
struct BankLayout {
    int bank = 0;         // the bank's number, 1-999 (001 Banco do Brasil, 341 Itaú, ...)
    CheckPosition amount; // the amount in figures
    CheckPosition words;  // the amount in words, first line
    CheckPosition words2; // the amount in words, second line
    CheckPosition payee;  // favorecido
    CheckPosition city;   // the place of issue
    CheckPosition day;    // the date: day, month (in words) and year
    CheckPosition month;
    CheckPosition year;
    bool operator==(const BankLayout &) const = default;
};

// One Redução Z in the fiscal memory. Amounts in centavos.
struct Reduction {
    int crz = 0;           // reduction counter, 1 for the first
    int cro = 0;           // restart-of-operation counter (technical interventions) at the time
    int coo = 0;           // the COO of the Redução Z itself
    QDate movementDate;    // the fiscal day it closed
    QDateTime issuedAt;    // the printer's clock when it was issued
    qint64 grossSales = 0; // venda bruta diária
    qint64 grandTotal = 0; // GT after the day
    qint64 cancellations = 0;
    qint64 discounts = 0;
    // The tax rates in force that day and what each one took; `rates[i].rate` empty = unused.
    std::array<TaxRate, 16> rates{};
    std::array<qint64, 16> byRate{};
    qint64 substitution = 0; // F: ICMS by tax substitution
    qint64 exempt = 0;       // I: exempt
    qint64 notLevied = 0;    // N: not levied
};

// The authorization code that the printer accepts in the user record (firmware from 1.22 on
// model A, from 1.01 on model B): the CRC-32 (IEEE 802.3) of the 8-character serial number
// followed by the CNPJ's digits (punctuation and spaces left out), written as 8 upper-case
// hexadecimal digits. The maker computes the same code for the request file that the
// technician sends in.
QByteArray authorizationCode(const QByteArray &serial, const QByteArray &cnpj);

// One print of model B's check printer (check_printer.h), as the mechanism put it on paper.
struct PrintedCheck {
    bool back = false; // the free text on the back rather than the front
    bool vertical = false;
    int bank = 0;
    QByteArray amount; // 12 digits, centavos
    QByteArray city, date, payee;
    QByteArray text; // the back's text
};

// One piece of an answer: the printer pauses `pauseMs` and then sends `bytes`.
struct Segment {
    int pauseMs = 0;
    QByteArray bytes;
    bool thenOff = false; // the printer switches itself off once these bytes have left
};
// Everything the printer sends in answer to one frame, in order (usually one segment).
using Reply = std::vector<Segment>;

class Printer {
public:
    static std::unique_ptr<Printer> create(Model model, const Identity &identity = {});
    virtual ~Printer();

    Model model() const;

    // ---- The line ----
    // Feeds bytes received from the line; returns one Reply per frame completed by them
    // (an empty Reply when the printer stays silent for that frame).
    std::vector<Reply> receive(const QByteArray &bytes);
    // The line has been idle while an unfinished frame was buffered: the printer drops it.
    std::vector<Reply> lineIdle();
    // Clear To Send as the printer drives it: on while powered.
    bool ctsOn() const;

    // ---- Controls (tests, the control panel and the standalone program) ----
    void setPowered(bool on); // off: CTS off, no answers, partial frames dropped
    bool powered() const;
    void setMaintenanceJumper(bool on);
    bool maintenanceJumper() const;
    void setPaperEnd(bool on);
    void setPaperLow(bool on);
    // The cash drawer on the printer's drawer connector: the drawer frame kicks it open and
    // it stays open until someone pushes it shut (setDrawerOpen(false)), or, with an
    // automatic close set, until that many milliseconds after it opened (an operator who
    // always shuts it after a while); 0 = it stays open.
    void setDrawerOpen(bool open);
    bool drawerOpen() const;
    void setDrawerAutoCloseMs(int ms);
    int drawerOpenings() const; // how many times the drawer frame has kicked it open
    // Model B's check mechanism: its cover, and a check in the check slot. Model A has
    // neither and reports no such sensor.
    void setCoverOpen(bool open);
    void setCheckInserted(bool inserted);
    // The operator at the check slot (model B; model A has no check printer, and its list of
    // printed checks stays empty). A check taken out after printing is released.
    void insertCheck() { setCheckInserted(true); }
    void removeCheck() { setCheckInserted(false); }
    bool checkInSlot() const;
    void setCheckPrintTimeMs(int ms); // how long a front or a back takes (3000 ms unless set)
    QList<PrintedCheck> printedChecks() const;
    void setSilent(bool silent);   // powered, but answers nothing
    void setAnswerDelayMs(int ms); // before the first byte of every answer
    int answerDelayMs() const;
    void setPacing(bool on); // answers leave at the line's speed (960 bytes per second)
    bool pacing() const;
    void setIdentity(const Identity &identity);
    Identity identity() const;
    // The next frame is refused with this two-digit error code (once).
    void failNextWith(const QByteArray &code);
    // Arms a fault (faults.h), counted from now; several may be armed at once.
    void injectFault(const Fault &fault);
    // Disarms every fault and ends the silence one left.
    void clearFaults();
    // Frames taken and answer pieces sent since the printer was made: where the faults count.
    int framesTaken() const;
    int answersSent() const;
    // Whoever carries the line calls this once a segment's bytes have left.
    void segmentSent(const Segment &segment);
    // Status digits reported by the GS poll instead of the ones the state gives.
    void setStatusOverride(std::optional<QByteArray> twelveDigits);

    // How long a report (Leitura X, Redução Z, a printed fiscal memory reading) keeps the
    // mechanism busy; 4000 ms unless set.
    void setPrintTimeMs(int ms);
    int printTimeMs() const;
    bool printing() const; // a report is being printed now

    // The printer's clock runs as the PC's clock plus an offset (standard time; with the
    // daylight-saving option on, the printer shows and uses one hour more).
    void setClockOffsetSeconds(qint64 seconds);
    qint64 clockOffsetSeconds() const;
    void advanceDays(int days); // moves the printer's clock by whole days
    // The date and time the printer shows now: a wall-clock time without a zone (Qt::UTC).
    QDateTime printerClock() const;

    // Fiscal memory: prepends `count` reductions, one a day before the earliest recorded one
    // (or up to yesterday when there is none), as if the printer had been in service that
    // much longer; the counters of the later records move up accordingly. Never beyond the
    // memory's capacity (2000 reductions).
    void addPastReductions(int count);
    int reductionCount() const;
    QList<Reduction> reductions() const;
    bool reductionPending() const;     // the fiscal day of an earlier date is not reduced
    bool reductionIssuedToday() const; // a Redução Z bears today's date
    bool fiscalDayOpen() const;        // there is movement since the last Redução Z
    int documentCounter() const;       // COO of the last document printed

    bool firmwareUpdateMode() const; // waiting for a firmware image until switched off

    // ---- The programming the printer holds ----
    QList<TaxRate> taxRates() const;                       // 16
    QList<PaymentMethod> paymentMethods() const;           // model A 16, model B 32
    QByteArrayList linkedTotalizerNames() const;           // model A: 16 names of 21; model B: none
    QList<NonFiscalTotalizer> nonFiscalTotalizers() const; // 16
    QByteArrayList reportNames() const;                    // model B: 16 names of 21; model A: none
    QByteArray options() const; // the parameters P0.. (model A 40, model B 20)
    bool daylightSaving() const;
    QByteArray operatorText() const;              // A: "Opr:" + 16; B: "Lj:" + 4 + "  Opr:" + 13
    QByteArray headerText() const;                // the receipt header, without its 0xFF end mark
    std::optional<UserRecord> userRecord() const; // the last user recorded

    // Model B's bank table as last loaded; empty until a table is loaded (model A: always).
    QList<BankLayout> bankTable() const;

    // ---- Documents ----
    // The slot of the authentication mechanism: the operator puts a slip (a paper document) in,
    // or takes it out. An authentication that waits for its slip is done when it goes in.
    void setDocumentInserted(bool inserted);
    bool documentInserted() const;
    bool authenticationWaiting() const;
    DocumentView document() const; // the open document; kind None when there is none
    // Answers the printer sends later, on its own: an authentication done once its slip went
    // in. Whoever carries the line calls this while it waits for an answer.
    std::vector<Reply> poll();

    // ---- What the printer remembers (printer_state.cpp) ----
    // The programming, counters, fiscal memory, the day's sales and the clock offset as JSON.
    QByteArray saveState() const;
    // Takes them back from saveState()'s JSON; on any fault nothing changes, false is returned
    // and the fault described in `error`. An open document is ended.
    bool restoreState(const QByteArray &json, QString *error = nullptr);
    // Called, outside the printer's lock, with the new JSON after each change: a command frame
    // that changed the state, a change of the clock or of the fiscal memory from outside.
    void setStateObserver(std::function<void(const QByteArray &json)> observer);
    // The state as the printer left the factory.
    void resetToFactory();

    // ---- The paper roll (paper_roll.h) ----
    // Called, outside the printer's lock, with the lines printed by each frame (or by a stamp
    // once its slip went in): our own rendering of what the printer puts on paper, the
    // printer's width (48 columns), in order.
    void setPaperObserver(std::function<void(const QStringList &lines)> observer);

    // ---- Observation ----
    QList<QByteArray> receivedFrames() const; // every complete frame, in order
    void clearReceivedFrames();

protected:
    explicit Printer(Model model, const Identity &identity);

    // ---- What a model describes: its frame table ----
    // The printer's parser knows, from the first two bytes of a frame (ESC or GS and the
    // command byte), where the frame ends: after a fixed number of bytes, or at a terminator
    // byte (0xFF after a text, LF after an authentication text) once a shortest length has
    // been reached.
    struct FrameShape {
        int length = 2;                 // the fixed length, or the shortest length
        std::optional<char> terminator; // set: the frame ends with this byte
        std::optional<char> flag;       // set: this byte at position 2 adds one to `length`
        int longest = 0;                // above 0: the frame ends with its burst
        int countDigits = 0;            // above 0: the frame counts its records (counted())
        int recordBytes = 0;
        int trailer = 0;
        static FrameShape fixed(int length) {
            FrameShape shape;
            shape.length = length;
            return shape;
        }
        static FrameShape endsWith(char terminator, int shortestLength) {
            FrameShape shape = fixed(shortestLength);
            shape.terminator = terminator;
            return shape;
        }
        // A frame whose first parameter is an optional flag byte: when byte 2 is `flag`, the
        // frame is one byte longer than `lengthWithout`.
        static FrameShape optionalFlag(char flag, int lengthWithout) {
            FrameShape shape = fixed(lengthWithout);
            shape.flag = flag;
            return shape;
        }
        // A frame that announces its own length: `countDigits` ASCII digits from byte 2 count
        // the records of `recordBytes` bytes that follow them, and `trailer` bytes end it. A
        // count that is not all digits ends the frame right after it (the handler refuses it).
        static FrameShape counted(int countDigits, int recordBytes, int trailer) {
            FrameShape shape = fixed(2 + countDigits);
            shape.countDigits = countDigits;
            shape.recordBytes = recordBytes;
            shape.trailer = trailer;
            return shape;
        }
        // A frame whose length only the quiet line after it tells: it ends with the burst of
        // bytes it came in once it has `shortest` bytes, and at `longest` bytes at the most.
        static FrameShape burst(int shortest, int longest) {
            FrameShape shape = fixed(shortest);
            shape.longest = longest;
            return shape;
        }
    };
    // A handler runs with the printer's lock held: it reads and changes the state freely
    // and must not call the public functions above.
    using Handler = std::function<Reply(const QByteArray &frame)>;
    struct Command {
        char lead = 0; // ESC or GS; or, with `code` -1, a control byte that is a frame alone
        int code = -1; // the command byte (0-255), or -1 for a one-byte frame
        FrameShape shape;
        Handler handler;
        // Firmware older than this (in hundredths: 101 = version 1.01) does not know the frame:
        // the parser still cuts it by its shape, and the printer drops it without answering.
        int sinceFirmware = 0;
        // The boot loader answers it too: the one kind of frame a printer waiting for a
        // firmware image still answers (its identity).
        bool loader = false;
    };
    // Each model fills its table once, in its constructor.
    void addCommand(Command command);

    // The model's refusal of a frame with a two-digit error code.
    virtual Reply errorAnswer(const QByteArray &code) const = 0;
    // The twelve status digits that the state gives (the GS poll answers them unless overridden).
    virtual QByteArray statusDigits() const = 0;

    // ---- Helpers for the handlers ----
    static Reply answer(const QByteArray &bytes) { return Reply{Segment{0, bytes}}; }
    // The GS poll's answer, shared by both models: ':' + twelve digits + 0xFF CR.
    Reply statusAnswer() const;
    // The firmware version in hundredths ("1.20" -> 120), read like the tool reads it.
    int firmwareHundredths() const;
    // Twelve values 0-15 as the hexadecimal digits '0'-'9', 'A'-'F'.
    static QByteArray hexDigits(const std::array<int, 12> &values);

    // ---- State (guarded by `mutex`) ----
    // What the printer holds and does beyond its identity and sensors: programming, clock,
    // fiscal day, fiscal memory, the printing mechanism.
    detail::PrinterState &state() { return *st; }
    const detail::PrinterState &state() const { return *st; }
    Identity id;
    bool isPowered = true;
    bool jumper = false; // maintenance jumper in place: the printer is in maintenance mode
    bool paperEnd = false;
    bool paperLow = false;
    bool coverOpen = false;
    bool checkInserted = false;
    // The drawer as its switch reads now (the automatic close applied).
    bool drawerIsOpen() const;
    // The drawer frame: the solenoid kicks the drawer open.
    void kickDrawer();
    // The model's check printer, if it has one.
    virtual detail::CheckPrinter *checks() { return nullptr; }
    const detail::CheckPrinter *checks() const { return const_cast<Printer *>(this)->checks(); }

private:
    const Command *findCommand(char lead, int code) const;
    void stateMayHaveChanged();
    void paperMoved();
    std::optional<Reply> takeFrame(const QByteArray &bytes, qsizetype &pos);
    Reply dispatch(const QByteArray &frame, const Command *command);
    Reply answerFrame(const QByteArray &frame, const Command *command);
    // The faults armed for this frame (true: it switches the printer off) and for the answer
    // pieces of a reply (printer_faults.cpp).
    bool frameFaults();
    void answerFaults(Reply &reply);
    void switchOff();

    const Model printerModel;
    std::unique_ptr<detail::PrinterState> st;
    mutable std::mutex mutex;
    std::vector<Command> commands;

    QByteArray partial; // the unfinished frame
    const Command *partialCommand = nullptr;
    bool silent = false;
    int delayMs = 0;
    bool paced = false;
    std::optional<QByteArray> failCode;
    std::optional<QByteArray> statusOverride;
    struct ArmedFault {
        Fault fault;
        int at = 0; // the frame or answer count it strikes at
    };
    std::vector<ArmedFault> armed;
    std::function<void(const QByteArray &)> stateObserver;
    std::function<void(const QStringList &)> paperObserver;
    QByteArray lastState;    // what the observer was last told
    QByteArray factoryState; // as made
    std::mutex observerMutex;
    int frameCount = 0;
    int answerCount = 0;
    QList<QByteArray> frames;
    bool drawer = false;
    int drawerCloseMs = 0;
    int drawerKicks = 0;
    std::chrono::steady_clock::time_point drawerOpenedAt{};
};

// The wire time of `bytes` at 9600 baud, 8N1 (10 bits a byte), in milliseconds.
double wireTimeMs(int bytes);

} // namespace emu
