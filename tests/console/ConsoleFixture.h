#pragma once
// A main window in a temporary working directory, with scripted dialogs, a fake serial bus,
// a fixed port list and clock (7 December 2026, 9:05:14) and Russian regional formats.

#include "K210.h"
#include "ScriptedDialogs.h"
#include "instrument/DeviceModel.h"
#include "link/FakeSerialPort.h"
#include "link/Util_comport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace kvir::test {

// The bytes of the settings file a first start writes with no serial port present.
QByteArray FirstStartSettingsBytes();

class ConsoleFixture : public ::testing::Test {
  protected:
    ConsoleFixture();
    ~ConsoleFixture() override;

    // The first-start settings with single values replaced ("StartPage" -> "7").
    static QStringList SettingsWith(const std::map<QString, QString>& values);
    void WriteSettings(const QStringList& lines);
    void WriteFile(const QString& name, const QByteArray& bytes);
    QByteArray ReadFile(const QString& name) const;
    QString PathOf(const QString& name) const;

    // Builds the main window (which runs its start-up).
    TGround_form& Start();
    // Shows it and lets the message loop run for `ms` milliseconds.
    void ShowAndWait(int ms);
    static void Wait(int ms);

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    std::shared_ptr<FakePortState> bus = std::make_shared<FakePortState>();
    SerialLink link{FakePortFactory(bus), [](int) {}};
    QStringList systemPorts;  // what the port lister reports
    QDateTime clock{QDate(2026, 12, 7), QTime(9, 5, 14)};
    // The link the window uses; the fake bus's link unless a test sets another.
    SerialLink* windowLink = &link;
    bool withArchive = false;  // reads are kept in the working directory's archive
    std::unique_ptr<TGround_form> form;
};

}  // namespace kvir::test

// Readable failure messages for texts and lists of texts.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
