#pragma once
// The supported instrument models. Everything about a model, its name included, lives in its
// row of the model table (ModelTable.h); these functions look it up. The enumerators are
// only the rows' keys.

#include <QString>
#include <QtGlobal>

namespace kvir {

enum class DeviceModel { None, Ph510, Conc210 };

inline const QString kModel510 = QStringLiteral("КВИР-510v2");
inline const QString kModel210 = QStringLiteral("КВИР-210v1");
// The caption while no supported instrument is identified.
inline const QString kModelNone = QStringLiteral("КВИР-XXXvX");

// Display name ("КВИР-510v2", "КВИР-210v1", "КВИР-XXXvX").
QString DisplayName(DeviceModel model);
// The model whose display name equals `name` exactly (as the settings file stores the last
// model); None for any other text.
DeviceModel ModelFromDisplayName(const QString& name);
// Exact, whole-string, case-sensitive: "КВИР-510" with "2", or "КВИР-210" with any version.
DeviceModel ModelFromIdentification(const QString& name, const QString& version);

// End of the model's notebook area (0 for None).
int NotebookEnd(DeviceModel model);
// (end − base) / page size, rounded down; never negative (0 for None).
int PageCount(DeviceModel model, int base);
// Records the model's pages can hold: page count × records per page.
int RecordCapacity(DeviceModel model, int base);

}  // namespace kvir
