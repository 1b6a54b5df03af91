#include "printer_internal.h"

// Model B, the MV4700.
//
// Answer layout. Every answer begins with ':' and ends with 0xFF CR.
// - Accepted:  ':' 'R' "00" "00" data 0xFF CR    (data from byte 6)
// - Refused:   ':' 'R' <two-digit error code> "00" 0xFF CR    (no data)
// Bytes 2-3 carry the outcome, which is all the tool looks at; bytes 4-5 are a reserved pair
// that this printer always sends as "00". Two answers do not follow the layout: the product
// code (ESC 0xC3) and the status poll (GS 0x05), which put their data right after the colon.
//
// Frame table: one row per frame the printer knows, in the constructor. A row gives the
// frame's first two bytes, its shape (so the parser knows where the frame ends), the handler
// that acts on it and builds the answer, and the firmware version that introduced the frame
// where it is not as old as the printer.

namespace emu {
namespace {

using detail::answerEnd;
using detail::Esc;
using detail::Gs;

// Bytes 6-15 of the identification answer: the model name, space-padded.
const QByteArray ModelName = QByteArrayLiteral("MV4700    ");

// The version-information frame ESC 0xF3 came with firmware 1.01. Older printers do not know
// it and, unlike with other unknown frames, give no answer at all (no syntax error either);
// the tool allows for that by waiting only briefly for this one.
constexpr int VersionFrameSince = 101;

class ModelB final : public Printer {
public:
    explicit ModelB(const Identity &identity) : Printer(Model::B, identity) {
        using F = FrameShape;
        // clang-format off
        addCommand({Esc, 0xC3, F::fixed(2), [this](const QByteArray &) { return productCode(); }});
        addCommand({Esc, 0xE9, F::fixed(2), [this](const QByteArray &) { return identification(); }});
        addCommand({Esc, 0xF3, F::fixed(5), [this](const QByteArray &f) { return versionItem(f); },
                    VersionFrameSince});
        addCommand({Gs,  0x05, F::fixed(2), [this](const QByteArray &) { return statusAnswer(); }});
        // clang-format on
    }

protected:
    Reply errorAnswer(const QByteArray &code) const override {
        return answer(":R" + code + "00" + answerEnd());
    }

    // Status digits s1..s12 (answer bytes 1..12), the bits the tool reads and the ones we give
    // meaning to ourselves:
    //   s1  bit 3 drawer open; bit 1 check mechanism cover open
    //   s2  bit 3 check in place; bit 2 authentication slip in place (a check not yet
    //       released); bit 1 paper end (sensor); bit 0 paper low (sensor)
    //   s3  bit 3 CLEAR = maintenance mode; bit 1 blocked; bit 0 off-line
    //   s4  bit 2 Redução Z of the day issued; bit 1 initial Leitura X issued; bit 0 document
    //       issued after the Redução Z
    //   s5  bit 3 training mode; bit 2 fiscal memory absent; bits 1 and 0 both set = idle
    //   s6  bit 3 check still held by the mechanism;  s8 bit 3 Redução Z pending
    //   s9  bit 0 totalizer error;  s10 bit 1 clock error, bit 0 header damaged
    // As on model A, running out of paper puts the printer off-line.
    QByteArray statusDigits() const override {
        std::array<int, 12> s{};
        s[1] = (paperEnd ? 0x2 : 0) | (paperLow ? 0x1 : 0);
        s[2] = (jumper ? 0 : 0x8) | (paperEnd ? 0x1 : 0);
        s[3] = 0x2; // the day's initial Leitura X has been issued
        s[4] = 0x3; // idle
        return hexDigits(s);
    }

private:
    Reply accepted(const QByteArray &data) const { return answer(":R0000" + data + answerEnd()); }

    // ESC 0xC3: the product code. The tool checks bytes 1-6 for "100047"; the firmware version
    // follows it.
    Reply productCode() const {
        return answer(':' + QByteArray("100047") + id.firmware + answerEnd());
    }

    // ESC 0xE9: model name 6-15, serial 16-23, firmware version 24-27, ECF number 28-31.
    Reply identification() const {
        return accepted(ModelName + id.serial + id.firmware + id.ecfNumber);
    }

    // ESC 0xF3 and a three-digit item number. Item "010" is the firmware version: the answer
    // echoes the item at 6-8 and gives the version at 9-12. This printer has no other items;
    // asking for one is a syntax error.
    Reply versionItem(const QByteArray &frame) const {
        const QByteArray item = frame.mid(2, 3);
        if (item != "010")
            return errorAnswer(detail::syntaxError());
        return accepted(item + id.firmware);
    }
};

} // namespace

std::unique_ptr<Printer> detail::makeModelB(const Identity &identity) {
    return std::make_unique<ModelB>(identity);
}

} // namespace emu
