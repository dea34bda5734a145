// The folder editor page: the folder list, the name field and the five folder edits. Every
// edit changes the in-memory notebook first, is entered in the protocol and is then offered
// for writing to the instrument.

#include "FolderNames.h"
#include "K210.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>

namespace kvir {

namespace {

const QString kErrorCaption = QStringLiteral("ОШИБКА!");

// Frees every slot of folder `folderNo`, in ascending order, and packs the image again.
void ClearFolderRecords(NotebookImage& image, int folderNo) {
    for (int s = 0; s < kNotebookSlots; ++s) {
        if (image.folderNo[static_cast<size_t>(s)] == folderNo) {
            ClearRecordSlot(image, s);
        }
    }
    CompactNotebookImage(image);
}

}  // namespace

void TGround_form::RefreshFolderEditor() {
    edit_name->clear();
    const auto setButtons = [this](bool create, bool rename, bool remove, bool clear, bool all) {
        But_new_name->setEnabled(create);
        But_rename_name->setEnabled(rename);
        Butt_del_name->setEnabled(remove);
        Butt_clear_papka->setEnabled(clear);
        Butt_clear_all->setEnabled(all);
    };
    const QStringList& folders = session_->notebook().folders;
    if (folders.isEmpty()) {
        setButtons(false, false, false, false, false);
        return;
    }
    const int row = List_name->currentRow();
    const QString selected = row >= 0 && row < folders.size() ? folders.at(row) : QString();
    if (selected == kCommonFolder) {
        setButtons(true, false, false, true, true);
        return;
    }
    edit_name->setFocus();
    // No selection offers what a free entry offers: a new folder, or clearing them all.
    if (row < 0 || selected == kFreeFolder) {
        setButtons(true, false, false, false, true);
        return;
    }
    setButtons(true, true, true, true, true);
    edit_name->setText(selected);
}

void TGround_form::List_nameClick() {
    RefreshFolderEditor();
    if (session_->notebook().folders.isEmpty() &&
        dialogs().Ask(
            QStringLiteral("Отсутствует информация о блокоте\r\nхотите прочитать блокнот?"),
            QStringLiteral("ВНИМАНИЕ!"), DialogButtons::YesNoCancel) == DialogButton::Yes) {
        But_conectClick();
    }
}

void TGround_form::edit_nameExit() {
    const QString upper = FolderNameFromField(edit_name->text(), locale());
    if (upper != edit_name->text()) {
        edit_name->setText(upper);
    }
}

bool TGround_form::TakeNewFolderName(QString& name) {
    // Pressing a button takes the focus from the field first, so the name checked is always
    // the upper-case form; the same holds when an edit runs without a focus change.
    edit_nameExit();
    name = edit_name->text();
    const FolderNameVerdict verdict = CheckFolderName(name, session_->notebook().folders);
    if (verdict == FolderNameVerdict::Ok) {
        return true;
    }
    dialogs().Inform(FolderNameMessage(verdict), kErrorCaption, DialogIcon::Error);
    return false;
}

void TGround_form::AfterFolderEdit(const QString& protocolLine) {
    SyncFolderList();
    // The table shows memory as it is now, so that no tag stays on a row whose record moved.
    FillRecordTable(activeView());
    AddProtEntry(protocolLine);
}

bool TGround_form::AskSaveChanges() {
    return dialogs().Ask(QStringLiteral("Сохранить изменения в блокноте прибора?"),
                         QStringLiteral("Предупреждение")) == DialogButton::Yes;
}

void TGround_form::But_new_nameClick() {
    if (!But_new_name->isEnabled()) {
        return;
    }
    const auto free = static_cast<int>(session_->notebook().folders.indexOf(kFreeFolder));
    if (free < 0) {
        dialogs().Inform(QStringLiteral("Блокнот переполнен"), kErrorCaption, DialogIcon::Error);
        return;
    }
    {
        // Selecting from code is no list click: the name field keeps the typed name.
        const QSignalBlocker block(List_name);
        List_name->setCurrentRow(free);
    }
    QString name;
    if (!TakeNewFolderName(name)) {
        return;
    }
    session_->edit().folders[free] = name;  // a new folder is empty: no record changes
    AfterFolderEdit(QStringLiteral("Создание новой папки ") + name);
    if (AskSaveChanges()) {
        WriteFolder(free, name);
    }
    RefreshFolderEditor();
}

void TGround_form::But_rename_nameClick() {
    const int index = List_name->currentRow();
    QStringList& folders = session_->edit().folders;
    if (!But_rename_name->isEnabled() || index < 0 || index >= folders.size()) {
        return;
    }
    QString name;
    if (!TakeNewFolderName(name)) {
        return;
    }
    const QString old = folders.at(index);
    // The records keep their folder number and so stay in the renamed folder.
    folders[index] = name;
    AfterFolderEdit(QStringLiteral("Наименование папки ") + old + QStringLiteral(" изменено на ") +
                    name);
    if (AskSaveChanges()) {
        WriteFolder(index, name);
    }
    RefreshFolderEditor();
}

void TGround_form::Butt_del_nameClick() {
    const int index = List_name->currentRow();
    const Notebook& memory = session_->notebook();
    if (!Butt_del_name->isEnabled() || index < 0 || index >= memory.folders.size()) {
        return;
    }
    const auto held = std::count(memory.image.folderNo.begin(), memory.image.folderNo.end(),
                                 static_cast<quint8>(index + 1));
    if (held > 0 && dialogs().Ask(QStringLiteral("В папке имеются записи\r\nудалить папку?"),
                                  QStringLiteral("ВНИМАНИЕ"),
                                  DialogButtons::YesNoCancel) != DialogButton::Yes) {
        return;
    }
    Notebook& edited = session_->edit();
    ClearFolderRecords(edited.image, index + 1);
    const QString name = edited.folders.at(index);
    edited.folders[index] = kFreeFolder;
    AfterFolderEdit(QStringLiteral("Удаление папки ") + name);
    if (AskSaveChanges()) {
        ShowProgressWindow(QStringLiteral("Запись блокнота"));
        SetBusy(true);
        WriteNotebook();
    }
    RefreshFolderEditor();
}

void TGround_form::Butt_clear_papkaClick() {
    const int index = List_name->currentRow();
    Notebook& edited = session_->edit();
    if (!Butt_clear_papka->isEnabled() || index < 0 || index >= edited.folders.size()) {
        return;
    }
    ClearFolderRecords(edited.image, index + 1);
    const QString name = edited.folders.at(index);
    AfterFolderEdit(QStringLiteral("Очистка папки ") + name);
    if (AskSaveChanges()) {
        WriteFolder(index, name);
    }
}

void TGround_form::Butt_clear_allClick() {
    if (!Butt_clear_all->isEnabled()) {
        return;
    }
    // Every folder stays, empty.
    ClearNotebookImage(session_->edit().image);
    AfterFolderEdit(QStringLiteral("Очистка папки всех папок"));
    if (AskSaveChanges()) {
        But_save_wpadClick();
    }
}

}  // namespace kvir
