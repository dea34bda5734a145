#pragma once
// How the notebook is shown: the column headers of each model, mode labels, number and
// date-time texts in the operator's regional formats, the two display orders and the folder
// summary. Pure functions over NotebookImage and the folder list; the record table widget
// only copies their results into cells.

#include "instrument/DeviceModel.h"
#include "instrument/NotebookImage.h"

#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <array>

namespace kvir {

struct ValueColumn;

// The eight headers of the data columns 2 to 9 of a model (empty for DeviceModel::None). The
// trailing blanks set the column width and the printed layout.
QStringList ModelHeaders(DeviceModel model);

// Label of the mode byte's two low bits.
QString ModeLabel(DeviceModel model, quint8 modeCode);

// Fixed notation: rounded (half away from zero) to at most `precision` significant digits and
// `decimals` decimals, written with exactly `decimals` digits after the locale's decimal
// separator, no group separator; exponent notation when the integer part has more than
// `precision` digits.
QString FormatFixed(double value, int precision, int decimals, const QLocale& locale);

// One value as its column shows it.
QString FormatValue(const ValueColumn& column, float value, const QLocale& locale);

// A day serial as the locale's short date, one blank and its long time without time zone;
// only the date when the time is exactly midnight.
QString FormatStamp(double stamp, const QLocale& locale);

// Newest first; records with equal stamps in slot order. Compacts the image first.
void BuildDateOrder(NotebookImage& image);
// Folders in descending Windows-1251 byte order of their names (a name before its own
// prefixes), the records of a folder in slot order. Records whose folder number names no
// folder (a free entry or a number beyond the list) follow at the end, in slot order, so no
// record is ever left out. Compacts the image first.
void BuildFolderOrder(NotebookImage& image, const QStringList& folders);

// The folder column's text for a record: the folder's name, or "<???>" when its number names
// no folder.
QString FolderOfRecord(const QStringList& folders, int folderNo);

// The table's text of a record's value `field` (0 to 3: value 1 to value 4) of `model`.
QString ValueCell(DeviceModel model, int field, float value, const QLocale& locale);

// The texts of columns 1 to 9 of the record in `slot`: slot index, folder, date-time, mode,
// four values, user.
QStringList RecordCells(const NotebookImage& image, int slot, DeviceModel model,
                        const QStringList& folders, const QString& user, const QLocale& locale);

struct FolderCount {
    QString name;
    int records = 0;
};
// One row per folder entry that is not free, in slot order, with its record count; a last
// row "<???>" when some records name no folder.
QList<FolderCount> FolderSummary(const NotebookImage& image, const QStringList& folders);

}  // namespace kvir
