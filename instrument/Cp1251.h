#pragma once
// Windows-1251, the code page of the instrument's names and of every text file the console
// writes. One table, the same on every platform (Qt's own codecs depend on ICU).

#include <QByteArray>
#include <QString>

namespace kvir::cp1251 {

// A character without a Windows-1251 byte becomes '?'.
QByteArray Encode(const QString& text);
QString Decode(const QByteArray& bytes);
// True when every character of `text` has a Windows-1251 byte.
bool CanEncode(const QString& text);

}  // namespace kvir::cp1251
