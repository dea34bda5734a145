#pragma once
// The record table's model: one row per record of the notebook in memory, in the active view's
// order (by folder or by date), with the tag column, the slot column and the eight data
// columns of the model. Tags belong to records, not to row positions: whatever refills or
// reorders the table, a tag stays with the record it was put on. A tag whose record is no
// longer in memory is kept aside until "Выполнить", which then reports it instead of acting
// on some other record.

#include "instrument/Notebook.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QHash>
#include <QLocale>
#include <QSet>
#include <QStringList>

namespace kvir {

inline const QString kTagDelete = QStringLiteral("d");
inline const QString kTagSave = QStringLiteral("s");
inline const QString kTagPrint = QStringLiteral("p");

class RecordModel final : public QAbstractTableModel {
    Q_OBJECT

  public:
    static constexpr int kTagColumn = 0;
    static constexpr int kSlotColumn = 1;
    static constexpr int kFirstDataColumn = 2;
    static constexpr int kLastDataColumn = 9;

    explicit RecordModel(QLocale locale, QObject* parent = nullptr);

    // The notebook to show; tags stay with their records. `view` 1 orders by folder, 2 by date.
    void setNotebook(const Notebook& notebook);
    void setView(int view);
    int view() const { return view_; }
    // The text of the user column.
    void setUser(const QString& user);
    // The data columns' headers (eight).
    void setHeaders(const QStringList& headers);
    QStringList headers() const { return headers_; }
    // Records the archive had never seen; they are marked "новая" beside their row.
    void setNewSlots(const QList<int>& chosen);

    // The slot a row shows; -1 for the empty row of an empty notebook.
    int slotAt(int row) const;
    int rowOfSlot(int slot) const;
    int records() const { return static_cast<int>(order_.size()); }

    QString tag(int row) const;
    void setTag(int row, const QString& tag);
    // Every tag cleared, those of records no longer in memory too.
    void clearTags();
    // Records in memory tagged `tag`, in row order.
    QList<int> taggedSlots(const QString& tag) const;
    // The texts of `columns` of every row tagged `tag`.
    QList<QStringList> taggedCells(const QString& tag, const QList<int>& columns) const;
    // Tags `tag` kept for records no longer in memory.
    int orphanTags(const QString& tag) const;
    // Records in memory with any tag.
    int taggedCount() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  signals:
    void tagsChanged();

  private:
    void Rebuild();
    const QStringList& Cells(int row) const;

    QLocale locale_;
    Notebook notebook_;
    int view_ = 1;
    QString user_;
    QStringList headers_;
    std::vector<int> order_;                 // row -> slot
    std::vector<QByteArray> ids_;            // slot -> the record's identity
    QHash<QByteArray, QString> tags_;        // identity -> tag
    QSet<QByteArray> newIds_;                // records the archive had never seen
    mutable QHash<int, QStringList> cells_;  // row -> texts of columns 1 to 9
};

}  // namespace kvir
