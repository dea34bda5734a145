// Start-up, page switching, the connect button's guard and the end of the program.

#include "K210.h"

#include "ConsoleArchive.h"
#include "Settings.h"
#include "WindowHost.h"
#include "instrument/ModelTable.h"
#include "link/Util_comport.h"
#include "session/TextFiles.h"
#include "windows/Progr.h"
#include "windows/Progress.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QRadioButton>
#include <QShowEvent>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTimer>

namespace kvir {

TGround_form::TGround_form(ConsoleServices services, QWidget* parent)
    : QMainWindow(parent),
      services_(std::move(services)),
      host_(std::make_unique<WindowHost>(*this)),
      session_(std::make_unique<Session>(*services_.link, *host_)) {
    Q_ASSERT(services_.dialogs != nullptr && services_.link != nullptr);
    if (services_.workDir.isEmpty()) {
        services_.workDir = QDir::currentPath();
    }
    if (!services_.listPorts) {
        services_.listPorts = SystemSerialPorts;
    }
    if (!services_.now) {
        services_.now = [] { return QDateTime::currentDateTime(); };
    }
    BuildLayout();
    ConnectHandlers();
    RunHandler([this] { FormCreate(); });
}

TGround_form::~TGround_form() = default;

void TGround_form::setAuxWindows(Tprogressmetr* progress, TFProgramm* about) {
    progressmetr_ = progress;
    FProgramm_ = about;
}

QDateTime TGround_form::now() const {
    return services_.now();
}

QString TGround_form::filePath(const QString& name) const {
    return QDir(services_.workDir).filePath(name);
}

void TGround_form::RunHandler(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const ConsoleError& error) {
        dialogs().ReportError(error.text());
    } catch (const std::exception& error) {
        dialogs().ReportError(QString::fromUtf8(error.what()));
    }
}

// ---- Start-up ----------------------------------------------------------------------------

void TGround_form::FormCreate() {
    // 1. The protocol of earlier runs.
    LoadProtocol();
    // 2. The settings file, written first when it is missing.
    if (const auto lines = LoadLines(filePath(kSettingsFileName))) {
        settings_ = *lines;
    } else {
        SaveSettings();  // the settings list holds the lines even when writing failed
        if (const auto written = LoadLines(filePath(kSettingsFileName))) {
            settings_ = *written;
        }
    }
    // 3. The present serial ports, with the one the settings name selected.
    BuildPortList();
    SelectPort(SettingValue(QStringLiteral("port")));
    // 4. Connection mode.
    if (SettingValue(QStringLiteral("Connect")) == QStringLiteral("0")) {
        Rbut_handle->setChecked(true);
    } else {
        Rbut_auto->setChecked(true);
    }
    // 5. Device number.
    Edit_net_adr->setText(SettingValue(QStringLiteral("NetAdres")));
    // 6. The start page is shown before the remaining settings are applied.
    ApplyStartPage();
    // 7. Full screen.
    const bool fullScreen = SettingValue(QStringLiteral("StartEkran")) == QStringLiteral("1");
    Chbut_fulekran->setChecked(fullScreen);
    setWindowState(fullScreen ? Qt::WindowMaximized : Qt::WindowNoState);
    // 8. The model, with the identification it implies.
    ApplyPribor();
    // 9. Columns of the model.
    SetColumnSet(ModelFromDisplayName(SettingValue(QStringLiteral("Pribor"))));
    LayoutColumns();
    // 10. Users.
    LoadUsers();
    // 11. The notebook in memory is empty until one is read or loaded.
    // 12.
    AddProtEntry(QStringLiteral("Начало работы"));
}

void TGround_form::ApplyStartPage() {
    const int page = SettingNumber(QStringLiteral("StartPage"), 1);
    if (page == 0) {
        Rbut_sort_papka->setChecked(true);
        But_sort_nameClick();
    } else if (page == 1) {
        Rbut_sort_date->setChecked(true);
        But_sort_dateClick();
    } else {
        Rbut_nastr->setChecked(true);
        But_nastrClick();
    }
}

