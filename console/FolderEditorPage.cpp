#include "FolderEditorPage.h"

#include "FolderNames.h"
#include "OperatorDialogs.h"
#include "WidgetKit.h"
#include "WindowSession.h"
#include "WindowTexts.h"
#include "instrument/Util_modbas.h"
#include "session/NotebookEdits.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace kvir {

namespace {

constexpr int kFolderListWidth = 144;
constexpr QSize kEditorButtonSize(147, 25);

}  // namespace

FolderEditorPage::FolderEditorPage(WindowSession& session, OperatorDialogs& dialogs,
                                   const QLocale& locale, QWidget* parent)
    : QFrame(parent), session_(session), dialogs_(dialogs), locale_(locale) {
    setObjectName(QStringLiteral("Page_edit_name"));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setAccessibleName(QStringLiteral("Управление папками"));
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(1, 1, 1, 1);
    page->setSpacing(0);
    auto* top = new QHBoxLayout;
    top->setSpacing(0);
    list_ = Named(new QListWidget(this), "List_name");
    list_->setFixedWidth(kFolderListWidth);
    list_->setAccessibleName(QStringLiteral("Список папок"));
    top->addWidget(list_);

    // Name field on the left, commands on the right, as designed.
    auto* work = new QHBoxLayout;
    work->setContentsMargins(0, 56, 0, 0);
    work->addStretch(2);
    auto* nameColumn = new QVBoxLayout;
    name_ = Named(new QLineEdit(this), "edit_name");
    name_->setFixedWidth(kEditorButtonSize.width() - 10);
    auto* label =
        LabelFor(QStringLiteral("Имя папки (не более 16 символов)"), name_, "Label3", this);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setFixedWidth(kEditorButtonSize.width() - 10);
    // How many characters are left while the operator types; the limit is checked on the click.
    left_ = Named(new QLabel(this), "Label_name_left");
    left_->setFixedWidth(kEditorButtonSize.width() - 10);
    left_->setAlignment(Qt::AlignCenter);
    nameColumn->addWidget(label);
    nameColumn->addWidget(name_);
    nameColumn->addWidget(left_);
    nameColumn->addStretch(1);
    work->addLayout(nameColumn);
    work->addStretch(1);
    auto* commands = new QVBoxLayout;
    commands->setSpacing(0);
    commands->addSpacing(16);
    const auto command = [this, commands](const QString& text, const char* name, auto handler) {
        auto* button = Button(text, name, this);
        button->setFixedSize(kEditorButtonSize);
        commands->addWidget(button);
        connect(button, &QPushButton::clicked, this, handler);
        return button;
    };
    create_ = command(QStringLiteral("Создать папку"), "But_new_name", [this] { Create(); });
    rename_ =
        command(QStringLiteral("Переименовать папку"), "But_rename_name", [this] { Rename(); });
    delete_ = command(QStringLiteral("Удалить папку"), "Butt_del_name", [this] { Delete(); });
    commands->addSpacing(23);
    clear_ =
        command(QStringLiteral("Очистить папку"), "Butt_clear_papka", [this] { ClearFolder(); });
    clearAll_ =
        command(QStringLiteral("Очистить все папки"), "Butt_clear_all", [this] { ClearAll(); });
    commands->addStretch(1);
    work->addLayout(commands);
    work->addStretch(2);
    top->addLayout(work, 1);
    page->addLayout(top, 1);

    auto* bar = Named(new QFrame(this), "Panel6");
    bar->setFrameShape(QFrame::Box);
    bar->setFixedHeight(41);
    auto* bottom = new QHBoxLayout(bar);
    bottom->setContentsMargins(29, 4, 6, 4);
    bottom->setSpacing(21);
    initialise_ = Button(QStringLiteral("Очистить блокнот"), "But_init_wpad", bar);
    update_ = Button(QStringLiteral("Обновить блокнот"), "But_save_wpad", bar);
    initialise_->setFixedSize(kEditorButtonSize);
    update_->setFixedSize(kEditorButtonSize);
    connect(initialise_, &QPushButton::clicked, this, [this] {
        if (idle_) {
            session_.initialise();
        }
    });
    connect(update_, &QPushButton::clicked, this, [this] { Update(false); });
    bottom->addWidget(initialise_);
    bottom->addWidget(update_);
    bottom->addStretch(1);
    page->addWidget(bar);

    // A click on the list runs its action even when the entry does not change (the viewport's
    // mouse release); the keyboard changes the entry without a click.
    list_->viewport()->installEventFilter(this);
    connect(list_, &QListWidget::currentRowChanged, this, [this] {
        if (QGuiApplication::mouseButtons() == Qt::NoButton) {
            ListClicked();
        }
    });
    name_->installEventFilter(this);
    connect(name_, &QLineEdit::textChanged, this, [this](const QString& text) {
        const auto left = kFolderNameLength - static_cast<int>(text.size());
        left_->setText(left >= 0 ? QStringLiteral("осталось символов: %1").arg(left)
                                 : QStringLiteral("лишних символов: %1").arg(-left));
    });
}

