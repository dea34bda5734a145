#include "ArchivePage.h"

#include "ArchiveTexts.h"
#include "NotebookView.h"
#include "ProtocolText.h"
#include "TagDelegate.h"
#include "TaggedRows.h"
#include "ToolIcons.h"
#include "instrument/MemoryLayout.h"
#include "instrument/ModelTable.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kvir {

namespace {

const QString kTagSave = QStringLiteral("s");
const QString kTagPrint = QStringLiteral("p");
constexpr int kTagColumnWidth = 24;

template <class W>
W* Named(W* widget, const char* name, const QString& accessible = {}) {
    widget->setObjectName(QString::fromLatin1(name));
    if (!accessible.isEmpty()) {
        widget->setAccessibleName(accessible);
    }
    return widget;
}

// The models the page offers, in the model table's order.
QList<DeviceModel> Models() {
    QList<DeviceModel> models;
    for (const ModelRow& row : ModelRows()) {
        models << row.model;
    }
    return models;
}

}  // namespace

ArchivePage::ArchivePage(ConsoleArchive& archive, OperatorDialogs& dialogs, const QLocale& locale,
                         QWidget* parent)
    : QWidget(parent), archive_(archive), dialogs_(dialogs), locale_(locale) {
    setObjectName(QStringLiteral("Page_archive"));
    setAccessibleName(kArchiveCaption);
    model_ = new ArchiveModel(locale_, this);
    model_->setTagHeader(QIcon(TagPicture(QStringLiteral("v"))));

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(2);
    page->addWidget(buildFilter());
    // The records, and beside them the snapshots and where the archive lives (one tab each),
    // with the archive's state always in view below.
    auto* split = Named(new QSplitter(Qt::Horizontal, this), "Split_archive");
    split->addWidget(buildRecords());
    auto* side = new QWidget(split);
    auto* column = new QVBoxLayout(side);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    auto* tabs = Named(new QTabWidget(side), "Tabs_archive");
    tabs->addTab(buildSnapshots(), QStringLiteral("Снимки блокнота"));
    tabs->addTab(buildLocation(), QStringLiteral("Где хранится"));
    column->addWidget(tabs, 1);
    Label_state = Named(new QLabel(side), "Label_state", QStringLiteral("Состояние архива"));
    Label_state->setWordWrap(true);
    Label_state->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(Label_state);
    split->addWidget(side);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    split->setSizes({440, 250});
    page->addWidget(split, 1);

    connect(model_, &ArchiveModel::totalCountChanged, this, [this](qint64 n) {
        Label_count->setText(QStringLiteral("Записей: ") + QString::number(n));
    });
    connect(model_, &ArchiveModel::archiveFailed, this, [this] { showState(); });
    connect(&archive_, &ConsoleArchive::changed, this, &ArchivePage::refresh);
    refresh();
}

QWidget* ArchivePage::buildFilter() {
    auto* box = Named(new QGroupBox(QStringLiteral("Отбор записей"), this), "Group_filter");
    // Two rows, so the page fits the window's design width: what to show, then when.
    auto* rows = new QVBoxLayout(box);
    rows->setContentsMargins(6, 2, 6, 2);
    rows->setSpacing(2);
    auto* row = new QHBoxLayout;
    auto* second = new QHBoxLayout;
    rows->addLayout(row);
    rows->addLayout(second);
    const auto labelled = [&](const QString& text, QWidget* field) {
        auto* label = new QLabel(text, box);
        label->setBuddy(field);
        field->setAccessibleName(text);
        row->addWidget(label);
        row->addWidget(field);
    };
    Combo_model = Named(new QComboBox(box), "Combo_model");
    for (const DeviceModel m : Models()) {
        Combo_model->addItem(DisplayName(m), static_cast<int>(m));
    }
    labelled(QStringLiteral("Прибор"), Combo_model);
    Combo_folder = Named(new QComboBox(box), "Combo_folder");
    Combo_folder->setEditable(true);
    Combo_folder->setInsertPolicy(QComboBox::NoInsert);
    Combo_folder->setMinimumWidth(150);
    labelled(QStringLiteral("Папка"), Combo_folder);
    Combo_mode = Named(new QComboBox(box), "Combo_mode");
    labelled(QStringLiteral("Режим"), Combo_mode);
    Combo_operator = Named(new QComboBox(box), "Combo_operator");
    Combo_operator->setEditable(true);
    Combo_operator->setInsertPolicy(QComboBox::NoInsert);
    Combo_operator->setMinimumWidth(150);
    labelled(QStringLiteral("Оператор"), Combo_operator);
    Check_period = Named(new QCheckBox(QStringLiteral("Период с"), box), "Check_period",
                         QStringLiteral("Период"));
    Date_from = Named(new QDateEdit(box), "Date_from", QStringLiteral("Начало периода"));
    Date_to = Named(new QDateEdit(box), "Date_to", QStringLiteral("Конец периода"));
    for (QDateEdit* edit : {Date_from, Date_to}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(locale_.dateFormat(QLocale::ShortFormat));
        edit->setEnabled(false);
        connect(Check_period, &QCheckBox::toggled, edit, &QWidget::setEnabled);
    }
    const QDate today = QDate::currentDate();
    Date_from->setDate(QDate(today.year(), today.month(), 1));
    Date_to->setDate(today);
    row->addStretch(1);
    row = second;
    row->addWidget(Check_period);
    row->addWidget(Date_from);
    row->addWidget(new QLabel(QStringLiteral("по"), box));
    row->addWidget(Date_to);
    But_find =
        Named(new QPushButton(QStringLiteral("Найти"), box), "But_find", QStringLiteral("Найти"));
    row->addWidget(But_find);
    Label_count = Named(new QLabel(box), "Label_count", QStringLiteral("Число записей"));
    row->addWidget(Label_count);
    row->addStretch(1);

    connect(But_find, &QPushButton::clicked, this, &ArchivePage::applyFilter);
    connect(Combo_model, &QComboBox::activated, this, [this] {
        fillModelLists();
        applyFilter();
    });
    return box;
}

