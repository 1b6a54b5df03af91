#pragma once

#include <cstddef>
#include <cstdint>

// Argument records of the command sets: plain bytes at fixed offsets. Digits are ASCII
// digits; names are space-padded Windows-1252 text. The windows fill them, the operations
// read and fill them, and the configuration file stores some of them as they are.

// A tax rate, 5 bytes.
struct TaxRateRecord {
    uint8_t iss;     // 1: ISS (service tax) rate; 0: ICMS rate
    uint8_t rate[4]; // 4 digits, two implied decimals (1800 = 18,00 %); '/' in rate[0]: unused
};
static_assert(sizeof(TaxRateRecord) == 5);

// A payment method, 24 bytes.
struct PaymentMethodRecord {
    uint8_t linked;   // 1: the method accepts a linked voucher (CCD)
    uint8_t index[2]; // two digits, 01 to 16
    uint8_t name[21];
};
static_assert(sizeof(PaymentMethodRecord) == 24);

// A non-fiscal totalizer, 24 bytes.
struct TotalizerRecord {
    uint8_t sign;      // 0: inflow ('+'), 1: outflow ('-')
    uint8_t unused[2]; // not used by the frame
    uint8_t name[21];
};
static_assert(sizeof(TotalizerRecord) == 24);

// One entry of the tables read back: a flag (1 linked / outflow, 0 otherwise) and a name.
struct FlaggedName {
    uint8_t flag;
    uint8_t name[21];
};
static_assert(sizeof(FlaggedName) == 22);

struct PaymentMethodTable {
    FlaggedName entries[32]; // model B fills 32; model A 16, with 17-character names
};
static_assert(sizeof(PaymentMethodTable) == 704);

struct TotalizerTable {
    FlaggedName entries[16];
};
static_assert(sizeof(TotalizerTable) == 352);

// Management report names (model B) or linked totalizer names (model A).
struct NameTable {
    uint8_t names[16][21];
};
static_assert(sizeof(NameTable) == 336);

// The printer's option settings, as ReadOptions fills them and ProgramOptions sends them.
// The commands use bytes 0 to 31, each an ASCII '0' or '1' ('X' leaves the option unchanged).
struct OptionsBlock {
    uint8_t bytes[70];

    enum Offset : int {
        AutoReadingX = 0,
        AutoReductionZ = 1,
        DaylightSaving = 2,
        IssDiscount = 4,
        CouponLegend = 5,
        LineHeight = 7,         // 2 digits
        CouponSpacing = 9,      // 2 digits
        ReductionZMinHour = 11, // 2 digits
        AdditionalCoupon = 13,
        PaperCutter = 16,
        Rounding = 20,
        BoldCheck = 30,
        SuppressErrors = 31,
    };
};
static_assert(sizeof(OptionsBlock) == 70);

// The operator (and, on model B, the store number).
struct OperatorRecord {
    uint8_t store[4]; // model B
    uint8_t name[16]; // model A uses 16 characters, model B 13
};
static_assert(sizeof(OperatorRecord) == 20);

// The receipt header ("clichê"), 1208 bytes.
struct ClicheRecord {
    uint8_t ecfNumber[4];
    uint8_t text[1200]; // ends with 0xFF; lines end with CR LF
    uint32_t length;    // bytes of text including the 0xFF
};
static_assert(sizeof(ClicheRecord) == 1208);

// The user recorded in the fiscal memory, 80 bytes of space-padded text.
struct UserRecordBlock {
    uint8_t cnpj[20];
    uint8_t ie[20];
    uint8_t im[20];
    uint8_t authorization[20]; // the frame carries its first 8 characters
};
static_assert(sizeof(UserRecordBlock) == 80);

struct ClockRecord {
    uint16_t year; // 2000 + the two digits
    uint16_t month;
    uint16_t day;
    uint16_t hour;
    uint16_t minute;
    uint16_t second;
    uint16_t zero;
};
static_assert(sizeof(ClockRecord) == 14);

// The twelve status digits of the GS poll: bytes 1 to 12 hold their values (0 to 15);
// byte 0 is not written.
struct StatusRecord {
    uint8_t bytes[13] = {};
};

// ---- Fiscal documents ----
//
// Apart from the item's form byte, every field below is ASCII at a fixed offset: digits
// right-aligned and padded with '0', texts as typed and ended by a zero byte inside their
// field. The gaps between the fields belong to the layouts that the windows fill; they are
// never read.
//
// Surcharge and discount ("acréscimo" / "desconto") are described alike everywhere: a type
// byte 'N' (none), 'A' (surcharge) or 'D' (discount), and a mode byte 'V' (an amount) or 'P'
// (a percentage of four digits, two of them decimals).

