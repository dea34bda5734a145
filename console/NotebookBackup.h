#pragma once
// The backup of the in-memory notebook that the console saves before every write that erases
// records in the instrument: a semicolon-separated text file like an export, with the
// folder of every record, so that what the console was about to write can be recovered if
// the write fails half-way.

#include "instrument/DeviceModel.h"
#include "instrument/NotebookImage.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

namespace kvir {

// "KVIR-backup-20261207-090514.csv"; `sequence` above 1 is appended before the extension
// ("KVIR-backup-20261207-090514-2.csv") for a second backup within the same second.
QString BackupFileName(const QDateTime& when, int sequence = 1);

// A field as written: unchanged, or, when it holds ';' or '"', in double quotes with every
// double quote doubled.
QString QuoteBackupField(const QString& text);

// The file's lines: the model's eight column headers each followed by ";", then one line per
// used slot in slot order with the texts of record-table columns 2 to 9 each followed by ";".
QStringList BackupLines(const NotebookImage& image, const QStringList& folders, DeviceModel model,
                        const QString& user, const QLocale& locale);

// True when some slot of the image is used.
bool HoldsRecords(const NotebookImage& image);

}  // namespace kvir
