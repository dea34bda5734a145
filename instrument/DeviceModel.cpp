#include "DeviceModel.h"

namespace kvir {

QString DisplayName(DeviceModel model) {
    switch (model) {
        case DeviceModel::Ph510:
            return kModel510;
        case DeviceModel::Conc210:
            return kModel210;
        case DeviceModel::None:
            break;
    }
    return kModelNone;
}

DeviceModel ModelFromCaption(const QString& caption) {
    if (caption == kModel510) {
        return DeviceModel::Ph510;
    }
    if (caption == kModel210) {
        return DeviceModel::Conc210;
    }
    return DeviceModel::None;
}

DeviceModel ModelFromIdentification(const QString& name, const QString& version) {
    if (name == QStringLiteral("КВИР-510") && version == QStringLiteral("2")) {
        return DeviceModel::Ph510;
    }
    if (name == QStringLiteral("КВИР-210")) {
        return DeviceModel::Conc210;
    }
    return DeviceModel::None;
}

int NotebookEnd(DeviceModel model) {
    switch (model) {
        case DeviceModel::Ph510:
            return kEnd510;
        case DeviceModel::Conc210:
            return kDirectory210;
        case DeviceModel::None:
            break;
    }
    return 0;
}

int PageCount(DeviceModel model, int base) {
    const int span = NotebookEnd(model) - base;
    return span > 0 ? span >> 9 : 0;
}

}  // namespace kvir
