#include "ChartView.h"

#include <QCategoryAxis>
#include <QGraphicsLayout>
#include <QLegend>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QTimer>
#include <QToolTip>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace kvir {

namespace {

// Distinct line colours, one per folder, repeated after the last.
const QColor kLineColors[] = {
    {31, 119, 180},  {214, 39, 40}, {44, 160, 44},  {255, 127, 14}, {148, 103, 189}, {140, 86, 75},
    {227, 119, 194}, {90, 90, 90},  {188, 189, 34}, {23, 190, 207}, {0, 70, 140},    {170, 100, 0},
};

constexpr double kMinuteSpan = 1.0 / 1440.0;  // the deepest zoom: one minute
constexpr double kLongestSpan = 200 * 365.25;
constexpr int kDragThreshold = 4;
// Markers are drawn while the points are at least this many pixels apart on average.
constexpr int kMarkerSpacing = 6;
// Pixels per value-axis tick.
constexpr double kValueTickSpacing = 45.0;

// The plot's height, or a usual one before the chart has been laid out.
double PlotHeight(const QRectF& plot) {
    return plot.height() > 1 ? plot.height() : 300.0;
}

// Decimals that show every multiple of `step`.
int DecimalsFor(double step) {
    for (int d = 0; d < 8; ++d) {
        const double scaled = step * std::pow(10.0, d);
        if (std::fabs(scaled - std::round(scaled)) < 1e-6 * std::max(1.0, scaled)) {
            return d;
        }
    }
    return 8;
}

}  // namespace

QPen ChartView::SeriesPen(int style) {
    constexpr int kColors = static_cast<int>(std::size(kLineColors));
    static const Qt::PenStyle kKinds[] = {Qt::SolidLine, Qt::DashLine, Qt::DashDotLine};
    const int index = std::max(style, 0);
    QPen pen(kLineColors[index % kColors], 2.0);
    pen.setStyle(kKinds[(index / kColors) % std::size(kKinds)]);
    return pen;
}

QPixmap ChartView::SeriesSwatch(int style, const QSize& size) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPen pen = SeriesPen(style);
    painter.setPen(pen);
    const double y = size.height() / 2.0;
    painter.drawLine(QPointF(1, y), QPointF(size.width() - 1, y));
    painter.setBrush(pen.color());
    painter.setPen(Qt::NoPen);
    const double r = std::min(size.height(), size.width()) / 4.0;
    painter.drawEllipse(QPointF(size.width() / 2.0, y), r, r);
    return pixmap;
}

QPointF ChartView::PositionIn(const QRectF& plot, const Range& range, double x, double y) {
    return {plot.left() + (x - range.x0) / (range.x1 - range.x0) * plot.width(),
            plot.bottom() - (y - range.y0) / (range.y1 - range.y0) * plot.height()};
}

ChartView::ChartView(QWidget* parent) : QChartView(parent) {
    setRenderHint(QPainter::Antialiasing);
    // The chart's items do not report every pixel they leave behind (markers of points that
    // moved or went): a whole repaint leaves nothing of an earlier plot drawn.
    setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
    setRubberBand(QChartView::NoRubberBand);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);

    QChart* c = chart();
    c->setBackgroundRoundness(0);
    c->setMargins(QMargins(4, 4, 8, 4));
    c->legend()->setVisible(false);
    c->setLocalizeNumbers(true);

    timeAxis_ = new QCategoryAxis;
    timeAxis_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    valueAxis_ = new QValueAxis;
    valueAxis_->setTickType(QValueAxis::TicksDynamic);
    valueAxis_->setTickAnchor(0.0);
    c->addAxis(timeAxis_, Qt::AlignBottom);
    c->addAxis(valueAxis_, Qt::AlignLeft);

    band_ = new QRubberBand(QRubberBand::Rectangle, viewport());
    band_->hide();

    // The plot area settles after a layout pass: redraw the series for its final width.
    connect(c, &QChart::plotAreaChanged, this, [this](const QRectF& plot) {
        if (std::abs(static_cast<int>(plot.width()) - drawnColumns_) > 2) {
            QTimer::singleShot(0, this, [this] { refresh(); });
        }
    });
}

