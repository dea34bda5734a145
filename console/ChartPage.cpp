#include "ChartPage.h"

#include "ChartArchiveLoader.h"
#include "ChartView.h"
#include "ConsoleArchive.h"
#include "OperatorDialogs.h"
#include "instrument/MemoryLayout.h"
#include "report/ArchiveTexts.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>

#include <algorithm>

namespace kvir {

namespace {

const QString kChartJobTitle = QStringLiteral("График");
const QMarginsF kMarginsMm(15.0, 10.0, 10.0, 10.0);
// The chart of a printed page is laid out as on a screen of this resolution: its labels come out
// at about the size of the title line.
constexpr double kScreenDpi = 80.0;
// A saved PNG image is drawn as a page of this resolution.
constexpr double kPngDpi = 120.0;
// Folders charted at first, the most recently measured ones.
constexpr int kFirstChoice = 6;
const QSize kSwatchSize(28, 12);

QStringList ChartFilters() {
    return {QStringLiteral("Рисунок PNG (*.png)"), QStringLiteral("Документ PDF (*.pdf)")};
}

// The chosen name with ".png" (filter 1) or ".pdf" (filter 2) added unless it ends with
// either already.
QString ChartTarget(const QString& chosen, int filterIndex) {
    const QString lower = chosen.toLower();
    if (lower.endsWith(QStringLiteral(".png")) || lower.endsWith(QStringLiteral(".pdf"))) {
        return chosen;
    }
    return chosen + (filterIndex == 2 ? QStringLiteral(".pdf") : QStringLiteral(".png"));
}

QPushButton* Button(const QString& text, const QString& accessibleName, const QString& tip) {
    auto* button = new QPushButton(text);
    button->setAccessibleName(accessibleName);
    button->setToolTip(tip);
    return button;
}

QLabel* Caption(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

}  // namespace

ChartPage::ChartPage(ChartPageServices services, QWidget* parent)
    : QWidget(parent), services_(std::move(services)) {
    setAccessibleName(QStringLiteral("График"));
    const QString dateFormat = services_.locale.dateFormat(QLocale::ShortFormat);

    quantityBox_ = new QComboBox;
    quantityBox_->setAccessibleName(QStringLiteral("Величина"));
    periodBox_ = new QComboBox;
    periodBox_->setAccessibleName(QStringLiteral("Период"));
    periodBox_->addItems({QStringLiteral("Весь период"), QStringLiteral("Последний месяц"),
                          QStringLiteral("Последний год"), QStringLiteral("С даты по дату")});
    fromEdit_ = new QDateEdit;
    toEdit_ = new QDateEdit;
    for (QDateEdit* edit : {fromEdit_, toEdit_}) {
        edit->setLocale(services_.locale);
        edit->setDisplayFormat(dateFormat);
        edit->setCalendarPopup(true);
        edit->setEnabled(false);
    }
    fromEdit_->setAccessibleName(QStringLiteral("Начало периода"));
    toEdit_->setAccessibleName(QStringLiteral("Конец периода"));
    folderList_ = new QListWidget;
    folderList_->setAccessibleName(QStringLiteral("Папки графика"));
    folderList_->setSpacing(1);
    allFolders_ = Button(QStringLiteral("Все"), QStringLiteral("Отметить все папки"),
                         QStringLiteral("Отметить все папки"));
    noFolders_ = Button(QStringLiteral("Ни одной"), QStringLiteral("Снять отметки папок"),
                        QStringLiteral("Снять отметки со всех папок"));
    folderList_->setIconSize(kSwatchSize);
    archiveBox_ = new QCheckBox(QStringLiteral("Весь архив"));
    archiveBox_->setAccessibleName(QStringLiteral("Весь архив"));
    archiveBox_->setToolTip(QStringLiteral("Все записи архива для выбранной модели прибора"));
    archiveBox_->setVisible(services_.archive != nullptr);
    modelBox_ = new QComboBox;
    modelBox_->setAccessibleName(QStringLiteral("Прибор архива"));
    for (const ModelRow& row : ModelRows()) {
        modelBox_->addItem(row.displayName, static_cast<int>(row.model));
    }
    modelBox_->hide();
    loading_ = new QProgressBar;
    loading_->setAccessibleName(QStringLiteral("Чтение архива"));
    loading_->setFormat(QStringLiteral("Чтение архива: %v из %m записей"));
    loading_->hide();
    loader_ = new ChartArchiveLoader(this);

    wholeRange_ = Button(QStringLiteral("Весь диапазон"), QStringLiteral("Весь диапазон"),
                         QStringLiteral("Показать все точки графика (клавиша Home)"));
    save_ = Button(QStringLiteral("Сохранить…"), QStringLiteral("Сохранить график"),
                   QStringLiteral("Сохранить график в файл PNG или PDF"));
    print_ = Button(QStringLiteral("Печать…"), QStringLiteral("Печать графика"),
                    QStringLiteral("Напечатать график на одной странице"));
    auto* hint = new QLabel(QStringLiteral("Масштаб: колесо мыши или рамка левой кнопкой"));
    hint->setEnabled(false);
    // The hint gives way before the chart does when the window is narrow.
    hint->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    view_ = new ChartView;
    view_->setAccessibleName(QStringLiteral("График"));

    auto* choices = new QGridLayout;
    choices->addWidget(Caption(QStringLiteral("&Величина:"), quantityBox_), 0, 0, 1, 2);
    choices->addWidget(quantityBox_, 1, 0, 1, 2);
    choices->addWidget(Caption(QStringLiteral("П&ериод:"), periodBox_), 2, 0, 1, 2);
    choices->addWidget(periodBox_, 3, 0, 1, 2);
    choices->addWidget(Caption(QStringLiteral("с"), fromEdit_), 4, 0);
    choices->addWidget(fromEdit_, 4, 1);
    choices->addWidget(Caption(QStringLiteral("по"), toEdit_), 5, 0);
    choices->addWidget(toEdit_, 5, 1);
    choices->addWidget(Caption(QStringLiteral("&Папки:"), folderList_), 6, 0, 1, 2);
    choices->addWidget(folderList_, 7, 0, 1, 2);
    auto* marks = new QHBoxLayout;
    marks->addWidget(allFolders_);
    marks->addWidget(noFolders_);
    choices->addLayout(marks, 8, 0, 1, 2);
    auto* archiveRow = new QHBoxLayout;
    archiveRow->addWidget(archiveBox_);
    archiveRow->addWidget(modelBox_, 1);
    choices->addLayout(archiveRow, 9, 0, 1, 2);
    choices->setRowStretch(7, 1);
    choices->setColumnStretch(1, 1);
    auto* side = new QWidget;
    side->setLayout(choices);
    side->setFixedWidth(220);

    auto* tools = new QHBoxLayout;
    tools->addWidget(wholeRange_);
    tools->addWidget(save_);
    tools->addWidget(print_);
    tools->addStretch(1);
    tools->addWidget(hint);
    auto* right = new QVBoxLayout;
    right->addLayout(tools);
    right->addWidget(loading_);
    right->addWidget(view_, 1);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(side);
    layout->addLayout(right, 1);

    connect(quantityBox_, &QComboBox::currentIndexChanged, this, [this] {
        if (!filling_) {
            rebuild();
        }
    });
    connect(periodBox_, &QComboBox::currentIndexChanged, this, [this](int index) {
        const bool between = index == static_cast<int>(ChartPeriod::Between);
        fromEdit_->setEnabled(between);
        toEdit_->setEnabled(between);
        rebuild();
    });
    for (QDateEdit* edit : {fromEdit_, toEdit_}) {
        connect(edit, &QDateEdit::dateChanged, this, [this] {
            if (filling_) {
                return;
            }
            datesChosen_ = true;
            if (periodBox_->currentIndex() == static_cast<int>(ChartPeriod::Between)) {
                rebuild();
            }
        });
    }
    connect(folderList_, &QListWidget::itemChanged, this, [this] {
        if (!filling_) {
            rebuild();
        }
    });
    for (QPushButton* button : {allFolders_, noFolders_}) {
        connect(button, &QPushButton::clicked, this, [this, button] {
            filling_ = true;
            for (int i = 0; i < folderList_->count(); ++i) {
                folderList_->item(i)->setCheckState(button == allFolders_ ? Qt::Checked
                                                                          : Qt::Unchecked);
            }
            filling_ = false;
            rebuild();
        });
    }
    connect(archiveBox_, &QCheckBox::toggled, this, [this](bool checked) {
        modelBox_->setVisible(checked);
        if (checked) {
            if (notebook_.model != DeviceModel::None) {
                modelBox_->setCurrentIndex(modelBox_->findData(static_cast<int>(notebook_.model)));
            }
            loadArchive();
        } else {
            loader_->cancel();
            loading_->hide();
        }
        fillChoices();
        rebuild();
    });
    connect(modelBox_, &QComboBox::activated, this, [this] { loadArchive(); });
    connect(loader_, &ChartArchiveLoader::progress, this, [this](qint64 done, qint64 total) {
        loading_->setRange(0, static_cast<int>(total));
        loading_->setValue(static_cast<int>(done));
    });
    connect(loader_, &ChartArchiveLoader::finished, this, &ChartPage::onArchiveLoaded);
    if (services_.archive != nullptr) {
        // A new read stored, another archive chosen: the archive's chart follows.
        connect(services_.archive, &ConsoleArchive::changed, this, [this] {
            if (archiveBox_->isChecked()) {
                loadArchive();
            }
        });
    }
    connect(wholeRange_, &QPushButton::clicked, view_, &ChartView::showWholeRange);
    connect(save_, &QPushButton::clicked, this, &ChartPage::saveChart);
    connect(print_, &QPushButton::clicked, this, &ChartPage::printChart);
    connect(view_, &ChartView::recordClicked, this, &ChartPage::onRecordClicked);

    rebuild();
}

ChartPage::~ChartPage() = default;

void ChartPage::setNotebook(const Notebook& notebook) {
    ChartData data = ChartDataOf(notebook);
    if (data == notebook_) {
        return;  // the same notebook again (the page shown anew): the chart keeps its zoom
    }
    notebook_ = std::move(data);
    if (!showsArchive()) {
        fillChoices();
        rebuild();
    }
}

void ChartPage::setShowArchive(bool show) {
    archiveBox_->setChecked(show);
}

void ChartPage::setArchiveModel(DeviceModel model) {
    const int index = modelBox_->findData(static_cast<int>(model));
    if (index >= 0 && index != modelBox_->currentIndex()) {
        modelBox_->setCurrentIndex(index);
        if (archiveBox_->isChecked()) {
            loadArchive();
        }
    }
}

void ChartPage::setArchiveRecords(ChartData records) {
    loader_->cancel();
    loading_->hide();
    modelBox_->setCurrentIndex(modelBox_->findData(static_cast<int>(records.model)));
    {
        const QSignalBlocker block(archiveBox_);
        archiveBox_->setChecked(true);
    }
    archiveBox_->show();
    modelBox_->show();
    onArchiveLoaded(records, ArchiveStatus::Ok);
}

bool ChartPage::showsArchive() const {
    return archiveBox_->isChecked();
}

bool ChartPage::isLoadingArchive() const {
    return loader_->isRunning();
}

void ChartPage::loadArchive() {
    if (services_.archive == nullptr) {
        return;
    }
    archiveTrouble_.clear();
    loading_->setRange(0, 0);  // busy until the archive's count is known
    loading_->show();
    loader_->start(services_.archive->location(),
                   static_cast<DeviceModel>(modelBox_->currentData().toInt()));
    rebuild();
}

void ChartPage::onArchiveLoaded(const ChartData& records, ArchiveStatus status) {
    loading_->hide();
    if (status == ArchiveStatus::Ok) {
        archive_ = records;
    } else {
        archive_.reset();
        archiveTrouble_ = QStringLiteral("Архив не прочитан: ") + ArchiveStatusText(status);
        emit activity(QStringLiteral("График по архиву не построен: ") + ArchiveStatusText(status));
    }
    fillChoices();
    rebuild();
}

const ChartData& ChartPage::shownData() const {
    static const ChartData kNone;
    if (showsArchive()) {
        return archive_ ? *archive_ : kNone;
    }
    return notebook_;
}

std::optional<ChartQuantityRow> ChartPage::chosenQuantity() const {
    const std::vector<ChartQuantityRow> rows = ChartQuantities(quantityModel_);
    const int index = quantityBox_->currentIndex();
    if (index < 0 || index >= static_cast<int>(rows.size())) {
        return std::nullopt;
    }
    return rows[static_cast<size_t>(index)];
}

bool ChartPage::setQuantity(ChartQuantity quantity) {
    const std::vector<ChartQuantityRow> rows = ChartQuantities(quantityModel_);
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].quantity == quantity) {
            quantityBox_->setCurrentIndex(static_cast<int>(i));
            return true;
        }
    }
    return false;
}

