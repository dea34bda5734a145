#include "SimOptions.h"

#include "NotebookMemory.h"

#include <QCommandLineParser>
#include <QFile>

namespace kvir::sim {

namespace {

// Decimal or 0x-prefixed hexadecimal, optionally negative.
std::optional<int> ParseInt(const QString& text) {
    bool ok = false;
    const bool negative = text.startsWith(QLatin1Char('-'));
    const QString digits = negative ? text.mid(1) : text;
    int value = digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                    ? digits.mid(2).toInt(&ok, 16)
                    : digits.toInt(&ok, 10);
    if (!ok || digits.startsWith(QLatin1Char('+')) || digits.startsWith(QLatin1Char('-'))) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

}  // namespace

QByteArray InstrumentNameBytes(const QString& text) {
    return ToWindows1251(text).leftJustified(8, ' ', true);
}

ParseOutcome ParseSimOptions(const QStringList& arguments, SimOptions& options, QString& message) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated measuring instrument on a pseudo-terminal. Prints the device path as the "
        "first line and serves until interrupted."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption model(QStringLiteral("model"),
                                   QStringLiteral("Identification preset: 510 or 210."),
                                   QStringLiteral("510|210"), QStringLiteral("510"));
    const QCommandLineOption name(QStringLiteral("name"),
                                  QStringLiteral("Instrument name (8 characters)."),
                                  QStringLiteral("text"));
    const QCommandLineOption firmware(QStringLiteral("firmware"),
                                      QStringLiteral("Firmware version, -128 to 127."),
                                      QStringLiteral("n"));
    const QCommandLineOption base(QStringLiteral("base"),
                                  QStringLiteral("Notebook base address, 0 to 0xFFFF."),
                                  QStringLiteral("n"));
    const QCommandLineOption link(QStringLiteral("link"),
                                  QStringLiteral("Symbolic link to the device."),
                                  QStringLiteral("path"));
    const QCommandLineOption wireSpeed(
        QStringLiteral("wire-speed"),
        QStringLiteral("Take requests and send replies at 9600 baud, 11 bits a character."));
    const QCommandLineOption fault(
        QStringLiteral("fault"),
        QStringLiteral("Fault to commit (repeatable): KIND[@code=N,start=A-B,skip=N,count=N] "
                       "with KIND silence, noise, bad-check, other-address, failed, "
                       "truncated, lower-case, hangup, stop; or drop-first=N, stop-after=N."),
        QStringLiteral("FAULT"));
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("Append one line per request to this file."),
                                 QStringLiteral("file"));
    const QCommandLineOption memory(QStringLiteral("memory"),
                                    QStringLiteral("Raw 64 KiB memory image to start with."),
                                    QStringLiteral("file"));
    const QCommandLineOption measureEvery(
        QStringLiteral("measure-every"),
        QStringLiteral("Store a measurement every SECONDS (a decimal number) in the first named "
                       "folder, as an instrument that keeps measuring while connected."),
        QStringLiteral("SECONDS"));
    parser.addOptions(
        {model, name, firmware, base, link, wireSpeed, fault, log, memory, measureEvery});
    // Options that fill the memory from other file formats are added here and loaded in
    // LoadStartImage.

    if (!parser.parse(arguments)) {
        message = parser.errorText();
        return ParseOutcome::Error;
    }
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        message = parser.helpText();
        return ParseOutcome::Help;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        return ParseOutcome::Version;
    }
    if (!parser.positionalArguments().isEmpty()) {
        message = QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments()[0]);
        return ParseOutcome::Error;
    }

    const QString modelName = parser.value(model);
    if (modelName == QLatin1String("510")) {
        options.identification = Kvir510Identification();
    } else if (modelName == QLatin1String("210")) {
        options.identification = Kvir210Identification();
    } else {
        message = QStringLiteral("--model must be 510 or 210, not \"%1\"").arg(modelName);
        return ParseOutcome::Error;
    }
    if (parser.isSet(name)) {
        options.identification.name = InstrumentNameBytes(parser.value(name));
    }
    if (parser.isSet(firmware)) {
        const auto v = ParseInt(parser.value(firmware));
        if (!v || *v < -128 || *v > 127) {
            message = QStringLiteral("--firmware must be -128 to 127");
            return ParseOutcome::Error;
        }
        options.identification.version = static_cast<qint8>(*v);
    }
    if (parser.isSet(base)) {
        const auto b = ParseInt(parser.value(base));
        if (!b || *b < 0 || *b > 0xFFFF) {
            message = QStringLiteral("--base must be 0 to 0xFFFF");
            return ParseOutcome::Error;
        }
        options.identification.notebookBase = static_cast<quint16>(*b);
    }
    options.linkPath = parser.value(link);
    options.wireSpeed = parser.isSet(wireSpeed);
    for (const QString& faultText : parser.values(fault)) {
        QString reason;
        const auto parsed = ParseFault(faultText, &reason);
        if (!parsed) {
            message = QStringLiteral("--fault %1: %2").arg(faultText, reason);
            return ParseOutcome::Error;
        }
        options.faults.append(*parsed);
    }
    if (parser.isSet(measureEvery)) {
        bool ok = false;
        options.measureEvery = parser.value(measureEvery).toDouble(&ok);
        if (!ok || !(options.measureEvery > 0) || options.measureEvery > 86400) {
            message = QStringLiteral("--measure-every must be seconds above 0, at most 86400");
            return ParseOutcome::Error;
        }
    }
    options.logFile = parser.value(log);
    options.memoryFile = parser.value(memory);
    return ParseOutcome::Run;
}

bool LoadStartImage(Simulator& simulator, const SimOptions& options, QString& error) {
    if (!options.memoryFile.isEmpty()) {
        QFile file(options.memoryFile);
        if (!file.open(QIODevice::ReadOnly)) {
            error = QStringLiteral("%1: %2").arg(options.memoryFile, file.errorString());
            return false;
        }
        if (!simulator.setMemory(file.readAll())) {
            error = QStringLiteral("%1: a memory image must hold exactly %2 bytes")
                        .arg(options.memoryFile)
                        .arg(kMemorySize);
            return false;
        }
    }
    // Further start images (notebook files) are loaded here, after the raw image.
    return true;
}

}  // namespace kvir::sim
