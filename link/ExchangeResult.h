#pragma once
// ExchangeResult: the integer result of every instrument operation. The operator's text for
// each lives with the other operator texts (session/OperatorTexts.h).

#include <QString>

namespace kvir {

using ExchangeResult = int;

namespace xr {
constexpr ExchangeResult kOk = 0;
constexpr ExchangeResult kPortFailed = -1;         // the port did not open
constexpr ExchangeResult kBadChecksum = 129;       // not hexadecimal, wrong LRC, too short
constexpr ExchangeResult kUnknownDevice = 130;     // reply from another address
constexpr ExchangeResult kCommandFailed = 131;     // failed command or unexpected reply code
constexpr ExchangeResult kUnknownCommand = 132;    // reply code outside the reply table
constexpr ExchangeResult kNoReply = 133;           // fewer than 6 characters arrived
constexpr ExchangeResult kNotSent = 134;           // the request was refused before sending
constexpr ExchangeResult kOutsideNotebook = 135;   // page or directory slot out of range
constexpr ExchangeResult kNoPortNamed = 145;       // console: neither entry nor text
constexpr ExchangeResult kUnsupportedModel = 146;  // console: instrument not supported
constexpr ExchangeResult kModelChanged = 147;      // console: another model than before
constexpr ExchangeResult kBadDeviceNumber = 148;   // device number is not a decimal integer
constexpr ExchangeResult kTooManyRecords = 149;    // more records than the record pages hold
constexpr ExchangeResult kBackupNotSaved = 150;    // the instrument's contents were not saved:
                                                   // nothing was erased
constexpr ExchangeResult kCancelled = 151;         // the operator stopped it before the next
                                                   // request; nothing was sent after that
}  // namespace xr

// Bit 7 marks the exchange errors; the retry rule tests exactly this bit.
constexpr bool IsExchangeError(ExchangeResult r) {
    return r >= 0 && (r & 0x80) != 0;
}

}  // namespace kvir
