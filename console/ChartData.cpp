#include "ChartData.h"

#include "instrument/MemoryLayout.h"
#include "instrument/NotebookImage.h"
#include "instrument/Util_modbas.h"
#include "report/NotebookView.h"
#include "report/ProtocolText.h"

#include <algorithm>
#include <cmath>

namespace kvir {

namespace {

double SerialOf(const QDateTime& when) {
    return DaySerial(when.date()) + when.time().msecsSinceStartOfDay() / 86'400'000.0;
}

QString ShortDate(double serial, const QLocale& locale) {
    return locale.toString(DateOfSerial(serial), locale.dateFormat(QLocale::ShortFormat));
}

// Tick steps: whole minutes, hours, days and weeks in minutes; months and years in months.
struct TickStep {
    int minutes = 0;
    int months = 0;
    double days() const { return minutes > 0 ? minutes / 1440.0 : months * 30.44; }
};

constexpr TickStep kSteps[] = {
    {1, 0},         {2, 0},   {5, 0},   {10, 0},  {15, 0},   {30, 0},       {60, 0},
    {120, 0},       {180, 0}, {360, 0}, {720, 0}, {1440, 0}, {2 * 1440, 0}, {7 * 1440, 0},
    {14 * 1440, 0}, {0, 1},   {0, 2},   {0, 3},   {0, 6},    {0, 12},       {0, 24},
    {0, 60},        {0, 120}, {0, 240}, {0, 600}, {0, 1200},
};

// Serial 2 is Monday 1 January 1900: weekly ticks fall on Mondays.
constexpr double kMonday = 2.0;

}  // namespace

std::vector<ChartQuantityRow> ChartQuantities(DeviceModel model) {
    std::vector<ChartQuantityRow> rows;
    if (const ModelRow* modelRow = RowOf(model)) {
        for (const ChartQuantityEntry& q : modelRow->chartQuantities) {
            rows.push_back({model, q.quantity, q.name, q.field, q.column, q.modes});
        }
    }
    return rows;
}

QString ChartAxisTitle(const ChartQuantityRow& row) {
    return ModelHeaders(row.model).value(row.column).trimmed();
}

bool CarriesQuantity(const ChartQuantityRow& row, quint8 modeCode) {
    return (row.modes & (1u << (modeCode & 3))) != 0;
}

int ChartData::folderIndex(const QString& folder) {
    auto it = folderIndex_.find(folder);
    if (it == folderIndex_.end()) {
        it = folderIndex_.insert(folder, static_cast<int>(folders.size()));
        folders.append(folder);
    }
    return it.value();
}

void ChartData::add(const QString& folder, qint64 id, double stamp, quint8 modeCode,
                    const std::array<float, 4>& values) {
    records.push_back({id, folderIndex(folder), stamp, modeCode, values});
}

ChartData ChartDataOf(const Notebook& notebook) {
    ChartData data;
    data.model = notebook.model;
    const NotebookImage& image = notebook.image;
    const int n = RecordCount(image);
    data.records.reserve(static_cast<size_t>(n));
    for (const QString& name : notebook.folders) {
        if (name != kFreeFolder) {
            data.folderIndex(name);
        }
    }
    for (int slot = 0; slot < n; ++slot) {
        const auto s = static_cast<size_t>(slot);
        data.add(FolderOfRecord(notebook.folders, image.folderNo[s]), slot, image.stamp[s],
                 image.modeCode[s],
                 {image.value1[s], image.value2[s], image.value3[s], image.value4[s]});
    }
    return data;
}

StampRange PeriodRange(ChartPeriod period, const QDateTime& now, const QDate& first,
                       const QDate& last) {
    StampRange range;
    switch (period) {
        case ChartPeriod::All:
            break;
        case ChartPeriod::LastMonth:
            range.from = SerialOf(now.addMonths(-1));
            break;
        case ChartPeriod::LastYear:
            range.from = SerialOf(now.addYears(-1));
            break;
        case ChartPeriod::Between: {
            const QDate a = std::min(first, last);
            const QDate b = std::max(first, last);
            range.from = DaySerial(a);
            range.to = DaySerial(b) + 1.0;
            break;
        }
    }
    return range;
}

std::vector<ChartSeriesData> BuildChartSeries(const ChartData& data, const ChartQuantityRow& row,
                                              const QStringList& folders, const StampRange& range) {
    // Position of each folder of `data` among the chosen ones, -1 when not chosen.
    std::vector<int> chosen(static_cast<size_t>(data.folders.size()), -1);
    std::vector<ChartSeriesData> series;
    for (const QString& name : folders) {
        const qsizetype index = data.folders.indexOf(name);
        if (index >= 0 && chosen[static_cast<size_t>(index)] < 0) {
            chosen[static_cast<size_t>(index)] = static_cast<int>(series.size());
            series.push_back({name, {}, static_cast<int>(index)});
        }
    }
    const auto field = static_cast<size_t>(row.field);
    for (size_t i = 0; i < data.records.size(); ++i) {
        const ChartRecord& r = data.records[i];
        const int target = chosen[static_cast<size_t>(r.folder)];
        const double value = r.values[field];
        if (target < 0 || !CarriesQuantity(row, r.modeCode) || !std::isfinite(value) ||
            r.stamp < range.from || r.stamp >= range.to) {
            continue;
        }
        series[static_cast<size_t>(target)].points.push_back({r.stamp, value, static_cast<int>(i)});
    }
    std::erase_if(series, [](const ChartSeriesData& s) { return s.points.empty(); });
    for (ChartSeriesData& s : series) {
        std::stable_sort(s.points.begin(), s.points.end(),
                         [](const ChartPoint& a, const ChartPoint& b) { return a.x < b.x; });
    }
    return series;
}

QStringList FirstChartFolders(const ChartData& data, const ChartQuantityRow& row,
                              const StampRange& range, int count) {
    std::vector<std::pair<double, int>> latest;  // (latest stamp, folder) of folders with records
    std::vector<double> newest(static_cast<size_t>(data.folders.size()),
                               -std::numeric_limits<double>::infinity());
    for (const ChartRecord& r : data.records) {
        if (CarriesQuantity(row, r.modeCode) && r.stamp >= range.from && r.stamp < range.to &&
            std::isfinite(r.values[static_cast<size_t>(row.field)])) {
            double& n = newest[static_cast<size_t>(r.folder)];
            n = std::max(n, r.stamp);
        }
    }
    for (size_t f = 0; f < newest.size(); ++f) {
        if (std::isfinite(newest[f])) {
            latest.emplace_back(newest[f], static_cast<int>(f));
        }
    }
    std::stable_sort(latest.begin(), latest.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    QStringList folders;
    for (size_t i = 0; i < latest.size() && static_cast<int>(i) < count; ++i) {
        folders << data.folders.at(latest[i].second);
    }
    return folders;
}

std::vector<int> DecimatedIndices(const std::vector<ChartPoint>& points, double x0, double x1,
                                  int columns) {
    std::vector<int> out;
    if (points.empty() || columns < 1 || !(x1 > x0)) {
        return out;
    }
    const auto byX = [](const ChartPoint& p, double x) { return p.x < x; };
    const auto lo =
        static_cast<int>(std::lower_bound(points.begin(), points.end(), x0, byX) - points.begin());
    const auto hi =
        static_cast<int>(std::upper_bound(points.begin(), points.end(), x1,
                                          [](double x, const ChartPoint& p) { return x < p.x; }) -
                         points.begin());
    if (lo > 0) {
        out.push_back(lo - 1);
    }
    if (hi - lo <= 2 * columns) {
        for (int i = lo; i < hi; ++i) {
            out.push_back(i);
        }
    } else {
        const double scale = columns / (x1 - x0);
        int column = -1;
        int low = 0;
        int high = 0;
        const auto flush = [&] {
            if (column >= 0) {
                out.push_back(std::min(low, high));
                if (low != high) {
                    out.push_back(std::max(low, high));
                }
            }
        };
        for (int i = lo; i < hi; ++i) {
            const ChartPoint& p = points[static_cast<size_t>(i)];
            const int c = std::min(columns - 1, static_cast<int>((p.x - x0) * scale));
            if (c != column) {
                flush();
                column = c;
                low = high = i;
                continue;
            }
            if (p.y < points[static_cast<size_t>(low)].y) {
                low = i;
            }
            if (p.y > points[static_cast<size_t>(high)].y) {
                high = i;
            }
        }
        flush();
    }
    if (hi < static_cast<int>(points.size())) {
        out.push_back(hi);
    }
    return out;
}

double NiceStep(double span, int count) {
    if (!(span > 0) || count < 1) {
        return 1.0;
    }
    const double raw = span / count;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double f = raw / magnitude;
    const double nice = f <= 1.0 ? 1.0 : f <= 2.0 ? 2.0 : f <= 5.0 ? 5.0 : 10.0;
    return nice * magnitude;
}

std::vector<TimeTick> TimeTicks(double x0, double x1, int maxTicks, const QLocale& locale) {
    std::vector<TimeTick> ticks;
    if (!(x1 > x0) || !std::isfinite(x0) || !std::isfinite(x1)) {
        return ticks;
    }
    maxTicks = std::max(maxTicks, 1);
    const double span = x1 - x0;
    TickStep step = kSteps[std::size(kSteps) - 1];
    for (const TickStep& s : kSteps) {
        if (span / s.days() <= maxTicks) {
            step = s;
            break;
        }
    }
    const QString timeFormat = WithoutTimeZone(locale.timeFormat(QLocale::ShortFormat));
    QStringList seen;
    const auto add = [&](double x) {
        QString label = ShortDate(x, locale);
        if (step.minutes > 0 && step.minutes < 1440) {
            label += QLatin1Char(' ') + locale.toString(TimeOfSerial(x), timeFormat);
        }
        if (!seen.contains(label)) {
            seen.append(label);
            ticks.push_back({x, label});
        }
    };
    if (step.minutes > 0) {
        const double origin = step.minutes % (7 * 1440) == 0 ? kMonday : 0.0;
        const double perDay = 1440.0 / step.minutes;
        for (double k = std::ceil((x0 - origin) * perDay); origin + k / perDay <= x1; k += 1.0) {
            add(origin + k / perDay);
        }
        return ticks;
    }
    const QDate first = DateOfSerial(x0);
    QDate d(first.year(), step.months >= 12 ? 1 : first.month(), 1);
    const auto onStep = [&](const QDate& date) {
        const int monthNumber = date.year() * 12 + date.month() - 1;
        return monthNumber % step.months == 0;
    };
    while (DaySerial(d) < x0 || !onStep(d)) {
        d = d.addMonths(1);
    }
    for (; DaySerial(d) <= x1; d = d.addMonths(step.months)) {
        add(DaySerial(d));
    }
    return ticks;
}

QString ChartTooltip(const ChartData& data, const ChartRecord& record, const ChartQuantityRow& row,
                     const QLocale& locale) {
    return data.folders.value(record.folder) + QLatin1Char('\n') +
           FormatStamp(record.stamp, locale) + QLatin1Char('\n') + ChartAxisTitle(row) +
           QStringLiteral(": ") +
           ValueCell(data.model, row.field, record.values[static_cast<size_t>(row.field)], locale);
}

QString ChartTitleLine(const QStringList& folders, const QString& quantity, double x0, double x1,
                       const QDate& printed, const QLocale& locale) {
    const QString dateFormat = locale.dateFormat(QLocale::ShortFormat);
    return (folders.size() == 1 ? QStringLiteral("Папка: ") : QStringLiteral("Папки: ")) +
           folders.join(QStringLiteral(", ")) + QStringLiteral("; ") + quantity +
           QStringLiteral("; с ") + ShortDate(x0, locale) + QStringLiteral(" по ") +
           ShortDate(x1, locale) + QStringLiteral("; напечатано ") +
           locale.toString(printed, dateFormat);
}

QString ChartFileName(const QStringList& folders, double x0, double x1) {
    QString name = folders.size() <= 3 ? folders.join(QStringLiteral(", "))
                                       : folders.first() + QStringLiteral(" и др.");
    const QString from = DateOfSerial(x0).toString(QStringLiteral("yyyy-MM-dd"));
    const QString to = DateOfSerial(x1).toString(QStringLiteral("yyyy-MM-dd"));
    name += QLatin1Char(' ') + from;
    if (to != from) {
        name += QLatin1Char('_') + to;
    }
    for (QChar& c : name) {
        if (c.unicode() < 0x20 || QStringLiteral("\\/:*?\"<>|").contains(c)) {
            c = QLatin1Char('_');
        }
    }
    return name.trimmed();
}

}  // namespace kvir
