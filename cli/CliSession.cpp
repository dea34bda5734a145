#include "CliSession.h"

#include "link/QtSerialPortImpl.h"
#include "session/OperatorTexts.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLoggingCategory>

#include <csignal>
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

void CliHost::Fail(const QString& text, int code) {
    err_ << TerminalText(text) << Qt::endl;
    exitCode = code;
}

void CliHost::notify(const SessionEvent& event) {
    if (const auto* e = std::get_if<ev::PortNotOpened>(&event)) {
        portFault_ = e->fault;
    } else if (const auto* c = std::get_if<ev::Connected>(&event)) {
        if (c->result == xr::kPortFailed) {
            Fail(ExchangeResultText(c->result) + QStringLiteral(" (") + PortFaultText(portFault_) +
                     QLatin1Char(')'),
                 1);
        } else if (c->result != xr::kOk) {
            Fail(ExchangeResultText(c->result), 1);
        }
    } else if (const auto* f = std::get_if<ev::IdentifyFailed>(&event)) {
        Fail(ExchangeResultText(f->result), 1);
    } else if (const auto* u = std::get_if<ev::Unsupported>(&event)) {
        Fail(UnsupportedText(u->name, u->version), 2);
    } else if (const auto* r = std::get_if<ev::ReadFinished>(&event)) {
        if (r->result == xr::kCancelled) {
            err_ << TerminalText(ReadStoppedText()) << Qt::endl;
        } else if (r->result != xr::kOk) {
            Fail(ExchangeResultText(r->result), 1);
        }
        if (r->losses.any()) {
            err_ << QStringLiteral("ВНИМАНИЕ! ") << TerminalText(LossesText(r->losses)) << Qt::endl;
        }
    } else if (const auto* w = std::get_if<ev::Warning>(&event)) {
        err_ << QStringLiteral("ВНИМАНИЕ! ") << TerminalText(InstrumentWarningText(w->warning))
             << Qt::endl;
    }
}

CliSession::CliSession(QTextStream& o, QTextStream& e, const QString& p, quint8 address)
    : out(o), host(e), link(QtPortFactory()), session(link, host), port(p) {
    inputs.port.named = p;
    inputs.device = address;
}

int CliSession::identify() {
    const ExchangeResult r = session.Identify(inputs);
    if (r == xr::kOk || r == xr::kModelChanged) {
        return 0;
    }
    return host.exitCode != 0 ? host.exitCode : 1;
}

namespace {

std::atomic<bool>* g_stop = nullptr;

extern "C" void OnInterrupt(int) {
    if (g_stop != nullptr) {
        g_stop->store(true);
    }
}

}  // namespace

void StopOnInterrupt(Session& session) {
    g_stop = &session.cancelFlag();
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // The second Ctrl+C is the system's own: the program ends.
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
}

int RunPing(CliSession& s) {
    const ExchangeResult r = s.session.Connect(s.inputs);
    s.session.Disconnect();
    return r == xr::kOk ? 0 : 1;
}

int RunIdentify(CliSession& s) {
    const int code = s.identify();
    s.session.Disconnect();
    if (code == 1) {
        return code;
    }
    const Identification& ident = s.session.identification();
    const DeviceModel model = ModelFromIdentification(ident.name, ident.version);
    s.out << "name=" << ident.name << '\n'
          << "version=" << ident.version << '\n'
          << "base=" << ident.base << '\n'
          << "model="
          << (model != DeviceModel::None ? DisplayName(model)
                                         : ident.name + QLatin1Char('v') + ident.version)
          << Qt::endl;
    return code;
}

}  // namespace kvir::cli
