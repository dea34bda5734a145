// The "График" page over the simulator's sample notebooks: what the series hold for every
// quantity, folder choice and period, the axes, pointing and zooming with the mouse, the
// archive source, thinning, and the PNG, PDF and printed outputs.
#include "ChartPage.h"
#include "ChartView.h"
#include "ConsoleArchive.h"
#include "ScriptedDialogs.h"
#include "archive/ArchiveTestSupport.h"
#include "common/Poppler.h"
#include "instrument/MemoryLayout.h"
#include "report/NotebookView.h"

#include <QCategoryAxis>
#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QValueAxis>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <set>

namespace kvir::test {
namespace {

const QLocale kRu(QLocale::Russian, QLocale::Russia);
const QDateTime kNow(QDate(2026, 12, 8), QTime(10, 0));

// A sample notebook read through the instrument operations, as the console holds it.
const Notebook& Sample(const QString& name) {
    static std::map<QString, Notebook> cache;
    auto it = cache.find(name);
    if (it == cache.end()) {
        const DeviceModel model =
            name.startsWith("510") ? DeviceModel::Ph510 : DeviceModel::Conc210;
        it =
            cache.emplace(name, ReadSampleNotebook(model, name.section('-', 1), kNow.date())).first;
    }
    return it->second;
}

struct Point {
    double x, y;
    bool operator==(const Point&) const = default;
};
void PrintTo(const Point& p, std::ostream* os) {
    *os << "(" << FormatStamp(p.x, kRu).toStdString() << ", " << p.y << ")";
}

// The drawn points of every line, by folder.
std::map<QString, std::vector<Point>> DrawnLines(const ChartView& view) {
    std::map<QString, std::vector<Point>> lines;
    for (QAbstractSeries* s : view.chart()->series()) {
        for (const QPointF& p : static_cast<QLineSeries*>(s)->points()) {
            lines[s->name()].push_back({p.x(), p.y()});
        }
    }
    return lines;
}

class ChartTest : public ::testing::Test {
  protected:
    ChartTest() {
        page.resize(1100, 650);
        page.show();
        QCoreApplication::processEvents();
    }
    ~ChartTest() override { page.close(); }

    ChartView& view() { return *page.view(); }

