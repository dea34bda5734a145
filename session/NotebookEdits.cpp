#include "NotebookEdits.h"

#include "instrument/MemoryLayout.h"
#include "instrument/Util_modbas.h"

#include <QHash>

#include <algorithm>

namespace kvir {

namespace {

void ClearFolderRecords(NotebookImage& image, int folderNo) {
    for (int s = 0; s < kNotebookSlots; ++s) {
        if (image.folderNo[static_cast<size_t>(s)] == folderNo) {
            ClearRecordSlot(image, s);
        }
    }
    CompactNotebookImage(image);
}

QHash<QByteArray, int> CountKeys(const Notebook& notebook, bool byFolder) {
    QHash<QByteArray, int> counts;
    for (int s = 0; s < kNotebookSlots; ++s) {
        if (notebook.image.folderNo[static_cast<size_t>(s)] != 0) {
            QByteArray key = RecordKey(notebook, s);
            ++counts[byFolder ? key : key.mid(1)];
        }
    }
    return counts;
}

QString EntryOf(const QStringList& folders, int index) {
    return index < folders.size() ? folders.at(index) : kFreeFolder;
}

}  // namespace

bool ApplyEdit(Notebook& notebook, const NotebookEdit& edit) {
    using Kind = NotebookEdit::Kind;
    QStringList& folders = notebook.folders;
    const bool entryOk = edit.folder >= 0 && edit.folder < folders.size();
    switch (edit.kind) {
        case Kind::CreateFolder:
        case Kind::RenameFolder:
            if (!entryOk) {
                return false;
            }
            folders[edit.folder] = edit.name;
            return true;
        case Kind::ClearFolder:
        case Kind::DeleteFolder:
            if (!entryOk) {
                return false;
            }
            ClearFolderRecords(notebook.image, edit.folder + 1);
            if (edit.kind == Kind::DeleteFolder) {
                folders[edit.folder] = kFreeFolder;
            }
            return true;
        case Kind::ClearAll:
            ClearNotebookImage(notebook.image);
            return true;
        case Kind::DeleteRecords:
            for (const int s : edit.slotList) {
                if (s < 0 || s >= kNotebookSlots ||
                    notebook.image.folderNo[static_cast<size_t>(s)] == 0) {
                    return false;
                }
            }
            for (const int s : edit.slotList) {
                ClearRecordSlot(notebook.image, s);
            }
            CompactNotebookImage(notebook.image);
            return true;
    }
    return false;
}

QByteArray RecordKey(const Notebook& notebook, int slot) {
    const NotebookLayout* layout = LayoutOf(notebook.model);
    StoredRecord record = RecordFromSlot(notebook.image, slot);
    record.folderNo = 0;
    QByteArray key(1, static_cast<char>(notebook.image.folderNo[static_cast<size_t>(slot)]));
    if (layout != nullptr) {
        key += EncodeRecord(*layout, record);
    }
    return key;
}

Notebook MergeEdits(const Notebook& read, const Notebook& memory, const Notebook& fresh,
                    QList<int>* conflicts) {
    Notebook result = fresh;
    // Records the operator deleted: as many of each as `read` held beyond `memory`.
    QHash<QByteArray, int> removed = CountKeys(read, true);
    const QHash<QByteArray, int> kept = CountKeys(memory, true);
    for (auto k = kept.cbegin(); k != kept.cend(); ++k) {
        if (removed.contains(k.key())) {
            removed[k.key()] -= k.value();
        }
    }
    ClearNotebookImage(result.image);
    int to = 0;
    for (int s = 0; s < kNotebookSlots; ++s) {
        if (fresh.image.folderNo[static_cast<size_t>(s)] == 0) {
            continue;
        }
        int& left = removed[RecordKey(fresh, s)];
        if (left > 0) {
            --left;
            continue;
        }
        CopyRecordSlot(fresh.image, s, result.image, to++);
    }
    // Names the operator changed.
    const auto entries =
        std::max({read.folders.size(), memory.folders.size(), fresh.folders.size()});
    while (result.folders.size() < entries) {
        result.folders << kFreeFolder;
    }
    for (int i = 0; i < entries; ++i) {
        const QString before = EntryOf(read.folders, i);
        const QString after = EntryOf(memory.folders, i);
        if (after == before) {
            continue;
        }
        if (EntryOf(fresh.folders, i) != before) {
            if (conflicts != nullptr) {
                conflicts->append(i);
            }
            continue;
        }
        result.folders[i] = after;
    }
    // A freed entry that still holds records keeps a name.
    for (int s = 0; s < to; ++s) {
        const int f = result.image.folderNo[static_cast<size_t>(s)];
        if (f <= result.folders.size() && result.folders[f - 1] == kFreeFolder) {
            const QString name = EntryOf(fresh.folders, f - 1);
            result.folders[f - 1] = name != kFreeFolder ? name : EntryOf(read.folders, f - 1);
        }
    }
    // Trailing free entries beyond what the instrument lists add nothing.
    while (result.folders.size() > fresh.folders.size() && result.folders.last() == kFreeFolder) {
        result.folders.removeLast();
    }
    return result;
}

int RecordsMissing(const Notebook& a, const Notebook& b, bool byFolder) {
    const QHash<QByteArray, int> in = CountKeys(b, byFolder);
    const QHash<QByteArray, int> all = CountKeys(a, byFolder);
    int missing = 0;
    for (auto k = all.cbegin(); k != all.cend(); ++k) {
        missing += std::max(0, k.value() - in.value(k.key()));
    }
    return missing;
}

Notebook FolderOnly(const Notebook& notebook, int index) {
    Notebook folder;
    folder.model = notebook.model;
    folder.version = notebook.version;
    folder.base = notebook.base;
    for (int i = 0; i < index; ++i) {
        folder.folders << kFreeFolder;
    }
    folder.folders << EntryOf(notebook.folders, index);
    int to = 0;
    for (int s = 0; s < kNotebookSlots; ++s) {
        if (notebook.image.folderNo[static_cast<size_t>(s)] == index + 1) {
            CopyRecordSlot(notebook.image, s, folder.image, to++);
        }
    }
    const NotebookLayout* layout = LayoutOf(notebook.model);
    if (layout != nullptr && layout->headerSize > 0) {
        const int address = notebook.base + index * layout->pageSize;
        if (notebook.pages.contains(address)) {
            folder.pages.insert(address, notebook.pages.value(address));
        }
    }
    return folder;
}

void ReplaceFolder(Notebook& notebook, int index, const Notebook& folder) {
    while (notebook.folders.size() <= index) {
        notebook.folders << kFreeFolder;
    }
    notebook.folders[index] = EntryOf(folder.folders, index);
    ClearFolderRecords(notebook.image, index + 1);
    int to = FirstFreeSlot(notebook.image);
    for (int s = 0; s < kNotebookSlots && to < kNotebookSlots; ++s) {
        if (folder.image.folderNo[static_cast<size_t>(s)] == index + 1) {
            CopyRecordSlot(folder.image, s, notebook.image, to++);
        }
    }
    for (auto page = folder.pages.cbegin(); page != folder.pages.cend(); ++page) {
        notebook.pages.insert(page.key(), page.value());
    }
}

}  // namespace kvir
