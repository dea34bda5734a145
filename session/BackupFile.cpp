#include "BackupFile.h"

#include "instrument/Cp1251.h"
#include "instrument/MemoryLayout.h"
#include "instrument/Util_modbas.h"

#include <QCryptographicHash>
#include <QList>

#include <bit>
#include <memory>

namespace kvir {

namespace {

const QByteArray kMagic = "KVIR-NOTEBOOK";
// 1: folders and records; 2: also the bytes of every page read (Notebook::pages).
constexpr int kFormat = 2;
const QByteArray kFree = "free";
const QByteArray kUnreadable = "unreadable";
// A field of no bytes: an empty folder name (the "КВИР-210v1" directory allows one) or an
// empty version.
const QByteArray kNoBytes = "-";

QByteArray Hex(quint64 value, int digits) {
    return QByteArray::number(value, 16).toUpper().rightJustified(digits, '0');
}

QByteArray Check(const QByteArray& body) {
    return QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex().toUpper();
}

QByteArray HexBytes(const QByteArray& bytes) {
    return bytes.isEmpty() ? kNoBytes : bytes.toHex().toUpper();
}

// The bytes of a field HexBytes wrote; nothing for anything else.
std::optional<QByteArray> ParseHexBytes(const QByteArray& field) {
    if (field == kNoBytes) {
        return QByteArray();
    }
    QByteArray bytes = QByteArray::fromHex(field);
    if (bytes.isEmpty() || bytes.toHex().toUpper() != field) {
        return std::nullopt;
    }
    return bytes;
}

// A comment's text: control characters become '?', so that a name holding any byte never
// ends its line.
QByteArray Comment(const QString& text) {
    QByteArray utf8 = text.toUtf8();
    for (char& c : utf8) {
        if (static_cast<quint8>(c) < 0x20 || c == 0x7F) {
            c = '?';
        }
    }
    return utf8;
}

// A hexadecimal field of exactly `digits` digits; nothing otherwise.
std::optional<quint64> ParseHex(const QByteArray& field, int digits) {
    if (field.size() != digits) {
        return std::nullopt;
    }
    bool ok = false;
    const quint64 value = field.toULongLong(&ok, 16);
    return ok ? std::optional(value) : std::nullopt;
}

std::optional<int> ParseInt(const QByteArray& field, int low, int high) {
    bool ok = false;
    const int value = field.toInt(&ok, 10);
    if (!ok || value < low || value > high || field != QByteArray::number(value)) {
        return std::nullopt;
    }
    return value;
}

// What a page read from `address` holds, for the comment of its line.
QByteArray PageComment(const Notebook& notebook, int address) {
    const NotebookLayout* layout = LayoutOf(notebook.model);
    if (layout == nullptr) {
        return {};
    }
    if (!layout->foldersOnPages() && address == layout->directoryStart) {
        return "directory";
    }
    const QByteArray index = QByteArray::number((address - notebook.base) / layout->pageSize);
    return layout->foldersOnPages() ? "folder page " + index : "record page " + index;
}

// Folders the model's layout holds at the notebook's base: the directory's entries, or one
// folder per page.
int FolderCapacity(const Notebook& notebook) {
    const NotebookLayout* layout = LayoutOf(notebook.model);
    return layout != nullptr ? FolderCapacity(*layout, notebook.base) : 0;
}

// True when `address` starts a page the layout reads: a record or folder page from the base,
// or the directory.
bool IsPageOfLayout(const Notebook& notebook, int address) {
    const NotebookLayout* layout = LayoutOf(notebook.model);
    if (layout == nullptr) {
        return false;
    }
    if (!layout->foldersOnPages() && address == layout->directoryStart) {
        return true;
    }
    const int offset = address - notebook.base;
    return offset >= 0 && offset % layout->pageSize == 0 &&
           offset / layout->pageSize < LayoutPages(*layout, notebook.base);
}

// The line of the first thing in a decoded notebook that no read of an instrument of its model
// gives (the "folders" line, the "records" line, a record's or a page's line); 0 when there
// is none. A folder list or a record count beyond the layout at the notebook's base, a folder
// page with more records than it takes, a record of a folder page outside the folder list, a
// page outside the layout. (A record of a record page may name any folder number: the
// instrument stores the byte as it is; a restore that cannot put such a record back in place
// is refused when it is asked for, before any request.)
int UnrestorableLine(const Notebook& n, int foldersLine, int recordsLine, int pagesLine) {
    const int folders = FolderCapacity(n);
    if (n.folders.size() > folders) {
        return foldersLine;
    }
    const int records = RecordCountOf(n);
    if (records > RecordCapacity(n.model, n.base)) {
        return recordsLine;
    }
    const NotebookLayout* layout = LayoutOf(n.model);
    const bool onPages = layout != nullptr && layout->foldersOnPages();
    QMap<int, int> perFolder;
    for (int s = 0; s < records; ++s) {
        const int folder = n.image.folderNo[static_cast<size_t>(s)];
        const bool fullPage = onPages && ++perFolder[folder] > layout->recordsPerPage;
        const bool outside = onPages && folder > n.folders.size();
        if (outside || fullPage) {
            return recordsLine + 1 + s;
        }
    }
    int line = pagesLine;
    for (auto it = n.pages.begin(); it != n.pages.end(); ++it) {
        ++line;
        if (!IsPageOfLayout(n, it.key())) {
            return line;
        }
    }
    return 0;
}

// The line without its comment, split at blanks.
QList<QByteArray> Fields(const QByteArray& line) {
    const qsizetype hash = line.indexOf('#');
    const QByteArray data = (hash < 0 ? line : line.left(hash)).trimmed();
    return data.isEmpty() ? QList<QByteArray>() : data.simplified().split(' ');
}

}  // namespace

QString BackupStem(const QDateTime& when) {
    return QStringLiteral("KVIR-backup-") + when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

QByteArray EncodeBackup(const Notebook& notebook, const QDateTime& saved) {
    QByteArray out;
    const auto line = [&out](const QByteArray& text) {
        out += text;
        out += '\n';
    };
    line(kMagic + ' ' + QByteArray::number(kFormat));
    line("model " + DisplayName(notebook.model).toUtf8());
    line("version " + HexBytes(notebook.version.toUtf8()) + "   # " + Comment(notebook.version));
    line("base " + QByteArray::number(notebook.base));
    line("saved " + saved.toString(Qt::ISODate).toUtf8());
    line("folders " + QByteArray::number(notebook.folders.size()));
    for (int k = 0; k < notebook.folders.size(); ++k) {
        const QString& name = notebook.folders.at(k);
        QByteArray data;
        if (name == kFreeFolder) {
            data = kFree;
        } else if (name == kUnreadableFolder) {
            data = kUnreadable;
        } else {
            data = HexBytes(cp1251::Encode(name)) + "   # " + Comment(name);
        }
        line("folder " + QByteArray::number(k + 1) + ' ' + data);
    }
    const NotebookImage& im = notebook.image;
    int used = 0;
    for (const quint8 f : im.folderNo) {
        used += f != 0 ? 1 : 0;
    }
    line("records " + QByteArray::number(used));
    const auto bits = [](float v) { return Hex(std::bit_cast<quint32>(v), 8); };
    int r = 0;
    for (size_t s = 0; s < kNotebookSlots; ++s) {
        if (im.folderNo[s] == 0) {
            continue;
        }
        const QDateTime when(DateOfSerial(im.stamp[s]), TimeOfSerial(im.stamp[s]));
        line("record " + QByteArray::number(r++) + ' ' + QByteArray::number(im.folderNo[s]) + ' ' +
             Hex(im.modeCode[s], 2) + ' ' + Hex(im.dayWord[s], 4) + ' ' + Hex(im.timeWord[s], 4) +
             ' ' + Hex(std::bit_cast<quint64>(im.stamp[s]), 16) + ' ' + bits(im.value1[s]) + ' ' +
             bits(im.value2[s]) + ' ' + bits(im.value3[s]) + ' ' + bits(im.value4[s]) + "   # " +
             when.toString(Qt::ISODate).toUtf8() + ' ' + QByteArray::number(im.value1[s], 'g', 9) +
             ' ' + QByteArray::number(im.value2[s], 'g', 9) + ' ' +
             QByteArray::number(im.value3[s], 'g', 9) + ' ' +
             QByteArray::number(im.value4[s], 'g', 9));
    }
    line("pages " + QByteArray::number(notebook.pages.size()));
    for (auto it = notebook.pages.begin(); it != notebook.pages.end(); ++it) {
        line("page " + Hex(static_cast<quint64>(it.key()), 4) + ' ' + HexBytes(it.value()) +
             "   # " + PageComment(notebook, it.key()));
    }
    out += "check " + Check(out) + '\n';
    return out;
}

BackupFault DecodeBackup(const QByteArray& bytes, Notebook& notebook, int* lineAt) {
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    int at = 0;
    const auto fault = [&](BackupFault f) {
        if (lineAt != nullptr) {
            *lineAt = at;
        }
        return f;
    };
    // The first line tells whether this is a backup at all, and of which format.
    at = 1;
    const QList<QByteArray> head = lines.isEmpty() ? QList<QByteArray>() : Fields(lines.first());
    if (head.size() != 2 || head.at(0) != kMagic) {
        return fault(BackupFault::NotABackup);
    }
    const std::optional<int> format = ParseInt(head.at(1), 1, 1000000);
    if (!format) {
        return fault(BackupFault::Damaged);
    }
    if (*format > kFormat) {
        return fault(BackupFault::NewerFormat);
    }
    // The check covers every byte before its line; anything changed fails here.
    at = static_cast<int>(lines.size());
    const QList<QByteArray> check = lines.isEmpty() ? QList<QByteArray>() : Fields(lines.last());
    const qsizetype bodyEnd = bytes.lastIndexOf("check ");
    if (check.size() != 2 || check.at(0) != "check" || bodyEnd < 0 ||
        check.at(1) != Check(bytes.left(bodyEnd))) {
        return fault(BackupFault::Damaged);
    }

    auto result = std::make_unique<Notebook>();
    at = 1;
    const auto next = [&](const char* key, int count) -> std::optional<QList<QByteArray>> {
        ++at;
        if (at > lines.size() - 1) {
            return std::nullopt;
        }
        QList<QByteArray> f = Fields(lines.at(at - 1));
        if (f.size() != count + 1 || f.at(0) != key) {
            return std::nullopt;
        }
        f.removeFirst();
        return f;
    };
    const auto model = next("model", 1);
    if (!model) {
        return fault(BackupFault::Damaged);
    }
    result->model = ModelFromDisplayName(QString::fromUtf8(model->at(0)));
    if (result->model == DeviceModel::None) {
        return fault(BackupFault::UnknownModel);
    }
    const auto version = next("version", 1);
    const auto base = next("base", 1);
    const std::optional<int> baseValue = base ? ParseInt(base->at(0), 0, 0xFFFF) : std::nullopt;
    if (!version || !baseValue || !next("saved", 1)) {
        return fault(BackupFault::Damaged);
    }
    const std::optional<QByteArray> versionBytes = ParseHexBytes(version->at(0));
    if (!versionBytes) {
        return fault(BackupFault::Damaged);
    }
    result->version = QString::fromUtf8(*versionBytes);
    result->base = *baseValue;
    const int foldersLine = at + 1;
    const auto folders = next("folders", 1);
    const std::optional<int> folderCount =
        folders ? ParseInt(folders->at(0), 0, 255) : std::nullopt;
    if (!folderCount) {
        return fault(BackupFault::Damaged);
    }
    for (int k = 1; k <= *folderCount; ++k) {
        const auto folder = next("folder", 2);
        if (!folder || folder->at(0) != QByteArray::number(k)) {
            return fault(BackupFault::Damaged);
        }
        const QByteArray& data = folder->at(1);
        if (data == kFree) {
            result->folders << kFreeFolder;
        } else if (data == kUnreadable) {
            result->folders << kUnreadableFolder;
        } else {
            const std::optional<QByteArray> name = ParseHexBytes(data);
            if (!name || name->size() > kFolderNameMax) {
                return fault(BackupFault::Damaged);
            }
            result->folders << cp1251::Decode(*name);
        }
    }
    const int recordsLine = at + 1;
    const auto records = next("records", 1);
    const std::optional<int> recordCount =
        records ? ParseInt(records->at(0), 0, kNotebookSlots) : std::nullopt;
    if (!recordCount) {
        return fault(BackupFault::Damaged);
    }
    // Used slots are packed from slot 0, so record r lies in slot r.
    NotebookImage& im = result->image;
    for (int r = 0; r < *recordCount; ++r) {
        const auto rec = next("record", 10);
        if (!rec) {
            return fault(BackupFault::Damaged);
        }
        const std::optional<int> slot = ParseInt(rec->at(0), r, r);
        const std::optional<int> folderNo = ParseInt(rec->at(1), 1, 255);
        const auto mode = ParseHex(rec->at(2), 2);
        const auto day = ParseHex(rec->at(3), 4);
        const auto time = ParseHex(rec->at(4), 4);
        const auto stamp = ParseHex(rec->at(5), 16);
        std::array<std::optional<quint64>, 4> values;
        for (size_t v = 0; v < 4; ++v) {
            values[v] = ParseHex(rec->at(6 + static_cast<qsizetype>(v)), 8);
        }
        if (!slot || !folderNo || !mode || !day || !time || !stamp || !values[0] || !values[1] ||
            !values[2] || !values[3]) {
            return fault(BackupFault::Damaged);
        }
        const auto s = static_cast<size_t>(*slot);
        im.folderNo[s] = static_cast<quint8>(*folderNo);
        im.modeCode[s] = static_cast<quint8>(*mode);
        im.dayWord[s] = static_cast<quint16>(*day);
        im.timeWord[s] = static_cast<quint16>(*time);
        im.stamp[s] = std::bit_cast<double>(*stamp);
        im.value1[s] = std::bit_cast<float>(static_cast<quint32>(*values[0]));
        im.value2[s] = std::bit_cast<float>(static_cast<quint32>(*values[1]));
        im.value3[s] = std::bit_cast<float>(static_cast<quint32>(*values[2]));
        im.value4[s] = std::bit_cast<float>(static_cast<quint32>(*values[3]));
    }
    // Format 2: the bytes of every page read, in ascending address order.
    const int pagesLine = at + 1;
    if (*format >= 2) {
        const auto pages = next("pages", 1);
        const std::optional<int> pageCount =
            pages ? ParseInt(pages->at(0), 0, 0x10000 / LayoutOf(result->model)->pageSize)
                  : std::nullopt;
        if (!pageCount) {
            return fault(BackupFault::Damaged);
        }
        for (int p = 0; p < *pageCount; ++p) {
            const auto page = next("page", 2);
            const auto address = page ? ParseHex(page->at(0), 4) : std::nullopt;
            const std::optional<QByteArray> pageBytes =
                page ? ParseHexBytes(page->at(1)) : std::nullopt;
            if (!address || !pageBytes || pageBytes->size() != kBlockReadBytes ||
                (!result->pages.isEmpty() &&
                 result->pages.lastKey() >= static_cast<int>(*address))) {
                return fault(BackupFault::Damaged);
            }
            result->pages.insert(static_cast<int>(*address), *pageBytes);
        }
    }
    // Nothing may stand between the last record (or page) and the check.
    if (at != lines.size() - 1) {
        ++at;
        return fault(BackupFault::Damaged);
    }
    // The file is intact; it is still refused when the instrument could not take it back.
    if (const int bad = UnrestorableLine(*result, foldersLine, recordsLine, pagesLine); bad > 0) {
        at = bad;
        return fault(BackupFault::Unrestorable);
    }
    notebook = *result;
    return BackupFault::None;
}

}  // namespace kvir