    ScriptedDialogs dialogs;
    ChartPage page{{&dialogs, kRu, [] { return kNow; }}};
};

struct SeriesCase {
    const char* sample;
    ChartQuantity quantity;
    QStringList modes;    // labels of the modes whose records the lines hold
    QStringList folders;  // the chosen folders; empty: all of them
    ChartPeriod period = ChartPeriod::All;
    QDate first, last;  // the records' dates the lines hold, inclusive
};

void PrintTo(const SeriesCase& c, std::ostream* os) {
    *os << c.sample << " " << c.modes.join('/').toStdString() << " "
        << c.folders.join(',').toStdString() << " " << c.first.toString().toStdString();
}

const QStringList kEvery510 = {"not", "pH", "pH25", "mV"};
const QStringList kEvery210 = {"КРК[мкг/л]", "КРК[%]", "КРК[мкг/л]+соль", "КРК[%]+соль"};
const QDate kAny1(2000, 1, 1), kAny2(2100, 1, 1);

class ChartSeries : public ChartTest, public testing::WithParamInterface<SeriesCase> {};

TEST_P(ChartSeries, HoldExactlyTheChosenRecordsAndTheAxesCoverThem) {
    const SeriesCase& c = GetParam();
    const Notebook& notebook = Sample(c.sample);
    page.setNotebook(notebook);
    ASSERT_TRUE(page.setQuantity(c.quantity));
    page.setChosenFolders(c.folders.isEmpty() ? ChartDataOf(notebook).folders : c.folders);
    page.setPeriod(c.period, c.first, c.last);

    // The column the axis names; the lines' values must be that column's.
    const QString title = view().valueAxis()->titleText();
    const QStringList headers = ModelHeaders(notebook.model);
    const auto column = std::find_if(headers.begin(), headers.end(),
                                     [&](const QString& h) { return h.trimmed() == title; }) -
                        headers.begin();
    ASSERT_LT(column, headers.size()) << title.toStdString();

    std::map<QString, std::vector<Point>> expected;
    const NotebookImage& image = notebook.image;
    for (int slot = 0; slot < RecordCount(image); ++slot) {
        const QStringList cells =
            RecordCells(image, slot, notebook.model, notebook.folders, {}, kRu);
        const QDate date = DateOfSerial(image.stamp[slot]);
        if (!c.modes.contains(cells[3]) || date < c.first || date > c.last ||
            (!c.folders.isEmpty() && !c.folders.contains(cells[1]))) {
            continue;
        }
        const float values[] = {image.value1[slot], image.value2[slot], image.value3[slot],
                                image.value4[slot]};
        // The stored value whose table text is the axis column's cell.
        const QString cell = cells[column + 1];
        std::set<double> candidates;
        for (int f = 0; f < 4; ++f) {
            if (ValueCell(notebook.model, f, values[f], kRu) == cell) {
                candidates.insert(values[f]);
            }
        }
        ASSERT_EQ(candidates.size(), 1u) << slot;
        const double y = *candidates.begin();
        expected[cells[1]].push_back({image.stamp[slot], y});
    }
    for (auto& [folder, points] : expected) {
        std::stable_sort(points.begin(), points.end(),
                         [](const Point& a, const Point& b) { return a.x < b.x; });
    }
    ASSERT_FALSE(expected.empty());
    const std::map<QString, std::vector<Point>> drawn = DrawnLines(view());
    EXPECT_EQ(drawn, expected);

    auto* time = view().timeAxis();
    const auto* value = view().valueAxis();
    for (const auto& [folder, points] : drawn) {
        for (const Point& p : points) {
            EXPECT_TRUE(time->min() < p.x && p.x < time->max()) << folder.toStdString();
            EXPECT_TRUE(value->min() <= p.y && p.y <= value->max()) << folder.toStdString();
        }
    }
    // Dates on the time axis in the regional short format.
    const QStringList labels = time->categoriesLabels();
    EXPECT_GE(labels.size(), 2);
    for (const QString& label : labels) {
        EXPECT_TRUE(QRegularExpression("^\\d\\d\\.\\d\\d\\.\\d{4}( \\d\\d:\\d\\d)?$")
                        .match(label)
                        .hasMatch())
            << label.toStdString();
    }
}

// Every record of the sample whose mode carries the quantity.
SeriesCase Whole(const char* sample, ChartQuantity quantity, const QStringList& modes) {
    return {sample, quantity, modes, {}, ChartPeriod::All, kAny1, kAny2};
}

INSTANTIATE_TEST_SUITE_P(
    Samples, ChartSeries,
    testing::Values(Whole("510-small", ChartQuantity::Ph, {"pH"}),
                    Whole("510-small", ChartQuantity::Ph25, {"pH25"}),
                    Whole("510-small", ChartQuantity::Emf, {"mV"}),
                    Whole("510-small", ChartQuantity::Temperature, kEvery510),
                    Whole("210-small", ChartQuantity::Micrograms,
                          {"КРК[мкг/л]", "КРК[мкг/л]+соль"}),
                    Whole("210-small", ChartQuantity::Percent, {"КРК[%]", "КРК[%]+соль"}),
                    Whole("210-small", ChartQuantity::Salinity, {"КРК[мкг/л]+соль", "КРК[%]+соль"}),
                    Whole("210-small", ChartQuantity::Temperature, kEvery210),
                    // Chosen folders and periods.
                    SeriesCase{"510-small",
                               ChartQuantity::Ph,
                               {"pH"},
                               {"Буфер 4.01", "Буфер 9.18"},
                               ChartPeriod::Between,
                               QDate(2026, 3, 2),
                               QDate(2026, 6, 1)},
                    SeriesCase{"510-small",
                               ChartQuantity::Temperature,
                               kEvery510,
                               {},
                               ChartPeriod::LastMonth,
                               QDate(2026, 11, 8),
                               kAny2},
                    SeriesCase{"210-full",
                               ChartQuantity::Temperature,
                               kEvery210,
                               {},
                               ChartPeriod::LastYear,
                               QDate(2025, 12, 8),
                               kAny2}));

// Sends a left-button press, moves and a release through the view's viewport.
void Drag(ChartView& view, QPointF from, QPointF to) {
    QWidget* viewport = view.viewport();
    const auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, viewport->mapToGlobal(at), Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &event);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton);
    if (from != to) {
        send(QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
        send(QEvent::MouseMove, to, Qt::LeftButton);
    }
    send(QEvent::MouseButtonRelease, to, Qt::NoButton);
}

// Lets queued work, layouts and paints run for `ms` milliseconds.
void Wait(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
}

void Click(ChartView& view, QPointF at) {
    Drag(view, at, at);
}

TEST_F(ChartTest, ClickReportsTheRecordAndTheMouseZooms) {
    const Notebook& notebook = Sample("510-small");
    page.setNotebook(notebook);
    page.setChosenFolders({"Буфер 6.86"});
    QCoreApplication::processEvents();
    std::vector<int> activated;
    QObject::connect(&page, &ChartPage::recordActivated,
                     [&](int slot) { activated.push_back(slot); });

    // A click on each point reports its slot; a click beside the points reports nothing.
    const std::vector<ChartPoint>& points = view().seriesData().at(0).points;
    for (const ChartPoint& p : points) {
        Click(view(), view().positionOf(p.x, p.y) + QPointF(2, -2));
    }
    ASSERT_EQ(activated.size(), points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(notebook.image.stamp[activated[i]], points[i].x);
        EXPECT_EQ(notebook.image.value3[activated[i]], points[i].y);
    }
    const QPointF first = view().positionOf(points[0].x, points[0].y);
    Click(view(), first + QPointF(0, 3 * ChartView::kPickRadius));
    EXPECT_EQ(activated.size(), points.size());

    // A frame from the second point to the third shows those two only, whole.
    const ChartView::Range whole = view().shownRange();
    const QPointF a = view().positionOf(points[1].x, points[1].y);
    const QPointF b = view().positionOf(points[2].x, points[2].y);
    Drag(view(), QPointF(a.x() - 5, std::min(a.y(), b.y()) - 20),
         QPointF(b.x() + 5, std::max(a.y(), b.y()) + 20));
    const ChartView::Range framed = view().shownRange();
    EXPECT_TRUE(framed.x0 < points[1].x && points[2].x < framed.x1);
    EXPECT_TRUE(points[0].x < framed.x0 && framed.x1 < points[3].x);
    EXPECT_EQ(activated.size(), points.size()) << "a drag is no click";

    // The wheel zooms the time around the pointer; the button goes back to the whole range.
    const double span = framed.x1 - framed.x0;
    const QPointF at = view().positionOf(points[1].x, points[1].y);
    QWheelEvent wheel(at, view().viewport()->mapToGlobal(at), {}, {0, 120}, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view().viewport(), &wheel);
    EXPECT_NEAR(view().shownRange().x1 - view().shownRange().x0, span * 0.8, span * 1e-9);
    EXPECT_NEAR(view().positionOf(points[1].x, points[1].y).x(), at.x(), 0.5);
    view().showWholeRange();
    EXPECT_EQ(view().shownRange().x0, whole.x0);
    EXPECT_EQ(view().shownRange().x1, whole.x1);
}

TEST_F(ChartTest, ArchiveLinesJoinNotebooksAndAClickReportsTheArchivedRecord) {
    page.setNotebook(Sample("210-small"));
    std::vector<qint64> ids;
    QObject::connect(&page, &ChartPage::archiveRecordActivated,
                     [&](qint64 id) { ids.push_back(id); });
    EXPECT_TRUE(page.findChild<QCheckBox*>()->isHidden()) << "no archive, no such choice";

    // The same folder in two notebooks read months apart is one line.
    ChartData archive;
    archive.model = DeviceModel::Conc210;
    archive.add("Скважина", 501, DaySerial(QDate(2025, 1, 10)), 0, {10, 40.5f, 0.4f, 0});
    archive.add("Река", 502, DaySerial(QDate(2025, 2, 10)), 0, {11, 47, 0.47f, 0});
    archive.add("Скважина", 777, DaySerial(QDate(2026, 6, 10)), 2, {12, 42, 0.42f, 90});
    archive.add("Скважина", 778, DaySerial(QDate(2026, 6, 11)), 1, {12, 43, 0.43f, 0});
    page.setArchiveRecords(archive);
    ASSERT_TRUE(page.showsArchive());
    page.setQuantity(ChartQuantity::Micrograms);
    page.setChosenFolders({"Скважина"});
    QCoreApplication::processEvents();
    const std::map<QString, std::vector<Point>> lines = DrawnLines(view());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines.at("Скважина"), (std::vector<Point>{{DaySerial(QDate(2025, 1, 10)), 40.5},
                                                        {DaySerial(QDate(2026, 6, 10)), 42}}));
    Click(view(), view().positionOf(DaySerial(QDate(2026, 6, 10)), 42));
    EXPECT_EQ(ids, std::vector<qint64>{777});