const Notebook& FolderEditorPage::Memory() const {
    return session_.state().notebook();
}

void FolderEditorPage::setIdle(bool idle) {
    idle_ = idle;
    for (QPushButton* b : {initialise_, update_}) {
        b->setEnabled(idle);
    }
    if (idle) {
        refresh();
    } else {
        for (QPushButton* b : {create_, rename_, delete_, clear_, clearAll_}) {
            b->setEnabled(false);
        }
    }
}

void FolderEditorPage::showFolders(const Notebook& notebook) {
    const int selected = list_->currentRow();
    const QSignalBlocker block(list_);
    list_->clear();
    list_->addItems(notebook.folders);
    if (selected >= 0 && selected < list_->count()) {
        list_->setCurrentRow(selected);
    }
}

void FolderEditorPage::selectFirst() {
    if (list_->count() > 0) {
        const QSignalBlocker block(list_);
        list_->setCurrentRow(0);
    }
}

void FolderEditorPage::refresh() {
    name_->clear();
    const auto setButtons = [this](bool create, bool rename, bool remove, bool clear, bool all) {
        create_->setEnabled(create && idle_);
        rename_->setEnabled(rename && idle_);
        delete_->setEnabled(remove && idle_);
        clear_->setEnabled(clear && idle_);
        clearAll_->setEnabled(all && idle_);
    };
    if (!idle_) {
        setButtons(false, false, false, false, false);
        return;
    }
    const QStringList& folders = Memory().folders;
    if (folders.isEmpty()) {
        setButtons(false, false, false, false, false);
        return;
    }
    const int row = list_->currentRow();
    const QString selected = row >= 0 && row < folders.size() ? folders.at(row) : QString();
    if (selected == kCommonFolder) {
        setButtons(true, false, false, true, true);
        return;
    }
    name_->setFocus();
    // No selection offers what a free entry offers: a new folder, or clearing them all.
    if (row < 0 || selected == kFreeFolder) {
        setButtons(true, false, false, false, true);
        return;
    }
    setButtons(true, true, true, true, true);
    name_->setText(selected);
}

bool FolderEditorPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_->viewport() && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        ListClicked();
    } else if (watched == name_ && event->type() == QEvent::FocusOut) {
        NameLeft();
    }
    return QFrame::eventFilter(watched, event);
}

void FolderEditorPage::ListClicked() {
    if (!idle_) {
        return;
    }
    refresh();
    if (Memory().folders.isEmpty() &&
        dialogs_.Ask(text::kAskReadNotebook, text::kWarning, DialogButtons::YesNoCancel) ==
            DialogButton::Yes) {
        emit readRequested();
    }
}

void FolderEditorPage::NameLeft() {
    const QString upper = FolderNameFromField(name_->text(), locale_);
    if (upper != name_->text()) {
        name_->setText(upper);
    }
}

