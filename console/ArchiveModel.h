#pragma once
// The archive's records as a table model in the record table's columns and formats: column 0
// the tag, column 1 the record's number in the archive (hidden, as the slot index is in the
// record table), columns 2 to 9 the model's eight data columns. Rows come page by page from the
// query as the view scrolls (canFetchMore / fetchMore); the whole set is never loaded. The
// count of every matching record is known from the start.

#include "archive/Archive.h"
#include "report/ArchivedRecordTexts.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QLocale>

#include <memory>

namespace kvir {

class ArchiveModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    static constexpr int kTagColumn = 0;
    static constexpr int kIdColumn = 1;
    static constexpr int kFirstDataColumn = 2;
    static constexpr int kColumns = 10;
    static constexpr int kPageRows = 256;

    explicit ArchiveModel(const QLocale& locale, QObject* parent = nullptr);

    // The archive the model reads (nullptr: none), from the next setFilter or refresh on.
    void setArchive(Archive* archive) { archive_ = archive; }
    // Runs `filter`: the count and the first page. Tags are cleared.
    ArchiveStatus setFilter(const ArchiveFilter& filter);
    // The same filter again (after a store): tags are cleared.
    ArchiveStatus refresh();

    const ArchiveFilter& filter() const { return filter_; }
    // Every record matching the filter, shown or not yet fetched.
    qint64 totalCount() const { return total_; }
    // The result of the last query (count, page).
    ArchiveStatus status() const { return status_; }

    const ArchivedRecord& record(int row) const { return rows_.at(row).record; }
    // The texts of the data columns of a fetched row.
    QStringList cells(int row) const;
    // The eight data column headers of the filter's model.
    QStringList headers() const;

    QString tag(int row) const { return rows_.at(row).tag; }
    void setTag(int row, const QString& tag);
    void clearTags();

    // The picture shown in the tag column's header (a QIcon from the page).
    void setTagHeader(const QVariant& decoration) { tagHeader_ = decoration; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

  signals:
    // After a new count (filter, refresh).
    void totalCountChanged(qint64 count);
    // A query failed; the rows fetched so far stay.
    void archiveFailed(ArchiveStatus status);

  private:
    struct Row {
        ArchivedRecord record;
        QString tag;
    };
    ArchiveStatus reload();

    Archive* archive_ = nullptr;
    ArchiveFilter filter_;
    QList<Row> rows_;
    qint64 total_ = 0;
    ArchiveStatus status_ = ArchiveStatus::Ok;
    QVariant tagHeader_;
    std::unique_ptr<ArchivedRecordTexts> texts_;
    // The texts of the row painted last: a view asks for a row's cells one after another.
    mutable int cachedRow_ = -1;
    mutable QStringList cachedCells_;
};

}  // namespace kvir
