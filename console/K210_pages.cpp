// The "Архив" and "График" pages in the main window: every notebook read is kept in the
// archive (the record table marks the records it had never seen), an archived snapshot can be
// opened into memory, and the chart draws the notebook in memory or the whole archive.

#include "ArchivePage.h"
#include "ArchiveTexts.h"
#include "ChartPage.h"
#include "ConsoleArchive.h"
#include "K210.h"

#include <QHeaderView>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTableWidget>

namespace kvir {

void TGround_form::BuildArchivePages() {
    archive_ = std::make_unique<ConsoleArchive>(workDir());
    // Both pages scroll rather than widen the window beyond its design size.
    const auto scrolled = [this](QWidget* page, const char* name) {
        page->setObjectName(QString::fromLatin1(name));
        auto* area = new QScrollArea(Panel_nastr);
        area->setObjectName(QString::fromLatin1(name) + QStringLiteral("_scroll"));
        area->setFrameShape(QFrame::NoFrame);
        area->setWidgetResizable(true);
        area->setWidget(page);
        Panel_nastr->addWidget(area);
    };
    Page_archive = new ArchivePage(*archive_, dialogs(), locale());
    scrolled(Page_archive, "Page_archive");
    Page_chart = new ChartPage(
        {&dialogs(), locale(), services_.now, services_.archive ? archive_.get() : nullptr});
    scrolled(Page_chart, "Page_chart");

    connect(Page_archive, &ArchivePage::protocolEntry, this, &TGround_form::AddProtEntry);
    connect(Page_archive, &ArchivePage::openSnapshot, this,
            [this](const Notebook& notebook, const SnapshotInfo& info) {
                RunHandler([&] {
                    session_->LoadNotebook(notebook);
                    newSlots_.clear();
                    AddProtEntry(QStringLiteral("Снимок блокнота из архива открыт: ") +
                                 info.takenAt.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")) +
                                 QStringLiteral(" ") + DisplayName(notebook.model));
                    ShowNotebook();
                    SelectFirstFolder();
                    RefreshFolderEditor();
                });
            });
    connect(Page_chart, &ChartPage::activity, this, &TGround_form::AddProtEntry);
    connect(Page_chart, &ChartPage::recordActivated, this,
            [this](int slot) { RunHandler([this, slot] { ShowRecordOfChart(slot); }); });
    connect(Page_chart, &ChartPage::archiveRecordActivated, this, [this](qint64 id) {
        RunHandler([this, id] {
            ShowPage(Page_archive->parentWidget()->parentWidget(), But_archive);
            Page_archive->showRecord(id);
        });
    });
}

void TGround_form::But_archiveClick() {
    ShowPage(Page_archive->parentWidget()->parentWidget(), But_archive);
    if (archive_->archive() == nullptr) {
        const ArchiveStatus status = archive_->open();
        if (status != ArchiveStatus::Ok) {
            AddProtEntry(ArchiveUnavailableText(status));
            dialogs().Inform(ArchiveUnavailableText(status), kArchiveCaption);
        }
    }
    Page_archive->showModel(session_->notebook().model != DeviceModel::None
                                ? session_->notebook().model
                                : ModelFromDisplayName(SettingValue(QStringLiteral("Pribor"))));
}

void TGround_form::But_chartClick() {
    ShowPage(Page_chart->parentWidget()->parentWidget(), But_chart);
    Page_chart->setNotebook(session_->notebook());
}

void TGround_form::ShowRecordOfChart(int slot) {
    But_sort_dateClick();
    QTableWidget* table = Tabl_sort_name_dat;
    for (int row = 0; row < table->rowCount(); ++row) {
        const QTableWidgetItem* item = table->item(row, 1);
        if (item != nullptr && item->text() == QString::number(slot)) {
            table->setCurrentCell(row, 2);
            table->scrollToItem(table->item(row, 2));
            return;
        }
    }
}

void TGround_form::StoreInArchive(const Notebook& notebook, bool complete, bool backup) {
    if (!services_.archive || (notebook.folders.isEmpty() && RecordCount(notebook.image) == 0)) {
        return;  // no archive, or nothing was read
    }
    const SnapshotMeta meta{now(), portText(), CurrentUser(), complete,
                            backup ? SnapshotKind::Backup : SnapshotKind::Read};
    const StoreResult result = archive_->store(notebook, meta);
    AddProtEntry(ArchiveStoreEntry(result, meta, archive_->detail()));
    if (result.status != ArchiveStatus::Ok && !archiveTrouble_) {
        // Told once; reading, export and write-back go on without the archive.
        archiveTrouble_ = true;
        dialogs().Inform(ArchiveUnavailableText(result.status), kArchiveCaption);
    }
    if (!backup && result.status == ArchiveStatus::Ok) {
        newSlots_ = result.newSlots;
        newSlotsEdit_ = session_->editCount();
        FillRecordTable(activeView());
    }
}

}  // namespace kvir
