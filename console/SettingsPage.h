#pragma once
// The settings tab Tab_nastr: connection parameters (port box, device number, connection
// mode), the start page, full screen, the users list and the column choice of both views,
// with the settings file "KVIR-Wpad.ini" behind them.

#include "session/SessionEvents.h"

#include <QSet>
#include <QStringList>
#include <QWidget>

#include <array>
#include <optional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QRadioButton;

namespace kvir {

class OperatorDialogs;

class SettingsPage final : public QWidget {
    Q_OBJECT

  public:
    SettingsPage(OperatorDialogs& dialogs, QString workDir, QWidget* parent = nullptr);

    // Loads the settings file (writing it first when it is missing) and applies it; the port
    // list is filled by showPorts.
    void load(const QString& caption);
    // Writes the settings file from the controls; false (after a message) when it could not
    // be written.
    bool save(const QString& caption);
    QString value(const QString& name) const;
    // A decimal setting; one that is not a number is reported once and `fallback` used.
    int number(const QString& name, int fallback);

    // The port box's entries after a listing, with the settings' port (or the last entry)
    // selected; `entering` (the operator entered the box) selects the last entry and says so
    // when there is none.
    void showPorts(const QStringList& entries, bool entering);
    void selectPort(int index, const QString& port);
    QString port() const;
    // The inputs of a connection; nothing (after a message) when the device number is not a
    // number.
    std::optional<LinkInputs> linkInputs();
    // 0 by folder, 1 by date, 2 settings.
    int startPage() const;
    bool fullScreen() const;
    // The settings ask for a connection right after start-up: "Connect" is exactly "1" (other
    // values only choose between automatic detection and fixed parameters).
    bool autoConnect() const;
    // The column captions of `model` on both check-box sheets, with the saved choice.
    void showColumns(DeviceModel model);
    // The columns shown by a view (1 by folder, 2 by date), one bit per data column.
    quint8 shownColumns(int view) const;
    // Surname, name and patronymic of the user, joined by blanks.
    QString currentUser() const;

  signals:
    // The operator entered the port box: the list is built anew (the connection ends).
    void portsWanted();
    // The column choice or the user changed: the record table follows.
    void viewChanged();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QStringList Users() const;
    void LoadUsers();
    void UserChosen();
    void AddUser();
    void DeleteUser();

    OperatorDialogs& dialogs_;
    QString workDir_;
    QStringList settings_;
    QSet<QString> reported_;  // "name=value" already reported as not a number
    bool entering_ = false;
    QRadioButton* auto_;
    QRadioButton* fixed_;
    QComboBox* port_;
    QLineEdit* device_;
    QRadioButton* startByFolder_;
    QRadioButton* startByDate_;
    QRadioButton* startSettings_;
    QCheckBox* fullScreen_;
    QListWidget* users_;
    QLineEdit* surname_;
    QLineEdit* name_;
    QLineEdit* patronymic_;
    std::array<QCheckBox*, 8> byFolder_{};
    std::array<QCheckBox*, 8> byDate_{};
};

}  // namespace kvir
