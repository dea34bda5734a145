#pragma once
// The "График" page: the values of the chosen folders over time, one line per folder, for one
// quantity of the instrument's model, from the notebook in memory or, with "Весь архив"
// checked, from every archived record of the model chosen beside it. The operator chooses the
// quantity, the folders and the period; zooms with the wheel or a frame ("Весь диапазон" goes
// back); saves the chart as PNG or PDF and prints it on one page with a title and a legend.
//
// Each folder keeps its line (colour and kind) whatever the period, the quantity or whether the
// notebook or the archive is shown; the folder
// list shows it beside the folder's full name. At first the page charts the folders measured
// most recently in the period, a few at most ("Все" adds the rest).
//
// The page knows nothing of the main window. The window gives it the notebook after every
// change (setNotebook: the same notebook again keeps the zoom), selects the record a click
// reports (recordActivated, or archiveRecordActivated for an archived one). "Весь архив" reads
// the console's archive on a thread of its own with a progress bar; an archive that cannot be
// read is reported, never drawn in part. Every dialog goes through OperatorDialogs; what the
// activity protocol should keep comes out of activity().

#include "ChartData.h"
#include "archive/ArchiveTypes.h"

#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <QWidget>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QListWidget;
class QPainter;
class QLabel;
class QPrinter;
class QProgressBar;
class QPushButton;

namespace kvir {

class ChartArchiveLoader;
class ChartView;
class ConsoleArchive;
class OperatorDialogs;

struct ChartPageServices {
    OperatorDialogs* dialogs = nullptr;  // required
    QLocale locale = QLocale::system();  // regional formats of the axis, tooltips and titles
    std::function<QDateTime()> now;      // empty: the local clock
    ConsoleArchive* archive = nullptr;   // "Весь архив" reads it; nullptr: no such choice
};

class ChartPage final : public QWidget {
    Q_OBJECT

  public:
    explicit ChartPage(ChartPageServices services, QWidget* parent = nullptr);
    ~ChartPage() override;

    // ---- Data ---------------------------------------------------------------------------
    // The notebook in memory; kept as a copy, shown unless the archive is.
    void setNotebook(const Notebook& notebook);
    // Checks or unchecks "Весь архив" (reading the archive's records of the chosen model).
    void setShowArchive(bool show);
    // The model whose archived records "Весь архив" shows.
    void setArchiveModel(DeviceModel model);
    // Shows `records` as the archive's records of their model, as a load ends (benchmarks
    // hand them over directly). Ids are the archive's record ids.
    void setArchiveRecords(ChartData records);
    bool showsArchive() const;
    // A load of the archive is under way.
    bool isLoadingArchive() const;

    // ---- Choices (as the operator would make them) --------------------------------------
    // Chooses `quantity` when the model has it; false otherwise.
    bool setQuantity(ChartQuantity quantity);
    void setChosenFolders(const QStringList& folders);
    QStringList chosenFolders() const;
    void setPeriod(ChartPeriod period, const QDate& first = {}, const QDate& last = {});

    // ---- Output ---------------------------------------------------------------------------
    // The size of a saved PNG image, whatever the size of the page on screen.
    static constexpr QSize kPngSize{1600, 1000};
    // "Сохранить…": the file dialog (PNG or PDF), a question before replacing a file.
    void saveChart();
    // "Печать…": the print dialog, then one page.
    void printChart();
    // Title, legend and chart as a PNG image of `size` pixels.
    bool savePng(const QString& path, const QSize& size, QString* error) const;
    // The printed page (title line and chart) as a one-page PDF file.
    bool savePdf(const QString& path, QString* error) const;
    // The printed page on `printer`.
    bool printTo(QPrinter& printer, QString* error) const;
    // The title of the printed page and of a saved chart (wrapped, never cut).
    QString titleLine() const;

    ChartView* view() const { return view_; }

  signals:
    // A point of the notebook was clicked: the record's slot.
    void recordActivated(int slot);
    // A point of the archive was clicked: the record's id in the archive (the Архив page
    // shows it: ArchivePage::showRecord).
    void archiveRecordActivated(qint64 id);
    // A line for the activity protocol (a chart saved or printed, an archive not read).
    void activity(const QString& text);

  private:
    const ChartData& shownData() const;
    std::optional<ChartQuantityRow> chosenQuantity() const;
    StampRange chosenRange() const;
    // Fills the quantity box and the folder list from the shown data, keeping the choices.
    void fillChoices();
    // Builds the series from the shown data and the choices.
    void rebuild();
    // Starts reading the chosen model's records from the archive.
    void loadArchive();
    void onArchiveLoaded(const ChartData& records, ArchiveStatus status);
    void onRecordClicked(int record);
    void paintPage(QPainter& painter, const QRectF& page, double dotsPerInch) const;
    void renderChart(QPainter& painter, const QRectF& target, const QSize& logicalSize) const;
    QDateTime now() const;

    ChartPageServices services_;
    ChartData notebook_;
    std::optional<ChartData> archive_;
    QString archiveTrouble_;  // why the archive's records are not shown
    // Each folder's line, given in the order the page first saw the folders: the same in the
    // notebook and in the archive, whatever the period or quantity.
    QHash<QString, int> lineStyles_;
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
    QComboBox* modelBox_ = nullptr;
    QPushButton* wholeRange_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* print_ = nullptr;
    QProgressBar* loading_ = nullptr;
    ChartView* view_ = nullptr;
    ChartArchiveLoader* loader_ = nullptr;
};

}  // namespace kvir
