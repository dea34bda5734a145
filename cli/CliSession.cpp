#include "CliSession.h"

#include "link/QtSerialPortImpl.h"
#include "session/OperatorTexts.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLoggingCategory>

#include <cstdio>

namespace kvir::cli {

QString TerminalText(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

void EnableFrameTrace() {
    static QElapsedTimer clock;
    clock.start();
    QLoggingCategory::setFilterRules(QStringLiteral("kvir.link.frames.debug=true"));
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext& context, const QString& text) {
        if (qstrcmp(context.category, "kvir.link.frames") == 0) {
            std::fprintf(stderr, "%9.3f %s\n", static_cast<double>(clock.nsecsElapsed()) / 1e6,
                         text.toLocal8Bit().constData());
        } else {
            std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        }
    });
}

PortChoice CliHost::portChoice() const {
    PortChoice choice;
    choice.named = port_;
    return choice;
}

QString CliHost::workDir() const {
    return QDir::currentPath();
}

void CliHost::Fail(const QString& text, int code) {
    err_ << TerminalText(text) << Qt::endl;
    exitCode = code;
}

void CliHost::notify(const SessionEvent& event) {
    using Kind = SessionEvent::Kind;
    switch (event.kind) {
        case Kind::PortNotOpened:
            portFault_ = event.fault;
            return;
        case Kind::Connected:
            if (event.result == xr::kPortFailed) {
                Fail(ExchangeResultText(event.result) + QStringLiteral(" (") +
                         PortFaultText(portFault_) + QLatin1Char(')'),
                     1);
            } else if (event.result != xr::kOk) {
                Fail(ExchangeResultText(event.result), 1);
            }
            return;
        case Kind::IdentifyFailed:
            Fail(ExchangeResultText(event.result), 1);
            return;
        case Kind::Unsupported:
            Fail(QStringLiteral("Прибор ") + event.name + QLatin1Char('v') + event.version +
                     QStringLiteral(" не определен\r\nработа с прибором невозможна"),
                 2);
            return;
        case Kind::ReadFinished:
            if (event.result != xr::kOk) {
                Fail(ExchangeResultText(event.result), 1);
            }
            return;
        case Kind::Warning:
            err_ << QStringLiteral("ВНИМАНИЕ! ")
                 << TerminalText(InstrumentWarningText(event.warning)) << Qt::endl;
            return;
        default:
            return;
    }
}

CliSession::CliSession(QTextStream& o, QTextStream& e, const QString& port, const QString& address)
    : out(o), host(e, port, address), link(QtPortFactory()), session(link, host), port(port) {}

int CliSession::identify() {
    const ExchangeResult r = session.Identify();
    if (r == xr::kOk || r == xr::kModelChanged) {
        return 0;
    }
    return host.exitCode != 0 ? host.exitCode : 1;
}

int RunPing(CliSession& s) {
    const ExchangeResult r = s.session.Connect();
    s.session.Disconnect();
    return r == xr::kOk ? 0 : 1;
}

int RunIdentify(CliSession& s) {
    const int code = s.identify();
    s.session.Disconnect();
    if (code == 1) {
        return code;
    }
    const std::array<QString, 3>& ident = s.session.identification();
    s.out << "name=" << ident[kIdentName] << '\n'
          << "version=" << ident[kIdentVersion] << '\n'
          << "base=" << ident[kIdentBase] << '\n'
          << "model=" << s.session.caption() << Qt::endl;
    return code;
}

}  // namespace kvir::cli
