// Printing tagged records: the printed line layout, a report printed to a PDF file and read
// back with pdftotext, pages, failures, and a job through the print service's PDF queue.
#include "PrintReport.h"
#include "SimConsoleFixture.h"
#include "common/Poppler.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTableWidget>

namespace kvir::test {
namespace {

const QString kNotebook510 = QStringLiteral(
    "folder 1 ОБЩАЯ ПАПКА\n"
    "folder 2 РЕКА\n"
    "record 1 2026-03-04 09:12:48 1 23.5 -12.3 5.5\n"
    "record 2 2026-05-10 00:00:00 3 18.25 105.5 4.25\n"
    "record 2 2026-03-04 09:12:48 2 20 0 6\n"
    "record 1 2026-11-30 23:59:58 4 -1.5 1234.5 3\n");

std::optional<QString> PdfText(const QString& pdf) {
    return Poppler("pdftotext", {"-layout", pdf, "-"});
}

QStringList Words(const QString& text) {
    return text.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
}

QString PdfInfo(const QString& pdf, const QString& field) {
    const QString info = Poppler("pdfinfo", {pdf}).value_or(QString());
    for (const QString& line : info.split('\n')) {
        if (line.startsWith(field + ':')) {
            return line.mid(field.size() + 1).trimmed();
        }
    }
    return {};
}

// The words of the report of rows 1 and 2 by folder with the column "Режим " hidden.
const QStringList kReportWords = Words(
    "Папка Дата/Время Т[С] ЭДС[мВ] pH pH25 Пользователь "
    "РЕКА 04.03.2026 9:12:48 20,00 0,00 6,0000 6,0000 "
    "ОБЩАЯ ПАПКА 04.03.2026 9:12:48 23,50 -12,30 5,5000 5,5000");

TEST(PrintReport, CellsArePaddedToTheirHeaders) {
    struct Case {
        QStringList cells;
        QStringList headers;
        QString line;
    };
    const Case cases[] = {
        {{"РЕКА", "pH"}, {"Папка   ", "Режим "}, "РЕКА    pH    "},
        {{"Папка   ", "Режим "}, {"Папка   ", "Режим "}, "Папка   Режим "},
        // A cell longer than its header pushes the rest of the line to the right.
        {{"КРК[мкг/л]+соль", "12"}, {"Режим         ", "Соль[мг/л]"}, "КРК[мкг/л]+соль12        "},
        {{"", ""}, {"ab", "c"}, "   "},
        {{}, {}, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PrintLine(c.cells, c.headers), c.line) << c.line.toStdString();
    }
}

TEST(PrintReport, LongReportsGoOnNewPagesAndWideLinesAreShrunkToFit) {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) {
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    }
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("long.pdf"));
    printer.setPageSize(QPageSize(QPageSize::A4));
    // 120 characters: wider than an A4 page in the report font.
    const QString wide = QString("W").repeated(110) + "0123456789";
    QStringList lines{wide};
    for (int i = 1; i <= 150; ++i) {
        lines << QStringLiteral("строка %1").arg(i, 3, 10, QChar('0'));
    }
    QString error;
    ASSERT_TRUE(PrintLines(printer, lines, kPrintJobTitle, &error)) << error.toStdString();
    const QString pdf = dir.filePath("long.pdf");
    EXPECT_GE(PdfInfo(pdf, "Pages").toInt(), 2);
    EXPECT_EQ(PdfInfo(pdf, "Title"), kPrintJobTitle);
    const QStringList words = Words(PdfText(pdf).value_or(QString()));
    EXPECT_EQ(words.value(0), wide) << "the wide line is printed whole";
    EXPECT_EQ(words.count("строка"), 150);
    EXPECT_EQ(words.last(), "150");
}

class PrintTest : public SimConsoleFixture {
  protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty()) {
            GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
        }
    }

    // Connected to a "КВИР-510v2", by folder, with the column "Режим " hidden.
    TGround_form& Connected() {
        SimulatedInstrument& instrument = AddInstrument("510", kNotebook510);
        WriteSettingsFor(instrument.port, 1, false, kModel510);
        TGround_form& f = StartWithProgress();
        f.But_conectClick();
        f.CheckBox[2]->setChecked(false);
        f.But_sort_nameClick();
        EXPECT_TRUE(f.Tabl_sort_name_dat->isColumnHidden(4));
        EXPECT_TRUE(dialogs.calls().empty()) << dialogs.transcript().join('\n').toStdString();
        return f;
    }

    void Tag(int first, int last, void (TGround_form::*tagging)()) {
        QTableWidget* table = form->Tabl_sort_name_dat;
        table->clearSelection();
        table->setCurrentCell(first, 2, QItemSelectionModel::NoUpdate);
        table->setRangeSelected(QTableWidgetSelectionRange(first, 0, last, 9), true);
        (form.get()->*tagging)();
    }

    QString LastEntry() const {
        return form->protocolLines().last().section(QStringLiteral("  "), 1);
    }
};

