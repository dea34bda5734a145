// The frame of the main window: main menu, side bar, the page stack with its pages, the status
// line, and the wiring between them and the session.

#include "K210.h"

#include "FolderEditorPage.h"
#include "ProtocolPage.h"
#include "RecordTablePage.h"
#include "SettingsPage.h"
#include "ToolIcons.h"
#include "WidgetKit.h"
#include "WindowSession.h"
#include "WindowTexts.h"
#include "windows/Progr.h"
#include "windows/Progress.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace kvir {

namespace {

constexpr QSize kDesignSize(760, 537);
constexpr int kToolBarWidth = 65;
constexpr QSize kToolButtonSize(60, 58);

QString WithoutMnemonic(QString text) {
    return text.remove(QLatin1Char('&'));
}

}  // namespace

void TGround_form::BuildFrame() {
    setObjectName(QStringLiteral("Ground_form"));
    setWindowTitle(kModelNone);
    resize(kDesignSize);
    // Every page fits the design size; smaller, controls would be cut.
    setMinimumSize(kDesignSize);

    auto* timer = Named(new QTimer(this), "Timer1");
    timer->setSingleShot(true);
    timer->setInterval(10);
    connect(timer, &QTimer::timeout, this, &TGround_form::StartTick);

    BuildMenu();
    auto* central = new QWidget(this);
    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    BuildSideBar();
    row->addWidget(findChild<QFrame*>(QStringLiteral("Panel3")));
    auto* client = Named(new QFrame(central), "Panel1");
    auto* clientLayout = new QVBoxLayout(client);
    clientLayout->setContentsMargins(2, 2, 2, 2);
    pages_ = Named(new QStackedWidget(client), "Panel_nastr");
    clientLayout->addWidget(pages_);
    row->addWidget(client, 1);
    BuildPages();
    setCentralWidget(central);
    BuildStatusLine();
}

void TGround_form::BuildMenu() {
    auto* bar = Named(new QMenuBar(this), "MainMenu1");
    const auto item = [this](QMenu* menu, const QString& text, const char* name,
                             const QKeySequence& keys, auto handler) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(keys);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    QMenu* file = Named(bar->addMenu(text::kMenuFile), "m_fail");
    item(file, text::kConnect, "m_connekt", QKeySequence(Qt::Key_F5), [this] { Connect(); });
    item(file, text::kOpenBackup, "m_open_backup", QKeySequence::Open, [this] { OpenBackup(); });
    item(file, text::kFolders, "m_contr_papka", QKeySequence(Qt::CTRL | Qt::Key_3),
         [this] { ShowFolderEditor(); });
    item(file, text::kSettings, "m_nastr", QKeySequence(Qt::CTRL | Qt::Key_4),
         [this] { ShowSettings(); });
    file->addSeparator();
    item(file, text::kExit, "m_exit", QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { Exit(); });
    QMenu* data = Named(bar->addMenu(text::kMenuData), "m_data");
    item(data, text::kByFolder, "m_sort_name", QKeySequence(Qt::CTRL | Qt::Key_1),
         [this] { ShowRecords(1); });
    item(data, text::kByDate, "m_sort_date", QKeySequence(Qt::CTRL | Qt::Key_2),
         [this] { ShowRecords(2); });
    item(data, text::kArchive, "m_archive", QKeySequence(Qt::CTRL | Qt::Key_5),
         [this] { ShowArchive(); });
    item(data, text::kChart, "m_chart", QKeySequence(Qt::CTRL | Qt::Key_6),
         [this] { ShowChart(); });
    QMenu* about = Named(bar->addMenu(text::kMenuAbout), "m_proekt");
    item(about, text::kAbout, "m_proekt_info", QKeySequence(QKeySequence::HelpContents), [this] {
        if (about_ != nullptr) {
            about_->show();
            about_->raise();
            about_->activateWindow();
        }
    });
    for (QMenu* menu : {file, data, about}) {
        menu->menuAction()->setObjectName(menu->objectName());
    }
    // F10 opens the menu bar, as in other desktop programs.
    auto* menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(menuKey, &QShortcut::activated, bar,
            [bar, file] { bar->setActiveAction(file->menuAction()); });
    setMenuBar(bar);
}

void TGround_form::BuildSideBar() {
    auto* panel = Named(new QFrame(this), "Panel3");
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFixedWidth(kToolBarWidth);
    panel->setAccessibleName(text::kCommandBar);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(2, 0, 3, 0);
    column->setSpacing(0);
    const auto make = [this, panel, column](ToolIcon icon, const char* action, const char* name) {
        auto* button = Named(new PictureButton(panel), name);
        const QAction* same = findChild<QAction*>(QString::fromLatin1(action));
        button->setFixedSize(kToolButtonSize);
        button->setIcon(DrawToolIcon(icon));
        button->setIconSize(QSize(44, 44));
        button->setToolTip(WithoutMnemonic(same->text()));
        button->setAccessibleName(WithoutMnemonic(same->text()));
        connect(button, &QToolButton::clicked, same, &QAction::trigger);
        column->addWidget(button);
        return button;
    };
    byFolder_ = make(ToolIcon::Folders, "m_sort_name", "But_sort_name");
    byDate_ = make(ToolIcon::Calendar, "m_sort_date", "But_sort_date");
    editor_ = make(ToolIcon::FolderGear, "m_contr_papka", "But_contr_papka");
    settingsButton_ = make(ToolIcon::Settings, "m_nastr", "But_nastr");
    archiveButton_ = make(ToolIcon::Archive, "m_archive", "But_archive");
    chartButton_ = make(ToolIcon::Chart, "m_chart", "But_chart");
    column->addSpacing(8);
    connect_ = make(ToolIcon::Connect, "m_connekt", "But_conect");
    column->addSpacing(8);
    exit_ = make(ToolIcon::Exit, "m_exit", "But_exit");
    column->addStretch(1);
}

