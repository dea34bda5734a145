#pragma once
// The settings file "KVIR-Wpad.ini" as a list of lines: building it from the state of the
// controls, looking values up, reading the users list and splitting a user entry. Plain
// functions; the main window supplies the controls' state.

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace kvir {

inline const QString kSettingsFileName = QStringLiteral("KVIR-Wpad.ini");

// What SaveSettings writes, taken from the controls.
struct SettingsState {
    QString port;               // the port box's text
    int startPage = 1;          // 0 by folder, 1 by date, 2 settings page
    quint8 showColPapka = 255;  // column choice of the by-folder view
    quint8 showColDate = 255;   // column choice of the by-date view
    bool fullScreen = false;    // "Раскрывать во весь экран"
    QString netAdres = QStringLiteral("1");
    bool autoConnect = true;  // "Автоопределение"
    QString pribor;           // the main window's caption
    QStringList users{QStringLiteral(" ")};
};

// The file's lines in their fixed order; the users come last.
QStringList BuildSettingsLines(const SettingsState& state);

// The text after the first "=" of the first line whose name (the text before that "=")
// equals `name` without regard to letter case; empty when no line carries the name.
// Nothing is trimmed.
QString SettingValue(const QStringList& lines, const QString& name);

// Every line after the first "UserCount" line, unless its value is "0" or the line is
// missing.
QStringList UsersFromSettings(const QStringList& lines);

// A decimal integer as the settings carry it: optional sign and digits, nothing else.
std::optional<int> ParseDecimal(const QString& text);

// A user entry split into surname (before the first blank), name (up to the next blank)
// and patronymic (everything after the second blank).
std::array<QString, 3> SplitUserEntry(const QString& entry);

// Surname, name and patronymic joined by single blanks (blanks written even for empty parts).
QString JoinUserEntry(const QString& surname, const QString& name, const QString& patronymic);

}  // namespace kvir
