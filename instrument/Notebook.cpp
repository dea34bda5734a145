#include "Notebook.h"

#include "MemoryLayout.h"

#include <algorithm>
#include <bit>

namespace kvir {

NotebookLosses LossesOf(const Notebook& notebook) {
    NotebookLosses losses;
    const NotebookLayout* layout = LayoutOf(notebook.model);
    if (layout == nullptr) {
        return losses;
    }
    const RecordOffsets& r = layout->record;
    // A folder page's records end at a mode byte 0x00 or 0xFF; a record page's at a folder
    // byte 0xFF (0x00 there marks an empty place that is skipped).
    const bool folderPages = layout->foldersOnPages();
    const int marker = folderPages ? r.mode : r.folderNo;
    int held = 0;
    for (auto page = notebook.pages.cbegin(); page != notebook.pages.cend(); ++page) {
        const int address = page.key();
        if (address < notebook.base || address >= layout->end) {
            continue;  // the directory
        }
        const QByteArray& bytes = page.value();
        const auto at = [&bytes](int i) { return static_cast<quint8>(bytes.at(i)); };
        const bool named = !folderPages || (at(0) != 0x00 && at(0) != 0xFF);
        bool ended = false;
        for (int k = 0; k < layout->recordsPerPage; ++k) {
            const int start = layout->firstRecord + k * r.size;
            if (start + r.check > bytes.size()) {
                break;
            }
            const quint8 b = at(start + marker);
            const bool end = b == 0xFF || (folderPages && b == 0x00);
            if (end) {
                ended = true;
                continue;
            }
            if (b == 0x00) {
                continue;  // an empty place of a record page
            }
            if (!named) {
                ++losses.nameless;
            } else if (ended) {
                ++losses.hidden;
            } else {
                ++held;
            }
        }
    }
    losses.overflow = std::max(0, held - kNotebookSlots);
    return losses;
}

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
