#pragma once
// The supported models, one row each: the name the console shows, how an identification is
// recognised, the memory layout with its page counts, the record table's column headers and
// value formats, the mode labels, the archive's code, the chart's quantities, and the
// whole-notebook sequences of the layout. Everything
// that differs between the models is looked up here once; a new model is a new row (and,
// for a new layout, its layout functions).

#include "DeviceModel.h"
#include "MemoryLayout.h"
#include "Notebook.h"
#include "Util_modbas.h"

#include <QString>

#include <array>
#include <functional>
#include <span>
#include <vector>

namespace kvir {

// The progress window's two bars: folders done and total, records done and total.
using ProgressFn =
    std::function<void(int foldersPos, int foldersMax, int recordsPos, int recordsMax)>;

// What a notebook read tells while it runs; every member may be empty.
struct ReadHooks {
    ProgressFn progress;
    // After every page, right after its progress call: the notebook read so far.
    std::function<void(const Notebook&)> pageRead;
    // A warning for the operator; the read goes on. Each is given at most once per read.
    std::function<void(InstrumentWarning)> warn;
};

struct ReadOutcome {
    ExchangeResult result = xr::kOk;
    // False when reading stopped on an error in the mode switch to state 1, the directory or
    // a page; the console then enters no "read" line in its protocol. A failure of the
    // closing mode switch of the directory layout still counts as completed.
    bool completed = false;
};

// How one of the record's four values is shown in the record table, the export and the print.
struct ValueColumn {
    int value;      // 1 to 4
    int precision;  // significant digits at most
    int decimals;   // -1: an integer, the value truncated toward zero
};

// The whole-notebook sequences of one kind of layout (see NotebookSequences.h for what each
// does). Each is handed the model's layout and takes the notebook base from the instrument's
// identification.
struct LayoutSequences {
    ReadOutcome (*read)(Instrument&, const NotebookLayout&, Notebook& into, const QDate& today,
                        const ReadHooks&);
    ExchangeResult (*writeFolder)(Instrument&, const NotebookLayout&, const Notebook&, int index,
                                  const QString& name, const ProgressFn&);
    ExchangeResult (*writeNotebook)(Instrument&, const NotebookLayout&, const Notebook&,
                                    const ProgressFn&);
    ExchangeResult (*restore)(Instrument&, const NotebookLayout&, const Notebook&,
                              const ProgressFn&);
    ExchangeResult (*initialise)(Instrument&, const NotebookLayout&, const ProgressFn&);
};

enum class ChartQuantity { Ph, Ph25, Temperature, Emf, Micrograms, Percent, Salinity };

// One quantity the chart can draw: where a record keeps it and which records carry it.
struct ChartQuantityEntry {
    ChartQuantity quantity;
    QString name;  // the text in the quantity box
    int field;     // 0 to 3: the record's value 1 to value 4
    int column;    // its header in `headers` (0 to 7): the axis title and unit
    quint8 modes;  // bit m set: records whose mode (low two bits) is m carry it
};

struct ModelRow {
    DeviceModel model;
    QString displayName;  // the main window's caption, e.g. "КВИР-510v2"
    // The identification that names this model: the 8-character name and, when it matters,
    // the version (empty: any version). `shownVersion` is what the identification table
    // shows for the model before an instrument answered.
    QString identName;
    QString identVersion;
    QString shownVersion;
    const NotebookLayout* layout;
    // Data columns 2 to 9 of the record table; the trailing blanks set the column width and
    // the printed layout. Columns 6 to 9 show `values` in this order.
    std::array<QString, 8> headers;
    std::array<ValueColumn, 4> values;
    // Labels of the mode byte's two low bits.
    std::array<QString, 4> modeLabels;
    // The number the archive stores for the model (and kvir-cli accepts for it).
    int archiveCode;
    // The chart's quantities, in the order its quantity box lists them.
    std::vector<ChartQuantityEntry> chartQuantities;
    LayoutSequences sequences;
};

// Every supported model, in the order the console lists them.
std::span<const ModelRow> ModelRows();
// The row of a supported model; nullptr for DeviceModel::None.
const ModelRow* RowOf(DeviceModel model);

}  // namespace kvir
