#include "ArchiveModel.h"

#include "report/NotebookView.h"

namespace kvir {

ArchiveModel::ArchiveModel(const QLocale& locale, QObject* parent)
    : QAbstractTableModel(parent), texts_(std::make_unique<ArchivedRecordTexts>(locale)) {}

ArchiveStatus ArchiveModel::setFilter(const ArchiveFilter& filter) {
    filter_ = filter;
    return reload();
}

ArchiveStatus ArchiveModel::refresh() {
    return reload();
}

ArchiveStatus ArchiveModel::reload() {
    beginResetModel();
    rows_.clear();
    cachedRow_ = -1;
    total_ = 0;
    status_ = ArchiveStatus::Ok;
    QList<ArchivedRecord> page;
    if (archive_ != nullptr && filter_.model != DeviceModel::None) {
        status_ = archive_->count(filter_, &total_);
        if (status_ == ArchiveStatus::Ok) {
            status_ = archive_->fetch(filter_, nullptr, kPageRows, &page);
        }
    }
    for (const ArchivedRecord& r : page) {
        rows_.append({r, QString()});
    }
    endResetModel();
    emit totalCountChanged(total_);
    if (status_ != ArchiveStatus::Ok) {
        emit archiveFailed(status_);
    }
    return status_;
}

QStringList ArchiveModel::cells(int row) const {
    if (row != cachedRow_) {
        cachedCells_ = texts_->cells(rows_.at(row).record);
        cachedRow_ = row;
    }
    return cachedCells_;
}

QStringList ArchiveModel::headers() const {
    return ModelHeaders(filter_.model);
}

void ArchiveModel::setTag(int row, const QString& tag) {
    if (rows_.at(row).tag == tag) {
        return;
    }
    rows_[row].tag = tag;
    const QModelIndex cell = index(row, kTagColumn);
    emit dataChanged(cell, cell, {Qt::DisplayRole});
}

void ArchiveModel::clearTags() {
    for (int row = 0; row < rows_.size(); ++row) {
        setTag(row, QString());
    }
}

int ArchiveModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ArchiveModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant ArchiveModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_.size()) {
        return {};
    }
    if (role == Qt::ToolTipRole && index.column() == kFirstDataColumn && archive_ != nullptr) {
        // The names the record's folder had before, when it was renamed.
        QStringList names;
        archive_->recordFolders(rows_.at(index.row()).record.id, &names);
        names.removeAll(rows_.at(index.row()).record.folder);
        return names.isEmpty() ? QVariant()
                               : QVariant(QStringLiteral("Прежнее имя папки: ") +
                                          names.join(QStringLiteral(", ")));
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    const int row = index.row();
    if (index.column() == kTagColumn) {
        return rows_.at(row).tag;
    }
    if (index.column() == kIdColumn) {
        return QString::number(rows_.at(row).record.id);
    }
    return cells(row).value(index.column() - kFirstDataColumn);
}

QVariant ArchiveModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (section == kTagColumn) {
        return role == Qt::DecorationRole ? tagHeader_ : QVariant();
    }
    if (role != Qt::DisplayRole || section < kFirstDataColumn) {
        return {};
    }
    // Without the blanks that pad the printed and exported columns: the view fits its columns
    // to their contents.
    return headers().value(section - kFirstDataColumn).trimmed();
}

bool ArchiveModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && archive_ != nullptr && status_ == ArchiveStatus::Ok &&
           rows_.size() < total_;
}

void ArchiveModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent)) {
        return;
    }
    QList<ArchivedRecord> page;
    const ArchivedRecord* after = rows_.isEmpty() ? nullptr : &rows_.last().record;
    status_ = archive_->fetch(filter_, after, kPageRows, &page);
    if (status_ != ArchiveStatus::Ok) {
        emit archiveFailed(status_);
        return;
    }
    if (page.isEmpty()) {
        total_ = rows_.size();  // records went away meanwhile: nothing more to fetch
        return;
    }
    const int first = static_cast<int>(rows_.size());
    beginInsertRows({}, first, first + static_cast<int>(page.size()) - 1);
    for (const ArchivedRecord& r : page) {
        rows_.append({r, QString()});
    }
    endInsertRows();
}

}  // namespace kvir
