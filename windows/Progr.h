#pragma once
// The About window FProgramm: fixed text and an "ОК" button that hides it.

#include <QWidget>

class QLabel;
class QPushButton;

namespace kvir {

class TFProgramm : public QWidget {
    Q_OBJECT

  public:
    explicit TFProgramm(QWidget* parent = nullptr);

    QLabel* Label_purpose = nullptr;
    QLabel* Label_series = nullptr;
    QLabel* Label_version = nullptr;
    QLabel* Label_maker = nullptr;
    QPushButton* But_ok = nullptr;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace kvir
