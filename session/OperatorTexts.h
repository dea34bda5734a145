#pragma once
// Every text the operator reads about a result, a fault or a refusal, in one place. The
// libraries below return typed values; the console and kvir-cli show these words for them.

#include "SessionEvents.h"
#include "instrument/NotebookSequences.h"
#include "link/ExchangeResult.h"
#include "link/SerialPort.h"

#include <QString>

namespace kvir {

// The fixed message for an exchange result; empty for 0 (nothing is shown then).
QString ExchangeResultText(ExchangeResult result);
// The caption of the message box that shows an exchange result.
QString ExchangeResultCaption();

// Why a port did not open, as one clause ("нет прав доступа к порту ...").
QString PortFaultText(PortFault fault);
// Why a file could not be written or read.
QString FileFaultText(FileFault fault);
// Why a backup file cannot be loaded.
QString BackupFaultText(BackupFault fault, FileFault fileFault = FileFault::None);
// Why an action was refused before any request that erases; `backupFile` names where what the
// instrument held was saved, `losses` what memory could not hold.
QString RefusalText(Refusal refusal, const QString& backupFile = {}, NotebookLosses losses = {},
                    const QString& detail = {});
// Folder `index` (0-based) was read as `read` and is held as `held` now.
QString FolderChangedText(int index, const QString& read, const QString& held);
// What a read found in the instrument but could not keep in memory, a line for each kind.
QString LossesText(NotebookLosses losses);
// How a notebook read back after a write differs from what was written, one short line for
// the operator and the protocol; empty when it does not differ.
QString NotebookDifferenceText(const NotebookDifference& difference);
// An instrument of no supported model answered.
QString UnsupportedText(const QString& name, const QString& version);
// A read the operator stopped: what came before stays.
QString ReadStoppedText();
// A warning of the notebook read.
QString InstrumentWarningText(InstrumentWarning warning);

}  // namespace kvir
