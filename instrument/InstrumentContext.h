#pragma once
// What the instrument operations need from their owner: the device number as typed, the
// identification table, the in-memory notebook and folder list, today's date and a way to
// warn the operator. The console implements it over its widgets; tests implement it over
// plain members.

#include "NotebookImage.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

namespace kvir {

// What a notebook read may have to tell the operator while it goes on.
enum class InstrumentWarning {
    NoCommonFolder,  // the directory's first entry is not the common folder
    TooManyRecords,  // the instrument holds more records than memory's slots
};

// Rows of the identification table's value column.
enum IdentRow { kIdentName = 0, kIdentVersion = 1, kIdentBase = 2 };

class InstrumentContext {
  public:
    virtual ~InstrumentContext() = default;

    // The device-number field's text, converted anew for every request.
    virtual QString deviceNumberText() const = 0;

    // The identification table, value column: rows kIdentName, kIdentVersion, kIdentBase.
    virtual QString identValue(int row) const = 0;
    virtual void setIdentValue(int row, const QString& text) = 0;

    virtual NotebookImage& notebook() = 0;
    // Entry k − 1 is folder k; "<свободно>" marks a free folder slot.
    virtual QStringList& folderList() = 0;

    // Today's date of the computer's local clock.
    virtual QDate today() const = 0;

    // A warning for the operator; the read goes on.
    virtual void warn(InstrumentWarning warning) = 0;
};

// The low 8 bits of a decimal device number; nothing when the text is not a decimal integer
// (surrounding blanks are allowed).
std::optional<quint8> ParseDeviceNumber(const QString& text);

// The notebook base shown in the identification table; nothing when it is not a decimal
// number from 0 to 65535.
std::optional<int> ParseNotebookBase(const QString& text);

}  // namespace kvir