void TGround_form::ApplyPribor() {
    session_->setCaption(SettingValue(QStringLiteral("Pribor")));
    setWindowTitle(session_->caption());
    // The identification table shows what the last model's instrument would answer.
    if (const ModelRow* row = RowOf(ModelFromDisplayName(SettingValue(QStringLiteral("Pribor"))))) {
        const QStringList values{row->identName, row->shownVersion, QString::number(0xD000)};
        for (int r = 0; r < 3; ++r) {
            Tabl_identif->setItem(r, 1, new QTableWidgetItem(values.at(r)));
        }
    }
}

void TGround_form::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // A window restored from the task bar is shown by the system, not by the program.
    if (!event->spontaneous()) {
        FormShow();
    }
}

void TGround_form::FormShow() {
    Timer1->setInterval(10);
    Timer1->start();
}

void TGround_form::Timer1Timer() {
    Timer1->stop();
    // The interval is 10 ms only on the first tick after the window appeared.
    if (SettingValue(QStringLiteral("Connect")) == QStringLiteral("1") &&
        Timer1->interval() == 10) {
        But_conectClick();
    }
    Timer1->setInterval(100);
}

// ---- Pages -------------------------------------------------------------------------------

bool TGround_form::isFlat(const QToolButton* button) const {
    const auto* picture = qobject_cast<const PictureButton*>(button);
    return picture != nullptr && picture->isFlat();
}

void TGround_form::setFlat(QToolButton* button, bool flat) {
    if (auto* picture = qobject_cast<PictureButton*>(button)) {
        picture->setFlat(flat);
    }
}

void TGround_form::ShowPage(QWidget* page, QToolButton* flatButton) {
    Panel_nastr->setCurrentWidget(page);
    for (QToolButton* button :
         {static_cast<QToolButton*>(But_sort_name), static_cast<QToolButton*>(But_sort_date),
          static_cast<QToolButton*>(But_contr_papka), static_cast<QToolButton*>(But_nastr),
          static_cast<QToolButton*>(But_archive), static_cast<QToolButton*>(But_chart),
          static_cast<QToolButton*>(But_conect), static_cast<QToolButton*>(But_exit)}) {
        setFlat(button, button == flatButton);
    }
}

void TGround_form::But_sort_nameClick() {
    ShowPage(Page_sort_name, But_sort_name);
    LayoutColumns();
    FillRecordTable(1);
    ResetTags();
}

void TGround_form::But_sort_dateClick() {
    ShowPage(Page_sort_name, But_sort_date);
    LayoutColumns();
    FillRecordTable(2);
    ResetTags();
}

void TGround_form::But_contr_papkaClick() {
    ShowPage(Page_edit_name, But_contr_papka);
    List_nameClick();
}

void TGround_form::But_nastrClick() {
    ShowPage(Page_nastr, But_nastr);
    LayoutColumns();
    FillRecordTable(1);
}

// ---- Connection guard --------------------------------------------------------------------

void TGround_form::But_conectClick() {
    // Connect requests that piled up while the last sequence ran are dropped.
    if (Timer1->isActive() && Timer1->interval() == 100) {
        return;
    }
    ++connectionRuns_;
    setFlat(But_conect, true);
    // Busy state, progress window and guard are restored even when the sequence is
    // abandoned by an error.
    struct EndOfSequence {
        TGround_form* form;
        ~EndOfSequence() {
            if (form->progressmetr_ != nullptr) {
                form->progressmetr_->repaint();
                form->progressmetr_->hide();
            }
            form->setFlat(form->But_conect, false);
            form->Timer1->setInterval(100);
            form->Timer1->start();
        }
    } end{this};
    ResetIdentTables();
    update();
    RunConnectionSequence();
}

// ---- End ---------------------------------------------------------------------------------

void TGround_form::m_exitClick() {
    // A settings file that could not be written keeps the program running, so nothing the
    // operator set is lost.
    if (!SaveSettings()) {
        return;
    }
    session_->Disconnect();
    close();
}

void TGround_form::m_proekt_infoClick() {
    if (FProgramm_ != nullptr) {
        FProgramm_->show();
        FProgramm_->raise();
    }
}

}  // namespace kvir