void ChartPage::setChosenFolders(const QStringList& folders) {
    filling_ = true;
    for (int i = 0; i < folderList_->count(); ++i) {
        QListWidgetItem* item = folderList_->item(i);
        item->setCheckState(folders.contains(item->text()) ? Qt::Checked : Qt::Unchecked);
    }
    filling_ = false;
    rebuild();
}

QStringList ChartPage::chosenFolders() const {
    QStringList folders;
    for (int i = 0; i < folderList_->count(); ++i) {
        const QListWidgetItem* item = folderList_->item(i);
        if (item->checkState() == Qt::Checked) {
            folders << item->text();
        }
    }
    return folders;
}

void ChartPage::setPeriod(ChartPeriod period, const QDate& first, const QDate& last) {
    if (period == ChartPeriod::Between) {
        filling_ = true;
        fromEdit_->setDate(first);
        toEdit_->setDate(last);
        filling_ = false;
        datesChosen_ = true;
    }
    if (periodBox_->currentIndex() == static_cast<int>(period)) {
        rebuild();
    } else {
        periodBox_->setCurrentIndex(static_cast<int>(period));
    }
}

void ChartPage::fillChoices() {
    const ChartData& data = shownData();
    filling_ = true;
    if (data.model != quantityModel_) {
        const std::optional<ChartQuantityRow> previous = chosenQuantity();
        quantityModel_ = data.model;
        quantityBox_->clear();
        for (const ChartQuantityRow& row : ChartQuantities(quantityModel_)) {
            quantityBox_->addItem(row.name);
        }
        if (!previous || !setQuantity(previous->quantity)) {
            quantityBox_->setCurrentIndex(quantityBox_->count() > 0 ? 0 : -1);
        }
    }

    // Folders that have records. A folder seen before keeps its mark; of the new ones, those
    // measured most recently in the period are marked while fewer than kFirstChoice are.
    QStringList known;
    for (int i = 0; i < folderList_->count(); ++i) {
        known << folderList_->item(i)->text();
    }
    QStringList marked;
    for (const QString& name : chosenFolders()) {
        if (data.folders.contains(name)) {
            marked << name;
        }
    }
    if (const std::optional<ChartQuantityRow> row = chosenQuantity()) {
        for (const QString& name : FirstChartFolders(data, *row, chosenRange(), kFirstChoice)) {
            if (marked.size() < kFirstChoice && !known.contains(name)) {
                marked << name;
            }
        }
    }
    std::vector<int> counts(static_cast<size_t>(data.folders.size()), 0);
    double first = std::numeric_limits<double>::infinity();
    double last = -first;
    for (const ChartRecord& r : data.records) {
        ++counts[static_cast<size_t>(r.folder)];
        first = std::min(first, r.stamp);
        last = std::max(last, r.stamp);
    }
    for (const QString& name : data.folders) {
        if (!lineStyles_.contains(name)) {
            lineStyles_.insert(name, static_cast<int>(lineStyles_.size()));
        }
    }
    folderList_->clear();
    for (qsizetype f = 0; f < data.folders.size(); ++f) {
        const int count = counts[static_cast<size_t>(f)];
        if (count == 0) {
            continue;
        }
        auto* item = new QListWidgetItem(data.folders.at(f), folderList_);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(marked.contains(item->text()) ? Qt::Checked : Qt::Unchecked);
        item->setToolTip(QStringLiteral("Записей: ") + QString::number(count));
    }
    if (!datesChosen_ && !data.records.empty()) {
        fromEdit_->setDate(DateOfSerial(first));
        toEdit_->setDate(DateOfSerial(last));
    }
    filling_ = false;
}

