#pragma once
// A whole notebook as one value: the model whose layout it came from, the identification it
// was read with, the folder list and the record slots. The console session keeps the notebook
// in memory as one, the backup file and the archive store and restore it exactly.

#include "DeviceModel.h"
#include "NotebookImage.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

namespace kvir {

struct Notebook {
    DeviceModel model = DeviceModel::None;
    QString version;  // firmware version of the identification
    int base = 0;     // notebook base address of the identification
    // Entry k − 1 is folder k; "<свободно>" marks a free entry and "<???>" an entry the
    // instrument holds but that could not be read. Names decode from Windows-1251 and encode
    // back to the same bytes.
    QStringList folders;
    NotebookImage image;
    // The bytes every block read delivered, by the instrument address it started at: the
    // folder pages or record pages read and the directory. They keep what the image cannot
    // (records beyond its 1000 slots, records after an end marker, records on a page without
    // a name). Empty for a notebook that was not read from an instrument page by page (an
    // older backup, an archived snapshot).
    QMap<int, QByteArray> pages;
};

// What a read found in the instrument but could not keep in the image, counted from the bytes
// of the pages it read. A notebook with any of these is not complete for writing: a whole
// write of it would erase records it does not hold.
struct NotebookLosses {
    int overflow = 0;  // records beyond the image's 1000 slots
    int hidden = 0;    // records after an end marker in their page
    int nameless = 0;  // records on a folder page without a name

    bool any() const { return overflow > 0 || hidden > 0 || nameless > 0; }
};
NotebookLosses LossesOf(const Notebook& notebook);

// The used slots, counted from slot 0 up to the first free one.
int RecordCountOf(const Notebook& notebook);

// True when both hold the same model, base, folder list and, slot by slot, the same stored
// fields (folder number, mode, day and time words, stamp and the four values compared bit for
// bit). The version and the display orders are not compared.
bool SameContents(const Notebook& a, const Notebook& b);

}  // namespace kvir
