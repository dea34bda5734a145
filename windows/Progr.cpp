#include "Progr.h"

#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kvir {

TFProgramm::TFProgramm(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint) {
    setObjectName(QStringLiteral("FProgramm"));
    setWindowTitle(QStringLiteral("О программе"));
    setAttribute(Qt::WA_QuitOnClose, false);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 18, 24, 14);
    column->setSpacing(6);
    const auto line = [this, column](const QString& text, const char* name, bool bold) {
        auto* label = new QLabel(text, this);
        label->setObjectName(QString::fromLatin1(name));
        label->setAlignment(Qt::AlignCenter);
        if (bold) {
            QFont font = label->font();
            font.setBold(true);
            font.setPointSizeF(font.pointSizeF() * 1.2);
            label->setFont(font);
        }
        column->addWidget(label);
        return label;
    };
    Label_purpose = line(QStringLiteral("Консоль управления блокнотом"), "Label_purpose", true);
    Label_series = line(QStringLiteral("приборов серии КВИР-xx0"), "Label_series", true);
    Label_version = line(QStringLiteral("Версия 1.1"), "Label_version", false);
    column->addSpacing(8);
    Label_maker = line(QStringLiteral("Лаборатория приборостроения\nслужба поддержки: "
                                      "support@kvir-lab.example"),
                       "Label_maker", false);
    column->addSpacing(8);
    But_ok = new QPushButton(QStringLiteral("ОК"), this);
    But_ok->setObjectName(QStringLiteral("But_ok"));
    But_ok->setDefault(true);
    column->addWidget(But_ok, 0, Qt::AlignHCenter);
    connect(But_ok, &QPushButton::clicked, this, &QWidget::hide);
    setFixedSize(sizeHint().expandedTo(QSize(340, 0)));
}

void TFProgramm::keyPressEvent(QKeyEvent* event) {
    // Esc closes the window as it closes any dialog.
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace kvir
