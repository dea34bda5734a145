#pragma once
// The window's own words: captions, questions, messages and protocol lines of the main window
// and its pages, in one place. What the session and the archive report is worded in their own
// tables (session/OperatorTexts.h, ArchiveTexts.h).

#include "session/SessionEvents.h"

#include <QString>

namespace kvir::text {

// ---- Captions of message boxes -------------------------------------------------------------
inline const QString kWarning = QStringLiteral("ВНИМАНИЕ!");
inline const QString kWarningPlain = QStringLiteral("ВНИМАНИЕ");
inline const QString kError = QStringLiteral("ОШИБКА!");
inline const QString kSaveQuestion = QStringLiteral("Предупреждение");
inline const QString kAttention = QStringLiteral("Внимание");

// ---- Main menu, side bar, pages ---------------------------------------------------------------
inline const QString kMenuFile = QStringLiteral("&Файл");
inline const QString kMenuData = QStringLiteral("&Данные");
inline const QString kMenuAbout = QStringLiteral("&О программе");
inline const QString kConnect = QStringLiteral("&Подключиться");
inline const QString kOpenBackup = QStringLiteral("&Открыть резервную копию…");
inline const QString kFolders = QStringLiteral("&Управление папками");
inline const QString kSettings = QStringLiteral("&Настройки");
inline const QString kExit = QStringLiteral("В&ыход");
inline const QString kByFolder = QStringLiteral("По &папкам");
inline const QString kByDate = QStringLiteral("По &дате");
inline const QString kArchive = QStringLiteral("&Архив");
inline const QString kChart = QStringLiteral("&График");
inline const QString kAbout = QStringLiteral("О про&грамме");
inline const QString kCommandBar = QStringLiteral("Панель команд");
inline const QString kSettingsAndProtocol = QStringLiteral("Настройки и протокол");
inline const QString kSettingsTab = QStringLiteral("Настройки программы");
inline const QString kProtocolTab = QStringLiteral("Протокол работы программы");
inline const QString kOpenBackupTitle = QStringLiteral("Открыть резервную копию");
inline const QString kBackupFilter = QStringLiteral("Резервная копия блокнота(*%1)");
inline const QString kTagged = QStringLiteral("отмечено: %1");
inline const QString kStart = QStringLiteral("Начало работы");

// The title of the progress window for each stage of an exchange.
QString StageTitle(Stage stage);

// ---- Questions and messages ---------------------------------------------------------------------
inline const QString kAskSaveChanges = QStringLiteral("Сохранить изменения в блокноте прибора?");
inline const QString kAskUpdateNotebook = QStringLiteral(
    "Блокнот будет очищен\r\nи заполнен данными из редактора блокнота\r\n\r\n          "
    "Обновить блокнот?");
inline const QString kAskInitialise = QStringLiteral(
    "Операция восстановления структуры блокнота.\r\nБудут удалены все записи и папки "
    "блокнота\r\nЗаведена пустая \"ОБЩАЯ ПАПКА\"\r\n\r\n       Очистить блокнот?");
inline const QString kAskReplaceUnwritten = QStringLiteral(
    "Блокнот в памяти не записан в прибор.\r\nПрочитать блокнот прибора вместо него?");
inline const QString kAskDiscardEdits =
    QStringLiteral("Изменения блокнота в памяти не записаны в прибор.\r\nОтказаться от них?");
inline const QString kAskExitUnwritten =
    QStringLiteral("Блокнот в памяти не записан в прибор.\r\nВыйти из программы без записи?");
inline const QString kAskDeleteFolderWithRecords =
    QStringLiteral("В папке имеются записи\r\nудалить папку?");
inline const QString kAskReadNotebook =
    QStringLiteral("Отсутствует информация о блокоте\r\nхотите прочитать блокнот?");
inline const QString kAskSaveProtocol =
    QStringLiteral("Протокол будет сохранен\r\nв файле\r\nKVIR-prot.txt\r\nсохранить?");
inline const QString kNoPortNamed = QStringLiteral("Подключение невозможно");
inline const QString kNoPorts = QStringLiteral("COM порты отсутствуют");
inline const QString kModelChanged =
    QStringLiteral("Изменен тип прибора.\r\nБлокнот обновлен не будет");
inline const QString kNotebookFull = QStringLiteral("Блокнот переполнен");
inline const QString kEnterSurname = QStringLiteral("Введите фамилию пользователя");
inline const QString kUserExists = QStringLiteral("Имя уже существует");
inline const QString kWriting = QStringLiteral("Идёт запись в прибор. Дождитесь окончания.");
inline const QString kNothingTagged = QStringLiteral(
    "Нет отмеченных записей.\r\nОтметьте записи в первом столбце таблицы "
    "(меню правой кнопки мыши или клавиша Delete).");

// The question of a destructive action, by the session's question.
QString QuestionText(Question question);
// Backups and what a write did beyond the operator's edits.
QString BackupSavedText(const QString& file);
QString BackupFailedText(const QString& file, FileFault fault);
QString ReadbackDiffersText(const QString& difference);
QString InstrumentChangedText(int added, int gone, const QString& backupFile);
QString OverwritingText(int unseen, const QString& backupFile);
// Tagged rows whose records are no longer in memory: nothing was done to them.
QString StaleTagsText(int rows);
// A file the console could not write.
QString SaveFailedText(const QString& path, FileFault fault);
// A setting that is not a number.
QString BadSettingText(const QString& name, const QString& value, int fallback);
// A device number field that is not a number.
QString BadDeviceNumberText(const QString& text);
// A port that did not open, with the system's reason on its own line.
QString PortFailedText(ExchangeResult result, PortFault fault);

// ---- The status line ----------------------------------------------------------------------
// The connection: the port's device name, the model and the state.
QString LinkStatus(bool connected, const QString& port, const QString& caption);
// Where memory came from (`label`: the time of the read, the backup file, the snapshot), how
// many records it holds, and whether it holds what the instrument does not.
QString MemoryStatus(Origin origin, const QString& label, int records, bool notWritten);
QString LoadedLabel(const ev::Loaded& loaded);

// ---- Protocol lines
// ------------------------------------------------------------------------------
QString ConnectedEntry(const QString& caption, const QString& port);
QString PortNotOpenedEntry(const QString& port, PortFault fault);
QString ReadEntry(const ev::ReadFinished& read);  // empty when the read leaves no line
QString ReadFailedEntry(const ev::ReadFinished& read);
// The status line after a read into memory: how many records, and whether it is whole.
QString ReadStatus(const ev::ReadFinished& read);
QString WriteEntry(const ev::WriteFinished& write);
QString BackupEntry(const QString& file);
QString BackupFailedEntry(const QString& file);
QString ReadbackDiffersEntry(const QString& difference);
QString InstrumentChangedEntry(int added, int gone);
QString LoadedEntry(const ev::Loaded& loaded);
QString CreateFolderEntry(const QString& name);
QString RenameFolderEntry(const QString& from, const QString& to);
QString DeleteFolderEntry(const QString& name);
QString ClearFolderEntry(const QString& name);
QString ClearAllEntry();
QString DeleteRecordsEntry(int count, const QString& caption);
QString PrintEntry(const QString& caption);

}  // namespace kvir::text
