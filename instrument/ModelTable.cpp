#include "ModelTable.h"

#include "LayoutSequences.h"

namespace kvir {

namespace {

const std::array<ModelRow, 2>& Rows() {
    static const std::array<ModelRow, 2> rows = {{
        {
            .model = DeviceModel::Ph510,
            .displayName = kModel510,
            .identName = QStringLiteral("КВИР-510"),
            .identVersion = QStringLiteral("2"),
            .shownVersion = QStringLiteral("2"),
            .layout = &FolderPageLayout(),
            .headers = {QStringLiteral("Папка           "), QStringLiteral("Дата/Время          "),
                        QStringLiteral("Режим "), QStringLiteral("Т[С]    "),
                        QStringLiteral("ЭДС[мВ]  "), QStringLiteral("pH      "),
                        QStringLiteral("pH25    "), QStringLiteral("Пользователь                ")},
            // Temperature, EMF, pH, pH at 25 °C.
            .values = {{{1, 5, 2}, {2, 7, 2}, {3, 7, 4}, {4, 7, 4}}},
            .modeLabels = {QStringLiteral("not"), QStringLiteral("pH"), QStringLiteral("pH25"),
                           QStringLiteral("mV")},
            .sequences = {ReadFolderPages, WriteFolderPage, WriteFolderPages, RestoreFolderPages,
                          InitFolderPages},
        },
        {
            .model = DeviceModel::Conc210,
            .displayName = kModel210,
            .identName = QStringLiteral("КВИР-210"),
            .identVersion = QString(),
            .shownVersion = QStringLiteral("1"),
            .layout = &DirectoryLayout(),
            .headers = {QStringLiteral("Папка           "), QStringLiteral("Дата/Время          "),
                        QStringLiteral("Режим         "), QStringLiteral("Соль[мг/л]"),
                        QStringLiteral("Т[С]  "), QStringLiteral("КРК[мкг/л]"),
                        QStringLiteral("КРК[%]        "),
                        QStringLiteral("Пользователь                ")},
            // Salinity (a whole number), temperature, concentration in µg/l and in percent.
            .values = {{{4, 0, -1}, {1, 5, 2}, {2, 7, 2}, {3, 7, 2}}},
            .modeLabels = {QStringLiteral("КРК[мкг/л]"), QStringLiteral("КРК[%]"),
                           QStringLiteral("КРК[мкг/л]+соль"), QStringLiteral("КРК[%]+соль")},
            // Restoring keeps every entry in place, as a folder write does.
            .sequences = {ReadRecordPages, WriteDirectoryFolder, WriteDirectoryNotebook,
                          RestoreDirectory, InitDirectory},
        },
    }};
    return rows;
}

}  // namespace

std::span<const ModelRow> ModelRows() {
    return Rows();
}

const ModelRow* RowOf(DeviceModel model) {
    for (const ModelRow& row : Rows()) {
        if (row.model == model) {
            return &row;
        }
    }
    return nullptr;
}

}  // namespace kvir
