// The main window after start-up: controls, page switching, users list, protocol, port box
// and the two ways to end the program.

#include "ConsoleFixture.h"
#include "Settings.h"
#include "SettingsPage.h"
#include "TextFiles.h"
#include "report/ProtocolText.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFocusEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>

namespace kvir::test {
namespace {

class MainWindowTest : public ConsoleFixture {
  protected:
    MainWindowTest() { WriteSettings(SettingsWith({{"Connect", "0"}})); }

    SettingsPage& Settings() const { return *W<SettingsPage>("Tab_nastr"); }
};

TEST_F(MainWindowTest, ControlsCarryTheirNamesCaptionsAndAccessibleNames) {
    TGround_form& f = Start();
    EXPECT_EQ(f.objectName(), QStringLiteral("Ground_form"));
    const QStringList names =
        QStringLiteral(
            "MainMenu1 Panel3 But_sort_name But_sort_date But_contr_papka But_nastr But_conect "
            "But_exit Panel_nastr Page_nastr Tab_nastr Tab_prot Page_edit_name Page_sort_name "
            "Rbut_auto Rbut_handle ComboBox1 Edit_net_adr Rbut_sort_papka Rbut_sort_date "
            "Rbut_nastr Chbut_fulekran List_registr_name Edit_reg_fam Edit_reg_name Edit_reg_fas "
            "But_add_reg But_del_reg CheckBox1 CheckBox8 CheckBoxd1 CheckBoxd8 But_save_nastr "
            "ListProt Tabl_identif Tabl_prop_wpad But_clear_prot But_save_prot List_name Label3 "
            "edit_name But_new_name But_rename_name Butt_del_name Butt_clear_papka Butt_clear_all "
            "Panel6 But_init_wpad But_save_wpad Tabl_sort_name_dat But_file_zap But_print_zap "
            "But_exe_zap Timer1")
            .split(' ');
    for (const QString& name : names) {
        EXPECT_NE(f.findChild<QObject*>(name), nullptr) << name.toStdString();
    }
    // The items carry mnemonics; their text without them is the designed caption.
    const std::pair<const char*, const char*> actions[] = {
        {"m_connekt", "Подключиться"},    {"m_contr_papka", "Управление папками"},
        {"m_nastr", "Настройки"},         {"m_exit", "Выход"},
        {"m_sort_name", "По папкам"},     {"m_sort_date", "По дате"},
        {"m_proekt_info", "О программе"},
    };
    for (const auto& [name, text] : actions) {
        EXPECT_EQ(W<QAction>(name)->text().remove('&'), QString(text)) << name;
    }
    const std::pair<const char*, const char*> labelled[] = {
        {"ComboBox1", "Порт №"},        {"Edit_net_adr", "Устройство №"},
        {"Edit_reg_fam", "Фамилия"},    {"Edit_reg_name", "Имя"},
        {"Edit_reg_fas", "Отчество"},   {"edit_name", "Имя папки (не более 16 символов)"},
        {"But_conect", "Подключиться"}, {"But_exit", "Выход"},
        {"But_sort_date", "По дате"},
    };
    for (const auto& [name, text] : labelled) {
        EXPECT_EQ(W<QWidget>(name)->accessibleName().remove('&'), QString(text)) << name;
    }
    EXPECT_EQ(W<QWidget>("But_contr_papka")->toolTip(), QStringLiteral("Управление папками"));
    for (const char* unnamed : {"List_registr_name", "ListProt", "Tabl_identif", "Tabl_prop_wpad",
                                "List_name", "Tabl_sort_name_dat"}) {
        EXPECT_FALSE(W<QWidget>(unnamed)->accessibleName().isEmpty()) << unnamed;
    }
    EXPECT_EQ(W<QTabWidget>("Page_nastr")->tabText(0), QStringLiteral("Настройки программы"));
    EXPECT_EQ(W<QTabWidget>("Page_nastr")->tabText(1), QStringLiteral("Протокол работы программы"));
    EXPECT_EQ(W<QTableView>("Tabl_sort_name_dat")->model()->columnCount(), 10);
    EXPECT_EQ(W<QTableWidget>("Tabl_prop_wpad")->horizontalHeaderItem(1)->text(),
              QStringLiteral("Количество записей"));
}

TEST_F(MainWindowTest, EveryPageFitsTheDesignSize) {
    // The longest column captions.
    WriteSettings(SettingsWith({{"Connect", "0"}, {"Pribor", kModel210}}));
    TGround_form& f = Start();
    f.show();
    const QSize least = f.minimumSizeHint();
    EXPECT_LE(least.width(), 760);
    EXPECT_LE(least.height(), 537);
    EXPECT_EQ(f.size(), QSize(760, 537));
    EXPECT_EQ(W<QWidget>("Panel3")->width(), 65);
    EXPECT_EQ(W<QWidget>("Panel_prot_info")->width(), 286);
}

TEST_F(MainWindowTest, ButtonsAndMenuItemsSwitchPagesAndTheFlatButton) {
    Start();
    const struct {
        const char* menu;
        const char* button;
        const char* page;
    } cases[] = {
        {"m_contr_papka", "But_contr_papka", "Page_edit_name"},
        {"m_sort_name", "But_sort_name", "Page_sort_name"},
        {"m_nastr", "But_nastr", "Page_nastr"},
        {"m_sort_date", "But_sort_date", "Page_sort_name"},
    };
    // With no notebook read, the folder editor offers to read it, by menu and by button.
    dialogs.answer(DialogButton::No);
    dialogs.answer(DialogButton::No);
    for (const auto& c : cases) {
        for (const char* control : {c.menu, c.button}) {
            Click("But_nastr");
            Click(control);
            EXPECT_EQ(W<QStackedWidget>("Panel_nastr")->currentWidget()->objectName(),
                      QString(c.page))
                << control;
            for (const QToolButton* other : W<QWidget>("Panel3")->findChildren<QToolButton*>()) {
                EXPECT_EQ(IsFlat(other->objectName()), other->objectName() == c.button)
                    << control << ": " << other->objectName().toStdString();
            }
        }
    }
}

// ---- Users -------------------------------------------------------------------------------

TEST_F(MainWindowTest, UsersListRules) {
    const QString kNoSurname = QStringLiteral("ОШИБКА!|Введите фамилию пользователя");
    const QString kExists = QStringLiteral("ОШИБКА!|Имя уже существует");
    const struct {
        const char* name;
        QStringList before;
        int selected;        // row selected before the action, -1 none
        QString fields;      // surname|name|patronymic before and after the action
        const char* action;  // a button, or "click" on the selected entry
        QStringList after;
        QString message;
        QString fieldsAfter;  // empty: as before
    } cases[] = {
        {"add",
         {" "},
         0,
         "Иванов|Иван|Иванович",
         "But_add_reg",
         {" ", "Иванов Иван Иванович"},
         {},
         {}},
        {"surname alone ends in two blanks",
         {},
         -1,
         "Петров||",
         "But_add_reg",
         {"Петров  "},
         {},
         {}},
        {"duplicate",
         {"Петров Пётр "},
         -1,
         "Петров|Пётр|",
         "But_add_reg",
         {"Петров Пётр "},
         kExists,
         {}},
        {"case counts",
         {"петров Пётр "},
         -1,
         "Петров|Пётр|",
         "But_add_reg",
         {"петров Пётр ", "Петров Пётр "},
         {},
         {}},
        {"empty surname", {" "}, -1, "|Иван|Иванович", "But_add_reg", {" "}, kNoSurname, {}},
        {"delete selected", {"А Б В", "Г Д Е"}, 0, "||", "But_del_reg", {"Г Д Е"}, {}, {}},
        {"delete without selection", {"А Б В"}, -1, "||", "But_del_reg", {"А Б В"}, {}, {}},
        {"four words",
         {"Сидоров Пётр Ильич Младший"},
         0,
         "x|y|z",
         "click",
         {"Сидоров Пётр Ильич Младший"},
         {},
         "Сидоров|Пётр|Ильич Младший"},
        {"no blank", {"Сидоров"}, 0, "x|y|z", "click", {"Сидоров"}, {}, "Сидоров||"},
        {"blank entry", {" "}, 0, "x|y|z", "click", {" "}, {}, "||"},
    };
    Start();
    auto* list = W<QListWidget>("List_registr_name");
    const QList<QLineEdit*> fields{W<QLineEdit>("Edit_reg_fam"), W<QLineEdit>("Edit_reg_name"),
                                   W<QLineEdit>("Edit_reg_fas")};
    for (const auto& c : cases) {
        dialogs.clear();
        list->clear();
        list->addItems(c.before);
        list->setCurrentRow(c.selected);
        list->clearSelection();
        if (c.selected >= 0) {
            list->item(c.selected)->setSelected(true);
        }
        for (int k = 0; k < 3; ++k) {
            fields[k]->setText(c.fields.section('|', k, k));
        }
        if (!c.message.isEmpty()) {
            dialogs.answer(DialogButton::Ok);
        }
        if (QString(c.action) == "click") {
            const QPointF at = list->visualItemRect(list->item(c.selected)).center();
            for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                QMouseEvent event(type, at, list->viewport()->mapToGlobal(at), Qt::LeftButton,
                                  type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                  Qt::NoModifier);
                QApplication::sendEvent(list->viewport(), &event);
            }
        } else {
            Click(c.action);
        }
        EXPECT_EQ(Items("List_registr_name"), c.after) << c.name;
        EXPECT_EQ(dialogs.transcript().join(""), c.message) << c.name;
        EXPECT_EQ(fields[0]->text() + '|' + fields[1]->text() + '|' + fields[2]->text(),
                  c.fieldsAfter.isEmpty() ? c.fields : c.fieldsAfter)
            << c.name;
    }
    // Deleting twice deletes one entry.
    list->clear();
    list->addItems({"А", "Б"});
    list->setCurrentRow(0);
    Click("But_del_reg");
    Click("But_del_reg");
    EXPECT_EQ(Items("List_registr_name"), QStringList{"Б"});
}

// ---- Settings file -----------------------------------------------------------------------

TEST_F(MainWindowTest, SaveSettingsWritesTheControls) {
    systemPorts = {"/dev/ttyS0"};
    bus->present = {"/dev/ttyS0"};
    Start();
    W<QRadioButton>("Rbut_auto")->setChecked(true);
    W<QRadioButton>("Rbut_nastr")->setChecked(true);
    W<QLineEdit>("Edit_net_adr")->setText(QStringLiteral("5"));
    W<QCheckBox>("Chbut_fulekran")->setChecked(true);
    W<QCheckBox>("CheckBox3")->setChecked(false);  // counts although disabled
    W<QCheckBox>("CheckBoxd8")->setChecked(false);
    W<QLineEdit>("Edit_reg_fam")->setText(QStringLiteral("Иванов"));
    W<QLineEdit>("Edit_reg_name")->setText(QStringLiteral("Иван"));
    Click("But_add_reg");
    Click("But_save_nastr");
    const QStringList lines = *LoadLines(PathOf(kSettingsFileName));
    EXPECT_EQ(lines,
              (QStringList{"[Port]", "port=/dev/ttyS0", "[StartPage]", "StartPage=2", "[ShowCol]",
                           "ShowColPapka=251", "ShowColDate=127", "StartEkran=1", "[NetAdres]",
                           "NetAdres=5", "[Connect]", "Connect=1", "[Pribor]", "Pribor=КВИР-XXXvX",
                           "[Users]", "UserCount=2", " ", "Иванов Иван "}));
    // Later lookups see what was written.
    EXPECT_EQ(Settings().value("netadres"), QStringLiteral("5"));
    // A typed device path is saved as typed.
    W<QComboBox>("ComboBox1")->setEditText(QStringLiteral("/dev/pts/4"));
    Click("But_save_nastr");
    EXPECT_EQ(Settings().value("port"), QStringLiteral("/dev/pts/4"));
}

TEST_F(MainWindowTest, SavingWithoutPortsPutsCom0IntoTheBox) {
    Start();
    auto* box = W<QComboBox>("ComboBox1");
    ASSERT_EQ(box->count(), 0);
    Click("But_save_nastr");
    EXPECT_EQ(box->count(), 1);
    EXPECT_EQ(box->currentText(), QStringLiteral("COM0"));
    EXPECT_EQ(Settings().value("port"), QStringLiteral("COM0"));
}

TEST_F(MainWindowTest, ExitWritesTheSettingsButTheCloseBoxDoesNot) {
    TGround_form& f = Start();
    const QByteArray before = ReadFile(kSettingsFileName);
    f.show();
    W<QCheckBox>("Chbut_fulekran")->setChecked(true);
    f.close();
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(ReadFile(kSettingsFileName), before);

    f.show();
    AttachInstrument("/dev/ttyS3");
    Click("But_conect");
    ASSERT_TRUE(State().connected());
    Click("But_exit");
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(SettingValue(*LoadLines(PathOf(kSettingsFileName)), "StartEkran"),
              QStringLiteral("1"));
    // The program ends with the window, and the port is closed.
    form.reset();
    EXPECT_FALSE(bus->isOpen);
}

TEST_F(MainWindowTest, ExitThatCannotWriteKeepsTheProgramRunning) {
    TGround_form& f = Start();
    f.show();
    AttachInstrument("/dev/ttyS3");
    Click("But_conect");
    ASSERT_TRUE(QFile::remove(PathOf(kSettingsFileName)));
    ASSERT_TRUE(QDir(dir.path()).mkdir(kSettingsFileName));
    dialogs.answer(DialogButton::Ok);
    Click("m_exit");
    EXPECT_EQ(dialogs.calls().size(), 1U);
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(State().connected());
}

// ---- Protocol ----------------------------------------------------------------------------

const QString kSaveQuestion =
    QStringLiteral("Внимание|Протокол будет сохранен\r\nв файле\r\nKVIR-prot.txt\r\nсохранить?");

TEST_F(MainWindowTest, SavingTheProtocolWritesItsExactBytes) {
    Start();
    clock = clock.addSecs(3600 * 5);
    // A port that is not there gives an entry five hours after the start.
    W<QComboBox>("ComboBox1")->setEditText("/dev/ttyS0");
    dialogs.answer(DialogButton::Ok);
    Click("But_conect");
    dialogs.clear();
    dialogs.answer(DialogButton::Yes);
    Click("But_save_prot");
    EXPECT_EQ(dialogs.transcript(), QStringList{kSaveQuestion});
    EXPECT_EQ(dialogs.calls()[0].buttons, DialogButtons::YesNo);
    EXPECT_EQ(ReadFile(kProtocolFileName),
              QByteArray("07.12.2026 9:05:14  \xCD\xE0\xF7\xE0\xEB\xEE \xF0\xE0\xE1\xEE\xF2\xFB\r\n"
                         "07.12.2026 14:05:14  \xCF\xEE\xF0\xF2 /dev/ttyS0 \xED\xE5 "
                         "\xEE\xF2\xEA\xF0\xFB\xF2: \xEF\xEE\xF0\xF2 \xED\xE5 "
                         "\xED\xE0\xE9\xE4\xE5\xED\r\n"));
}

TEST_F(MainWindowTest, ProtocolAnswerNoClearAndEmptySave) {
    WriteFile(kProtocolFileName, "old\r\n");
    Start();
    dialogs.answer(DialogButton::No);
    Click("But_save_prot");
    EXPECT_EQ(ReadFile(kProtocolFileName), QByteArray("old\r\n"));

    Click("But_clear_prot");
    EXPECT_TRUE(Protocol().isEmpty());
    EXPECT_EQ(ReadFile(kProtocolFileName), QByteArray("old\r\n"));

    dialogs.answer(DialogButton::Yes);
    Click("But_save_prot");
    EXPECT_EQ(ReadFile(kProtocolFileName), QByteArray());
}

TEST_F(MainWindowTest, ProtocolThatCannotBeWrittenIsReportedAndKept) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(kProtocolFileName));
    Start();
    dialogs.answer(DialogButton::Yes);
    dialogs.answer(DialogButton::Ok);
    Click("But_save_prot");
    ASSERT_EQ(dialogs.calls().size(), 2U);
    EXPECT_EQ(dialogs.calls()[1].caption, QStringLiteral("ОШИБКА!"));
    EXPECT_TRUE(dialogs.calls()[1].text.contains(kProtocolFileName));
    EXPECT_EQ(Protocol().size(), 1);
}

