#pragma once
// The main window Ground_form: tool bar, main menu, the working pages and the timer. It turns
// operator actions into calls of the console session and shows what the session reports;
// the state that guards the instrument's data lives in the session, never in a widget. The
// class is split into files by topic, each named beside its section below.

#include "ConsoleServices.h"
#include "K210_controls.h"
#include "session/Session.h"

#include <QMainWindow>
#include <QSet>
#include <QStringList>

#include <functional>
#include <memory>

namespace kvir {

class Tprogressmetr;
class TFProgramm;
class ConsoleArchive;
class WindowHost;

class TGround_form : public QMainWindow, public GroundControls {
    Q_OBJECT

  public:
    // Builds the window and runs FormCreate; the window is not shown.
    explicit TGround_form(ConsoleServices services, QWidget* parent = nullptr);
    ~TGround_form() override;
    void setAuxWindows(Tprogressmetr* progress, TFProgramm* about);

    // ---- Start-up, pages, end (K210.cpp) -------------------------------------------------
    void FormShow();
    void Timer1Timer();
    void But_sort_nameClick();
    void But_sort_dateClick();
    void But_contr_papkaClick();
    void But_nastrClick();
    void But_conectClick();  // the guard and busy state around RunConnectionSequence
    void m_exitClick();
    void m_proekt_infoClick();
    // ---- Archive and chart pages (K210_pages.cpp; the session's events: WindowHost.cpp) ----
    void But_archiveClick();
    void But_chartClick();
    // Keeps a notebook just read, or saved before erasing, in the archive (when there is one).
    void StoreInArchive(const Notebook& notebook, bool complete, bool backup);
    bool isFlat(const QToolButton* button) const;
    void setFlat(QToolButton* button, bool flat);
    // The record table shows the by-date view exactly when But_sort_date is flat.
    int activeView() const { return isFlat(But_sort_date) ? 2 : 1; }
    QString caption() const { return windowTitle(); }
    // Runs an operator action; an error escaping it is shown in the standard error box.
    void RunHandler(const std::function<void()>& handler);
    int connectionRuns() const { return connectionRuns_; }

    // ---- Settings and users (K210_settings.cpp) ---------------------------------------
    bool SaveSettings();  // false (after a message) when the file could not be written
    QString SettingValue(const QString& name) const;
    const QStringList& settingsList() const { return settings_; }
    // A decimal setting; one that is not a number is reported once and `fallback` used.
    int SettingNumber(const QString& name, int fallback);
    void LoadUsers();
    void But_save_nastrClick();
    void List_registr_nameClick();
    void But_add_regClick();
    void But_del_regClick();
    QStringList users() const;

    // ---- Activity protocol (K210_protocol.cpp) -------------------------------------------
    void AddProtEntry(const QString& text);
    void LoadProtocol();
    void But_clear_protClick();
    void But_save_protClick();
    void Tab_protShow();
    void ResetIdentTables();
    void ShowIdentification();  // the session's identification in Tabl_identif
    QStringList protocolLines() const;

    // ---- Port list (K210_ports.cpp) ------------------------------------------------------
    int BuildPortList();                   // the number of entries
    void SelectPort(const QString& name);  // the entry equal to `name`, else the last one
    void ComboBox1Enter();
    void ComboBox1Click();
    QString portText() const;  // the port a connection uses: the box's text

    // ---- Record table columns (K210_columns.cpp) -----------------------------------------
    void SetColumnSet(DeviceModel model);
    void LayoutColumns();
    void ResetTags();  // empties the tag column and leaves no data row current

    // ---- Connection and loading (K210_connect.cpp) ---------------------------------------
    void RunConnectionSequence();
    // A device number that is not a decimal number is refused with a message.
    bool CheckDeviceNumber();
    void ReportExchangeResult(ExchangeResult result);
    void ShowProgressWindow(const QString& title);
    void HideProgressWindow();
    void ShowProgress(int foldersPos, int foldersMax, int recordsPos, int recordsMax);
    Tprogressmetr* progressWindow() const { return progressmetr_; }
    void SetBusy(bool busy);  // But_conect drawn flat while an exchange sequence runs
    void SyncFolderList();    // List_name shows the folder list of the notebook in memory
    void SelectFirstFolder();
    // The notebook in memory was replaced (read, loaded): columns, lists and table follow.
    void ShowNotebook();

    // ---- Record table (K210_tables.cpp) ---------------------------------------------------
    void FillRecordTable(int view);  // 1 by folder, 2 by date; the folder summary too
    void FillFolderSummary();
    QString CurrentUser() const;  // surname, name and patronymic joined by blanks

    // ---- Tags, export and printing (K210_tags.cpp) -------------------------------------
    void p_menu_set_allClick();
    void p_menu_clrClick();
    void p_menu_saveClick();
    void p_menu_printClick();
    void p_menu_set_delClick();
    void p_menu_clr_delClick();
    void Tabl_sort_name_datKeyDown(int key);
    void But_exe_zapClick();

    // ---- Folder editor (K210_folders.cpp) and write-back (K210_writeback.cpp) -----------
    void List_nameClick();
    void edit_nameExit();
    void But_new_nameClick();
    void But_rename_nameClick();
    void Butt_del_nameClick();
    void Butt_clear_papkaClick();
    void Butt_clear_allClick();
    void RefreshFolderEditor();  // empties the name field and sets the five edit buttons
    void But_init_wpadClick();
    void But_save_wpadClick();
    void m_open_backupClick();
    // A folder edit or record deletion in memory is offered for writing: one folder, or the
    // whole notebook (then read back and compared). True when the write succeeded.
    bool WriteFolder(int index, const QString& name);
    bool WriteNotebook();

    // ---- Services ----------------------------------------------------------------------
    OperatorDialogs& dialogs() { return *services_.dialogs; }
    SerialLink& link() { return *services_.link; }
    Session& session() { return *session_; }
    const QLocale& locale() const { return services_.locale; }
    QDateTime now() const;
    QString filePath(const QString& name) const;
    const QString& workDir() const { return services_.workDir; }
    // The notebook in memory (tests edit it directly, as the folder editor does).
    NotebookImage& notebook() { return session_->edit().image; }
    QStringList& folders() { return session_->edit().folders; }

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void FormCreate();
    void ShowPage(QWidget* page, QToolButton* flatButton);
    void ApplyStartPage();
    void ApplyPribor();
    void BuildLayout();
    void BuildMenu();
    void BuildToolBar();
    QWidget* BuildSettingsTab();
    QWidget* BuildProtocolTab();
    QWidget* BuildFolderPage();
    QWidget* BuildTablePage();
    void BuildArchivePages();
    void ShowRecordOfChart(int slot);
    void ConnectHandlers();
    void ReportSaveFailure(const QString& path, FileFault fault);
    bool TakeNewFolderName(QString& name);
    bool AskSaveChanges();
    void AfterFolderEdit(const QString& protocolLine);

    ConsoleServices services_;
    Tprogressmetr* progressmetr_ = nullptr;
    TFProgramm* FProgramm_ = nullptr;
    QStringList settings_;
    QSet<QString> reportedSettings_;  // "name=value" already reported as not a number
    std::unique_ptr<WindowHost> host_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<ConsoleArchive> archive_;
    QList<int> newSlots_;          // slots of the last read the archive had never seen,
    int newSlotsEdit_ = 0;         // as they were at this edit count of the session
    bool archiveTrouble_ = false;  // the operator was told the archive cannot be used
    int connectionRuns_ = 0;

    friend class WindowHost;
};

}  // namespace kvir