// One item of a fiscal coupon (sale, or a later surcharge or discount on it), 281 bytes.
struct ItemRecord {
    uint8_t form;             // 1: short form (one-line description); anything else: long form
    uint8_t code[20];         // item code, zero-terminated
    uint8_t description[210]; // zero-terminated
    uint8_t price[10];        // unit price digits; the short form uses the first 9
    uint8_t gap1[5];
    uint8_t taxCode[2];
    uint8_t quantity[8]; // the short form uses the first 5, or 4 with decimals
    uint8_t gap2[2];
    uint8_t unit[2];        // unit of measure
    uint8_t quantityFormat; // 'D' with decimals, 'I' whole number
    uint8_t adjustment[9];  // amount digits; a percentage (and model A's item sale) uses 4
    uint8_t gap3[6];
    uint8_t adjustmentType; // 'N', 'A' or 'D'
    uint8_t adjustmentMode; // 'V' or 'P'
    uint8_t itemNumber[3];  // the item to adjust (AdjustItem only)
};
static_assert(sizeof(ItemRecord) == 281);
static_assert(offsetof(ItemRecord, description) == 21 && offsetof(ItemRecord, price) == 231);
static_assert(offsetof(ItemRecord, taxCode) == 246 && offsetof(ItemRecord, quantity) == 248);
static_assert(offsetof(ItemRecord, unit) == 258 && offsetof(ItemRecord, quantityFormat) == 260);
static_assert(offsetof(ItemRecord, adjustment) == 261 &&
              offsetof(ItemRecord, adjustmentType) == 276);
static_assert(offsetof(ItemRecord, adjustmentMode) == 277 &&
              offsetof(ItemRecord, itemNumber) == 278);

// The totalization of a coupon, 17 bytes. On success `amount` receives the subtotal.
struct TotalRecord {
    uint8_t amount[12]; // amount digits, or a percentage in the first 4
    uint8_t gap[3];
    uint8_t adjustmentType; // 'N', 'A' or 'D'
    uint8_t adjustmentMode; // 'V' or 'P'
};
static_assert(sizeof(TotalRecord) == 17);
static_assert(offsetof(TotalRecord, adjustmentType) == 15);

// A payment, 66 bytes. On success `amount` receives the balance still to pay.
struct PaymentRecord {
    uint8_t method[2]; // model A: a one-character code in method[0]; model B: two digits
    uint8_t amount[12];
    uint8_t gap[3];
    uint8_t text[49]; // additional text, up to 48 characters, zero-terminated
};
static_assert(sizeof(PaymentRecord) == 66);
static_assert(offsetof(PaymentRecord, text) == 17);

// The reversal of a payment from one method to another, 24 bytes.
struct ReversalRecord {
    uint8_t from[2]; // model A uses from[0] and to[0], one-character codes
    uint8_t to[2];
    uint8_t coo[6];
    uint8_t amount[12];
    uint8_t gap[2];
};
static_assert(sizeof(ReversalRecord) == 24);
static_assert(offsetof(ReversalRecord, coo) == 4 && offsetof(ReversalRecord, amount) == 10);

// A non-fiscal voucher not linked to a coupon, 74 bytes.
struct VoucherRecord {
    uint8_t totalizer[2]; // model A: a one-character code in totalizer[0]; model B: two digits
    uint8_t adjustmentType;
    uint8_t adjustment[8]; // 8 amount digits, or a percentage in the first 4
    uint8_t gap1[7];
    uint8_t amount[8];
    uint8_t gap2[47];
    uint8_t adjustmentMode;
};
static_assert(sizeof(VoucherRecord) == 74);
static_assert(offsetof(VoucherRecord, amount) == 18 &&
              offsetof(VoucherRecord, adjustmentMode) == 73);

// A credit or debit voucher linked to a payment of a coupon (CCD), 24 bytes.
struct LinkedVoucherRecord {
    uint8_t method[2]; // model A: a one-character code in method[0]; model B: two digits
    uint8_t coo[6];    // the coupon that was paid
    uint8_t amount[12];
    uint8_t gap[3];
    uint8_t linkedTotalizer; // model A: the code of the linked non-fiscal totalizer
};
static_assert(sizeof(LinkedVoucherRecord) == 24);
static_assert(offsetof(LinkedVoucherRecord, amount) == 8 &&
              offsetof(LinkedVoucherRecord, linkedTotalizer) == 23);
