#include "NotebookTestSupport.h"

#include "instrument/MemoryLayout.h"

#include <gtest/gtest.h>

#include <QFile>

namespace kvir::test {

QString TestDataPath(const QString& name) {
    return QStringLiteral(KVIR_TEST_DATA "/") + name;
}

QString ReadUtf8File(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot open " << path.toStdString();
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

QByteArray LoadHexImage(const QString& path) {
    QByteArray memory(0x10000, static_cast<char>(0xFF));
    const QStringList lines = ReadUtf8File(path).split(QLatin1Char('\n'));
    int address = -1;
    for (int n = 0; n < lines.size(); ++n) {
        const QString line = lines[n].section(QLatin1Char('#'), 0, 0).trimmed();
        for (const QString& word : line.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            bool ok = false;
            if (word.startsWith(QLatin1Char('@'))) {
                address = word.mid(1).toInt(&ok, 16);
            } else if (word.size() == 2 && address >= 0 && address < memory.size()) {
                memory[address++] = static_cast<char>(word.toInt(&ok, 16));
            }
            if (!ok) {
                ADD_FAILURE() << path.toStdString() << ":" << n + 1 << ": bad word "
                              << word.toStdString();
                return {};
            }
        }
    }
    return memory;
}

QString DumpNotebook(const Notebook& notebook, const QList<InstrumentWarning>& warnings) {
    QStringList lines;
    for (const InstrumentWarning w : warnings) {
        lines << (w == InstrumentWarning::NoCommonFolder
                      ? QStringLiteral("warning no common folder")
                      : QStringLiteral("warning too many records"));
    }
    for (int i = 0; i < notebook.folders.size(); ++i) {
        lines << QStringLiteral("folder %1 %2").arg(i + 1).arg(notebook.folders[i]);
    }
    const NotebookImage& m = notebook.image;
    const auto number = [](float v) { return QString::number(static_cast<double>(v), 'g', 9); };
    for (int s = 0; s < kNotebookSlots && m.folderNo[s] != 0; ++s) {
        const QString when = DateOfSerial(m.stamp[s]).toString(QStringLiteral("yyyy-MM-dd")) +
                             QLatin1Char(' ') +
                             TimeOfSerial(m.stamp[s]).toString(QStringLiteral("HH:mm:ss"));
        lines << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9 %10")
                     .arg(s)
                     .arg(m.folderNo[s])
                     .arg(m.modeCode[s])
                     .arg(m.dayWord[s])
                     .arg(m.timeWord[s])
                     .arg(when, number(m.value1[s]), number(m.value2[s]), number(m.value3[s]),
                          number(m.value4[s]));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

}  // namespace kvir::test
