#pragma once
// NotebookImage: the console's in-memory copy of the instrument's notebook, parallel arrays
// over 1000 record slots. A slot is used when its folderNo is not 0; used slots stay packed
// from slot 0.

#include <QtGlobal>

#include <array>

namespace kvir {

constexpr int kNotebookSlots = 1000;

struct NotebookImage {
    std::array<quint8, kNotebookSlots> folderNo{};
    std::array<quint8, kNotebookSlots> modeCode{};
    std::array<quint16, kNotebookSlots> dayWord{};
    std::array<quint16, kNotebookSlots> timeWord{};
    std::array<double, kNotebookSlots> stamp{};  // days since 30 December 1899
    std::array<float, kNotebookSlots> value1{};
    std::array<float, kNotebookSlots> value2{};
    std::array<float, kNotebookSlots> value3{};
    std::array<float, kNotebookSlots> value4{};
    std::array<quint16, kNotebookSlots> orderByFolder{};
    std::array<quint16, kNotebookSlots> orderByDate{};
};

// Every field of every slot and both display orders set to 0.
void ClearNotebookImage(NotebookImage& image);
// Copies the record fields of slot `from` of `source` into slot `to` of `target` (the display
// orders are not records and stay).
void CopyRecordSlot(const NotebookImage& source, int from, NotebookImage& target, int to);
// Every field of one slot set to 0 (the slot becomes free); other slots do not move.
void ClearRecordSlot(NotebookImage& image, int slot);
// Packs the used slots to the front in their old order, display-order entries moving with
// them; clears the rest.
void CompactNotebookImage(NotebookImage& image);
// The first free slot, or kNotebookSlots when every slot is used.
int FirstFreeSlot(const NotebookImage& image);
// The number of used slots counted from slot 0 up to the first free one.
int RecordCount(const NotebookImage& image);

}  // namespace kvir
