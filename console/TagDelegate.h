#pragma once
// The tag column of the record table: the tags "d" (delete), "s" (save to a file) and "p"
// (print) drawn as pictures at the cell's top-left corner, an untagged cell left blank, and
// a tick in the column's header.

#include <QPixmap>
#include <QStyledItemDelegate>

class QAbstractItemView;

namespace kvir {

// The picture of a tag ("d" 20 px, "s" 19 px, "p" 16 px square) or of the header tick
// ("v", 18 px); a null pixmap for any other text.
QPixmap TagPicture(const QString& tag);

class TagDelegate final : public QStyledItemDelegate {
    Q_OBJECT
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

  private:
    void PaintPicture(QPainter* painter, const QStyleOptionViewItem& option,
                      const QModelIndex& index) const;
};

// Puts the delegate on column 0 of `table` and the tick into its header; doing it again
// changes nothing.
// Draws column 0 of `view` with the tag pictures.
void InstallTagPictures(QAbstractItemView* view);

}  // namespace kvir