void TGround_form::BuildPages() {
    settingsTabs_ = Named(new QTabWidget(pages_), "Page_nastr");
    settingsTabs_->setAccessibleName(text::kSettingsAndProtocol);
    settings_ = new SettingsPage(*services_.dialogs, services_.workDir, settingsTabs_);
    protocolPage_ = new ProtocolPage(*log_, *services_.dialogs, settingsTabs_);
    settingsTabs_->addTab(settings_, text::kSettingsTab);
    settingsTabs_->addTab(protocolPage_, text::kProtocolTab);
    pages_->addWidget(settingsTabs_);
    folders_ = new FolderEditorPage(*session_, *services_.dialogs, services_.locale, pages_);
    pages_->addWidget(folders_);
    records_ = new RecordTablePage(*services_.dialogs, services_.locale, pages_);
    pages_->addWidget(records_);
    BuildArchivePages();
    pages_->setCurrentWidget(settingsTabs_);
    settingsTabs_->setCurrentWidget(settings_);
}

void TGround_form::BuildStatusLine() {
    QStatusBar* line = statusBar();
    line->setObjectName(QStringLiteral("StatusBar1"));
    statusConnection_ = Named(new QLabel(line), "Label_status_link");
    statusMemory_ = Named(new QLabel(line), "Label_status_memory");
    statusTags_ = Named(new QLabel(line), "Label_status_tags");
    line->addPermanentWidget(statusConnection_);
    line->addPermanentWidget(statusMemory_);
    line->addPermanentWidget(statusTags_);
}

void TGround_form::Wire() {
    WindowSession& s = *session_;
    s.setInputs([this] { return settings_->linkInputs(); });
    connect(&s, &WindowSession::protocolEntry, this, &TGround_form::AddProtEntry);
    connect(&s, &WindowSession::status, this,
            [this](const QString& text) { statusBar()->showMessage(text); });
    connect(&s, &WindowSession::loaded, this,
            [this](const QString& label) { memoryLabel_ = label; });
    connect(&s, &WindowSession::operationStarted, this, &TGround_form::OperationStarted);
    connect(&s, &WindowSession::operationFinished, this, &TGround_form::OperationFinished);
    connect(&s, &WindowSession::notebookLoading, this, &TGround_form::ShowLoading);
    connect(&s, &WindowSession::identification, protocolPage_, &ProtocolPage::showIdentification);
    connect(&s, &WindowSession::captionChanged, this, &QWidget::setWindowTitle);
    connect(&s, &WindowSession::portSelected, settings_, &SettingsPage::selectPort);
    connect(&s, &WindowSession::portsListed, settings_,
            [this](const QStringList& entries) { settings_->showPorts(entries, false); });
    connect(&s, &WindowSession::readForArchive, this, &TGround_form::StoreInArchive);
    connect(&s, &WindowSession::progress, this,
            [this](Stage stage, int fp, int fm, int rp, int rm) {
                if (progress_ != nullptr) {
                    progress_->setWindowTitle(text::StageTitle(stage));
                    progress_->ShowProgress(fp, fm, rp, rm);
                }
            });
    connect(&s, &WindowSession::writeStarted, this, [this] {
        if (progress_ != nullptr) {
            progress_->setStop(Tprogressmetr::Stop::Locked);
        }
    });

    connect(settings_, &SettingsPage::portsWanted, this,
            [this] { session_->listPorts(services_.listPorts(), QString()); });
    connect(settings_, &SettingsPage::viewChanged, this, [this] {
        if (pages_->currentWidget() == records_) {
            ShowRecords(ActiveView());
        }
    });
    connect(folders_, &FolderEditorPage::protocolEntry, this, &TGround_form::AddProtEntry);
    connect(folders_, &FolderEditorPage::readRequested, this, &TGround_form::Connect);
    connect(folders_, &FolderEditorPage::edited, this, [this] {
        ShowMemory();
        UpdateStatus();
    });
    connect(records_, &RecordTablePage::protocolEntry, this, &TGround_form::AddProtEntry);
    connect(records_, &RecordTablePage::deleteRequested, this, &TGround_form::DeleteRecords);
    connect(records_, &RecordTablePage::status, this,
            [this](const QString& text) { statusBar()->showMessage(text); });
    connect(&records_->model(), &RecordModel::tagsChanged, this, &TGround_form::UpdateStatus);
}

}  // namespace kvir
