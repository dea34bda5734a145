// kvir-cli read: identifies the instrument and reads its whole notebook as the console does,
// then prints the folder list and every used slot.
#include "ArchiveCommand.h"
#include "CliSession.h"
#include "instrument/MemoryLayout.h"
#include "instrument/NotebookSequences.h"

#include <charconv>

namespace kvir::cli {

namespace {

// The shortest decimal text that reads back to the same single-precision number.
QString FloatText(float value) {
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? QString::fromLatin1(buffer, end - buffer) : QStringLiteral("nan");
}

void PrintNotebook(CliSession& s) {
    const QStringList& folders = s.context.folders;
    for (int k = 0; k < folders.size(); ++k) {
        s.out << "folder=" << (k + 1) << ';' << folders.at(k) << '\n';
    }
    const NotebookImage& image = s.context.image;
    for (size_t slot = 0; slot < static_cast<size_t>(kNotebookSlots); ++slot) {
        if (image.folderNo[slot] == 0) {
            continue;
        }
        const QDateTime when(DateOfSerial(image.stamp[slot]), TimeOfSerial(image.stamp[slot]));
        s.out << "record=" << slot << ';' << image.folderNo[slot] << ';' << image.modeCode[slot]
              << ';' << image.dayWord[slot] << ';' << image.timeWord[slot] << ';'
              << when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) << ';'
              << FloatText(image.value1[slot]) << ';' << FloatText(image.value2[slot]) << ';'
              << FloatText(image.value3[slot]) << ';' << FloatText(image.value4[slot]) << '\n';
    }
    s.out.flush();
}

}  // namespace

int RunRead(CliSession& s) {
    const ExchangeResult r = s.identify();
    if (r != xr::kOk) {
        return s.fail(r);
    }
    const DeviceModel model =
        ModelFromIdentification(s.context.ident[kIdentName], s.context.ident[kIdentVersion]);
    if (model == DeviceModel::None) {
        s.err << TerminalText(QStringLiteral("Прибор ") + s.context.ident[kIdentName] +
                              QLatin1Char('v') + s.context.ident[kIdentVersion] +
                              QStringLiteral(" не определен\r\nработа с прибором невозможна"))
              << Qt::endl;
        s.link.ClosePort();
        return 2;
    }
    ClearNotebookImage(s.context.image);
    s.context.folders.clear();
    const ReadOutcome outcome = ReadWholeNotebook(s.instrument, model, {});
    PrintNotebook(s);
    int archived = 0;
    if (!s.archive.isEmpty() && !s.context.folders.isEmpty()) {  // something was read
        const Notebook notebook{model, s.context.ident[kIdentVersion],
                                s.context.ident[kIdentBase].toInt(), s.context.folders,
                                s.context.image};
        archived = StoreReadInArchive(s.archive, notebook, s.port, outcome.completed, s.err);
    }
    if (outcome.result != xr::kOk) {
        return s.fail(outcome.result);
    }
    s.link.ClosePort();
    return archived;
}

}  // namespace kvir::cli
