// The Архив page over a real archive file: the record table's rows and texts page by page, the
// filter, tags and "Выполнить", snapshots opened into memory, and an archive that cannot be
// used.
#include "ArchivePage.h"
#include "ConsoleFixture.h"
#include "archive/ArchiveTestSupport.h"
#include "instrument/Cp1251.h"
#include "report/ArchiveTexts.h"
#include "report/ExportFile.h"
#include "report/NotebookView.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTableWidget>

namespace kvir::test {
namespace {

const QString kOperator = QStringLiteral("Иванов Иван Иванович");

class ArchivePageTest : public ::testing::Test {
  protected:
    ArchivePageTest() {
        EXPECT_EQ(archive.open(), ArchiveStatus::Ok);
        sample = ReadSampleNotebook(DeviceModel::Conc210);
        EXPECT_EQ(archive.store(sample, Meta(true)).status, ArchiveStatus::Ok);
    }
    static SnapshotMeta Meta(bool complete) {
        return {QDateTime(QDate(2026, 12, 7), QTime(9, 5, 14)), QStringLiteral("/dev/ttyUSB0"),
                kOperator, complete, SnapshotKind::Read};
    }
    // The record table's by-date rows of a notebook: columns 2 to 9.
    QList<QStringList> RecordTableRows(Notebook notebook, const QString& folder = {}) const {
        BuildDateOrder(notebook.image);
        QList<QStringList> rows;
        for (int r = 0; r < RecordCountOf(notebook); ++r) {
            QStringList cells = RecordCells(notebook.image, notebook.image.orderByDate[r],
                                            notebook.model, notebook.folders, kOperator, locale);
            cells.removeFirst();
            if (folder.isEmpty() || cells.first() == folder) {
                rows << cells;
            }
        }
        return rows;
    }
    QList<QStringList> PageRows(ArchivePage& page) {
        ArchiveModel& model = *page.records();
        while (model.canFetchMore({})) {
            model.fetchMore({});
        }
        QList<QStringList> rows;
        for (int r = 0; r < model.rowCount(); ++r) {
            rows << model.cells(r);
        }
        return rows;
    }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    QLocale locale{QStringLiteral("ru_RU")};
    ConsoleArchive archive{dir.path()};
    Notebook sample;
};

TEST_F(ArchivePageTest, ShowsTheRecordTableRowsPageByPageAndFilters) {
    ArchivePage page(archive, dialogs, locale);
    EXPECT_EQ(page.Combo_model->currentText(), kModel210) << "the newest snapshot's model";
    EXPECT_EQ(page.Label_count->text(), QStringLiteral("Записей: 1000"));
    EXPECT_EQ(page.records()->rowCount(), ArchiveModel::kPageRows) << "one page, not every row";
    for (int c = 0; c < 8; ++c) {
        EXPECT_EQ(page.records()->headerData(c + 2, Qt::Horizontal).toString(),
                  ModelHeaders(DeviceModel::Conc210).at(c).trimmed());
    }
    EXPECT_EQ(PageRows(page), RecordTableRows(sample));

    page.Combo_folder->setCurrentText(QStringLiteral("Пробоотбор 03"));
    page.But_find->click();
    const QList<QStringList> folder = RecordTableRows(sample, QStringLiteral("Пробоотбор 03"));
    EXPECT_EQ(page.Label_count->text(), QStringLiteral("Записей: %1").arg(folder.size()));
    EXPECT_EQ(PageRows(page), folder);

    // A new read shows up at once, with its new records only.
    const Notebook next = VariantNotebook(sample, 1, 1);
    EXPECT_EQ(archive.store(next, Meta(true)).newRecords, 1000);
    page.Combo_folder->setCurrentText(QString());
    page.But_find->click();
    EXPECT_EQ(page.Label_count->text(), QStringLiteral("Записей: 2000"));
    EXPECT_EQ(page.Table_snapshots->rowCount(), 2);
}

TEST_F(ArchivePageTest, ARecordChosenOnTheChartIsShownAndSelected) {
    ArchivePage page(archive, dialogs, locale);
    QList<ArchivedRecord> all;  // every record: the oldest is shown
    ASSERT_EQ(archive.archive()->fetch(DeviceModel::Conc210, nullptr, 1000, &all),
              ArchiveStatus::Ok);
    page.Combo_model->setCurrentIndex(0);
    page.showRecord(all.last().id);
    EXPECT_EQ(page.Combo_model->currentText(), kModel210);
    EXPECT_EQ(page.Combo_folder->currentText(), all.last().folder);
    const QModelIndex current = page.Table_records->currentIndex();
    ASSERT_TRUE(current.isValid());
    EXPECT_EQ(page.records()->record(current.row()).id, all.last().id);
    EXPECT_EQ(page.records()->cells(current.row()), RecordTableRows(sample).last());
    dialogs.answer(DialogButton::Ok);
    page.showRecord(1'000'000);
    EXPECT_EQ(dialogs.transcript(), QStringList("Архив|Запись не найдена в архиве"));
}

TEST_F(ArchivePageTest, ColumnsFitTheirTextsAndTheSnapshotsSitBesideTheRecords) {
    ArchivePage page(archive, dialogs, locale);
    page.resize(690, 510);  // its room in a window of the design size, 760 × 537
    page.show();
    QCoreApplication::processEvents();
    const ArchiveModel& model = *page.records();
    for (int c = ArchiveModel::kFirstDataColumn; c < ArchiveModel::kColumns; ++c) {
        int widest = page.Table_records->horizontalHeader()->fontMetrics().horizontalAdvance(
            model.headerData(c, Qt::Horizontal).toString());
        for (int r = 0; r < model.rowCount(); ++r) {
            widest = std::max(widest, page.Table_records->fontMetrics().horizontalAdvance(
                                          model.data(model.index(r, c)).toString()));
        }
        // Wide enough for every text, and no wider than that and its margins.
        EXPECT_GE(page.Table_records->columnWidth(c), widest) << c;
        EXPECT_LE(page.Table_records->columnWidth(c), widest + 24) << c;
    }
    const QRect records(page.Table_records->mapTo(&page, QPoint()), page.Table_records->size());
    const QRect snapshots(page.Table_snapshots->mapTo(&page, QPoint()),
                          page.Table_snapshots->size());
    EXPECT_GT(snapshots.left(), records.right());
    EXPECT_LT(snapshots.top(), records.center().y());
}

TEST_F(ArchivePageTest, TaggedRowsAreExportedAndPrintedAsFromTheRecordTable) {
    ArchivePage page(archive, dialogs, locale);
    QStringList protocol;
    QObject::connect(&page, &ArchivePage::protocolEntry,
                     [&protocol](const QString& line) { protocol << line; });
    page.Table_records->selectRow(1);
    page.Table_records->selectionModel()->select(
        page.records()->index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    page.tagSelection(QStringLiteral("s"));
    page.Table_records->selectRow(5);
    page.tagSelection(QStringLiteral("p"));
    page.tagSelection(QStringLiteral("s"));  // a tagged row keeps its tag

    const QString target = dir.filePath(QStringLiteral("отчет"));
    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    dialogs.answerSave(target, 1);
    dialogs.answerPrint(true, [&pdf](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
    });
    page.But_execute->click();

    const QList<QStringList> rows = RecordTableRows(sample);
    QByteArray expected;
    for (const QStringList& cells :
         {ModelHeaders(DeviceModel::Conc210), rows[1], rows[2], rows[3]}) {
        expected += cp1251::Encode(ExportLine(cells)) + "\r\n";
    }
    QFile file(target + QStringLiteral(".csv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), expected);
    EXPECT_TRUE(QFile::exists(pdf));
    EXPECT_EQ(protocol,
              QStringList({QStringLiteral("Замена файла отчета ") + target + QStringLiteral(".csv"),
                           QStringLiteral("Печать отчета архива для прибора КВИР-210v1")}));
    for (int r = 0; r < 8; ++r) {
        EXPECT_TRUE(page.records()->tag(r).isEmpty()) << "tags are cleared";
    }
}

TEST_F(ArchivePageTest, CompleteSnapshotsOpenIntoMemoryPartialOnesDoNot) {
    Notebook partial = sample;
    for (int s = 500; s < kNotebookSlots; ++s) {
        ClearRecordSlot(partial.image, s);
    }
    const StoreResult cut = archive.store(partial, Meta(false));
    EXPECT_EQ(ArchiveStoreEntry(cut, Meta(false), archive.detail()),
              QStringLiteral("Частичный снимок блокнота сохранен в архиве: записей 500, из них "
                             "новых 0"));
    ArchivePage page(archive, dialogs, locale);
    QList<Notebook> opened;
    QObject::connect(&page, &ArchivePage::openSnapshot,
                     [&opened](const Notebook& n, const SnapshotInfo&) { opened << n; });
    ASSERT_EQ(page.Table_snapshots->rowCount(), 2);
    EXPECT_EQ(page.Table_snapshots->item(0, 3)->text(), QStringLiteral("частичный"));

    page.Table_snapshots->setCurrentCell(0, 0);
    dialogs.answer(DialogButton::Ok);
    page.But_open_snapshot->click();
    EXPECT_EQ(dialogs.transcript(),
              QStringList(QStringLiteral("Архив|Снимок неполный: его нельзя открыть как блокнот")));
    EXPECT_TRUE(opened.isEmpty());

    page.Table_snapshots->setCurrentCell(1, 0);
    page.But_open_snapshot->click();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(SameContents(opened.first(), sample));
}

TEST_F(ArchivePageTest, AnArchiveThatCannotBeUsedIsReportedAndTheConsoleGoesOn) {
    QTemporaryDir other;
    QFile damaged(QDir(other.path()).filePath(kArchiveFileName));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray(4096, 'x'));
    damaged.close();
    ConsoleArchive broken(other.path());
    EXPECT_EQ(broken.open(), ArchiveStatus::Damaged);
    EXPECT_EQ(broken.archive(), nullptr);
    const StoreResult r = broken.store(sample, Meta(true));
    EXPECT_EQ(ArchiveStoreEntry(r, Meta(true), {}),
              QStringLiteral("Снимок блокнота не сохранен в архиве: Файл архива поврежден или не "
                             "является архивом"));

    ArchivePage page(broken, dialogs, locale);
    EXPECT_EQ(page.records()->rowCount(), 0);
    EXPECT_TRUE(page.Label_state->text().endsWith(
        QStringLiteral("Файл архива поврежден или не является архивом\nРабота продолжается без "
                       "архива")))
        << page.Label_state->text().toStdString();

    // A server that does not answer: told, and nothing is written beside the settings.
    page.Edit_host->setText(QStringLiteral("127.0.0.1"));
    page.Edit_port->setText(QStringLiteral("1"));
    page.Edit_database->setText(QStringLiteral("kvir"));
    dialogs.answer(DialogButton::Ok);
    page.But_server->click();
    EXPECT_EQ(dialogs.transcript(), QStringList(QStringLiteral("Архив|Сервер архива недоступен")));
    EXPECT_FALSE(QFile::exists(QDir(other.path()).filePath(kArchiveConnectionFileName)));
    EXPECT_EQ(broken.location().kind, ArchiveLocation::Kind::Sqlite);
}

TEST_F(ArchivePageTest, ThePasswordStepKeepsEveryFieldOfTheConnectionFile) {
    ArchivePage local(archive, dialogs, locale);
    // A schema that is no name is refused before anything is sent.
    local.Edit_database->setText(QStringLiteral("kvir"));
    local.Edit_schema->setText(QStringLiteral("\"public\"; DROP TABLE record"));
    dialogs.answer(DialogButton::Ok);
    local.But_server->click();
    EXPECT_EQ(
        dialogs.transcript(),
        QStringList(QStringLiteral("Архив|Имя схемы архива может состоять только из букв, "
                                   "цифр и знака подчеркивания и не может начинаться с цифры")));
    EXPECT_EQ(archive.location().kind, ArchiveLocation::Kind::Sqlite);

    const std::optional<ArchiveLocation> server = TestServer();
    if (!server) {
        GTEST_SKIP() << "KVIR_TEST_POSTGRES is not set: no server for the password step";
    }
    ArchiveLocation where = *server;
    where.schema = QStringLiteral("page_%1").arg(QCoreApplication::applicationPid());
    const auto admin = [&](const QString& sql) {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), "admin");
            db.setHostName(where.host);
            db.setPort(where.port);
            db.setDatabaseName(where.database);
            db.setUserName(where.user);
            EXPECT_TRUE(db.open() && QSqlQuery(db).exec(sql)) << sql.toStdString();
        }
        QSqlDatabase::removeDatabase("admin");
    };
    admin(QStringLiteral("CREATE SCHEMA ") + where.schema);
    QTemporaryDir lab;
    const QString conn = QDir(lab.path()).filePath(kArchiveConnectionFileName);
    const QByteArray file = cp1251::Encode(QStringLiteral("# архив лаборатории\r\n") +
                                           ConnectionFileLines(where).join(QStringLiteral("\r\n")) +
                                           QStringLiteral("\r\n"));
    const auto contents = [&conn] {
        QFile f(conn);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    {
        QFile f(conn);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(file);
    }
    ConsoleArchive shared(lab.path());
    ASSERT_EQ(shared.open(), ArchiveStatus::Ok) << shared.detail().toStdString();
    ArchivePage page(shared, dialogs, locale);
    EXPECT_EQ(page.Edit_schema->text(), where.schema);
    page.Edit_password->setText(QStringLiteral("пароль"));
    page.But_server->click();
    EXPECT_EQ(shared.location().schema, where.schema);
    EXPECT_TRUE(page.Edit_password->text().isEmpty());
    EXPECT_EQ(contents(), file);
    admin(QStringLiteral("DROP SCHEMA ") + where.schema + QStringLiteral(" CASCADE"));
}

}  // namespace
}  // namespace kvir::test
