#include "RecordTablePage.h"

#include "OperatorDialogs.h"
#include "TagDelegate.h"
#include "TaggedRows.h"
#include "ToolIcons.h"
#include "WidgetKit.h"
#include "WindowTexts.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace kvir {

namespace {

constexpr int kTagColumnWidth = 24;
constexpr int kPixelsPerCharacter = 8;

}  // namespace

RecordTablePage::RecordTablePage(OperatorDialogs& dialogs, const QLocale& locale, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs), model_(new RecordModel(locale, this)) {
    setObjectName(QStringLiteral("Page_sort_name"));
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(2);
    table_ = Named(new QTableView(this), "Tabl_sort_name_dat");
    table_->setModel(model_);
    InstallTagPictures(table_);
    StyleGrid(table_);
    table_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    // Headers start where their text starts; the trailing blanks only give the width.
    table_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    table_->setAccessibleName(QStringLiteral("Записи блокнота"));
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    table_->installEventFilter(this);
    table_->setColumnWidth(RecordModel::kTagColumn, kTagColumnWidth);
    table_->setColumnHidden(RecordModel::kSlotColumn, true);
    page->addWidget(table_, 1);
    // The "новая" marks beside their rows show when there are any.
    connect(model_, &QAbstractItemModel::headerDataChanged, this, [this](Qt::Orientation o) {
        if (o == Qt::Vertical) {
            bool any = false;
            for (int row = 0; row < model_->records() && !any; ++row) {
                any = !model_->headerData(row, Qt::Vertical).toString().isEmpty();
            }
            table_->verticalHeader()->setVisible(any);
        }
    });
    BuildMenu();

    auto* bar = Bar("Panel_zap", this);
    auto* bottom = new QHBoxLayout(bar);
    bottom->setContentsMargins(6, 3, 6, 3);
    const auto picture = [bar](ToolIcon icon, const QAction* same, const char* name) {
        auto* button = Named(new PictureButton(bar), name);
        button->setIcon(DrawToolIcon(icon, 28));
        button->setIconSize(QSize(28, 28));
        button->setFixedSize(40, 36);
        button->setToolTip(same->text());
        button->setAccessibleName(same->text());
        connect(button, &QToolButton::clicked, same, &QAction::trigger);
        return button;
    };
    auto* save = menu_->findChild<QAction*>(QStringLiteral("p_menu_save"));
    auto* print = menu_->findChild<QAction*>(QStringLiteral("p_menu_print"));
    bottom->addWidget(picture(ToolIcon::SaveToFile, save, "But_file_zap"));
    bottom->addWidget(picture(ToolIcon::Print, print, "But_print_zap"));
    bottom->addSpacing(12);
    auto* execute = Button(QStringLiteral("Выполнить"), "But_exe_zap", bar);
    execute->setFixedHeight(30);
    connect(execute, &QPushButton::clicked, this, &RecordTablePage::Execute);
    bottom->addWidget(execute);
    bottom->addStretch(1);
    page->addWidget(bar);
}

