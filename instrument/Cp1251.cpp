#include "Cp1251.h"

#include <QList>

#include <array>

namespace kvir::cp1251 {

namespace {

// Byte 0x98 has no character in Windows-1251. It decodes to the C1 control U+0098 and that
// character encodes back to 0x98, so a name the instrument stores with this byte survives a
// read and a write-back unchanged (the mapping Windows itself uses for the code page).
constexpr char32_t kUndefined = 0x0098;

// Bytes 0x80 to 0xBF. Bytes 0xC0 to 0xFF are the Cyrillic letters А to я, U+0410 to U+044F,
// in alphabetical order (Ё and ё live at 0xA8 and 0xB8).
constexpr std::array<char32_t, 64> kUpperHalf = {
    0x0402,     0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x20AC,     0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 0x88
    0x0452,     0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    kUndefined, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 0x98
    0x00A0,     0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // 0xA0
    0x0401,     0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // 0xA8
    0x00B0,     0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // 0xB0
    0x0451,     0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // 0xB8
};

constexpr char32_t kCyrillicA = 0x0410;   // А, byte 0xC0
constexpr char32_t kCyrillicYa = 0x044F;  // я, byte 0xFF

char32_t CharOf(quint8 byte) {
    if (byte < 0x80) {
        return byte;
    }
    if (byte >= 0xC0) {
        return kCyrillicA + (byte - 0xC0);
    }
    return kUpperHalf[byte - 0x80];
}

// The byte of a character, or -1 when Windows-1251 has none.
int ByteOf(char32_t c) {
    if (c < 0x80) {
        return static_cast<int>(c);
    }
    if (c >= kCyrillicA && c <= kCyrillicYa) {
        return 0xC0 + static_cast<int>(c - kCyrillicA);
    }
    for (std::size_t i = 0; i < kUpperHalf.size(); ++i) {
        if (kUpperHalf[i] == c) {
            return 0x80 + static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace

QByteArray Encode(const QString& text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    // Code points, so that a character outside the basic plane becomes one '?', not two.
    for (const char32_t c : text.toUcs4()) {
        const int byte = ByteOf(c);
        bytes.append(byte < 0 ? '?' : static_cast<char>(byte));
    }
    return bytes;
}

QString Decode(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size());
    for (const char b : bytes) {
        // Every character of the table lies in the basic plane: one UTF-16 unit each.
        text.append(QChar(static_cast<char16_t>(CharOf(static_cast<quint8>(b)))));
    }
    return text;
}

bool CanEncode(const QString& text) {
    for (const char32_t c : text.toUcs4()) {
        if (ByteOf(c) < 0) {
            return false;
        }
    }
    return true;
}

}  // namespace kvir::cp1251