TEST_F(MainWindowTest, AFailedConnectionLeavesTheGridsWithTheirLabelsOnly) {
    WriteSettings(SettingsWith({{"Pribor", kModel510}, {"Connect", "0"}}));
    Start();
    auto* ident = W<QTableWidget>("Tabl_identif");
    auto* folders = W<QTableWidget>("Tabl_prop_wpad");
    EXPECT_EQ(ident->item(0, 1)->text(), QStringLiteral("КВИР-510"));
    W<QComboBox>("ComboBox1")->setEditText("/dev/ttyS0");
    dialogs.answer(DialogButton::Ok);
    Click("But_conect");
    for (int row = 0; row < 3; ++row) {
        EXPECT_TRUE(ident->item(row, 1)->text().isEmpty()) << row;
    }
    EXPECT_EQ(ident->item(0, 0)->text(), QStringLiteral("Наименование прибора"));
    EXPECT_EQ(ident->item(1, 0)->text(), QStringLiteral("Версия ПО"));
    EXPECT_EQ(ident->item(2, 0)->text(), QStringLiteral("Адрес блокнота"));
    EXPECT_EQ(folders->horizontalHeaderItem(0)->text(), QStringLiteral("Список папок"));
    EXPECT_EQ(folders->rowCount(), 1);
    EXPECT_EQ(Caption(), kModel510);
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
    } cases[] = {
        {"/dev/ttyUSB7", "порт не найден"},
        {"/dev/ttyS1", "порт занят другой программой"},
        {"/dev/ttyS2", dialout},
    };
    Start();
    for (const auto& c : cases) {
        dialogs.clear();
        W<QComboBox>("ComboBox1")->setEditText(c.port);
        dialogs.answer(DialogButton::Ok);
        Click("But_conect");
        EXPECT_EQ(Protocol().last(),
                  "07.12.2026 9:05:14  Порт " + c.port + " не открыт: " + c.reason);
        // The fixed message, and the reason on its own line.
        EXPECT_EQ(dialogs.transcript(),
                  QStringList{"ОШИБКА ОБМЕНА!|Ошибка инициализации COM порта\r\n" + c.reason});
    }
}

