// The settings file's lines, value lookup, users and decimal values.

#include "Settings.h"
#include "TextFiles.h"
#include "instrument/DeviceModel.h"

#include <gtest/gtest.h>

namespace kvir {
namespace {

TEST(Settings, ControlsStateReachesItsLines) {
    SettingsState state;
    state.port = QStringLiteral("/dev/ttyUSB0");
    state.startPage = 2;
    state.showColPapka = 0xFB;
    state.showColDate = 0;
    state.fullScreen = true;
    state.netAdres = QStringLiteral("12x");
    state.autoConnect = false;
    state.pribor = kModel210;
    state.users = {QStringLiteral("Иванов Иван "), QStringLiteral("Петров  ")};
    const QStringList lines = BuildSettingsLines(state);
    EXPECT_EQ(lines.mid(1, 1), QStringList{"port=/dev/ttyUSB0"});
    EXPECT_EQ(lines.mid(3, 1), QStringList{"StartPage=2"});
    EXPECT_EQ(lines.mid(5, 3), (QStringList{"ShowColPapka=251", "ShowColDate=0", "StartEkran=1"}));
    EXPECT_EQ(lines.at(9), QStringLiteral("NetAdres=12x"));
    EXPECT_EQ(lines.at(11), QStringLiteral("Connect=0"));
    EXPECT_EQ(lines.at(13), QStringLiteral("Pribor=КВИР-210v1"));
    EXPECT_EQ(lines.mid(14), (QStringList{"[Users]", "UserCount=2", "Иванов Иван ", "Петров  "}));
}

TEST(Settings, ValueLookupTakesTheFirstNameWithoutRegardToCase) {
    const QStringList lines{"[Port]",    "port = COM1", "PORT=COM2", "port=COM3",
                            "NetAdres=", "Pribor=a=b",  "noequals",  "[x]"};
    const struct {
        const char* name;
        QString value;
    } cases[] = {
        {"port", "COM2"},  // "port " with a blank is another name
        {"Port", "COM2"}, {"port ", " COM1"}, {"NetAdres", ""}, {"Pribor", "a=b"},
        {"noequals", ""}, {"missing", ""},    {"[Port]", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SettingValue(lines, QString::fromLatin1(c.name)), c.value) << c.name;
    }
}

TEST(Settings, UsersFollowTheFirstUserCountLine) {
    const struct {
        QStringList lines;
        QStringList users;
    } cases[] = {
        {{"UserCount=1", " "}, {" "}},
        {{"UserCount=0", "A B C", "D"}, {}},
        {{"UserCount=2", "a", "b", "c", "d", "e"}, {"a", "b", "c", "d", "e"}},
        {{"usercount=1", "x"}, {"x"}},
        {{"[Users]", "x"}, {}},
        {{"UserCount=1"}, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UsersFromSettings(c.lines), c.users) << c.lines.join('|').toStdString();
    }
}

TEST(Settings, DecimalValues) {
    const struct {
        const char* text;
        std::optional<int> value;
    } cases[] = {
        {"0", 0},
        {"7", 7},
        {"-1", -1},
        {"+3", 3},
        {"255", 255},
        {"", std::nullopt},
        {"abc", std::nullopt},
        {" 1", std::nullopt},
        {"1 ", std::nullopt},
        {"0x10", std::nullopt},
        {"1.5", std::nullopt},
        {"-", std::nullopt},
        {"99999999999", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseDecimal(QString::fromLatin1(c.text)), c.value) << c.text;
    }
}

TEST(Settings, UserEntrySplitsAtTheFirstTwoBlanks) {
    const struct {
        QString entry;
        std::array<QString, 3> parts;
    } cases[] = {
        {"Иванов Иван Иванович", {"Иванов", "Иван", "Иванович"}},
        {"Сидоров Пётр Ильич Младший", {"Сидоров", "Пётр", "Ильич Младший"}},
        {"Петров", {"Петров", "", ""}},
        {"Петров  ", {"Петров", "", ""}},
        {"Петров Пётр", {"Петров", "Пётр", ""}},
        {" ", {"", "", ""}},
        {"", {"", "", ""}},
        {"А  В", {"А", "", "В"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SplitUserEntry(c.entry), c.parts) << c.entry.toStdString();
    }
    EXPECT_EQ(JoinUserEntry("Петров", "", ""), QStringLiteral("Петров  "));
}

}  // namespace
}  // namespace kvir
