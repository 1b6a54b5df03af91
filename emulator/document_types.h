#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QList>

// The documents the emulated printers issue, as the printer's accessors report them.
//
// Units, the same for both models whatever the frame carried:
// - quantities in thousandths of a unit (1 kg = 1000);
// - unit prices in thousandths of a real (R$ 1,25 = 1250);
// - amounts in centavos (R$ 1,25 = 125).

namespace emu {

enum class DocumentKind {
    None,
    Coupon,           // cupom fiscal (CF)
    NonFiscalVoucher, // comprovante não fiscal não vinculado (CNFNV)
    LinkedVoucher,    // comprovante de crédito ou débito (CCD), vinculado a um pagamento
    ManagementReport, // relatório gerencial (RG)
};

enum class DocumentPhase {
    Registering, // items are being sold
    Totalized,   // the total is fixed; payments may begin
    Paying,      // part of the total is paid
    Paid,        // paid in full: the closing may follow
    Printing,    // a report or linked voucher takes free text lines
};

struct SoldItem {
    int number = 0; // 1 for the first item of the coupon
    QByteArray code;
    QByteArray description;
    QByteArray unit;
    QByteArray taxCode;    // as the frame gave it: "TA".."TP", "01".."16", "F ", "II", ...
    qint64 quantity = 0;   // thousandths
    qint64 unitPrice = 0;  // thousandths of a real
    qint64 gross = 0;      // centavos: quantity x unit price, rounded or truncated
    qint64 adjustment = 0; // centavos: + surcharge, - discount
    bool cancelled = false;
    qint64 total() const { return gross + adjustment; }
};

struct PaymentEntry {
    int method = 0; // the payment method's slot: model A 0-15 (A-P), model B 0-31 (01-16, 51-66)
    qint64 amount = 0;
    QByteArray text; // the additional text printed with it
};

// The document the printer has open (kind None when there is none).
struct DocumentView {
    DocumentKind kind = DocumentKind::None;
    DocumentPhase phase = DocumentPhase::Registering;
    int coo = 0;
    // The non-fiscal totalizer (CNFNV), the management report (RG, model B; model A has one,
    // 0) or the payment method (CCD), as a slot from 0.
    int slot = 0;
    QList<SoldItem> items;
    qint64 subtotal = 0;   // the live items
    qint64 adjustment = 0; // on the total: + surcharge, - discount
    qint64 total = 0;      // subtotal + adjustment (CNFNV: its amount with its adjustment)
    qint64 paid = 0;
    qint64 balance = 0; // what remains to be paid, never below zero
    qint64 change = 0;  // troco: what was paid beyond the total
    QList<PaymentEntry> payments;
    QByteArrayList lines; // the text lines printed in a report or a linked voucher
};

} // namespace emu
