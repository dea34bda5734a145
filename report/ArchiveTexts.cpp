#include "ArchiveTexts.h"

#include "ProtocolText.h"

namespace kvir {

QString ArchiveStatusText(ArchiveStatus status) {
    switch (status) {
        case ArchiveStatus::Ok:
            return {};
        case ArchiveStatus::NoDriver:
            return QStringLiteral("Не установлен драйвер базы данных архива");
        case ArchiveStatus::BadConnectionFile:
            return QStringLiteral("Файл подключения к архиву KVIR-archive.conn испорчен");
        case ArchiveStatus::CannotOpen:
            return QStringLiteral("Не удается открыть или создать файл архива");
        case ArchiveStatus::ReadOnly:
            return QStringLiteral("Архив доступен только для чтения");
        case ArchiveStatus::Locked:
            return QStringLiteral("Архив занят другой программой");
        case ArchiveStatus::Damaged:
            return QStringLiteral("Файл архива поврежден или не является архивом");
        case ArchiveStatus::NewerSchema:
            return QStringLiteral("Архив создан более новой версией программы");
        case ArchiveStatus::NoArchive:
            return QStringLiteral("Архива еще нет");
        case ArchiveStatus::DiskFull:
            return QStringLiteral("Нет места на диске для архива");
        case ArchiveStatus::BadSchema:
            return QStringLiteral(
                "Имя схемы архива может состоять только из букв, цифр и знака подчеркивания и "
                "не может начинаться с цифры");
        case ArchiveStatus::NoSchema:
            return QStringLiteral("На сервере архива нет схемы с таким именем");
        case ArchiveStatus::ServerUnavailable:
            return QStringLiteral("Сервер архива недоступен");
        case ArchiveStatus::LoginFailed:
            return QStringLiteral("Сервер архива не принял имя пользователя или пароль");
        case ArchiveStatus::ConnectionLost:
            return QStringLiteral("Связь с сервером архива прервана");
        case ArchiveStatus::NotFound:
            return QStringLiteral("Снимок не найден в архиве");
        case ArchiveStatus::PartialSnapshot:
            return QStringLiteral("Снимок неполный: его нельзя открыть как блокнот");
        case ArchiveStatus::BadNotebook:
            return QStringLiteral(
                "Блокнот нельзя сохранить в архиве: прибор не определен или имя папки содержит "
                "недопустимые символы");
        case ArchiveStatus::Failed:
            break;
    }
    return QStringLiteral("Ошибка архива");
}

QString ArchiveUnavailableText(ArchiveStatus status) {
    return ArchiveStatusText(status) + QStringLiteral("\r\nРабота продолжается без архива");
}

QString ArchiveStoreEntry(const StoreResult& result, const SnapshotMeta& meta,
                          const QString& detail) {
    const bool backup = meta.kind == SnapshotKind::Backup;
    const QString what = backup ? QStringLiteral("Резервная копия")
                                : (meta.complete ? QStringLiteral("Снимок блокнота")
                                                 : QStringLiteral("Частичный снимок блокнота"));
    const QString stored = backup ? QStringLiteral("сохранена") : QStringLiteral("сохранен");
    // The database's own words (`detail`) are English: the operator reads the status.
    Q_UNUSED(detail);
    if (result.status != ArchiveStatus::Ok) {
        return what + QStringLiteral(" не ") + stored + QStringLiteral(" в архиве: ") +
               ArchiveStatusText(result.status);
    }
    return what + u' ' + stored + QStringLiteral(" в архиве: записей ") +
           QString::number(result.records) + QStringLiteral(", из них новых ") +
           QString::number(result.newRecords);
}

QString SnapshotKindText(const SnapshotInfo& info) {
    if (info.kind == SnapshotKind::Backup) {
        return QStringLiteral("резервная копия");
    }
    return info.complete ? QStringLiteral("полный") : QStringLiteral("частичный");
}

QString SnapshotLine(const SnapshotInfo& info, const QLocale& locale) {
    return ProtocolStamp(info.takenAt, locale) + QStringLiteral("  ") + DisplayName(info.model) +
           QStringLiteral("  записей ") + QString::number(info.records) + QStringLiteral("  ") +
           SnapshotKindText(info);
}

}  // namespace kvir
