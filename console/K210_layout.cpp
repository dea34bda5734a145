// The widgets of the main window: tool bar, main menu, the three pages and their controls.

#include "K210.h"

#include "TagDelegate.h"

#include "instrument/DeviceModel.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace kvir {

namespace {

constexpr QSize kDesignSize(760, 537);
constexpr int kToolBarWidth = 65;
constexpr QSize kToolButtonSize(60, 58);
constexpr int kProtInfoWidth = 286;
constexpr int kIdentHeight = 112;
constexpr int kGridColumnWidth = 128;
constexpr int kGridRowHeight = 16;
constexpr int kFolderListWidth = 144;
constexpr QSize kEditorButtonSize(147, 25);

template <class W>
W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QFrame* Bar(const char* name, QWidget* parent) {
    auto* bar = Named(new QFrame(parent), name);
    bar->setFrameShape(QFrame::StyledPanel);
    bar->setFrameShadow(QFrame::Raised);
    return bar;
}

// A text and its field: the label is the field's buddy and its text the field's accessible
// name.
QLabel* LabelFor(const QString& text, QWidget* field, const char* name, QWidget* parent) {
    auto* label = Named(new QLabel(text, parent), name);
    label->setBuddy(field);
    field->setAccessibleName(text);
    return label;
}

// A string grid in the product's look: info-tip background, whole-row selection, fixed row
// height, read-only cells.
void StyleGrid(QTableWidget* grid) {
    QPalette palette = grid->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::ToolTipBase));
    palette.setColor(QPalette::Text, palette.color(QPalette::ToolTipText));
    grid->setPalette(palette);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->verticalHeader()->setVisible(false);
    grid->verticalHeader()->setMinimumSectionSize(kGridRowHeight);
    grid->verticalHeader()->setDefaultSectionSize(
        std::max(kGridRowHeight, grid->fontMetrics().height() + 2));
    grid->horizontalHeader()->setDefaultSectionSize(kGridColumnWidth);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->setWordWrap(false);
    grid->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
}

QPushButton* Button(const QString& text, const char* name, QWidget* parent) {
    return Named(new QPushButton(text, parent), name);
}

}  // namespace

void TGround_form::BuildLayout() {
    setObjectName(QStringLiteral("Ground_form"));
    setWindowTitle(kModelNone);
    resize(kDesignSize);

    Timer1 = Named(new QTimer(this), "Timer1");
    Timer1->setInterval(100);

    BuildMenu();

    auto* central = new QWidget(this);
    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    BuildToolBar();
    row->addWidget(Panel3);

    Panel1 = Named(new QFrame(central), "Panel1");
    auto* clientLayout = new QVBoxLayout(Panel1);
    clientLayout->setContentsMargins(2, 2, 2, 2);
    Panel_nastr = Named(new QStackedWidget(Panel1), "Panel_nastr");
    clientLayout->addWidget(Panel_nastr);
    row->addWidget(Panel1, 1);

    Page_nastr = Named(new QTabWidget(Panel_nastr), "Page_nastr");
    Page_nastr->setAccessibleName(QStringLiteral("Настройки и протокол"));
    Tab_nastr = BuildSettingsTab();
    Tab_prot = BuildProtocolTab();
    Page_nastr->addTab(Tab_nastr, QStringLiteral("Настройки программы"));
    Page_nastr->addTab(Tab_prot, QStringLiteral("Протокол работы программы"));
    Panel_nastr->addWidget(Page_nastr);
    Panel_nastr->addWidget(BuildFolderPage());
    Panel_nastr->addWidget(BuildTablePage());
    BuildArchivePages();
    Panel_nastr->setCurrentWidget(Page_nastr);
    Page_nastr->setCurrentWidget(Tab_nastr);

    setCentralWidget(central);
}

