// The main window after start-up: controls, page switching, users list, protocol, port box,
// connection guard and the two ways to end the program.

#include "ConsoleFixture.h"
#include "ProtocolText.h"
#include "Settings.h"
#include "TextFiles.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>

namespace kvir::test {
namespace {

class MainWindowTest : public ConsoleFixture {
  protected:
    MainWindowTest() { WriteSettings(SettingsWith({{"Connect", "0"}})); }
};

TEST_F(MainWindowTest, ControlsCarryTheirNamesCaptionsAndAccessibleNames) {
    TGround_form& f = Start();
    EXPECT_EQ(f.objectName(), QStringLiteral("Ground_form"));
    const char* names[] = {
        "MainMenu1",
        "Panel3",
        "But_sort_name",
        "But_sort_date",
        "But_contr_papka",
        "But_nastr",
        "But_conect",
        "But_exit",
        "Panel_nastr",
        "Page_nastr",
        "Tab_nastr",
        "Tab_prot",
        "Page_edit_name",
        "Page_sort_name",
        "Rbut_auto",
        "Rbut_handle",
        "ComboBox1",
        "Edit_net_adr",
        "Rbut_sort_papka",
        "Rbut_sort_date",
        "Rbut_nastr",
        "Chbut_fulekran",
        "List_registr_name",
        "Edit_reg_fam",
        "Edit_reg_name",
        "Edit_reg_fas",
        "But_add_reg",
        "But_del_reg",
        "CheckBox1",
        "CheckBox8",
        "CheckBoxd1",
        "CheckBoxd8",
        "But_save_nastr",
        "ListProt",
        "Tabl_identif",
        "Tabl_prop_wpad",
        "But_clear_prot",
        "But_save_prot",
        "List_name",
        "Label3",
        "edit_name",
        "But_new_name",
        "But_rename_name",
        "Butt_del_name",
        "Butt_clear_papka",
        "Butt_clear_all",
        "Panel6",
        "But_init_wpad",
        "But_save_wpad",
        "Tabl_sort_name_dat",
        "But_file_zap",
        "But_print_zap",
        "But_exe_zap",
        "Timer1",
    };
    for (const char* name : names) {
        EXPECT_NE(f.findChild<QObject*>(name), nullptr) << name;
    }
    const std::pair<const char*, const char*> actions[] = {
        {"m_connekt", "Подключиться"},    {"m_contr_papka", "Управление папками"},
        {"m_nastr", "Настройки"},         {"m_exit", "Выход"},
        {"m_sort_name", "По папкам"},     {"m_sort_date", "По дате"},
        {"m_proekt_info", "О программе"},
    };
    for (const auto& [name, text] : actions) {
        const auto* action = f.findChild<QAction*>(name);
        ASSERT_NE(action, nullptr) << name;
        EXPECT_EQ(action->text(), QString(text)) << name;
    }
    const std::pair<QWidget*, const char*> labelled[] = {
        {f.ComboBox1, "Порт №"},        {f.Edit_net_adr, "Устройство №"},
        {f.Edit_reg_fam, "Фамилия"},    {f.Edit_reg_name, "Имя"},
        {f.Edit_reg_fas, "Отчество"},   {f.edit_name, "Имя папки (не более 16 символов)"},
        {f.But_conect, "Подключиться"}, {f.But_exit, "Выход"},
        {f.But_sort_date, "По дате"},
    };
    for (const auto& [widget, text] : labelled) {
        EXPECT_EQ(widget->accessibleName(), QString(text)) << widget->objectName().toStdString();
    }
    EXPECT_EQ(f.But_contr_papka->toolTip(), QStringLiteral("Управление папками"));
    for (QWidget* unnamed :
         std::initializer_list<QWidget*>{f.List_registr_name, f.ListProt, f.Tabl_identif,
                                         f.Tabl_prop_wpad, f.List_name, f.Tabl_sort_name_dat}) {
        EXPECT_FALSE(unnamed->accessibleName().isEmpty()) << unnamed->objectName().toStdString();
    }
    EXPECT_EQ(f.Page_nastr->tabText(0), QStringLiteral("Настройки программы"));
    EXPECT_EQ(f.Page_nastr->tabText(1), QStringLiteral("Протокол работы программы"));
    EXPECT_EQ(f.Tabl_sort_name_dat->columnCount(), 10);
    EXPECT_EQ(f.Tabl_prop_wpad->horizontalHeaderItem(1)->text(),
              QStringLiteral("Количество записей"));
}

TEST_F(MainWindowTest, EveryPageFitsTheDesignSize) {
    TGround_form& f = Start();
    f.SetColumnSet(DeviceModel::Conc210);  // the longest column captions
    f.show();
    const QSize least = f.minimumSizeHint();
    EXPECT_LE(least.width(), 760);
    EXPECT_LE(least.height(), 537);
    EXPECT_EQ(f.size(), QSize(760, 537));
    EXPECT_EQ(f.Panel3->width(), 65);
    EXPECT_EQ(f.Panel_prot_info->width(), 286);
}

TEST_F(MainWindowTest, ButtonsAndMenuItemsSwitchPagesAndTheFlatButton) {
    TGround_form& f = Start();
    const struct {
        QAction* menu;
        QToolButton* button;
        QWidget* page;
    } cases[] = {
        {f.m_contr_papka, f.But_contr_papka, f.Page_edit_name},
        {f.m_sort_name, f.But_sort_name, f.Page_sort_name},
        {f.m_nastr, f.But_nastr, f.Page_nastr},
        {f.m_sort_date, f.But_sort_date, f.Page_sort_name},
    };
    // With no notebook read, the folder editor offers to read it, by menu and by button.
    dialogs.answer(DialogButton::No);
    dialogs.answer(DialogButton::No);
    for (const auto& c : cases) {
        for (const bool viaMenu : {true, false}) {
            f.But_nastrClick();
            if (viaMenu) {
                c.menu->trigger();
            } else {
                c.button->click();
            }
            EXPECT_EQ(f.Panel_nastr->currentWidget(), c.page)
                << c.button->objectName().toStdString();
            for (const QToolButton* other : f.Panel3->findChildren<QToolButton*>()) {
                EXPECT_EQ(f.isFlat(other), other == c.button) << other->objectName().toStdString();
            }
        }
    }
    EXPECT_EQ(f.activeView(), 2);
}

TEST_F(MainWindowTest, ViewButtonsClearTagsAndLeaveNoDataRowCurrent) {
    TGround_form& f = Start();
    // Three records, so that the refill of the view switch keeps three rows.
    for (size_t slot = 0; slot < 3; ++slot) {
        f.notebook().folderNo[slot] = 1;
        f.notebook().stamp[slot] = 45000.0;
    }
    f.Tabl_sort_name_dat->setRowCount(3);
    for (int row = 0; row < 3; ++row) {
        f.Tabl_sort_name_dat->setItem(row, 0, new QTableWidgetItem(QStringLiteral("s")));
    }
    f.Tabl_sort_name_dat->setCurrentCell(1, 2);
    f.But_sort_nameClick();
    for (int row = 0; row < 3; ++row) {
        EXPECT_TRUE(f.Tabl_sort_name_dat->item(row, 0)->text().isEmpty());
    }
    EXPECT_EQ(f.Tabl_sort_name_dat->currentRow(), -1);
    EXPECT_TRUE(f.Tabl_sort_name_dat->selectedItems().isEmpty());
    // The settings button keeps tags.
    f.Tabl_sort_name_dat->item(0, 0)->setText(QStringLiteral("d"));
    f.But_nastrClick();
    EXPECT_EQ(f.Tabl_sort_name_dat->item(0, 0)->text(), QStringLiteral("d"));
}

// ---- Users -------------------------------------------------------------------------------

TEST_F(MainWindowTest, UsersListRules) {
    const QString kNoSurname = QStringLiteral("ОШИБКА!|Введите фамилию пользователя");
    const QString kExists = QStringLiteral("ОШИБКА!|Имя уже существует");
    enum Action { Add, Delete, Click };
    const struct {
        const char* name;
        QStringList before;
        int selected;        // row selected before the action, -1 none
        QStringList fields;  // surname, name, patronymic
        Action action;
        QStringList after;
        QStringList messages;
        QStringList fieldsAfter;
    } cases[] = {
        {"add",
         {" "},
         0,
         {"Иванов", "Иван", "Иванович"},
         Add,
         {" ", "Иванов Иван Иванович"},
         {},
         {"Иванов", "Иван", "Иванович"}},
        {"surname alone ends in two blanks",
         {},
         -1,
         {"Петров", "", ""},
         Add,
         {"Петров  "},
         {},
         {"Петров", "", ""}},
        {"duplicate",
         {"Петров Пётр "},
         -1,
         {"Петров", "Пётр", ""},
         Add,
         {"Петров Пётр "},
         {kExists},
         {"Петров", "Пётр", ""}},
        {"case counts",
         {"петров Пётр "},
         -1,
         {"Петров", "Пётр", ""},
         Add,
         {"петров Пётр ", "Петров Пётр "},
         {},
         {"Петров", "Пётр", ""}},
        {"empty surname",
         {" "},
         -1,
         {"", "Иван", "Иванович"},
         Add,
         {" "},
         {kNoSurname},
         {"", "Иван", "Иванович"}},
        {"delete selected", {"А Б В", "Г Д Е"}, 0, {}, Delete, {"Г Д Е"}, {}, {"", "", ""}},
        {"delete without selection", {"А Б В"}, -1, {}, Delete, {"А Б В"}, {}, {"", "", ""}},
        {"four words",
         {"Сидоров Пётр Ильич Младший"},
         0,
         {"x", "y", "z"},
         Click,
         {"Сидоров Пётр Ильич Младший"},
         {},
         {"Сидоров", "Пётр", "Ильич Младший"}},
        {"no blank", {"Сидоров"}, 0, {"x", "y", "z"}, Click, {"Сидоров"}, {}, {"Сидоров", "", ""}},
        {"blank entry", {" "}, 0, {"x", "y", "z"}, Click, {" "}, {}, {"", "", ""}},
    };
    TGround_form& f = Start();
    for (const auto& c : cases) {
        dialogs.clear();
        f.List_registr_name->clear();
        f.List_registr_name->addItems(c.before);
        f.List_registr_name->setCurrentRow(c.selected);
        f.List_registr_name->clearSelection();
        if (c.selected >= 0) {
            f.List_registr_name->item(c.selected)->setSelected(true);
        }
        const QStringList fields = c.fields.isEmpty() ? QStringList{"", "", ""} : c.fields;
        f.Edit_reg_fam->setText(fields[0]);
        f.Edit_reg_name->setText(fields[1]);
        f.Edit_reg_fas->setText(fields[2]);
        for (int i = 0; i < c.messages.size(); ++i) {
            dialogs.answer(DialogButton::Ok);
        }
        switch (c.action) {
            case Add:
                f.But_add_reg->click();
                break;
            case Delete:
                f.But_del_reg->click();
                break;
            case Click:
                f.List_registr_nameClick();
                break;
        }
        EXPECT_EQ(f.users(), c.after) << c.name;
        EXPECT_EQ(dialogs.transcript(), c.messages) << c.name;
        EXPECT_EQ(
            (QStringList{f.Edit_reg_fam->text(), f.Edit_reg_name->text(), f.Edit_reg_fas->text()}),
            c.fieldsAfter)
            << c.name;
    }
}

TEST_F(MainWindowTest, DeletingTwiceDeletesOneEntry) {
    TGround_form& f = Start();
    f.List_registr_name->addItems({"А", "Б"});
    f.List_registr_name->setCurrentRow(0);
    f.But_del_reg->click();
    f.But_del_reg->click();
    EXPECT_EQ(f.users(), (QStringList{"А", "Б"}));
}

// ---- Settings file -----------------------------------------------------------------------

TEST_F(MainWindowTest, SaveSettingsWritesTheControls) {
    systemPorts = {"/dev/ttyS0"};
    bus->present = {"/dev/ttyS0"};
    TGround_form& f = Start();
    f.Rbut_auto->setChecked(true);
    f.Rbut_nastr->setChecked(true);
    f.Edit_net_adr->setText(QStringLiteral("5"));
    f.Chbut_fulekran->setChecked(true);
    f.CheckBox[2]->setChecked(false);  // counts although disabled
    f.CheckBoxd[7]->setChecked(false);
    f.List_registr_name->addItem(QStringLiteral("Иванов Иван "));
    f.But_save_nastr->click();
    const QStringList lines = *LoadLines(PathOf(kSettingsFileName));
    EXPECT_EQ(lines,
              (QStringList{"[Port]", "port=/dev/ttyS0", "[StartPage]", "StartPage=2", "[ShowCol]",
                           "ShowColPapka=251", "ShowColDate=127", "StartEkran=1", "[NetAdres]",
                           "NetAdres=5", "[Connect]", "Connect=1", "[Pribor]", "Pribor=КВИР-XXXvX",
                           "[Users]", "UserCount=2", " ", "Иванов Иван "}));
    // Later lookups see what was written.
    EXPECT_EQ(f.SettingValue("netadres"), QStringLiteral("5"));
    // A typed device path is saved as typed.
    f.ComboBox1->setEditText(QStringLiteral("/dev/pts/4"));
    f.SaveSettings();
    EXPECT_EQ(f.SettingValue("port"), QStringLiteral("/dev/pts/4"));
}

TEST_F(MainWindowTest, SavingWithoutPortsPutsCom0IntoTheBox) {
    TGround_form& f = Start();
    ASSERT_EQ(f.ComboBox1->count(), 0);
    f.SaveSettings();
    EXPECT_EQ(f.ComboBox1->count(), 1);
    EXPECT_EQ(f.portText(), QStringLiteral("COM0"));
    EXPECT_EQ(f.SettingValue("port"), QStringLiteral("COM0"));
}

TEST_F(MainWindowTest, ExitWritesTheSettingsButTheCloseBoxDoesNot) {
    TGround_form& f = Start();
    const QByteArray before = ReadFile(kSettingsFileName);
    f.show();
    f.Edit_net_adr->setText(QStringLiteral("9"));
    f.close();
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(ReadFile(kSettingsFileName), before);

    f.show();
    bus->present = {"/dev/ttyS3"};
    ASSERT_EQ(link.OpenPort("/dev/ttyS3"), 0);
    f.But_exit->click();
    EXPECT_FALSE(f.isVisible());
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(SettingValue(*LoadLines(PathOf(kSettingsFileName)), "NetAdres"), QStringLiteral("9"));
}

TEST_F(MainWindowTest, ExitThatCannotWriteKeepsTheProgramRunning) {
    TGround_form& f = Start();
    f.show();
    ASSERT_TRUE(QFile::remove(PathOf(kSettingsFileName)));
    ASSERT_TRUE(QDir(dir.path()).mkdir(kSettingsFileName));
    bus->present = {"/dev/ttyS3"};
    ASSERT_EQ(link.OpenPort("/dev/ttyS3"), 0);
    dialogs.answer(DialogButton::Ok);
    f.m_exit->trigger();
    EXPECT_EQ(dialogs.calls().size(), 1U);
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(link.isOpen());
}

// ---- Protocol ----------------------------------------------------------------------------

const QString kSaveQuestion =
    QStringLiteral("Внимание|Протокол будет сохранен\r\nв файле\r\nKVIR-prot.txt\r\nсохранить?");

TEST_F(MainWindowTest, SavingTheProtocolWritesItsExactBytes) {
    TGround_form& f = Start();
    clock = clock.addSecs(3600 * 5);
    f.AddProtEntry(QStringLiteral("Прибор КВИР-510v2 подключен /dev/ttyS0"));
    dialogs.answer(DialogButton::Yes);
    f.But_save_prot->click();
    EXPECT_EQ(dialogs.transcript(), QStringList{kSaveQuestion});
    EXPECT_EQ(dialogs.calls()[0].buttons, DialogButtons::YesNo);
    EXPECT_EQ(ReadFile(kProtocolFileName),
              QByteArray("07.12.2026 9:05:14  \xCD\xE0\xF7\xE0\xEB\xEE \xF0\xE0\xE1\xEE\xF2\xFB\r\n"
                         "07.12.2026 14:05:14  \xCF\xF0\xE8\xE1\xEE\xF0 \xCA\xC2\xC8\xD0-510v2 "
                         "\xEF\xEE\xE4\xEA\xEB\xFE\xF7\xE5\xED /dev/ttyS0\r\n"));
}

TEST_F(MainWindowTest, ProtocolAnswerNoClearAndEmptySave) {
    WriteFile(kProtocolFileName, "old\r\n");
    TGround_form& f = Start();
    dialogs.answer(DialogButton::No);
    f.But_save_protClick();
    EXPECT_EQ(ReadFile(kProtocolFileName), QByteArray("old\r\n"));

    f.But_clear_prot->click();
    EXPECT_TRUE(f.protocolLines().isEmpty());
    EXPECT_EQ(ReadFile(kProtocolFileName), QByteArray("old\r\n"));

    dialogs.answer(DialogButton::Yes);
    f.But_save_protClick();
    EXPECT_EQ(ReadFile(kProtocolFileName), QByteArray());
}

TEST_F(MainWindowTest, ProtocolThatCannotBeWrittenIsReportedAndKept) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(kProtocolFileName));
    TGround_form& f = Start();
    dialogs.answer(DialogButton::Yes);
    dialogs.answer(DialogButton::Ok);
    f.But_save_protClick();
    ASSERT_EQ(dialogs.calls().size(), 2U);
    EXPECT_EQ(dialogs.calls()[1].caption, QStringLiteral("ОШИБКА!"));
    EXPECT_TRUE(dialogs.calls()[1].text.contains(kProtocolFileName));
    EXPECT_EQ(f.protocolLines().size(), 1);
}

