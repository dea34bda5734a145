#include "CliSession.h"

#include "link/QtSerialPortImpl.h"

namespace kvir::cli {

QString TerminalText(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

void CliContext::warn(const QString& text, const QString& caption) {
    err_ << caption << ' ' << TerminalText(text) << Qt::endl;
}

CliSession::CliSession(QTextStream& o, QTextStream& e)
    : out(o), err(e), context(e), link(QtPortFactory()), instrument(link, context) {}

int CliSession::fail(ExchangeResult result) {
    err << TerminalText(ExchangeResultText(result));
    if (result == xr::kPortFailed && !link.lastError().isEmpty()) {
        err << " (" << link.lastError() << ')';
    } else if (result == xr::kBadDeviceNumber) {
        err << ": " << context.deviceNumber;
    }
    err << Qt::endl;
    link.ClosePort();
    return 1;
}

ExchangeResult CliSession::connect() {
    if (!ParseDeviceNumber(context.deviceNumber)) {
        return xr::kBadDeviceNumber;  // refused before anything is opened or sent
    }
    if (link.OpenPort(port) != 0) {
        return xr::kPortFailed;
    }
    return instrument.PingInstrument();
}

ExchangeResult CliSession::identify() {
    const ExchangeResult r = connect();
    return r != xr::kOk ? r : instrument.ReadIdentification();
}

int RunPing(CliSession& s) {
    const ExchangeResult r = s.connect();
    if (r != xr::kOk) {
        return s.fail(r);
    }
    s.link.ClosePort();
    return 0;
}

int RunIdentify(CliSession& s) {
    const ExchangeResult r = s.identify();
    if (r != xr::kOk) {
        return s.fail(r);
    }
    s.link.ClosePort();
    const QString& name = s.context.ident[kIdentName];
    const QString& version = s.context.ident[kIdentVersion];
    const DeviceModel model = ModelFromIdentification(name, version);
    const QString shown =
        model == DeviceModel::None ? name + QLatin1Char('v') + version : DisplayName(model);
    s.out << "name=" << name << '\n'
          << "version=" << version << '\n'
          << "base=" << s.context.ident[kIdentBase] << '\n'
          << "model=" << shown << Qt::endl;
    if (model == DeviceModel::None) {
        s.err << TerminalText(QStringLiteral("Прибор ") + shown +
                              QStringLiteral(" не определен\r\nработа с прибором невозможна"))
              << Qt::endl;
        return 2;
    }
    return 0;
}

}  // namespace kvir::cli
