#pragma once
// The supported instrument models and the figures common to their notebook memories. What
// differs between the models lives in one table (ModelTable.h); these functions look it up.

#include <QString>
#include <QtGlobal>

namespace kvir {

enum class DeviceModel { None, Ph510, Conc210 };

inline const QString kModel510 = QStringLiteral("КВИР-510v2");
inline const QString kModel210 = QStringLiteral("КВИР-210v1");
inline const QString kModelNone = QStringLiteral("КВИР-XXXvX");

constexpr int kPageSize = 512;
constexpr int kEnd510 = 0xFA00;        // end of the folder-page notebook
constexpr int kDirectory210 = 0xF800;  // directory, and end of the record pages
constexpr int kRecordsPerFolderPage = 26;
constexpr int kRecordsPerRecordPage = 23;

// Display name ("КВИР-510v2", "КВИР-210v1", "КВИР-XXXvX").
QString DisplayName(DeviceModel model);
// The model whose display name equals `name` exactly (as the settings file stores the last
// model); None for any other text.
DeviceModel ModelFromDisplayName(const QString& name);
// Exact, whole-string, case-sensitive: "КВИР-510" with "2", or "КВИР-210" with any version.
DeviceModel ModelFromIdentification(const QString& name, const QString& version);

// End of the model's notebook area (0 for None).
int NotebookEnd(DeviceModel model);
// (end − base) / 512, rounded down; never negative.
int PageCount(DeviceModel model, int base);
// Records the model's pages can hold: page count × records per page.
int RecordCapacity(DeviceModel model, int base);

}  // namespace kvir