StampRange ChartPage::chosenRange() const {
    return PeriodRange(static_cast<ChartPeriod>(std::max(periodBox_->currentIndex(), 0)), now(),
                       fromEdit_->date(), toEdit_->date());
}

void ChartPage::rebuild() {
    const ChartData& data = shownData();
    const std::optional<ChartQuantityRow> row = chosenQuantity();
    const QStringList folders = chosenFolders();
    std::vector<ChartSeriesData> series;
    if (row) {
        series = BuildChartSeries(data, *row, folders, chosenRange());
    }
    for (ChartSeriesData& s : series) {
        s.style = lineStyles_.value(s.folder, s.style);
    }
    // Each drawn folder's line beside its name in the list; the others keep an empty place.
    filling_ = true;
    for (int i = 0; i < folderList_->count(); ++i) {
        QListWidgetItem* item = folderList_->item(i);
        const auto drawn = std::find_if(series.begin(), series.end(),
                                        [item](const auto& s) { return s.folder == item->text(); });
        QPixmap swatch(kSwatchSize);
        swatch.fill(Qt::transparent);
        item->setIcon(drawn != series.end() ? ChartView::SeriesSwatch(drawn->style, kSwatchSize)
                                            : swatch);
    }
    filling_ = false;
    QString empty;
    if (showsArchive() && loader_->isRunning()) {
        empty = QStringLiteral("Чтение архива…");
    } else if (showsArchive() && !archiveTrouble_.isEmpty()) {
        empty = archiveTrouble_;
    } else if (data.records.empty()) {
        empty = showsArchive() ? QStringLiteral("В архиве нет записей этого прибора")
                               : QStringLiteral("Нет записей");
    } else {
        empty = folders.isEmpty() ? QStringLiteral("Отметьте папки")
                                  : QStringLiteral("Нет записей этой величины за выбранный период");
    }
    view_->setContent(&data, row, std::move(series), services_.locale, empty);
    const bool drawn = !view_->isEmpty();
    wholeRange_->setEnabled(drawn);
    save_->setEnabled(drawn);
    print_->setEnabled(drawn);
}

