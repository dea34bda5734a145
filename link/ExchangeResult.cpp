#include "ExchangeResult.h"

namespace kvir {

QString ExchangeResultText(ExchangeResult result) {
    switch (result) {
        case xr::kOk:
            return {};
        case xr::kPortFailed:
            return QStringLiteral("Ошибка инициализации COM порта");
        case xr::kBadChecksum:
            return QStringLiteral("Ошибка контрольной суммы");
        case xr::kUnknownDevice:
            return QStringLiteral("Ответ от неизвестного устройства");
        case xr::kCommandFailed:
            return QStringLiteral("Ошибка выполнения команды");
        case xr::kUnknownCommand:
            return QStringLiteral("Неизвестная команда");
        case xr::kNoReply:
            return QStringLiteral("Нет ответа от устройства");
        case xr::kNotSent:
            return QStringLiteral("Ошибка COM-порта");
        case xr::kBadDeviceNumber:
            return QStringLiteral("Номер устройства должен быть целым десятичным числом");
        case xr::kTooManyRecords:
            return QStringLiteral(
                "Записей больше, чем вмещает блокнот прибора\r\nзапись блокнота отменена");
        default:
            return QStringLiteral("Ошибка обмена");
    }
}

}  // namespace kvir
