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
    const NotebookLayout* layout = LayoutOf(model);
    return layout != nullptr ? layout->end : 0;
}

int PageCount(DeviceModel model, int base) {
    const NotebookLayout* layout = LayoutOf(model);
    return layout != nullptr ? LayoutPages(*layout, base) : 0;
}

int RecordCapacity(DeviceModel model, int base) {
    const NotebookLayout* layout = LayoutOf(model);
    return layout != nullptr ? RecordCapacity(*layout, base) : 0;
}

}  // namespace kvir
