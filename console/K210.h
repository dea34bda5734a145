#pragma once
// The main window Ground_form: tool bar, main menu, the three working pages and the timer.
// The class is split into files by topic:
//   K210.cpp           start-up (FormCreate, FormShow, Timer1Timer), page switching, exit,
//                      the connect button's guard and busy state
//   K210_layout.cpp    building the widgets
//   K210_settings.cpp  settings file and users list
//   K210_protocol.cpp  activity protocol and the two information grids
//   K210_ports.cpp     port list
//   K210_columns.cpp   column choice of the record table (SetColumnSet, LayoutColumns)
//   K210_connect.cpp   connection and notebook loading
//   K210_tables.cpp    the record table and the folder summary
//   K210_tags.cpp      record tags, export and printing
//   K210_folders.cpp   folder editor
//   K210_writeback.cpp notebook write-back and initialisation
//
// Grids: the header row of Tabl_sort_name_dat and Tabl_prop_wpad is the QTableWidget's
// horizontal header, so grid row r (r >= 1) of a fixed-header grid is table row r - 1 and a
// grid of "RowCount 2" has one table row. Tabl_identif has no header: row r is row r.

#include "OperatorDialogs.h"
#include "PortList.h"
#include "ToolIcons.h"
#include "instrument/NotebookImage.h"
#include "instrument/Util_modbas.h"

#include <QDateTime>
#include <QLocale>
#include <QMainWindow>
#include <QSet>
#include <QStringList>

#include <array>
#include <exception>
#include <functional>
#include <optional>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QSplitter;
class QStackedWidget;
class QTabWidget;
class QTableWidget;
class QTimer;
class QToolButton;

namespace kvir {

class SerialLink;
class Tprogressmetr;
class TFProgramm;

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
    QString workDir;                     // where the settings and protocol files live;
                                         // empty: the current directory
    OperatorDialogs* dialogs = nullptr;  // required
    SerialLink* link = nullptr;          // required
    PortLister listPorts;                // empty: SystemSerialPorts
    std::function<QDateTime()> now;      // empty: the local clock
    QLocale locale = QLocale::system();  // regional formats
};

class TGround_form;

// The instrument operations' view of the main window: the device-number field, the value
// column of Tabl_identif, the notebook and folder list, the clock and the operator dialogs.
class WindowContext final : public InstrumentContext {
  public:
    explicit WindowContext(TGround_form& form) : form_(form) {}
    QString deviceNumberText() const override;
    QString identValue(int row) const override;
    void setIdentValue(int row, const QString& text) override;
    NotebookImage& notebook() override;
    QStringList& folderList() override;
    QDate today() const override;
    void warn(const QString& text, const QString& caption) override;

  private:
    TGround_form& form_;
};

class TGround_form : public QMainWindow {
    Q_OBJECT

  public:
    // Builds the window and runs FormCreate; the window is not shown.
    explicit TGround_form(ConsoleServices services, QWidget* parent = nullptr);
    ~TGround_form() override;

    // The progress and About windows are created after the main window.
    void setAuxWindows(Tprogressmetr* progress, TFProgramm* about);

    // ---- Start-up and main window (K210.cpp) ------------------------------------------
    void FormShow();
    void Timer1Timer();
    void But_sort_nameClick();
    void But_sort_dateClick();
    void But_contr_papkaClick();
    void But_nastrClick();
    // Connection guard and busy state; the sequence itself is RunConnectionSequence.
    void But_conectClick();
    void m_exitClick();
    void m_proekt_infoClick();

    // The product's flat state of a picture button.
    bool isFlat(const QToolButton* button) const;
    void setFlat(QToolButton* button, bool flat);
    // The record table shows the by-date view exactly when But_sort_date is flat.
    int activeView() const { return isFlat(But_sort_date) ? 2 : 1; }

    // The model the console works with: the window caption.
    QString caption() const { return windowTitle(); }

