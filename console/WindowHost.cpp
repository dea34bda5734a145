#include "WindowHost.h"

#include "K210.h"
#include "NotebookBackup.h"
#include "session/OperatorTexts.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

namespace kvir {

namespace {

using Kind = SessionEvent::Kind;
using Purpose = SessionEvent::Purpose;
using Write = SessionEvent::Write;

const QString kWarningCaption = QStringLiteral("ВНИМАНИЕ!");

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

// The protocol lines of a finished write: success and failure.
std::pair<QString, QString> WriteLines(const SessionEvent& event) {
    const QString model = DisplayName(event.model);
    switch (event.write) {
        case Write::Folder:
            return {QStringLiteral("Обновление папки  ") + event.name +
                        QStringLiteral(" прибора ") + model,
                    QStringLiteral("Ошибка обновление папки  ") + event.name +
                        QStringLiteral(" прибора ") + model};
        case Write::Notebook:
            return {QStringLiteral("Обновление блокнота прибора ") + model,
                    QStringLiteral("Ошибка обновления блокнота прибора ") + model};
        case Write::Initialise:
            break;
    }
    return {QStringLiteral("Инициализация блокнота прибора  ") + model,
            QStringLiteral("Ошибка инициализации блокнота прибора ") + model};
}

}  // namespace

QString WindowHost::deviceNumberText() const {
    return form_.Edit_net_adr->text();
}

PortChoice WindowHost::portChoice() const {
    PortChoice choice;
    const QComboBox* box = form_.ComboBox1;
    choice.named = form_.portText();
    const int index = box->currentIndex();
    choice.namedIndex = index >= 0 && box->itemText(index) == choice.named ? index : -1;
    for (int i = 0; i < box->count(); ++i) {
        choice.listed << box->itemText(i);
    }
    choice.automatic = form_.Rbut_auto->isChecked();
    return choice;
}

QDateTime WindowHost::now() const {
    return form_.now();
}

QString WindowHost::workDir() const {
    return form_.workDir();
}

void WindowHost::progress(Stage stage, int foldersPos, int foldersMax, int recordsPos,
                          int recordsMax) {
    // Shown again every time: the operator may have closed it.
    form_.ShowProgressWindow(StageTitle(stage));
    form_.ShowProgress(foldersPos, foldersMax, recordsPos, recordsMax);
}

bool WindowHost::confirmInitialise() {
    return form_.dialogs().Ask(
               QStringLiteral("Операция восстановления структуры блокнота.\r\nБудут удалены все "
                              "записи и папки блокнота\r\nЗаведена пустая \"ОБЩАЯ ПАПКА\"\r\n\r\n"
                              "       Очистить блокнот?"),
               kWarningCaption, DialogButtons::YesNoCancel) == DialogButton::Yes;
}

bool WindowHost::confirmReplaceUnwritten() {
    return form_.dialogs().Ask(QStringLiteral("Блокнот в памяти не записан в прибор.\r\n"
                                              "Прочитать блокнот прибора вместо него?"),
                               kWarningCaption, DialogButtons::YesNoCancel) == DialogButton::Yes;
}

QStringList WindowHost::backupTable(const Notebook& notebook) {
    return BackupLines(notebook.image, notebook.folders, notebook.model, form_.CurrentUser(),
                       form_.locale());
}

void WindowHost::notify(const SessionEvent& event) {
    TGround_form& f = form_;
    f.setWindowTitle(f.session().caption());
    switch (event.kind) {
        case Kind::PortNotOpened:
            f.AddProtEntry(QStringLiteral("Порт ") + event.port + QStringLiteral(" не открыт: ") +
                           PortFaultText(event.fault));
            portFault_ = event.fault;
            return;
        case Kind::PortSelected:
            if (event.index >= 0) {
                f.ComboBox1->setCurrentIndex(event.index);
            } else {
                f.ComboBox1->setEditText(event.port);
            }
            return;
        case Kind::Connected:
            if (event.result == xr::kNoPortNamed) {
                f.dialogs().Inform(QStringLiteral("Подключение невозможно"), kWarningCaption);
                return;
            }
            if (event.result == xr::kOk) {
                f.AddProtEntry(QStringLiteral("Прибор ") + f.caption() +
                               QStringLiteral(" подключен ") + event.port);
            }
            if (event.result == xr::kPortFailed && portFault_ == PortFault::Permission) {
                // The one reason the operator can mend alone: say how.
                f.dialogs().Inform(ExchangeResultText(event.result) + QStringLiteral("\r\n") +
                                       PortFaultText(portFault_),
                                   ExchangeResultCaption());
            } else {
                f.ReportExchangeResult(event.result);
            }
            portFault_ = PortFault::None;
            f.HideProgressWindow();
            f.repaint();
            return;
        case Kind::IdentifyFailed:
            f.ReportExchangeResult(event.result);
            return;
        case Kind::Identified:
            f.ShowIdentification();
            return;
        case Kind::Unsupported:
            f.dialogs().Inform(QStringLiteral("Прибор ") + event.name + QLatin1Char('v') +
                                   event.version +
                                   QStringLiteral(" не определен\r\nработа с прибором невозможна"),
                               kWarningCaption);
            f.HideProgressWindow();
            f.repaint();
            return;
        case Kind::ModelChanged:
            f.dialogs().Inform(QStringLiteral("Изменен тип прибора.\r\nБлокнот обновлен не будет"),
                               kWarningCaption);
            return;
        case Kind::ReadStarted:
            f.SetBusy(true);
            f.ShowNotebook();
            f.ShowProgressWindow(StageTitle(Stage::Reading));
            return;
        case Kind::PageRead:
            // The table grows while the notebook loads.
            f.SyncFolderList();
            f.FillRecordTable(f.activeView());
            f.repaint();
            return;
        case Kind::ReadFinished:
        case Kind::WriteFinished:
            Finished(event);
            return;
        case Kind::BackupSaved:
            f.AddProtEntry(QStringLiteral("Резервная копия блокнота: ") + event.backup.file);
            f.StoreInArchive(*event.notebook, true, true);
            if (announceBackups) {
                f.dialogs().Inform(
                    QStringLiteral("Записи блокнота сохранены в резервной копии\r\n") +
                        event.backup.file,
                    kWarningCaption, DialogIcon::Information);
            }
            return;
        case Kind::BackupFailed:
            f.AddProtEntry(QStringLiteral("Ошибка записи резервной копии блокнота: ") + event.file);
            f.dialogs().Inform(QStringLiteral("Не удалось сохранить резервную копию блокнота\r\n") +
                                   event.file + QStringLiteral("\r\n") +
                                   FileFaultText(event.fileFault) +
                                   QStringLiteral("\r\n\r\nЗапись в прибор отменена"),
                               QStringLiteral("ОШИБКА!"), DialogIcon::Error);
            return;
        case Kind::NothingToBackUp:
            return;
        case Kind::ReadbackDiffers:
            f.AddProtEntry(QStringLiteral("Блокнот прибора отличается от записанного: ") +
                           event.text);
            f.dialogs().Inform(
                QStringLiteral(
                    "Блокнот, прочитанный из прибора,\r\nотличается от записанного:\r\n") +
                    event.text,
                kWarningCaption);
            return;
        case Kind::Refused:
            f.dialogs().Inform(RefusalText(event.refusal), kWarningCaption);
            return;
        case Kind::Warning:
            f.dialogs().Inform(InstrumentWarningText(event.warning), kWarningCaption);
            return;
    }
}

void WindowHost::Finished(const SessionEvent& event) {
    TGround_form& f = form_;
    const QString model = DisplayName(event.model);
    if (event.kind == Kind::WriteFinished) {
        const auto [success, failure] = WriteLines(event);
        f.AddProtEntry(event.result == xr::kOk ? success : failure);
        if (!event.reported && event.result != xr::kBackupNotSaved) {
            f.ReportExchangeResult(event.result);
        }
        f.SetBusy(false);
        f.HideProgressWindow();
        return;
    }
    switch (event.purpose) {
        case Purpose::Load:
            if (event.completed) {
                f.AddProtEntry(QStringLiteral("Чтение блокнота из прибора ") + model);
            }
            if (event.result != xr::kOk) {
                f.AddProtEntry(QStringLiteral("Ошибка чтения блокнота из прибора ") + model);
            }
            f.SyncFolderList();
            f.ReportExchangeResult(event.result);
            f.StoreInArchive(*event.notebook, event.completed, false);
            f.SelectFirstFolder();
            f.HideProgressWindow();
            f.SetBusy(false);
            return;
        case Purpose::Backup:
            if (event.result == xr::kOk) {
                f.AddProtEntry(QStringLiteral("Чтение блокнота из прибора ") + model +
                               QStringLiteral(" для резервной копии"));
            } else {
                f.AddProtEntry(QStringLiteral("Ошибка чтения блокнота из прибора ") + model);
                f.ReportExchangeResult(event.result);
                // What was read is real; the complete read is kept as the backup below.
                f.StoreInArchive(*event.notebook, false, false);
            }
            return;
        case Purpose::Verify:
            f.AddProtEntry(QStringLiteral("Ошибка проверки записи в прибор ") + model);
            f.ReportExchangeResult(event.result);
            return;
    }
}

}  // namespace kvir
