#pragma once
// The record table's texts of archived records: the same cells a record shows in the record
// table, so the Архив page, its export and the archive export of kvir-cli read alike.

#include "archive/ArchiveTypes.h"
#include "instrument/NotebookImage.h"

#include <QLocale>
#include <QStringList>

#include <memory>

namespace kvir {

// RecordCells over a one-record image, kept between calls: records come by the thousand.
class ArchivedRecordTexts {
  public:
    explicit ArchivedRecordTexts(QLocale locale);
    ~ArchivedRecordTexts();
    ArchivedRecordTexts(const ArchivedRecordTexts&) = delete;
    ArchivedRecordTexts& operator=(const ArchivedRecordTexts&) = delete;

    // The texts of the data columns 2 to 9: folder, date-time, mode, four values, operator.
    QStringList cells(const ArchivedRecord& record);

  private:
    QLocale locale_;
    std::unique_ptr<NotebookImage> image_;
};

}  // namespace kvir
