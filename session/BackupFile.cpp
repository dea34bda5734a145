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
constexpr int kFormat = 1;
const QByteArray kFree = "free";
const QByteArray kUnreadable = "unreadable";

QByteArray Hex(quint64 value, int digits) {
    return QByteArray::number(value, 16).toUpper().rightJustified(digits, '0');
}

QByteArray Check(const QByteArray& body) {
    return QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex().toUpper();
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
    line("version " + notebook.version.toUtf8().toHex().toUpper() + "   # " +
         notebook.version.toUtf8());
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
            data = cp1251::Encode(name).toHex().toUpper() + "   # " + name.toUtf8();
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
    result->version = QString::fromUtf8(QByteArray::fromHex(version->at(0)));
    result->base = *baseValue;
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
            const QByteArray name = QByteArray::fromHex(data);
            if (name.toHex().toUpper() != data || name.size() > kFolderNameMax) {
                return fault(BackupFault::Damaged);
            }
            result->folders << cp1251::Decode(name);
        }
    }
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
    // Nothing may stand between the last record and the check.
    if (at != lines.size() - 1) {
        ++at;
        return fault(BackupFault::Damaged);
    }
    notebook = *result;
    return BackupFault::None;
}

}  // namespace kvir
