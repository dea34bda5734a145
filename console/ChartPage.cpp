#include "ChartPage.h"

#include "ChartView.h"
#include "OperatorDialogs.h"
#include "instrument/MemoryLayout.h"

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
    archiveBox_ = new QCheckBox(QStringLiteral("Весь архив"));
    archiveBox_->setAccessibleName(QStringLiteral("Весь архив"));
    archiveBox_->setToolTip(QStringLiteral("Все записи архива для этой модели прибора"));
    archiveBox_->hide();

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
    choices->addWidget(archiveBox_, 9, 0, 1, 2);
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
        if (checked) {
            emit archiveRequested(notebook_.model);
        }
        fillChoices();
        rebuild();
    });
    connect(wholeRange_, &QPushButton::clicked, view_, &ChartView::showWholeRange);
    connect(save_, &QPushButton::clicked, this, &ChartPage::saveChart);
    connect(print_, &QPushButton::clicked, this, &ChartPage::printChart);
    connect(view_, &ChartView::recordClicked, this, &ChartPage::onRecordClicked);

    rebuild();
}

ChartPage::~ChartPage() = default;

void ChartPage::setNotebook(const Notebook& notebook) {
    notebook_ = ChartDataOf(notebook);
    if (!showsArchive()) {
        fillChoices();
        rebuild();
    }
}

void ChartPage::setArchiveAvailable(bool available) {
    archiveBox_->setVisible(available);
    if (!available) {
        archive_.reset();
        archiveBox_->setChecked(false);
    }
}

void ChartPage::setArchiveRecords(ChartData records) {
    archive_ = std::move(records);
    if (archiveBox_->isChecked()) {
        fillChoices();
        rebuild();
    }
}

bool ChartPage::showsArchive() const {
    return archiveBox_->isChecked() && archive_.has_value();
}

const ChartData& ChartPage::shownData() const {
    return showsArchive() ? *archive_ : notebook_;
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

    // Folders that have records; a folder seen before keeps its mark, a new one is marked.
    QStringList known;
    const QStringList marked = chosenFolders();
    for (int i = 0; i < folderList_->count(); ++i) {
        known << folderList_->item(i)->text();
    }
    std::vector<int> counts(static_cast<size_t>(data.folders.size()), 0);
    double first = std::numeric_limits<double>::infinity();
    double last = -first;
    for (const ChartRecord& r : data.records) {
        ++counts[static_cast<size_t>(r.folder)];
        first = std::min(first, r.stamp);
        last = std::max(last, r.stamp);
    }
    folderList_->clear();
    for (qsizetype f = 0; f < data.folders.size(); ++f) {
        const int count = counts[static_cast<size_t>(f)];
        if (count == 0) {
            continue;
        }
        auto* item = new QListWidgetItem(data.folders.at(f), folderList_);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        const bool mark = !known.contains(item->text()) || marked.contains(item->text());
        item->setCheckState(mark ? Qt::Checked : Qt::Unchecked);
        item->setToolTip(QStringLiteral("Записей: ") + QString::number(count));
    }
    if (!datesChosen_ && !data.records.empty()) {
        fromEdit_->setDate(DateOfSerial(first));
        toEdit_->setDate(DateOfSerial(last));
    }
    filling_ = false;
}

void ChartPage::rebuild() {
    const ChartData& data = shownData();
    const std::optional<ChartQuantityRow> row = chosenQuantity();
    const QStringList folders = chosenFolders();
    const StampRange range =
        PeriodRange(static_cast<ChartPeriod>(std::max(periodBox_->currentIndex(), 0)), now(),
                    fromEdit_->date(), toEdit_->date());
    std::vector<ChartSeriesData> series;
    if (row) {
        series = BuildChartSeries(data, *row, folders, range);
    }
    const QString empty = data.records.empty() ? QStringLiteral("Нет записей")
                          : folders.isEmpty()  ? QStringLiteral("Отметьте папки")
                                               : QStringLiteral(
                                                     "Нет записей этой величины за выбранный "
                                                      "период");
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
    QFont font = this->font();
    font.setPointSizeF(11.0);
    font.setBold(true);
    painter.setFont(font);
    const QFontMetricsF metrics(font, painter.device());
    const double titleHeight = metrics.height() * 1.6;
    const QRectF title(page.left(), page.top(), page.width(), titleHeight);
    painter.drawText(title, Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(titleLine(), Qt::ElideRight, page.width()));
    const QRectF chartArea = page.adjusted(0, titleHeight, 0, 0);
    const double scale = kScreenDpi / dotsPerInch;
    renderChart(painter, chartArea,
                QSize(static_cast<int>(chartArea.width() * scale),
                      static_cast<int>(chartArea.height() * scale)));
}

bool ChartPage::savePng(const QString& path, const QSize& size, QString* error) const {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderChart(painter, QRectF(QPointF(0, 0), QSizeF(size)), size);
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
    if (!(pdf ? savePdf(target, &error) : savePng(target, view_->size(), &error))) {
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
