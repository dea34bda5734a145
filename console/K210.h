#pragma once
// The main window Ground_form: the frame around the console's pages. It holds the main menu,
// the side bar of picture buttons, the page stack and the status line, and wires the pages to
// the session: operator actions become session operations, which run on their own thread;
// what the session reports reaches the pages. The pages are self-contained widgets over their
// own models; the state that guards the instrument's data lives in the session.

#include "ConsoleServices.h"

#include <QMainWindow>

#include <memory>

class QLabel;
class QSettings;
class QStackedWidget;
class QTabWidget;
class QToolButton;

namespace kvir {

class ArchivePage;
class ChartPage;
class ConsoleArchive;
class FolderEditorPage;
class PictureButton;
class ProtocolLog;
class ProtocolPage;
class RecordTablePage;
class SettingsPage;
class TFProgramm;
class Tprogressmetr;
class WindowSession;
struct Notebook;

class TGround_form final : public QMainWindow {
    Q_OBJECT

  public:
    // Builds the window and runs its start-up; the window is not shown.
    explicit TGround_form(ConsoleServices services, QWidget* parent = nullptr);
    ~TGround_form() override;
    // Takes the progress window and the About window (the window owns them from here on).
    void setAuxWindows(Tprogressmetr* progress, TFProgramm* about);

    // The session the window works with (its state between operations, whether one runs).
    WindowSession& session() { return *session_; }
    const ProtocolLog& protocol() const { return *log_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    // ---- The frame (K210_layout.cpp)
    void BuildFrame();
    void BuildMenu();
    void BuildSideBar();
    void BuildPages();
    void BuildArchivePages();
    void BuildStatusLine();
    void Wire();
    // ---- Pages and commands (K210.cpp)
    void FormCreate();
    void ShowPage(QWidget* page, QToolButton* flat);
    void ShowRecords(int view);
    void ShowFolderEditor();
    void ShowSettings();
    void ShowArchive();
    void ShowChart();
    void Connect();
    void OpenBackup();
    void Exit();
    void StartTick();
    void DeleteRecords(const QList<int>& chosen);
    // ---- The session's progress (K210.cpp)
    void OperationStarted();
    void OperationFinished();
    // Memory as it is now, in every view.
    void ShowMemory();
    void ShowLoading(const Notebook& notebook);
    void StoreInArchive(const Notebook& notebook, bool complete, bool backup);
    void AddProtEntry(const QString& text);
    void UpdateStatus();
    int ActiveView() const;
    std::unique_ptr<QSettings> WindowSettings() const;

    ConsoleServices services_;
    std::unique_ptr<WindowSession> session_;
    std::unique_ptr<ProtocolLog> log_;
    std::unique_ptr<ConsoleArchive> archive_;
    Tprogressmetr* progress_ = nullptr;
    TFProgramm* about_ = nullptr;

    QStackedWidget* pages_ = nullptr;
    QTabWidget* settingsTabs_ = nullptr;
    SettingsPage* settings_ = nullptr;
    ProtocolPage* protocolPage_ = nullptr;
    FolderEditorPage* folders_ = nullptr;
    RecordTablePage* records_ = nullptr;
    ArchivePage* archivePage_ = nullptr;
    ChartPage* chartPage_ = nullptr;
    PictureButton* byFolder_ = nullptr;
    PictureButton* byDate_ = nullptr;
    PictureButton* editor_ = nullptr;
    PictureButton* settingsButton_ = nullptr;
    PictureButton* archiveButton_ = nullptr;
    PictureButton* chartButton_ = nullptr;
    PictureButton* connect_ = nullptr;
    PictureButton* exit_ = nullptr;
    QLabel* statusConnection_ = nullptr;
    QLabel* statusMemory_ = nullptr;
    QLabel* statusTags_ = nullptr;
    bool autoConnectDue_ = false;  // the start tick came while the port list was built
    bool closeDue_ = false;        // the operator closed the window while an exchange ran
    bool archiveTrouble_ = false;  // the operator was told the archive cannot be used
    bool geometryRestored_ = false;
    QString memoryLabel_;  // the status line's word on memory: read at, backup, snapshot
};

}  // namespace kvir
