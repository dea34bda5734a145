// libFuzzer harness for the backup decoder. Each input is decoded twice: as it is (the check
// line must refuse nearly every change) and sealed with a correct check line, as a console
// would have written it, so that the fuzzer reaches every line of the format behind the
// check. The decoder must neither crash nor trip a sanitizer, a refused input must leave the
// notebook alone, and a notebook it accepts must come back unchanged from being saved and
// loaded again.
#include "session/BackupFile.h"

#include <QCryptographicHash>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// `input` up to its last check line (all of it when there is none), then a check line over
// that, as EncodeBackup ends a file.
QByteArray Sealed(const QByteArray& input) {
    const qsizetype end = input.lastIndexOf("check ");
    const QByteArray body = end < 0 ? input : input.left(end);
    return body + "check " +
           QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex().toUpper() + '\n';
}

void Decode(const QByteArray& bytes) {
    kvir::Notebook notebook;
    notebook.base = -1;  // no decoded notebook has this base
    if (kvir::DecodeBackup(bytes, notebook) != kvir::BackupFault::None) {
        if (notebook.base != -1) {
            std::abort();  // a refused file changed the notebook
        }
        return;
    }
    const QByteArray saved =
        kvir::EncodeBackup(notebook, QDateTime(QDate(2026, 12, 7), QTime(9, 5, 14)));
    kvir::Notebook again;
    if (kvir::DecodeBackup(saved, again) != kvir::BackupFault::None ||
        !kvir::SameContents(notebook, again) || again.version != notebook.version ||
        again.pages != notebook.pages) {
        std::abort();  // what was accepted did not survive a save and a load
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    Decode(input);
    Decode(Sealed(input));
    return 0;
}
