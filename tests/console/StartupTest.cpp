// Start-up of the main window from the settings file: FormCreate, FormShow and the automatic
// connection of Timer1Timer.

#include "ConsoleFixture.h"
#include "ProtocolText.h"
#include "Settings.h"
#include "TextFiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTimer>

namespace kvir::test {
namespace {

using StartupTest = ConsoleFixture;

QString Cell(const QTableWidget* grid, int row, int column) {
    const QTableWidgetItem* item = grid->item(row, column);
    return item != nullptr ? item->text() : QString();
}

QStringList IdentValues(const TGround_form& form) {
    return {Cell(form.Tabl_identif, 0, 1), Cell(form.Tabl_identif, 1, 1),
            Cell(form.Tabl_identif, 2, 1)};
}

QStringList Users(const TGround_form& form) {
    return form.users();
}

// The flat buttons of the tool bar, by name.
QStringList FlatButtons(const TGround_form& form) {
    QStringList flat;
    for (const QToolButton* b : {form.But_sort_name, form.But_sort_date, form.But_contr_papka,
                                 form.But_nastr, form.But_conect, form.But_exit}) {
        if (form.isFlat(b)) {
            flat << b->objectName();
        }
    }
    return flat;
}

TEST_F(StartupTest, FirstStartWritesTheFileAndOpensTheByDateTable) {
    TGround_form& f = Start();
    EXPECT_EQ(ReadFile(kSettingsFileName), FirstStartSettingsBytes());
    EXPECT_TRUE(dialogs.calls().empty());
    EXPECT_EQ(f.windowTitle(), kModelNone);
    EXPECT_EQ(f.Panel_nastr->currentWidget(), f.Page_sort_name);
    EXPECT_EQ(FlatButtons(f), QStringList{"But_sort_date"});
    EXPECT_EQ(f.activeView(), 2);
    EXPECT_TRUE(f.Rbut_sort_date->isChecked());
    EXPECT_TRUE(f.Rbut_auto->isChecked());
    EXPECT_EQ(f.Edit_net_adr->text(), QStringLiteral("1"));
    EXPECT_EQ(Users(f), QStringList{" "});
    EXPECT_EQ(f.List_registr_name->currentRow(), 0);
    EXPECT_TRUE(f.Edit_reg_fam->text().isEmpty());
    EXPECT_EQ(f.protocolLines(), QStringList{"07.12.2026 9:05:14  Начало работы"});
    // COM0 stood in the box only while the file was written; no port is present.
    EXPECT_EQ(f.ComboBox1->count(), 0);
    // The model is unknown: the column boxes stay checked, disabled and without caption.
    for (const QCheckBox* box : f.CheckBox) {
        EXPECT_TRUE(box->isChecked() && !box->isEnabled() && box->text().isEmpty());
    }
    EXPECT_FALSE(f.Timer1->isActive());
    EXPECT_EQ(f.Timer1->interval(), 100);
}

TEST_F(StartupTest, ConnectValueDecidesModeAndAutomaticConnection) {
    const struct {
        const char* value;
        bool automatic;
        int runs;
    } cases[] = {{"0", false, 0}, {"1", true, 1}, {"2", true, 0}, {"", true, 0}};
    for (const auto& c : cases) {
        WriteSettings(SettingsWith({{"Connect", c.value}}));
        TGround_form& f = Start();
        if (c.runs > 0) {
            // No port is present, so the automatic connection has none to open.
            dialogs.answer(DialogButton::Ok);
        }
        EXPECT_EQ(f.Rbut_auto->isChecked(), c.automatic) << c.value;
        EXPECT_EQ(f.Rbut_handle->isChecked(), !c.automatic) << c.value;
        EXPECT_EQ(f.connectionRuns(), 0) << "nothing before the window is shown";
        ShowAndWait(200);
        EXPECT_EQ(f.connectionRuns(), c.runs) << c.value;
        EXPECT_FALSE(f.Timer1->isActive()) << c.value;
        EXPECT_EQ(f.Timer1->interval(), 100) << c.value;
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
        TGround_form& f = Start();
        EXPECT_EQ(f.Panel_nastr->currentWidget()->objectName(), QString(c.page)) << c.value;
        EXPECT_EQ(FlatButtons(f), QStringList{c.flat}) << c.value;
        EXPECT_TRUE(f.findChild<QRadioButton*>(c.radio)->isChecked()) << c.value;
        form.reset();
    }
}

TEST_F(StartupTest, StartPageThatIsNoNumberIsReportedOnceAndStartUpFinishes) {
    for (const char* value : {"abc", ""}) {
        dialogs.clear();
        dialogs.answer(DialogButton::Ok);
        WriteSettings(SettingsWith({{"StartPage", value}, {"Pribor", kModel210}}));
        TGround_form& f = Start();
        ASSERT_EQ(dialogs.calls().size(), 1U) << value;
        const DialogCall& call = dialogs.calls().front();
        EXPECT_EQ(call.caption, QStringLiteral("ОШИБКА!"));
        EXPECT_EQ(call.text, QStringLiteral("Значение параметра StartPage \"") + value +
                                 QStringLiteral("\" в файле KVIR-Wpad.ini не является целым "
                                                "числом.\r\nИспользуется значение 1."));
        // The first-start page, then every remaining step.
        EXPECT_EQ(f.Panel_nastr->currentWidget(), f.Page_sort_name);
        EXPECT_TRUE(f.Rbut_sort_date->isChecked());
        EXPECT_EQ(f.windowTitle(), kModel210);
        EXPECT_EQ(f.CheckBox[0]->text(), QStringLiteral("Папка           "));
        EXPECT_EQ(Users(f), QStringList{" "});
        EXPECT_EQ(f.protocolLines(), QStringList{"07.12.2026 9:05:14  Начало работы"});
        form.reset();
    }
}

TEST_F(StartupTest, ColumnMaskThatIsNoNumberIsReportedOnceAndAllColumnsShow) {
    dialogs.answer(DialogButton::Ok);
    WriteSettings(
        SettingsWith({{"ShowColPapka", "x1"}, {"ShowColDate", "5"}, {"Pribor", kModel510}}));
    TGround_form& f = Start();
    EXPECT_EQ(dialogs.transcript(),
              QStringList{"ОШИБКА!|Значение параметра ShowColPapka \"x1\" в файле KVIR-Wpad.ini "
                          "не является целым числом.\r\nИспользуется значение 255."});
    for (const QCheckBox* box : f.CheckBox) {
        EXPECT_TRUE(box->isChecked() && box->isEnabled());
    }
    QList<bool> byDate;
    for (const QCheckBox* box : f.CheckBoxd) {
        byDate << box->isChecked();
    }
    EXPECT_EQ(byDate, (QList<bool>{true, false, true, false, false, false, false, false}));
    // The by-date view is shown: columns 2 and 4 have 8 pixels per header character.
    EXPECT_EQ(f.Tabl_sort_name_dat->columnWidth(2), 128);
    EXPECT_TRUE(f.Tabl_sort_name_dat->isColumnHidden(3));
    EXPECT_EQ(f.Tabl_sort_name_dat->columnWidth(4), 48);
    EXPECT_TRUE(f.Tabl_sort_name_dat->isColumnHidden(1));
    // The same bad value is not reported again.
    f.SetColumnSet(DeviceModel::Ph510);
    EXPECT_EQ(dialogs.calls().size(), 1U);
    EXPECT_EQ(f.protocolLines().size(), 1);
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
        TGround_form& f = Start();
        EXPECT_EQ(f.windowTitle(), c.pribor);
        EXPECT_EQ(IdentValues(f), c.ident) << c.pribor.toStdString();
        EXPECT_EQ(Cell(f.Tabl_identif, 2, 0), QStringLiteral("Адрес блокнота"));
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
        TGround_form& f = Start();
        QStringList entries;
        for (int i = 0; i < f.ComboBox1->count(); ++i) {
            entries << f.ComboBox1->itemText(i);
        }
        EXPECT_EQ(entries, c.entries) << c.line;
        EXPECT_EQ(f.portText(), QString::fromLatin1(c.selected)) << c.line;
        EXPECT_FALSE(link.isOpen()) << "probing leaves the link closed";
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
    EXPECT_TRUE(f.Chbut_fulekran->isChecked());
    EXPECT_TRUE(f.windowState().testFlag(Qt::WindowMaximized));
    EXPECT_TRUE(f.Edit_net_adr->text().isEmpty());
    // The count written after UserCount= is no limit.
    EXPECT_EQ(Users(f),
              (QStringList{"Иванов Иван Иванович", "Петров  ", "Сидоров", "", "Ким А Б В"}));
    EXPECT_EQ(f.List_registr_name->currentRow(), 0);
    EXPECT_TRUE(f.Edit_reg_fam->text().isEmpty());
}

TEST_F(StartupTest, UserCountZeroLoadsNoUsers) {
    QStringList lines = SettingsWith({{"UserCount", "0"}});
    lines << "Иванов Иван Иванович";
    WriteSettings(lines);
    EXPECT_TRUE(Users(Start()).isEmpty());
}

TEST_F(StartupTest, SavedProtocolComesFirst) {
    WriteFile(kProtocolFileName, "01.12.2026 10:00:00  \xCD\xE0\xF7\xE0\xEB\xEE\rsecond\n");
    TGround_form& f = Start();
    EXPECT_EQ(f.protocolLines(), (QStringList{"01.12.2026 10:00:00  Начало", "second",
                                              "07.12.2026 9:05:14  Начало работы"}));
}

TEST_F(StartupTest, UnwritableSettingsFileIsReportedAndStartUpFinishes) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(kSettingsFileName));
    dialogs.answer(DialogButton::Ok);
    TGround_form& f = Start();
    ASSERT_EQ(dialogs.calls().size(), 1U);
    EXPECT_EQ(dialogs.calls()[0].caption, QStringLiteral("ОШИБКА!"));
    EXPECT_TRUE(dialogs.calls()[0].text.startsWith(QStringLiteral("Не удалось записать файл\r\n") +
                                                   PathOf(kSettingsFileName) + "\r\n"));
    EXPECT_TRUE(dialogs.calls()[0].text.endsWith(QStringLiteral("\r\nФайл не изменен.")));
    // The lines just built serve the run.
    EXPECT_EQ(f.SettingValue("Connect"), QStringLiteral("1"));
    EXPECT_EQ(f.Panel_nastr->currentWidget(), f.Page_sort_name);
    EXPECT_EQ(Users(f), QStringList{" "});
    EXPECT_EQ(f.protocolLines().size(), 1);
}

}  // namespace
}  // namespace kvir::test
