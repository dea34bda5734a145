// Connection and notebook loading end to end: the console and simulated instruments on
// pseudo-terminals, the exact texts of every message and protocol entry.
#include "NotebookEditFixture.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QThread>

namespace kvir::test {
namespace {

class ConnectionTest : public NotebookEditFixture {
  protected:
    // Lets the message loop run until `done` holds (at most 60 s).
    static bool WaitFor(const std::function<bool()>& done) {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < 60000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::msleep(2);
        }
        return done();
    }
    // Presses a control without waiting for the exchange it starts.
    void Press(const char* name) { W<QAbstractButton>(name)->click(); }

    // `records` records in the common folder of a "КВИР-210v1": 23 a record page.
    static QString Records210(int records) {
        QString notebook = QStringLiteral("folder 1 ОБЩАЯ ПАПКА\n");
        for (int k = 0; k < records; ++k) {
            notebook += QStringLiteral("record 1 2026-03-01 10:%1:00 0 20 1 0.5\n")
                            .arg(k, 2, 10, QLatin1Char('0'));
        }
        return notebook;
    }
};

TEST_F(ConnectionTest, AutomaticConnectionAtStartReadsBothModels) {
    struct Case {
        QString model;
        QString notebook;
        QString caption;
        int folders;
        QStringList byDate;
        QStringList byFolder;
    };
    const Case cases[] = {
        {"510",
         kNotebook510,
         kModel510,
         21,
         {"1|ОБЩАЯ ПАПКА|30.11.2026 23:59:58|not|-1,50|1234,50|3,0000|3,0000|  ",
          "2|РЕКА|10.05.2026|mV|18,25|105,50|4,2500|4,2500|  ",
          "0|ОБЩАЯ ПАПКА|04.03.2026 9:12:48|pH|23,50|-12,30|5,5000|5,5000|  ",
          "3|РЕКА|04.03.2026 9:12:48|pH25|20,00|0,00|6,0000|6,0000|  "},
         {"2|РЕКА|10.05.2026|mV|18,25|105,50|4,2500|4,2500|  ",
          "3|РЕКА|04.03.2026 9:12:48|pH25|20,00|0,00|6,0000|6,0000|  ",
          "0|ОБЩАЯ ПАПКА|04.03.2026 9:12:48|pH|23,50|-12,30|5,5000|5,5000|  ",
          "1|ОБЩАЯ ПАПКА|30.11.2026 23:59:58|not|-1,50|1234,50|3,0000|3,0000|  "}},
        // The clock says 7 December 2026: a record of 8 December is from the year before.
        {"210",
         kNotebook210,
         kModel210,
         25,
         {"2|ABC|03.06.2026 9:14:50|КРК[%]+соль|12|39,40|46,30|0,51|  ",
          "0|ABC|04.02.2026 9:15:20|КРК[мкг/л]|0|38,50|42,70|0,47|  ",
          "1|ОБЩАЯ ПАПКА|08.12.2025 10:00:00|КРК[мкг/л]+соль|2350|21,30|117,00|1,30|  "},
         {"1|ОБЩАЯ ПАПКА|08.12.2025 10:00:00|КРК[мкг/л]+соль|2350|21,30|117,00|1,30|  ",
          "0|ABC|04.02.2026 9:15:20|КРК[мкг/л]|0|38,50|42,70|0,47|  ",
          "2|ABC|03.06.2026 9:14:50|КРК[%]+соль|12|39,40|46,30|0,51|  "}},
    };
    for (const Case& c : cases) {
        SimulatedInstrument& instrument = AddInstrument(c.model, c.notebook);
        WriteSettingsFor(instrument.port, 1, true);
        StartWithProgress();
        ShowAndWait(300);  // the 10 ms tick connects by itself
        EXPECT_EQ(Caption(), c.caption);
        EXPECT_EQ(W<QListWidget>("List_name")->count(), c.folders);
        EXPECT_EQ(W<QListWidget>("List_name")->currentRow(), 0) << "the first folder is selected";
        EXPECT_EQ(TableRows(), c.byDate) << c.model.toStdString();
        Click("But_sort_name");
        EXPECT_EQ(TableRows(), c.byFolder) << c.model.toStdString();
        // The first connection names the placeholder model: identification gives 147.
        EXPECT_EQ(Tail(Entries(Protocol()), 2),
                  (QStringList{"Прибор КВИР-XXXvX подключен " + instrument.port,
                               "Чтение блокнота из прибора " + c.caption}));
        EXPECT_TRUE(dialogs.calls().empty()) << dialogs.transcript().join('\n').toStdString();
        EXPECT_TRUE(State().connected());
        EXPECT_FALSE(IsFlat("But_conect"));
        EXPECT_FALSE(progress->isVisible());
        form.reset();
    }
}

TEST_F(ConnectionTest, AutomaticDetectionFindsTheInstrumentOnTheThirdOfFourPorts) {
    SimulatedInstrument& first = AddSilentPort();
    SimulatedInstrument& second = AddSilentPort();
    SimulatedInstrument& good = AddInstrument("510", kNotebook510);
    SimulatedInstrument& fourth = AddSilentPort();
    systemPorts = {first.port, second.port, good.port, fourth.port};
    WriteSettingsFor(first.port, 2, false);
    StartWithProgress();
    W<QRadioButton>("Rbut_auto")->setChecked(true);
    Click("But_conect");
    EXPECT_EQ(W<QComboBox>("ComboBox1")->currentText(), good.port);
    EXPECT_EQ(Caption(), kModel510);
    EXPECT_EQ(first.simulator.requestLog().size(), 1) << "the named port is tried once";
    EXPECT_EQ(second.simulator.requestLog().size(), 1);
    EXPECT_EQ(fourth.simulator.requestLog().size(), 0) << "the search stops at the answer";
    EXPECT_TRUE(Entries(Protocol()).contains("Прибор КВИР-XXXvX подключен " + good.port));
    EXPECT_TRUE(dialogs.calls().empty()) << dialogs.transcript().join('\n').toStdString();
}

TEST_F(ConnectionTest, AFailedSearchLeavesTheOperatorsPortInTheBox) {
    SimulatedInstrument& first = AddSilentPort();
    SimulatedInstrument& second = AddSilentPort();
    systemPorts = {first.port, second.port};
    WriteSettingsFor(first.port, 2, true);
    StartWithProgress();
    dialogs.answer(DialogButton::Ok);
    Click("But_conect");
    EXPECT_EQ(dialogs.transcript(), QStringList{"ОШИБКА ОБМЕНА!|Нет ответа от устройства"});
    EXPECT_EQ(W<QComboBox>("ComboBox1")->currentText(), first.port)
        << "the settings keep their port";
}

TEST_F(ConnectionTest, FixedParametersTryTheNamedPortOnly) {
    SimulatedInstrument& silent = AddSilentPort();
    SimulatedInstrument& good = AddInstrument("510");
    systemPorts = {silent.port, good.port};
    WriteSettingsFor(silent.port, 2, false);
    StartWithProgress();
    dialogs.answer(DialogButton::Ok);
    Click("But_conect");
    EXPECT_EQ(dialogs.transcript(), QStringList{"ОШИБКА ОБМЕНА!|Нет ответа от устройства"});
    EXPECT_FALSE(State().connected());
    EXPECT_TRUE(good.simulator.requestLog().isEmpty());
    EXPECT_EQ(Caption(), kModelNone);
}

TEST_F(ConnectionTest, ModelChangeReadsTheNewLayout) {
    SimulatedInstrument& instrument = AddInstrument("510", kNotebook510);
    WriteSettingsFor(instrument.port, 1, false, kModel210);
    StartWithProgress();
    EXPECT_EQ(Caption(), kModel210);
    Click("But_conect");
    EXPECT_EQ(Caption(), kModel510);
    EXPECT_EQ(W<QListWidget>("List_name")->count(), 21) << "21 folder pages with base 53248";
    EXPECT_EQ(TableRows().size(), 4);
    EXPECT_EQ(Tail(Entries(Protocol()), 2),
              (QStringList{"Прибор КВИР-210v1 подключен " + instrument.port,
                           "Чтение блокнота из прибора КВИР-510v2"}));
    // Connecting again to the same model reads again without any message.
    Click("But_conect");
    EXPECT_EQ(TableRows().size(), 4);
    EXPECT_TRUE(dialogs.calls().empty());
}

TEST_F(ConnectionTest, UnsupportedInstrumentIsNamedAndNotRead) {
    SimulatedInstrument& instrument = AddInstrument("510");
    sim::Identification ident = sim::Kvir510Identification();
    ident.version = 1;
    instrument.simulator.setIdentification(ident);
    WriteSettingsFor(instrument.port, 1, false, kModel510);
    StartWithProgress();
    dialogs.answer(DialogButton::Ok);
    Click("But_conect");
    EXPECT_EQ(
        dialogs.transcript(),
        QStringList{"ВНИМАНИЕ!|Прибор КВИР-510v1 не определен\r\nработа с прибором невозможна"});
    EXPECT_EQ(Caption(), "КВИР-510v1");
    EXPECT_TRUE(State().connected()) << "the port stays open";
    EXPECT_EQ(instrument.simulator.requestLog().size(), 2) << "ping and identification only";
}

TEST_F(ConnectionTest, ErrorOnPageFiveKeepsPagesZeroToFour) {
    QString notebook = QStringLiteral("folder 1 ОБЩАЯ ПАПКА\n");
    for (int k = 2; k <= 7; ++k) {
        notebook += QStringLiteral("folder %1 П%1\n").arg(k);
    }
    for (int k = 1; k <= 7; ++k) {
        notebook += QStringLiteral("record %1 2026-03-0%1 10:00:00 1 20 1 5\n").arg(k);
    }
    SimulatedInstrument& instrument = AddInstrument("510", notebook);
    const int page5 = 0xD000 + 5 * 512;
    instrument.simulator.addFault({sim::FaultKind::Failed, 3, page5, page5});
    WriteSettingsFor(instrument.port, 0, false, kModel510);
    StartWithProgress();
    dialogs.answer(DialogButton::Ok);
    Click("But_conect");
    EXPECT_EQ(dialogs.transcript(), QStringList{"ОШИБКА ОБМЕНА!|Ошибка выполнения команды"});
    EXPECT_EQ(W<QListWidget>("List_name")->count(), 5);
    EXPECT_EQ(TableRows().size(), 5) << "the records of pages 0 to 4";
    EXPECT_FALSE(State().connected());
    EXPECT_EQ(Tail(Entries(Protocol()), 1),
              QStringList{"Ошибка чтения блокнота из прибора КВИР-510v2"});
    EXPECT_FALSE(Entries(Protocol()).contains("Чтение блокнота из прибора КВИР-510v2"));
    EXPECT_FALSE(IsFlat("But_conect"));
    EXPECT_FALSE(progress->isVisible());
}

TEST_F(ConnectionTest, RefusedInputSendsNothing) {
    SimulatedInstrument& instrument = AddInstrument("510");
    WriteSettingsFor(instrument.port, 1, false);
    StartWithProgress();
    // A device number that is no number.
    W<QLineEdit>("Edit_net_adr")->setText("1a");
    dialogs.answer(DialogButton::Ok);
    Click("But_conect");
    EXPECT_EQ(dialogs.transcript(),
              QStringList{"ОШИБКА!|Номер устройства должен быть целым десятичным числом: \"1a\""});
    EXPECT_TRUE(instrument.simulator.requestLog().isEmpty());
    EXPECT_FALSE(IsFlat("But_conect"));
    EXPECT_FALSE(progress->isVisible());
    // No port named at all.
    dialogs.clear();
    W<QLineEdit>("Edit_net_adr")->setText("1");
    W<QComboBox>("ComboBox1")->clear();
    W<QComboBox>("ComboBox1")->setEditText(QString());
    dialogs.answer(DialogButton::Ok);
    Click("But_conect");
    EXPECT_EQ(dialogs.transcript(), QStringList{"ВНИМАНИЕ!|Подключение невозможно"});
    // A port that does not open.
    dialogs.clear();
    W<QComboBox>("ComboBox1")->setEditText(PathOf("no-such-port"));
    dialogs.answer(DialogButton::Ok);
    Click("But_conect");
    // The fixed message, and the system's reason on its own line.
    EXPECT_EQ(dialogs.transcript(), QStringList{"ОШИБКА ОБМЕНА!|Ошибка инициализации COM порта\r\n"
                                                "порт не найден"});
    EXPECT_TRUE(Tail(Protocol(), 1).first().contains(PathOf("no-such-port")));
}

TEST_F(ConnectionTest, TheStatusLineNamesTheConnection) {
    SimulatedInstrument& good = AddInstrument("510", kNotebook510);
    SimulatedInstrument& silent = AddSilentPort();
    const struct {
        const SimulatedInstrument* instrument;
        QString status;
    } cases[] = {
        {&good, good.port.section('/', -1) + " · " + kModel510 + " · подключен"},
        {&silent, "нет подключения"},
    };
    for (const auto& c : cases) {
        WriteSettingsFor(c.instrument->port, 1, false);
        StartWithProgress();
        dialogs.clear();
        if (c.instrument == &silent) {
            dialogs.answer(DialogButton::Ok);
        }
        Click("But_conect");
        EXPECT_EQ(W<QLabel>("Label_status_link")->text(), c.status);
        form.reset();
    }
}

// At wire speed, "Отмена" or closing the window stops a read after the current exchange and
// keeps what was read; a connection asked for meanwhile is ignored.
TEST_F(ConnectionTest, CancelOrCloseStopsARead) {
    for (const bool close : {false, true}) {
        SimulatedInstrument& instrument = AddInstrument("210", Records210(50), true);
        WriteSettingsFor(instrument.port, 1, false, kModel210);
        StartWithProgress();
        ShowAndWait(0);
        Press("But_conect");
        ASSERT_TRUE(WaitFor([this] { return TableRows().size() >= 23; })) << "the first page";
        W<QAction>("m_connekt")->trigger();
        if (close) {
            form->close();
        } else {
            progress->But_cancel->click();
        }
        Settle();
        EXPECT_EQ(form->isVisible(), !close);
        EXPECT_EQ(State().origin(), Origin::PartialRead);
        EXPECT_GE(TableRows().size(), 23);
        EXPECT_LT(TableRows().size(), 50);
        EXPECT_EQ(Entries(Protocol()).last(), "Чтение блокнота прервано оператором КВИР-210v1");
        EXPECT_TRUE(dialogs.calls().empty()) << dialogs.transcript().join('\n').toStdString();
        EXPECT_EQ(Codes(instrument.simulator).count(0), 1) << "one connection only";
        form.reset();
    }
}

// Once a write has begun, "Отмена" is disabled and says why, and the window closes only after
// the write ended.
TEST_F(ConnectionTest, AWriteRunsToItsEnd) {
    SimulatedInstrument& instrument = AddInstrument("210", kNotebook210, true);
    Connect(instrument, kModel210);
    ShowAndWait(0);
    Select(1);
    Type("пруд");
    dialogs.answer(DialogButton::Yes);
    Press("But_new_name");
    ASSERT_TRUE(WaitFor([this] { return !progress->But_cancel->isEnabled(); }));
    EXPECT_TRUE(form->session().writing());
    EXPECT_EQ(progress->Label_state->text(), "Идёт запись в прибор. Дождитесь окончания.");
    form->close();
    EXPECT_TRUE(form->isVisible()) << "not while the write runs";
    Settle();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(Entries(Protocol()).last(), "Обновление папки  ПРУД прибора КВИР-210v1");
    EXPECT_TRUE(SameMemory(instrument.simulator.memory(),
                           ExpectedMemory("210", kNotebook210 + "folder 2 ПРУД\n")));
}

}  // namespace
}  // namespace kvir::test
