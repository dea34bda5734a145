#include "DeviceModel.h"

#include "ModelTable.h"

namespace kvir {

QString DisplayName(DeviceModel model) {
    const ModelRow* row = RowOf(model);
    return row != nullptr ? row->displayName : kModelNone;
}

DeviceModel ModelFromDisplayName(const QString& name) {
    for (const ModelRow& row : ModelRows()) {
        if (row.displayName == name) {
            return row.model;
        }
    }
    return DeviceModel::None;
}

DeviceModel ModelFromIdentification(const QString& name, const QString& version) {
    for (const ModelRow& row : ModelRows()) {
        if (row.identName == name && (row.identVersion.isEmpty() || row.identVersion == version)) {
            return row.model;
        }
    }
    return DeviceModel::None;
}

int NotebookEnd(DeviceModel model) {
    const ModelRow* row = RowOf(model);
    return row != nullptr ? row->layout->end : 0;
}

int PageCount(DeviceModel model, int base) {
    const int span = NotebookEnd(model) - base;
    return span > 0 ? span >> 9 : 0;
}

int RecordCapacity(DeviceModel model, int base) {
    const ModelRow* row = RowOf(model);
    return row != nullptr ? PageCount(model, base) * row->layout->recordsPerPage : 0;
}

}  // namespace kvir