void ChartPage::onRecordClicked(int record) {
    const ChartRecord& r = shownData().records.at(static_cast<size_t>(record));
    if (showsArchive()) {
        emit archiveRecordActivated(r.id);
    } else {
        emit recordActivated(static_cast<int>(r.id));
    }
}

QDateTime ChartPage::now() const {
    return services_.now ? services_.now() : QDateTime::currentDateTime();
}

QString ChartPage::titleLine() const {
    QStringList folders;
    for (const ChartSeriesData& s : view_->seriesData()) {
        folders << s.folder;
    }
    const ChartView::Range shown = view_->shownRange();
    const auto stamps = view_->shownStamps().value_or(std::pair{shown.x0, shown.x1});
    const QString quantity = view_->quantity() ? ChartAxisTitle(*view_->quantity()) : QString();
    return ChartTitleLine(folders, quantity, stamps.first, stamps.second, now().date(),
                          services_.locale);
}

void ChartPage::renderChart(QPainter& painter, const QRectF& target,
                            const QSize& logicalSize) const {
    // A copy laid out at the output's size, so that labels, ticks and thinning fit it.
    ChartView copy;
    copy.setAttribute(Qt::WA_DontShowOnScreen);
    copy.setFrameShape(QFrame::NoFrame);
    copy.resize(logicalSize);
    copy.copyFrom(*view_);
    copy.show();
    copy.layoutNow();
    copy.render(&painter, target, copy.viewport()->rect(), Qt::IgnoreAspectRatio);
}

