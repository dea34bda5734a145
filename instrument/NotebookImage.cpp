#include "NotebookImage.h"

namespace kvir {

namespace {

bool ValidSlot(int slot) {
    return slot >= 0 && slot < kNotebookSlots;
}

}  // namespace

void CopyRecordSlot(const NotebookImage& source, int from, NotebookImage& target, int to) {
    const auto f = static_cast<size_t>(from);
    const auto t = static_cast<size_t>(to);
    target.folderNo[t] = source.folderNo[f];
    target.modeCode[t] = source.modeCode[f];
    target.dayWord[t] = source.dayWord[f];
    target.timeWord[t] = source.timeWord[f];
    target.stamp[t] = source.stamp[f];
    target.value1[t] = source.value1[f];
    target.value2[t] = source.value2[f];
    target.value3[t] = source.value3[f];
    target.value4[t] = source.value4[f];
}

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
            CopyRecordSlot(image, s, image, w);
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