QWidget* ArchivePage::buildRecords() {
    auto* panel = new QWidget(this);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    Table_records = Named(new QTableView(panel), "Table_records", QStringLiteral("Записи архива"));
    Table_records->setModel(model_);
    Table_records->setItemDelegateForColumn(ArchiveModel::kTagColumn,
                                            new TagDelegate(Table_records));
    Table_records->setSelectionMode(QAbstractItemView::ContiguousSelection);
    Table_records->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table_records->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table_records->setWordWrap(false);
    Table_records->verticalHeader()->setVisible(false);
    Table_records->verticalHeader()->setDefaultSectionSize(Table_records->fontMetrics().height() +
                                                           2);
    Table_records->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Table_records->setContextMenuPolicy(Qt::CustomContextMenu);
    column->addWidget(Table_records, 1);

    Menu_records = Named(new QMenu(Table_records), "Menu_records");
    const auto item = [this](const QString& text, const char* name) {
        QAction* action = Menu_records->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    a_select_all = item(QStringLiteral("Выбрать все"), "a_select_all");
    a_clear = item(QStringLiteral("Сбросить отметку"), "a_clear");
    a_save = item(QStringLiteral("Сохранить в файле"), "a_save");
    a_print = item(QStringLiteral("Напечатать"), "a_print");
    connect(Table_records, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { Menu_records->popup(Table_records->mapToGlobal(at)); });
    connect(a_select_all, &QAction::triggered, Table_records, &QTableView::selectAll);
    connect(a_clear, &QAction::triggered, this, [this] { tagSelection(QString()); });
    connect(a_save, &QAction::triggered, this, [this] { tagSelection(kTagSave); });
    connect(a_print, &QAction::triggered, this, [this] { tagSelection(kTagPrint); });

    auto* bar = Named(new QFrame(panel), "Panel_archive_tags");
    bar->setFrameShape(QFrame::StyledPanel);
    auto* buttons = new QHBoxLayout(bar);
    buttons->setContentsMargins(6, 3, 6, 3);
    const auto picture = [bar](ToolIcon icon, const QAction* same, const char* name) {
        auto* button = Named(new PictureButton(bar), name, same->text());
        button->setIcon(DrawToolIcon(icon, 28));
        button->setIconSize(QSize(28, 28));
        button->setFixedSize(40, 36);
        button->setToolTip(same->text());
        return button;
    };
    But_file = picture(ToolIcon::SaveToFile, a_save, "But_file");
    But_print = picture(ToolIcon::Print, a_print, "But_print");
    But_execute = Named(new QPushButton(QStringLiteral("Выполнить"), bar), "But_execute",
                        QStringLiteral("Выполнить"));
    connect(But_file, &QToolButton::clicked, a_save, &QAction::trigger);
    connect(But_print, &QToolButton::clicked, a_print, &QAction::trigger);
    connect(But_execute, &QPushButton::clicked, this, &ArchivePage::execute);
    buttons->addWidget(But_file);
    buttons->addWidget(But_print);
    buttons->addStretch(1);
    buttons->addWidget(But_execute);
    column->addWidget(bar);
    return panel;
}

QWidget* ArchivePage::buildSnapshots() {
    auto* box = Named(new QWidget(this), "Group_snapshots");
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(2, 2, 2, 2);
    Table_snapshots =
        Named(new QTableWidget(0, 6, box), "Table_snapshots", QStringLiteral("Снимки блокнота"));
    Table_snapshots->setHorizontalHeaderLabels(
        {QStringLiteral("Дата/Время"), QStringLiteral("Записей"), QStringLiteral("Новых"),
         QStringLiteral("Вид"), QStringLiteral("Прибор"), QStringLiteral("Оператор")});
    Table_snapshots->setWordWrap(false);
    Table_snapshots->verticalHeader()->setDefaultSectionSize(
        Table_snapshots->fontMetrics().height() + 4);
    Table_snapshots->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table_snapshots->setSelectionMode(QAbstractItemView::SingleSelection);
    Table_snapshots->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table_snapshots->verticalHeader()->setVisible(false);
    Table_snapshots->horizontalHeader()->setStretchLastSection(true);
    column->addWidget(Table_snapshots, 1);
    But_open_snapshot = Named(new QPushButton(QStringLiteral("Открыть в памяти"), box),
                              "But_open_snapshot", QStringLiteral("Открыть снимок в памяти"));
    column->addWidget(But_open_snapshot);
    connect(But_open_snapshot, &QPushButton::clicked, this, &ArchivePage::openCurrentSnapshot);
    connect(Table_snapshots, &QTableWidget::cellDoubleClicked, this,
            &ArchivePage::openCurrentSnapshot);
    return box;
}

QWidget* ArchivePage::buildLocation() {
    auto* box = Named(new QWidget(this), "Group_location");
    auto* form = new QFormLayout(box);
    form->setContentsMargins(6, 4, 6, 4);
    const auto field = [&](const QString& text, const char* name) {
        auto* edit = Named(new QLineEdit(box), name, text);
        form->addRow(text, edit);
        return edit;
    };
    Edit_host = field(QStringLiteral("Сервер"), "Edit_host");
    Edit_port = field(QStringLiteral("Порт"), "Edit_port");
    Edit_port->setText(QStringLiteral("5432"));
    Edit_database = field(QStringLiteral("База данных"), "Edit_database");
    Edit_user = field(QStringLiteral("Пользователь"), "Edit_user");
    Edit_schema = field(QStringLiteral("Схема"), "Edit_schema");
    Edit_schema->setToolTip(QStringLiteral(
        "Схема базы данных с таблицами архива; пустая — схема сервера по умолчанию"));
    Edit_password = field(QStringLiteral("Пароль"), "Edit_password");
    Edit_password->setEchoMode(QLineEdit::Password);
    Edit_password->setToolTip(
        QStringLiteral("Не сохраняется; пустой пароль берется из файла паролей PostgreSQL"));
    But_server = Named(new QPushButton(QStringLiteral("Подключиться к серверу"), box), "But_server",
                       QStringLiteral("Подключиться к серверу"));
    But_local = Named(new QPushButton(QStringLiteral("Локальный архив"), box), "But_local",
                      QStringLiteral("Локальный архив"));
    form->addRow(But_server);
    form->addRow(But_local);
    connect(But_server, &QPushButton::clicked, this, &ArchivePage::connectServer);
    connect(But_local, &QPushButton::clicked, this, &ArchivePage::useLocalFile);
    return box;
}

void ArchivePage::refresh() {
    fillSnapshots();
    if (!modelChosen_ && !snapshots_.isEmpty()) {
        // At first the model of the newest snapshot.
        modelChosen_ = true;
        Combo_model->setCurrentIndex(
            std::max(0, static_cast<int>(Models().indexOf(snapshots_.first().model))));
    }
    fillModelLists();
    model_->setArchive(archive_.archive());
    applyFilter();
    showState();
}

void ArchivePage::showModel(DeviceModel model) {
    const qsizetype i = Models().indexOf(model);
    modelChosen_ = true;
    if (i >= 0 && i != Combo_model->currentIndex()) {
        Combo_model->setCurrentIndex(static_cast<int>(i));
        fillModelLists();
        applyFilter();
    }
}

void ArchivePage::showRecord(qint64 recordId) {
    Archive* archive = archive_.archive();
    ArchivedRecord record;
    const ArchiveStatus status =
        archive != nullptr ? archive->record(recordId, &record) : archive_.status();
    if (status != ArchiveStatus::Ok) {
        dialogs_.Inform(
            status == ArchiveStatus::NotFound ? kRecordNotFound : ArchiveStatusText(status),
            kArchiveCaption);
        return;
    }
    modelChosen_ = true;
    Combo_model->setCurrentIndex(std::max(0, static_cast<int>(Models().indexOf(record.model))));
    fillModelLists();
    Combo_folder->setCurrentText(record.folder);
    Combo_mode->setCurrentIndex(0);
    Combo_operator->setCurrentText(QString());
    Check_period->setChecked(true);
    Date_from->setDate(DateOfSerial(record.stamp));
    Date_to->setDate(DateOfSerial(record.stamp));
    applyFilter();
    for (int row = 0;; ++row) {
        if (row >= model_->rowCount()) {
            if (!model_->canFetchMore({})) {
                return;
            }
            model_->fetchMore({});
        }
        if (row < model_->rowCount() && model_->record(row).id == recordId) {
            Table_records->selectRow(row);
            Table_records->scrollTo(model_->index(row, ArchiveModel::kFirstDataColumn));
            return;
        }
    }
}

void ArchivePage::fillModelLists() {
    const auto model = static_cast<DeviceModel>(Combo_model->currentData().toInt());
    const auto refill = [](QComboBox* box, const QStringList& items) {
        const QString kept = box->currentText();
        box->clear();
        box->addItem(QString());
        box->addItems(items);
        box->setCurrentText(kept);
    };
    QStringList folders;
    QStringList operators;
    if (Archive* archive = archive_.archive()) {
        archive->folderNames(model, &folders);
        archive->operators(&operators);
    }
    refill(Combo_folder, folders);
    refill(Combo_operator, operators);
    const int mode = Combo_mode->currentIndex();
    Combo_mode->clear();
    Combo_mode->addItem(QString(), -1);
    for (quint8 code = 0; code < 4; ++code) {
        Combo_mode->addItem(ModeLabel(model, code), code);
    }
    Combo_mode->setCurrentIndex(std::max(mode, 0));
}

ArchiveFilter ArchivePage::fieldsFilter() const {
    ArchiveFilter filter(static_cast<DeviceModel>(Combo_model->currentData().toInt()));
    filter.folder = Combo_folder->currentText();
    if (Check_period->isChecked()) {
        filter.from = Date_from->date();
        filter.to = Date_to->date();
    }
    filter.mode = Combo_mode->currentData().isValid() ? Combo_mode->currentData().toInt() : -1;
    filter.operatorName = Combo_operator->currentText();
    return filter;
}

void ArchivePage::applyFilter() {
    model_->setFilter(fieldsFilter());
    layoutColumns();
}

void ArchivePage::layoutColumns() {
    Table_records->setColumnWidth(ArchiveModel::kTagColumn, kTagColumnWidth);
    Table_records->setColumnHidden(ArchiveModel::kIdColumn, true);
    // Each column as wide as its header and the texts of the rows fetched.
    for (int c = ArchiveModel::kFirstDataColumn; c < ArchiveModel::kColumns; ++c) {
        Table_records->resizeColumnToContents(c);
    }
}

void ArchivePage::fillSnapshots() {
    snapshots_.clear();
    if (Archive* archive = archive_.archive()) {
        archive->snapshots(&snapshots_);
    }
    Table_snapshots->setRowCount(static_cast<int>(snapshots_.size()));
    for (int r = 0; r < snapshots_.size(); ++r) {
        const SnapshotInfo& s = snapshots_.at(r);
        const QStringList cells{ProtocolStamp(s.takenAt, locale_),
                                QString::number(s.records),
                                QString::number(s.newRecords),
                                SnapshotKindText(s),
                                DisplayName(s.model),
                                s.operatorName};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells.at(c));
            item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            Table_snapshots->setItem(r, c, item);
        }
    }
    Table_snapshots->resizeColumnsToContents();
}

