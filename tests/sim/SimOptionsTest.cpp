// The kvir-sim command line and the Windows-1251 instrument name.

#include "SimHelpers.h"
#include "sim/SimOptions.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kvir::sim {
namespace {

TEST(SimOptions, InstrumentNameIsEightWindows1251Bytes) {
    struct Case {
        QString text;
        const char* bytes;
    };
    const Case cases[] = {
        {QStringLiteral("КВИР-510"), "CAC2C8D02D353130"},
        {QStringLiteral("абвэюя"), "E0E1E2FDFEFF2020"},
        {QStringLiteral("ЁёЎ№"), "A8B8A1B920202020"},
        {QStringLiteral("КВИР-510v2x"), "CAC2C8D02D353130"},  // cut to 8
        {QStringLiteral("A€"), "4188202020202020"},
        {QStringLiteral("日本"), "3F3F202020202020"},  // no Windows-1251 byte
        {QString(), "2020202020202020"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(InstrumentNameBytes(c.text), Hex(c.bytes)) << c.text.toStdString();
    }
}

TEST(SimOptions, CommandLinesGiveTheirSettings) {
    struct Case {
        QStringList args;
        Identification identification;
        bool wireSpeed;
        QString link;
        QList<Fault> faults;
    };
    const Identification k510 = Kvir510Identification();
    const Identification k210 = Kvir210Identification();
    const Case cases[] = {
        {{}, k510, false, {}, {}},
        {{"--model", "210"}, k210, false, {}, {}},
        {{"--model", "210", "--name", "КВИР-999", "--firmware", "-3", "--base", "0xE000"},
         {Hex("CAC2C8D02D393939"), -3, 0xE000},
         false,
         {},
         {}},
        {{"--base", "57344", "--wire-speed", "--link", "/tmp/kvir0"},
         {k510.name, k510.version, 57344},
         true,
         "/tmp/kvir0",
         {}},
        {{"--fault", "drop-first=3", "--fault", "failed@code=4,skip=5,count=3"},
         k510,
         false,
         {},
         {{FaultKind::Silence, -1, -1, -1, 0, 3}, {FaultKind::Failed, 4, -1, -1, 5, 3}}},
    };
    for (const Case& c : cases) {
        SimOptions options;
        QString message;
        const QStringList args = QStringList{"kvir-sim"} + c.args;
        ASSERT_EQ(ParseSimOptions(args, options, message), ParseOutcome::Run)
            << args.join(' ').toStdString() << ": " << message.toStdString();
        EXPECT_EQ(options.identification, c.identification) << args.join(' ').toStdString();
        EXPECT_EQ(options.wireSpeed, c.wireSpeed);
        EXPECT_EQ(options.linkPath, c.link);
        EXPECT_EQ(options.faults, c.faults);
    }
}

TEST(SimOptions, RefusesBadCommandLines) {
    const QStringList bad[] = {
        {"--model", "310"},
        {"--firmware", "128"},
        {"--firmware", "x"},
        {"--base", "65536"},
        {"--base", "-1"},
        {"--fault", "loud"},
        {"--bogus"},
        {"stray-argument"},
        {"--model"},
        {"--measure-every", "0"},
        {"--measure-every", "-1"},
        {"--measure-every", "soon"},
    };
    for (const QStringList& args : bad) {
        SimOptions options;
        QString message;
        EXPECT_EQ(ParseSimOptions(QStringList{"kvir-sim"} + args, options, message),
                  ParseOutcome::Error)
            << args.join(' ').toStdString();
        EXPECT_FALSE(message.isEmpty());
    }
}

TEST(SimOptions, LoadsARawMemoryImageOfTheRightSizeOnly) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString good = dir.filePath(QStringLiteral("good.bin"));
    const QString shortImage = dir.filePath(QStringLiteral("short.bin"));
    QByteArray image(kMemorySize, '\0');
    for (int i = 0; i < kMemorySize; ++i) {
        image[i] = static_cast<char>(i * 7);
    }
    for (const auto& [path, bytes] :
         {std::pair{good, image}, std::pair{shortImage, image.left(100)}}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    Simulator sim;
    SimOptions options;
    QString error;
    options.memoryFile = good;
    ASSERT_TRUE(LoadStartImage(sim, options, error)) << error.toStdString();
    EXPECT_EQ(sim.memory(), image);

    Simulator other;
    for (const QString& path : {shortImage, dir.filePath(QStringLiteral("missing.bin"))}) {
        options.memoryFile = path;
        EXPECT_FALSE(LoadStartImage(other, options, error));
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_EQ(other.memory(), QByteArray(kMemorySize, static_cast<char>(0xFF)));
}

}  // namespace
}  // namespace kvir::sim