ChartView::~ChartView() = default;

void ChartView::setContent(const ChartData* data, const std::optional<ChartQuantityRow>& row,
                           std::vector<ChartSeriesData> series, const QLocale& locale,
                           const QString& emptyText) {
    data_ = data;
    row_ = row;
    series_ = row ? std::move(series) : std::vector<ChartSeriesData>{};
    locale_ = locale;
    locale_.setNumberOptions(locale_.numberOptions() | QLocale::OmitGroupSeparator);
    emptyText_ = emptyText;

    QChart* c = chart();
    c->setLocale(locale_);
    c->removeAllSeries();
    lines_.clear();
    for (size_t i = 0; i < series_.size(); ++i) {
        auto* line = new QLineSeries;
        line->setName(series_[i].folder);
        line->setPen(SeriesPen(series_[i].style));
        line->setMarkerSize(6.0);
        c->addSeries(line);
        line->attachAxis(timeAxis_);
        line->attachAxis(valueAxis_);
        lines_.push_back(line);
    }
    valueAxis_->setTitleText(row_ ? ChartAxisTitle(*row_) : QString());
    c->setTitle(series_.empty() ? emptyText_ : QString());
    timeAxis_->setVisible(!series_.empty());
    valueAxis_->setVisible(!series_.empty());
    showWholeRange();
}

void ChartView::copyFrom(const ChartView& other) {
    setContent(other.data_, other.row_, other.series_, other.locale_, other.emptyText_);
    setShownRange(other.range_);
}

void ChartView::setShownRange(const Range& range) {
    range_ = range;
    refresh();
}

void ChartView::showWholeRange() {
    double x0 = std::numeric_limits<double>::infinity();
    double x1 = -x0;
    double y0 = x0;
    double y1 = -x0;
    for (const ChartSeriesData& s : series_) {
        x0 = std::min(x0, s.points.front().x);
        x1 = std::max(x1, s.points.back().x);
        for (const ChartPoint& p : s.points) {
            y0 = std::min(y0, p.y);
            y1 = std::max(y1, p.y);
        }
    }
    if (series_.empty()) {
        range_ = {};
        refresh();
        return;
    }
    const double xPad = x1 > x0 ? (x1 - x0) * 0.03 : 1.0;
    double yPad = y1 > y0 ? (y1 - y0) * 0.06 : std::max(std::fabs(y0) * 0.05, 0.5);
    // Value-axis ends on whole ticks.
    const double rows = std::max(2.0, PlotHeight(plotRect()) / kValueTickSpacing);
    const double step = NiceStep(y1 - y0 + 2 * yPad, static_cast<int>(rows));
    range_ = {x0 - xPad, x1 + xPad, std::floor((y0 - yPad) / step) * step,
              std::ceil((y1 + yPad) / step) * step};
    refresh();
}

void ChartView::zoomToRect(const QRectF& rect) {
    const QRectF plot = plotRect();
    const QRectF r = rect.normalized().intersected(plot);
    if (r.width() < 3 || r.height() < 3 || plot.isEmpty()) {
        return;
    }
    const double dx = (range_.x1 - range_.x0) / plot.width();
    const double dy = (range_.y1 - range_.y0) / plot.height();
    Range zoomed;
    zoomed.x0 = range_.x0 + (r.left() - plot.left()) * dx;
    zoomed.x1 = range_.x0 + (r.right() - plot.left()) * dx;
    zoomed.y0 = range_.y0 + (plot.bottom() - r.bottom()) * dy;
    zoomed.y1 = range_.y0 + (plot.bottom() - r.top()) * dy;
    if (zoomed.x1 - zoomed.x0 < kMinuteSpan) {
        const double mid = (zoomed.x0 + zoomed.x1) / 2;
        zoomed.x0 = mid - kMinuteSpan / 2;
        zoomed.x1 = mid + kMinuteSpan / 2;
    }
    setShownRange(zoomed);
}

