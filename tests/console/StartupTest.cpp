// Start-up of the main window from the settings file, and the automatic connection once the
// window is shown.

#include "ConsoleFixture.h"
#include "Settings.h"
#include "SettingsPage.h"
#include "TextFiles.h"
#include "report/ProtocolText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTableView>
#include <QTableWidget>

namespace kvir::test {
namespace {

class StartupTest : public ConsoleFixture {
  protected:
    QStringList IdentValues() const {
        QStringList values;
        const auto* grid = W<QTableWidget>("Tabl_identif");
        for (int row = 0; row < 3; ++row) {
            values << (grid->item(row, 1) != nullptr ? grid->item(row, 1)->text() : QString());
        }
        return values;
    }

    // The flat buttons of the tool bar, by name.
    QStringList FlatButtons() const {
        QStringList flat;
        for (const char* b : {"But_sort_name", "But_sort_date", "But_contr_papka", "But_nastr",
                              "But_conect", "But_exit"}) {
            if (IsFlat(b)) {
                flat << b;
            }
        }
        return flat;
    }

    QString Page() const { return W<QStackedWidget>("Panel_nastr")->currentWidget()->objectName(); }
};

TEST_F(StartupTest, FirstStartWritesTheFileAndOpensTheByDateTable) {
    Start();
    EXPECT_EQ(ReadFile(kSettingsFileName), FirstStartSettingsBytes());
    EXPECT_TRUE(dialogs.calls().empty());
    EXPECT_EQ(Caption(), kModelNone);
    EXPECT_EQ(Page(), "Page_sort_name");
    EXPECT_EQ(FlatButtons(), QStringList{"But_sort_date"});
    EXPECT_TRUE(W<QRadioButton>("Rbut_sort_date")->isChecked());
    EXPECT_TRUE(W<QRadioButton>("Rbut_auto")->isChecked());
    EXPECT_EQ(W<QLineEdit>("Edit_net_adr")->text(), QStringLiteral("1"));
    EXPECT_EQ(Items("List_registr_name"), QStringList{" "});
    EXPECT_EQ(W<QListWidget>("List_registr_name")->currentRow(), 0);
    EXPECT_TRUE(W<QLineEdit>("Edit_reg_fam")->text().isEmpty());
    EXPECT_EQ(Protocol(), QStringList{"07.12.2026 9:05:14  Начало работы"});
    // COM0 stood in the box only while the file was written; no port is present.
    EXPECT_EQ(W<QComboBox>("ComboBox1")->count(), 0);
    // The model is unknown: the column boxes stay checked, disabled and without caption.
    for (int k = 1; k <= 8; ++k) {
        const auto* box = W<QCheckBox>(QStringLiteral("CheckBox%1").arg(k));
        EXPECT_TRUE(box->isChecked() && !box->isEnabled() && box->text().isEmpty()) << k;
    }
}

TEST_F(StartupTest, ConnectValueDecidesModeAndAutomaticConnection) {
    const struct {
        const char* value;
        bool automatic;
        int runs;
    } cases[] = {{"0", false, 0}, {"1", true, 1}, {"2", true, 0}, {"", true, 0}};
    for (const auto& c : cases) {
        dialogs.clear();
        WriteSettings(SettingsWith({{"Connect", c.value}}));
        Start();
        EXPECT_EQ(W<QRadioButton>("Rbut_auto")->isChecked(), c.automatic) << c.value;
        EXPECT_EQ(W<QRadioButton>("Rbut_handle")->isChecked(), !c.automatic) << c.value;
        EXPECT_TRUE(dialogs.calls().empty()) << "nothing before the window is shown";
        // No port is present, so a connection that runs has none to open.
        if (c.runs > 0) {
            dialogs.answer(DialogButton::Ok);
        }
        ShowAndWait(200);
        EXPECT_EQ(dialogs.transcript(),
                  c.runs > 0 ? QStringList{"ВНИМАНИЕ!|Подключение невозможно"} : QStringList())
            << c.value;
        form.reset();
    }
}

TEST_F(StartupTest, StartPageValueChoosesThePage) {
    const struct {
        const char* value;
        const char* page;
        const char* flat;
        const char* radio;
    } cases[] = {
        {"0", "Page_sort_name", "But_sort_name", "Rbut_sort_papka"},
        {"1", "Page_sort_name", "But_sort_date", "Rbut_sort_date"},
        {"2", "Page_nastr", "But_nastr", "Rbut_nastr"},
        {"7", "Page_nastr", "But_nastr", "Rbut_nastr"},
        {"-1", "Page_nastr", "But_nastr", "Rbut_nastr"},
    };
    for (const auto& c : cases) {
        WriteSettings(SettingsWith({{"StartPage", c.value}}));
        Start();
        EXPECT_EQ(Page(), QString(c.page)) << c.value;
        EXPECT_EQ(FlatButtons(), QStringList{c.flat}) << c.value;
        EXPECT_TRUE(W<QRadioButton>(c.radio)->isChecked()) << c.value;
        form.reset();
    }
}

TEST_F(StartupTest, StartPageThatIsNoNumberIsReportedOnceAndStartUpFinishes) {
    for (const char* value : {"abc", ""}) {
        dialogs.clear();
        dialogs.answer(DialogButton::Ok);
        WriteSettings(SettingsWith({{"StartPage", value}, {"Pribor", kModel210}}));
        Start();
        EXPECT_EQ(dialogs.transcript(),
                  QStringList{QStringLiteral("ОШИБКА!|Значение параметра StartPage \"") + value +
                              QStringLiteral("\" в файле KVIR-Wpad.ini не является целым "
                                             "числом.\r\nИспользуется значение 1.")});
        // The first-start page, then every remaining step.
        EXPECT_EQ(Page(), "Page_sort_name");
        EXPECT_TRUE(W<QRadioButton>("Rbut_sort_date")->isChecked());
        EXPECT_EQ(Caption(), kModel210);
        EXPECT_EQ(W<QCheckBox>("CheckBox1")->text(), QStringLiteral("Папка           "));
        EXPECT_EQ(Items("List_registr_name"), QStringList{" "});
        EXPECT_EQ(Protocol(), QStringList{"07.12.2026 9:05:14  Начало работы"});
        form.reset();
    }
}

TEST_F(StartupTest, ColumnMaskThatIsNoNumberIsReportedOnceAndAllColumnsShow) {
    dialogs.answer(DialogButton::Ok);
    WriteSettings(SettingsWith(
        {{"ShowColPapka", "x1"}, {"ShowColDate", "5"}, {"Pribor", kModel510}, {"Connect", "0"}}));
    Start();
    EXPECT_EQ(dialogs.transcript(),
              QStringList{"ОШИБКА!|Значение параметра ShowColPapka \"x1\" в файле KVIR-Wpad.ini "
                          "не является целым числом.\r\nИспользуется значение 255."});
    QList<bool> byFolder;
    QList<bool> byDate;
    for (int k = 1; k <= 8; ++k) {
        const auto* box = W<QCheckBox>(QStringLiteral("CheckBox%1").arg(k));
        byFolder << (box->isChecked() && box->isEnabled());
        byDate << W<QCheckBox>(QStringLiteral("CheckBoxd%1").arg(k))->isChecked();
    }
    EXPECT_EQ(byFolder, QList<bool>(8, true));
    EXPECT_EQ(byDate, (QList<bool>{true, false, true, false, false, false, false, false}));
    // The by-date view is shown: columns 2 and 4 have 8 pixels per header character.
    const auto* table = W<QTableView>("Tabl_sort_name_dat");
    EXPECT_EQ(table->columnWidth(2), 128);
    EXPECT_TRUE(table->isColumnHidden(3));
    EXPECT_EQ(table->columnWidth(4), 48);
    EXPECT_TRUE(table->isColumnHidden(1));
    // A "КВИР-210v1" read takes its columns by the same masks: the bad value is not
    // reported again.
    AttachInstrument("/dev/ttyS0", "210");
    Click("But_conect");
    EXPECT_EQ(Caption(), kModel210);
    EXPECT_EQ(W<QCheckBox>("CheckBox3")->text(), QStringLiteral("Режим         "));
    EXPECT_EQ(dialogs.calls().size(), 1U);
}

TEST_F(StartupTest, PriborSetsTheCaptionAndPrefillsTheIdentification) {
    const struct {
        QString pribor;
        QStringList ident;
    } cases[] = {
        {kModel210, {"КВИР-210", "1", "53248"}},
        {kModel510, {"КВИР-510", "2", "53248"}},
        {"КВИР-999v9", {"", "", ""}},
        {"", {"", "", ""}},
    };
    for (const auto& c : cases) {
        WriteSettings(SettingsWith({{"Pribor", c.pribor}}));
        Start();
        EXPECT_EQ(Caption(), c.pribor);
        EXPECT_EQ(IdentValues(), c.ident) << c.pribor.toStdString();
        EXPECT_EQ(W<QTableWidget>("Tabl_identif")->item(2, 0)->text(),
                  QStringLiteral("Адрес блокнота"));
        form.reset();
    }
}

TEST_F(StartupTest, PortOfTheSettingsIsSelectedAndAddedWhenItOpens) {
    // Device names on the fake bus are free text: COM2 stands for a hand-edited old file.
    systemPorts = {"/dev/ttyUSB0", "COM2", "/dev/ttyS0", "/dev/ttyS1", "com3"};
    bus->present = {"/dev/ttyUSB0", "COM2", "/dev/ttyS0", "/tmp/kvir-sim", "com3"};
    const QStringList present{"/dev/ttyS0", "/dev/ttyUSB0", "COM2", "com3"};  // ttyS1 is absent
    const struct {
        const char* line;  // the port line as written by hand
        QStringList entries;
        const char* selected;
    } cases[] = {
        {"PORT=COM2", present, "COM2"},
        {"port=com2", present, "com3"},  // the value compares exactly: none, so the last
        {"Port=/dev/ttyS0", present, "/dev/ttyS0"},
        {"port=/tmp/kvir-sim", present + QStringList{"/tmp/kvir-sim"}, "/tmp/kvir-sim"},
        {"port=/dev/ttyS1", present, "com3"},
        {"port = /dev/ttyS0", present, "com3"},  // "port " is another name
    };
    for (const auto& c : cases) {
        QStringList lines = SettingsWith({});
        lines[1] = QString::fromLatin1(c.line);
        WriteSettings(lines);
        Start();
        const auto* box = W<QComboBox>("ComboBox1");
        QStringList entries;
        for (int i = 0; i < box->count(); ++i) {
            entries << box->itemText(i);
        }
        EXPECT_EQ(entries, c.entries) << c.line;
        EXPECT_EQ(box->currentText(), QString::fromLatin1(c.selected)) << c.line;
        EXPECT_FALSE(bus->isOpen) << "probing leaves the port closed";
        form.reset();
    }
}

TEST_F(StartupTest, RemainingSettingsReachTheirControls) {
    QStringList lines = SettingsWith({{"StartEkran", "1"}, {"NetAdres", ""}});
    lines.removeLast();
    lines[lines.indexOf("UserCount=1")] = "UserCount=2";
    lines << "Иванов Иван Иванович"
          << "Петров  "
          << "Сидоров"
          << ""
          << "Ким А Б В";
    WriteSettings(lines);
    TGround_form& f = Start();
    EXPECT_TRUE(W<QCheckBox>("Chbut_fulekran")->isChecked());
    EXPECT_TRUE(f.windowState().testFlag(Qt::WindowMaximized));
    EXPECT_TRUE(W<QLineEdit>("Edit_net_adr")->text().isEmpty());
    // The count written after UserCount= is no limit.
    EXPECT_EQ(Items("List_registr_name"),
              (QStringList{"Иванов Иван Иванович", "Петров  ", "Сидоров", "", "Ким А Б В"}));
    EXPECT_EQ(W<QListWidget>("List_registr_name")->currentRow(), 0);
    EXPECT_TRUE(W<QLineEdit>("Edit_reg_fam")->text().isEmpty());
}

TEST_F(StartupTest, UserCountZeroLoadsNoUsers) {
    QStringList lines = SettingsWith({{"UserCount", "0"}});
    lines << "Иванов Иван Иванович";
    WriteSettings(lines);
    Start();
    EXPECT_TRUE(Items("List_registr_name").isEmpty());
}

TEST_F(StartupTest, SavedProtocolComesFirst) {
    WriteFile(kProtocolFileName, "01.12.2026 10:00:00  \xCD\xE0\xF7\xE0\xEB\xEE\rsecond\n");
    Start();
    EXPECT_EQ(Protocol(), (QStringList{"01.12.2026 10:00:00  Начало", "second",
                                       "07.12.2026 9:05:14  Начало работы"}));
}

TEST_F(StartupTest, UnwritableSettingsFileIsReportedAndStartUpFinishes) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(kSettingsFileName));
    dialogs.answer(DialogButton::Ok);
    Start();
    ASSERT_EQ(dialogs.calls().size(), 1U);
    EXPECT_EQ(dialogs.calls()[0].caption, QStringLiteral("ОШИБКА!"));
    EXPECT_TRUE(dialogs.calls()[0].text.startsWith(QStringLiteral("Не удалось записать файл\r\n") +
                                                   PathOf(kSettingsFileName) + "\r\n"));
    EXPECT_TRUE(dialogs.calls()[0].text.endsWith(QStringLiteral("\r\nФайл не изменен.")));
    // The lines just built serve the run.
    EXPECT_EQ(W<SettingsPage>("Tab_nastr")->value("Connect"), QStringLiteral("1"));
    EXPECT_EQ(Page(), "Page_sort_name");
    EXPECT_EQ(Items("List_registr_name"), QStringList{" "});
    EXPECT_EQ(Protocol().size(), 1);
}

}  // namespace
}  // namespace kvir::test
