#pragma once
// Texts of the activity protocol: the entry's date-time stamp in the operator's regional
// formats, and the file the protocol is saved to.

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace kvir {

inline const QString kProtocolFileName = QStringLiteral("KVIR-prot.txt");

// A time format without its time-zone part: every unquoted "t" together with the blanks
// around it is dropped ("h:mm:ss AP t" gives "h:mm:ss AP").
QString WithoutTimeZone(const QString& timeFormat);

// The locale's short date, one blank and its long time without a time zone
// (ru_RU: "07.12.2026 09:05:14").
QString ProtocolStamp(const QDateTime& when, const QLocale& locale);

// One protocol line: stamp, two blanks, text.
QString ProtocolEntry(const QDateTime& when, const QLocale& locale, const QString& text);

}  // namespace kvir