bool FolderEditorPage::TakeNewName(QString& name) {
    // Pressing a button takes the focus from the field first, so the name checked is always
    // the upper-case form; the same holds when an edit runs without a focus change.
    NameLeft();
    name = name_->text();
    const FolderNameVerdict verdict = CheckFolderName(name, Memory().folders);
    if (verdict == FolderNameVerdict::Ok) {
        return true;
    }
    dialogs_.Inform(FolderNameMessage(verdict), text::kError, DialogIcon::Error);
    return false;
}

bool FolderEditorPage::EditAndAsk(const NotebookEdit& edit, const QString& line) {
    if (!session_.edit(edit)) {
        return false;
    }
    showFolders(Memory());
    emit protocolEntry(line);
    // Memory changed: the views show it before the question.
    emit edited();
    return dialogs_.Confirm(text::kAskSaveChanges, text::kSaveQuestion);
}

void FolderEditorPage::Create() {
    if (!idle_ || !create_->isEnabled()) {
        return;
    }
    const int free = FreeEntryFor(Memory());
    if (free < 0) {
        dialogs_.Inform(text::kNotebookFull, text::kError, DialogIcon::Error);
        return;
    }
    {
        // Selecting from code is no list click: the name field keeps the typed name.
        const QSignalBlocker block(list_);
        list_->setCurrentRow(free);
    }
    QString name;
    if (!TakeNewName(name)) {
        return;
    }
    if (EditAndAsk({NotebookEdit::Kind::CreateFolder, free, name, {}},
                   text::CreateFolderEntry(name))) {
        session_.writeFolder(free, name);
    }
    refresh();
}

void FolderEditorPage::Rename() {
    const int index = list_->currentRow();
    if (!idle_ || !rename_->isEnabled() || index < 0 || index >= Memory().folders.size()) {
        return;
    }
    QString name;
    if (!TakeNewName(name)) {
        return;
    }
    const QString old = Memory().folders.at(index);
    // The records keep their folder number and so stay in the renamed folder.
    if (EditAndAsk({NotebookEdit::Kind::RenameFolder, index, name, {}},
                   text::RenameFolderEntry(old, name))) {
        session_.writeFolder(index, name);
    }
    refresh();
}

void FolderEditorPage::Delete() {
    const int index = list_->currentRow();
    const Notebook& memory = Memory();
    if (!idle_ || !delete_->isEnabled() || index < 0 || index >= memory.folders.size()) {
        return;
    }
    const auto held = std::count(memory.image.folderNo.begin(), memory.image.folderNo.end(),
                                 static_cast<quint8>(index + 1));
    if (held > 0 && !dialogs_.Confirm(text::kAskDeleteFolderWithRecords, text::kWarningPlain,
                                      DialogButtons::YesNoCancel)) {
        return;
    }
    const QString name = memory.folders.at(index);
    if (EditAndAsk({NotebookEdit::Kind::DeleteFolder, index, {}, {}},
                   text::DeleteFolderEntry(name))) {
        session_.writeNotebook(WholeWrite::Edits);
    }
    refresh();
}

void FolderEditorPage::ClearFolder() {
    const int index = list_->currentRow();
    if (!idle_ || !clear_->isEnabled() || index < 0 || index >= Memory().folders.size()) {
        return;
    }
    const QString name = Memory().folders.at(index);
    if (EditAndAsk({NotebookEdit::Kind::ClearFolder, index, {}, {}},
                   text::ClearFolderEntry(name))) {
        session_.writeFolder(index, name);
    }
}

void FolderEditorPage::ClearAll() {
    if (!idle_ || !clearAll_->isEnabled()) {
        return;
    }
    // Every folder stays, empty.
    if (EditAndAsk({NotebookEdit::Kind::ClearAll, -1, {}, {}}, text::ClearAllEntry())) {
        Update(true);
    }
}

void FolderEditorPage::Update(bool edits) {
    if (!idle_) {
        return;
    }
    if (dialogs_.Confirm(text::kAskUpdateNotebook, text::kWarning, DialogButtons::YesNoCancel)) {
        session_.writeNotebook(edits ? WholeWrite::Edits : WholeWrite::Memory);
    }
    refresh();
}

}  // namespace kvir
