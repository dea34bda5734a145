#include "instrument/Cp1251.h"

#include <gtest/gtest.h>

#include <QStringDecoder>

namespace kvir {
namespace {

constexpr quint8 kUndefinedByte = 0x98;

QByteArray Byte(int b) {
    return QByteArray(1, static_cast<char>(b));
}

TEST(Cp1251, EveryByteSurvivesARoundTrip) {
    for (int b = 0; b < 256; ++b) {
        const QString text = cp1251::Decode(Byte(b));
        ASSERT_EQ(text.size(), 1) << "byte " << b;
        EXPECT_TRUE(cp1251::CanEncode(text)) << "byte " << b;
        EXPECT_EQ(cp1251::Encode(text), Byte(b)) << "byte " << b;
    }
}

TEST(Cp1251, AgreesWithTheSystemCodecWhereOneExists) {
    QStringDecoder system("windows-1251");
    if (!system.isValid()) {
        GTEST_SKIP() << "this Qt has no windows-1251 codec";
    }
    for (int b = 0; b < 256; ++b) {
        if (b == kUndefinedByte) {
            continue;
        }
        const QString expected = system.decode(Byte(b));
        EXPECT_EQ(cp1251::Decode(Byte(b)), expected) << "byte " << b;
    }
}

TEST(Cp1251, KnownCharacters) {
    struct Case {
        char16_t character;
        quint8 byte;
    };
    const Case cases[] = {
        {u'А', 0xC0}, {u'Я', 0xDF}, {u'а', 0xE0}, {u'я', 0xFF}, {u'Ё', 0xA8},
        {u'ё', 0xB8}, {u'№', 0xB9}, {u'–', 0x96}, {u'—', 0x97}, {u'«', 0xAB},
        {u'»', 0xBB}, {u'“', 0x93}, {u'”', 0x94}, {u'„', 0x84}, {u'€', 0x88},
        {u'Ґ', 0xA5}, {u'і', 0xB3}, {u'°', 0xB0}, {u'µ', 0xB5}, {u'\u00A0', 0xA0},
    };
    for (const Case& c : cases) {
        const QString text(QChar(c.character));
        EXPECT_EQ(cp1251::Encode(text), Byte(c.byte)) << int(c.byte);
        EXPECT_EQ(cp1251::Decode(Byte(c.byte)), text) << int(c.byte);
    }
    EXPECT_EQ(cp1251::Encode(QStringLiteral("ОБЩАЯ ПАПКА")),
              QByteArray::fromHex("CEC1D9C0DF20CFC0CFCAC0"));
}

TEST(Cp1251, ForeignCharacters) {
    const struct {
        QString text;
        QByteArray bytes;
    } cases[] = {
        {QStringLiteral("pH ü"), QByteArray("pH ?")},
        {QStringLiteral("水"), QByteArray("?")},
        {QString::fromUcs4(U"a\U0001F600b"), QByteArray("a?b")},  // one '?' per character
        {QString(QChar(0xFFFD)), QByteArray("?")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cp1251::Encode(c.text), c.bytes) << c.text.toStdString();
        EXPECT_FALSE(cp1251::CanEncode(c.text)) << c.text.toStdString();
    }
    EXPECT_TRUE(cp1251::CanEncode(QStringLiteral("Пруд №2 «Ёлки» — 5 µг")));
    EXPECT_TRUE(cp1251::CanEncode(QString()));
}

}  // namespace
}  // namespace kvir
