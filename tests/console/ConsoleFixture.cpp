#include "ConsoleFixture.h"

#include "ProtocolPage.h"
#include "Settings.h"
#include "TextFiles.h"
#include "ToolIcons.h"
#include "sim/NotebookFile.h"
#include "sim/SimulatorPeer.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QThread>

namespace kvir::test {

QByteArray FirstStartSettingsBytes() {
    return QByteArray(
               "[Port]\r\nport=COM0\r\n[StartPage]\r\nStartPage=1\r\n[ShowCol]\r\n"
               "ShowColPapka=255\r\nShowColDate=255\r\nStartEkran=0\r\n[NetAdres]\r\n"
               "NetAdres=1\r\n[Connect]\r\nConnect=1\r\n[Pribor]\r\nPribor=") +
           // КВИР-XXXvX in Windows-1251
           QByteArray("\xCA\xC2\xC8\xD0-XXXvX\r\n[Users]\r\nUserCount=1\r\n \r\n");
}

ConsoleFixture::ConsoleFixture() {
    // Closing a window must not end the test's event processing.
    QApplication::setQuitOnLastWindowClosed(false);
    // No device of the bus opens unless a test names it.
    bus->present = {QStringLiteral("/dev/none")};
}

ConsoleFixture::~ConsoleFixture() {
    form.reset();
}

QStringList ConsoleFixture::SettingsWith(const std::map<QString, QString>& values) {
    SettingsState first;
    first.port = QStringLiteral("COM0");
    first.pribor = kModelNone;
    QStringList lines = BuildSettingsLines(first);
    for (QString& line : lines) {
        const QString name = line.section(u'=', 0, 0);
        if (const auto it = values.find(name); it != values.end() && line.contains(u'=')) {
            line = name + u'=' + it->second;
        }
    }
    return lines;
}

QString ConsoleFixture::PathOf(const QString& name) const {
    return QDir(dir.path()).filePath(name);
}

void ConsoleFixture::WriteSettings(const QStringList& lines) {
    WriteFile(kSettingsFileName, EncodeLines(lines));
}

void ConsoleFixture::WriteFile(const QString& name, const QByteArray& bytes) {
    QFile file(PathOf(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray ConsoleFixture::ReadFile(const QString& name) const {
    QFile file(PathOf(name));
    if (!file.open(QIODevice::ReadOnly)) {
        return "<missing>";
    }
    return file.readAll();
}

TGround_form& ConsoleFixture::Start() {
    ConsoleServices services;
    services.workDir = dir.path();
    services.dialogs = &dialogs;
    services.link = windowLink;
    services.listPorts = [this] { return systemPorts; };
    services.now = [this] { return clock; };
    services.locale = QLocale(QLocale::Russian, QLocale::Russia);
    services.archive = withArchive;
    services.windowSettings = PathOf(QStringLiteral("window.ini"));
    form = std::make_unique<TGround_form>(services);
    Settle();
    return *form;
}

void ConsoleFixture::ShowAndWait(int ms) {
    form->show();
    Wait(ms);
    Settle();
}

void ConsoleFixture::Settle() {
    QElapsedTimer timer;
    timer.start();
    // The worker's last signals are queued before it reports the end: once it is idle, one
    // more round of events delivers them.
    while (form->session().busy() && timer.elapsed() < 60000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    EXPECT_FALSE(form->session().busy()) << "an exchange is still running after 60 s";
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

void ConsoleFixture::Click(const QString& name) {
    if (auto* button = form->findChild<QAbstractButton*>(name)) {
        EXPECT_TRUE(button->isEnabled()) << name.toStdString() << " is disabled";
        button->click();
    } else if (auto* action = form->findChild<QAction*>(name)) {
        action->trigger();
    } else {
        ADD_FAILURE() << "no button or action " << name.toStdString();
    }
    Settle();
}

sim::Simulator& ConsoleFixture::AttachInstrument(const QString& port, const QString& model) {
    busInstrument.setIdentification(model == QStringLiteral("210") ? sim::Kvir210Identification()
                                                                   : sim::Kvir510Identification());
    sim::NotebookFileError error;
    EXPECT_TRUE(
        sim::LoadNotebookText(busInstrument, QStringLiteral("folder 1 ОБЩАЯ ПАПКА\n"), &error))
        << error.text().toStdString();
    sim::AttachSimulator(*bus, busInstrument);
    bus->present.insert(port);
    W<QComboBox>(QStringLiteral("ComboBox1"))->setEditText(port);
    return busInstrument;
}

QString ConsoleFixture::Caption() const {
    return form->windowTitle();
}

QStringList ConsoleFixture::Protocol() const {
    return form->protocol().stringList();
}

const Session& ConsoleFixture::State() const {
    return form->session().state();
}

bool ConsoleFixture::IsFlat(const QString& button) const {
    const auto* picture = form->findChild<PictureButton*>(button);
    return picture != nullptr && picture->isFlat();
}

QStringList ConsoleFixture::Items(const QString& list) const {
    QStringList items;
    const auto* box = W<QListWidget>(list);
    for (int i = 0; i < box->count(); ++i) {
        items << box->item(i)->text();
    }
    return items;
}

void ConsoleFixture::Wait(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
}

}  // namespace kvir::test
