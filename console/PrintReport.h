#pragma once
// The printed report of tagged records: one line per row, the cells of the visible columns
// padded to the width of their headers so that, in a fixed-pitch font, the columns line up
// under the header line. Printed as one job, continuing on new pages; no page header, footer
// or page number.

#include <QFont>
#include <QString>
#include <QStringList>

class QPrinter;

namespace kvir {

// The job title of every printed report.
inline const QString kPrintJobTitle = QStringLiteral("print K210");

// One printed line: each cell followed by as many blanks as its header is longer than the
// cell (none when the cell is as long or longer). `cells` and `headers` are the visible
// columns, in order.
QString PrintLine(const QStringList& cells, const QStringList& headers);

// The report font: "Courier New" (any fixed-pitch font where it is missing), 15 pixels at
// screen resolution.
QFont ReportFont();

// Prints the lines as one job titled `title` on `printer` with margins of 15 mm on the left
// and 10 mm elsewhere. When the widest line does not fit between the margins the font is made
// smaller (down to 6 pt); what is still too wide is cut at the right margin. False, with the
// reason in `error`, when the job could not be started or finished.
bool PrintLines(QPrinter& printer, const QStringList& lines, const QString& title, QString* error);

}  // namespace kvir
