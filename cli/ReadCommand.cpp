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

// The stamp's date and time as stored, like every other output of a stamp: a day serial
// belongs to no time zone, so a record taken in the hour the clocks skip in spring is printed
// as the instrument dated it (a local date-time of that hour would not exist).
QString StampText(double stamp) {
    return DateOfSerial(stamp).toString(QStringLiteral("yyyy-MM-dd")) + u' ' +
           TimeOfSerial(stamp).toString(QStringLiteral("HH:mm:ss"));
}

void PrintNotebook(CliSession& s) {
    const QStringList& folders = s.session.notebook().folders;
    for (int k = 0; k < folders.size(); ++k) {
        s.out << "folder=" << (k + 1) << ';' << folders.at(k) << '\n';
    }
    const NotebookImage& image = s.session.notebook().image;
    for (size_t slot = 0; slot < static_cast<size_t>(kNotebookSlots); ++slot) {
        if (image.folderNo[slot] == 0) {
            continue;
        }
        s.out << "record=" << slot << ';' << image.folderNo[slot] << ';' << image.modeCode[slot]
              << ';' << image.dayWord[slot] << ';' << image.timeWord[slot] << ';'
              << StampText(image.stamp[slot]) << ';' << FloatText(image.value1[slot]) << ';'
              << FloatText(image.value2[slot]) << ';' << FloatText(image.value3[slot]) << ';'
              << FloatText(image.value4[slot]) << '\n';
    }
    s.out.flush();
}

}  // namespace

int RunRead(CliSession& s) {
    StopOnInterrupt(s.session);
    const bool whole = s.session.ConnectAndRead(s.inputs);
    const bool stopped = s.session.cancelFlag().load();
    if (s.session.origin() == Origin::Nothing) {
        s.session.Disconnect();
        return stopped ? kInterrupted : (s.host.exitCode != 0 ? s.host.exitCode : 1);
    }
    PrintNotebook(s);
    int archived = 0;
    if (!s.archive.isEmpty() && !s.session.notebook().folders.isEmpty()) {  // something was read
        // A read stopped by Ctrl+C, or one that could not hold every record, is partial.
        const bool complete = whole && !LossesOf(s.session.notebook()).any();
        archived =
            StoreReadInArchive(s.archive, s.session.notebook(), s.port, complete, s.host.err());
    }
    s.session.Disconnect();
    if (stopped) {
        return kInterrupted;
    }
    return !whole ? 1 : archived;
}

}  // namespace kvir::cli
