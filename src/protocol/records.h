#pragma once

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
        LineHeight = 7,       // 2 digits
        CouponSpacing = 9,    // 2 digits
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
