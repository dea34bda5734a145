#include "FolderNames.h"

#include "session/NotebookEdits.h"

#include "instrument/Cp1251.h"

namespace kvir {

QString FolderNameFromField(const QString& text, const QLocale& locale) {
    return locale.toUpper(text);
}

FolderNameVerdict CheckFolderName(const QString& name, const QStringList& folders) {
    if (name.isEmpty() || name.size() > kFolderNameLength) {
        return FolderNameVerdict::BadLength;
    }
    if (!StorableFolderName(name)) {
        return FolderNameVerdict::BadCharacter;
    }
    if (folders.contains(name, Qt::CaseSensitive)) {
        return FolderNameVerdict::Exists;
    }
    return FolderNameVerdict::Ok;
}

QString FolderNameMessage(FolderNameVerdict verdict) {
    switch (verdict) {
        case FolderNameVerdict::Ok:
            break;
        case FolderNameVerdict::BadLength:
            return QStringLiteral("Имя папки не более 16 символов");
        case FolderNameVerdict::BadCharacter:
            return QStringLiteral(
                "Имя папки содержит недопустимые символы\r\n"
                "(допустимы буквы, цифры, пробел и знаки препинания)");
        case FolderNameVerdict::Exists:
            return QStringLiteral("Папка с таким именем существует");
    }
    return {};
}

}  // namespace kvir
