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
#include <QTableView>

namespace kvir::test {
namespace {

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
    void Connected() {
        ConnectTo("510", kNotebook510);
        W<QCheckBox>("CheckBox3")->setChecked(false);
        Click("But_sort_name");
        EXPECT_TRUE(W<QTableView>("Tabl_sort_name_dat")->isColumnHidden(4));
    }

    void Tag(int first, int last, const char* tagging) {
        SelectRows(first, last);
        Click(tagging);
    }

    QString LastEntry() const { return Entries(Protocol()).last(); }
};

TEST_F(PrintTest, AHiddenColumnIsExportedButNotPrinted) {
    Connected();
    Tag(1, 2, "p_menu_save");
    dialogs.answerSave(PathOf("otchet"), 1);
    Click("But_exe_zap");
    const QByteArray exported = ReadFile("otchet.csv");
    EXPECT_TRUE(exported.contains(";pH25;")) << exported.toStdString();
    EXPECT_TRUE(exported.contains(";pH;"));

    const QString pdf = PathOf("report.pdf");
    Tag(1, 2, "p_menu_print");
    dialogs.answerPrint(true, [&pdf](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
    });
    Click("But_exe_zap");
    EXPECT_EQ(Words(PdfText(pdf).value_or("<no text>")), kReportWords);
    EXPECT_EQ(PdfInfo(pdf, "Title"), "print K210");
    EXPECT_EQ(LastEntry(), "Печать отчета для прибора КВИР-510v2");
}

TEST_F(PrintTest, APrinterThatCannotStartIsReportedWithoutProtocolEntry) {
    Connected();
    ASSERT_TRUE(QDir(dir.path()).mkdir("report.pdf"));
    const QStringList protocol = Protocol();
    Tag(0, 0, "p_menu_print");
    const QString pdf = PathOf("report.pdf");
    dialogs.answerPrint(true, [&pdf](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
    });
    dialogs.expectError();
    Click("But_exe_zap");
    ASSERT_EQ(dialogs.calls().size(), 2u);
    EXPECT_TRUE(dialogs.calls()[1].text.startsWith("Ошибка печати: "));
    EXPECT_EQ(Protocol(), protocol);
    // A cancelled print dialog prints nothing and enters nothing either.
    dialogs.clear();
    Tag(0, 0, "p_menu_print");
    dialogs.answerPrint(false);
    Click("But_exe_zap");
    EXPECT_EQ(Protocol(), protocol);
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

    Connected();
    Tag(1, 2, "p_menu_print");
    dialogs.answerPrint(true, [](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::NativeFormat);
        printer.setPrinterName("PDF");
    });
    Click("But_exe_zap");
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
