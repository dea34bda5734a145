#include "ConsoleFixture.h"

#include "Settings.h"
#include "TextFiles.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
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
    form = std::make_unique<TGround_form>(services);
    return *form;
}

void ConsoleFixture::ShowAndWait(int ms) {
    form->show();
    Wait(ms);
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