void TGround_form::BuildMenu() {
    MainMenu1 = Named(new QMenuBar(this), "MainMenu1");
    const auto item = [this](QMenu* menu, const QString& text, const char* name) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    m_fail = Named(MainMenu1->addMenu(QStringLiteral("Файл")), "m_fail");
    m_connekt = item(m_fail, QStringLiteral("Подключиться"), "m_connekt");
    m_open_backup = item(m_fail, QStringLiteral("Открыть резервную копию…"), "m_open_backup");
    m_contr_papka = item(m_fail, QStringLiteral("Управление папками"), "m_contr_papka");
    m_nastr = item(m_fail, QStringLiteral("Настройки"), "m_nastr");
    m_exit = item(m_fail, QStringLiteral("Выход"), "m_exit");
    m_data = Named(MainMenu1->addMenu(QStringLiteral("Данные")), "m_data");
    m_sort_name = item(m_data, QStringLiteral("По папкам"), "m_sort_name");
    m_sort_date = item(m_data, QStringLiteral("По дате"), "m_sort_date");
    m_archive = item(m_data, QStringLiteral("Архив"), "m_archive");
    m_chart = item(m_data, QStringLiteral("График"), "m_chart");
    m_proekt = Named(MainMenu1->addMenu(QStringLiteral("О программе")), "m_proekt");
    m_proekt_info = item(m_proekt, QStringLiteral("О программе"), "m_proekt_info");
    setMenuBar(MainMenu1);
}

void TGround_form::BuildToolBar() {
    Panel3 = Named(new QFrame(this), "Panel3");
    Panel3->setFrameShape(QFrame::StyledPanel);
    Panel3->setFixedWidth(kToolBarWidth);
    Panel3->setAccessibleName(QStringLiteral("Панель команд"));
    auto* column = new QVBoxLayout(Panel3);
    column->setContentsMargins(2, 0, 3, 0);
    column->setSpacing(0);
    const auto make = [this, column](ToolIcon icon, const QAction* same, const char* name) {
        auto* button = Named(new PictureButton(Panel3), name);
        button->setFixedSize(kToolButtonSize);
        button->setIcon(DrawToolIcon(icon));
        button->setIconSize(QSize(44, 44));
        button->setToolTip(same->text());
        button->setAccessibleName(same->text());
        column->addWidget(button);
        return button;
    };
    But_sort_name = make(ToolIcon::Folders, m_sort_name, "But_sort_name");
    But_sort_date = make(ToolIcon::Calendar, m_sort_date, "But_sort_date");
    But_contr_papka = make(ToolIcon::FolderGear, m_contr_papka, "But_contr_papka");
    But_nastr = make(ToolIcon::Settings, m_nastr, "But_nastr");
    But_archive = make(ToolIcon::Archive, m_archive, "But_archive");
    But_chart = make(ToolIcon::Chart, m_chart, "But_chart");
    column->addSpacing(8);
    But_conect = make(ToolIcon::Connect, m_connekt, "But_conect");
    column->addSpacing(8);
    But_exit = make(ToolIcon::Exit, m_exit, "But_exit");
    column->addStretch(1);
}