    // Unchecked, the notebook is back.
    page.setShowArchive(false);
    EXPECT_FALSE(page.showsArchive());
    EXPECT_FALSE(DrawnLines(view()).contains("Скважина"));
}

// "Весь архив" over a real archive file: read on a thread of its own with nothing in memory,
// the model chosen on the page; an archive that cannot be read is reported, nothing drawn.
TEST(ChartArchive, IsReadOffTheWindowThreadAndItsFaultsAreReported) {
    QTemporaryDir dir;
    ConsoleArchive archive(dir.path());
    ASSERT_EQ(archive.open(), ArchiveStatus::Ok);
    const SnapshotMeta meta{kNow, "/dev/ttyUSB0", "Иванов", true, SnapshotKind::Read};
    ASSERT_EQ(archive.store(Sample("510-small"), meta).newRecords, 31);
    ASSERT_EQ(archive.store(Sample("210-small"), meta).newRecords, 37);
    ScriptedDialogs dialogs;
    ChartPage page({&dialogs, kRu, [] { return kNow; }, &archive});
    page.resize(760, 480);
    page.show();
    QStringList activity;
    QObject::connect(&page, &ChartPage::activity, [&](const QString& line) { activity << line; });
    const auto loaded = [&page] {
        for (int i = 0; i < 500 && page.isLoadingArchive(); ++i) {
            Wait(10);
        }
        return !page.isLoadingArchive();
    };
    for (const auto& [model, records] :
         {std::pair{DeviceModel::Conc210, 37}, std::pair{DeviceModel::Ph510, 31}}) {
        page.setArchiveModel(model);
        page.setShowArchive(true);
        EXPECT_TRUE(page.isLoadingArchive()) << "read on its own thread";
        ASSERT_TRUE(loaded());
        int points = 0;
        for (const ChartSeriesData& s : page.view()->seriesData()) {
            points += static_cast<int>(s.points.size());
        }
        EXPECT_GT(points, 0);
        EXPECT_LE(points, records);
        EXPECT_EQ(page.view()->data()->records.size(), static_cast<size_t>(records));
        EXPECT_EQ(page.view()->data()->model, model);
        page.setShowArchive(false);
    }

    // The archive file damaged meanwhile: reported, nothing drawn.
    QFile file(archive.location().file);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.seek(1024);
    file.write(QByteArray(static_cast<int>(file.size()) - 1024, '\x55'));
    file.close();
    page.setShowArchive(true);
    ASSERT_TRUE(loaded());
    EXPECT_TRUE(page.view()->isEmpty());
    EXPECT_EQ(page.view()->chart()->title(),
              "Архив не прочитан: Файл архива поврежден или не является архивом");
    EXPECT_EQ(activity, QStringList("График по архиву не построен: Файл архива поврежден или не "
                                    "является архивом"));
}