void ChartPage::paintPage(QPainter& painter, const QRectF& page, double dotsPerInch) const {
    // The title, wrapped onto as many lines as it needs.
    QFont font = this->font();
    font.setPointSizeF(11.0);
    font.setBold(true);
    painter.setFont(font);
    const QFontMetricsF metrics(font, painter.device());
    const int titleFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
    const QString title = titleLine();
    const double titleHeight = metrics.boundingRect(page, titleFlags, title).height();
    painter.drawText(QRectF(page.left(), page.top(), page.width(), titleHeight), titleFlags, title);
    double top = page.top() + titleHeight + metrics.height() * 0.5;

    // The legend: each line and its folder's full name, in as many rows as they need.
    font.setPointSizeF(10.0);
    font.setBold(false);
    painter.setFont(font);
    const QFontMetricsF legend(font, painter.device());
    const double row = legend.height() * 1.4;
    const double swatch = legend.height() * 2.2;
    const double gap = legend.height() * 0.5;
    const double penScale = dotsPerInch / kScreenDpi;
    double x = page.left();
    for (const ChartSeriesData& s : view_->seriesData()) {
        const double width = swatch + gap + legend.horizontalAdvance(s.folder) + 2 * gap;
        if (x > page.left() && x + width > page.right()) {
            x = page.left();
            top += row;
        }
        QPen pen = ChartView::SeriesPen(s.style);
        pen.setWidthF(pen.widthF() * penScale);
        painter.setPen(pen);
        painter.drawLine(QPointF(x, top + row / 2), QPointF(x + swatch, top + row / 2));
        painter.setPen(QPen(Qt::black));
        painter.drawText(QRectF(x + swatch + gap, top, width - swatch - gap, row),
                         Qt::AlignLeft | Qt::AlignVCenter, s.folder);
        x += width;
    }
    top += row + legend.height() * 0.3;

    const QRectF chartArea(page.left(), top, page.width(), std::max(1.0, page.bottom() - top));
    const double scale = kScreenDpi / dotsPerInch;
    renderChart(painter, chartArea,
                QSize(static_cast<int>(chartArea.width() * scale),
                      static_cast<int>(chartArea.height() * scale)));
}

