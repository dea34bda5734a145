#pragma once
// What the "График" page draws, without widgets: the quantities each model can chart and
// which records carry them, the records of a notebook or of the archive as one list, the
// series of the chosen folders and period, thinning a series to what the screen can show,
// the time axis's ticks, and the texts of tooltips, printed title lines and file names.

#include "instrument/DeviceModel.h"
#include "instrument/ModelTable.h"
#include "instrument/Notebook.h"

#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <array>
#include <bit>
#include <limits>
#include <vector>

namespace kvir {

// One quantity of one model (ModelRow::chartQuantities): where a record keeps it and which
// records carry it.
struct ChartQuantityRow {
    DeviceModel model = DeviceModel::None;
    ChartQuantity quantity = ChartQuantity::Temperature;
    QString name;      // the text in the quantity box
    int field = 0;     // 0 to 3: the record's value 1 to value 4
    int column = 0;    // its header in ModelHeaders(model): the axis title and unit
    quint8 modes = 0;  // bit m set: records whose mode (low two bits) is m carry it
};

// The quantities of `model` in the order the quantity box lists them (none for None).
std::vector<ChartQuantityRow> ChartQuantities(DeviceModel model);
// The axis title: the quantity's column header without its padding ("pH", "ЭДС[мВ]").
QString ChartAxisTitle(const ChartQuantityRow& row);
bool CarriesQuantity(const ChartQuantityRow& row, quint8 modeCode);

// A record as the chart sees it, from the notebook in memory or from the archive.
struct ChartRecord {
    qint64 id = 0;       // the notebook slot, or the archive's record id
    int folder = 0;      // index into ChartData::folders
    double stamp = 0.0;  // day serial: days since 30 December 1899, the fraction the time
    quint8 modeCode = 0;
    std::array<float, 4> values{};  // value 1 to value 4

    // Bit for bit (so that a NaN value equals itself).
    bool operator==(const ChartRecord& o) const {
        return id == o.id && folder == o.folder && modeCode == o.modeCode &&
               std::bit_cast<quint64>(stamp) == std::bit_cast<quint64>(o.stamp) &&
               std::bit_cast<std::array<quint32, 4>>(values) ==
                   std::bit_cast<std::array<quint32, 4>>(o.values);
    }
};

// The records of one model. Records of folders with the same name share one folder entry, so
// that a buffer's history across several notebooks is one series.
class ChartData {
  public:
    DeviceModel model = DeviceModel::None;
    QStringList folders;  // distinct names, in order of their first record
    std::vector<ChartRecord> records;

    // Appends a record of the folder named `folder`.
    void add(const QString& folder, qint64 id, double stamp, quint8 modeCode,
             const std::array<float, 4>& values);
    // The index of the folder named `folder`, added when new.
    int folderIndex(const QString& folder);

    // The same model, folders and records.
    bool operator==(const ChartData& other) const {
        return model == other.model && folders == other.folders && records == other.records;
    }

  private:
    QHash<QString, int> folderIndex_;
};

// The used slots of a notebook, id = slot, folder = the record table's folder text (a record
// whose number names no folder goes to "<???>"); folders in the directory's order.
ChartData ChartDataOf(const Notebook& notebook);

enum class ChartPeriod { All, LastMonth, LastYear, Between };

// Stamps from `from` inclusive to `to` exclusive.
struct StampRange {
    double from = -std::numeric_limits<double>::infinity();
    double to = std::numeric_limits<double>::infinity();
};
// All: everything. LastMonth, LastYear: from the same time one month or one year before
// `now` on (records dated after `now` stay in). Between: from the start of `first` to the end
// of `last`.
StampRange PeriodRange(ChartPeriod period, const QDateTime& now, const QDate& first,
                       const QDate& last);

struct ChartPoint {
    double x = 0.0;  // stamp
    double y = 0.0;  // value
    int record = 0;  // index into ChartData::records
};
struct ChartSeriesData {
    QString folder;
    std::vector<ChartPoint> points;  // by stamp; equal stamps in record order
    int style = 0;                   // the folder's index in the data: its line's colour and kind
};

// One series per folder of `folders` (in that order) that has records carrying the quantity
// in `range`; records of other modes and values that are not finite numbers are left out.
std::vector<ChartSeriesData> BuildChartSeries(const ChartData& data, const ChartQuantityRow& row,
                                              const QStringList& folders, const StampRange& range);

// The folders to chart first: those with records carrying the quantity in `range`, the most
// recently measured first, at most `count` of them.
QStringList FirstChartFolders(const ChartData& data, const ChartQuantityRow& row,
                              const StampRange& range, int count);

// The points to draw of `points` (by x) over [x0, x1] on a plot `columns` pixels wide: all of
// them when there are at most two per column, otherwise the lowest and the highest of each
// column, in x order; either way with the nearest point outside on each side, so that lines
// run on to the plot's edges. Indices into `points`, ascending.
std::vector<int> DecimatedIndices(const std::vector<ChartPoint>& points, double x0, double x1,
                                  int columns);

// A step of about `span / count` rounded to 1, 2 or 5 times a power of ten.
double NiceStep(double span, int count);

struct TimeTick {
    double x = 0.0;
    QString label;
};
// Ticks on whole minutes, hours, days, weeks, months or years inside [x0, x1], at most
// `maxTicks` of them, labelled with the locale's short date (and its short time when they are
// less than a day apart); labels are distinct.
std::vector<TimeTick> TimeTicks(double x0, double x1, int maxTicks, const QLocale& locale);

// Hover text: folder, date-time and value, in the record table's formats.
QString ChartTooltip(const ChartData& data, const ChartRecord& record, const ChartQuantityRow& row,
                     const QLocale& locale);

// The printed title line: folders, quantity, the dates shown, the day printed.
QString ChartTitleLine(const QStringList& folders, const QString& quantity, double x0, double x1,
                       const QDate& printed, const QLocale& locale);

// A file name without extension from the folders and the dates shown, with the characters a
// file name cannot hold replaced by "_".
QString ChartFileName(const QStringList& folders, double x0, double x1);

}  // namespace kvir