QWidget* TGround_form::BuildSettingsTab() {
    auto* tab = Named(new QWidget(Page_nastr), "Tab_nastr");
    auto* page = new QVBoxLayout(tab);
    page->setContentsMargins(4, 4, 4, 0);
    page->setSpacing(4);

    // Connection parameters.
    GroupBox_conect =
        Named(new QGroupBox(QStringLiteral("Параметры подключения"), tab), "GroupBox_conect");
    auto* conect = new QGridLayout(GroupBox_conect);
    conect->setContentsMargins(8, 4, 8, 4);
    conect->setVerticalSpacing(2);
    conect->setHorizontalSpacing(10);
    Rbut_auto =
        Named(new QRadioButton(QStringLiteral("Автоопределение"), GroupBox_conect), "Rbut_auto");
    Rbut_handle =
        Named(new QRadioButton(QStringLiteral("Фиксированные параметры"), GroupBox_conect),
              "Rbut_handle");
    Rbut_auto->setChecked(true);
    ComboBox1 = Named(new QComboBox(GroupBox_conect), "ComboBox1");
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->setMinimumWidth(180);
    Label_port = LabelFor(QStringLiteral("Порт №"), ComboBox1, "Label_port", GroupBox_conect);
    Edit_net_adr = Named(new QLineEdit(QStringLiteral("1"), GroupBox_conect), "Edit_net_adr");
    Edit_net_adr->setMaximumWidth(80);
    Label_net_adr =
        LabelFor(QStringLiteral("Устройство №"), Edit_net_adr, "Label_net_adr", GroupBox_conect);
    conect->addWidget(Rbut_auto, 0, 0);
    conect->addWidget(Rbut_handle, 1, 0);
    conect->setColumnMinimumWidth(1, 24);
    conect->addWidget(Label_port, 0, 2);
    conect->addWidget(ComboBox1, 0, 3);
    conect->addWidget(Label_net_adr, 1, 2);
    conect->addWidget(Edit_net_adr, 1, 3, Qt::AlignLeft);
    conect->setColumnStretch(4, 1);
    page->addWidget(GroupBox_conect);

    // Start page.
    GroupBox_start =
        Named(new QGroupBox(QStringLiteral("Стартовая страница"), tab), "GroupBox_start");
    auto* start = new QHBoxLayout(GroupBox_start);
    start->setContentsMargins(8, 4, 8, 4);
    Rbut_sort_papka =
        Named(new QRadioButton(QStringLiteral("По папкам"), GroupBox_start), "Rbut_sort_papka");
    Rbut_sort_date =
        Named(new QRadioButton(QStringLiteral("По дате"), GroupBox_start), "Rbut_sort_date");
    Rbut_nastr = Named(new QRadioButton(QStringLiteral("Настройки"), GroupBox_start), "Rbut_nastr");
    Rbut_sort_date->setChecked(true);
    Chbut_fulekran =
        Named(new QCheckBox(QStringLiteral("Раскрывать во весь экран"), GroupBox_start),
              "Chbut_fulekran");
    start->addWidget(Rbut_sort_papka);
    start->addWidget(Rbut_sort_date);
    start->addWidget(Rbut_nastr);
    start->addStretch(1);
    start->addWidget(Chbut_fulekran);
    page->addWidget(GroupBox_start);

    // Users beside the column choice.
    Splitter1 = Named(new QSplitter(Qt::Horizontal, tab), "Splitter1");
    Splitter1->setChildrenCollapsible(false);
    GroupBox_registr = Named(
        new QGroupBox(
            QStringLiteral("Список работников                                      Пользователь"),
            Splitter1),
        "GroupBox_registr");
    auto* registr = new QHBoxLayout(GroupBox_registr);
    registr->setContentsMargins(6, 4, 6, 6);
    List_registr_name = Named(new QListWidget(GroupBox_registr), "List_registr_name");
    List_registr_name->setAccessibleName(QStringLiteral("Список работников"));
    List_registr_name->setMinimumWidth(110);
    List_registr_name->addItem(QStringLiteral(" "));  // the initial list: one blank entry
    registr->addWidget(List_registr_name, 1);
    auto* fields = new QVBoxLayout;
    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    Edit_reg_fam = Named(new QLineEdit(GroupBox_registr), "Edit_reg_fam");
    Edit_reg_name = Named(new QLineEdit(GroupBox_registr), "Edit_reg_name");
    Edit_reg_fas = Named(new QLineEdit(GroupBox_registr), "Edit_reg_fas");
    Label_reg_fam =
        LabelFor(QStringLiteral("Фамилия"), Edit_reg_fam, "Label_reg_fam", GroupBox_registr);
    Label_reg_name =
        LabelFor(QStringLiteral("Имя"), Edit_reg_name, "Label_reg_name", GroupBox_registr);
    Label_reg_fas =
        LabelFor(QStringLiteral("Отчество"), Edit_reg_fas, "Label_reg_fas", GroupBox_registr);
    form->addRow(Label_reg_fam, Edit_reg_fam);
    form->addRow(Label_reg_name, Edit_reg_name);
    form->addRow(Label_reg_fas, Edit_reg_fas);
    fields->addLayout(form);
    auto* regButtons = new QHBoxLayout;
    But_add_reg = Button(QStringLiteral("Добавить"), "But_add_reg", GroupBox_registr);
    But_del_reg = Button(QStringLiteral("Удалить"), "But_del_reg", GroupBox_registr);
    regButtons->addWidget(But_add_reg);
    regButtons->addWidget(But_del_reg);
    fields->addLayout(regButtons);
    fields->addStretch(1);
    registr->addLayout(fields, 1);

    GroupBox_col = Named(new QGroupBox(QStringLiteral("Отображение данных блокнота"), Splitter1),
                         "GroupBox_col");
    auto* col = new QVBoxLayout(GroupBox_col);
    col->setContentsMargins(6, 4, 6, 6);
    PageControl_col = Named(new QTabWidget(GroupBox_col), "PageControl_col");
    PageControl_col->setAccessibleName(QStringLiteral("Отображение данных блокнота"));
    const auto boxes = [this](std::array<QCheckBox*, 8>& set, const char* prefix,
                              const char* tabName, const QString& title) {
        auto* sheet = Named(new QWidget(PageControl_col), tabName);
        auto* grid = new QGridLayout(sheet);
        grid->setContentsMargins(6, 4, 6, 4);
        grid->setVerticalSpacing(1);
        for (int k = 0; k < 8; ++k) {
            auto* box = new QCheckBox(sheet);
            box->setObjectName(QString::fromLatin1(prefix) + QString::number(k + 1));
            // Caption and state come from the model's columns (SetColumnSet).
            box->setChecked(true);
            box->setEnabled(false);
            box->setAccessibleName(title + QStringLiteral(": столбец ") + QString::number(k + 2));
            grid->addWidget(box, k, 0);
            set[static_cast<std::size_t>(k)] = box;
        }
        grid->setRowStretch(8, 1);
        PageControl_col->addTab(sheet, title);
    };
    boxes(CheckBox, "CheckBox", "TabSheet_papka", QStringLiteral("По папкам"));
    boxes(CheckBoxd, "CheckBoxd", "TabSheet_date", QStringLiteral("По дате"));
    col->addWidget(PageControl_col);
    Splitter1->addWidget(GroupBox_registr);
    Splitter1->addWidget(GroupBox_col);
    Splitter1->setStretchFactor(0, 1);
    Splitter1->setStretchFactor(1, 1);
    page->addWidget(Splitter1, 1);

    // Bottom bar.
    Panel_save_nastr = Bar("Panel_save_nastr", tab);
    auto* bottom = new QHBoxLayout(Panel_save_nastr);
    bottom->setContentsMargins(6, 4, 6, 4);
    But_save_nastr =
        Button(QStringLiteral("Сохранить настройки"), "But_save_nastr", Panel_save_nastr);
    bottom->addWidget(But_save_nastr);
    bottom->addStretch(1);
    page->addWidget(Panel_save_nastr);
    return tab;
}