TEST_F(ChartTest, EachFolderKeepsItsLineAndTheFirstChoiceIsReadable) {
    // 25 folders: at first the six measured last, each line beside its folder's name.
    const Notebook& notebook = Sample("210-full");
    page.setNotebook(notebook);
    const ChartData data = ChartDataOf(notebook);
    const QStringList first = page.chosenFolders();
    EXPECT_EQ(first.size(), 6);
    const QStringList latest =
        FirstChartFolders(data, ChartQuantities(DeviceModel::Conc210).front(), {}, 6);
    EXPECT_EQ(QSet<QString>(first.begin(), first.end()),
              QSet<QString>(latest.begin(), latest.end()));
    page.setChosenFolders(data.folders);

    // Whatever the quantity and period, a folder's line looks the same, and no two drawn
    // lines look alike.
    std::map<QString, std::pair<QColor, Qt::PenStyle>> lines;
    const struct {
        ChartQuantity quantity;
        ChartPeriod period;
    } choices[] = {{ChartQuantity::Micrograms, ChartPeriod::All},
                   {ChartQuantity::Percent, ChartPeriod::LastYear},
                   {ChartQuantity::Temperature, ChartPeriod::LastMonth},
                   {ChartQuantity::Salinity, ChartPeriod::All}};
    for (const auto& c : choices) {
        page.setQuantity(c.quantity);
        page.setPeriod(c.period);
        std::set<std::pair<QRgb, int>> seen;
        for (QAbstractSeries* s : view().chart()->series()) {
            const QPen pen = static_cast<QLineSeries*>(s)->pen();
            const auto look = std::pair{pen.color(), pen.style()};
            const auto [it, added] = lines.try_emplace(s->name(), look);
            EXPECT_EQ(it->second, look) << s->name().toStdString();
            EXPECT_TRUE(seen.insert({pen.color().rgb(), static_cast<int>(pen.style())}).second)
                << s->name().toStdString();
        }
    }
    EXPECT_EQ(lines.size(), 25u);

    // The archive's records of the same folders, met in another order: the same lines.
    ChartData archive;
    archive.model = DeviceModel::Conc210;
    for (auto r = data.records.rbegin(); r != data.records.rend(); ++r) {
        archive.add(data.folders.at(r->folder), r->id, r->stamp, r->modeCode, r->values);
    }
    ASSERT_NE(archive.folders, data.folders);
    page.setArchiveRecords(archive);
    page.setChosenFolders(data.folders);
    for (QAbstractSeries* s : view().chart()->series()) {
        const QPen pen = static_cast<QLineSeries*>(s)->pen();
        EXPECT_EQ(lines.at(s->name()), std::pair(pen.color(), pen.style()))
            << s->name().toStdString();
    }
}

