#include "ModelTable.h"

#include "LayoutSequences.h"
#include "ModelTableForTests.h"

namespace kvir {

namespace {

constexpr quint8 Mode(int m) {
    return static_cast<quint8>(1u << m);
}
constexpr quint8 kEveryMode = 0x0F;

// The supported models; a new model is one more row here (docs/adding-a-model.md).
//
// Which records carry which chart quantity: a record keeps all four values whatever its mode,
// but only the mode's own reading is a measurement of that quantity. The pH of a record taken
// in mode mV, for instance, is what the display held, not a reading, so drawing it would mix
// two kinds of points in one line. The temperature is measured in every mode.
std::vector<ModelRow> ProductRows() {
    return {
        {
            .model = DeviceModel::Ph510,
            .displayName = QStringLiteral("КВИР-510v2"),
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
            .archiveCode = 510,
            // pH from mode pH, pH25 from mode pH25, ЭДС from mode mV.
            .chartQuantities = {{ChartQuantity::Ph, QStringLiteral("pH"), 2, 5, Mode(1)},
                                {ChartQuantity::Ph25, QStringLiteral("pH25"), 3, 6, Mode(2)},
                                {ChartQuantity::Temperature, QStringLiteral("Температура Т[С]"), 0,
                                 3, kEveryMode},
                                {ChartQuantity::Emf, QStringLiteral("ЭДС[мВ]"), 1, 4, Mode(3)}},
            .sequences = {ReadFolderPages, WriteFolderPage, WriteFolderPages, RestoreFolderPages,
                          InitFolderPages},
        },
        {
            .model = DeviceModel::Conc210,
            .displayName = QStringLiteral("КВИР-210v1"),
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
            .archiveCode = 210,
            // КРК[мкг/л] from modes 0 and 2, КРК[%] from modes 1 and 3, the salinity from the
            // two "+соль" modes.
            .chartQuantities =
                {{ChartQuantity::Micrograms, QStringLiteral("КРК[мкг/л]"), 1, 5, Mode(0) | Mode(2)},
                 {ChartQuantity::Percent, QStringLiteral("КРК[%]"), 2, 6, Mode(1) | Mode(3)},
                 {ChartQuantity::Salinity, QStringLiteral("Соль[мг/л]"), 3, 3, Mode(2) | Mode(3)},
                 {ChartQuantity::Temperature, QStringLiteral("Температура Т[С]"), 0, 4,
                  kEveryMode}},
            // Restoring keeps every entry in place, as a folder write does.
            .sequences = {ReadRecordPages, WriteDirectoryFolder, WriteDirectoryNotebook,
                          RestoreDirectory, InitDirectory},
        },
    };
}

// Rows tests may add (RegisterModelRowForTests). The table is reserved for them up front, so
// adding one never moves the rows that RowOf has handed out.
constexpr size_t kTestRows = 4;

std::vector<ModelRow>& Rows() {
    static std::vector<ModelRow> rows = [] {
        std::vector<ModelRow> table = ProductRows();
        table.reserve(table.size() + kTestRows);
        return table;
    }();
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

const ModelRow& RegisterModelRowForTests(const ModelRow& row) {
    std::vector<ModelRow>& rows = Rows();
    if (row.model == DeviceModel::None || RowOf(row.model) != nullptr ||
        rows.size() == rows.capacity()) {
        qFatal("RegisterModelRowForTests: a new key, and at most %zu rows", kTestRows);
    }
    rows.push_back(row);
    return rows.back();
}

}  // namespace kvir
