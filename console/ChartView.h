#pragma once
// The plot of the "График" page: one line per folder over a time axis and a value axis, drawn
// from the points that the plot's width can show (DecimatedIndices) and redrawn so on every
// zoom and resize. The mouse wheel zooms the time around the pointer, a frame drawn with the
// left button zooms into it, keys "+", "-" and Home do the same from the keyboard; a pointer
// resting on a point shows the record's folder, date-time and value, and a click on it
// reports the record. The plot has no legend of its own: the page's folder list shows each
// line beside its folder's name, and saved and printed charts draw one.

#include "ChartData.h"

#include <QChartView>
#include <QLocale>
#include <QPen>
#include <QPixmap>

#include <optional>
#include <vector>

class QCategoryAxis;
class QLineSeries;
class QRubberBand;
class QValueAxis;

namespace kvir {

class ChartView final : public QChartView {
    Q_OBJECT

  public:
    explicit ChartView(QWidget* parent = nullptr);
    ~ChartView() override;

    // The line of the series whose folder has index `style` in the data: one of twelve colours,
    // solid, dashed or dash-dotted, so that 36 folders are told apart. The same folder keeps
    // its line whatever the period or quantity.
    static QPen SeriesPen(int style);
    // A short piece of that line, for the folder list and the legend of a saved chart.
    static QPixmap SeriesSwatch(int style, const QSize& size);

    // What the plot shows, over its whole range. `data` must stay valid while it is shown;
    // without a quantity the plot is empty and shows `emptyText`.
    void setContent(const ChartData* data, const std::optional<ChartQuantityRow>& row,
                    std::vector<ChartSeriesData> series, const QLocale& locale,
                    const QString& emptyText = {});
    // The content and the shown ranges of `other`: a copy drawn at another size for printing
    // and export.
    void copyFrom(const ChartView& other);

    struct Range {
        double x0 = 0.0, x1 = 1.0;  // stamps
        double y0 = 0.0, y1 = 1.0;  // values
    };
    Range shownRange() const { return range_; }
    void setShownRange(const Range& range);
    // Every point of every series, with a margin.
    void showWholeRange();
    // Zoom into a rectangle of the viewport (clipped to the plot area).
    void zoomToRect(const QRectF& rect);
    // Time span times `factor` (below 1 zooms in), keeping the stamp under viewport x `atX`.
    void zoomTime(double factor, double atX);

    bool isEmpty() const { return series_.empty(); }
    const std::vector<ChartSeriesData>& seriesData() const { return series_; }
    const std::optional<ChartQuantityRow>& quantity() const { return row_; }
    const ChartData* data() const { return data_; }
    // The first and the last stamp of the points inside the shown time range.
    std::optional<std::pair<double, double>> shownStamps() const;

    // Viewport position of a value pair, and the record (index into the data's records)
    // whose point lies nearest to `pos`, within kPickRadius pixels.
    QPointF positionOf(double x, double y) const;
    std::optional<int> recordAt(const QPointF& pos) const;
    static constexpr double kPickRadius = 8.0;

    QCategoryAxis* timeAxis() const { return timeAxis_; }
    QValueAxis* valueAxis() const { return valueAxis_; }
    // Lays the chart out for the view's present size and redraws the series for it, now
    // rather than at the next event loop turn (used before rendering a copy).
    void layoutNow();

  signals:
    void recordClicked(int record);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // Axis ranges, ticks and the drawn points for the present range and plot width.
    void refresh();
    QRectF plotRect() const;  // the plot area in viewport coordinates
    static QPointF PositionIn(const QRectF& plot, const Range& range, double x, double y);

    const ChartData* data_ = nullptr;
    std::optional<ChartQuantityRow> row_;
    std::vector<ChartSeriesData> series_;
    std::vector<QLineSeries*> lines_;
    QLocale locale_;
    QString emptyText_;
    Range range_;
    int drawnColumns_ = 0;

    QCategoryAxis* timeAxis_ = nullptr;
    QValueAxis* valueAxis_ = nullptr;
    QRubberBand* band_ = nullptr;
    std::optional<QPoint> pressedAt_;
};

}  // namespace kvir
