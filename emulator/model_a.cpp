#include "printer_internal.h"

// Model A, the MV210.
//
// Answer layout. Every answer begins with ':' and ends with 0xFF CR.
// - Accepted, data read from byte 1:  ':' data 0xFF CR
// - Accepted, data read from byte 2:  ':' <the command byte, echoed> data 0xFF CR
// - Refused:                          ':' 'E' <two-digit error code> 0xFF CR
// The tool tells the two apart by the leading ":E", so no accepted answer to a command may have
// an 'E' after the colon (the echoed command bytes are 0x80 or above). The status poll's answer
// is never checked that way, so its first digit may well be 'E'.
//
// Frame table: one row per frame the printer knows, in the constructor. A row gives the
// frame's first two bytes, its shape (so the parser knows where the frame ends) and the
// handler that acts on it and builds the answer.

namespace emu {
namespace {

using detail::answerEnd;
using detail::Esc;
using detail::Gs;

class ModelA final : public Printer {
public:
    explicit ModelA(const Identity &identity) : Printer(Model::A, identity) {
        using F = FrameShape;
        // clang-format off
        addCommand({Esc, 0xC3, F::fixed(2), [this](const QByteArray &) { return productCode(); }});
        addCommand({Esc, 0xEC, F::fixed(2), [this](const QByteArray &f) { return identification(f); }});
        addCommand({Gs,  0xFF, F::fixed(2), [this](const QByteArray &) { return statusAnswer(); }});
        // clang-format on
    }

protected:
    Reply errorAnswer(const QByteArray &code) const override {
        return answer(":E" + code + answerEnd());
    }

    // Status digits s1..s12 (answer bytes 1..12), the bits the tool reads and the ones we give
    // meaning to ourselves:
    //   s1  bit 3 drawer open; bit 2 mechanical failure; bit 1 CLEAR = authentication slip in
    //       place; bit 0 paper end (sensor)
    //   s2  bit 3 off-line; bit 1 Redução Z pending; bit 0 paper low (sensor)
    //   s3  bit 3 CLEAR = maintenance mode
    //   s4  bit 3 management report open; bit 2 fiscal coupon open; bit 1 idle; bit 0 busy
    //   s5  bit 2 blocked; bit 1 fiscal memory absent; bit 0 training mode
    //   s6  bit 3 document issued after the Redução Z; bit 2 initial Leitura X issued;
    //       bit 1 Redução Z of the day issued
    //   s9  bit 0 totalizer error;  s10 bit 1 clock error, bit 0 header damaged
    // The printer goes off-line when the paper runs out: it stops taking documents until a
    // new roll is in, and says so in the off-line bit as well as in the sensor bit.
    QByteArray statusDigits() const override {
        std::array<int, 12> s{};
        s[0] = 0x2 | (paperEnd ? 0x1 : 0);
        s[1] = (paperEnd ? 0x8 : 0) | (paperLow ? 0x1 : 0);
        s[2] = jumper ? 0 : 0x8;
        s[3] = 0x2; // idle: nothing printing, no document open
        s[5] = 0x4; // the day's initial Leitura X has been issued
        return hexDigits(s);
    }

private:
    // ESC 0xC3: the product code. The tool checks bytes 1-5 for "10043"; the firmware version
    // follows it, as the printer's boot banner shows it.
    Reply productCode() const {
        return answer(':' + QByteArray("10043") + id.firmware + answerEnd());
    }

    // ESC 0xEC: ':' 0xEC, serial 2-9, firmware version 10-13, ECF number 14-17.
    Reply identification(const QByteArray &frame) const {
        return answer(':' + frame.mid(1, 1) + id.serial + id.firmware + id.ecfNumber + answerEnd());
    }
};

} // namespace

std::unique_ptr<Printer> detail::makeModelA(const Identity &identity) {
    return std::make_unique<ModelA>(identity);
}

} // namespace emu
