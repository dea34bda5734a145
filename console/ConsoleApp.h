#pragma once
// The program: the application object that keeps errors inside the message loop, and the
// start sequence of the three windows.

#include <QApplication>

#include <functional>

namespace kvir {

class OperatorDialogs;

// An error that escapes an event handler is shown in the standard error box and the message
// loop goes on.
class ConsoleApplication : public QApplication {
  public:
    ConsoleApplication(int& argc, char** argv);
    void setDialogs(OperatorDialogs* dialogs) { dialogs_ = dialogs; }
    bool notify(QObject* receiver, QEvent* event) override;

  private:
    OperatorDialogs* dialogs_ = nullptr;
};

// Installs Qt's own Russian translation; false when its files are missing.
bool LoadQtTranslation(QCoreApplication& app);

// Creates Ground_form (which runs its start-up), then progressmetr, then FProgramm, shows
// the main window and runs the message loop until it closes. `onShown`, when given, is
// called once the main window has been shown and painted.
int RunConsole(ConsoleApplication& app, const std::function<void()>& onShown = {});

}  // namespace kvir