    // Progress window, when there is one.
    void ShowProgress(int foldersPos, int foldersMax, int recordsPos, int recordsMax);
    Tprogressmetr* progressWindow() const { return progressmetr_; }

    // Runs an operator action; an error escaping it is shown in the standard error box.
    void RunHandler(const std::function<void()>& handler);

    // How often the connection sequence ran past the guard (tests watch the automatic
    // connection with it).
    int connectionRuns() const { return connectionRuns_; }

    // ---- Settings and users (K210_settings.cpp) ---------------------------------------
    // Writes the settings file from the controls; false (after a message) when it could not
    // be written. The settings list holds the new lines either way.
    bool SaveSettings();
    QString SettingValue(const QString& name) const;
    const QStringList& settingsList() const { return settings_; }
    // A decimal setting; a value that is not a decimal number is reported once with the
    // name and value, and `fallback` is used.
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
    QStringList protocolLines() const;
    // Enters the system's reason why `port` did not open (SerialLink::lastError()).
    void AddPortFailureEntry(const QString& port);

    // ---- Port list (K210_ports.cpp) ------------------------------------------------------
    // Rebuilds the port box; returns the number of entries.
    int BuildPortList();
    // Selects the entry equal to `name`, else the last one.
    void SelectPort(const QString& name);
    void ComboBox1Enter();
    void ComboBox1Click();
    // The port a connection uses: the box's text, typed or selected.
    QString portText() const;

    // ---- Record table columns (K210_columns.cpp) -----------------------------------------
    void SetColumnSet(const QString& model);
    void LayoutColumns();
    // Empties the tag column and leaves no data row current.
    void ResetTags();

    // ---- Connection and notebook loading (K210_connect.cpp) ----------------------------
    // The connect sequence past the guard: ConnectInstrument, IdentifyInstrument and, for a
    // supported model, ReadNotebook.
    void RunConnectionSequence();
    // Opens the named port (or, with automatic detection, the first listed port that
    // answers); 0, 145, -1 or the exchange result. Reports its own failures.
    ExchangeResult ConnectInstrument();
    // Reads the identification and settles the model shown as caption; 0, 146, 147 or the
    // exchange result.
    ExchangeResult IdentifyInstrument();
    // Reads the whole notebook of the caption's model; reports its own outcome.
    void ReadNotebook();
    // The fixed message of an exchange result; nothing for 0.
    void ReportExchangeResult(ExchangeResult result);
    // A device number that is not a decimal number is refused with a message.
    bool CheckDeviceNumber();
    void ShowProgressWindow(const QString& title);
    void HideProgressWindow();
    // The busy state: But_conect drawn flat while an exchange sequence runs.
    void SetBusy(bool busy);
    // List_name shows the folder list held in folders().
    void SyncFolderList();
    void SelectFirstFolder();
    QStringList& folders() { return folders_; }
    Instrument& instrument() { return instrument_; }
    WindowContext& instrumentContext() { return context_; }

    // ---- Record table (K210_tables.cpp) ---------------------------------------------------
    // Rebuilds both display orders and fills the table in `view` (1 by folder, 2 by date)
    // and the folder summary.
    void FillRecordTable(int view);
    void FillFolderSummary();
    // Surname, name and patronymic of the current user joined by blanks.
    QString CurrentUser() const;

    // ---- Tags, export and printing (K210_tags.cpp) -------------------------------------
    void p_menu_set_allClick();
    void p_menu_clrClick();
    void p_menu_saveClick();
    void p_menu_printClick();
    void p_menu_set_delClick();
    void p_menu_clr_delClick();
    void Tabl_sort_name_datKeyDown(int key);
    void But_exe_zapClick();
    // (end of the tags section)

