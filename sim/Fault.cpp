#include "Fault.h"

#include <array>
#include <utility>

namespace kvir::sim {

namespace {

constexpr std::array<std::pair<FaultKind, const char*>, 9> kKindNames{{
    {FaultKind::Silence, "silence"},
    {FaultKind::Noise, "noise"},
    {FaultKind::BadCheck, "bad-check"},
    {FaultKind::OtherAddress, "other-address"},
    {FaultKind::Failed, "failed"},
    {FaultKind::Truncated, "truncated"},
    {FaultKind::LowerCase, "lower-case"},
    {FaultKind::HangUp, "hangup"},
    {FaultKind::Stop, "stop"},
}};

// Decimal, or hexadecimal after 0x; no sign, no octal.
std::optional<int> ParseNumber(const QString& text) {
    bool ok = false;
    int value = 0;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        value = text.mid(2).toInt(&ok, 16);
    } else if (!text.isEmpty() && text[0].isDigit()) {
        value = text.toInt(&ok, 10);
    }
    if (!ok || value < 0) {
        return std::nullopt;
    }
    return value;
}

std::optional<Fault> Fail(QString* error, const QString& reason) {
    if (error) {
        *error = reason;
    }
    return std::nullopt;
}

bool ApplyOption(Fault& fault, const QString& option, QString* error) {
    const qsizetype eq = option.indexOf(QLatin1Char('='));
    if (eq <= 0) {
        Fail(error, QStringLiteral("option \"%1\" is not NAME=VALUE").arg(option));
        return false;
    }
    const QString name = option.left(eq);
    const QString value = option.mid(eq + 1);
    if (name == QLatin1String("start")) {
        const qsizetype dash = value.indexOf(QLatin1Char('-'));
        const auto low = ParseNumber(dash < 0 ? value : value.left(dash));
        const auto high = dash < 0 ? low : ParseNumber(value.mid(dash + 1));
        if (!low || !high || *low > 0xFFFF || *high > 0xFFFF || *low > *high) {
            Fail(error, QStringLiteral("bad start range \"%1\"").arg(value));
            return false;
        }
        fault.startMin = *low;
        fault.startMax = *high;
        return true;
    }
    const auto number = ParseNumber(value);
    if (!number) {
        Fail(error, QStringLiteral("bad number \"%1\" for %2").arg(value, name));
        return false;
    }
    if (name == QLatin1String("code") && *number <= 0xFF) {
        fault.code = *number;
    } else if (name == QLatin1String("skip")) {
        fault.skip = *number;
    } else if (name == QLatin1String("count")) {
        fault.count = *number;
    } else {
        Fail(error, QStringLiteral("unknown option or value \"%1\"").arg(option));
        return false;
    }
    return true;
}

}  // namespace

bool Fault::matches(int requestCode, int requestStart) const {
    if (code >= 0 && requestCode != code) {
        return false;
    }
    if (startMin >= 0 && (requestStart < startMin || (startMax >= 0 && requestStart > startMax))) {
        return false;
    }
    return true;
}

std::optional<Fault> ParseFault(const QString& line, QString* error) {
    const QString text = line.trimmed();
    for (const auto& [prefix, kind] : {std::pair{QLatin1String("drop-first="), FaultKind::Silence},
                                       std::pair{QLatin1String("stop-after="), FaultKind::Stop}}) {
        if (!text.startsWith(prefix)) {
            continue;
        }
        const auto n = ParseNumber(text.mid(prefix.size()));
        if (!n || (kind == FaultKind::Stop && *n == 0)) {
            return Fail(error, QStringLiteral("bad count in \"%1\"").arg(text));
        }
        Fault fault;
        fault.kind = kind;
        // The N-th request is the one after which the instrument goes away.
        fault.skip = kind == FaultKind::Stop ? *n - 1 : 0;
        fault.count = kind == FaultKind::Stop ? 1 : *n;
        return fault;
    }

    const qsizetype at = text.indexOf(QLatin1Char('@'));
    const QString kindName = at < 0 ? text : text.left(at);
    Fault fault;
    bool known = false;
    for (const auto& [kind, name] : kKindNames) {
        if (kindName == QLatin1String(name)) {
            fault.kind = kind;
            known = true;
        }
    }
    if (!known) {
        return Fail(error, QStringLiteral("unknown fault \"%1\"").arg(kindName));
    }
    if (at >= 0) {
        const QStringList options = text.mid(at + 1).split(QLatin1Char(','));
        for (const QString& option : options) {
            if (!ApplyOption(fault, option.trimmed(), error)) {
                return std::nullopt;
            }
        }
    }
    return fault;
}

QString FaultKindName(FaultKind kind) {
    for (const auto& [k, name] : kKindNames) {
        if (k == kind) {
            return QLatin1String(name);
        }
    }
    return QStringLiteral("?");
}

QString FormatFault(const Fault& fault) {
    QStringList options;
    if (fault.code >= 0) {
        options << QStringLiteral("code=%1").arg(fault.code);
    }
    if (fault.startMin >= 0) {
        options << QStringLiteral("start=0x%1-0x%2")
                       .arg(fault.startMin, 4, 16, QLatin1Char('0'))
                       .arg(fault.startMax, 4, 16, QLatin1Char('0'));
    }
    if (fault.skip != 0) {
        options << QStringLiteral("skip=%1").arg(fault.skip);
    }
    if (fault.count >= 0) {
        options << QStringLiteral("count=%1").arg(fault.count);
    }
    const QString name = FaultKindName(fault.kind);
    return options.isEmpty() ? name : name + QLatin1Char('@') + options.join(QLatin1Char(','));
}

}  // namespace kvir::sim
