// Connection and notebook loading: the connect sequence, ConnectInstrument with automatic
// detection over the listed ports, IdentifyInstrument and ReadNotebook.

#include "K210.h"

#include "instrument/NotebookSequences.h"
#include "link/Util_comport.h"
#include "windows/Progress.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTableWidget>

namespace kvir {

// ---- Context of the instrument operations ------------------------------------------------

QString WindowContext::deviceNumberText() const {
    return form_.Edit_net_adr->text();
}

QString WindowContext::identValue(int row) const {
    const QTableWidgetItem* item = form_.Tabl_identif->item(row, 1);
    return item != nullptr ? item->text() : QString();
}

void WindowContext::setIdentValue(int row, const QString& text) {
    form_.Tabl_identif->setItem(row, 1, new QTableWidgetItem(text));
}

NotebookImage& WindowContext::notebook() {
    return form_.notebook();
}

QStringList& WindowContext::folderList() {
    return form_.folders_;
}

QDate WindowContext::today() const {
    return form_.now().date();
}

void WindowContext::warn(const QString& text, const QString& caption) {
    form_.dialogs().Inform(text, caption);
}

// ---- Helpers -------------------------------------------------------------------------------

void TGround_form::ReportExchangeResult(ExchangeResult result) {
    if (result != xr::kOk) {
        dialogs().Inform(ExchangeResultText(result), ExchangeResultCaption());
    }
}

void TGround_form::ShowProgressWindow(const QString& title) {
    if (progressmetr_ == nullptr) {
        return;
    }
    if (!progressmetr_->isVisible()) {
        progressmetr_->show();
    }
    progressmetr_->setWindowTitle(title);
}

void TGround_form::HideProgressWindow() {
    if (progressmetr_ != nullptr) {
        progressmetr_->repaint();
        progressmetr_->hide();
    }
}

void TGround_form::SetBusy(bool busy) {
    setFlat(But_conect, busy);
    repaint();
}

void TGround_form::SyncFolderList() {
    const int selected = List_name->currentRow();
    QSignalBlocker block(List_name);
    List_name->clear();
    List_name->addItems(folders_);
    if (selected >= 0 && selected < List_name->count()) {
        List_name->setCurrentRow(selected);
    }
}

void TGround_form::SelectFirstFolder() {
    if (!folders_.isEmpty()) {
        QSignalBlocker block(List_name);
        List_name->setCurrentRow(0);
    }
}

bool TGround_form::CheckDeviceNumber() {
    if (ParseDeviceNumber(Edit_net_adr->text())) {
        return true;
    }
    dialogs().Inform(ExchangeResultText(xr::kBadDeviceNumber) + QStringLiteral(": \"") +
                         Edit_net_adr->text() + QLatin1Char('"'),
                     QStringLiteral("ОШИБКА!"));
    return false;
}

// ---- The connect sequence ------------------------------------------------------------------

void TGround_form::RunConnectionSequence() {
    // A device number that is no number sends nothing; the guard restores the rest.
    if (!CheckDeviceNumber()) {
        return;
    }
    const ExchangeResult r = ConnectInstrument();
    if (r == xr::kOk) {
        const ExchangeResult a = IdentifyInstrument();
        if (a == xr::kOk || a == xr::kModelChanged) {
            ReadNotebook();
        }
    }
    SelectFirstFolder();
}

ExchangeResult TGround_form::ConnectInstrument() {
    link().ClosePort();
    const QString named = portText();
    if (named.isEmpty()) {
        dialogs().Inform(QStringLiteral("Подключение невозможно"), QStringLiteral("ВНИМАНИЕ!"));
        return xr::kNoPortNamed;
    }
    const int n = ComboBox1->count();
    ShowProgressWindow(QStringLiteral("Соединение по COM"));
    ShowProgress(0, n, 0, 26);

    ExchangeResult r = link().OpenPort(named);
    const bool opened = r == 0;
    if (opened) {
        ShowProgress(1, n, 0, 26);
        r = instrument_.PingInstrument();
    } else {
        AddPortFailureEntry(named);
    }
    // Automatic detection: the other listed ports, in list order, until one answers. The
    // port just tried is passed over.
    if (opened && r != xr::kOk && Rbut_auto->isChecked() && n > 0) {
        link().ClosePort();
        const int tried = ComboBox1->currentIndex();
        for (int i = 0; i < n; ++i) {
            if (i == tried && ComboBox1->itemText(i) == named) {
                continue;
            }
            ComboBox1->setCurrentIndex(i);
            r = link().OpenPort(ComboBox1->itemText(i));
            if (r != 0) {
                continue;
            }
            r = instrument_.PingInstrument();
            ShowProgress(i, n, 0, 26);
            if (r == xr::kOk) {
                break;
            }
            link().ClosePort();
        }
    }
    if (r != xr::kOk) {
        link().ClosePort();
    } else {
        AddProtEntry(QStringLiteral("Прибор ") + caption() + QStringLiteral(" подключен ") +
                     portText());
    }
    ReportExchangeResult(r);
    HideProgressWindow();
    repaint();
    return r;
}

ExchangeResult TGround_form::IdentifyInstrument() {
    if (!link().isOpen()) {
        const ExchangeResult r = ConnectInstrument();
        if (r != xr::kOk) {
            return r;
        }
    }
    ShowProgressWindow(QStringLiteral("Чтение идентификатора прибора"));
    ShowProgress(1, 1, 0, 26);
    const ExchangeResult r = instrument_.ReadIdentification();
    ShowProgress(1, 1, 0, 26);
    if (r != xr::kOk) {
        link().ClosePort();
        ReportExchangeResult(r);
        setWindowTitle(kModelNone);
        return r;
    }
    const QString previous = caption();
    const QString name = context_.identValue(kIdentName);
    const QString version = context_.identValue(kIdentVersion);
    const DeviceModel model = ModelFromIdentification(name, version);
    if (model != DeviceModel::None) {
        setWindowTitle(DisplayName(model));
        return caption() == previous ? xr::kOk : xr::kModelChanged;
    }
    const QString shown = name + QLatin1Char('v') + version;
    setWindowTitle(shown);
    dialogs().Inform(QStringLiteral("Прибор ") + shown +
                         QStringLiteral(" не определен\r\nработа с прибором невозможна"),
                     QStringLiteral("ВНИМАНИЕ!"));
    HideProgressWindow();
    repaint();
    return xr::kUnsupportedModel;
}

void TGround_form::ReadNotebook() {
    SetBusy(true);
    folders_.clear();
    SyncFolderList();
    ClearNotebookImage(notebook_);
    Tabl_sort_name_dat->setRowCount(1);
    for (int c = 0; c < Tabl_sort_name_dat->columnCount(); ++c) {
        Tabl_sort_name_dat->setItem(0, c, nullptr);
    }
    SetColumnSet(caption());
    LayoutColumns();
    repaint();

    const DeviceModel model = ModelFromCaption(caption());
    ReadOutcome outcome;
    if (model != DeviceModel::None) {
        if (progressmetr_ != nullptr) {
            progressmetr_->repaint();
        }
        ShowProgressWindow(QStringLiteral("Чтение блокнота"));
        outcome = ReadWholeNotebook(
            instrument_, model,
            [this](int fp, int fm, int rp, int rm) {
                // Shown again after every page: the operator may have closed it. The bars
                // repaint at once.
                ShowProgressWindow(QStringLiteral("Чтение блокнота"));
                ShowProgress(fp, fm, rp, rm);
            },
            [this] {
                // The table grows while the notebook loads.
                SyncFolderList();
                FillRecordTable(activeView());
                repaint();
            });
        SyncFolderList();
    } else {
        outcome.completed = true;
    }
    if (outcome.completed) {
        AddProtEntry(QStringLiteral("Чтение блокнота из прибора ") + caption());
    }
    if (outcome.result != xr::kOk) {
        link().ClosePort();
        AddProtEntry(QStringLiteral("Ошибка чтения блокнота из прибора ") + caption());
    }
    ReportExchangeResult(outcome.result);
    SelectFirstFolder();
    HideProgressWindow();
    SetBusy(false);
}

}  // namespace kvir
