#include "SettingsPage.h"

#include "OperatorDialogs.h"
#include "Settings.h"
#include "WidgetKit.h"
#include "WindowTexts.h"
#include "instrument/Util_modbas.h"
#include "report/NotebookView.h"
#include "session/TextFiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFocusEvent>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

namespace kvir {

namespace {

// One bit per ticked box; with `shownOnly`, per box that is ticked and enabled (a column the
// table shows). The settings file keeps the ticks, enabled or not: before the model is known
// every box is disabled, and the choice must survive until it is.
quint8 CheckedMask(const std::array<QCheckBox*, 8>& boxes, bool shownOnly) {
    quint8 mask = 0;
    for (std::size_t k = 0; k < boxes.size(); ++k) {
        if (boxes[k]->isChecked() && (!shownOnly || boxes[k]->isEnabled())) {
            mask = static_cast<quint8>(mask | (1U << k));
        }
    }
    return mask;
}

}  // namespace

SettingsPage::SettingsPage(OperatorDialogs& dialogs, QString workDir, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs), workDir_(std::move(workDir)) {
    setObjectName(QStringLiteral("Tab_nastr"));
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(4, 4, 4, 0);
    page->setSpacing(4);

    // Connection parameters.
    auto* connection =
        Named(new QGroupBox(QStringLiteral("Параметры подключения"), this), "GroupBox_conect");
    auto* grid = new QGridLayout(connection);
    grid->setContentsMargins(8, 4, 8, 4);
    grid->setVerticalSpacing(2);
    grid->setHorizontalSpacing(10);
    auto_ = Named(new QRadioButton(QStringLiteral("Автоопределение"), connection), "Rbut_auto");
    fixed_ = Named(new QRadioButton(QStringLiteral("Фиксированные параметры"), connection),
                   "Rbut_handle");
    auto_->setChecked(true);
    port_ = Named(new QComboBox(connection), "ComboBox1");
    port_->setEditable(true);
    port_->setInsertPolicy(QComboBox::NoInsert);
    port_->setMinimumWidth(180);
    auto* portLabel = LabelFor(QStringLiteral("Порт №"), port_, "Label_port", connection);
    device_ = Named(new QLineEdit(QStringLiteral("1"), connection), "Edit_net_adr");
    device_->setMaximumWidth(80);
    // The device number is decimal digits only; what the settings file brings is shown as
    // it is and refused at the connection.
    device_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,10}")), device_));
    auto* deviceLabel =
        LabelFor(QStringLiteral("Устройство №"), device_, "Label_net_adr", connection);
    grid->addWidget(auto_, 0, 0);
    grid->addWidget(fixed_, 1, 0);
    grid->setColumnMinimumWidth(1, 24);
    grid->addWidget(portLabel, 0, 2);
    grid->addWidget(port_, 0, 3);
    grid->addWidget(deviceLabel, 1, 2);
    grid->addWidget(device_, 1, 3, Qt::AlignLeft);
    grid->setColumnStretch(4, 1);
    page->addWidget(connection);
    port_->installEventFilter(this);
    // The next visit to the box enters it again and rebuilds the list.
    connect(port_, &QComboBox::activated, this, [this] {
        QWidget* holder = parentWidget();
        while (holder != nullptr && qobject_cast<QTabWidget*>(holder) == nullptr) {
            holder = holder->parentWidget();
        }
        if (holder != nullptr) {
            holder->setFocus(Qt::OtherFocusReason);
        }
    });

    // Start page.
    auto* start =
        Named(new QGroupBox(QStringLiteral("Стартовая страница"), this), "GroupBox_start");
    auto* startRow = new QHBoxLayout(start);
    startRow->setContentsMargins(8, 4, 8, 4);
    startByFolder_ = Named(new QRadioButton(QStringLiteral("По папкам"), start), "Rbut_sort_papka");
    startByDate_ = Named(new QRadioButton(QStringLiteral("По дате"), start), "Rbut_sort_date");
    startSettings_ = Named(new QRadioButton(QStringLiteral("Настройки"), start), "Rbut_nastr");
    startByDate_->setChecked(true);
    fullScreen_ =
        Named(new QCheckBox(QStringLiteral("Раскрывать во весь экран"), start), "Chbut_fulekran");
    startRow->addWidget(startByFolder_);
    startRow->addWidget(startByDate_);
    startRow->addWidget(startSettings_);
    startRow->addStretch(1);
    startRow->addWidget(fullScreen_);
    page->addWidget(start);

