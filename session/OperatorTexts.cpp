#include "OperatorTexts.h"

#include "instrument/NotebookImage.h"

namespace kvir {

QString ExchangeResultText(ExchangeResult result) {
    switch (result) {
        case xr::kOk:
            return {};
        case xr::kPortFailed:
            return QStringLiteral("Ошибка инициализации COM порта");
        case xr::kBadChecksum:
            return QStringLiteral("Ошибка контрольной суммы");
        case xr::kUnknownDevice:
            return QStringLiteral("Ответ от неизвестного устройства");
        case xr::kCommandFailed:
            return QStringLiteral("Ошибка выполнения команды");
        case xr::kUnknownCommand:
            return QStringLiteral("Неизвестная команда");
        case xr::kNoReply:
            return QStringLiteral("Нет ответа от устройства");
        case xr::kNotSent:
            return QStringLiteral("Ошибка COM-порта");
        case xr::kBadDeviceNumber:
            return QStringLiteral("Номер устройства должен быть целым десятичным числом");
        case xr::kTooManyRecords:
            return QStringLiteral(
                "Записей больше, чем вмещает блокнот прибора\r\nзапись блокнота отменена");
        case xr::kBackupNotSaved:
            return QStringLiteral(
                "Резервная копия блокнота прибора не сохранена\r\nзапись в прибор отменена");
        case xr::kCancelled:
            return QStringLiteral("Прервано оператором");
        default:
            return QStringLiteral("Ошибка обмена");
    }
}

QString ExchangeResultCaption() {
    return QStringLiteral("ОШИБКА ОБМЕНА!");
}

QString PortFaultText(PortFault fault) {
    switch (fault) {
        case PortFault::None:
            break;
        case PortFault::Missing:
            return QStringLiteral("порт не найден");
        case PortFault::Permission:
            return QStringLiteral(
                "нет прав доступа к порту; пользователь должен входить в группу dialout: "
                "sudo usermod -a -G dialout $USER, затем выйти из системы и войти снова");
        case PortFault::Busy:
            return QStringLiteral("порт занят другой программой");
        case PortFault::Settings:
            return QStringLiteral("порт не принимает параметры линии 9600 8E1");
        case PortFault::Io:
            return QStringLiteral("ошибка ввода-вывода: устройство отключено или неисправно");
    }
    return QStringLiteral("причина неизвестна");
}

QString FileFaultText(FileFault fault) {
    switch (fault) {
        case FileFault::None:
            break;
        case FileFault::Missing:
            return QStringLiteral("файл или папка не найдены");
        case FileFault::Permission:
            return QStringLiteral("нет прав на запись");
        case FileFault::DiskFull:
            return QStringLiteral("диск заполнен");
        case FileFault::Busy:
            return QStringLiteral("файл занят другой программой");
        case FileFault::IsDirectory:
            return QStringLiteral("под этим именем находится папка");
        case FileFault::Other:
            return QStringLiteral("ошибка ввода-вывода");
    }
    return QStringLiteral("причина неизвестна");
}

QString BackupFaultText(BackupFault fault, FileFault fileFault) {
    switch (fault) {
        case BackupFault::None:
            break;
        case BackupFault::Unreadable:
            return QStringLiteral("Файл не прочитан: ") + FileFaultText(fileFault);
        case BackupFault::NotABackup:
            return QStringLiteral("Файл не является резервной копией блокнота");
        case BackupFault::NewerFormat:
            return QStringLiteral("Резервная копия записана более новой версией программы");
        case BackupFault::Damaged:
            return QStringLiteral(
                "Резервная копия повреждена или изменена вручную\r\nблокнот не загружен");
        case BackupFault::UnknownModel:
            return QStringLiteral("Резервная копия блокнота прибора неизвестной модели");
        case BackupFault::Unrestorable:
            return QStringLiteral(
                "Резервная копия не может быть записана в прибор без потерь\r\n"
                "(номер папки или число записей больше, чем вмещает блокнот)\r\n"
                "блокнот не загружен");
    }
    return {};
}

QString LossesText(NotebookLosses losses) {
    QStringList lines;
    if (losses.overflow > 0) {
        lines << QStringLiteral("записей больше %1, не поместилось %2")
                     .arg(kNotebookSlots)
                     .arg(losses.overflow);
    }
    if (losses.hidden > 0) {
        lines << QStringLiteral("записей после метки конца страницы: %1").arg(losses.hidden);
    }
    if (losses.nameless > 0) {
        lines << QStringLiteral("записей на страницах без имени папки: %1").arg(losses.nameless);
    }
    return lines.join(QStringLiteral("\r\n"));
}

QString FolderChangedText(int index, const QString& read, const QString& held) {
    return QStringLiteral("папка %1: прочитана «%2», в приборе «%3»")
        .arg(index + 1)
        .arg(read, held);
}

QString NotebookDifferenceText(const NotebookDifference& d) {
    using Kind = NotebookDifference::Kind;
    switch (d.kind) {
        case Kind::None:
            return {};
        case Kind::FolderName:
            return QStringLiteral("Папка %1: записана «%2», прочитана «%3»")
                .arg(d.folderNo)
                .arg(d.folder, d.readName);
        case Kind::FolderCount:
            return QStringLiteral("Папок записано %1, прочитано %2")
                .arg(d.writtenCount)
                .arg(d.readCount);
        case Kind::RecordCount:
            return QStringLiteral("Папка «%1»: записей записано %2, прочитано %3")
                .arg(d.folder)
                .arg(d.writtenCount)
                .arg(d.readCount);
        case Kind::RecordBytes:
            return QStringLiteral("Папка «%1»: записи прочитаны с искажениями").arg(d.folder);
    }
    return {};
}

QString RefusalText(Refusal refusal, const QString& backupFile, NotebookLosses losses,
                    const QString& detail) {
    const QString nothing = QStringLiteral("запись блокнота отменена, ничего не стерто");
    const QString saved =
        backupFile.isEmpty()
            ? QString()
            : QStringLiteral("\r\nвсе записи прибора сохранены в резервной копии\r\n") + backupFile;
    switch (refusal) {
        case Refusal::LossyNotebook:
            return QStringLiteral("Блокнот в памяти содержит не все записи прибора:\r\n") +
                   LossesText(losses) + QStringLiteral("\r\n") + nothing + saved;
        case Refusal::LossyInstrument:
            return QStringLiteral("Блокнот прибора не помещается в память консоли:\r\n") +
                   LossesText(losses) + QStringLiteral("\r\n") + nothing + saved;
        case Refusal::TooManyFolders:
            return QStringLiteral(
                       "В блокноте прибора меньше места для папок,\r\n"
                       "чем папок в блокноте консоли\r\n") +
                   nothing;
        case Refusal::TooManyRecords:
            return QStringLiteral("Записей больше, чем вмещает блокнот прибора\r\n") + nothing;
        case Refusal::FolderChanged:
            return QStringLiteral("Блокнот прибора изменился после чтения:\r\n") + detail +
                   QStringLiteral("\r\n") + nothing +
                   QStringLiteral("\r\nпрочитайте блокнот прибора заново");
        case Refusal::NoFreeEntry:
            return QStringLiteral(
                       "Есть записи с номером папки больше 25,\r\n"
                       "а свободной папки для них нет\r\n") +
                   nothing;
        case Refusal::NoCompleteNotebook:
            return QStringLiteral(
                "В памяти нет полного блокнота прибора\r\n"
                "(блокнот не прочитан полностью и не загружен из резервной копии)\r\n"
                "запись в прибор отменена");
        case Refusal::WholeWriteFirst:
            return QStringLiteral(
                "Предыдущая запись в прибор не завершена\r\n"
                "содержимое блокнота прибора неизвестно\r\n"
                "выполните \"Обновить блокнот\"");
        case Refusal::NoNotebook:
            return QStringLiteral("В памяти нет блокнота\r\nзапись в прибор отменена");
    }
    return {};
}

QString UnsupportedText(const QString& name, const QString& version) {
    return QStringLiteral("Прибор ") + name + QLatin1Char('v') + version +
           QStringLiteral(" не определен\r\nработа с прибором невозможна");
}

QString ReadStoppedText() {
    return QStringLiteral("Чтение блокнота прервано оператором");
}

QString InstrumentWarningText(InstrumentWarning warning) {
    switch (warning) {
        case InstrumentWarning::NoCommonFolder:
            return QStringLiteral(
                "Нарушена структура блокнота\r\nОтсутствует общая папка\r\n"
                "Необходимо обновить блокнот");
        case InstrumentWarning::TooManyRecords:
            return QStringLiteral("В блокноте прибора больше %1 записей\r\nпоказаны первые %1")
                .arg(kNotebookSlots);
    }
    return {};
}

}  // namespace kvir
