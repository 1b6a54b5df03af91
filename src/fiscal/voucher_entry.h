#pragma once

#include "fiscal/programming_lists.h"
#include "protocol/records.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>

// What the management report, credit/debit voucher and authentication windows send, worked
// out from what the user typed and chose, without any widget.
namespace VoucherEntry {

// Why a linked voucher cannot be filled from the lists.
enum class Problem {
    None,
    NoLinkedMethod,    // the printer has no payment method that takes a linked voucher
    NoLinkedTotalizer, // model A: no linked totalizer at the chosen method's position
};
// The message for a problem (empty for None).
QString problemText(Problem problem);

// The digits of `text` as a field of `width` digits: right-aligned and zero-padded, the
// rightmost `width` kept when there are more ("123" -> "000123").
QByteArray digitField(const QString &text, int width);

// Runs `open`, a command that opens a document and writes the document's COO into the six
// characters it is given, starting from CurrentCOO; when the printer accepted it, that COO
// becomes CurrentCOO, the document that a cancellation or a voucher refers to next.
bool withCurrentCoo(const std::function<bool(char *coo)> &open);

// Fills `record` (zeroed first) for OpenVoucher: the linked payment method at `index` of the
// lists (-1: the first), the coupon's COO and the 12 amount digits; on model A also the letter
// of the linked totalizer at the same position, which the printer books the voucher under.
Problem fillLinkedVoucher(uint32_t modelCode, const ProgrammingLists &lists, int index,
                          const QString &coo, const QString &amountDigits,
                          LinkedVoucherRecord &record);

// A memo's text as the printer commands take it: Windows-1252, lines joined by CR LF, ended
// by a zero byte (which QByteArray keeps after its size). Empty for an empty memo.
QByteArray documentText(const QString &memo);

// The longest authentication text for a model: 18 characters on model B, 13 on model A.
int authenticationLength(uint32_t modelCode);
// The text to stamp, cut to the model's length, in Windows-1252.
QByteArray authenticationText(uint32_t modelCode, const QString &text);
// The mode flag of model B's authentication: 1 prints on the left side of the slip, 0 on the
// right (model A has one side and ignores it).
inline int authenticationMode(bool leftSide) {
    return leftSide ? 1 : 0;
}

} // namespace VoucherEntry
