// The progress window and the About window.

#include "console/ConsoleApp.h"
#include "windows/Progr.h"
#include "windows/Progress.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace kvir {
namespace {

struct Bars {
    int max1, pos1, max2, pos2;
    bool operator==(const Bars&) const = default;
};

Bars Read(const Tprogressmetr& w) {
    return {w.progress_1->maximum(), w.progress_1->value(), w.progress_2->maximum(),
            w.progress_2->value()};
}

TEST(ProgressWindow, ValuesAreBytesAndPositionsStopAtTheMaximum) {
    const struct {
        const char* name;
        int in[4];  // foldersPos, foldersMax, recordsPos, recordsMax
        Bars shown;
    } cases[] = {
        {"connect", {0, 3, 0, 26}, {3, 0, 26, 0}},
        {"read 510", {21, 21, 13, 26}, {21, 21, 26, 13}},
        {"maximum 300 is 44", {10, 300, 300, 300}, {44, 10, 44, 44}},
        {"position beyond maximum fills", {30, 21, 255, 23}, {21, 21, 23, 23}},
        {"256 is 0", {256, 20, 1, 257}, {20, 0, 1, 1}},
        {"maximum 0 shows an empty bar", {0, 0, 0, 0}, {1, 0, 1, 0}},
        {"maximum 0, position 1", {1, 0, 0, 0}, {1, 1, 1, 0}},
    };
    Tprogressmetr window;
    for (const auto& c : cases) {
        window.ShowProgress(c.in[0], c.in[1], c.in[2], c.in[3]);
        EXPECT_EQ(Read(window), c.shown) << c.name;
        EXPECT_GE(window.progress_1->minimum(), 0) << c.name;
    }
}

TEST(ProgressWindow, StartsHiddenWithItsDesignedBars) {
    Tprogressmetr window;
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.objectName(), QStringLiteral("progressmetr"));
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::Tool));
    EXPECT_EQ(window.size(), QSize(682, 107));
    EXPECT_EQ(window.Label1->text(), QStringLiteral("Папки"));
    EXPECT_EQ(window.Label2->text(), QStringLiteral("Записи"));
    EXPECT_EQ(window.But_cancel->text(), QStringLiteral("Отмена"));
    EXPECT_EQ(Read(window), (Bars{21, 0, 21, 0}));
}

TEST(ProgressWindow, StopsAReadButNotAWriteAndStaysUntilTheExchangeEnds) {
    Tprogressmetr window;
    int asked = 0;
    QObject::connect(&window, &Tprogressmetr::cancelRequested, [&asked] { ++asked; });
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    // "Отмена", the close box and Esc each ask a read to stop; the window stays.
    window.show();
    window.But_cancel->click();
    window.close();
    QApplication::sendEvent(&window, &escape);
    EXPECT_EQ(asked, 3);
    EXPECT_TRUE(window.isVisible());
    window.setStop(Tprogressmetr::Stop::Asked);
    EXPECT_FALSE(window.But_cancel->isEnabled());
    EXPECT_EQ(window.Label_state->text(), QStringLiteral("Остановка после текущего запроса…"));
    // A write that has begun cannot be stopped, and says so.
    window.setStop(Tprogressmetr::Stop::Locked);
    window.close();
    QApplication::sendEvent(&window, &escape);
    EXPECT_EQ(asked, 3);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.But_cancel->isEnabled());
    EXPECT_EQ(window.Label_state->text(),
              QStringLiteral("Идёт запись в прибор. Дождитесь окончания."));

    // The bars go on being set while the window is hidden; shown again, it shows the latest.
    window.hide();
    window.ShowProgress(4, 21, 7, 26);
    window.show();
    EXPECT_EQ(Read(window), (Bars{21, 4, 26, 7}));
}

TEST(AboutWindow, ShowsItsTextStaysOnTopAndHidesOnOk) {
    TFProgramm about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("О программе"));
    EXPECT_TRUE(about.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    const QStringList texts{about.Label_purpose->text(), about.Label_series->text(),
                            about.Label_version->text()};
    EXPECT_EQ(texts, (QStringList{"Консоль управления блокнотом", "приборов серии КВИР-xx0",
                                  "Версия 1.1"}));
    EXPECT_FALSE(about.Label_maker->text().isEmpty());
    about.show();
    EXPECT_EQ(about.But_ok->text(), QStringLiteral("ОК"));
    about.But_ok->click();
    EXPECT_FALSE(about.isVisible());
    // Esc closes it as it closes any dialog.
    about.show();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&about, &escape);
    EXPECT_FALSE(about.isVisible());
}

// Qt's own dialogs and menus speak Russian whatever the system's language: the file dialog
// and the edit menu of every text field take their words from Qt's translation.
TEST(QtTranslation, IsLoadedWhateverTheSystemLanguage) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    ASSERT_TRUE(LoadQtTranslation(*QCoreApplication::instance()))
        << "qt6-translations-l10n is not installed";
    for (const auto& [context, english] :
         {std::pair{"QFileDialog", "Look in:"}, std::pair{"QFileDialog", "Files of type:"},
          std::pair{"QWidgetTextControl", "Select All"}, std::pair{"QPrintDialog", "Print"}}) {
        const QString shown = QCoreApplication::translate(context, english);
        EXPECT_NE(shown, QString::fromLatin1(english)) << context;
        EXPECT_TRUE(shown.contains(QRegularExpression(QStringLiteral("[А-Яа-я]")))) << context;
    }
    QLocale::setDefault(QLocale::system());
}

}  // namespace
}  // namespace kvir
