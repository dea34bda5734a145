#pragma once
// Helpers shared by the notebook tests: memory images written as hexadecimal text, and a
// whole-notebook text dump for golden comparisons.

#include "instrument/Notebook.h"
#include "instrument/Util_modbas.h"

#include <QList>

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kvir::test {

// A 64 KiB memory image from hexadecimal text: "@ADDR" moves to an address, pairs of digits
// are bytes stored from there on, "#" starts a comment. Unlisted bytes are 0xFF. Fails the
// calling test (and returns an empty array) on a malformed file.
QByteArray LoadHexImage(const QString& path);

QString ReadUtf8File(const QString& path);
QString TestDataPath(const QString& name);

// Warnings, the folder list and every used slot, one line each, in the golden files' form.
QString DumpNotebook(const Notebook& notebook, const QList<InstrumentWarning>& warnings);

}  // namespace kvir::test
