// kvir-cli: the link and instrument layers from the command line, for diagnosing a link and
// for scripts.
//
//   kvir-cli --port PORT [--address N] ping
//   kvir-cli --port PORT [--address N] identify
//   kvir-cli --port PORT [--address N] read
//   kvir-cli --help | --version
#include "CliSession.h"
#include "session/OperatorTexts.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <functional>
#include <map>

using namespace kvir::cli;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kvir-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KVIR_VERSION));
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);

    const std::map<QString, std::function<int(CliSession&)>> commands = {
        {QStringLiteral("ping"), RunPing},
        {QStringLiteral("identify"), RunIdentify},
        {QStringLiteral("read"), RunRead},
    };

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Talks to a КВИР instrument on a serial port.\n\nCommands:\n"
                       "  ping      check that the instrument answers\n"
                       "  identify  print name, version, notebook base and model\n"
                       "  read      read the whole notebook: folder= and record= lines"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(
        {QStringLiteral("port"), QStringLiteral("Serial device path."), QStringLiteral("PORT")});
    parser.addOption({QStringLiteral("address"),
                      QStringLiteral("Device number, decimal (default 1)."), QStringLiteral("N"),
                      QStringLiteral("1")});
    parser.addOption({QStringLiteral("trace"),
                      QStringLiteral("Print every frame sent (>>) and received (<<) on standard "
                                     "error, with milliseconds since the start.")});
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("ping, identify or read"));
    if (!parser.parse(app.arguments())) {
        err << parser.errorText() << Qt::endl;
        return 64;
    }
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        out << parser.helpText();
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        out << QCoreApplication::applicationName() << ' ' << QCoreApplication::applicationVersion()
            << Qt::endl;
        return 0;
    }
    const QStringList args = parser.positionalArguments();
    const auto command = args.size() == 1 ? commands.find(args.first()) : commands.end();
    if (command == commands.end() || !parser.isSet(QStringLiteral("port"))) {
        err << parser.helpText();
        return 64;
    }

    const QString address = parser.value(QStringLiteral("address"));
    if (!kvir::ParseDeviceNumber(address)) {
        // Refused before anything is opened or sent.
        err << kvir::ExchangeResultText(kvir::xr::kBadDeviceNumber) << ": " << address << Qt::endl;
        return 1;
    }
    if (parser.isSet(QStringLiteral("trace"))) {
        EnableFrameTrace();
    }
    CliSession session(out, err, parser.value(QStringLiteral("port")), address);
    return command->second(session);
}
