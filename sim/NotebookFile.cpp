#include "NotebookFile.h"

#include "instrument/Cp1251.h"
#include "instrument/MemoryLayout.h"

#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QStringList>

#include <optional>

namespace kvir::sim {

namespace {

constexpr quint8 kErased = 0xFF;
constexpr quint8 kEmpty = 0x00;
constexpr int kMaxSalinity = 0xFFFF;
const QString kCommonFolderName = QStringLiteral("ОБЩАЯ ПАПКА");

struct FileRecord {
    int line = 0;
    StoredRecord stored;
};

struct FileNotebook {
    std::optional<int> base;
    QMap<int, QByteArray> folders;  // folder number to name bytes
    QMap<int, int> folderLines;
    QList<FileRecord> records;
};

std::optional<int> ParseInteger(const QString& text) {
    bool ok = false;
    const int value = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                          ? text.mid(2).toInt(&ok, 16)
                          : text.toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

// The shortest decimal text that reads back as the same single-precision value.
QString FloatText(float value) {
    for (int digits = 6; digits < 9; ++digits) {
        const QString text = QString::number(static_cast<double>(value), 'g', digits);
        if (text.toFloat() == value) {
            return text;
        }
    }
    return QString::number(static_cast<double>(value), 'g', 9);
}

class Parser {
  public:
    Parser(DeviceModel model, NotebookFileError* error) : model_(model), error_(error) {}

    bool parse(const QString& text, FileNotebook& out) {
        const QStringList lines = text.split(QLatin1Char('\n'));
        for (int n = 0; n < lines.size(); ++n) {
            line_ = n + 1;
            const QString line = lines[n].trimmed();
            if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) {
                continue;
            }
            const QString keyword = line.section(QLatin1Char(' '), 0, 0);
            const QString rest = line.mid(keyword.size()).trimmed();
            bool ok = false;
            if (keyword == QLatin1String("model")) {
                ok = parseModel(rest);
            } else if (keyword == QLatin1String("base")) {
                ok = parseBase(rest, out);
            } else if (keyword == QLatin1String("folder")) {
                ok = parseFolder(rest, out);
            } else if (keyword == QLatin1String("record")) {
                ok = parseRecord(rest, out);
            } else {
                ok = fail(QStringLiteral("unknown line \"%1\"").arg(keyword));
            }
            if (!ok) {
                return false;
            }
        }
        return true;
    }

  private:
    bool fail(const QString& reason) {
        if (error_ != nullptr) {
            *error_ = {line_, reason};
        }
        return false;
    }

    bool parseModel(const QString& rest) {
        if (ModelFromDisplayName(rest) != model_) {
            return fail(QStringLiteral("the notebook is for \"%1\", the instrument is \"%2\"")
                            .arg(rest, DisplayName(model_)));
        }
        return true;
    }

    bool parseBase(const QString& rest, FileNotebook& out) {
        const std::optional<int> base = ParseInteger(rest);
        if (!base || *base < 0 || *base > 0xFFFF || PageCount(model_, *base) == 0) {
            return fail(QStringLiteral("base \"%1\" leaves no notebook page").arg(rest));
        }
        out.base = *base;
        return true;
    }

    bool parseFolder(const QString& rest, FileNotebook& out) {
        static const QRegularExpression form(QStringLiteral("^(\\S+)(?:\\s+(.*))?$"));
        const QRegularExpressionMatch m = form.match(rest);
        const std::optional<int> number = m.hasMatch() ? ParseInteger(m.captured(1)) : std::nullopt;
        if (!number || *number < 1 || *number > 255) {
            return fail(QStringLiteral("a folder line is \"folder NUMBER NAME\""));
        }
        if (out.folders.contains(*number)) {
            return fail(QStringLiteral("folder %1 is named twice").arg(*number));
        }
        const QString name = m.captured(2);
        const QByteArray bytes = cp1251::Encode(name);
        if (!cp1251::CanEncode(name)) {
            return fail(QStringLiteral("folder name \"%1\" is not Windows-1251").arg(name));
        }
        if (bytes.size() > kFolderNameMax) {
            return fail(QStringLiteral("folder name \"%1\" is longer than 16 bytes").arg(name));
        }
        if (bytes.contains(static_cast<char>(kErased))) {
            // The byte of 'я' is the one that marks the end of a name.
            return fail(
                QStringLiteral("folder name \"%1\": the letter я cannot be stored").arg(name));
        }
        if (model_ == DeviceModel::Ph510 && bytes.isEmpty()) {
            return fail(QStringLiteral("a folder page needs a name"));
        }
        out.folders.insert(*number, bytes);
        out.folderLines.insert(*number, line_);
        return true;
    }

    bool parseRecord(const QString& rest, FileNotebook& out) {
        const QStringList f = rest.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const int values = model_ == DeviceModel::Ph510 ? 3 : 4;
        if (f.size() < 7 || f.size() > 4 + values) {
            return fail(model_ == DeviceModel::Ph510
                            ? QStringLiteral("a record line is \"record FOLDER DATE TIME MODE "
                                             "VALUE1 VALUE2 VALUE3\"")
                            : QStringLiteral("a record line is \"record FOLDER DATE TIME MODE "
                                             "VALUE1 VALUE2 VALUE3 [SALINITY]\""));
        }
        FileRecord record;
        record.line = line_;
        StoredRecord& r = record.stored;

        const std::optional<int> folder = ParseInteger(f[0]);
        if (!folder || *folder < 1 || *folder > 25) {
            return fail(QStringLiteral("folder \"%1\" is not 1 to 25").arg(f[0]));
        }
        r.folderNo = static_cast<quint8>(*folder);
        const QDate date = QDate::fromString(f[1], Qt::ISODate);
        const QTime time = QTime::fromString(f[2], QStringLiteral("HH:mm:ss"));
        if (!date.isValid() || !time.isValid()) {
            return fail(QStringLiteral("date and time are YYYY-MM-DD HH:MM:SS"));
        }
        r.dayWord = model_ == DeviceModel::Ph510 ? DayWord510(date) : DayWord210(date);
        r.timeWord = TimeWordOf(time);

        const std::optional<int> mode = ParseInteger(f[3]);
        const bool endsPage = mode && (*mode == kEmpty || *mode == kErased);
        if (!mode || *mode < 0 || *mode > 255 || (model_ == DeviceModel::Ph510 && endsPage)) {
            return fail(QStringLiteral("mode \"%1\" is not a mode byte").arg(f[3]));
        }
        r.modeCode = static_cast<quint8>(*mode);

        float* const targets[] = {&r.value1, &r.value2, &r.value3};
        for (int i = 0; i < 3; ++i) {
            bool ok = false;
            *targets[i] = f[4 + i].toFloat(&ok);
            if (!ok) {
                return fail(QStringLiteral("value \"%1\" is not a number").arg(f[4 + i]));
            }
        }
        if (f.size() == 8) {
            const std::optional<int> salinity = ParseInteger(f[7]);
            if (!salinity || *salinity < 0 || *salinity > kMaxSalinity) {
                return fail(QStringLiteral("salinity \"%1\" is not 0 to 65535").arg(f[7]));
            }
            r.value4 = static_cast<quint16>(*salinity);
        }
        out.records.append(record);
        return true;
    }

    DeviceModel model_;
    NotebookFileError* error_;
    int line_ = 0;
};

bool Fail(NotebookFileError* error, int line, const QString& reason) {
    if (error != nullptr) {
        *error = {line, reason};
    }
    return false;
}

void Fill(QByteArray& memory, int from, int to, quint8 value) {
    for (int a = from; a < to; ++a) {
        memory[a] = static_cast<char>(value);
    }
}

void Put(QByteArray& memory, int at, const QByteArray& bytes) {
    memory.replace(at, bytes.size(), bytes);
}

bool BuildFolderPages(const FileNotebook& file, int base, QByteArray& memory,
                      NotebookFileError* error) {
    const NotebookLayout& l = *LayoutOf(DeviceModel::Ph510);
    const int pages = PageCount(DeviceModel::Ph510, base);
    Fill(memory, base, l.end, kErased);
    for (auto it = file.folders.begin(); it != file.folders.end(); ++it) {
        if (it.key() > pages) {
            return Fail(error, file.folderLines.value(it.key()),
                        QStringLiteral("folder %1 has no page: the notebook has %2")
                            .arg(it.key())
                            .arg(pages));
        }
        const bool common = it.key() == 1 && it.value() == cp1251::Encode(kCommonFolderName);
        Put(memory, base + (it.key() - 1) * l.pageSize,
            common ? CommonFolderHeader() : EncodeFolderHeader(it.value()));
    }
    QMap<int, int> used;  // records per folder so far
    for (const FileRecord& record : file.records) {
        const int folder = record.stored.folderNo;
        if (!file.folders.contains(folder)) {
            return Fail(error, record.line, QStringLiteral("folder %1 is not named").arg(folder));
        }
        const int place = used[folder]++;
        if (place >= l.recordsPerPage) {
            return Fail(error, record.line,
                        QStringLiteral("folder %1 holds more than 26 records").arg(folder));
        }
        Put(memory, base + (folder - 1) * l.pageSize + l.firstRecord + place * l.record.size,
            EncodeRecord(l, record.stored));
    }
    return true;
}

bool BuildRecordPages(const FileNotebook& file, int base, QByteArray& memory,
                      NotebookFileError* error) {
    const NotebookLayout& l = *LayoutOf(DeviceModel::Conc210);
    Fill(memory, base, l.directoryStart + l.pageSize, kErased);
    for (auto it = file.folders.begin(); it != file.folders.end(); ++it) {
        if (it.key() > l.directoryEntries) {
            return Fail(error, file.folderLines.value(it.key()),
                        QStringLiteral("folder %1: the directory holds 25").arg(it.key()));
        }
        Put(memory, l.directoryStart + (it.key() - 1) * l.entrySize,
            EncodeDirectoryEntry(it.key() - 1, it.value()));
    }
    const int capacity = PageCount(DeviceModel::Conc210, base) * l.recordsPerPage;
    for (int n = 0; n < file.records.size(); ++n) {
        if (n >= capacity) {
            return Fail(error, file.records[n].line,
                        QStringLiteral("the record pages hold %1 records").arg(capacity));
        }
        const int at =
            base + (n / l.recordsPerPage) * l.pageSize + (n % l.recordsPerPage) * l.record.size;
        Put(memory, at, EncodeRecord(l, file.records[n].stored));
    }
    return true;
}

QString RecordLine(const StoredRecord& r, double stamp, bool salinity) {
    QStringList f{QStringLiteral("record"),
                  QString::number(r.folderNo),
                  DateOfSerial(stamp).toString(Qt::ISODate),
                  TimeOfSerial(stamp).toString(QStringLiteral("HH:mm:ss")),
                  QString::number(r.modeCode),
                  FloatText(r.value1),
                  FloatText(r.value2),
                  FloatText(r.value3)};
    if (salinity) {
        f << QString::number(r.value4);
    }
    return f.join(QLatin1Char(' '));
}

void SaveFolderPages(const QByteArray& memory, int base, const QDate& today, QStringList& out) {
    const NotebookLayout& l = *LayoutOf(DeviceModel::Ph510);
    const int pages = PageCount(DeviceModel::Ph510, base);
    for (int i = 0; i < pages; ++i) {
        const QByteArray page = memory.mid(base + i * l.pageSize, l.pageSize);
        const auto first = static_cast<quint8>(page[0]);
        if (first == kErased) {
            continue;
        }
        if (first == kEmpty) {
            out << QStringLiteral("# page %1 is in use without a name").arg(i + 1);
            continue;
        }
        out << QStringLiteral("folder %1 %2")
                   .arg(i + 1)
                   .arg(cp1251::Decode(FolderNameOfPage(page)));
        for (int k = 0; k < l.recordsPerPage; ++k) {
            const int at = l.firstRecord + k * l.record.size;
            const auto mode = static_cast<quint8>(page[at + l.record.mode]);
            if (mode == kEmpty || mode == kErased) {
                break;
            }
            StoredRecord r = DecodeRecord(l, page, at);
            r.folderNo = static_cast<quint8>(i + 1);
            out << RecordLine(r, Stamp510(today, r.dayWord, r.timeWord), false);
        }
    }
}

void SaveRecordPages(const QByteArray& memory, int base, const QDate& today, QStringList& out) {
    const NotebookLayout& l = *LayoutOf(DeviceModel::Conc210);
    for (int j = 0; j < l.directoryEntries; ++j) {
        const DirectoryEntry e = DecodeDirectoryEntry(memory, l.directoryStart + j * l.entrySize);
        if (e.kind == DirectoryEntry::Kind::Named) {
            out << QStringLiteral("folder %1 %2").arg(j + 1).arg(cp1251::Decode(e.name));
        } else if (e.kind == DirectoryEntry::Kind::Unreadable) {
            out << QStringLiteral("# folder %1 has an unreadable directory entry").arg(j + 1);
        }
    }
    const int pages = PageCount(DeviceModel::Conc210, base);
    for (int i = 0; i < pages; ++i) {
        const QByteArray page = memory.mid(base + i * l.pageSize, l.pageSize);
        for (int p = 0; p < l.recordsPerPage; ++p) {
            const int at = l.firstRecord + p * l.record.size;
            const auto folder = static_cast<quint8>(page[at + l.record.folderNo]);
            if (folder == kErased) {
                break;
            }
            if (folder == kEmpty) {
                continue;
            }
            const StoredRecord r = DecodeRecord(l, page, at);
            out << RecordLine(r, Stamp210(today, r.dayWord, r.timeWord), true);
        }
    }
}

}  // namespace

QString NotebookFileError::text() const {
    return line > 0 ? QStringLiteral("line %1: %2").arg(line).arg(reason) : reason;
}

DeviceModel SimulatedModel(const Simulator& simulator) {
    const Identification id = simulator.identification();
    return ModelFromIdentification(cp1251::Decode(id.name), QString::number(id.version));
}

bool LoadNotebookText(Simulator& simulator, const QString& text, NotebookFileError* error) {
    const DeviceModel model = SimulatedModel(simulator);
    if (model == DeviceModel::None) {
        return Fail(error, 0, QStringLiteral("the simulated instrument has no notebook layout"));
    }
    FileNotebook file;
    if (!Parser(model, error).parse(text, file)) {
        return false;
    }
    Identification id = simulator.identification();
    const int base = file.base.value_or(id.notebookBase);
    if (PageCount(model, base) == 0) {
        return Fail(error, 0, QStringLiteral("the notebook base leaves no page"));
    }
    QByteArray memory = simulator.memory();
    const bool built = model == DeviceModel::Ph510 ? BuildFolderPages(file, base, memory, error)
                                                   : BuildRecordPages(file, base, memory, error);
    if (!built) {
        return false;
    }
    id.notebookBase = static_cast<quint16>(base);
    simulator.setIdentification(id);
    simulator.setMemory(memory);
    return true;
}

bool LoadNotebookFile(Simulator& simulator, const QString& path, NotebookFileError* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return Fail(error, 0, QStringLiteral("%1: %2").arg(path, file.errorString()));
    }
    return LoadNotebookText(simulator, QString::fromUtf8(file.readAll()), error);
}

