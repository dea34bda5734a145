#include "TagDelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPainter>
#include <QPainterPath>

namespace kvir {

namespace {

QPixmap Canvas(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A red cross over a sheet: the record goes.
QPixmap DeletePicture() {
    QPixmap pixmap = Canvas(20);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.5, 1.5, 12, 16));
    p.setPen(QPen(QColor(200, 20, 20), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4, 4), QPointF(16, 17));
    p.drawLine(QPointF(16, 4), QPointF(4, 17));
    return pixmap;
}

// A blue diskette.
QPixmap SavePicture() {
    QPixmap pixmap = Canvas(19);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath body;
    body.moveTo(1.5, 1.5);
    body.lineTo(14.5, 1.5);
    body.lineTo(17.5, 4.5);
    body.lineTo(17.5, 17.5);
    body.lineTo(1.5, 17.5);
    body.closeSubpath();
    p.setPen(QPen(QColor(20, 40, 110), 1));
    p.setBrush(QColor(40, 80, 190));
    p.drawPath(body);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 225, 235));
    p.drawRect(QRectF(4, 2, 10, 5));  // shutter
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4, 10, 11, 7));  // label
    return pixmap;
}

// A printer with a sheet coming out.
QPixmap PrintPicture() {
    QPixmap pixmap = Canvas(16);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(80, 80, 80), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 0.5, 7, 6));  // paper in
    p.setBrush(QColor(150, 150, 160));
    p.drawRoundedRect(QRectF(0.5, 5.5, 15, 6), 1.5, 1.5);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.5, 9.5, 9, 6));  // paper out
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.drawLine(QPointF(5, 12), QPointF(11, 12));
    p.drawLine(QPointF(5, 14), QPointF(10, 14));
    return pixmap;
}

// A green tick.
QPixmap TickPicture() {
    QPixmap pixmap = Canvas(18);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(20, 140, 40), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath tick;
    tick.moveTo(3, 9);
    tick.lineTo(7, 14);
    tick.lineTo(15, 3);
    p.drawPath(tick);
    return pixmap;
}

}  // namespace

QPixmap TagPicture(const QString& tag) {
    if (tag == QLatin1String("d")) {
        return DeletePicture();
    }
    if (tag == QLatin1String("s")) {
        return SavePicture();
    }
    if (tag == QLatin1String("p")) {
        return PrintPicture();
    }
    if (tag == QLatin1String("v")) {
        return TickPicture();
    }
    return {};
}

void TagDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const {
    if (!TagPicture(index.data().toString()).isNull() || index.data().toString().isEmpty()) {
        PaintPicture(painter, option, index);
        return;
    }
    QStyledItemDelegate::paint(painter, option, index);
}

void TagDelegate::PaintPicture(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    // The cell's background (and selection) without its letter.
    QStyleOptionViewItem plain = option;
    initStyleOption(&plain, index);
    const QString tag = plain.text;
    plain.text.clear();
    const QWidget* widget = plain.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &plain, painter, widget);

    const QPixmap picture = TagPicture(tag);
    if (!picture.isNull()) {
        painter->save();
        painter->setClipRect(option.rect);
        painter->drawPixmap(option.rect.topLeft(), picture);
        painter->restore();
    }
}

void InstallTagPictures(QAbstractItemView* view) {
    if (qobject_cast<TagDelegate*>(view->itemDelegateForColumn(0)) == nullptr) {
        view->setItemDelegateForColumn(0, new TagDelegate(view));
    }
}

}  // namespace kvir
