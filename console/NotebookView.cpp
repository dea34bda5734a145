#include "NotebookView.h"

#include "ProtocolText.h"
#include "instrument/Cp1251.h"
#include "instrument/MemoryLayout.h"
#include "instrument/Util_modbas.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace kvir {

const std::array<QString, 16>& ColumnHeaders() {
    static const std::array<QString, 16> headers = {
        QStringLiteral("Папка           "), QStringLiteral("Дата/Время          "),
        QStringLiteral("Режим "),           QStringLiteral("Т[С]    "),
        QStringLiteral("ЭДС[мВ]  "),        QStringLiteral("pH      "),
        QStringLiteral("pH25    "),         QStringLiteral("Пользователь                "),
        QStringLiteral("Папка           "), QStringLiteral("Дата/Время          "),
        QStringLiteral("Режим         "),   QStringLiteral("Соль[мг/л]"),
        QStringLiteral("Т[С]  "),           QStringLiteral("КРК[мкг/л]"),
        QStringLiteral("КРК[%]        "),   QStringLiteral("Пользователь                "),
    };
    return headers;
}

QStringList ModelHeaders(DeviceModel model) {
    QStringList list;
    if (model == DeviceModel::None) {
        return list;
    }
    const size_t first = model == DeviceModel::Ph510 ? 0 : 8;
    for (size_t k = 0; k < 8; ++k) {
        list << ColumnHeaders()[first + k];
    }
    return list;
}

QString ModeLabel(DeviceModel model, quint8 modeCode) {
    static const std::array<QString, 4> ph = {QStringLiteral("not"), QStringLiteral("pH"),
                                              QStringLiteral("pH25"), QStringLiteral("mV")};
    static const std::array<QString, 4> conc = {
        QStringLiteral("КРК[мкг/л]"), QStringLiteral("КРК[%]"), QStringLiteral("КРК[мкг/л]+соль"),
        QStringLiteral("КРК[%]+соль")};
    const size_t i = modeCode & 3u;
    switch (model) {
        case DeviceModel::Ph510:
            return ph[i];
        case DeviceModel::Conc210:
            return conc[i];
        case DeviceModel::None:
            break;
    }
    return {};
}

namespace {

// The decimal digits of |value| (exact for every double up to 60 decimals): integer part and
// fraction.
struct Digits {
    QByteArray integer;   // without leading zeros; empty for 0
    QByteArray fraction;  // 60 digits
};

Digits ExactDigits(double magnitude) {
    // Exact like printf's "%.60f", and several times faster (the archive exports a million
    // records at a time).
    char buffer[512];
    const std::to_chars_result end =
        std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::fixed, 60);
    const QByteArray text(buffer, end.ptr - buffer);
    const qsizetype dot = text.indexOf('.');
    Digits d;
    d.integer = text.left(dot);
    while (d.integer.startsWith('0')) {
        d.integer.remove(0, 1);
    }
    d.fraction = text.mid(dot + 1);
    return d;
}

// Rounds the digit string `all` (integer digits followed by fraction digits) so that `keep`
// digits remain, half away from zero. Returns the rounded digits, possibly one longer.
QByteArray RoundDigits(const QByteArray& all, qsizetype keep) {
    if (keep >= all.size()) {
        return all;
    }
    QByteArray head = all.left(std::max<qsizetype>(keep, 0));
    const bool up = keep >= 0 && all.at(keep) >= '5';
    if (up) {
        qsizetype i = head.size() - 1;
        while (i >= 0 && head.at(i) == '9') {
            head[i] = '0';
            --i;
        }
        if (i < 0) {
            head.prepend('1');
        } else {
            head[i] = static_cast<char>(head.at(i) + 1);
        }
    }
    return head;
}