    // Users beside the column choice.
    auto* splitter = Named(new QSplitter(Qt::Horizontal, this), "Splitter1");
    splitter->setChildrenCollapsible(false);
    auto* registr = Named(
        new QGroupBox(
            QStringLiteral("Список работников                                      Пользователь"),
            splitter),
        "GroupBox_registr");
    auto* registrRow = new QHBoxLayout(registr);
    registrRow->setContentsMargins(6, 4, 6, 6);
    users_ = Named(new QListWidget(registr), "List_registr_name");
    users_->setAccessibleName(QStringLiteral("Список работников"));
    users_->setMinimumWidth(110);
    users_->addItem(QStringLiteral(" "));  // the initial list: one blank entry
    registrRow->addWidget(users_, 1);
    auto* fields = new QVBoxLayout;
    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    surname_ = Named(new QLineEdit(registr), "Edit_reg_fam");
    name_ = Named(new QLineEdit(registr), "Edit_reg_name");
    patronymic_ = Named(new QLineEdit(registr), "Edit_reg_fas");
    form->addRow(LabelFor(QStringLiteral("Фамилия"), surname_, "Label_reg_fam", registr), surname_);
    form->addRow(LabelFor(QStringLiteral("Имя"), name_, "Label_reg_name", registr), name_);
    form->addRow(LabelFor(QStringLiteral("Отчество"), patronymic_, "Label_reg_fas", registr),
                 patronymic_);
    fields->addLayout(form);
    auto* userButtons = new QHBoxLayout;
    auto* add = Button(QStringLiteral("Добавить"), "But_add_reg", registr);
    auto* remove = Button(QStringLiteral("Удалить"), "But_del_reg", registr);
    userButtons->addWidget(add);
    userButtons->addWidget(remove);
    fields->addLayout(userButtons);
    fields->addStretch(1);
    registrRow->addLayout(fields, 1);
    connect(users_, &QListWidget::itemClicked, this, &SettingsPage::UserChosen);
    connect(users_, &QListWidget::currentRowChanged, this, &SettingsPage::UserChosen);
    connect(add, &QPushButton::clicked, this, &SettingsPage::AddUser);
    connect(remove, &QPushButton::clicked, this, &SettingsPage::DeleteUser);
    for (QLineEdit* field : {surname_, name_, patronymic_}) {
        connect(field, &QLineEdit::textChanged, this, &SettingsPage::viewChanged);
    }

    auto* columns = Named(new QGroupBox(QStringLiteral("Отображение данных блокнота"), splitter),
                          "GroupBox_col");
    auto* columnsBox = new QVBoxLayout(columns);
    columnsBox->setContentsMargins(6, 4, 6, 6);
    auto* sheets = Named(new QTabWidget(columns), "PageControl_col");
    sheets->setAccessibleName(QStringLiteral("Отображение данных блокнота"));
    const auto boxes = [this, sheets](std::array<QCheckBox*, 8>& set, const char* prefix,
                                      const char* tabName, const QString& title) {
        auto* sheet = Named(new QWidget(sheets), tabName);
        auto* sheetGrid = new QGridLayout(sheet);
        sheetGrid->setContentsMargins(6, 4, 6, 4);
        sheetGrid->setVerticalSpacing(1);
        for (int k = 0; k < 8; ++k) {
            auto* box = new QCheckBox(sheet);
            box->setObjectName(QString::fromLatin1(prefix) + QString::number(k + 1));
            // Caption and state come from the model's columns (showColumns).
            box->setChecked(true);
            box->setEnabled(false);
            box->setAccessibleName(title + QStringLiteral(": столбец ") + QString::number(k + 2));
            sheetGrid->addWidget(box, k, 0);
            set[static_cast<std::size_t>(k)] = box;
            connect(box, &QCheckBox::toggled, this, &SettingsPage::viewChanged);
        }
        sheetGrid->setRowStretch(8, 1);
        sheets->addTab(sheet, title);
    };
    boxes(byFolder_, "CheckBox", "TabSheet_papka", QStringLiteral("По папкам"));
    boxes(byDate_, "CheckBoxd", "TabSheet_date", QStringLiteral("По дате"));
    columnsBox->addWidget(sheets);
    splitter->addWidget(registr);
    splitter->addWidget(columns);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 1);
    page->addWidget(splitter, 1);

    // Bottom bar.
    auto* bar = Bar("Panel_save_nastr", this);
    auto* bottom = new QHBoxLayout(bar);
    bottom->setContentsMargins(6, 4, 6, 4);
    auto* saveButton = Button(QStringLiteral("Сохранить настройки"), "But_save_nastr", bar);
    bottom->addWidget(saveButton);
    bottom->addStretch(1);
    page->addWidget(bar);
    connect(saveButton, &QPushButton::clicked, this, [this] {
        // The caption saved is the window's: the last model the console worked with.
        save(window()->windowTitle());
    });
}

