#include "NotebookView.h"

#include "ProtocolText.h"
#include "instrument/Cp1251.h"
#include "instrument/MemoryLayout.h"
#include "instrument/ModelTable.h"
#include "instrument/Util_modbas.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace kvir {

QStringList ModelHeaders(DeviceModel model) {
    QStringList list;
    if (const ModelRow* row = RowOf(model)) {
        for (const QString& header : row->headers) {
            list << header;
        }
    }
    return list;
}

QString ModeLabel(DeviceModel model, quint8 modeCode) {
    const ModelRow* row = RowOf(model);
    return row != nullptr ? row->modeLabels[modeCode & 3u] : QString();
}

QString FormatValue(const ValueColumn& column, float value, const QLocale& locale) {
    if (column.decimals >= 0) {
        return FormatFixed(value, column.precision, column.decimals, locale);
    }
    // A whole number, truncated toward zero; values beyond the range of an integer (a
    // damaged record) are shown in exponent notation rather than converted.
    if (!std::isfinite(value)) {
        return QStringLiteral("0");
    }
    const double whole = std::trunc(static_cast<double>(value));
    if (std::fabs(whole) >= 1e15) {
        return locale.toString(whole, 'e', 6);
    }
    return QString::number(static_cast<qint64>(whole));
}

namespace {

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
    // The exact decimal digits of |value| to 60 decimals (as printf's "%.60f" gives them), on
    // the stack: the record table and the archive's export format numbers by the million.
    std::array<char, 400> text;
    const char* const begin = text.data();
    const char* const end = std::to_chars(text.data(), text.data() + text.size(), std::fabs(value),
                                          std::chars_format::fixed, 60)
                                .ptr;
    const char* dot = std::find(begin, end, '.');
    const char* integer = begin;
    while (integer < dot && *integer == '0') {
        ++integer;
    }
    const qsizetype intDigits = dot - integer;  // 0 for a value below 1
    if (intDigits > precision) {
        return ExponentText(value, precision, locale);
    }
    const char* fraction = dot + 1;
    const qsizetype fractionDigits = end - fraction;
    // Position of the first significant digit relative to the decimal point.
    qsizetype magnitude = intDigits;
    if (magnitude == 0) {
        const qsizetype zeros =
            std::find_if(fraction, end, [](char c) { return c != '0'; }) - fraction;
        magnitude = zeros == fractionDigits ? 0 : -zeros;
    }
    const qsizetype places =
        std::clamp<qsizetype>(std::min<qsizetype>(decimals, precision - magnitude), 0, decimals);

    // The integer and fraction digits kept, rounded half away from zero on the next digit; a
    // carry out of the first digit adds a leading 1.
    std::array<char, 400> digits;
    char* out = digits.data() + 1;
    out = std::copy(integer, dot, out);
    out = std::copy(fraction, fraction + std::min(places, fractionDigits), out);
    char* first = digits.data() + 1;
    const char next = places < fractionDigits ? fraction[places] : '0';
    if (next >= '5') {
        char* d = out - 1;
        while (d >= first && *d == '9') {
            *d-- = '0';
        }
        if (d < first) {
            *--first = '1';
        } else {
            ++*d;
        }
    }
    // Split back into integer and fraction digits.
    const char* intEnd = out - places;
    const char* intStart = first;
    while (intEnd - intStart > 1 && *intStart == '0') {
        ++intStart;
    }
    const bool allZero = std::all_of(first, out, [](char c) { return c == '0'; });
    QString result;
    result.reserve((intEnd - intStart) + decimals + 2);
    if (negative && !allZero) {
        result += locale.negativeSign();
    }
    result += intStart == intEnd ? QLatin1String("0") : QLatin1String(intStart, intEnd - intStart);
    if (decimals > 0) {
        result += locale.decimalPoint();
        result += QLatin1String(intEnd, out - intEnd);
        result += QString(decimals - places, u'0');
    }
    return result;
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

QString ValueCell(DeviceModel model, int field, float value, const QLocale& locale) {
    if (const ModelRow* row = RowOf(model)) {
        for (const ValueColumn& column : row->values) {
            if (column.value == field + 1) {
                return FormatValue(column, value, locale);
            }
        }
    }
    return {};
}

QStringList RecordCells(const NotebookImage& image, int slot, DeviceModel model,
                        const QStringList& folders, const QString& user, const QLocale& locale) {
    const auto s = static_cast<size_t>(slot);
    QStringList cells;
    cells << QString::number(slot) << FolderOfRecord(folders, image.folderNo[s])
          << FormatStamp(image.stamp[s], locale) << ModeLabel(model, image.modeCode[s]);
    if (const ModelRow* row = RowOf(model)) {
        const std::array<float, 4> values = {image.value1[s], image.value2[s], image.value3[s],
                                             image.value4[s]};
        for (const ValueColumn& column : row->values) {
            cells << FormatValue(column, values[static_cast<size_t>(column.value - 1)], locale);
        }
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
