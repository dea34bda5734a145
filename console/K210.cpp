// Start-up, page switching, the commands of the side bar and the menu, and what the window
// does when an exchange starts and ends.

#include "K210.h"

#include "ChartPage.h"
#include "ConsoleArchive.h"
#include "FolderEditorPage.h"
#include "NotebookBackup.h"
#include "NotebookView.h"
#include "ProtocolPage.h"
#include "ProtocolText.h"
#include "RecordTablePage.h"
#include "SettingsPage.h"
#include "ToolIcons.h"
#include "WindowSession.h"
#include "WindowTexts.h"
#include "instrument/ModelTable.h"
#include "session/BackupFile.h"
#include "windows/Progr.h"
#include "windows/Progress.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QSettings>
#include <QShowEvent>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>

namespace kvir {

namespace {}  // namespace

TGround_form::TGround_form(ConsoleServices services, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)) {
    Q_ASSERT(services_.dialogs != nullptr && services_.link != nullptr);
    if (services_.workDir.isEmpty()) {
        services_.workDir = QDir::currentPath();
    }
    if (!services_.listPorts) {
        services_.listPorts = SystemSerialPorts;
    }
    if (!services_.now) {
        services_.now = [] { return QDateTime::currentDateTime(); };
    }
    SessionConfig config;
    config.now = services_.now;
    config.workDir = services_.workDir;
    // The table for people beside every backup is written on the session's thread: it gets the
    // user and the formats as values.
    config.backupTable = [locale = services_.locale](const Notebook& notebook,
                                                     const QString& user) {
        return BackupLines(notebook.image, notebook.folders, notebook.model, user, locale);
    };
    session_ = std::make_unique<WindowSession>(*services_.link, std::move(config),
                                               *services_.dialogs, this);
    log_ = std::make_unique<ProtocolLog>(QDir(services_.workDir).filePath(kProtocolFileName),
                                         services_.locale, services_.now);
    BuildFrame();
    Wire();
    FormCreate();
}

TGround_form::~TGround_form() = default;

void TGround_form::setAuxWindows(Tprogressmetr* progress, TFProgramm* about) {
    // The window owns both; the progress window is a tool window of its own, modal to it.
    progress_ = progress;
    about_ = about;
    if (progress_ != nullptr) {
        progress_->setParent(this, progress_->windowFlags());
    }
    if (about_ != nullptr) {
        about_->setParent(this, about_->windowFlags() | Qt::Window);
    }
    if (progress_ != nullptr) {
        connect(progress_, &Tprogressmetr::cancelRequested, this, [this] {
            session_->cancel();
            progress_->setStop(Tprogressmetr::Stop::Asked);
        });
    }
}

std::unique_ptr<QSettings> TGround_form::WindowSettings() const {
    // Qt's settings store for what belongs to the window only (its place on the screen).
    return services_.windowSettings.isEmpty()
               ? std::make_unique<QSettings>(QStringLiteral("kvir"), QStringLiteral("kvir-console"))
               : std::make_unique<QSettings>(services_.windowSettings, QSettings::IniFormat);
}

void TGround_form::AddProtEntry(const QString& text) {
    log_->add(text);
}

int TGround_form::ActiveView() const {
    return byDate_->isFlat() ? 2 : 1;
}

// ---- Start-up ----------------------------------------------------------------------------

void TGround_form::FormCreate() {
    // The protocol of earlier runs, then the settings file (written first when missing).
    log_->load();
    const QString pribor = [this] {
        settings_->load(kModelNone);
        return settings_->value(QStringLiteral("Pribor"));
    }();
    // The present serial ports, with the one the settings name selected.
    session_->listPorts(services_.listPorts(), settings_->value(QStringLiteral("port")));
    // The start page is shown before the remaining settings are applied.
    switch (settings_->startPage()) {
        case 0:
            ShowRecords(1);
            break;
        case 1:
            ShowRecords(2);
            break;
        default:
            ShowSettings();
            break;
    }
    setWindowState(settings_->fullScreen() ? Qt::WindowMaximized : Qt::WindowNoState);
    // The model, with the identification it implies and its columns.
    session_->setCaption(pribor);
    setWindowTitle(pribor);
    const DeviceModel model = ModelFromDisplayName(pribor);
    if (const ModelRow* row = RowOf(model)) {
        protocolPage_->showIdentification({row->identName, row->shownVersion, 0xD000});
    }
    settings_->showColumns(model);
    records_->model().setHeaders(ModelHeaders(model));
    records_->showView(ActiveView(), settings_->shownColumns(ActiveView()));
    AddProtEntry(text::kStart);
    UpdateStatus();
}

void TGround_form::showEvent(QShowEvent* event) {
    // Where the operator left the window last time (Qt's own settings store, not the
    // product's settings file, whose lines stay as they are).
    if (!event->spontaneous() && !geometryRestored_) {
        geometryRestored_ = true;
        const QByteArray saved = WindowSettings()->value(QStringLiteral("geometry")).toByteArray();
        if (!saved.isEmpty() && !settings_->fullScreen()) {
            restoreGeometry(saved);
        }
    }
    QMainWindow::showEvent(event);
    // A window restored from the task bar is shown by the system, not by the program.
    if (!event->spontaneous()) {
        findChild<QTimer*>(QStringLiteral("Timer1"))->start();
    }
}

void TGround_form::StartTick() {
    if (!settings_->autoConnect()) {
        return;
    }
    // The port list may still be in the making: the connection follows it.
    if (session_->busy()) {
        autoConnectDue_ = true;
        return;
    }
    Connect();
}

// ---- Pages -------------------------------------------------------------------------------

