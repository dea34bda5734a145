#pragma once
// The "График" page: the values of the chosen folders over time, one line per folder, for one
// quantity of the instrument's model, from the notebook in memory or, with "Весь архив"
// checked, from every archived record of that model. The operator chooses the quantity, the
// folders and the period; zooms with the wheel or a frame ("Весь диапазон" goes back); saves
// the chart as PNG or PDF and prints it on one page with a title line.
//
// The page knows nothing of the main window. The window gives it the notebook after every
// change (setNotebook), selects the record a click reports (recordActivated), and, once an
// archive exists, makes the check box available (setArchiveAvailable) and answers
// archiveRequested with setArchiveRecords. Every dialog goes through OperatorDialogs; what
// the activity protocol should keep comes out of activity().

#include "ChartData.h"

#include <QDateTime>
#include <QLocale>
#include <QWidget>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QListWidget;
class QPainter;
class QPrinter;
class QPushButton;

namespace kvir {

class ChartView;
class OperatorDialogs;

struct ChartPageServices {
    OperatorDialogs* dialogs = nullptr;  // required
    QLocale locale = QLocale::system();  // regional formats of the axis, tooltips and titles
    std::function<QDateTime()> now;      // empty: the local clock
};

class ChartPage final : public QWidget {
    Q_OBJECT

  public:
    explicit ChartPage(ChartPageServices services, QWidget* parent = nullptr);
    ~ChartPage() override;

    // ---- Data ---------------------------------------------------------------------------
    // The notebook in memory; kept as a copy, shown unless the archive is.
    void setNotebook(const Notebook& notebook);
    // Shows the "Весь архив" check box (hidden and unchecked without an archive).
    void setArchiveAvailable(bool available);
    // Every archived record of one model, the answer to archiveRequested; shown while the
    // box is checked. Ids are the archive's record ids.
    void setArchiveRecords(ChartData records);
    bool showsArchive() const;

    // ---- Choices (as the operator would make them) --------------------------------------
    // Chooses `quantity` when the model has it; false otherwise.
    bool setQuantity(ChartQuantity quantity);
    void setChosenFolders(const QStringList& folders);
    QStringList chosenFolders() const;
    void setPeriod(ChartPeriod period, const QDate& first = {}, const QDate& last = {});

    // ---- Output ---------------------------------------------------------------------------
    // "Сохранить…": the file dialog (PNG or PDF), a question before replacing a file.
    void saveChart();
    // "Печать…": the print dialog, then one page.
    void printChart();
    // The chart alone as a PNG image of `size` pixels.
    bool savePng(const QString& path, const QSize& size, QString* error) const;
    // The printed page (title line and chart) as a one-page PDF file.
    bool savePdf(const QString& path, QString* error) const;
    // The printed page on `printer`.
    bool printTo(QPrinter& printer, QString* error) const;
    // The title line of the printed page.
    QString titleLine() const;

    ChartView* view() const { return view_; }

  signals:
    // A point of the notebook was clicked: the record's slot.
    void recordActivated(int slot);
    // A point of the archive was clicked: the record's id in the archive.
    void archiveRecordActivated(qint64 id);
    // "Весь архив" was checked: the window should answer with setArchiveRecords.
    void archiveRequested(DeviceModel model);
    // A line for the activity protocol (a chart saved or printed).
    void activity(const QString& text);

  private:
    const ChartData& shownData() const;
    std::optional<ChartQuantityRow> chosenQuantity() const;
    // Fills the quantity box and the folder list from the shown data, keeping the choices.
    void fillChoices();
    // Builds the series from the shown data and the choices.
    void rebuild();
    void onRecordClicked(int record);
    void paintPage(QPainter& painter, const QRectF& page, double dotsPerInch) const;
    void renderChart(QPainter& painter, const QRectF& target, const QSize& logicalSize) const;
    QDateTime now() const;

    ChartPageServices services_;
    ChartData notebook_;
    std::optional<ChartData> archive_;
    DeviceModel quantityModel_ = DeviceModel::None;
    bool datesChosen_ = false;
    bool filling_ = false;

    QComboBox* quantityBox_ = nullptr;
    QComboBox* periodBox_ = nullptr;
    QDateEdit* fromEdit_ = nullptr;
    QDateEdit* toEdit_ = nullptr;
    QListWidget* folderList_ = nullptr;
    QPushButton* allFolders_ = nullptr;
    QPushButton* noFolders_ = nullptr;
    QCheckBox* archiveBox_ = nullptr;
    QPushButton* wholeRange_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* print_ = nullptr;
    ChartView* view_ = nullptr;
};

}  // namespace kvir
