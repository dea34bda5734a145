#pragma once
// The progress window progressmetr: a small tool window with a folder bar and a record bar,
// shown by the console, above the main window and modal to it, for the whole of an exchange
// with the instrument. Its "Отмена" stops a read before the next request; once the first
// request that erases has been sent, the write cannot be stopped and the window says so.

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace kvir {

class Tprogressmetr : public QWidget {
    Q_OBJECT

  public:
    explicit Tprogressmetr(QWidget* parent = nullptr);

    // Sets both bars. Every value is taken as an unsigned 8-bit number (modulo 256); a
    // position beyond its maximum shows a full bar. Works while hidden too: the bars show the
    // values when the window is next shown.
    void ShowProgress(int foldersPos, int foldersMax, int recordsPos, int recordsMax);
    // The state of "Отмена": offered (a read may be stopped), asked (the operator pressed it,
    // the read stops after the current exchange), or locked (a write is under way).
    enum class Stop { Offered, Asked, Locked };
    void setStop(Stop stop);
    Stop stop() const { return stop_; }

    QLabel* Label1 = nullptr;
    QProgressBar* progress_1 = nullptr;
    QLabel* Label2 = nullptr;
    QProgressBar* progress_2 = nullptr;
    QLabel* Label_state = nullptr;
    QPushButton* But_cancel = nullptr;

  signals:
    // "Отмена" was pressed (or the window's close box, or Esc, while a read may be stopped).
    void cancelRequested();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    Stop stop_ = Stop::Offered;
};

}  // namespace kvir
