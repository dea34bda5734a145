#include "WidgetKit.h"

#include <QAbstractItemView>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

namespace kvir {

namespace {
constexpr int kGridColumnWidth = 128;
constexpr int kGridRowHeight = 16;
}  // namespace

QFrame* Bar(const char* name, QWidget* parent) {
    auto* bar = Named(new QFrame(parent), name);
    bar->setFrameShape(QFrame::StyledPanel);
    bar->setFrameShadow(QFrame::Raised);
    return bar;
}

QPushButton* Button(const QString& text, const char* name, QWidget* parent) {
    return Named(new QPushButton(text, parent), name);
}

QLabel* LabelFor(const QString& text, QWidget* field, const char* name, QWidget* parent) {
    auto* label = Named(new QLabel(text, parent), name);
    label->setBuddy(field);
    field->setAccessibleName(QString(text).remove(QLatin1Char('&')));
    return label;
}

void StyleGrid(QAbstractItemView* grid) {
    QPalette palette = grid->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::ToolTipBase));
    palette.setColor(QPalette::Text, palette.color(QPalette::ToolTipText));
    grid->setPalette(palette);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    if (auto* table = qobject_cast<QTableView*>(grid)) {
        table->verticalHeader()->setVisible(false);
        table->verticalHeader()->setMinimumSectionSize(kGridRowHeight);
        table->verticalHeader()->setDefaultSectionSize(
            std::max(kGridRowHeight, table->fontMetrics().height() + 2));
        table->horizontalHeader()->setDefaultSectionSize(kGridColumnWidth);
        table->horizontalHeader()->setHighlightSections(false);
        table->setWordWrap(false);
    }
}

}  // namespace kvir
