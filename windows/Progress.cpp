#include "Progress.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

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
    // Above the main window and modal to it while an exchange runs.
    setWindowModality(Qt::WindowModal);
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
    But_cancel = new QPushButton(QStringLiteral("Отмена"), this);
    But_cancel->setObjectName(QStringLiteral("But_cancel"));
    But_cancel->setGeometry(QRect(QPoint(566, 62), QSize(100, 30)));
    Label_state = new QLabel(this);
    Label_state->setObjectName(QStringLiteral("Label_state"));
    Label_state->setGeometry(QRect(QPoint(48, 89), QSize(505, 17)));
    connect(But_cancel, &QPushButton::clicked, this, [this] {
        if (stop_ == Stop::Offered) {
            emit cancelRequested();
        }
    });
}

void Tprogressmetr::ShowProgress(int foldersPos, int foldersMax, int recordsPos, int recordsMax) {
    // The values are bytes: 300 is 44.
    const auto byte = [](int value) { return static_cast<quint8>(value); };
    SetBar(progress_1, byte(foldersPos), byte(foldersMax));
    SetBar(progress_2, byte(recordsPos), byte(recordsMax));
}

void Tprogressmetr::setStop(Stop stop) {
    stop_ = stop;
    But_cancel->setEnabled(stop == Stop::Offered);
    switch (stop) {
        case Stop::Offered:
            Label_state->clear();
            break;
        case Stop::Asked:
            Label_state->setText(QStringLiteral("Остановка после текущего запроса…"));
            break;
        case Stop::Locked:
            Label_state->setText(QStringLiteral("Идёт запись в прибор. Дождитесь окончания."));
            break;
    }
}

void Tprogressmetr::closeEvent(QCloseEvent* event) {
    // The window stays while the exchange runs; its close box stops a read like "Отмена".
    event->ignore();
    if (stop_ == Stop::Offered) {
        emit cancelRequested();
    }
}

void Tprogressmetr::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        if (stop_ == Stop::Offered) {
            emit cancelRequested();
        }
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace kvir