TEST_F(PrintTest, AHiddenColumnIsExportedButNotPrinted) {
    TGround_form& f = Connected();
    Tag(1, 2, &TGround_form::p_menu_saveClick);
    dialogs.answerSave(PathOf("otchet"), 1);
    f.But_exe_zapClick();
    const QByteArray exported = ReadFile("otchet.csv");
    EXPECT_TRUE(exported.contains(";pH25;")) << exported.toStdString();
    EXPECT_TRUE(exported.contains(";pH;"));

    const QString pdf = PathOf("report.pdf");
    Tag(1, 2, &TGround_form::p_menu_printClick);
    dialogs.answerPrint(true, [&pdf](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
    });
    f.But_exe_zapClick();
    EXPECT_EQ(Words(PdfText(pdf).value_or("<no text>")), kReportWords);
    EXPECT_EQ(PdfInfo(pdf, "Title"), "print K210");
    EXPECT_EQ(LastEntry(), "Печать отчета для прибора КВИР-510v2");
}

TEST_F(PrintTest, APrinterThatCannotStartIsReportedWithoutProtocolEntry) {
    TGround_form& f = Connected();
    ASSERT_TRUE(QDir(dir.path()).mkdir("report.pdf"));
    const QStringList protocol = f.protocolLines();
    Tag(0, 0, &TGround_form::p_menu_printClick);
    const QString pdf = PathOf("report.pdf");
    dialogs.answerPrint(true, [&pdf](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
    });
    dialogs.expectError();
    f.But_exe_zapClick();
    ASSERT_EQ(dialogs.calls().size(), 2u);
    EXPECT_TRUE(dialogs.calls()[1].text.startsWith("Ошибка печати: "));
    EXPECT_EQ(f.protocolLines(), protocol);
    // A cancelled print dialog prints nothing and enters nothing either.
    dialogs.clear();
    Tag(0, 0, &TGround_form::p_menu_printClick);
    dialogs.answerPrint(false);
    f.But_exe_zapClick();
    EXPECT_EQ(f.protocolLines(), protocol);
}

// Where the print service's PDF queue puts its files: KVIR_CUPS_PDF_DIR, else the "Out"
// setting of cups-pdf.
QString QueueOutputDirectory() {
    const QString fromEnvironment = qEnvironmentVariable("KVIR_CUPS_PDF_DIR");
    if (!fromEnvironment.isEmpty()) {
        return fromEnvironment;
    }
    QFile conf("/etc/cups/cups-pdf.conf");
    if (!conf.open(QIODevice::ReadOnly)) {
        return {};
    }
    QString out;
    for (const QString& line : QString::fromUtf8(conf.readAll()).split('\n')) {
        if (line.startsWith("Out ")) {
            out = line.mid(4).trimmed();
        }
    }
    out.replace("${HOME}", QDir::homePath());
    out.replace("${USER}", qEnvironmentVariable("USER", "root"));
    return out;
}

TEST_F(PrintTest, ThePrintServicesPdfQueuePrintsTheTaggedRows) {
    if (QPrinterInfo::printerInfo("PDF").isNull()) {
        GTEST_SKIP() << "no print queue \"PDF\": run tools/start-cups.sh first";
    }
    const QString outDir = QueueOutputDirectory();
    if (outDir.isEmpty()) {
        GTEST_SKIP() << "the PDF queue's output directory is unknown (set KVIR_CUPS_PDF_DIR)";
    }
    const QDir out(outDir);
    const QStringList before = out.entryList({"print_K210*.pdf"}, QDir::Files);

    TGround_form& f = Connected();
    Tag(1, 2, &TGround_form::p_menu_printClick);
    dialogs.answerPrint(true, [](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::NativeFormat);
        printer.setPrinterName("PDF");
    });
    f.But_exe_zapClick();
    EXPECT_EQ(LastEntry(), "Печать отчета для прибора КВИР-510v2");

    // The job is converted and written by the service; wait for it, at most 30 s. The
    // queue's conversion (PDF to PostScript and back) keeps the Cyrillic text but turns some
    // digits and Latin letters into glyphs without characters, so the check reads the words
    // that survive it: every header but the hidden one, and the folders of both rows in order.
    const QStringList kept{"Папка",        "Дата/Время", "Т[С]",  "ЭДС[мВ]",
                           "Пользователь", "РЕКА",       "ОБЩАЯ", "ПАПКА"};
    QElapsedTimer waited;
    waited.start();
    QStringList words;
    QString found;
    const auto complete = [&kept](const QStringList& text) {
        for (const QString& word : kept) {
            if (!text.contains(word)) {
                return false;
            }
        }
        return true;
    };
    while (waited.elapsed() < 30000 && !complete(words)) {
        Wait(250);
        for (const QString& name : out.entryList({"print_K210*.pdf"}, QDir::Files)) {
            if (!before.contains(name)) {
                found = out.filePath(name);
                words = Words(PdfText(found).value_or(QString()));
            }
        }
    }
    ASSERT_FALSE(found.isEmpty()) << "no new print_K210*.pdf in " << outDir.toStdString()
                                  << " within 30 s";
    const QString text = words.join(' ');
    EXPECT_TRUE(complete(words)) << text.toStdString();
    EXPECT_FALSE(words.contains("Режим")) << "the hidden column is not printed";
    EXPECT_LT(text.indexOf("РЕКА"), text.indexOf("ОБЩАЯ ПАПКА")) << text.toStdString();
    EXPECT_GE(PdfInfo(found, "Pages").toInt(), 1);
}

}  // namespace
}  // namespace kvir::test
