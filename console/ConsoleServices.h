#pragma once
// What the main window needs from outside (tests replace every part), and the error that
// abandons a running operator action.

#include "OperatorDialogs.h"
#include "link/PortList.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <exception>
#include <functional>

namespace kvir {

class SerialLink;

// An error that abandons the running operator action; the handler wrapper shows its text in
// the standard error box and the program goes on.
class ConsoleError : public std::exception {
  public:
    explicit ConsoleError(QString text) : text_(std::move(text)), utf8_(text_.toUtf8()) {}
    const QString& text() const { return text_; }
    const char* what() const noexcept override { return utf8_.constData(); }

  private:
    QString text_;
    QByteArray utf8_;
};

// What the main window needs from outside; tests replace every part.
struct ConsoleServices {
    QString workDir;                     // settings, protocol and backups; empty: current dir
    OperatorDialogs* dialogs = nullptr;  // required
    SerialLink* link = nullptr;          // required
    PortLister listPorts;                // empty: SystemSerialPorts
    std::function<QDateTime()> now;      // empty: the local clock
    QLocale locale = QLocale::system();  // regional formats
    bool archive = true;                 // keep every read in the working directory's archive
    QString windowSettings;              // the window's place on the screen: this INI file, or
                                         // (empty) Qt's settings store of the user
};

}  // namespace kvir