TEST_F(MainWindowTest, IdentificationGridsResetAndRelabel) {
    WriteSettings(SettingsWith({{"Pribor", kModel510}, {"Connect", "0"}}));
    TGround_form& f = Start();
    f.Tabl_identif->item(0, 0)->setText(QString());
    f.Tabl_prop_wpad->setRowCount(4);
    f.Tabl_prop_wpad->setHorizontalHeaderLabels({"x", "y"});
    f.Page_nastr->setCurrentWidget(f.Tab_prot);
    f.But_nastrClick();
    f.show();  // the tab becomes visible: its labels are written, the values stay
    EXPECT_EQ(f.Tabl_identif->item(0, 0)->text(), QStringLiteral("Наименование прибора"));
    EXPECT_EQ(f.Tabl_identif->item(0, 1)->text(), QStringLiteral("КВИР-510"));
    EXPECT_EQ(f.Tabl_prop_wpad->horizontalHeaderItem(0)->text(), QStringLiteral("Список папок"));
    EXPECT_EQ(f.Tabl_prop_wpad->rowCount(), 4);

    f.ResetIdentTables();
    for (int row = 0; row < 3; ++row) {
        EXPECT_TRUE(f.Tabl_identif->item(row, 1)->text().isEmpty());
    }
    EXPECT_EQ(f.Tabl_identif->item(1, 0)->text(), QStringLiteral("Версия ПО"));
    EXPECT_EQ(f.Tabl_prop_wpad->rowCount(), 1);
    EXPECT_EQ(f.windowTitle(), kModel510);
}