    // ---- Folder editor (K210_folders.cpp) and write-back (K210_writeback.cpp) -----------
    void List_nameClick();
    void edit_nameExit();
    void But_new_nameClick();
    void But_rename_nameClick();
    void Butt_del_nameClick();
    void Butt_clear_papkaClick();
    void Butt_clear_allClick();
    // Empties the name field and sets the five edit buttons from the selected entry.
    void RefreshFolderEditor();
    void But_init_wpadClick();
    void But_save_wpadClick();
    // Write one folder after a folder edit, or the whole notebook; each reports its own
    // outcome (messages and protocol) and returns true on success. Before anything is
    // erased the in-memory notebook is saved to a backup file; a "КВИР-210v1" notebook
    // with more records than its record pages hold is refused before any request.
    bool WriteFolder(int index, const QString& name);
    bool WriteNotebook();
    // WriteNotebook, then, only when it succeeded, ReadNotebook and a comparison of what
    // was read with what was written (a difference is shown and entered in the protocol).
    // After a failed write the edited notebook stays in memory and the port is closed:
    // "Обновить блокнот" reconnects and writes it again. Run after every change that
    // rewrites the whole notebook (a deleted folder, deleted records). True when the
    // write succeeded.
    bool WriteNotebookAndReread();

  private:
    // Opening steps of a write: connect if closed, identify, refuse another model, save the
    // backup, then the progress window "Запись блокнота" and the busy state.
    ExchangeResult BeginNotebookWrite();
    // Closing steps: protocol line, port closed after a failed exchange, the result's
    // message, busy state and progress window ended.
    void EndNotebookWrite(ExchangeResult result, const QString& successLine,
                          const QString& failureLine);
    // Saves the in-memory notebook to a new backup file in the working directory and enters
    // its name in the protocol; the name, or nothing after telling the operator why not.
    std::optional<QString> SaveNotebookBackup();
    // The name field upper-cased as leaving it does; true when the name may be used,
    // otherwise the operator has been told why not.
    bool TakeNewFolderName(QString& name);
    bool AskSaveChanges();

  public:
    // (end of the folder editor and write-back section)

    // ---- Services ----------------------------------------------------------------------
    OperatorDialogs& dialogs() { return *services_.dialogs; }
    SerialLink& link() { return *services_.link; }
    const QLocale& locale() const { return services_.locale; }
    QDateTime now() const;
    QString filePath(const QString& name) const;
    NotebookImage& notebook() { return notebook_; }

    // ---- Controls, named as the product names them -------------------------------------
    QMenuBar* MainMenu1 = nullptr;
    QMenu* m_fail = nullptr;
    QAction* m_connekt = nullptr;
    QAction* m_contr_papka = nullptr;
    QAction* m_nastr = nullptr;
    QAction* m_exit = nullptr;
    QMenu* m_data = nullptr;
    QAction* m_sort_name = nullptr;
    QAction* m_sort_date = nullptr;
    QMenu* m_proekt = nullptr;
    QAction* m_proekt_info = nullptr;

    QFrame* Panel3 = nullptr;
    PictureButton* But_sort_name = nullptr;
    PictureButton* But_sort_date = nullptr;
    PictureButton* But_contr_papka = nullptr;
    PictureButton* But_nastr = nullptr;
    PictureButton* But_conect = nullptr;
    PictureButton* But_exit = nullptr;

    QFrame* Panel1 = nullptr;
    QStackedWidget* Panel_nastr = nullptr;

