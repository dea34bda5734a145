#pragma once
// Small helpers every page uses to build its controls in the product's look: object names as
// the product names them, labels that name their fields for accessibility, string grids.

#include <QString>

class QAbstractItemView;
class QFrame;
class QLabel;
class QPushButton;
class QWidget;

namespace kvir {

template <class W>
W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// A raised panel at the bottom of a page.
QFrame* Bar(const char* name, QWidget* parent);
QPushButton* Button(const QString& text, const char* name, QWidget* parent);
// A text and its field: the label is the field's buddy and its text the field's accessible
// name.
QLabel* LabelFor(const QString& text, QWidget* field, const char* name, QWidget* parent);
// A string grid in the product's look: info-tip background, whole-row selection, fixed row
// height, read-only cells.
void StyleGrid(QAbstractItemView* grid);

}  // namespace kvir
