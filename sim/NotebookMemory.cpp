#include "NotebookMemory.h"

#include <array>
#include <bit>

namespace kvir::sim {

namespace {

constexpr char kCr = '\r';
constexpr char kErased = '\xFF';
constexpr quint16 kCommonFolderCheck = 0x0D29;

void AppendU16(QByteArray& bytes, quint16 value) {
    bytes.append(static_cast<char>(value & 0xFF));
    bytes.append(static_cast<char>(value >> 8));
}

void AppendFloat(QByteArray& bytes, float value) {
    const auto bits = std::bit_cast<quint32>(value);
    for (int shift = 0; shift < 32; shift += 8) {
        bytes.append(static_cast<char>((bits >> shift) & 0xFF));
    }
}

quint8 Byte(const QByteArray& bytes, int at) {
    return static_cast<quint8>(bytes.at(at));
}

quint16 U16(const QByteArray& bytes, int at) {
    return static_cast<quint16>(Byte(bytes, at) | Byte(bytes, at + 1) << 8);
}

float Float(const QByteArray& bytes, int at) {
    quint32 bits = 0;
    for (int i = 3; i >= 0; --i) {
        bits = bits << 8 | Byte(bytes, at + i);
    }
    return std::bit_cast<float>(bits);
}

QByteArray WithCheckWord(QByteArray bytes) {
    AppendU16(bytes, CheckWord(bytes));
    return bytes;
}

// Unicode of the Windows-1251 bytes 0x80 to 0xBF; 0xC0 to 0xFF are U+0410 to U+044F in order.
// Byte 0x98 has no character: it stands for U+0098, so that no byte is lost.
constexpr std::array<char16_t, 64> kUpperHalf{
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

// The byte of `c`, or -1 when Windows-1251 has none.
int ByteOf(char32_t c) {
    if (c < 0x80) {
        return static_cast<int>(c);
    }
    if (c >= 0x0410 && c <= 0x044F) {
        return static_cast<int>(0xC0 + (c - 0x0410));
    }
    for (std::size_t i = 0; i < kUpperHalf.size(); ++i) {
        if (kUpperHalf[i] == c) {
            return static_cast<int>(0x80 + i);
        }
    }
    return -1;
}

}  // namespace

QString ModelName(Model model) {
    switch (model) {
        case Model::Ph510:
            return QStringLiteral("КВИР-510v2");
        case Model::Conc210:
            return QStringLiteral("КВИР-210v1");
        case Model::None:
            break;
    }
    return {};
}

Model ModelNamed(const QString& name) {
    for (const Model model : {Model::Ph510, Model::Conc210}) {
        if (name == ModelName(model)) {
            return model;
        }
    }
    return Model::None;
}

Model ModelOf(const QByteArray& name, int version) {
    const QByteArray wire = name.leftJustified(8, ' ', true);
    if (wire == ToWindows1251(QStringLiteral("КВИР-510")) && version == 2) {
        return Model::Ph510;
    }
    if (wire == ToWindows1251(QStringLiteral("КВИР-210"))) {
        return Model::Conc210;
    }
    return Model::None;
}

int PageCount(Model model, int base) {
    const int end = model == Model::Ph510     ? kFolderPagesEnd
                    : model == Model::Conc210 ? kDirectoryStart
                                              : 0;
    return end > base ? (end - base) / kPageBytes : 0;
}

int RecordsPerPage(Model model) {
    return model == Model::Ph510 ? 26 : model == Model::Conc210 ? 23 : 0;
}

int RecordBytes(Model model) {
    return model == Model::Ph510 ? 19 : model == Model::Conc210 ? 22 : 0;
}

int RecordAddress(Model model, int base, int page, int place) {
    const int first = model == Model::Ph510 ? kHeaderBytes : 0;
    return base + page * kPageBytes + first + place * RecordBytes(model);
}

int NotebookAreaEnd(Model model) {
    return model == Model::Ph510 ? kFolderPagesEnd : kDirectoryStart + kPageBytes;
}

quint16 CheckWord(const QByteArray& bytes) {
    quint32 sum = 17;
    for (const char b : bytes) {
        sum += static_cast<quint8>(b);
    }
    return static_cast<quint16>(sum);
}

QByteArray RecordBytes(Model model, const Measurement& record) {
    QByteArray bytes;
    if (model == Model::Conc210) {
        bytes.append(static_cast<char>(record.folder));
    }
    bytes.append(static_cast<char>(record.mode));
    AppendU16(bytes, record.dayWord);
    AppendU16(bytes, record.timeWord);
    if (model == Model::Conc210) {
        AppendU16(bytes, record.value4);
    }
    AppendFloat(bytes, record.value1);
    AppendFloat(bytes, record.value2);
    AppendFloat(bytes, record.value3);
    return WithCheckWord(bytes);
}

Measurement RecordAt(Model model, const QByteArray& memory, int at) {
    Measurement r;
    r.folder = 0;
    if (model == Model::Conc210) {
        r.folder = Byte(memory, at++);
    }
    r.mode = Byte(memory, at);
    r.dayWord = U16(memory, at + 1);
    r.timeWord = U16(memory, at + 3);
    at += 5;
    if (model == Model::Conc210) {
        r.value4 = U16(memory, at);
        at += 2;
    }
    r.value1 = Float(memory, at);
    r.value2 = Float(memory, at + 4);
    r.value3 = Float(memory, at + 8);
    return r;
}

QByteArray FolderHeader(const QByteArray& name) {
    return WithCheckWord(name.left(kNameBytes).leftJustified(kNameBytes, kErased));
}

QByteArray CommonFolderHeader() {
    QByteArray header = CommonFolderName().leftJustified(kNameBytes, kErased);
    AppendU16(header, kCommonFolderCheck);
    return header;
}

QByteArray DirectoryEntry(int folder, const QByteArray& name) {
    QByteArray entry(1, static_cast<char>(folder));
    entry += name.left(kNameBytes);
    entry += kCr;
    return WithCheckWord(entry.leftJustified(kEntryBytes - 2, kErased));
}

int FirstNamedFolder(Model model, const QByteArray& memory, int base) {
    const bool folderPages = model == Model::Ph510;
    const int count = folderPages ? PageCount(model, base) : model == Model::Conc210 ? 25 : 0;
    for (int k = 0; k < count; ++k) {
        const quint8 first =
            Byte(memory, folderPages ? base + k * kPageBytes : kDirectoryStart + k * kEntryBytes);
        if (first != 0x00 && first != 0xFF) {
            return k + 1;
        }
    }
    return 0;
}

QByteArray CommonFolderName() {
    return ToWindows1251(QStringLiteral("ОБЩАЯ ПАПКА"));
}

quint16 DayWord(Model model, const QDate& date) {
    if (model == Model::Ph510) {
        return static_cast<quint16>(date.dayOfYear() - 1);
    }
    return static_cast<quint16>(QDate(2000, 1, 1).daysTo(QDate(2000, date.month(), date.day())));
}

quint16 TimeWord(const QTime& time) {
    return static_cast<quint16>(time.msecsSinceStartOfDay() / 2000);
}

QByteArray ToWindows1251(const QString& text, bool* exact) {
    QByteArray bytes;
    bool all = true;
    for (const char32_t c : text.toUcs4()) {
        const int b = ByteOf(c);
        all = all && b >= 0;
        bytes.append(b >= 0 ? static_cast<char>(b) : '?');
    }
    if (exact != nullptr) {
        *exact = all;
    }
    return bytes;
}

QString FromWindows1251(const QByteArray& bytes) {
    QString text;
    for (const char b : bytes) {
        const auto u = static_cast<quint8>(b);
        text.append(QChar(u < 0x80    ? char16_t{u}
                          : u >= 0xC0 ? static_cast<char16_t>(0x0410 + (u - 0xC0))
                                      : kUpperHalf[u - 0x80]));
    }
    return text;
}

}  // namespace kvir::sim