TEST_F(ChartTest, TheZoomSurvivesThePageShownAgainAndNothingOfAnEarlierPlotStays) {
    page.setNotebook(Sample("510-small"));
    QCoreApplication::processEvents();
    view().zoomTime(0.5, view().positionOf(DaySerial(QDate(2026, 6, 1)), 6).x());
    const ChartView::Range zoomed = view().shownRange();
    page.hide();
    page.setNotebook(Sample("510-small"));  // as the window does when the page is shown again
    page.show();
    EXPECT_EQ(view().shownRange().x0, zoomed.x0);
    EXPECT_EQ(view().shownRange().x1, zoomed.x1);

    // What the screen holds after changes of quantity and period is what a fresh page draws.
    page.setQuantity(ChartQuantity::Emf);
    Wait(50);
    page.setQuantity(ChartQuantity::Ph);
    page.setPeriod(ChartPeriod::Between, QDate(2026, 3, 1), QDate(2026, 7, 1));
    Wait(50);
    ScriptedDialogs otherDialogs;
    ChartPage fresh({&otherDialogs, kRu, [] { return kNow; }});
    fresh.resize(page.size());
    fresh.show();
    Wait(50);
    fresh.setNotebook(Sample("510-small"));
    fresh.setPeriod(ChartPeriod::Between, QDate(2026, 3, 1), QDate(2026, 7, 1));
    Wait(50);
    fresh.repaint();
    // The plot as the window's backing store holds it (what the screen shows).
    const auto screen = [](ChartPage& p) {
        const QRect plot(p.view()->mapTo(&p, QPoint(0, 0)), p.view()->size());
        return QGuiApplication::primaryScreen()->grabWindow(p.winId()).toImage().copy(plot);
    };
    EXPECT_TRUE(screen(page) == screen(fresh));
}

