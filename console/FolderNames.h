#pragma once
// The rules a folder name follows in the folder editor. A name is stored in the instrument as
// at most 16 Windows-1251 bytes; a folder page pads it with 0xFF and a directory entry ends it
// with CR, so neither byte (nor any other control byte) may occur in a name.

#include <QLocale>
#include <QString>
#include <QStringList>

namespace kvir {

constexpr int kFolderNameLength = 16;

enum class FolderNameVerdict {
    Ok,
    BadLength,     // empty or longer than 16 characters
    BadCharacter,  // a character without a Windows-1251 byte, a control character or 0xFF
    Exists,        // equal to an entry of the folder list (exact, case-sensitive)
};

// The name field's text as leaving the field leaves it: upper case by the locale's rules
// ("я", byte 0xFF, becomes "Я", byte 0xDF). Blanks are kept.
QString FolderNameFromField(const QString& text, const QLocale& locale);

// Checks a name in its stored (upper-case) form against the folder list, the selected entry
// included. Length is checked first, then the characters, then uniqueness.
FolderNameVerdict CheckFolderName(const QString& name, const QStringList& folders);

// The operator's message for a refused name; empty for Ok.
QString FolderNameMessage(FolderNameVerdict verdict);

}  // namespace kvir