QString ExponentText(double value, int precision, const QLocale& locale) {
    // Mantissa with `precision` significant digits, trailing zeros dropped, then "E" and the
    // exponent.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*E", std::max(precision - 1, 0), value);
    QString text = QString::fromLatin1(buffer);
    const qsizetype e = text.indexOf(u'E');
    QString mantissa = text.left(e);
    int exponent = text.mid(e + 1).toInt();
    if (mantissa.contains(u'.')) {
        while (mantissa.endsWith(u'0')) {
            mantissa.chop(1);
        }
        if (mantissa.endsWith(u'.')) {
            mantissa.chop(1);
        }
    }
    mantissa.replace(u'.', locale.decimalPoint());
    return mantissa + QStringLiteral("E") + QString::number(exponent);
}

}  // namespace

QString FormatFixed(double value, int precision, int decimals, const QLocale& locale) {
    if (std::isnan(value)) {
        return QStringLiteral("NAN");
    }
    if (std::isinf(value)) {
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    }
    const bool negative = std::signbit(value) && value != 0.0;
    const Digits d = ExactDigits(std::fabs(value));
    if (d.integer.size() > precision) {
        return ExponentText(value, precision, locale);
    }
    // Position of the first significant digit relative to the decimal point.
    qsizetype magnitude = d.integer.size();
    if (magnitude == 0) {
        qsizetype zeros = 0;
        while (zeros < d.fraction.size() && d.fraction.at(zeros) == '0') {
            ++zeros;
        }
        magnitude = zeros == d.fraction.size() ? 0 : -zeros;
    }
    const qsizetype places =
        std::clamp<qsizetype>(std::min<qsizetype>(decimals, precision - magnitude), 0, decimals);
    const QByteArray all = d.integer + d.fraction;
    QByteArray rounded = RoundDigits(all, d.integer.size() + places);
    // Split back into integer and fraction digits (rounding may have added a leading digit).
    const qsizetype intLength = rounded.size() - places;
    QByteArray integer = rounded.left(intLength);
    QByteArray fraction = rounded.mid(intLength);
    while (integer.size() > 1 && integer.startsWith('0')) {
        integer.remove(0, 1);
    }
    if (integer.isEmpty()) {
        integer = "0";
    }
    fraction = fraction.leftJustified(decimals, '0');
    const bool allZero =
        std::all_of(integer.begin(), integer.end(), [](char c) { return c == '0'; }) &&
        std::all_of(fraction.begin(), fraction.end(), [](char c) { return c == '0'; });
    QString text = QString::fromLatin1(integer);
    if (decimals > 0) {
        text += locale.decimalPoint() + QString::fromLatin1(fraction);
    }
    if (negative && !allZero) {
        text.prepend(locale.negativeSign());
    }
    return text;
}

QString FormatStamp(double stamp, const QLocale& locale) {
    const QDate date = DateOfSerial(stamp);
    const QTime time = TimeOfSerial(stamp);
    // Stamps come by the thousand in one locale, sorted by date: the last date's text and the
    // last time format are kept (per thread) for as long as the locale and its formats stay.
    struct Last {
        QLocale locale;
        QString dateFormat;
        QDate date;
        QString dateText;
        QString longTimeFormat;
        QString timeFormat;
    };
    thread_local Last last;
    const QString dateFormat = locale.dateFormat(QLocale::ShortFormat);
    const bool sameLocale = last.locale == locale;
    if (!sameLocale || last.dateFormat != dateFormat || last.date != date) {
        last.locale = locale;
        last.dateFormat = dateFormat;
        last.date = date;
        last.dateText = locale.toString(date, dateFormat);
    }
    if (time == QTime(0, 0)) {
        return last.dateText;
    }
    const QString longTimeFormat = locale.timeFormat(QLocale::LongFormat);
    if (!sameLocale || last.longTimeFormat != longTimeFormat || last.timeFormat.isNull()) {
        last.longTimeFormat = longTimeFormat;
        last.timeFormat = ConsoleTimeFormat(locale);
    }
    return last.dateText + QLatin1Char(' ') + locale.toString(time, last.timeFormat);
}

