#include "RecordModel.h"

#include "TagDelegate.h"
#include "report/ArchiveTexts.h"
#include "report/NotebookView.h"
#include "session/NotebookEdits.h"

namespace kvir {

RecordModel::RecordModel(QLocale locale, QObject* parent)
    : QAbstractTableModel(parent), locale_(std::move(locale)) {}

void RecordModel::setNotebook(const Notebook& notebook) {
    beginResetModel();
    notebook_ = notebook;
    Rebuild();
    endResetModel();
    emit tagsChanged();
}

void RecordModel::setView(int view) {
    if (view == view_) {
        return;
    }
    beginResetModel();
    view_ = view;
    Rebuild();
    endResetModel();
}

void RecordModel::setUser(const QString& user) {
    if (user == user_) {
        return;
    }
    user_ = user;
    cells_.clear();
    if (!order_.empty()) {
        emit dataChanged(index(0, kLastDataColumn), index(rowCount() - 1, kLastDataColumn));
    }
}

void RecordModel::setHeaders(const QStringList& headers) {
    headers_ = headers;
    emit headerDataChanged(Qt::Horizontal, kFirstDataColumn, kLastDataColumn);
}

void RecordModel::setNewSlots(const QList<int>& chosen) {
    newIds_.clear();
    for (const int s : chosen) {
        if (s >= 0 && s < static_cast<int>(ids_.size())) {
            newIds_.insert(ids_[static_cast<size_t>(s)]);
        }
    }
    emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
}

void RecordModel::Rebuild() {
    cells_.clear();
    NotebookImage& image = notebook_.image;
    CompactNotebookImage(image);
    const int n = RecordCount(image);
    // A record is known by its folder and stored fields; identical readings are told apart
    // by their order.
    ids_.assign(static_cast<size_t>(n), QByteArray());
    QHash<QByteArray, int> seen;
    for (int s = 0; s < n; ++s) {
        const QByteArray key = RecordKey(notebook_, s);
        ids_[static_cast<size_t>(s)] = key + '#' + QByteArray::number(seen[key]++);
    }
    if (view_ == 2) {
        BuildDateOrder(image);
    } else {
        BuildFolderOrder(image, notebook_.folders);
    }
    const auto& order = view_ == 2 ? image.orderByDate : image.orderByFolder;
    order_.assign(order.begin(), order.begin() + n);
}

const QStringList& RecordModel::Cells(int row) const {
    auto cached = cells_.find(row);
    if (cached == cells_.end()) {
        const int slot = slotAt(row);
        cached = cells_.insert(row, slot < 0 ? QStringList()
                                             : RecordCells(notebook_.image, slot, notebook_.model,
                                                           notebook_.folders, user_, locale_));
    }
    return *cached;
}

int RecordModel::slotAt(int row) const {
    return row >= 0 && row < static_cast<int>(order_.size()) ? order_[static_cast<size_t>(row)]
                                                             : -1;
}

int RecordModel::rowOfSlot(int slot) const {
    const auto at = std::find(order_.begin(), order_.end(), slot);
    return at == order_.end() ? -1 : static_cast<int>(at - order_.begin());
}

QString RecordModel::tag(int row) const {
    const int slot = slotAt(row);
    return slot < 0 ? QString() : tags_.value(ids_[static_cast<size_t>(slot)]);
}

void RecordModel::setTag(int row, const QString& tag) {
    const int slot = slotAt(row);
    if (slot < 0 || this->tag(row) == tag) {
        return;
    }
    const QByteArray& id = ids_[static_cast<size_t>(slot)];
    if (tag.isEmpty()) {
        tags_.remove(id);
    } else {
        tags_.insert(id, tag);
    }
    emit dataChanged(index(row, kTagColumn), index(row, kTagColumn));
    emit tagsChanged();
}

void RecordModel::clearTags() {
    if (tags_.isEmpty()) {
        return;
    }
    tags_.clear();
    emit dataChanged(index(0, kTagColumn), index(rowCount() - 1, kTagColumn));
    emit tagsChanged();
}

QList<int> RecordModel::taggedSlots(const QString& tag) const {
    QList<int> chosen;
    for (int row = 0; row < records(); ++row) {
        if (this->tag(row) == tag) {
            chosen << slotAt(row);
        }
    }
    return chosen;
}

QList<QStringList> RecordModel::taggedCells(const QString& tag, const QList<int>& columns) const {
    QList<QStringList> rows;
    for (int row = 0; row < records(); ++row) {
        if (this->tag(row) == tag) {
            QStringList cells;
            for (const int c : columns) {
                cells << Cells(row).value(c - 1);
            }
            rows << cells;
        }
    }
    return rows;
}

int RecordModel::orphanTags(const QString& tag) const {
    QSet<QByteArray> present(ids_.begin(), ids_.end());
    int orphans = 0;
    for (auto t = tags_.cbegin(); t != tags_.cend(); ++t) {
        orphans += t.value() == tag && !present.contains(t.key()) ? 1 : 0;
    }
    return orphans;
}

int RecordModel::taggedCount() const {
    int tagged = 0;
    for (const QByteArray& id : ids_) {
        tagged += tags_.contains(id) ? 1 : 0;
    }
    return tagged;
}

int RecordModel::rowCount(const QModelIndex& parent) const {
    // An empty notebook shows one empty row.
    return parent.isValid() ? 0 : std::max(1, records());
}

int RecordModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kLastDataColumn + 1;
}

QVariant RecordModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole) {
        return {};
    }
    if (index.column() == kTagColumn) {
        return tag(index.row());
    }
    return Cells(index.row()).value(index.column() - 1);
}

QVariant RecordModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical) {
        if (role == Qt::DisplayRole) {
            const int slot = slotAt(section);
            return slot >= 0 && newIds_.contains(ids_[static_cast<size_t>(slot)]) ? kNewRecordMark
                                                                                  : QString();
        }
        return {};
    }
    if (section == kTagColumn && role == Qt::DecorationRole) {
        return QIcon(TagPicture(QStringLiteral("v")));
    }
    if (role == Qt::DisplayRole && section >= kFirstDataColumn && section <= kLastDataColumn) {
        return headers_.value(section - kFirstDataColumn);
    }
    return {};
}

}  // namespace kvir