void ChartView::zoomTime(double factor, double atX) {
    const QRectF plot = plotRect();
    if (plot.isEmpty() || !(factor > 0)) {
        return;
    }
    const double t = std::clamp((atX - plot.left()) / plot.width(), 0.0, 1.0);
    const double span = range_.x1 - range_.x0;
    const double anchor = range_.x0 + t * span;
    const double zoomed = std::clamp(span * factor, kMinuteSpan, kLongestSpan);
    Range r = range_;
    r.x0 = anchor - t * zoomed;
    r.x1 = r.x0 + zoomed;
    setShownRange(r);
}

std::optional<std::pair<double, double>> ChartView::shownStamps() const {
    std::optional<std::pair<double, double>> shown;
    for (const ChartSeriesData& s : series_) {
        const auto first = std::lower_bound(s.points.begin(), s.points.end(), range_.x0,
                                            [](const ChartPoint& p, double x) { return p.x < x; });
        const auto end = std::upper_bound(first, s.points.end(), range_.x1,
                                          [](double x, const ChartPoint& p) { return x < p.x; });
        if (first == end) {
            continue;
        }
        const double a = first->x;
        const double b = std::prev(end)->x;
        shown = shown ? std::pair{std::min(shown->first, a), std::max(shown->second, b)}
                      : std::pair{a, b};
    }
    return shown;
}

QRectF ChartView::plotRect() const {
    const QRectF plot = chart()->mapRectToScene(chart()->plotArea());
    return viewportTransform().mapRect(plot);
}

QPointF ChartView::positionOf(double x, double y) const {
    return PositionIn(plotRect(), range_, x, y);
}

std::optional<int> ChartView::recordAt(const QPointF& pos) const {
    const QRectF plot = plotRect();
    if (plot.isEmpty() ||
        !plot.adjusted(-kPickRadius, -kPickRadius, kPickRadius, kPickRadius).contains(pos)) {
        return std::nullopt;
    }
    const double perPixel = (range_.x1 - range_.x0) / plot.width();
    const double at = range_.x0 + (pos.x() - plot.left()) * perPixel;
    const double from = at - kPickRadius * perPixel;
    const double to = at + kPickRadius * perPixel;
    std::optional<int> best;
    double bestDistance = kPickRadius * kPickRadius;
    for (const ChartSeriesData& s : series_) {
        auto it = std::lower_bound(s.points.begin(), s.points.end(), from,
                                   [](const ChartPoint& p, double x) { return p.x < x; });
        for (; it != s.points.end() && it->x <= to; ++it) {
            const QPointF p = PositionIn(plot, range_, it->x, it->y);
            const double d =
                (p.x() - pos.x()) * (p.x() - pos.x()) + (p.y() - pos.y()) * (p.y() - pos.y());
            if (d <= bestDistance) {
                bestDistance = d;
                best = it->record;
            }
        }
    }
    return best;
}

void ChartView::layoutNow() {
    if (QGraphicsLayout* layout = chart()->layout()) {
        layout->activate();
    }
    refresh();
    if (QGraphicsLayout* layout = chart()->layout()) {
        layout->activate();
    }
}