QWidget* TGround_form::BuildProtocolTab() {
    auto* tab = Named(new QWidget(Page_nastr), "Tab_prot");
    auto* page = new QVBoxLayout(tab);
    page->setContentsMargins(4, 4, 4, 0);
    page->setSpacing(4);
    auto* top = new QHBoxLayout;
    top->setSpacing(4);
    ListProt = Named(new QListWidget(tab), "ListProt");
    ListProt->setAccessibleName(QStringLiteral("Протокол работы программы"));
    top->addWidget(ListProt, 1);

    Panel_prot_info = Named(new QFrame(tab), "Panel_prot_info");
    Panel_prot_info->setFixedWidth(kProtInfoWidth);
    auto* info = new QVBoxLayout(Panel_prot_info);
    info->setContentsMargins(0, 0, 0, 0);
    info->setSpacing(4);
    Tabl_identif = Named(new QTableWidget(3, 2, Panel_prot_info), "Tabl_identif");
    StyleGrid(Tabl_identif);
    Tabl_identif->horizontalHeader()->setVisible(false);
    Tabl_identif->setFixedHeight(kIdentHeight);
    Tabl_identif->setAccessibleName(QStringLiteral("Идентификация прибора"));
    // The labels keep their full text; the values take the rest.
    Tabl_identif->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    Tabl_identif->horizontalHeader()->setStretchLastSection(true);
    Tabl_identif->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Tabl_prop_wpad = Named(new QTableWidget(1, 2, Panel_prot_info), "Tabl_prop_wpad");
    StyleGrid(Tabl_prop_wpad);
    Tabl_prop_wpad->setAccessibleName(QStringLiteral("Папки блокнота"));
    Tabl_prop_wpad->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    info->addWidget(Tabl_identif);
    info->addWidget(Tabl_prop_wpad, 1);
    top->addWidget(Panel_prot_info);
    page->addLayout(top, 1);

    Panel_prot_bottom = Bar("Panel_prot_bottom", tab);
    auto* bottom = new QHBoxLayout(Panel_prot_bottom);
    bottom->setContentsMargins(6, 4, 6, 4);
    But_clear_prot =
        Button(QStringLiteral("Очистить протокол"), "But_clear_prot", Panel_prot_bottom);
    But_save_prot =
        Button(QStringLiteral("Сохранить протокол"), "But_save_prot", Panel_prot_bottom);
    bottom->addWidget(But_clear_prot);
    bottom->addWidget(But_save_prot);
    bottom->addStretch(1);
    page->addWidget(Panel_prot_bottom);
    ResetIdentTables();
    return tab;
}

