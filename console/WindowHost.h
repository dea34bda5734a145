#pragma once
// The console session's host in the main window: the device number, port choice and clock
// from the controls, and every event of the session as the dialogs, protocol lines and widget
// updates the operator has always seen.

#include "session/Session.h"

namespace kvir {

class TGround_form;

class WindowHost final : public SessionHost {
  public:
    explicit WindowHost(TGround_form& form) : form_(form) {}

    QString deviceNumberText() const override;
    PortChoice portChoice() const override;
    QDateTime now() const override;
    QString workDir() const override;
    void notify(const SessionEvent& event) override;
    void progress(Stage stage, int foldersPos, int foldersMax, int recordsPos,
                  int recordsMax) override;
    bool confirmInitialise() override;
    bool confirmReplaceUnwritten() override;
    QStringList backupTable(const Notebook& notebook) override;

    // While set, a saved backup is also announced in a message (before "Очистить блокнот"
    // erases the instrument, the operator is told where its records went).
    bool announceBackups = false;

  private:
    void Finished(const SessionEvent& event);

    TGround_form& form_;
    PortFault portFault_ = PortFault::None;  // why the last port did not open
};

}  // namespace kvir