void BuildDateOrder(NotebookImage& image) {
    CompactNotebookImage(image);
    const int n = RecordCount(image);
    std::vector<quint16> order(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), quint16{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](quint16 a, quint16 b) { return image.stamp[a] > image.stamp[b]; });
    std::copy(order.begin(), order.end(), image.orderByDate.begin());
}

void BuildFolderOrder(NotebookImage& image, const QStringList& folders) {
    CompactNotebookImage(image);
    const int n = RecordCount(image);
    // Folder entries in use, by descending byte order of their names; entries with equal
    // names (a damaged directory can hold two "<???>") each keep their own records.
    std::vector<std::pair<QByteArray, int>> named;
    for (int i = 0; i < folders.size(); ++i) {
        if (folders.at(i) != kFreeFolder) {
            named.emplace_back(cp1251::Encode(folders.at(i)), i);
        }
    }
    std::stable_sort(named.begin(), named.end(), [](const auto& a, const auto& b) {
        return std::lexicographical_compare(
            b.first.begin(), b.first.end(), a.first.begin(), a.first.end(),
            [](char x, char y) { return static_cast<quint8>(x) < static_cast<quint8>(y); });
    });
    std::vector<bool> placed(static_cast<size_t>(n), false);
    size_t k = 0;
    for (const auto& [name, index] : named) {
        for (int s = 0; s < n; ++s) {
            if (image.folderNo[static_cast<size_t>(s)] == index + 1) {
                image.orderByFolder[k++] = static_cast<quint16>(s);
                placed[static_cast<size_t>(s)] = true;
            }
        }
    }
    for (int s = 0; s < n; ++s) {
        if (!placed[static_cast<size_t>(s)]) {
            image.orderByFolder[k++] = static_cast<quint16>(s);
        }
    }
}

QString FolderOfRecord(const QStringList& folders, int folderNo) {
    if (folderNo < 1 || folderNo > folders.size() || folders.at(folderNo - 1) == kFreeFolder) {
        return kUnreadableFolder;
    }
    return folders.at(folderNo - 1);
}

QStringList RecordCells(const NotebookImage& image, int slot, DeviceModel model,
                        const QStringList& folders, const QString& user, const QLocale& locale) {
    const auto s = static_cast<size_t>(slot);
    QStringList cells;
    cells << QString::number(slot) << FolderOfRecord(folders, image.folderNo[s])
          << FormatStamp(image.stamp[s], locale) << ModeLabel(model, image.modeCode[s]);
    if (model == DeviceModel::Ph510) {
        cells << FormatFixed(image.value1[s], 5, 2, locale)
              << FormatFixed(image.value2[s], 7, 2, locale)
              << FormatFixed(image.value3[s], 7, 4, locale)
              << FormatFixed(image.value4[s], 7, 4, locale);
    } else {
        const double salt = std::isfinite(image.value4[s]) ? std::trunc(image.value4[s]) : 0.0;
        cells << QString::number(static_cast<qint64>(salt))
              << FormatFixed(image.value1[s], 5, 2, locale)
              << FormatFixed(image.value2[s], 7, 2, locale)
              << FormatFixed(image.value3[s], 7, 2, locale);
    }
    cells << user;
    return cells;
}

QList<FolderCount> FolderSummary(const NotebookImage& image, const QStringList& folders) {
    QList<FolderCount> rows;
    const int n = RecordCount(image);
    int counted = 0;
    for (int i = 0; i < folders.size(); ++i) {
        if (folders.at(i) == kFreeFolder) {
            continue;
        }
        int count = 0;
        for (int s = 0; s < n; ++s) {
            count += image.folderNo[static_cast<size_t>(s)] == i + 1 ? 1 : 0;
        }
        counted += count;
        rows.append({folders.at(i), count});
    }
    if (counted < n) {
        rows.append({kUnreadableFolder, n - counted});
    }
    return rows;
}

}  // namespace kvir