void RecordTablePage::BuildMenu() {
    menu_ = Named(new QMenu(table_), "Pmenu_tabl_sort");
    const auto item = [this](const QString& text, const char* name, auto handler) {
        QAction* action = menu_->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    const auto tagUntagged = [this](const QString& tag) {
        return [this, tag] {
            Retag([&tag](const QString& old) { return old.isEmpty() ? tag : old; });
        };
    };
    item(QStringLiteral("Выбрать все"), "p_menu_set_all", [this] {
        if (model_->records() > 0) {
            table_->setCurrentIndex(model_->index(0, 0));
            table_->selectAll();
        }
    });
    item(QStringLiteral("Сбросить отметку"), "p_menu_clr",
         [this] { Retag([](const QString&) { return QString(); }); });
    item(QStringLiteral("Сохранить в файле"), "p_menu_save", tagUntagged(kTagSave));
    item(QStringLiteral("Напечатать"), "p_menu_print", tagUntagged(kTagPrint));
    QAction* separator = menu_->addSeparator();
    separator->setObjectName(QStringLiteral("N7"));
    separator->setEnabled(false);
    item(QStringLiteral("Отметить для удаления"), "p_menu_set_del", tagUntagged(kTagDelete));
    item(QStringLiteral("Сбросить отметку для удаления"), "p_menu_clr_del",
         [this] { Retag([](const QString& old) { return old == kTagDelete ? QString() : old; }); });
    connect(table_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { menu_->popup(table_->viewport()->mapToGlobal(at)); });
}

void RecordTablePage::showNotebook(const Notebook& notebook) {
    const int current = model_->slotAt(table_->currentIndex().row());
    model_->setNotebook(notebook);
    if (current >= 0) {
        if (const int row = model_->rowOfSlot(current); row >= 0) {
            table_->setCurrentIndex(model_->index(row, RecordModel::kFirstDataColumn));
        }
    }
}

void RecordTablePage::showView(int view, quint8 shown) {
    model_->setView(view);
    const QStringList headers = model_->headers();
    for (int k = 0; k < 8; ++k) {
        const int column = RecordModel::kFirstDataColumn + k;
        const bool visible = (shown & (1u << k)) != 0 && k < headers.size();
        table_->setColumnHidden(column, !visible);
        if (visible) {
            table_->setColumnWidth(column,
                                   kPixelsPerCharacter * static_cast<int>(headers.at(k).size()));
        }
    }
    model_->clearTags();
    // No data row is current after a view change.
    table_->clearSelection();
    table_->setCurrentIndex({});
}

void RecordTablePage::selectSlot(int slot) {
    const int row = model_->rowOfSlot(slot);
    if (row >= 0) {
        const QModelIndex at = model_->index(row, RecordModel::kFirstDataColumn);
        table_->setCurrentIndex(at);
        table_->scrollTo(at);
    }
}

bool RecordTablePage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == table_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        Retag([](const QString& old) { return old.isEmpty() ? kTagDelete : QString(); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void RecordTablePage::Retag(const std::function<QString(const QString&)>& change) {
    // The rows from the first to the last selected one; nothing when no data row is current.
    const QModelIndex current = table_->currentIndex();
    if (!current.isValid() || model_->slotAt(current.row()) < 0) {
        return;
    }
    int top = current.row();
    int bottom = current.row();
    for (const QModelIndex& index : table_->selectionModel()->selectedIndexes()) {
        top = std::min(top, index.row());
        bottom = std::max(bottom, index.row());
    }
    for (int row = top; row <= std::min(bottom, model_->records() - 1); ++row) {
        model_->setTag(row, change(model_->tag(row)));
    }
}

void RecordTablePage::Execute() {
    RecordModel& m = *model_;
    const bool save = !m.taggedSlots(kTagSave).isEmpty();
    const bool print = !m.taggedSlots(kTagPrint).isEmpty();
    const QList<int> remove = m.taggedSlots(kTagDelete);
    const int stale = m.orphanTags(kTagDelete);
    if (!save && !print && remove.isEmpty() && stale == 0) {
        emit status(text::kNothingTagged);
        dialogs_.Inform(text::kNothingTagged, text::kAttention, DialogIcon::Information);
        return;
    }
    QList<int> all;
    for (int c = RecordModel::kFirstDataColumn; c <= RecordModel::kLastDataColumn; ++c) {
        all << c;
    }
    if (save) {
        if (const std::optional<QString> line =
                ExportRows(dialogs_, m.headers(), m.taggedCells(kTagSave, all))) {
            emit protocolEntry(*line);
            emit status(*line);
        }
    }
    if (print) {
        QList<int> visible;
        QStringList headers;
        for (const int c : all) {
            if (!table_->isColumnHidden(c) && table_->columnWidth(c) > 0) {
                visible << c;
                headers << m.headers().value(c - RecordModel::kFirstDataColumn);
            }
        }
        if (PrintRows(dialogs_, headers, m.taggedCells(kTagPrint, visible))) {
            emit protocolEntry(text::PrintEntry(caption_));
            emit status(text::PrintEntry(caption_));
        }
    }
    // Every tag is cleared, whatever happens next.
    m.clearTags();
    if (stale > 0) {
        dialogs_.Inform(text::StaleTagsText(stale), text::kWarning);
    }
    if (!remove.isEmpty()) {
        emit deleteRequested(remove);
    }
}

}  // namespace kvir
