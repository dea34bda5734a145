#pragma once
// A main window in a temporary working directory, with scripted dialogs, a fake serial bus,
// a fixed port list and clock (7 December 2026, 9:05:14) and Russian regional formats.

#include "K210.h"
#include "ScriptedDialogs.h"
#include "WindowSession.h"
#include "instrument/DeviceModel.h"
#include "link/FakeSerialPort.h"
#include "link/Util_comport.h"
#include "sim/Simulator.h"

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

    // Builds the main window (which runs its start-up) and waits for its port listing.
    TGround_form& Start();
    // Shows it and lets the message loop run for `ms` milliseconds, then until no exchange runs.
    void ShowAndWait(int ms);
    static void Wait(int ms);
    // Lets the message loop run until no exchange runs and the window has taken its result.
    void Settle();
    // Clicks the button, or triggers the menu action, of that object name as the operator
    // would, then settles.
    void Click(const QString& name);
    // A control of the window (or of its progress window) by object name; fails the test when
    // there is none.
    template <class T>
    T* W(const QString& name) const {
        T* widget = form->findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << "no " << name.toStdString();
        return widget;
    }
    // An instrument of `model` ("510" or "210") with an empty notebook on the fake bus's
    // device `port`, which the port box names.
    sim::Simulator& AttachInstrument(const QString& port, const QString& model = "510");
    // What the window shows and keeps.
    QString Caption() const;
    QStringList Protocol() const;
    const Session& State() const;
    bool IsFlat(const QString& button) const;
    // The entries of a list box.
    QStringList Items(const QString& list) const;

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    std::shared_ptr<FakePortState> bus = std::make_shared<FakePortState>();
    SerialLink link{FakePortFactory(bus), [](int) {}};
    QStringList systemPorts;  // what the port lister reports
    QDateTime clock{QDate(2026, 12, 7), QTime(9, 5, 14)};
    // The link the window uses; the fake bus's link unless a test sets another.
    SerialLink* windowLink = &link;
    bool withArchive = false;      // reads are kept in the working directory's archive
    sim::Simulator busInstrument;  // the far end of the fake bus, once attached
    std::unique_ptr<TGround_form> form;
};

}  // namespace kvir::test

// Readable failure messages for texts and lists of texts.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
