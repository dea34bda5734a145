#pragma once
// What every kvir-cli command works with: the link on the named port and an instrument
// context over plain members, the same operations the console runs.

#include "instrument/Util_modbas.h"

#include <QDate>
#include <QTextStream>

#include <array>

namespace kvir::cli {

class CliContext final : public InstrumentContext {
  public:
    explicit CliContext(QTextStream& err) : err_(err) {}

    QString deviceNumber = QStringLiteral("1");
    std::array<QString, 3> ident;
    NotebookImage image;
    QStringList folders;

    QString deviceNumberText() const override { return deviceNumber; }
    QString identValue(int row) const override { return ident.at(static_cast<size_t>(row)); }
    void setIdentValue(int row, const QString& text) override {
        ident.at(static_cast<size_t>(row)) = text;
    }
    NotebookImage& notebook() override { return image; }
    QStringList& folderList() override { return folders; }
    QDate today() const override { return QDate::currentDate(); }
    void warn(const QString& text, const QString& caption) override;

  private:
    QTextStream& err_;
};

struct CliSession {
    CliSession(QTextStream& out, QTextStream& err);
    QTextStream& out;
    QTextStream& err;
    CliContext context;
    SerialLink link;
    Instrument instrument;
    QString port;
    QString archive;  // --archive: a read is stored there (empty: not stored)

    // Prints the fixed message of a result (with the system's reason where there is one)
    // and returns the exit code 1.
    int fail(ExchangeResult result);
    // Opens the port and checks that an instrument answers; 0 or the result.
    ExchangeResult connect();
    // connect, then the identification; 0 or the result.
    ExchangeResult identify();
};

// Operator texts use CR LF between lines; a terminal wants plain line ends.
QString TerminalText(QString text);

int RunPing(CliSession& session);
int RunIdentify(CliSession& session);
int RunRead(CliSession& session);

}  // namespace kvir::cli