TEST_F(MainWindowTest, PortFailureReasonGoesToTheProtocolInRussian) {
    bus->present = {"/dev/ttyS1", "/dev/ttyS2"};
    bus->busy = {"/dev/ttyS1"};
    bus->denied = {"/dev/ttyS2"};
    const QString dialout =
        "нет прав доступа к порту; пользователь должен входить в группу dialout: sudo usermod "
        "-a -G dialout $USER, затем выйти из системы и войти снова";
    const struct {
        QString port;
        QString reason;
        QString message;
    } cases[] = {
        {"/dev/ttyUSB7", "порт не найден", ""},
        {"/dev/ttyS1", "порт занят другой программой", ""},
        {"/dev/ttyS2", dialout, "\r\n" + dialout},
    };
    TGround_form& f = Start();
    for (const auto& c : cases) {
        f.ComboBox1->setEditText(c.port);
        dialogs.answer(DialogButton::Ok);
        EXPECT_EQ(f.session().Connect(), xr::kPortFailed);
        EXPECT_EQ(f.protocolLines().last(),
                  "07.12.2026 9:05:14  Порт " + c.port + " не открыт: " + c.reason);
        EXPECT_EQ(dialogs.transcript().last(),
                  "ОШИБКА ОБМЕНА!|Ошибка инициализации COM порта" + c.message);
    }
}

