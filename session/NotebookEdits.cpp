#include "NotebookEdits.h"

#include "instrument/Cp1251.h"
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

bool StorableFolderName(const QString& name) {
    if (name.isEmpty() || name.size() > kFolderNameMax || !cp1251::CanEncode(name)) {
        return false;
    }
    const QByteArray bytes = cp1251::Encode(name);
    return bytes.size() <= kFolderNameMax &&
           std::none_of(bytes.begin(), bytes.end(), [](char byte) {
               const auto b = static_cast<quint8>(byte);
               return b < 0x20 || b == 0x7F || b == 0xFF;
           });
}

bool HoldsRecords(const Notebook& notebook, int entry) {
    const auto& f = notebook.image.folderNo;
    return std::find(f.begin(), f.end(), static_cast<quint8>(entry + 1)) != f.end();
}

int FreeEntryFor(const Notebook& notebook) {
    for (int i = 0; i < notebook.folders.size(); ++i) {
        if (notebook.folders.at(i) == kFreeFolder && !HoldsRecords(notebook, i)) {
            return i;
        }
    }
    return -1;
}

bool ApplyEdit(Notebook& notebook, const NotebookEdit& edit) {
    using Kind = NotebookEdit::Kind;
    QStringList& folders = notebook.folders;
    const bool entryOk = edit.folder >= 0 && edit.folder < folders.size();
    switch (edit.kind) {
        case Kind::CreateFolder:
        case Kind::RenameFolder:
            if (!entryOk || !StorableFolderName(edit.name)) {
                return false;
            }
            // A new folder goes into an entry no record names: records filed under a free
            // entry are not refiled under a new name.
            if (edit.kind == Kind::CreateFolder &&
                (folders[edit.folder] != kFreeFolder || FreeEntryFor(notebook) > edit.folder ||
                 HoldsRecords(notebook, edit.folder))) {
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
                    QList<int>* conflicts, const QSet<int>& freed) {
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
        const bool moved = EntryOf(fresh.folders, i) != before;
        // A folder created in a free entry, or in the entry of one deleted: what the instrument
        // filed there since the read would be refiled under the new name.
        const bool created = (before == kFreeFolder || freed.contains(i)) && after != kFreeFolder;
        const bool recreated =
            created && RecordsMissing(FolderOnly(fresh, i), FolderOnly(read, i)) > 0;
        if (moved || recreated) {
            if (conflicts != nullptr) {
                conflicts->append(i);
            }
            continue;
        }
        result.folders[i] = after;
    }
    // An entry the operator freed that still holds records (stored since the read) keeps the
    // name the instrument gives it. One the instrument holds free stays free.
    for (int s = 0; s < to; ++s) {
        const int f = result.image.folderNo[static_cast<size_t>(s)];
        if (f <= result.folders.size() && result.folders[f - 1] == kFreeFolder) {
            result.folders[f - 1] = EntryOf(fresh.folders, f - 1);
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
    if (layout != nullptr && layout->foldersOnPages()) {
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
