// Writing the notebook back into the instrument, and initialising it. The sequences of
// requests live in instrument/NotebookSequences; here they get their opening and closing
// steps: connection, identification, the backup file, the progress window, the busy state,
// the protocol lines and the messages.

#include "K210.h"
#include "NotebookBackup.h"
#include "TextFiles.h"

#include "instrument/NotebookSequences.h"
#include "link/Util_comport.h"

namespace kvir {

namespace {

// Not an exchange result: the backup file could not be written, so nothing was sent. The
// operator has been told why; the link stays as it is.
constexpr ExchangeResult kBackupRefused = -2;

const QString kWriteCaption = QStringLiteral("Запись блокнота");
const QString kWarningCaption = QStringLiteral("ВНИМАНИЕ!");

}  // namespace

// ---- Backup ------------------------------------------------------------------------------

std::optional<QString> TGround_form::SaveNotebookBackup() {
    // A second backup within the same second replaces the first: it holds the newer notebook.
    const QString name = BackupFileName(now());
    const QStringList lines =
        BackupLines(notebook_, folders_, ModelFromCaption(caption()), CurrentUser(), locale());
    QString error;
    if (!SaveLinesAtomically(filePath(name), lines, &error)) {
        AddProtEntry(QStringLiteral("Ошибка записи резервной копии блокнота: ") + name);
        dialogs().Inform(QStringLiteral("Не удалось сохранить резервную копию блокнота\r\n") +
                             name + QStringLiteral("\r\n") + error +
                             QStringLiteral("\r\n\r\nЗапись в прибор отменена"),
                         QStringLiteral("ОШИБКА!"), DialogIcon::Error);
        return std::nullopt;
    }
    AddProtEntry(QStringLiteral("Резервная копия блокнота: ") + name);
    return name;
}

// ---- Opening and closing steps -------------------------------------------------------------

ExchangeResult TGround_form::BeginNotebookWrite() {
    // The caption names the model of the notebook in memory. A refused or failed attempt
    // leaves it so, and the edited notebook can be written by a later attempt.
    const QString notebookModel = caption();
    if (!link().isOpen()) {
        if (const ExchangeResult r = ConnectInstrument(); r != xr::kOk) {
            return r;
        }
    }
    const ExchangeResult r = IdentifyInstrument();
    if (r == xr::kModelChanged) {
        dialogs().Inform(QStringLiteral("Изменен тип прибора.\r\nБлокнот обновлен не будет"),
                         kWarningCaption);
    }
    if (r != xr::kOk) {
        setWindowTitle(notebookModel);
        return r;
    }
    if (!SaveNotebookBackup()) {
        return kBackupRefused;
    }
    ShowProgressWindow(kWriteCaption);
    SetBusy(true);
    return xr::kOk;
}

void TGround_form::EndNotebookWrite(ExchangeResult result, const QString& successLine,
                                    const QString& failureLine) {
    if (result == xr::kOk) {
        AddProtEntry(successLine);
    } else {
        // A refusal before the first request leaves the link usable.
        if (result != kNotebookTooLarge && result != kBackupRefused) {
            link().ClosePort();
        }
        AddProtEntry(failureLine);
    }
    if (result != kBackupRefused) {
        ReportExchangeResult(result);
    }
    SetBusy(false);
    HideProgressWindow();
}

// ---- Writing -------------------------------------------------------------------------------

bool TGround_form::WriteFolder(int index, const QString& name) {
    ExchangeResult r = BeginNotebookWrite();
    if (r == xr::kOk) {
        r = WriteFolderSequence(
            instrument_, ModelFromCaption(caption()), index, name,
            [this](int fp, int fm, int rp, int rm) { ShowProgress(fp, fm, rp, rm); });
    }
    EndNotebookWrite(
        r, QStringLiteral("Обновление папки  ") + name + QStringLiteral(" прибора ") + caption(),
        QStringLiteral("Ошибка обновление папки  ") + name + QStringLiteral(" прибора ") +
            caption());
    return r == xr::kOk;
}

bool TGround_form::WriteNotebook() {
    ExchangeResult r = BeginNotebookWrite();
    if (r == xr::kOk) {
        const DeviceModel model = ModelFromCaption(caption());
        r = WriteNotebookSequence(instrument_, model, [this](int fp, int fm, int rp, int rm) {
            ShowProgress(fp, fm, rp, rm);
        });
        // The "КВИР-210v1" write packs the folder list in memory.
        SyncFolderList();
    }
    EndNotebookWrite(r, QStringLiteral("Обновление блокнота прибора ") + caption(),
                     QStringLiteral("Ошибка обновления блокнота прибора ") + caption());
    return r == xr::kOk;
}

bool TGround_form::WriteNotebookAndReread() {
    if (!WriteNotebook()) {
        // Reading over the closed port would only empty memory: the edited notebook stays
        // for the next attempt, and the table shows it.
        FillRecordTable(activeView());
        return false;
    }
    const DeviceModel model = ModelFromCaption(caption());
    const NotebookDigest written = DigestOf(notebook_, folders_, model);
    ShowProgressWindow(kWriteCaption);
    SetBusy(true);
    ReadNotebook();
    // A failed read has closed the port and reported itself.
    if (link().isOpen()) {
        const QString difference =
            DescribeDifference(written, DigestOf(notebook_, folders_, model));
        if (!difference.isEmpty()) {
            AddProtEntry(QStringLiteral("Блокнот прибора отличается от записанного: ") +
                         difference);
            dialogs().Inform(
                QStringLiteral(
                    "Блокнот, прочитанный из прибора,\r\nотличается от записанного:\r\n") +
                    difference,
                kWarningCaption);
        }
    }
    return true;
}

// ---- Operator actions ----------------------------------------------------------------------

void TGround_form::But_save_wpadClick() {
    if (dialogs().Ask(QStringLiteral("Блокнот будет очищен\r\nи заполнен данными из редактора "
                                     "блокнота\r\n\r\n          Обновить блокнот?"),
                      kWarningCaption, DialogButtons::YesNoCancel) != DialogButton::Yes) {
        return;
    }
    WriteNotebookAndReread();
    RefreshFolderEditor();
}

void TGround_form::But_init_wpadClick() {
    const auto finish = [this] {
        HideProgressWindow();
        SetBusy(false);
    };
    if (!link().isOpen() && ConnectInstrument() != xr::kOk) {
        finish();
        return;
    }
    const ExchangeResult identified = IdentifyInstrument();
    if (identified != xr::kOk && identified != xr::kModelChanged) {
        finish();
        return;
    }
    if (dialogs().Ask(
            QStringLiteral("Операция восстановления структуры блокнота.\r\nБудут удалены все "
                           "записи и папки блокнота\r\nЗаведена пустая \"ОБЩАЯ ПАПКА\"\r\n\r\n  "
                           "     Очистить блокнот?"),
            kWarningCaption, DialogButtons::YesNoCancel) != DialogButton::Yes) {
        return;
    }
    // What the instrument holds is about to be erased, and memory may hold another
    // instrument's notebook, edits never written, or nothing at all: read the instrument's
    // notebook and keep a backup of it first. A failed read has reported itself and closed
    // the port; nothing is erased then.
    ReadNotebook();
    if (!link().isOpen()) {
        AddProtEntry(QStringLiteral("Ошибка инициализации блокнота прибора ") + caption());
        finish();
        return;
    }
    if (HoldsRecords(notebook_)) {
        const std::optional<QString> backup = SaveNotebookBackup();
        if (!backup) {
            AddProtEntry(QStringLiteral("Ошибка инициализации блокнота прибора ") + caption());
            finish();
            return;
        }
        dialogs().Inform(
            QStringLiteral("Записи блокнота сохранены в резервной копии\r\n") + *backup,
            kWarningCaption, DialogIcon::Information);
    }
    ShowProgressWindow(kWriteCaption);
    SetBusy(true);
    const ExchangeResult r = InitNotebookSequence(
        instrument_, ModelFromCaption(caption()),
        [this](int fp, int fm, int rp, int rm) { ShowProgress(fp, fm, rp, rm); });
    if (r == xr::kOk) {
        AddProtEntry(QStringLiteral("Инициализация блокнота прибора  ") + caption());
        ReadNotebook();
        RefreshFolderEditor();
    } else {
        link().ClosePort();
        AddProtEntry(QStringLiteral("Ошибка инициализации блокнота прибора ") + caption());
        ReportExchangeResult(r);
    }
    finish();
}

}  // namespace kvir
