// Connection and notebook loading: the connect sequence runs in the session; here are the
// widgets it keeps current (progress window, busy state, folder list) and the check of the
// device number before any request.

#include "K210.h"

#include "ChartPage.h"

#include "session/OperatorTexts.h"
#include "windows/Progress.h"

#include <QLineEdit>
#include <QListWidget>

namespace kvir {

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

void TGround_form::ShowProgress(int foldersPos, int foldersMax, int recordsPos, int recordsMax) {
    if (progressmetr_ != nullptr) {
        progressmetr_->ShowProgress(foldersPos, foldersMax, recordsPos, recordsMax);
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
    List_name->addItems(session_->notebook().folders);
    if (selected >= 0 && selected < List_name->count()) {
        List_name->setCurrentRow(selected);
    }
}

void TGround_form::SelectFirstFolder() {
    if (List_name->count() > 0) {
        QSignalBlocker block(List_name);
        List_name->setCurrentRow(0);
    }
}

void TGround_form::ShowNotebook() {
    setWindowTitle(session_->caption());
    SyncFolderList();
    SetColumnSet(session_->notebook().model);
    LayoutColumns();
    FillRecordTable(activeView());
    if (Page_chart->isVisible()) {
        Page_chart->setNotebook(session_->notebook());
    }
    repaint();
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

void TGround_form::RunConnectionSequence() {
    // A device number that is no number sends nothing; the guard restores the rest.
    if (!CheckDeviceNumber()) {
        return;
    }
    session_->ConnectAndRead();
    setWindowTitle(session_->caption());
    SelectFirstFolder();
}

}  // namespace kvir