bool ChartPage::savePng(const QString& path, const QSize& size, QString* error) const {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    const int dotsPerMeter = static_cast<int>(kPngDpi / 0.0254 + 0.5);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        const double margin = kPngDpi / 6.0;
        paintPage(painter,
                  QRectF(QPointF(0, 0), QSizeF(size)).adjusted(margin, margin, -margin, -margin),
                  kPngDpi);
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit()) {
        if (error != nullptr) {
            *error = file.errorString();
        }
        return false;
    }
    return true;
}

bool ChartPage::savePdf(const QString& path, QString* error) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error != nullptr) {
            *error = file.errorString();
        }
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setTitle(kChartJobTitle);
        writer.setResolution(300);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                         kMarginsMm, QPageLayout::Millimeter));
        QPainter painter;
        if (!painter.begin(&writer)) {
            file.cancelWriting();
            if (error != nullptr) {
                *error = QStringLiteral("документ PDF не начат");
            }
            return false;
        }
        paintPage(painter, QRectF(0, 0, writer.width(), writer.height()), writer.resolution());
        painter.end();
    }
    if (!file.commit()) {
        if (error != nullptr) {
            *error = file.errorString();
        }
        return false;
    }
    return true;
}

bool ChartPage::printTo(QPrinter& printer, QString* error) const {
    printer.setDocName(kChartJobTitle);
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (error != nullptr) {
            *error = QStringLiteral("принтер %1 недоступен").arg(printer.printerName());
        }
        return false;
    }
    paintPage(painter, QRectF(0, 0, printer.width(), printer.height()), printer.resolution());
    if (!painter.end()) {
        if (error != nullptr) {
            *error = QStringLiteral("задание печати не завершено");
        }
        return false;
    }
    return true;
}

void ChartPage::saveChart() {
    if (view_->isEmpty()) {
        return;
    }
    const ChartView::Range shown = view_->shownRange();
    const auto stamps = view_->shownStamps().value_or(std::pair{shown.x0, shown.x1});
    QStringList folders;
    for (const ChartSeriesData& s : view_->seriesData()) {
        folders << s.folder;
    }
    const std::optional<SaveFileChoice> choice = services_.dialogs->SaveFileNamed(
        ChartFilters(), 1, ChartFileName(folders, stamps.first, stamps.second));
    if (!choice) {
        return;
    }
    const QString target = ChartTarget(choice->path, choice->filterIndex);
    if (QFileInfo::exists(target) &&
        services_.dialogs->Ask(QStringLiteral("Файл уже существует\nЗаменить его?"),
                               QStringLiteral("Сохранение графика")) != DialogButton::Yes) {
        return;
    }
    QString error;
    const bool pdf = target.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive);
    if (!(pdf ? savePdf(target, &error) : savePng(target, kPngSize, &error))) {
        services_.dialogs->Inform(QStringLiteral("Ошибка при открытии файла\n") + target,
                                  QStringLiteral("ВНИМАНИЕ!"));
        return;
    }
    emit activity(QStringLiteral("Сохранение графика в файл ") + target);
}

void ChartPage::printChart() {
    if (view_->isEmpty()) {
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setPageMargins(kMarginsMm, QPageLayout::Millimeter);
    if (!services_.dialogs->Print(printer)) {
        return;
    }
    QString error;
    if (!printTo(printer, &error)) {
        services_.dialogs->ReportError(QStringLiteral("Ошибка печати: ") + error);
        return;
    }
    emit activity(QStringLiteral("Печать графика для прибора ") + DisplayName(shownData().model));
}

}  // namespace kvir
