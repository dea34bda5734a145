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
    QList<InstrumentWarning> warnings;  // every warning given

    QString deviceNumberText() const override { return deviceNumber; }
    QString identValue(int row) const override { return ident.at(static_cast<size_t>(row)); }
    void setIdentValue(int row, const QString& text) override {
        ident.at(static_cast<size_t>(row)) = text;
    }
    NotebookImage& notebook() override { return image; }
    QStringList& folderList() override { return folders; }
    QDate today() const override { return date; }
    void warn(InstrumentWarning warning) override { warnings << warning; }
};

}  // namespace kvir::test
