#pragma once
// How the archive's columns hold the notebook's fields (inside the archive library only).

#include "instrument/Cp1251.h"
#include "instrument/DeviceModel.h"
#include "instrument/Util_modbas.h"

#include <QStringList>

#include <bit>

namespace kvir::archive_fields {

// Models as their numbers; 0 for none.
inline int ModelCode(DeviceModel model) {
    switch (model) {
        case DeviceModel::Ph510:
            return 510;
        case DeviceModel::Conc210:
            return 210;
        case DeviceModel::None:
            break;
    }
    return 0;
}

inline DeviceModel ModelOfCode(int code) {
    return code == 510 ? DeviceModel::Ph510
                       : (code == 210 ? DeviceModel::Conc210 : DeviceModel::None);
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
