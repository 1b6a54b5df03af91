#pragma once

// The rules the document parts of the emulator share: limits of the fields, the tax groups after
// the rate slots, and what each model's options govern. Internal to documents*.cpp.
#include "documents.h"

namespace emu::detail::rules {

// The largest amount a 12-digit field holds, in centavos.
constexpr qint64 MaxAmount = 999'999'999'999;
// Item numbers have three digits.
constexpr int MaxItems = 999;
// A percentage in hundredths: 10000 = 100,00 %.
constexpr qint64 Whole = 10000;
// A stamp per document, at most; the fifth is refused.
constexpr int MaxStamps = 4;

// The tax groups after the 16 rate slots.
constexpr int Substitution = 16; // F
constexpr int Exempt = 17;       // I
constexpr int NotLevied = 18;    // N

// Option parameters, per model (index into P0..): the firmware reads bit 0 of the byte.
struct ModelRules {
    int rounding;          // -1: this model always truncates
    int issDiscount;       // discounts allowed on ISS items
    int automaticReadingX; // the printer issues the day's first Leitura X by itself
    // Cancelling the last coupon takes its linked vouchers along (model A, which has no
    // frame of its own to cancel them); model B refuses until each one has been cancelled.
    bool cancelLinkedWithCoupon;
};

inline ModelRules rulesOf(Model model) {
    return model == Model::A ? ModelRules{4, 31, 3, true} : ModelRules{-1, 4, 0, false};
}

inline bool optionOn(const QByteArray &options, int parameter) {
    return parameter >= 0 && parameter < options.size() && (options[parameter] & 1);
}

} // namespace emu::detail::rules
