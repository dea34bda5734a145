#include "ArchivedRecordTexts.h"

#include "NotebookView.h"

namespace kvir {

ArchivedRecordTexts::ArchivedRecordTexts(QLocale locale)
    : locale_(std::move(locale)), image_(std::make_unique<NotebookImage>()) {}

ArchivedRecordTexts::~ArchivedRecordTexts() = default;

QStringList ArchivedRecordTexts::cells(const ArchivedRecord& r) {
    NotebookImage& image = *image_;
    image.folderNo[0] = 1;
    image.modeCode[0] = r.modeCode;
    image.dayWord[0] = r.dayWord;
    image.timeWord[0] = r.timeWord;
    image.stamp[0] = r.stamp;
    image.value1[0] = r.value1;
    image.value2[0] = r.value2;
    image.value3[0] = r.value3;
    image.value4[0] = r.value4;
    QStringList cells = RecordCells(image, 0, r.model, {r.folder}, r.operatorName, locale_);
    cells.removeFirst();  // the slot index
    return cells;
}

}  // namespace kvir
