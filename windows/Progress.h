#pragma once
// The progress window progressmetr: a small tool window with a folder bar and a record bar,
// shown by the console while it exchanges with the instrument. It never starts or stops
// anything itself.

#include <QWidget>

class QLabel;
class QProgressBar;

namespace kvir {

class Tprogressmetr : public QWidget {
    Q_OBJECT

  public:
    explicit Tprogressmetr(QWidget* parent = nullptr);

    // Sets both bars and repaints at once. Every value is taken as an unsigned 8-bit number
    // (modulo 256); a position beyond its maximum shows a full bar. Works while hidden too:
    // the bars show the values when the window is next shown.
    void ShowProgress(int foldersPos, int foldersMax, int recordsPos, int recordsMax);

    QLabel* Label1 = nullptr;
    QProgressBar* progress_1 = nullptr;
    QLabel* Label2 = nullptr;
    QProgressBar* progress_2 = nullptr;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;

  private:
    // The window vanishes when closed, when it stops being the active window and when it
    // is hidden; a running sequence goes on regardless.
    void FormClose();
    void FormDeactivate();
    void FormHide();
};

}  // namespace kvir
