#pragma once
// Helpers shared by the notebook tests: a context over plain members, memory images written
// as hexadecimal text, and a whole-notebook text dump for golden comparisons.

#include "instrument/InstrumentContext.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace kvir::test {

class TestContext : public InstrumentContext {
public:
    struct Warning {
        QString text;
        QString caption;
    };

    QString deviceNumberText() const override { return deviceNumber; }
    QString identValue(int row) const override { return ident.value(row); }
    void setIdentValue(int row, const QString& text) override { ident[row] = text; }
    NotebookImage& notebook() override { return image; }
    QStringList& folderList() override { return folders; }
    QDate today() const override { return date; }
    void warn(const QString& text, const QString& caption) override {
        warnings.append({text, caption});
    }

    void setBase(int base) { ident[kIdentBase] = QString::number(base); }

    QString deviceNumber = QStringLiteral("1");
    QStringList ident{QString(), QString(), QString()};
    NotebookImage image;
    QStringList folders;
    QDate date{2014, 3, 10};
    QList<Warning> warnings;
};

// A 64 KiB memory image from hexadecimal text: "@ADDR" moves to an address, pairs of digits
// are bytes stored from there on, "#" starts a comment. Unlisted bytes are 0xFF. Fails the
// calling test (and returns an empty array) on a malformed file.
QByteArray LoadHexImage(const QString& path);

QString ReadUtf8File(const QString& path);
QString TestDataPath(const QString& name);

// Warnings, the folder list and every used slot, one line each, in the golden files' form.
QString DumpNotebook(const TestContext& context);

}  // namespace kvir::test