QWidget* TGround_form::BuildFolderPage() {
    Page_edit_name = Named(new QFrame(Panel_nastr), "Page_edit_name");
    Page_edit_name->setFrameShape(QFrame::Panel);
    Page_edit_name->setFrameShadow(QFrame::Sunken);
    Page_edit_name->setAccessibleName(QStringLiteral("Управление папками"));
    auto* page = new QVBoxLayout(Page_edit_name);
    page->setContentsMargins(1, 1, 1, 1);
    page->setSpacing(0);
    auto* top = new QHBoxLayout;
    top->setSpacing(0);
    List_name = Named(new QListWidget(Page_edit_name), "List_name");
    List_name->setFixedWidth(kFolderListWidth);
    List_name->setAccessibleName(QStringLiteral("Список папок"));
    top->addWidget(List_name);

    // Name field on the left, commands on the right, as designed.
    auto* work = new QHBoxLayout;
    work->setContentsMargins(0, 56, 0, 0);
    work->addStretch(2);
    auto* nameColumn = new QVBoxLayout;
    edit_name = Named(new QLineEdit(Page_edit_name), "edit_name");
    edit_name->setFixedWidth(kEditorButtonSize.width() - 10);
    Label3 = LabelFor(QStringLiteral("Имя папки (не более 16 символов)"), edit_name, "Label3",
                      Page_edit_name);
    Label3->setAlignment(Qt::AlignCenter);
    Label3->setWordWrap(true);
    Label3->setFixedWidth(kEditorButtonSize.width() - 10);
    nameColumn->addWidget(Label3);
    nameColumn->addWidget(edit_name);
    nameColumn->addStretch(1);
    work->addLayout(nameColumn);
    work->addStretch(1);
    auto* commands = new QVBoxLayout;
    commands->setSpacing(0);
    commands->addSpacing(16);
    const auto command = [this, commands](const QString& text, const char* name) {
        auto* button = Button(text, name, Page_edit_name);
        button->setFixedSize(kEditorButtonSize);
        commands->addWidget(button);
        return button;
    };
    But_new_name = command(QStringLiteral("Создать папку"), "But_new_name");
    But_rename_name = command(QStringLiteral("Переименовать папку"), "But_rename_name");
    Butt_del_name = command(QStringLiteral("Удалить папку"), "Butt_del_name");
    commands->addSpacing(23);
    Butt_clear_papka = command(QStringLiteral("Очистить папку"), "Butt_clear_papka");
    Butt_clear_all = command(QStringLiteral("Очистить все папки"), "Butt_clear_all");
    commands->addStretch(1);
    work->addLayout(commands);
    work->addStretch(2);
    top->addLayout(work, 1);
    page->addLayout(top, 1);

    Panel6 = Named(new QFrame(Page_edit_name), "Panel6");
    Panel6->setFrameShape(QFrame::Box);
    Panel6->setFixedHeight(41);
    auto* bottom = new QHBoxLayout(Panel6);
    bottom->setContentsMargins(29, 4, 6, 4);
    bottom->setSpacing(21);
    But_init_wpad = Button(QStringLiteral("Очистить блокнот"), "But_init_wpad", Panel6);
    But_save_wpad = Button(QStringLiteral("Обновить блокнот"), "But_save_wpad", Panel6);
    But_init_wpad->setFixedSize(kEditorButtonSize);
    But_save_wpad->setFixedSize(kEditorButtonSize);
    bottom->addWidget(But_init_wpad);
    bottom->addWidget(But_save_wpad);
    bottom->addStretch(1);
    page->addWidget(Panel6);
    return Page_edit_name;
}