void ArchivePage::showState() {
    const ArchiveLocation& where = archive_.location();
    if (where.kind == ArchiveLocation::Kind::Postgres) {
        Edit_host->setText(where.host);
        Edit_port->setText(QString::number(where.port));
        Edit_database->setText(where.database);
        Edit_user->setText(where.user);
        Edit_schema->setText(where.schema);
    }
    QString text = (where.kind == ArchiveLocation::Kind::Postgres ? QStringLiteral("Сервер: ")
                                                                  : QStringLiteral("Файл: ")) +
                   where.displayName();
    const ArchiveStatus status =
        model_->status() != ArchiveStatus::Ok ? model_->status() : archive_.status();
    if (archive_.archive() == nullptr) {
        text += QStringLiteral("\n") + ArchiveUnavailableText(archive_.status());
    } else if (status != ArchiveStatus::Ok) {
        text += QStringLiteral("\n") + ArchiveStatusText(status);
    }
    Label_state->setText(text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void ArchivePage::tagSelection(const QString& tag) {
    const QModelIndexList rows = Table_records->selectionModel()->selectedRows();
    int top = Table_records->currentIndex().row();
    int bottom = top;
    for (const QModelIndex& index : rows) {
        top = std::min(top < 0 ? index.row() : top, index.row());
        bottom = std::max(bottom, index.row());
    }
    for (int row = std::max(top, 0); top >= 0 && row <= bottom; ++row) {
        if (tag.isEmpty() || model_->tag(row).isEmpty()) {
            model_->setTag(row, tag);
        }
    }
}

void ArchivePage::execute() {
    QList<QStringList> save;
    QList<QStringList> print;
    for (int row = 0; row < model_->rowCount(); ++row) {
        const QString tag = model_->tag(row);
        if (tag == kTagSave) {
            save << model_->cells(row);
        } else if (tag == kTagPrint) {
            print << model_->cells(row);
        }
    }
    model_->clearTags();
    const QStringList headers = model_->headers();
    if (!save.isEmpty()) {
        if (const std::optional<QString> line = ExportRows(dialogs_, headers, save)) {
            emit protocolEntry(*line);
        }
    }
    if (!print.isEmpty() && PrintRows(dialogs_, headers, print)) {
        emit protocolEntry(QStringLiteral("Печать отчета архива для прибора ") +
                           DisplayName(model_->filter().model));
    }
}

void ArchivePage::openCurrentSnapshot() {
    const int row = Table_snapshots->currentRow();
    Archive* archive = archive_.archive();
    if (row < 0 || row >= snapshots_.size() || archive == nullptr) {
        return;
    }
    const SnapshotInfo& info = snapshots_.at(row);
    Notebook notebook;
    const ArchiveStatus status = archive->loadSnapshot(info.id, &notebook);
    if (status != ArchiveStatus::Ok) {
        dialogs_.Inform(ArchiveStatusText(status), kArchiveCaption);
        return;
    }
    // The protocol gets its line from the session once memory has taken the snapshot: the
    // operator may still decline to replace an unwritten notebook.
    emit openSnapshot(notebook, info);
}

void ArchivePage::connectServer() {
    ArchiveLocation server;
    server.kind = ArchiveLocation::Kind::Postgres;
    server.host = Edit_host->text().trimmed();
    bool ok = false;
    server.port = Edit_port->text().trimmed().toInt(&ok);
    server.database = Edit_database->text().trimmed();
    server.user = Edit_user->text().trimmed();
    server.schema = Edit_schema->text().trimmed();
    server.password = Edit_password->text();
    if (!ok || server.port <= 0 || server.port > 65535 || server.database.isEmpty()) {
        dialogs_.Inform(QStringLiteral("Укажите базу данных и порт сервера (число)"),
                        kArchiveCaption);
        return;
    }
    if (!IsSchemaName(server.schema)) {
        dialogs_.Inform(ArchiveStatusText(ArchiveStatus::BadSchema), kArchiveCaption);
        return;
    }
    const ArchiveStatus status = archive_.useServer(server);
    if (status != ArchiveStatus::Ok) {
        emit protocolEntry(QStringLiteral("Архив на сервере ") + server.displayName() +
                           QStringLiteral(" недоступен: ") + ArchiveStatusText(status) +
                           QStringLiteral(" (") + archive_.detail().trimmed() + u')');
        dialogs_.Inform(ArchiveStatusText(status), kArchiveCaption);
        return;
    }
    Edit_password->clear();
    emit protocolEntry(QStringLiteral("Архив на сервере ") + server.displayName());
}

void ArchivePage::useLocalFile() {
    const ArchiveStatus status = archive_.useLocalFile();
    emit protocolEntry(QStringLiteral("Архив в файле ") + archive_.location().file +
                       (status == ArchiveStatus::Ok
                            ? QString()
                            : QStringLiteral(": ") + ArchiveStatusText(status)));
    if (status != ArchiveStatus::Ok) {
        dialogs_.Inform(ArchiveUnavailableText(status), kArchiveCaption);
    }
}

}  // namespace kvir