void TGround_form::ShowPage(QWidget* page, QToolButton* flat) {
    pages_->setCurrentWidget(page);
    for (PictureButton* button : {byFolder_, byDate_, editor_, settingsButton_, archiveButton_,
                                  chartButton_, connect_, exit_}) {
        if (button != connect_) {
            button->setFlat(button == flat);
        }
    }
}

void TGround_form::ShowRecords(int view) {
    ShowPage(records_, view == 2 ? byDate_ : byFolder_);
    records_->showView(view, settings_->shownColumns(view));
}

void TGround_form::ShowFolderEditor() {
    ShowPage(folders_, editor_);
    folders_->enter();
}

void TGround_form::ShowSettings() {
    ShowPage(settingsTabs_, settingsButton_);
}

// ---- Commands ----------------------------------------------------------------------------

void TGround_form::Connect() {
    session_->connectAndRead();
}

void TGround_form::OpenBackup() {
    if (session_->busy()) {
        return;
    }
    const std::optional<QString> path = services_.dialogs->OpenFile(
        text::kOpenBackupTitle, services_.workDir, {text::kBackupFilter.arg(kBackupSuffix)});
    if (path) {
        session_->loadBackup(*path);
    }
}

void TGround_form::DeleteRecords(const QList<int>& chosen) {
    if (!session_->edit({NotebookEdit::Kind::DeleteRecords, -1, {}, chosen})) {
        return;
    }
    AddProtEntry(text::DeleteRecordsEntry(static_cast<int>(chosen.size()), windowTitle()));
    ShowMemory();
    UpdateStatus();
    if (services_.dialogs->Confirm(text::kAskSaveChanges, text::kSaveQuestion)) {
        session_->writeNotebook(WholeWrite::Edits);
    }
}

void TGround_form::Exit() {
    // A settings file that could not be written keeps the program running, so nothing the
    // operator set is lost.
    if (!settings_->save(windowTitle())) {
        return;
    }
    close();
}

void TGround_form::closeEvent(QCloseEvent* event) {
    if (session_->busy()) {
        // A read stops at once; a write runs to its end. The window closes afterwards.
        event->ignore();
        closeDue_ = true;
        session_->cancel();
        if (session_->writing()) {
            statusBar()->showMessage(text::kWriting);
        }
        return;
    }
    const Session& s = session_->state();
    if ((s.unwritten() || s.edited()) &&
        !services_.dialogs->Confirm(text::kAskExitUnwritten, text::kWarning)) {
        event->ignore();
        closeDue_ = false;
        return;
    }
    WindowSettings()->setValue(QStringLiteral("geometry"), saveGeometry());
    event->accept();
}

// ---- While an exchange runs --------------------------------------------------------------------

void TGround_form::OperationStarted() {
    connect_->setFlat(true);
    folders_->setIdle(false);
    if (progress_ != nullptr) {
        progress_->setStop(Tprogressmetr::Stop::Offered);
        progress_->setWindowTitle(text::StageTitle(Stage::Connecting));
        progress_->ShowProgress(0, 0, 0, 0);
        progress_->show();
    }
}

void TGround_form::OperationFinished() {
    if (progress_ != nullptr) {
        progress_->hide();
    }
    connect_->setFlat(false);
    folders_->setIdle(true);
    const Session& s = session_->state();
    if ((s.origin() == Origin::CompleteRead || s.origin() == Origin::PartialRead) &&
        memoryLabel_.isEmpty()) {
        memoryLabel_ = services_.locale.toString(services_.now().time(), QStringLiteral("H:mm"));
    }
    ShowMemory();
    folders_->selectFirst();
    folders_->refresh();
    UpdateStatus();
    if (closeDue_) {
        closeDue_ = false;
        close();
        return;
    }
    if (std::exchange(autoConnectDue_, false)) {
        Connect();
    }
}

void TGround_form::ShowLoading(const Notebook& notebook) {
    if (records_->model().headers().isEmpty() ||
        records_->model().headers() != ModelHeaders(notebook.model)) {
        if (notebook.model != DeviceModel::None) {
            settings_->showColumns(notebook.model);
            records_->model().setHeaders(ModelHeaders(notebook.model));
            records_->showView(ActiveView(), settings_->shownColumns(ActiveView()));
        }
    }
    memoryLabel_.clear();
    records_->showNotebook(notebook);
    folders_->showFolders(notebook);
    protocolPage_->showFolders(notebook);
}

void TGround_form::ShowMemory() {
    const Session& s = session_->state();
    const Notebook& memory = s.notebook();
    setWindowTitle(s.caption());
    records_->setCaption(s.caption());
    records_->model().setUser(settings_->currentUser());
    if (memory.model != DeviceModel::None &&
        records_->model().headers() != ModelHeaders(memory.model)) {
        settings_->showColumns(memory.model);
        records_->model().setHeaders(ModelHeaders(memory.model));
        records_->showView(ActiveView(), settings_->shownColumns(ActiveView()));
    }
    records_->showNotebook(memory);
    folders_->showFolders(memory);
    protocolPage_->showFolders(memory);
    if (pages_->currentWidget() == chartPage_->parentWidget()->parentWidget()) {
        ShowChart();
    }
}

void TGround_form::UpdateStatus() {
    const bool idle = !session_->busy();
    if (idle) {
        const Session& s = session_->state();
        const bool linked = s.connected();
        statusConnection_->setText(text::LinkStatus(linked, s.port(), s.caption()));
        statusConnection_->setToolTip(s.port());
        connect_->setIcon(DrawToolIcon(linked ? ToolIcon::Connected : ToolIcon::Connect));
        statusMemory_->setText(text::MemoryStatus(
            s.origin(), memoryLabel_, RecordCountOf(s.notebook()), s.edited() || s.unwritten()));
    }
    statusTags_->setText(text::kTagged.arg(records_->model().taggedCount()));
}

}  // namespace kvir