bool SettingsPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == port_ && event->type() == QEvent::FocusIn) {
        // Entering the box by the operator; not the window becoming active again or a
        // pop-up closing.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            entering_ = true;
            emit portsWanted();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SettingsPage::load(const QString& caption) {
    const QString path = QDir(workDir_).filePath(kSettingsFileName);
    if (const auto lines = LoadLines(path)) {
        settings_ = *lines;
    } else {
        save(caption);  // the settings list holds the lines even when writing failed
        if (const auto written = LoadLines(path)) {
            settings_ = *written;
        }
    }
    if (value(QStringLiteral("Connect")) == QStringLiteral("0")) {
        fixed_->setChecked(true);
    } else {
        auto_->setChecked(true);
    }
    device_->setText(value(QStringLiteral("NetAdres")));
    const int page = number(QStringLiteral("StartPage"), 1);
    (page == 0 ? startByFolder_ : page == 1 ? startByDate_ : startSettings_)->setChecked(true);
    fullScreen_->setChecked(value(QStringLiteral("StartEkran")) == QStringLiteral("1"));
    LoadUsers();
}

bool SettingsPage::save(const QString& caption) {
    if (port_->count() == 0 && port_->currentText().isEmpty()) {
        port_->addItem(QStringLiteral("COM0"));
        port_->setCurrentIndex(0);
    }
    SettingsState state;
    state.port = port();
    state.startPage = startPage();
    state.showColPapka = CheckedMask(byFolder_, false);
    state.showColDate = CheckedMask(byDate_, false);
    state.fullScreen = fullScreen_->isChecked();
    state.netAdres = device_->text();
    state.autoConnect = auto_->isChecked();
    state.pribor = caption;
    state.users = Users();
    // Later lookups see what was written last, even if the file could not take it.
    settings_ = BuildSettingsLines(state);
    reported_.clear();
    const QString path = QDir(workDir_).filePath(kSettingsFileName);
    FileFault fault = FileFault::None;
    if (!SaveLinesAtomically(path, settings_, &fault)) {
        dialogs_.Message(text::SaveFailedText(path, fault), text::kError, DialogButtons::Ok,
                         DialogIcon::Error, DialogButton::Ok);
        return false;
    }
    return true;
}

QString SettingsPage::value(const QString& name) const {
    return SettingValue(settings_, name);
}

int SettingsPage::number(const QString& name, int fallback) {
    const QString text = value(name);
    if (const auto parsed = ParseDecimal(text)) {
        return *parsed;
    }
    const QString key = name + u'=' + text;
    if (!reported_.contains(key)) {
        reported_.insert(key);
        dialogs_.Message(text::BadSettingText(name, text, fallback), text::kError,
                         DialogButtons::Ok, DialogIcon::Warning, DialogButton::Ok);
    }
    return fallback;
}

void SettingsPage::showPorts(const QStringList& entries, bool entering) {
    entering = entering || std::exchange(entering_, false);
    port_->clear();
    port_->addItems(entries);
    if (entering) {
        if (port_->count() > 0) {
            port_->setCurrentIndex(port_->count() - 1);
        } else {
            dialogs_.Message(text::kNoPorts, text::kError, DialogButtons::Ok, DialogIcon::Error,
                             DialogButton::Ok);
        }
        return;
    }
    // At start-up the settings' port, or the last entry when none equals it.
    const int index =
        port_->findText(value(QStringLiteral("port")), Qt::MatchExactly | Qt::MatchCaseSensitive);
    port_->setCurrentIndex(index >= 0 ? index : port_->count() - 1);
}

void SettingsPage::selectPort(int index, const QString& port) {
    if (index >= 0) {
        port_->setCurrentIndex(index);
    } else {
        port_->setEditText(port);
    }
}

QString SettingsPage::port() const {
    return port_->currentText();
}

std::optional<LinkInputs> SettingsPage::linkInputs() {
    const std::optional<quint8> device = ParseDeviceNumber(device_->text());
    if (!device) {
        dialogs_.Inform(text::BadDeviceNumberText(device_->text()), text::kError);
        return std::nullopt;
    }
    LinkInputs inputs;
    inputs.device = *device;
    inputs.port.named = port();
    const int index = port_->currentIndex();
    inputs.port.namedIndex = index >= 0 && port_->itemText(index) == inputs.port.named ? index : -1;
    for (int i = 0; i < port_->count(); ++i) {
        inputs.port.listed << port_->itemText(i);
    }
    inputs.port.automatic = auto_->isChecked();
    inputs.user = currentUser();
    return inputs;
}

int SettingsPage::startPage() const {
    return startByFolder_->isChecked() ? 0 : startByDate_->isChecked() ? 1 : 2;
}

bool SettingsPage::fullScreen() const {
    return fullScreen_->isChecked();
}

bool SettingsPage::autoConnect() const {
    return value(QStringLiteral("Connect")) == QStringLiteral("1");
}

void SettingsPage::showColumns(DeviceModel model) {
    const QStringList headers = ModelHeaders(model);
    if (headers.isEmpty()) {
        return;
    }
    const QSignalBlocker block(this);
    const auto apply = [&headers](const std::array<QCheckBox*, 8>& boxes, int mask) {
        for (int k = 0; k < 8; ++k) {
            QCheckBox* box = boxes[static_cast<std::size_t>(k)];
            const QSignalBlocker quiet(box);
            box->setEnabled(true);
            box->setText(headers.at(k));
            box->setChecked((mask & (1 << k)) != 0);
        }
    };
    apply(byFolder_, number(QStringLiteral("ShowColPapka"), 255));
    apply(byDate_, number(QStringLiteral("ShowColDate"), 255));
}

quint8 SettingsPage::shownColumns(int view) const {
    return CheckedMask(view == 2 ? byDate_ : byFolder_, true);
}

QString SettingsPage::currentUser() const {
    return surname_->text() + QLatin1Char(' ') + name_->text() + QLatin1Char(' ') +
           patronymic_->text();
}

QStringList SettingsPage::Users() const {
    QStringList entries;
    for (int i = 0; i < users_->count(); ++i) {
        entries.append(users_->item(i)->text());
    }
    return entries;
}

void SettingsPage::LoadUsers() {
    // Selecting the first entry does not fill the user fields.
    const QSignalBlocker blocker(users_);
    users_->clear();
    users_->addItems(UsersFromSettings(settings_));
    if (users_->count() > 0) {
        users_->setCurrentRow(0);
    }
}

void SettingsPage::UserChosen() {
    const QListWidgetItem* item = users_->currentItem();
    if (item == nullptr) {
        return;
    }
    const auto parts = SplitUserEntry(item->text());
    surname_->setText(parts[0]);
    name_->setText(parts[1]);
    patronymic_->setText(parts[2]);
}

void SettingsPage::AddUser() {
    if (surname_->text().isEmpty()) {
        dialogs_.Message(text::kEnterSurname, text::kError, DialogButtons::Ok, DialogIcon::Warning,
                         DialogButton::Ok);
        return;
    }
    const QString entry = JoinUserEntry(surname_->text(), name_->text(), patronymic_->text());
    if (Users().contains(entry)) {
        dialogs_.Message(text::kUserExists, text::kError, DialogButtons::Ok, DialogIcon::Warning,
                         DialogButton::Ok);
        return;
    }
    users_->addItem(entry);
}

void SettingsPage::DeleteUser() {
    QListWidgetItem* item = users_->currentItem();
    if (item == nullptr || !item->isSelected()) {
        return;
    }
    const QSignalBlocker blocker(users_);
    delete users_->takeItem(users_->row(item));
    // Nothing is selected afterwards, so a second click deletes nothing.
    users_->setCurrentRow(-1);
    users_->clearSelection();
}

}  // namespace kvir
