// The "Архив" and "График" pages in the main window: every notebook read is kept in the
// archive (the record table marks the records it had never seen), an archived snapshot can be
// opened into memory, and the chart draws the notebook in memory or the whole archive.

#include "ArchivePage.h"
#include "ChartPage.h"
#include "ConsoleArchive.h"
#include "K210.h"
#include "OperatorDialogs.h"
#include "RecordTablePage.h"
#include "SettingsPage.h"
#include "ToolIcons.h"
#include "WindowSession.h"
#include "report/ArchiveTexts.h"

#include <QScrollArea>
#include <QStackedWidget>

namespace kvir {

void TGround_form::BuildArchivePages() {
    archive_ = std::make_unique<ConsoleArchive>(services_.workDir);
    // Both pages scroll rather than widen the window beyond its design size.
    const auto scrolled = [this](QWidget* page, const char* name) {
        page->setObjectName(QString::fromLatin1(name));
        auto* area = new QScrollArea(pages_);
        area->setObjectName(QString::fromLatin1(name) + QStringLiteral("_scroll"));
        area->setFrameShape(QFrame::NoFrame);
        area->setWidgetResizable(true);
        area->setWidget(page);
        pages_->addWidget(area);
    };
    archivePage_ = new ArchivePage(*archive_, *services_.dialogs, services_.locale);
    scrolled(archivePage_, "Page_archive");
    chartPage_ = new ChartPage({services_.dialogs, services_.locale, services_.now,
                                services_.archive ? archive_.get() : nullptr});
    scrolled(chartPage_, "Page_chart");

    connect(archivePage_, &ArchivePage::protocolEntry, this, &TGround_form::AddProtEntry);
    connect(archivePage_, &ArchivePage::openSnapshot, this,
            [this](const Notebook& notebook, const SnapshotInfo& info) {
                session_->loadSnapshot(
                    notebook,
                    info.takenAt.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")) +
                        QStringLiteral(" ") + DisplayName(notebook.model),
                    info.complete);
            });
    connect(chartPage_, &ChartPage::activity, this, &TGround_form::AddProtEntry);
    connect(chartPage_, &ChartPage::recordActivated, this, [this](int slot) {
        ShowRecords(2);
        records_->selectSlot(slot);
    });
    connect(chartPage_, &ChartPage::archiveRecordActivated, this, [this](qint64 id) {
        ShowPage(archivePage_->parentWidget()->parentWidget(), archiveButton_);
        archivePage_->showRecord(id);
    });
}

void TGround_form::ShowArchive() {
    ShowPage(archivePage_->parentWidget()->parentWidget(), archiveButton_);
    if (archive_->archive() == nullptr) {
        const ArchiveStatus status = archive_->open();
        if (status != ArchiveStatus::Ok) {
            AddProtEntry(ArchiveUnavailableText(status));
            services_.dialogs->Inform(ArchiveUnavailableText(status), kArchiveCaption);
        }
    }
    const DeviceModel inMemory =
        session_->busy() ? DeviceModel::None : session_->state().notebook().model;
    archivePage_->showModel(inMemory != DeviceModel::None
                                ? inMemory
                                : ModelFromDisplayName(settings_->value(QStringLiteral("Pribor"))));
}

void TGround_form::ShowChart() {
    ShowPage(chartPage_->parentWidget()->parentWidget(), chartButton_);
    if (!session_->busy()) {
        chartPage_->setNotebook(session_->state().notebook());
    }
}

void TGround_form::StoreInArchive(const Notebook& notebook, bool complete, bool backup) {
    if (!services_.archive || (notebook.folders.isEmpty() && RecordCount(notebook.image) == 0)) {
        return;  // no archive, or nothing was read
    }
    const SnapshotMeta meta{services_.now(), settings_->port(), settings_->currentUser(), complete,
                            backup ? SnapshotKind::Backup : SnapshotKind::Read};
    const StoreResult result = archive_->store(notebook, meta);
    AddProtEntry(ArchiveStoreEntry(result, meta, archive_->detail()));
    if (result.status != ArchiveStatus::Ok && !archiveTrouble_) {
        // Told once; reading, export and write-back go on without the archive.
        archiveTrouble_ = true;
        services_.dialogs->Inform(ArchiveUnavailableText(result.status), kArchiveCaption);
    }
    if (!backup && result.status == ArchiveStatus::Ok) {
        records_->showNotebook(notebook);
        records_->model().setNewSlots(result.newSlots);
    }
}

}  // namespace kvir
