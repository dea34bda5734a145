#include "TaggedRows.h"

#include "PrintReport.h"
#include "report/ExportFile.h"

#include <QFileInfo>
#include <QPrinter>

namespace kvir {

std::optional<QString> ExportRows(OperatorDialogs& dialogs, const QStringList& headers,
                                  const QList<QStringList>& rows) {
    const std::optional<SaveFileChoice> choice = dialogs.SaveFile(ExportFilters(), 1);
    if (!choice) {
        return std::nullopt;
    }
    const QString target = ExportTargetName(choice->path, choice->filterIndex);
    bool append = false;
    if (QFileInfo::exists(target)) {
        const DialogButton answer = dialogs.Message(
            QStringLiteral("Файл уже существует\nДополнить его?\n\nДа - дополнить\n\nНет - "
                           "заменить"),
            QStringLiteral("Экспорт данных"), DialogButtons::YesNoCancel, DialogIcon::Question,
            DialogButton::Yes);
        if (answer == DialogButton::Yes) {
            append = true;
        } else if (answer != DialogButton::No) {
            return std::nullopt;
        }
    }
    QStringList lines;
    if (!append) {
        lines << ExportLine(headers);
    }
    for (const QStringList& row : rows) {
        lines << ExportLine(row);
    }
    const bool written =
        append ? AppendExportFile(target, lines) : ReplaceExportFile(target, lines);
    if (!written) {
        dialogs.Inform(QStringLiteral("Ошибка при открытии файла\n") + target,
                       QStringLiteral("ВНИМАНИЕ!"));
        return std::nullopt;
    }
    return (append ? QStringLiteral("Дополнение файла отчета ")
                   : QStringLiteral("Замена файла отчета ")) +
           target;
}

bool PrintRows(OperatorDialogs& dialogs, const QStringList& headers,
               const QList<QStringList>& rows) {
    QPrinter printer(QPrinter::HighResolution);
    if (!dialogs.Print(printer)) {
        return false;
    }
    QStringList lines{PrintLine(headers, headers)};
    for (const QStringList& row : rows) {
        lines << PrintLine(row, headers);
    }
    QString error;
    if (!PrintLines(printer, lines, kPrintJobTitle, &error)) {
        dialogs.ReportError(QStringLiteral("Ошибка печати: ") + error);
        return false;
    }
    return true;
}

}  // namespace kvir
