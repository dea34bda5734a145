#include "FolderNames.h"

#include "instrument/Cp1251.h"

namespace kvir {

QString FolderNameFromField(const QString& text, const QLocale& locale) {
    return locale.toUpper(text);
}

FolderNameVerdict CheckFolderName(const QString& name, const QStringList& folders) {
    if (name.isEmpty() || name.size() > kFolderNameLength) {
        return FolderNameVerdict::BadLength;
    }
    if (!cp1251::CanEncode(name)) {
        return FolderNameVerdict::BadCharacter;
    }
    for (const char byte : cp1251::Encode(name)) {
        const auto b = static_cast<quint8>(byte);
        if (b < 0x20 || b == 0x7F || b == 0xFF) {
            return FolderNameVerdict::BadCharacter;
        }
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
