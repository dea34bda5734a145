#pragma once
// What every kvir-cli command works with: the console session on the named port, with a host
// that prints what the operator would be told to standard error.

#include "session/Session.h"

#include <QTextStream>

#include <memory>

namespace kvir::cli {

class CliHost final : public SessionHost {
  public:
    explicit CliHost(QTextStream& err) : err_(err) {}

    void notify(const SessionEvent& event) override;
    void progress(Stage, int, int, int, int) override {}
    // kvir-cli writes nothing into an instrument and replaces no notebook it was given.
    bool ask(Question) override { return false; }

    QTextStream& err() { return err_; }

    // The exit code of the last failure the session reported: 1 for an exchange failure,
    // 2 for an unsupported instrument; 0 when none.
    int exitCode = 0;

  private:
    void Fail(const QString& text, int code);

    QTextStream& err_;
    PortFault portFault_ = PortFault::None;
};

struct CliSession {
    CliSession(QTextStream& out, QTextStream& err, const QString& port, quint8 address);
    QTextStream& out;
    CliHost host;
    SerialLink link;
    Session session;
    LinkInputs inputs;
    QString port;     // the port named on the command line
    QString archive;  // --archive: a read is stored there (empty: not stored)

    // Connection and identification; 0, or the exit code after the failure was printed.
    int identify();
};

// Operator texts use CR LF between lines; a terminal wants plain line ends.
QString TerminalText(QString text);

// Frames on standard error with the milliseconds since the start, for --trace.
void EnableFrameTrace();

// Ctrl+C (SIGINT) asks `session` to stop before its next request; a second Ctrl+C ends the
// program at once.
void StopOnInterrupt(Session& session);

// The exit status after Ctrl+C, as shells expect it.
constexpr int kInterrupted = 130;

int RunPing(CliSession& session);
int RunIdentify(CliSession& session);
int RunRead(CliSession& session);

}  // namespace kvir::cli
