#pragma once
// "Выполнить" on tagged rows, for any table with the record table's columns: the export of the
// rows tagged "s" to a file and the printing of the rows tagged "p", with the record table's
// dialogs and texts. The caller collects the rows and clears the tags.

#include "OperatorDialogs.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace kvir {

// Asks for the file (".csv" or ".txt"), whether an existing one is added to or replaced, and
// writes the header line (new or replaced file only) and the rows. The protocol line, or
// nothing when the operator cancelled or the file could not be written (after telling them).
std::optional<QString> ExportRows(OperatorDialogs& dialogs, const QStringList& headers,
                                  const QList<QStringList>& rows);

// Asks for the printer and prints the header line and the rows as one job. False when the
// operator cancelled or the job failed (after telling them).
bool PrintRows(OperatorDialogs& dialogs, const QStringList& headers,
               const QList<QStringList>& rows);

}  // namespace kvir
