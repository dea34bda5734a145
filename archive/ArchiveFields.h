#pragma once
// How the archive's columns hold the notebook's fields (inside the archive library only).

#include "instrument/Cp1251.h"
#include "instrument/DeviceModel.h"
#include "instrument/ModelTable.h"
#include "instrument/Util_modbas.h"

#include <QStringList>

#include <bit>

namespace kvir::archive_fields {

// Models as their numbers (ModelRow::archiveCode); 0 for none.
inline int ModelCode(DeviceModel model) {
    const ModelRow* row = RowOf(model);
    return row != nullptr ? row->archiveCode : 0;
}

inline DeviceModel ModelOfCode(int code) {
    for (const ModelRow& row : ModelRows()) {
        if (row.archiveCode == code) {
            return row.model;
        }
    }
    return DeviceModel::None;
}

inline qint32 ValueBits(float value) {
    return std::bit_cast<qint32>(value);
}

inline float ValueOfBits(qint64 bits) {
    return std::bit_cast<float>(static_cast<qint32>(bits));
}

// The folder name a record is keyed by: the name of the folder its number names, or "<???>"
// when the number names no folder (out of the list or a free entry), as the record table
// shows it.
inline QByteArray RecordFolderBytes(const QStringList& folders, int folderNo) {
    if (folderNo < 1 || folderNo > folders.size() || folders.at(folderNo - 1) == kFreeFolder) {
        return cp1251::Encode(kUnreadableFolder);
    }
    return cp1251::Encode(folders.at(folderNo - 1));
}

}  // namespace kvir::archive_fields