// ---- Port box ----------------------------------------------------------------------------

void FocusIn(QWidget* widget, Qt::FocusReason reason) {
    QFocusEvent event(QEvent::FocusIn, reason);
    QApplication::sendEvent(widget, &event);
}

TEST_F(MainWindowTest, EnteringThePortBoxClosesTheLinkAndSelectsTheLastPort) {
    systemPorts = {"/dev/ttyUSB0", "/dev/ttyS0"};
    TGround_form& f = Start();
    ASSERT_EQ(f.ComboBox1->count(), 0);
    bus->present = {"/dev/ttyUSB0", "/dev/ttyS0"};
    ASSERT_EQ(link.OpenPort("/dev/ttyS0"), 0);
    // The window becoming active again is no entry.
    FocusIn(f.ComboBox1, Qt::ActiveWindowFocusReason);
    EXPECT_TRUE(link.isOpen());
    FocusIn(f.ComboBox1, Qt::MouseFocusReason);
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(f.ComboBox1->count(), 2);
    EXPECT_EQ(f.portText(), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_TRUE(dialogs.calls().empty());

    bus->present = {"/dev/none"};
    dialogs.answer(DialogButton::Ok);
    FocusIn(f.ComboBox1, Qt::TabFocusReason);
    EXPECT_EQ(dialogs.transcript(), QStringList{"ОШИБКА!|COM порты отсутствуют"});
    EXPECT_EQ(f.ComboBox1->count(), 0);
}

// ---- Connection guard --------------------------------------------------------------------

TEST_F(MainWindowTest, SecondConnectWithinTheGuardIsIgnored) {
    TGround_form& f = Start();
    // No port is named: each sequence that runs ends with this message.
    dialogs.answer(DialogButton::Ok);
    dialogs.answer(DialogButton::Ok);
    f.But_conect->click();
    EXPECT_EQ(f.connectionRuns(), 1);
    EXPECT_FALSE(f.isFlat(f.But_conect)) << "busy state ends with the sequence";
    EXPECT_TRUE(f.Timer1->isActive());
    EXPECT_EQ(f.Timer1->interval(), 100);
    f.m_connekt->trigger();
    EXPECT_EQ(f.connectionRuns(), 1);
    Wait(180);
    EXPECT_FALSE(f.Timer1->isActive());
    f.But_conectClick();
    EXPECT_EQ(f.connectionRuns(), 2);
}

TEST_F(MainWindowTest, ErrorEscapingAHandlerIsShownAndTheWindowGoesOn) {
    TGround_form& f = Start();
    dialogs.expectError();
    f.RunHandler([] { throw ConsoleError(QStringLiteral("\"x\" не является целым числом")); });
    ASSERT_EQ(dialogs.calls().size(), 1U);
    EXPECT_EQ(dialogs.calls()[0].kind, DialogCall::Error);
    EXPECT_EQ(dialogs.calls()[0].text, QStringLiteral("\"x\" не является целым числом"));
}

}  // namespace
}  // namespace kvir::test
