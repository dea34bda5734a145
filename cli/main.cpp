// kvir-cli: the link and instrument layers from the command line, for diagnosing a link and
// for scripts.
//
//   kvir-cli --port PORT [--address N] ping
//   kvir-cli --port PORT [--address N] identify
//   kvir-cli --port PORT [--address N] [--trace] [--archive FILE] read
//   kvir-cli [--archive FILE] archive list|export [--from D] [--to D] [--folder F] [--model M]
//            [--utf8]
//   kvir-cli --help | --version
#include "ArchiveCommand.h"
#include "CliSession.h"
#include "archive/ArchiveLocation.h"
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
                       "  read      read the whole notebook: folder= and record= lines\n"
                       "  archive list    one line per archived snapshot\n"
                       "  archive export  the archived records as export file lines"));
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
    parser.addOption({QStringLiteral("archive"),
                      QStringLiteral("Archive: an SQLite file or a server's connection file "
                                     "(default KVIR-archive.sqlite; read stores only with it)."),
                      QStringLiteral("FILE"), kvir::kArchiveFileName});
    for (const char* name : {"from", "to"}) {
        parser.addOption({QString::fromLatin1(name),
                          QStringLiteral("archive export: first or last day, yyyy-MM-dd."),
                          QStringLiteral("DATE")});
    }
    parser.addOption({QStringLiteral("folder"), QStringLiteral("archive export: folder name."),
                      QStringLiteral("NAME")});
    parser.addOption({QStringLiteral("model"), QStringLiteral("archive export: 510 or 210."),
                      QStringLiteral("M")});
    parser.addOption(
        {QStringLiteral("utf8"), QStringLiteral("archive export: UTF-8 instead of Windows-1251.")});
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("ping, identify, read or archive"));
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
    if (args.value(0) == QLatin1String("archive")) {
        const ArchiveCommandOptions options{
            parser.value(QStringLiteral("archive")), parser.value(QStringLiteral("from")),
            parser.value(QStringLiteral("to")),      parser.value(QStringLiteral("folder")),
            parser.value(QStringLiteral("model")),   parser.isSet(QStringLiteral("utf8"))};
        return RunArchive(args.mid(1), options, out, err);
    }
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
    CliSession session(out, err, parser.value(QStringLiteral("port")),
                       *kvir::ParseDeviceNumber(address));
    if (parser.isSet(QStringLiteral("archive"))) {
        session.archive = parser.value(QStringLiteral("archive"));
    }
    return command->second(session);
}
