#include "WindowTexts.h"

#include "session/OperatorTexts.h"

#include <QFileInfo>

namespace kvir::text {

QString StageTitle(Stage stage) {
    switch (stage) {
        case Stage::Connecting:
            return QStringLiteral("Соединение по COM");
        case Stage::Identifying:
            return QStringLiteral("Чтение идентификатора прибора");
        case Stage::Reading:
            return QStringLiteral("Чтение блокнота");
        case Stage::Writing:
            break;
    }
    return QStringLiteral("Запись блокнота");
}

QString QuestionText(Question question) {
    switch (question) {
        case Question::ReplaceUnwritten:
            return kAskReplaceUnwritten;
        case Question::DiscardEdits:
            return kAskDiscardEdits;
        case Question::Initialise:
            break;
    }
    return kAskInitialise;
}

QString BackupSavedText(const QString& file) {
    return QStringLiteral("Записи блокнота сохранены в резервной копии\r\n") + file;
}

QString BackupFailedText(const QString& file, FileFault fault) {
    return QStringLiteral("Не удалось сохранить резервную копию блокнота\r\n") + file +
           QStringLiteral("\r\n") + FileFaultText(fault) +
           QStringLiteral("\r\n\r\nЗапись в прибор отменена");
}

QString ReadbackDiffersText(const QString& difference) {
    return QStringLiteral("Блокнот, прочитанный из прибора,\r\nотличается от записанного:\r\n") +
           difference + QStringLiteral("\r\n\r\nЗапись не удалась: выполните \"Обновить блокнот\"");
}

QString InstrumentChangedText(int added, int gone, const QString& backupFile) {
    QString text = QStringLiteral("После чтения блокнота прибор изменил его:");
    if (added > 0) {
        text +=
            QStringLiteral("\r\nновых записей: %1 (они остались в приборе и в таблице)").arg(added);
    }
    if (gone > 0) {
        text += QStringLiteral("\r\nзаписей больше нет в приборе: %1").arg(gone);
    }
    if (!backupFile.isEmpty()) {
        text += QStringLiteral("\r\nблокнот прибора перед записью сохранен в резервной копии\r\n") +
                backupFile;
    }
    return text;
}

QString OverwritingText(int unseen, const QString& backupFile) {
    return QStringLiteral(
               "В приборе есть записи, которых нет в блокноте консоли: %1.\r\n"
               "Они удалены из прибора и сохранены в резервной копии\r\n")
               .arg(unseen) +
           backupFile;
}

QString StaleTagsText(int rows) {
    return QStringLiteral(
               "Не удалено записей: %1\r\nстроки таблицы не соответствуют блокноту в памяти\r\n"
               "отметьте записи заново")
        .arg(rows);
}

QString SaveFailedText(const QString& path, FileFault fault) {
    return QStringLiteral("Не удалось записать файл\r\n") + path + QStringLiteral("\r\n") +
           FileFaultText(fault) + QStringLiteral("\r\nФайл не изменен.");
}

QString BadSettingText(const QString& name, const QString& value, int fallback) {
    return QStringLiteral("Значение параметра ") + name + QStringLiteral(" \"") + value +
           QStringLiteral(
               "\" в файле KVIR-Wpad.ini не является целым числом.\r\nИспользуется "
               "значение ") +
           QString::number(fallback) + QStringLiteral(".");
}

QString BadDeviceNumberText(const QString& text) {
    return ExchangeResultText(xr::kBadDeviceNumber) + QStringLiteral(": \"") + text +
           QLatin1Char('"');
}

QString PortFailedText(ExchangeResult result, PortFault fault) {
    QString message = ExchangeResultText(result);
    if (fault != PortFault::None) {
        message += QStringLiteral("\r\n") + PortFaultText(fault);
    }
    return message;
}

QString LinkStatus(bool connected, const QString& port, const QString& caption) {
    if (!connected) {
        return QStringLiteral("нет подключения");
    }
    return QFileInfo(port).fileName() + QStringLiteral(" · ") + caption +
           QStringLiteral(" · подключен");
}

QString MemoryStatus(Origin origin, const QString& label, int records, bool notWritten) {
    QString origin_;
    switch (origin) {
        case Origin::Nothing:
            return QStringLiteral("блокнот не прочитан");
        case Origin::CompleteRead:
            origin_ = QStringLiteral("прочитан в ") + label;
            break;
        case Origin::PartialRead:
            origin_ = QStringLiteral("прочитан не полностью в ") + label;
            break;
        case Origin::BackupFile:
            origin_ = QStringLiteral("резервная копия ") + label;
            break;
        case Origin::Snapshot:
            origin_ = QStringLiteral("снимок архива ") + label;
            break;
    }
    origin_ += QStringLiteral(" · записей %1").arg(records);
    if (notWritten) {
        origin_ += QStringLiteral(" · не записано в прибор");
    }
    return origin_;
}

QString LoadedLabel(const ev::Loaded& loaded) {
    return loaded.label;
}

QString ConnectedEntry(const QString& caption, const QString& port) {
    return QStringLiteral("Прибор ") + caption + QStringLiteral(" подключен ") + port;
}

QString PortNotOpenedEntry(const QString& port, PortFault fault) {
    return QStringLiteral("Порт ") + port + QStringLiteral(" не открыт: ") + PortFaultText(fault);
}

QString ReadEntry(const ev::ReadFinished& read) {
    const QString model = DisplayName(read.model);
    if (read.result == xr::kCancelled) {
        return ReadStoppedText() + QStringLiteral(" ") + model;
    }
    switch (read.purpose) {
        case ev::Purpose::Load:
            return read.completed ? QStringLiteral("Чтение блокнота из прибора ") + model
                                  : QString();
        case ev::Purpose::Backup:
            return read.result == xr::kOk ? QStringLiteral("Чтение блокнота из прибора ") + model +
                                                QStringLiteral(" для резервной копии")
                                          : QString();
        case ev::Purpose::Verify:
            break;
    }
    return {};  // a read-back that matches leaves no line of its own
}

QString ReadFailedEntry(const ev::ReadFinished& read) {
    const QString model = DisplayName(read.model);
    if (read.result == xr::kOk || read.result == xr::kCancelled) {
        return {};
    }
    return read.purpose == ev::Purpose::Verify
               ? QStringLiteral("Ошибка проверки записи в прибор ") + model
               : QStringLiteral("Ошибка чтения блокнота из прибора ") + model;
}

QString ReadStatus(const ev::ReadFinished& read) {
    QString line = QStringLiteral("Прочитано записей: %1").arg(RecordCountOf(read.notebook));
    if (read.result == xr::kCancelled) {
        line += QStringLiteral(" (чтение прервано)");
    } else if (!read.completed || read.result != xr::kOk) {
        line += QStringLiteral(" (чтение не завершено)");
    } else if (read.losses.any()) {
        line += QStringLiteral(" (в приборе больше, чем в памяти)");
    }
    return line;
}

QString WriteEntry(const ev::WriteFinished& write) {
    const QString model = DisplayName(write.model);
    const bool ok = write.result == xr::kOk;
    if (write.result == xr::kCancelled) {
        return QStringLiteral("Запись в прибор ") + model +
               QStringLiteral(" отменена оператором: ничего не стерто");
    }
    switch (write.write) {
        case ev::Write::Folder:
            return (ok ? QStringLiteral("Обновление папки  ")
                       : QStringLiteral("Ошибка обновление папки  ")) +
                   write.name + QStringLiteral(" прибора ") + model;
        case ev::Write::Notebook:
            return (ok ? QStringLiteral("Обновление блокнота прибора ")
                       : QStringLiteral("Ошибка обновления блокнота прибора ")) +
                   model;
        case ev::Write::Initialise:
            break;
    }
    return ok ? QStringLiteral("Инициализация блокнота прибора  ") + model
              : QStringLiteral("Ошибка инициализации блокнота прибора ") + model;
}

QString BackupEntry(const QString& file) {
    return QStringLiteral("Резервная копия блокнота: ") + file;
}

QString BackupFailedEntry(const QString& file) {
    return QStringLiteral("Ошибка записи резервной копии блокнота: ") + file;
}

QString ReadbackDiffersEntry(const QString& difference) {
    return QStringLiteral("Блокнот прибора отличается от записанного: ") + difference;
}

QString InstrumentChangedEntry(int added, int gone) {
    return QStringLiteral("Блокнот прибора изменился после чтения: новых записей %1, исчезло %2")
        .arg(added)
        .arg(gone);
}

QString LoadedEntry(const ev::Loaded& loaded) {
    return loaded.origin == Origin::BackupFile
               ? QStringLiteral("Загрузка резервной копии блокнота ") + loaded.label
               : QStringLiteral("Снимок блокнота из архива открыт: ") + loaded.label +
                     QStringLiteral(", записей ") + QString::number(loaded.records);
}

QString CreateFolderEntry(const QString& name) {
    return QStringLiteral("Создание новой папки ") + name;
}

QString RenameFolderEntry(const QString& from, const QString& to) {
    return QStringLiteral("Наименование папки ") + from + QStringLiteral(" изменено на ") + to;
}

QString DeleteFolderEntry(const QString& name) {
    return QStringLiteral("Удаление папки ") + name;
}

QString ClearFolderEntry(const QString& name) {
    return QStringLiteral("Очистка папки ") + name;
}

QString ClearAllEntry() {
    return QStringLiteral("Очистка папки всех папок");
}

QString DeleteRecordsEntry(int count, const QString& caption) {
    return QStringLiteral("Удаление ") + QString::number(count) +
           QStringLiteral(" записей для прибора ") + caption;
}

QString PrintEntry(const QString& caption) {
    return QStringLiteral("Печать отчета для прибора ") + caption;
}

}  // namespace kvir::text
