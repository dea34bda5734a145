// Protocol stamps in the regional formats, without a time zone.

#include "report/ProtocolText.h"

#include <gtest/gtest.h>

namespace kvir {
namespace {

TEST(ProtocolText, TimeZoneIsRemovedFromTheTimeFormat) {
    const struct {
        const char* format;
        const char* expected;
    } cases[] = {
        {"HH:mm:ss t", "HH:mm:ss"},    {"h:mm:ss AP t", "h:mm:ss AP"}, {"t HH:mm:ss", "HH:mm:ss"},
        {"HH:mm:ss tttt", "HH:mm:ss"}, {"HH:mm:ss", "HH:mm:ss"},       {"H 't' mm t", "H 't' mm"},
        {"HH t mm", "HH mm"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WithoutTimeZone(QString::fromLatin1(c.format)), QString::fromLatin1(c.expected))
            << c.format;
    }
}

TEST(ProtocolText, EntryIsShortDateLongTimeTwoBlanksText) {
    const QDateTime when(QDate(2026, 12, 7), QTime(9, 5, 14));
    EXPECT_EQ(ProtocolEntry(when, QLocale(QLocale::Russian, QLocale::Russia),
                            QStringLiteral("Начало работы")),
              QStringLiteral("07.12.2026 9:05:14  Начало работы"));
    EXPECT_EQ(ProtocolStamp(when, QLocale(QLocale::English, QLocale::UnitedStates)),
              QStringLiteral("12/7/26 9:05:14 AM"));
    EXPECT_EQ(ProtocolStamp(when, QLocale(QLocale::German, QLocale::Germany)),
              QStringLiteral("07.12.26 9:05:14"));
}

}  // namespace
}  // namespace kvir