    // Settings page.
    QTabWidget* Page_nastr = nullptr;
    QWidget* Tab_nastr = nullptr;
    QWidget* Tab_prot = nullptr;
    QGroupBox* GroupBox_conect = nullptr;
    QRadioButton* Rbut_auto = nullptr;
    QRadioButton* Rbut_handle = nullptr;
    QLabel* Label_port = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QLabel* Label_net_adr = nullptr;
    QLineEdit* Edit_net_adr = nullptr;
    QGroupBox* GroupBox_start = nullptr;
    QRadioButton* Rbut_sort_papka = nullptr;
    QRadioButton* Rbut_sort_date = nullptr;
    QRadioButton* Rbut_nastr = nullptr;
    QCheckBox* Chbut_fulekran = nullptr;
    QSplitter* Splitter1 = nullptr;
    QGroupBox* GroupBox_registr = nullptr;
    QListWidget* List_registr_name = nullptr;
    QLabel* Label_reg_fam = nullptr;
    QLineEdit* Edit_reg_fam = nullptr;
    QLabel* Label_reg_name = nullptr;
    QLineEdit* Edit_reg_name = nullptr;
    QLabel* Label_reg_fas = nullptr;
    QLineEdit* Edit_reg_fas = nullptr;
    QPushButton* But_add_reg = nullptr;
    QPushButton* But_del_reg = nullptr;
    QGroupBox* GroupBox_col = nullptr;
    QTabWidget* PageControl_col = nullptr;
    std::array<QCheckBox*, 8> CheckBox{};   // CheckBox1 .. CheckBox8 (by folder)
    std::array<QCheckBox*, 8> CheckBoxd{};  // CheckBoxd1 .. CheckBoxd8 (by date)
    QFrame* Panel_save_nastr = nullptr;
    QPushButton* But_save_nastr = nullptr;

    // Protocol tab.
    QListWidget* ListProt = nullptr;
    QFrame* Panel_prot_info = nullptr;
    QTableWidget* Tabl_identif = nullptr;
    QTableWidget* Tabl_prop_wpad = nullptr;
    QFrame* Panel_prot_bottom = nullptr;
    QPushButton* But_clear_prot = nullptr;
    QPushButton* But_save_prot = nullptr;

    // Folder editor page.
    QFrame* Page_edit_name = nullptr;
    QListWidget* List_name = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* edit_name = nullptr;
    QPushButton* But_new_name = nullptr;
    QPushButton* But_rename_name = nullptr;
    QPushButton* Butt_del_name = nullptr;
    QPushButton* Butt_clear_papka = nullptr;
    QPushButton* Butt_clear_all = nullptr;
    QFrame* Panel6 = nullptr;
    QPushButton* But_init_wpad = nullptr;
    QPushButton* But_save_wpad = nullptr;

    // Record table page.
    QWidget* Page_sort_name = nullptr;
    QTableWidget* Tabl_sort_name_dat = nullptr;
    QFrame* Panel_zap = nullptr;
    PictureButton* But_file_zap = nullptr;
    PictureButton* But_print_zap = nullptr;
    QPushButton* But_exe_zap = nullptr;
    QMenu* Pmenu_tabl_sort = nullptr;
    QAction* p_menu_set_all = nullptr;
    QAction* p_menu_clr = nullptr;
    QAction* p_menu_save = nullptr;
    QAction* p_menu_print = nullptr;
    QAction* N7 = nullptr;
    QAction* p_menu_set_del = nullptr;
    QAction* p_menu_clr_del = nullptr;

    QTimer* Timer1 = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // K210.cpp
    void FormCreate();
    void ShowPage(QWidget* page, QToolButton* flatButton);
    void ApplyStartPage();
    void ApplyPribor();
    // K210_layout.cpp
    void BuildLayout();
    void BuildMenu();
    void BuildToolBar();
    QWidget* BuildSettingsTab();
    QWidget* BuildProtocolTab();
    QWidget* BuildFolderPage();
    QWidget* BuildTablePage();
    void ConnectHandlers();
    // K210_settings.cpp
    QString ReportSaveFailure(const QString& path, const QString& reason);

    ConsoleServices services_;
    Tprogressmetr* progressmetr_ = nullptr;
    TFProgramm* FProgramm_ = nullptr;
    QStringList settings_;
    QSet<QString> reportedSettings_;  // "name=value" already reported as not a number
    NotebookImage notebook_;
    QStringList folders_;  // the folder list shown in List_name
    WindowContext context_{*this};
    Instrument instrument_;
    int connectionRuns_ = 0;

    friend class WindowContext;
};

}  // namespace kvir
