#include "Progress.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>

namespace kvir {

namespace {

constexpr QSize kClientSize(682, 107);
constexpr QPoint kDesignPosition(265, 443);
constexpr int kInitialMaximum = 21;

QProgressBar* MakeBar(QWidget* parent, const char* name, QPoint at) {
    auto* bar = new QProgressBar(parent);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setGeometry(QRect(at, QSize(505, 17)));
    bar->setRange(0, kInitialMaximum);
    bar->setValue(0);
    bar->setTextVisible(false);
    return bar;
}

// A bar's maximum and position as the window shows them: a position above the maximum
// fills the bar, and a maximum of 0 shows an empty bar (not Qt's busy indicator).
void SetBar(QProgressBar* bar, quint8 position, quint8 maximum) {
    if (maximum == 0) {
        bar->setRange(0, 1);
        bar->setValue(position > 0 ? 1 : 0);
        return;
    }
    bar->setRange(0, maximum);
    bar->setValue(std::min<int>(position, maximum));
}

}  // namespace

Tprogressmetr::Tprogressmetr(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::CustomizeWindowHint) {
    setObjectName(QStringLiteral("progressmetr"));
    setWindowTitle(QStringLiteral("progressmetr"));
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(kClientSize);
    move(kDesignPosition);
    Label1 = new QLabel(QStringLiteral("Папки"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(48, 14);
    progress_1 = MakeBar(this, "progress_1", QPoint(48, 32));
    progress_1->setAccessibleName(Label1->text());
    Label2 = new QLabel(QStringLiteral("Записи"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->move(48, 54);
    progress_2 = MakeBar(this, "progress_2", QPoint(48, 72));
    progress_2->setAccessibleName(Label2->text());
}

void Tprogressmetr::ShowProgress(int foldersPos, int foldersMax, int recordsPos, int recordsMax) {
    // The values are bytes: 300 is 44.
    const auto byte = [](int value) { return static_cast<quint8>(value); };
    SetBar(progress_1, byte(foldersPos), byte(foldersMax));
    SetBar(progress_2, byte(recordsPos), byte(recordsMax));
    repaint();
}

void Tprogressmetr::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

void Tprogressmetr::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    FormHide();
}

bool Tprogressmetr::event(QEvent* event) {
    if (event->type() == QEvent::WindowDeactivate) {
        FormDeactivate();
    }
    return QWidget::event(event);
}

void Tprogressmetr::FormClose() {
    hide();
}

void Tprogressmetr::FormDeactivate() {
    hide();
}

void Tprogressmetr::FormHide() {
    // Already invisible: hiding is what brought us here.
}

}  // namespace kvir