QString SaveNotebookText(const Simulator& simulator, const QDate& today) {
    const DeviceModel model = SimulatedModel(simulator);
    const int base = simulator.identification().notebookBase;
    QStringList out{QStringLiteral("# Notebook of the simulated %1, read on %2")
                        .arg(DisplayName(model), today.toString(Qt::ISODate))};
    if (model == DeviceModel::None) {
        return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
    }
    out << QStringLiteral("model %1").arg(DisplayName(model))
        << QStringLiteral("base 0x%1")
               .arg(QString::number(base, 16).toUpper().rightJustified(4, QLatin1Char('0')));
    const QByteArray memory = simulator.memory();
    if (model == DeviceModel::Ph510) {
        SaveFolderPages(memory, base, today, out);
    } else {
        SaveRecordPages(memory, base, today, out);
    }
    return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

bool SaveNotebookFile(const Simulator& simulator, const QString& path, const QDate& today,
                      QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(SaveNotebookText(simulator, today).toUtf8()) < 0) {
        if (error != nullptr) {
            *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        }
        return false;
    }
    return true;
}

QString TakeNotebookOption(QStringList& arguments, QString* error) {
    const QString option = QStringLiteral("--notebook");
    QString path;
    for (int i = 1; i < arguments.size();) {
        if (arguments[i] == option) {
            if (i + 1 >= arguments.size()) {
                if (error != nullptr) {
                    *error = QStringLiteral("--notebook needs a file name");
                }
                arguments.removeAt(i);
                return {};
            }
            path = arguments[i + 1];
            arguments.remove(i, 2);
        } else if (arguments[i].startsWith(option + QLatin1Char('='))) {
            path = arguments[i].mid(option.size() + 1);
            arguments.removeAt(i);
        } else {
            ++i;
        }
    }
    return path;
}

}  // namespace kvir::sim
