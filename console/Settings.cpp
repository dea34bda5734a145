#include "Settings.h"

namespace kvir {

QStringList BuildSettingsLines(const SettingsState& state) {
    const auto number = [](int value) { return QString::number(value); };
    QStringList lines;
    lines << QStringLiteral("[Port]") << QStringLiteral("port=") + state.port
          << QStringLiteral("[StartPage]") << QStringLiteral("StartPage=") + number(state.startPage)
          << QStringLiteral("[ShowCol]")
          << QStringLiteral("ShowColPapka=") + number(state.showColPapka)
          << QStringLiteral("ShowColDate=") + number(state.showColDate)
          << QStringLiteral("StartEkran=") + number(state.fullScreen ? 1 : 0)
          << QStringLiteral("[NetAdres]") << QStringLiteral("NetAdres=") + state.netAdres
          << QStringLiteral("[Connect]")
          << QStringLiteral("Connect=") + number(state.autoConnect ? 1 : 0)
          << QStringLiteral("[Pribor]") << QStringLiteral("Pribor=") + state.pribor
          << QStringLiteral("[Users]")
          << QStringLiteral("UserCount=") + number(static_cast<int>(state.users.size()));
    lines << state.users;
    return lines;
}

namespace {

// Index of the first line carrying `name`, or -1.
qsizetype FindSetting(const QStringList& lines, const QString& name) {
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        const qsizetype eq = line.indexOf(u'=');
        if (eq >= 0 && QStringView(line).left(eq).compare(name, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

}  // namespace

QString SettingValue(const QStringList& lines, const QString& name) {
    const qsizetype i = FindSetting(lines, name);
    if (i < 0) {
        return {};
    }
    const QString& line = lines.at(i);
    return line.mid(line.indexOf(u'=') + 1);
}

QStringList UsersFromSettings(const QStringList& lines) {
    const qsizetype i = FindSetting(lines, QStringLiteral("UserCount"));
    if (i < 0 || SettingValue(lines, QStringLiteral("UserCount")) == QStringLiteral("0")) {
        return {};
    }
    return lines.mid(i + 1);
}

std::optional<int> ParseDecimal(const QString& text) {
    qsizetype i = 0;
    if (i < text.size() && (text.at(i) == u'-' || text.at(i) == u'+')) {
        ++i;
    }
    if (i == text.size()) {
        return std::nullopt;
    }
    for (qsizetype k = i; k < text.size(); ++k) {
        if (text.at(k) < u'0' || text.at(k) > u'9') {
            return std::nullopt;
        }
    }
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

std::array<QString, 3> SplitUserEntry(const QString& entry) {
    std::array<QString, 3> parts;
    const qsizetype first = entry.indexOf(u' ');
    if (first < 0) {
        parts[0] = entry;
        return parts;
    }
    parts[0] = entry.left(first);
    const qsizetype second = entry.indexOf(u' ', first + 1);
    if (second < 0) {
        parts[1] = entry.mid(first + 1);
        return parts;
    }
    parts[1] = entry.mid(first + 1, second - first - 1);
    parts[2] = entry.mid(second + 1);
    return parts;
}

QString JoinUserEntry(const QString& surname, const QString& name, const QString& patronymic) {
    return surname + u' ' + name + u' ' + patronymic;
}

}  // namespace kvir
