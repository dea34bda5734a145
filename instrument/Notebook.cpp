#include "Notebook.h"

#include <bit>

namespace kvir {

int RecordCountOf(const Notebook& notebook) {
    return RecordCount(notebook.image);
}

bool SameContents(const Notebook& a, const Notebook& b) {
    if (a.model != b.model || a.base != b.base || a.folders != b.folders) {
        return false;
    }
    const NotebookImage& x = a.image;
    const NotebookImage& y = b.image;
    const auto bits = [](float v) { return std::bit_cast<quint32>(v); };
    for (size_t s = 0; s < kNotebookSlots; ++s) {
        if (x.folderNo[s] != y.folderNo[s] || x.modeCode[s] != y.modeCode[s] ||
            x.dayWord[s] != y.dayWord[s] || x.timeWord[s] != y.timeWord[s] ||
            std::bit_cast<quint64>(x.stamp[s]) != std::bit_cast<quint64>(y.stamp[s]) ||
            bits(x.value1[s]) != bits(y.value1[s]) || bits(x.value2[s]) != bits(y.value2[s]) ||
            bits(x.value3[s]) != bits(y.value3[s]) || bits(x.value4[s]) != bits(y.value4[s])) {
            return false;
        }
    }
    return true;
}

}  // namespace kvir