void ChartView::refresh() {
    const QRectF plot = plotRect();
    const int columns =
        std::max(1, static_cast<int>(plot.width() > 1 ? plot.width() : width() - 100));
    drawnColumns_ = columns;

    // Every change of an axis range makes each line recompute its outline over all its
    // points; emptied first, the lines do that once, for their new points.
    for (QLineSeries* line : lines_) {
        line->clear();
    }
    timeAxis_->setRange(range_.x0, range_.x1);
    valueAxis_->setRange(range_.y0, range_.y1);

    // Time ticks far enough apart for their labels.
    const QFontMetricsF metrics(timeAxis_->labelsFont());
    const bool withTime = range_.x1 - range_.x0 < 8.0;
    const QString widest = locale_.toString(QDate(2000, 12, 28), QLocale::ShortFormat) +
                           (withTime ? QStringLiteral(" 00:00") : QString());
    const int maxTicks =
        std::max(2, static_cast<int>(columns / (metrics.horizontalAdvance(widest) + 24)));
    for (const QString& label : timeAxis_->categoriesLabels()) {
        timeAxis_->remove(label);
    }
    timeAxis_->setStartValue(range_.x0);
    for (const TimeTick& tick : TimeTicks(range_.x0, range_.x1, maxTicks, locale_)) {
        timeAxis_->append(tick.label, tick.x);
    }

    const double rows = std::max(2.0, PlotHeight(plot) / kValueTickSpacing);
    const double step = NiceStep(range_.y1 - range_.y0, static_cast<int>(rows));
    valueAxis_->setTickInterval(step);
    valueAxis_->setLabelFormat(QStringLiteral("%.") + QString::number(DecimalsFor(step)) +
                               QStringLiteral("f"));

    for (size_t i = 0; i < series_.size(); ++i) {
        const std::vector<ChartPoint>& points = series_[i].points;
        const std::vector<int> drawn = DecimatedIndices(points, range_.x0, range_.x1, columns);
        QList<QPointF> list;
        list.reserve(static_cast<qsizetype>(drawn.size()));
        for (int k : drawn) {
            list.append({points[static_cast<size_t>(k)].x, points[static_cast<size_t>(k)].y});
        }
        lines_[i]->replace(list);
        lines_[i]->setPointsVisible(static_cast<int>(drawn.size()) * kMarkerSpacing <= columns);
    }
}

void ChartView::resizeEvent(QResizeEvent* event) {
    QChartView::resizeEvent(event);
    refresh();
}

void ChartView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && plotRect().contains(event->position())) {
        pressedAt_ = event->position().toPoint();
        event->accept();
        return;
    }
    QGraphicsView::mousePressEvent(event);
}

void ChartView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (pressedAt_ && (event->buttons() & Qt::LeftButton)) {
        if ((pos - *pressedAt_).manhattanLength() > kDragThreshold) {
            band_->setGeometry(QRect(*pressedAt_, pos).normalized() & plotRect().toAlignedRect());
            band_->show();
        }
        event->accept();
        return;
    }
    const std::optional<int> record = recordAt(event->position());
    if (record && data_ != nullptr && row_) {
        QToolTip::showText(
            event->globalPosition().toPoint(),
            ChartTooltip(*data_, data_->records[static_cast<size_t>(*record)], *row_, locale_),
            viewport());
    } else {
        QToolTip::hideText();
    }
    QGraphicsView::mouseMoveEvent(event);
}

void ChartView::mouseReleaseEvent(QMouseEvent* event) {
    if (!pressedAt_ || event->button() != Qt::LeftButton) {
        QGraphicsView::mouseReleaseEvent(event);
        return;
    }
    pressedAt_.reset();
    event->accept();
    if (band_->isVisible()) {
        band_->hide();
        zoomToRect(band_->geometry());
        return;
    }
    if (const std::optional<int> record = recordAt(event->position())) {
        emit recordClicked(*record);
    }
}

void ChartView::wheelEvent(QWheelEvent* event) {
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0.0 || series_.empty()) {
        event->ignore();
        return;
    }
    zoomTime(std::pow(0.8, steps), event->position().x());
    event->accept();
}

void ChartView::keyPressEvent(QKeyEvent* event) {
    const double middle = plotRect().center().x();
    switch (event->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            zoomTime(0.8, middle);
            break;
        case Qt::Key_Minus:
            zoomTime(1.25, middle);
            break;
        case Qt::Key_Home:
            showWholeRange();
            break;
        default:
            QChartView::keyPressEvent(event);
            return;
    }
    event->accept();
}

}  // namespace kvir
