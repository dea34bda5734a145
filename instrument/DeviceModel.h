#pragma once
// The supported instrument models, how an identification maps to them, and the figures of
// their notebook memory.

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
// The model whose display name equals `caption` exactly; None for any other text.
DeviceModel ModelFromCaption(const QString& caption);
// Exact, whole-string, case-sensitive: "КВИР-510" with "2", or "КВИР-210" with any version.
DeviceModel ModelFromIdentification(const QString& name, const QString& version);

// End of the model's notebook area (0 for None).
int NotebookEnd(DeviceModel model);
// (end − base) / 512, rounded down; never negative.
int PageCount(DeviceModel model, int base);

}  // namespace kvir
