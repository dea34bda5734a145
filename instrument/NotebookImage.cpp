#include "NotebookImage.h"

namespace kvir {

namespace {

bool ValidSlot(int slot) {
    return slot >= 0 && slot < kNotebookSlots;
}

// Copies every record field of slot `from` to slot `to`; the display orders are separate.
void MoveRecord(NotebookImage& image, int from, int to) {
    image.folderNo[to] = image.folderNo[from];
    image.modeCode[to] = image.modeCode[from];
    image.dayWord[to] = image.dayWord[from];
    image.timeWord[to] = image.timeWord[from];
    image.stamp[to] = image.stamp[from];
    image.value1[to] = image.value1[from];
    image.value2[to] = image.value2[from];
    image.value3[to] = image.value3[from];
    image.value4[to] = image.value4[from];
}

}  // namespace

void ClearNotebookImage(NotebookImage& image) {
    image = NotebookImage{};
}

void ClearRecordSlot(NotebookImage& image, int slot) {
    if (!ValidSlot(slot)) {
        return;
    }
    image.folderNo[slot] = 0;
    image.modeCode[slot] = 0;
    image.dayWord[slot] = 0;
    image.timeWord[slot] = 0;
    image.stamp[slot] = 0.0;
    image.value1[slot] = 0.0f;
    image.value2[slot] = 0.0f;
    image.value3[slot] = 0.0f;
    image.value4[slot] = 0.0f;
}

void CompactNotebookImage(NotebookImage& image) {
    int w = 0;
    for (int s = 0; s < kNotebookSlots; ++s) {
        if (image.folderNo[s] == 0) {
            continue;
        }
        if (s != w) {
            MoveRecord(image, s, w);
            image.orderByFolder[w] = image.orderByFolder[s];
            image.orderByDate[w] = image.orderByDate[s];
        }
        ++w;
    }
    for (int s = w; s < kNotebookSlots; ++s) {
        ClearRecordSlot(image, s);
        image.orderByFolder[s] = 0;
        image.orderByDate[s] = 0;
    }
}

int FirstFreeSlot(const NotebookImage& image) {
    for (int s = 0; s < kNotebookSlots; ++s) {
        if (image.folderNo[s] == 0) {
            return s;
        }
    }
    return kNotebookSlots;
}

int RecordCount(const NotebookImage& image) {
    return FirstFreeSlot(image);
}

}  // namespace kvir
