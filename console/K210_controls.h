#pragma once
// The controls of the main window Ground_form, named as the product names them. The window
// class inherits them, so handlers and tests reach each control by its name.
//
// Grids: the header row of Tabl_sort_name_dat and Tabl_prop_wpad is the QTableWidget's
// horizontal header, so grid row r (r >= 1) of a fixed-header grid is table row r - 1 and a
// grid of "RowCount 2" has one table row. Tabl_identif has no header: row r is row r.

#include "ToolIcons.h"

#include <array>

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
class QWidget;

namespace kvir {

class ArchivePage;
class ChartPage;

struct GroundControls {
    QMenuBar* MainMenu1 = nullptr;
    QMenu* m_fail = nullptr;
    QAction* m_connekt = nullptr;
    QAction* m_open_backup = nullptr;
    QAction* m_contr_papka = nullptr;
    QAction* m_nastr = nullptr;
    QAction* m_exit = nullptr;
    QMenu* m_data = nullptr;
    QAction* m_sort_name = nullptr;
    QAction* m_sort_date = nullptr;
    QAction* m_archive = nullptr;
    QAction* m_chart = nullptr;
    QMenu* m_proekt = nullptr;
    QAction* m_proekt_info = nullptr;

    QFrame* Panel3 = nullptr;
    PictureButton* But_sort_name = nullptr;
    PictureButton* But_sort_date = nullptr;
    PictureButton* But_contr_papka = nullptr;
    PictureButton* But_nastr = nullptr;
    PictureButton* But_archive = nullptr;
    PictureButton* But_chart = nullptr;
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

    // The archive of every measurement read, and the chart of measurements over time.
    ArchivePage* Page_archive = nullptr;
    ChartPage* Page_chart = nullptr;

    QTimer* Timer1 = nullptr;
};

}  // namespace kvir
