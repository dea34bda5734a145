#include "ProtocolPage.h"

#include "OperatorDialogs.h"
#include "WidgetKit.h"
#include "WindowTexts.h"
#include "report/NotebookView.h"
#include "report/ProtocolText.h"
#include "session/TextFiles.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QListView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kvir {

namespace {

constexpr int kProtInfoWidth = 286;
constexpr int kIdentHeight = 112;

const QStringList kIdentLabels{QStringLiteral("Наименование прибора"), QStringLiteral("Версия ПО"),
                               QStringLiteral("Адрес блокнота")};
const QStringList kFolderHeaders{QStringLiteral("Список папок"),
                                 QStringLiteral("Количество записей")};

void SetCell(QTableWidget* grid, int row, int column, const QString& text) {
    if (QTableWidgetItem* item = grid->item(row, column)) {
        item->setText(text);
    } else {
        grid->setItem(row, column, new QTableWidgetItem(text));
    }
}

}  // namespace

ProtocolLog::ProtocolLog(QString path, QLocale locale, std::function<QDateTime()> now,
                         QObject* parent)
    : QStringListModel(parent),
      path_(std::move(path)),
      locale_(std::move(locale)),
      now_(std::move(now)) {}

void ProtocolLog::add(const QString& text) {
    const int row = rowCount();
    insertRows(row, 1);
    setData(index(row), ProtocolEntry(now_(), locale_, text));
}

void ProtocolLog::load() {
    if (const auto lines = LoadLines(path_)) {
        setStringList(*lines);
    }
}

bool ProtocolLog::save(FileFault* fault) const {
    return SaveLinesAtomically(path_, stringList(), fault);
}

ProtocolPage::ProtocolPage(ProtocolLog& log, OperatorDialogs& dialogs, QWidget* parent)
    : QWidget(parent), log_(log), dialogs_(dialogs) {
    setObjectName(QStringLiteral("Tab_prot"));
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(4, 4, 4, 0);
    page->setSpacing(4);
    auto* top = new QHBoxLayout;
    top->setSpacing(4);
    list_ = Named(new QListView(this), "ListProt");
    list_->setModel(&log_);
    list_->setAccessibleName(QStringLiteral("Протокол работы программы"));
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Long lines wrap rather than being cut, and the newest line stays in view.
    list_->setWordWrap(true);
    list_->setUniformItemSizes(false);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setResizeMode(QListView::Adjust);
    connect(&log_, &QAbstractItemModel::rowsInserted, list_, [this] { list_->scrollToBottom(); });
    top->addWidget(list_, 1);

    auto* info = Named(new QFrame(this), "Panel_prot_info");
    info->setFixedWidth(kProtInfoWidth);
    auto* infoColumn = new QVBoxLayout(info);
    infoColumn->setContentsMargins(0, 0, 0, 0);
    infoColumn->setSpacing(4);
    ident_ = Named(new QTableWidget(3, 2, info), "Tabl_identif");
    StyleGrid(ident_);
    ident_->horizontalHeader()->setVisible(false);
    ident_->setFixedHeight(kIdentHeight);
    ident_->setAccessibleName(QStringLiteral("Идентификация прибора"));
    // The labels keep their full text; the values take the rest.
    ident_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    ident_->horizontalHeader()->setStretchLastSection(true);
    ident_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    folders_ = Named(new QTableWidget(1, 2, info), "Tabl_prop_wpad");
    StyleGrid(folders_);
    folders_->setAccessibleName(QStringLiteral("Папки блокнота"));
    folders_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    infoColumn->addWidget(ident_);
    infoColumn->addWidget(folders_, 1);
    top->addWidget(info);
    page->addLayout(top, 1);

    auto* bar = Bar("Panel_prot_bottom", this);
    auto* bottom = new QHBoxLayout(bar);
    bottom->setContentsMargins(6, 4, 6, 4);
    auto* clear = Button(QStringLiteral("Очистить протокол"), "But_clear_prot", bar);
    auto* save = Button(QStringLiteral("Сохранить протокол"), "But_save_prot", bar);
    bottom->addWidget(clear);
    bottom->addWidget(save);
    bottom->addStretch(1);
    page->addWidget(bar);
    connect(clear, &QPushButton::clicked, this, [this] { log_.setStringList({}); });
    connect(save, &QPushButton::clicked, this, [this] {
        if (dialogs_.Ask(text::kAskSaveProtocol, text::kAttention) != DialogButton::Yes) {
            return;
        }
        FileFault fault = FileFault::None;
        if (!log_.save(&fault)) {
            dialogs_.Message(text::SaveFailedText(log_.path(), fault), text::kError,
                             DialogButtons::Ok, DialogIcon::Error, DialogButton::Ok);
        }
    });
    resetIdentification();
}

void ProtocolPage::SetLabels() {
    for (int row = 0; row < kIdentLabels.size(); ++row) {
        SetCell(ident_, row, 0, kIdentLabels.at(row));
    }
    folders_->setHorizontalHeaderLabels(kFolderHeaders);
}

void ProtocolPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    SetLabels();
    list_->scrollToBottom();
}

void ProtocolPage::resetIdentification() {
    ident_->setRowCount(3);
    for (int row = 0; row < 3; ++row) {
        SetCell(ident_, row, 1, QString());
    }
    // Header row and one empty row.
    folders_->setRowCount(1);
    SetCell(folders_, 0, 0, QString());
    SetCell(folders_, 0, 1, QString());
    SetLabels();
}

void ProtocolPage::showIdentification(const Identification& identification) {
    if (identification == Identification{}) {
        resetIdentification();
        return;
    }
    const QStringList values{identification.name, identification.version,
                             QString::number(identification.base)};
    for (int row = 0; row < 3; ++row) {
        SetCell(ident_, row, 1, values.at(row));
    }
}

void ProtocolPage::showFolders(const Notebook& notebook) {
    if (notebook.folders.isEmpty()) {
        return;
    }
    const QList<FolderCount> rows = FolderSummary(notebook.image, notebook.folders);
    folders_->setRowCount(static_cast<int>(rows.size()) + 1);
    for (int r = 0; r < rows.size(); ++r) {
        SetCell(folders_, r, 0, rows.at(r).name);
        SetCell(folders_, r, 1, QString::number(rows.at(r).records));
    }
    // The summary ends with one empty row.
    SetCell(folders_, static_cast<int>(rows.size()), 0, QString());
    SetCell(folders_, static_cast<int>(rows.size()), 1, QString());
}

}  // namespace kvir