TEST(ChartData, TooltipsUseTheRecordTablesFormats) {
    struct Case {
        DeviceModel model;
        ChartQuantity quantity;
        std::array<float, 4> values;
        QString text;
    };
    const Case cases[] = {
        {DeviceModel::Ph510,
         ChartQuantity::Ph,
         {21.5f, 8.1f, 6.86f, 6.85f},
         "Буфер 6.86\n02.03.2026 8:44:02\npH: 6,8600"},
        {DeviceModel::Ph510,
         ChartQuantity::Emf,
         {21.5f, -129.05f, 9.2f, 9.2f},
         "Буфер 6.86\n02.03.2026 8:44:02\nЭДС[мВ]: -129,05"},
        {DeviceModel::Conc210,
         ChartQuantity::Salinity,
         {21.5f, 8.1f, 6.86f, 2350.7f},
         "Буфер 6.86\n02.03.2026 8:44:02\nСоль[мг/л]: 2350"},
    };
    for (const Case& c : cases) {
        ChartData data;
        data.model = c.model;
        data.add("Буфер 6.86", 3,
                 DaySerial(QDate(2026, 3, 2)) + TimeFraction(TimeWordOf(QTime(8, 44, 2))), 3,
                 c.values);
        for (const ChartQuantityRow& row : ChartQuantities(c.model)) {
            if (row.quantity == c.quantity) {
                EXPECT_EQ(ChartTooltip(data, data.records[0], row, kRu), c.text);
            }
        }
    }
}

TEST(ChartData, ThinningKeepsEachColumnsExtremesAndTheNeighbours) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> noise(-1, 1);
    struct Case {
        int points;
        double x0, x1;  // the shown range, the points lying on 0 .. points − 1
        int columns;
    };
    const Case cases[] = {
        {100'000, 0, 99'999, 800}, {100'000, 20'000.5, 30'000, 640}, {1'000, 10, 900, 600},
        {3, -5, 10, 100},          {50'000, 60'000, 70'000, 1},
    };
    for (const Case& c : cases) {
        std::vector<ChartPoint> points;
        for (int i = 0; i < c.points; ++i) {
            points.push_back({static_cast<double>(i), noise(random) + (i % 977) * 0.01, i});
        }
        const std::vector<int> drawn = DecimatedIndices(points, c.x0, c.x1, c.columns);
        ASSERT_TRUE(std::is_sorted(drawn.begin(), drawn.end())) << c.points;
        ASSERT_TRUE(std::adjacent_find(drawn.begin(), drawn.end()) == drawn.end());
        const int first = std::max(0, static_cast<int>(std::ceil(c.x0)));
        const int last = std::min(static_cast<int>(std::floor(c.x1)), c.points - 1);
        const int inside = std::max(0, last - first + 1);
        const bool before = first > 0;
        const bool after = last < c.points - 1;
        if (inside <= 2 * c.columns) {
            EXPECT_EQ(static_cast<int>(drawn.size()), inside + before + after) << c.points;
            continue;
        }
        EXPECT_LE(static_cast<int>(drawn.size()), 2 * c.columns + 2);
        if (before) {
            EXPECT_EQ(drawn.front(), first - 1);
        }
        if (after) {
            EXPECT_EQ(drawn.back(), last + 1);
        }
        // The lowest and the highest point of every pixel column are drawn.
        std::map<int, std::pair<int, int>> extremes;
        for (int i = first; i <= last; ++i) {
            const int column =
                std::min(c.columns - 1, static_cast<int>((i - c.x0) * (c.columns / (c.x1 - c.x0))));
            auto [it, added] = extremes.try_emplace(column, i, i);
            if (points[i].y < points[it->second.first].y) {
                it->second.first = i;
            }
            if (points[i].y > points[it->second.second].y) {
                it->second.second = i;
            }
        }
        for (const auto& [column, lowHigh] : extremes) {
            EXPECT_TRUE(std::binary_search(drawn.begin(), drawn.end(), lowHigh.first)) << column;
            EXPECT_TRUE(std::binary_search(drawn.begin(), drawn.end(), lowHigh.second)) << column;
        }
    }
}

