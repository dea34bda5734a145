// Writing the notebook back into the instrument, initialising it and loading a backup. The
// session keeps the rules (a copy of the instrument's contents before anything is erased, no
// notebook into another model); here are the questions and what the window shows afterwards.

#include "K210.h"
#include "WindowHost.h"

#include "session/BackupFile.h"
#include "session/OperatorTexts.h"

#include <QFileInfo>

namespace kvir {

bool TGround_form::WriteFolder(int index, const QString& name) {
    const bool written = session_->WriteFolder(index, name);
    SetBusy(false);
    HideProgressWindow();
    return written;
}

bool TGround_form::WriteNotebook() {
    const bool written = session_->WriteNotebook();
    // After a failure the notebook stays in memory for the next attempt, and the table shows
    // it (the directory layout's write packs it first).
    ShowNotebook();
    SetBusy(false);
    HideProgressWindow();
    return written;
}

void TGround_form::But_save_wpadClick() {
    if (dialogs().Ask(QStringLiteral("Блокнот будет очищен\r\nи заполнен данными из редактора "
                                     "блокнота\r\n\r\n          Обновить блокнот?"),
                      QStringLiteral("ВНИМАНИЕ!"),
                      DialogButtons::YesNoCancel) != DialogButton::Yes) {
        return;
    }
    WriteNotebook();
    RefreshFolderEditor();
}

void TGround_form::But_init_wpadClick() {
    host_->announceBackups = true;
    session_->Initialise();
    host_->announceBackups = false;
    setWindowTitle(session_->caption());
    RefreshFolderEditor();
    HideProgressWindow();
    SetBusy(false);
}

void TGround_form::m_open_backupClick() {
    const std::optional<QString> path = dialogs().OpenFile(
        QStringLiteral("Открыть резервную копию"), workDir(),
        {QStringLiteral("Резервная копия блокнота(*") + kBackupSuffix + QLatin1Char(')')});
    if (!path) {
        return;
    }
    FileFault fileFault = FileFault::None;
    const BackupFault fault = session_->LoadBackup(*path, &fileFault);
    const QString name = QFileInfo(*path).fileName();
    if (fault != BackupFault::None) {
        dialogs().Inform(BackupFaultText(fault, fileFault) + QStringLiteral("\r\n") + name,
                         QStringLiteral("ОШИБКА!"), DialogIcon::Error);
        return;
    }
    AddProtEntry(QStringLiteral("Загрузка резервной копии блокнота ") + name);
    ShowNotebook();
    SelectFirstFolder();
    RefreshFolderEditor();
}

}  // namespace kvir
