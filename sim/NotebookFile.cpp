#include "NotebookFile.h"

#include "NotebookMemory.h"

#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QStringList>

#include <cmath>
#include <optional>

namespace kvir::sim {

namespace {

constexpr quint8 kErased = 0xFF;
constexpr quint8 kEmpty = 0x00;
constexpr int kSecondsPerDay = 86400;
constexpr int kRawLineBytes = 32;

bool EndsRecords(int markerByte) {
    return markerByte == kEmpty || markerByte == kErased;
}

// One line of a notebook file that places something in the memory.
struct Line {
    enum class Kind { Folder, Nameless, Record, Hidden, Skip, Raw };
    Kind kind = Kind::Folder;
    int number = 0;      // line number in the file
    int folder = 0;      // Folder, Nameless
    QByteArray name;     // Folder
    Measurement record;  // Record, Hidden
    int count = 0;       // Skip
    int address = 0;     // Raw
    QByteArray bytes;    // Raw
};

struct FileNotebook {
    std::optional<int> base;
    QList<Line> lines;
};

std::optional<int> ParseInteger(const QString& text) {
    bool ok = false;
    const int value = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                          ? text.mid(2).toInt(&ok, 16)
                          : text.toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

std::optional<float> ParseFloat(const QString& text) {
    // Not-a-number and the infinities as FloatText writes them.
    if (text == QLatin1String("nan")) {
        return std::nanf("");
    }
    if (text == QLatin1String("inf") || text == QLatin1String("-inf")) {
        const float infinity = HUGE_VALF;
        return text.startsWith(QLatin1Char('-')) ? -infinity : infinity;
    }
    bool ok = false;
    const float value = text.toFloat(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

// The shortest decimal text that reads back as the same single-precision value.
QString FloatText(float value) {
    if (std::isnan(value)) {
        return QStringLiteral("nan");
    }
    if (std::isinf(value)) {
        return value < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");
    }
    for (int digits = 6; digits < 9; ++digits) {
        const QString text = QString::number(static_cast<double>(value), 'g', digits);
        if (text.toFloat() == value) {
            return text;
        }
    }
    return QString::number(static_cast<double>(value), 'g', 9);
}

QString AddressText(int address) {
    return QStringLiteral("0x") +
           QString::number(address, 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

class Parser {
  public:
    Parser(Model model, NotebookFileError* error) : model_(model), error_(error) {}

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
            } else if (keyword == QLatin1String("nameless")) {
                ok = parseNameless(rest, out);
            } else if (keyword == QLatin1String("record") || keyword == QLatin1String("hidden")) {
                ok = parseRecord(rest, keyword == QLatin1String("hidden"), out);
            } else if (keyword == QLatin1String("skip")) {
                ok = parseSkip(rest, out);
            } else if (keyword == QLatin1String("raw")) {
                ok = parseRaw(rest, out);
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

    Line start(Line::Kind kind) const {
        Line line;
        line.kind = kind;
        line.number = line_;
        return line;
    }

    bool parseModel(const QString& rest) {
        if (ModelNamed(rest) != model_) {
            return fail(QStringLiteral("the notebook is for \"%1\", the instrument is \"%2\"")
                            .arg(rest, ModelName(model_)));
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

    // A folder number not yet used by a folder or nameless line.
    std::optional<int> newFolder(const QString& text) {
        const std::optional<int> number = ParseInteger(text);
        if (!number || *number < 1 || *number > 255) {
            fail(QStringLiteral("folder \"%1\" is not a folder number").arg(text));
            return std::nullopt;
        }
        if (folders_.contains(*number)) {
            fail(QStringLiteral("folder %1 is named twice").arg(*number));
            return std::nullopt;
        }
        folders_.insert(*number, line_);
        return number;
    }

    bool parseFolder(const QString& rest, FileNotebook& out) {
        static const QRegularExpression form(QStringLiteral("^(\\S+)(?:\\s+(.*))?$"));
        const QRegularExpressionMatch m = form.match(rest);
        if (!m.hasMatch()) {
            return fail(QStringLiteral("a folder line is \"folder NUMBER NAME\""));
        }
        const std::optional<int> number = newFolder(m.captured(1));
        if (!number) {
            return false;
        }
        const QString name = m.captured(2);
        bool exact = false;
        const QByteArray bytes = ToWindows1251(name, &exact);
        if (!exact) {
            return fail(QStringLiteral("folder name \"%1\" is not Windows-1251").arg(name));
        }
        if (bytes.size() > kNameBytes) {
            return fail(QStringLiteral("folder name \"%1\" is longer than 16 bytes").arg(name));
        }
        if (bytes.contains(static_cast<char>(kErased))) {
            // The byte of 'я' is the one that marks the end of a name.
            return fail(
                QStringLiteral("folder name \"%1\": the letter я cannot be stored").arg(name));
        }
        if (model_ == Model::Ph510 && bytes.isEmpty()) {
            return fail(QStringLiteral("a folder page needs a name (or a \"nameless\" line)"));
        }
        Line line = start(Line::Kind::Folder);
        line.folder = *number;
        line.name = bytes;
        out.lines.append(line);
        return true;
    }

    bool parseNameless(const QString& rest, FileNotebook& out) {
        if (model_ != Model::Ph510) {
            return fail(QStringLiteral("\"nameless\" is a folder page of the \"КВИР-510v2\""));
        }
        const std::optional<int> number = newFolder(rest);
        if (!number) {
            return false;
        }
        Line line = start(Line::Kind::Nameless);
        line.folder = *number;
        out.lines.append(line);
        return true;
    }

    bool parseRecord(const QString& rest, bool hidden, FileNotebook& out) {
        const QStringList f = rest.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const int values = model_ == Model::Ph510 ? 3 : 4;
        if (f.size() < 7 || f.size() > 4 + values) {
            return fail(model_ == Model::Ph510
                            ? QStringLiteral("a record line is \"record FOLDER DATE TIME MODE "
                                             "VALUE1 VALUE2 VALUE3\"")
                            : QStringLiteral("a record line is \"record FOLDER DATE TIME MODE "
                                             "VALUE1 VALUE2 VALUE3 [SALINITY]\""));
        }
        Line line = start(hidden ? Line::Kind::Hidden : Line::Kind::Record);
        Measurement& r = line.record;

        const std::optional<int> folder = ParseInteger(f[0]);
        if (!folder || *folder < 0 || *folder > 255) {
            return fail(QStringLiteral("folder \"%1\" is not a folder number").arg(f[0]));
        }
        r.folder = *folder;
        const QDate date = QDate::fromString(f[1], Qt::ISODate);
        const QTime time = QTime::fromString(f[2], QStringLiteral("HH:mm:ss"));
        if (!date.isValid() || !time.isValid()) {
            return fail(QStringLiteral("date and time are YYYY-MM-DD HH:MM:SS"));
        }
        r.dayWord = DayWord(model_, date);
        r.timeWord = TimeWord(time);

        const std::optional<int> mode = ParseInteger(f[3]);
        if (!mode || *mode < 0 || *mode > 255) {
            return fail(QStringLiteral("mode \"%1\" is not a mode byte").arg(f[3]));
        }
        if (!hidden && model_ == Model::Ph510 && EndsRecords(*mode)) {
            return fail(QStringLiteral("mode %1 ends a page's records: write a \"hidden\" line")
                            .arg(*mode));
        }
        r.mode = static_cast<quint8>(*mode);

        float* const targets[] = {&r.value1, &r.value2, &r.value3};
        for (int i = 0; i < 3; ++i) {
            const std::optional<float> value = ParseFloat(f[4 + i]);
            if (!value) {
                return fail(QStringLiteral("value \"%1\" is not a number").arg(f[4 + i]));
            }
            *targets[i] = *value;
        }
        if (f.size() == 8) {
            const std::optional<int> salinity = ParseInteger(f[7]);
            if (!salinity || *salinity < 0 || *salinity > 0xFFFF) {
                return fail(QStringLiteral("salinity \"%1\" is not 0 to 65535").arg(f[7]));
            }
            r.value4 = static_cast<quint16>(*salinity);
        }
        out.lines.append(line);
        return true;
    }

    bool parseSkip(const QString& rest, FileNotebook& out) {
        if (model_ != Model::Conc210) {
            return fail(QStringLiteral("\"skip\" passes over record places of the \"КВИР-210v1\""));
        }
        const std::optional<int> count = ParseInteger(rest);
        if (!count || *count < 1) {
            return fail(QStringLiteral("a skip line is \"skip COUNT\", COUNT at least 1"));
        }
        Line line = start(Line::Kind::Skip);
        line.count = *count;
        out.lines.append(line);
        return true;
    }

    bool parseRaw(const QString& rest, FileNotebook& out) {
        const QString address = rest.section(QLatin1Char(' '), 0, 0);
        const QByteArray digits = rest.mid(address.size()).remove(QLatin1Char(' ')).toLatin1();
        const std::optional<int> at = ParseInteger(address);
        static const QRegularExpression hex(QStringLiteral("^(?:[0-9A-Fa-f]{2})+$"));
        if (!at || !hex.match(QString::fromLatin1(digits)).hasMatch()) {
            return fail(QStringLiteral("a raw line is \"raw ADDRESS HEXBYTES\""));
        }
        Line line = start(Line::Kind::Raw);
        line.address = *at;
        line.bytes = QByteArray::fromHex(digits);
        out.lines.append(line);
        return true;
    }

    Model model_;
    NotebookFileError* error_;
    int line_ = 0;
    QMap<int, int> folders_;  // folder number to its line
};

bool Fail(NotebookFileError* error, int line, const QString& reason) {
    if (error != nullptr) {
        *error = {line, reason};
    }
    return false;
}

void Put(QByteArray& memory, int at, const QByteArray& bytes) {
    memory.replace(at, bytes.size(), bytes);
}

// The folder pages of a "КВИР-510v2": headers first, then each record at the next place of
// its folder's page, then the raw bytes.
bool BuildFolderPages(const FileNotebook& file, int base, QByteArray& memory,
                      NotebookFileError* error) {
    const Model model = Model::Ph510;
    const int pages = PageCount(model, base);
    memory.replace(base, kFolderPagesEnd - base, QByteArray(kFolderPagesEnd - base, '\xFF'));
    QMap<int, bool> named;  // folder to true when named, false when nameless
    for (const Line& line : file.lines) {
        if (line.kind != Line::Kind::Folder && line.kind != Line::Kind::Nameless) {
            continue;
        }
        if (line.folder > pages) {
            return Fail(error, line.number,
                        QStringLiteral("folder %1 has no page: the notebook has %2")
                            .arg(line.folder)
                            .arg(pages));
        }
        const bool common = line.folder == 1 && line.name == CommonFolderName();
        Put(memory, base + (line.folder - 1) * kPageBytes,
            line.kind == Line::Kind::Nameless ? FolderHeader(QByteArray(1, '\0'))
            : common                          ? CommonFolderHeader()
                                              : FolderHeader(line.name));
        named.insert(line.folder, line.kind == Line::Kind::Folder);
    }
    QMap<int, int> used;    // records per folder so far
    QMap<int, bool> ended;  // a record ending the page's records was placed
    for (const Line& line : file.lines) {
        if (line.kind != Line::Kind::Record && line.kind != Line::Kind::Hidden) {
            continue;
        }
        const int folder = line.record.folder;
        if (folder < 1 || folder > pages) {
            return Fail(error, line.number,
                        QStringLiteral("folder %1 has no page: the notebook has %2")
                            .arg(folder)
                            .arg(pages));
        }
        const bool visible = named.value(folder) && !ended.value(folder);
        if (line.kind == Line::Kind::Record && !named.value(folder)) {
            return Fail(error, line.number, QStringLiteral("folder %1 is not named").arg(folder));
        }
        if (line.kind == Line::Kind::Record && !visible) {
            return Fail(error, line.number,
                        QStringLiteral("the record follows the end of folder %1's records: "
                                       "write a \"hidden\" line")
                            .arg(folder));
        }
        if (line.kind == Line::Kind::Hidden && visible && !EndsRecords(line.record.mode)) {
            return Fail(error, line.number,
                        QStringLiteral("a reader takes this record: write a \"record\" line"));
        }
        const int place = used[folder]++;
        if (place >= RecordsPerPage(model)) {
            return Fail(error, line.number,
                        QStringLiteral("folder %1 holds more than 26 records").arg(folder));
        }
        Put(memory, RecordAddress(model, base, folder - 1, place), RecordBytes(model, line.record));
        if (EndsRecords(line.record.mode)) {
            ended.insert(folder, true);
        }
    }
    return true;
}

// The directory and record pages of a "КВИР-210v1": the entries, then the records from place
// 0 of page 0 on in the order of the file, then the raw bytes.
bool BuildRecordPages(const FileNotebook& file, int base, QByteArray& memory,
                      NotebookFileError* error) {
    const Model model = Model::Conc210;
    const int end = NotebookAreaEnd(model);
    memory.replace(base, end - base, QByteArray(end - base, '\xFF'));
    for (const Line& line : file.lines) {
        if (line.kind != Line::Kind::Folder) {
            continue;
        }
        if (line.folder > kDirectoryEntries) {
            return Fail(error, line.number,
                        QStringLiteral("folder %1: the directory holds 25").arg(line.folder));
        }
        Put(memory, kDirectoryStart + (line.folder - 1) * kEntryBytes,
            DirectoryEntry(line.folder, line.name));
    }
    const int perPage = RecordsPerPage(model);
    const int capacity = PageCount(model, base) * perPage;
    int next = 0;        // the record place the next line fills
    int endedPage = -1;  // a page whose records ended at a place already passed
    for (const Line& line : file.lines) {
        if (line.kind == Line::Kind::Skip) {
            if (line.count > capacity - next) {
                return Fail(error, line.number,
                            QStringLiteral("the record pages hold %1 records").arg(capacity));
            }
            next += line.count;
            endedPage = (next - 1) / perPage;
            continue;
        }
        if (line.kind != Line::Kind::Record && line.kind != Line::Kind::Hidden) {
            continue;
        }
        if (next >= capacity) {
            return Fail(error, line.number,
                        QStringLiteral("the record pages hold %1 records").arg(capacity));
        }
        const int folder = line.record.folder;
        const int page = next / perPage;
        const bool visible = !EndsRecords(folder) && endedPage != page;
        if (line.kind == Line::Kind::Record && EndsRecords(folder)) {
            return Fail(error, line.number,
                        QStringLiteral("folder %1 is an empty place or the end of a page: "
                                       "write a \"hidden\" line")
                            .arg(folder));
        }
        if (line.kind == Line::Kind::Record && !visible) {
            return Fail(error, line.number,
                        QStringLiteral("the record follows the end of page %1's records: "
                                       "write a \"hidden\" line")
                            .arg(page));
        }
        if (line.kind == Line::Kind::Hidden && visible) {
            return Fail(error, line.number,
                        QStringLiteral("a reader takes this record: write a \"record\" line"));
        }
        Put(memory, RecordAddress(model, base, page, next % perPage),
            RecordBytes(model, line.record));
        if (folder == kErased) {
            endedPage = page;
        }
        ++next;
    }
    return true;
}

bool BuildNotebook(Model model, const FileNotebook& file, int base, QByteArray& memory,
                   NotebookFileError* error) {
    const bool built = model == Model::Ph510 ? BuildFolderPages(file, base, memory, error)
                                             : BuildRecordPages(file, base, memory, error);
    if (!built) {
        return false;
    }
    const int end = NotebookAreaEnd(model);
    for (const Line& line : file.lines) {
        if (line.kind != Line::Kind::Raw) {
            continue;
        }
        if (line.address < base || line.address + line.bytes.size() > end) {
            return Fail(error, line.number,
                        QStringLiteral("raw bytes lie outside the notebook, %1 to %2")
                            .arg(AddressText(base), AddressText(end - 1)));
        }
        Put(memory, line.address, line.bytes);
    }
    return true;
}

// ---- Saving ------------------------------------------------------------------------------

// A name as a folder line can carry it: characters that would end or trim the line become
// '?' (the raw lines then restore their bytes).
QString NameText(const QByteArray& bytes) {
    QString name = FromWindows1251(bytes);
    for (qsizetype i = 0; i < name.size(); ++i) {
        const bool atEnd = i == 0 || i == name.size() - 1;
        if (name[i].unicode() < 0x20 || (atEnd && name[i].isSpace())) {
            name[i] = QLatin1Char('?');
        }
    }
    return name;
}

// Date and time of a record as a line gives them: the day word counted from `dayOne`, the
// time word in two-second steps (a time word past midnight runs into the next day).
std::pair<QDate, QTime> DateTimeOf(const QDate& dayOne, const Measurement& r) {
    const int seconds = r.timeWord * 2;
    return {dayOne.addDays(r.dayWord + seconds / kSecondsPerDay),
            QTime(0, 0).addSecs(seconds % kSecondsPerDay)};
}

// The year a "КВИР-210v1" record is written with: today's, or the one before when its month
// and day still lie ahead; 29 February takes the last leap year, so that its day survives.
QDate Dated210(const QDate& today, const QDate& carried) {
    int year = today.year();
    if (carried.month() > today.month() ||
        (carried.month() == today.month() && carried.day() > today.day())) {
        --year;
    }
    if (carried.month() == 2 && carried.day() == 29) {
        while (!QDate::isLeapYear(year)) {
            --year;
        }
    }
    return QDate(year, carried.month(), carried.day());
}

QString RecordLine(Model model, const Measurement& r, bool visible, const QDate& today) {
    std::pair<QDate, QTime> when;
    if (model == Model::Ph510) {
        when = DateTimeOf(QDate(today.year(), 1, 1), r);
    } else {
        when = DateTimeOf(QDate(2000, 1, 1), r);
        when.first = Dated210(today, when.first);
    }
    QStringList f{visible ? QStringLiteral("record") : QStringLiteral("hidden"),
                  QString::number(r.folder),
                  when.first.toString(QStringLiteral("yyyy-MM-dd")),
                  when.second.toString(QStringLiteral("HH:mm:ss")),
                  QString::number(r.mode),
                  FloatText(r.value1),
                  FloatText(r.value2),
                  FloatText(r.value3)};
    if (model == Model::Conc210) {
        f << QString::number(r.value4);
    }
    return f.join(QLatin1Char(' '));
}

bool Erased(const QByteArray& memory, int at, int length) {
    for (int i = at; i < at + length; ++i) {
        if (static_cast<quint8>(memory[i]) != kErased) {
            return false;
        }
    }
    return true;
}

void DescribeFolderPages(const QByteArray& memory, int base, const QDate& today, QStringList& out) {
    const Model model = Model::Ph510;
    const int size = RecordBytes(model);
    for (int i = 0; i < PageCount(model, base); ++i) {
        const int at = base + i * kPageBytes;
        const auto first = static_cast<quint8>(memory[at]);
        const bool named = !EndsRecords(first);
        if (named) {
            QByteArray name = memory.mid(at, kNameBytes);
            name.truncate(name.indexOf(static_cast<char>(kErased)) < 0
                              ? name.size()
                              : name.indexOf(static_cast<char>(kErased)));
            out << QStringLiteral("folder %1 %2").arg(i + 1).arg(NameText(name));
        } else if (first == kEmpty) {
            out << QStringLiteral("nameless %1").arg(i + 1);
        }
        // Every place up to the last one written, so that each keeps its place.
        int last = -1;
        for (int k = 0; k < RecordsPerPage(model); ++k) {
            if (!Erased(memory, RecordAddress(model, base, i, k), size)) {
                last = k;
            }
        }
        bool ended = false;
        for (int k = 0; k <= last; ++k) {
            Measurement r = RecordAt(model, memory, RecordAddress(model, base, i, k));
            r.folder = i + 1;
            ended = ended || EndsRecords(r.mode);
            out << RecordLine(model, r, named && !ended, today);
        }
    }
}

void DescribeRecordPages(const QByteArray& memory, int base, const QDate& today, QStringList& out) {
    const Model model = Model::Conc210;
    for (int j = 0; j < kDirectoryEntries; ++j) {
        const QByteArray entry = memory.mid(kDirectoryStart + j * kEntryBytes, kEntryBytes);
        const qsizetype cr = entry.indexOf('\r', 1);
        const qsizetype erased = entry.indexOf(static_cast<char>(kErased), 1);
        const bool readable = cr >= 1 && cr <= kNameBytes + 1 && (erased < 0 || erased > cr);
        if (!EndsRecords(static_cast<quint8>(entry[0])) && readable) {
            const QString name = NameText(entry.mid(1, cr - 1));
            out << (QStringLiteral("folder %1 ").arg(j + 1) + name).trimmed();
        }
    }
    const int perPage = RecordsPerPage(model);
    const int places = PageCount(model, base) * perPage;
    int last = -1;
    for (int n = 0; n < places; ++n) {
        if (!Erased(memory, RecordAddress(model, base, n / perPage, n % perPage),
                    RecordBytes(model))) {
            last = n;
        }
    }
    int skipped = 0;
    int endedPage = -1;
    for (int n = 0; n <= last; ++n) {
        const int page = n / perPage;
        const int at = RecordAddress(model, base, page, n % perPage);
        if (Erased(memory, at, RecordBytes(model))) {
            ++skipped;
            endedPage = page;
            continue;
        }
        if (skipped > 0) {
            out << QStringLiteral("skip %1").arg(skipped);
            skipped = 0;
        }
        const Measurement r = RecordAt(model, memory, at);
        endedPage = r.folder == kErased ? page : endedPage;
        out << RecordLine(model, r, !EndsRecords(r.folder) && endedPage != page, today);
    }
}

// Raw lines for every byte of the notebook area where `built` differs from `memory`; bytes
// that agree but lie between two differences closer than a line's worth join them.
QStringList RawLines(const QByteArray& memory, const QByteArray& built, int from, int to) {
    QStringList lines;
    int at = from;
    while (at < to) {
        if (memory[at] == built[at]) {
            ++at;
            continue;
        }
        int end = at + 1;  // one past the last differing byte taken
        for (int i = end; i < to && i < at + kRawLineBytes; ++i) {
            if (memory[i] != built[i]) {
                end = i + 1;
            }
        }
        lines << QStringLiteral("raw %1 %2")
                     .arg(AddressText(at),
                          QString::fromLatin1(memory.mid(at, end - at).toHex().toUpper()));
        at = end;
    }
    return lines;
}

}  // namespace

QString NotebookFileError::text() const {
    return line > 0 ? QStringLiteral("line %1: %2").arg(line).arg(reason) : reason;
}

Model SimulatedModel(const Simulator& simulator) {
    const Identification id = simulator.identification();
    return ModelOf(id.name, id.version);
}

bool LoadNotebookText(Simulator& simulator, const QString& text, NotebookFileError* error) {
    const Model model = SimulatedModel(simulator);
    if (model == Model::None) {
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
    if (!BuildNotebook(model, file, base, memory, error)) {
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
    const Model model = SimulatedModel(simulator);
    const int base = simulator.identification().notebookBase;
    QStringList out{QStringLiteral("# Notebook of the simulated %1, read on %2")
                        .arg(model == Model::None ? QStringLiteral("instrument") : ModelName(model),
                             today.toString(Qt::ISODate))};
    if (PageCount(model, base) == 0) {
        return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
    }
    out << QStringLiteral("model %1").arg(ModelName(model))
        << QStringLiteral("base %1").arg(AddressText(base));
    const QByteArray memory = simulator.memory();
    QStringList lines;
    if (model == Model::Ph510) {
        DescribeFolderPages(memory, base, today, lines);
    } else {
        DescribeRecordPages(memory, base, today, lines);
    }
    // What the lines cannot say (a damaged check word, a day word no date gives, a
    // directory entry without its CR, bytes between the records) follows as raw bytes.
    FileNotebook file;
    QByteArray built(memory.size(), static_cast<char>(kErased));
    if (!Parser(model, nullptr).parse(lines.join(QLatin1Char('\n')), file) ||
        !BuildNotebook(model, file, base, built, nullptr)) {
        lines.clear();  // cannot happen; the raw lines alone still hold everything
        built.fill(static_cast<char>(kErased));
    }
    const QStringList raw = RawLines(memory, built, base, NotebookAreaEnd(model));
    out << lines;
    if (!raw.isEmpty()) {
        out << QStringLiteral("# bytes the lines above do not give") << raw;
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