// ---- Port box ----------------------------------------------------------------------------

TEST_F(MainWindowTest, EnteringThePortBoxClosesTheLinkAndSelectsTheLastPort) {
    const auto focusIn = [this](Qt::FocusReason reason) {
        QFocusEvent event(QEvent::FocusIn, reason);
        QApplication::sendEvent(W<QComboBox>("ComboBox1"), &event);
        Settle();
    };
    systemPorts = {"/dev/ttyUSB0", "/dev/ttyS0"};
    Start();
    auto* box = W<QComboBox>("ComboBox1");
    ASSERT_EQ(box->count(), 0) << "no port opened at the start";
    AttachInstrument("/dev/ttyS0");
    bus->present.insert("/dev/ttyUSB0");
    Click("But_conect");
    ASSERT_TRUE(State().connected());
    // The window becoming active again is no entry.
    focusIn(Qt::ActiveWindowFocusReason);
    EXPECT_TRUE(State().connected());
    focusIn(Qt::MouseFocusReason);
    EXPECT_FALSE(State().connected());
    EXPECT_FALSE(bus->isOpen);
    EXPECT_EQ(box->count(), 2);
    EXPECT_EQ(box->currentText(), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_TRUE(dialogs.calls().empty());

    bus->present = {"/dev/none"};
    dialogs.answer(DialogButton::Ok);
    focusIn(Qt::TabFocusReason);
    EXPECT_EQ(dialogs.transcript(), QStringList{"ОШИБКА!|COM порты отсутствуют"});
    EXPECT_EQ(box->count(), 0);
}

}  // namespace
}  // namespace kvir::test
