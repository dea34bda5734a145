#include "ProtocolText.h"

namespace kvir {

QString WithoutTimeZone(const QString& timeFormat) {
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < timeFormat.size(); ++i) {
        const QChar c = timeFormat.at(i);
        if (c == u'\'') {
            quoted = !quoted;
            out.append(c);
            continue;
        }
        if (quoted || c != u't') {
            out.append(c);
            continue;
        }
        // Drop the run of "t", the blanks before it (already copied) and after it.
        while (i + 1 < timeFormat.size() && timeFormat.at(i + 1) == u't') {
            ++i;
        }
        while (!out.isEmpty() && out.back().isSpace()) {
            out.chop(1);
        }
        bool trailingBlank = false;
        while (i + 1 < timeFormat.size() && timeFormat.at(i + 1).isSpace()) {
            ++i;
            trailingBlank = true;
        }
        // Between two other parts one blank still separates them.
        if (trailingBlank && !out.isEmpty()) {
            out.append(u' ');
        }
    }
    return out.trimmed();
}

QString ConsoleTimeFormat(const QLocale& locale) {
    QString format = WithoutTimeZone(locale.timeFormat(QLocale::LongFormat));
    // Hours as the operator's protocol has always shown them: 9:05:14, not 09:05:14.
    format.replace(QStringLiteral("HH"), QStringLiteral("H"));
    format.replace(QStringLiteral("hh"), QStringLiteral("h"));
    return format;
}

QString ProtocolStamp(const QDateTime& when, const QLocale& locale) {
    const QString format =
        locale.dateFormat(QLocale::ShortFormat) + u' ' + ConsoleTimeFormat(locale);
    return locale.toString(when, format);
}

QString ProtocolEntry(const QDateTime& when, const QLocale& locale, const QString& text) {
    return ProtocolStamp(when, locale) + QStringLiteral("  ") + text;
}

}  // namespace kvir
