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

// The long time format the console shows: the locale's, without a time zone and with the hour
// written without a leading zero (ru_RU: "H:mm:ss").
QString ConsoleTimeFormat(const QLocale& locale);

// The locale's short date, one blank and the console's long time
// (ru_RU: "07.12.2026 9:05:14").
QString ProtocolStamp(const QDateTime& when, const QLocale& locale);

// One protocol line: stamp, two blanks, text.
QString ProtocolEntry(const QDateTime& when, const QLocale& locale, const QString& text);

}  // namespace kvir
