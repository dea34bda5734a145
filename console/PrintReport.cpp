#include "PrintReport.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QMarginsF>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <cmath>

namespace kvir {

namespace {

// 15 pixels at 96 pixels per inch.
constexpr double kReportPointSize = 15.0 * 72.0 / 96.0;
constexpr double kSmallestPointSize = 6.0;
const QMarginsF kMarginsMm(15.0, 10.0, 10.0, 10.0);

}  // namespace

QString PrintLine(const QStringList& cells, const QStringList& headers) {
    QString line;
    for (qsizetype c = 0; c < cells.size(); ++c) {
        const QString& cell = cells.at(c);
        line += cell;
        const qsizetype header = c < headers.size() ? headers.at(c).size() : 0;
        if (header > cell.size()) {
            line += QString(header - cell.size(), u' ');
        }
    }
    return line;
}

QFont ReportFont() {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    if (!QFontInfo(font).fixedPitch()) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    }
    font.setPointSizeF(kReportPointSize);
    return font;
}

bool PrintLines(QPrinter& printer, const QStringList& lines, const QString& title, QString* error) {
    printer.setDocName(title);
    printer.setFullPage(false);
    printer.setPageMargins(kMarginsMm, QPageLayout::Millimeter);

    QPainter painter;
    if (!painter.begin(&printer)) {
        if (error != nullptr) {
            *error = QStringLiteral("принтер %1 недоступен").arg(printer.printerName());
        }
        return false;
    }
    const double width = printer.width();
    const double height = printer.height();

    QFont font = ReportFont();
    double widest = 0;
    for (const QString& line : lines) {
        widest = std::max(widest, QFontMetricsF(font, &printer).horizontalAdvance(line));
    }
    if (widest > width) {
        font.setPointSizeF(std::max(kSmallestPointSize, font.pointSizeF() * width / widest * 0.99));
    }
    painter.setFont(font);
    painter.setClipRect(QRectF(0, 0, width, height));
    const QFontMetricsF metrics(font, &printer);
    const double lineHeight = metrics.lineSpacing();
    const int perPage = std::max(1, static_cast<int>(std::floor(height / lineHeight)));

    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int onPage = static_cast<int>(i % perPage);
        if (i > 0 && onPage == 0 && !printer.newPage()) {
            painter.end();
            if (error != nullptr) {
                *error = QStringLiteral("новая страница не начата");
            }
            return false;
        }
        painter.drawText(QPointF(0, onPage * lineHeight + metrics.ascent()), lines.at(i));
    }
    if (!painter.end()) {
        if (error != nullptr) {
            *error = QStringLiteral("задание печати не завершено");
        }
        return false;
    }
    return true;
}

}  // namespace kvir