int PdfPages(const QString& pdf) {
    const QString info = Poppler("pdfinfo", {pdf}).value_or(QString());
    const QRegularExpressionMatch m = QRegularExpression("Pages:\\s+(\\d+)").match(info);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

TEST_F(ChartTest, PngOfTheAskedSizeAndAOnePagePrintWithItsTitleLine) {
    if (QStandardPaths::findExecutable("pdfinfo").isEmpty()) {
        GTEST_SKIP() << "pdfinfo (poppler-utils) is not installed";
    }
    page.setNotebook(Sample("510-small"));
    page.setChosenFolders({"Буфер 4.01", "Буфер 6.86"});
    QStringList activity;
    QObject::connect(&page, &ChartPage::activity, [&](const QString& line) { activity << line; });
    QTemporaryDir dir;

    QString error;
    ASSERT_TRUE(page.savePng(dir.filePath("asked.png"), QSize(1234, 567), &error))
        << error.toStdString();
    const QImage image(dir.filePath("asked.png"));
    EXPECT_EQ(image.size(), QSize(1234, 567));
    // The first folder's line is drawn in it.
    const QColor line = static_cast<QLineSeries*>(view().chart()->series().at(0))->color();
    int linePixels = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor p = image.pixelColor(x, y);
            linePixels += std::abs(p.red() - line.red()) + std::abs(p.green() - line.green()) +
                                      std::abs(p.blue() - line.blue()) <
                                  30
                              ? 1
                              : 0;
        }
    }
    EXPECT_GT(linePixels, 200);

    // Through the save dialog: the proposed name, the file type of the chosen filter.
    const QString name = "Буфер 4.01, Буфер 6.86 2026-02-02_2026-09-01";
    dialogs.answerSave(dir.filePath("график"), 1);
    dialogs.answerSave(dir.filePath("график"), 2);
    dialogs.answerSave(dir.filePath("график.png"), 2);
    dialogs.answer(DialogButton::No);
    page.saveChart();
    page.saveChart();
    page.saveChart();
    EXPECT_EQ(dialogs.transcript(), QStringList({"|" + name, "|" + name, "|" + name,
                                                 "Сохранение графика|Файл уже существует\n"
                                                 "Заменить его?"}));
    EXPECT_EQ(QImage(dir.filePath("график.png")).size(), ChartPage::kPngSize);
    EXPECT_EQ(PdfPages(dir.filePath("график.pdf")), 1);

    // Printed through the print dialog to a PDF file: one page with the title line.
    const QString pdf = dir.filePath("printed.pdf");
    dialogs.answerPrint(true, [&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
    });
    page.printChart();
    EXPECT_EQ(PdfPages(pdf), 1);
    EXPECT_EQ(page.titleLine(),
              "Папки: Буфер 4.01, Буфер 6.86; pH; с 02.02.2026 по 01.09.2026; напечатано "
              "08.12.2026");
    if (const auto text = Poppler("pdftotext", {pdf, "-"})) {
        EXPECT_TRUE(text->simplified().contains(page.titleLine())) << text->toStdString();
    }
    // Every folder: the title wraps and stays whole, the legend names every line.
    const QStringList folders = ChartDataOf(Sample("510-small")).folders;
    page.setChosenFolders(folders);
    ASSERT_TRUE(page.savePdf(dir.filePath("all.pdf"), &error));
    if (const auto text = Poppler("pdftotext", {dir.filePath("all.pdf"), "-"})) {
        const QString words = text->simplified();
        EXPECT_TRUE(words.contains(page.titleLine())) << text->toStdString();
        for (const QString& folder : folders) {
            EXPECT_EQ(words.count(folder), 2) << "title and legend: " << folder.toStdString();
        }
    }
    EXPECT_EQ(activity, QStringList({"Сохранение графика в файл " + dir.filePath("график.png"),
                                     "Сохранение графика в файл " + dir.filePath("график.pdf"),
                                     "Печать графика для прибора КВИР-510v2"}));
}

}  // namespace
}  // namespace kvir::test
