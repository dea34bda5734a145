#pragma once
// InstrumentContext over plain members, for tests of the instrument operations.
#include "instrument/InstrumentContext.h"

#include <QDate>
#include <QStringList>

#include <array>

namespace kvir::test {

class FakeContext : public InstrumentContext {
  public:
    QString deviceNumber = QStringLiteral("1");
    std::array<QString, 3> ident;
    NotebookImage image;
    QStringList folders;
    QDate date{2026, 12, 8};
    QStringList warnings;  // "caption|text" of every warning shown

    QString deviceNumberText() const override { return deviceNumber; }
    QString identValue(int row) const override { return ident.at(static_cast<size_t>(row)); }
    void setIdentValue(int row, const QString& text) override {
        ident.at(static_cast<size_t>(row)) = text;
    }
    NotebookImage& notebook() override { return image; }
    QStringList& folderList() override { return folders; }
    QDate today() const override { return date; }
    void warn(const QString& text, const QString& caption) override {
        warnings << caption + QLatin1Char('|') + text;
    }
};

}  // namespace kvir::test