QWidget* TGround_form::BuildTablePage() {
    Page_sort_name = Named(new QWidget(Panel_nastr), "Page_sort_name");
    auto* page = new QVBoxLayout(Page_sort_name);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(2);
    Tabl_sort_name_dat = Named(new QTableWidget(1, 10, Page_sort_name), "Tabl_sort_name_dat");
    InstallTagPictures(Tabl_sort_name_dat);
    StyleGrid(Tabl_sort_name_dat);
    Tabl_sort_name_dat->setSelectionMode(QAbstractItemView::ContiguousSelection);
    // Headers start where their text starts; the trailing blanks only give the width.
    Tabl_sort_name_dat->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Tabl_sort_name_dat->setAccessibleName(QStringLiteral("Записи блокнота"));
    Tabl_sort_name_dat->setContextMenuPolicy(Qt::CustomContextMenu);
    Tabl_sort_name_dat->installEventFilter(this);
    auto* tick = new QTableWidgetItem(DrawToolIcon(ToolIcon::Tick, 18), QString());
    Tabl_sort_name_dat->setHorizontalHeaderItem(0, tick);
    page->addWidget(Tabl_sort_name_dat, 1);

    Pmenu_tabl_sort = Named(new QMenu(Tabl_sort_name_dat), "Pmenu_tabl_sort");
    const auto item = [this](const QString& text, const char* name) {
        QAction* action = Pmenu_tabl_sort->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    p_menu_set_all = item(QStringLiteral("Выбрать все"), "p_menu_set_all");
    p_menu_clr = item(QStringLiteral("Сбросить отметку"), "p_menu_clr");
    p_menu_save = item(QStringLiteral("Сохранить в файле"), "p_menu_save");
    p_menu_print = item(QStringLiteral("Напечатать"), "p_menu_print");
    N7 = Pmenu_tabl_sort->addSeparator();
    N7->setObjectName(QStringLiteral("N7"));
    N7->setEnabled(false);
    p_menu_set_del = item(QStringLiteral("Отметить для удаления"), "p_menu_set_del");
    p_menu_clr_del = item(QStringLiteral("Сбросить отметку для удаления"), "p_menu_clr_del");

    Panel_zap = Bar("Panel_zap", Page_sort_name);
    auto* bottom = new QHBoxLayout(Panel_zap);
    bottom->setContentsMargins(6, 3, 6, 3);
    const auto picture = [this](ToolIcon icon, const QAction* same, const char* name) {
        auto* button = Named(new PictureButton(Panel_zap), name);
        button->setIcon(DrawToolIcon(icon, 28));
        button->setIconSize(QSize(28, 28));
        button->setFixedSize(40, 36);
        button->setToolTip(same->text());
        button->setAccessibleName(same->text());
        return button;
    };
    But_file_zap = picture(ToolIcon::SaveToFile, p_menu_save, "But_file_zap");
    But_print_zap = picture(ToolIcon::Print, p_menu_print, "But_print_zap");
    But_exe_zap = Button(QStringLiteral("Выполнить"), "But_exe_zap", Panel_zap);
    But_exe_zap->setFixedHeight(30);
    bottom->addWidget(But_file_zap);
    bottom->addWidget(But_print_zap);
    bottom->addSpacing(12);
    bottom->addWidget(But_exe_zap);
    bottom->addStretch(1);
    page->addWidget(Panel_zap);
    return Page_sort_name;
}

void TGround_form::ConnectHandlers() {
    using Handler = void (TGround_form::*)();
    const auto run = [this](Handler handler) {
        return [this, handler] { RunHandler([this, handler] { (this->*handler)(); }); };
    };
    const std::pair<QToolButton*, QAction*> tools[] = {
        {But_sort_name, m_sort_name},     {But_sort_date, m_sort_date},
        {But_contr_papka, m_contr_papka}, {But_nastr, m_nastr},
        {But_conect, m_connekt},          {But_exit, m_exit},
        {But_archive, m_archive},         {But_chart, m_chart},
    };
    const Handler toolHandlers[] = {
        &TGround_form::But_sort_nameClick,   &TGround_form::But_sort_dateClick,
        &TGround_form::But_contr_papkaClick, &TGround_form::But_nastrClick,
        &TGround_form::But_conectClick,      &TGround_form::m_exitClick,
        &TGround_form::But_archiveClick,     &TGround_form::But_chartClick,
    };
    for (std::size_t i = 0; i < std::size(tools); ++i) {
        connect(tools[i].first, &QToolButton::clicked, this, run(toolHandlers[i]));
        connect(tools[i].second, &QAction::triggered, this, run(toolHandlers[i]));
    }
    connect(m_proekt_info, &QAction::triggered, this, run(&TGround_form::m_proekt_infoClick));
    connect(m_open_backup, &QAction::triggered, this, run(&TGround_form::m_open_backupClick));
    connect(Timer1, &QTimer::timeout, this, run(&TGround_form::Timer1Timer));

    // Settings tab.
    connect(But_save_nastr, &QPushButton::clicked, this, run(&TGround_form::But_save_nastrClick));
    connect(List_registr_name, &QListWidget::itemClicked, this,
            run(&TGround_form::List_registr_nameClick));
    connect(List_registr_name, &QListWidget::currentRowChanged, this,
            run(&TGround_form::List_registr_nameClick));
    connect(But_add_reg, &QPushButton::clicked, this, run(&TGround_form::But_add_regClick));
    connect(But_del_reg, &QPushButton::clicked, this, run(&TGround_form::But_del_regClick));
    ComboBox1->installEventFilter(this);
    connect(ComboBox1, &QComboBox::activated, this, run(&TGround_form::ComboBox1Click));

    // Protocol tab.
    Tab_prot->installEventFilter(this);
    connect(But_clear_prot, &QPushButton::clicked, this, run(&TGround_form::But_clear_protClick));
    connect(But_save_prot, &QPushButton::clicked, this, run(&TGround_form::But_save_protClick));

    // Folder editor. A click on the list runs its action even when the entry does not change
    // (the viewport's mouse release); the keyboard changes the entry without a click.
    List_name->viewport()->installEventFilter(this);
    connect(List_name, &QListWidget::currentRowChanged, this, [this] {
        if (QGuiApplication::mouseButtons() == Qt::NoButton) {
            RunHandler([this] { List_nameClick(); });
        }
    });
    edit_name->installEventFilter(this);
    connect(But_new_name, &QPushButton::clicked, this, run(&TGround_form::But_new_nameClick));
    connect(But_rename_name, &QPushButton::clicked, this, run(&TGround_form::But_rename_nameClick));
    connect(Butt_del_name, &QPushButton::clicked, this, run(&TGround_form::Butt_del_nameClick));
    connect(Butt_clear_papka, &QPushButton::clicked, this,
            run(&TGround_form::Butt_clear_papkaClick));
    connect(Butt_clear_all, &QPushButton::clicked, this, run(&TGround_form::Butt_clear_allClick));
    connect(But_init_wpad, &QPushButton::clicked, this, run(&TGround_form::But_init_wpadClick));
    connect(But_save_wpad, &QPushButton::clicked, this, run(&TGround_form::But_save_wpadClick));

    // Record table.
    connect(Tabl_sort_name_dat, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) {
                Pmenu_tabl_sort->popup(Tabl_sort_name_dat->viewport()->mapToGlobal(at));
            });
    connect(p_menu_set_all, &QAction::triggered, this, run(&TGround_form::p_menu_set_allClick));
    connect(p_menu_clr, &QAction::triggered, this, run(&TGround_form::p_menu_clrClick));
    connect(p_menu_save, &QAction::triggered, this, run(&TGround_form::p_menu_saveClick));
    connect(But_file_zap, &QToolButton::clicked, this, run(&TGround_form::p_menu_saveClick));
    connect(p_menu_print, &QAction::triggered, this, run(&TGround_form::p_menu_printClick));
    connect(But_print_zap, &QToolButton::clicked, this, run(&TGround_form::p_menu_printClick));
    connect(p_menu_set_del, &QAction::triggered, this, run(&TGround_form::p_menu_set_delClick));
    connect(p_menu_clr_del, &QAction::triggered, this, run(&TGround_form::p_menu_clr_delClick));
    connect(But_exe_zap, &QPushButton::clicked, this, run(&TGround_form::But_exe_zapClick));
}

bool TGround_form::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ComboBox1 && event->type() == QEvent::FocusIn) {
        // Entering the box by the operator; not the window becoming active again or a
        // pop-up closing.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            RunHandler([this] { ComboBox1Enter(); });
        }
    } else if (watched == Tab_prot && event->type() == QEvent::Show) {
        RunHandler([this] { Tab_protShow(); });
    } else if (watched == List_name->viewport() && event->type() == QEvent::MouseButtonRelease &&
               static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        RunHandler([this] { List_nameClick(); });
    } else if (watched == edit_name && event->type() == QEvent::FocusOut) {
        RunHandler([this] { edit_nameExit(); });
    } else if (watched == Tabl_sort_name_dat && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        RunHandler([this, key] { Tabl_sort_name_datKeyDown(key); });
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace kvir
