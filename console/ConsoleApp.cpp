#include "ConsoleApp.h"

#include "K210.h"
#include "link/QtSerialPortImpl.h"
#include "link/Util_comport.h"
#include "windows/Progr.h"
#include "windows/Progress.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOption>
#include <QTimer>
#include <QTranslator>

#include <exception>
#include <utility>

namespace kvir {

namespace {

// The style of the platform, with a focus frame the operator sees at once: two pixels in the
// highlight colour instead of the faint dotted line, so the keyboard can be followed.
class ClearFocusStyle final : public QProxyStyle {
  public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (element != PE_FrameFocusRect) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->setPen(QPen(option->palette.color(QPalette::Highlight), 2));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option->rect.adjusted(1, 1, -1, -1));
        painter->restore();
    }
};

}  // namespace

ConsoleApplication::ConsoleApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setStyle(new ClearFocusStyle);
    setApplicationName(QStringLiteral("kvir-console"));
    // No display name: Qt would append it to every window and message-box title.
    setApplicationVersion(QStringLiteral("1.1"));
    LoadQtTranslation(*this);
}

bool LoadQtTranslation(QCoreApplication& app) {
    // The console speaks Russian whatever the system's language: Qt's own dialogs and menus
    // (file and print dialogs, the edit menu of every text field) too. Without the files Qt
    // stays in English and the console goes on.
    auto* translator = new QTranslator(&app);
    if (!translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

bool ConsoleApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        if (dialogs_ != nullptr) {
            dialogs_->ReportError(QString::fromUtf8(error.what()));
        }
    }
    return false;
}

namespace {

// Calls `done` once, after the watched window's first paint has been delivered.
class FirstPaint : public QObject {
  public:
    explicit FirstPaint(std::function<void()> done) : done_(std::move(done)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (done_ && event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, std::exchange(done_, {}));
        }
        return false;
    }

  private:
    std::function<void()> done_;
};

}  // namespace

int RunConsole(ConsoleApplication& app, const std::function<void()>& onShown) {
    QtOperatorDialogs dialogs;
    app.setDialogs(&dialogs);
    SerialLink link(QtPortFactory());

    ConsoleServices services;
    services.dialogs = &dialogs;
    services.link = &link;
    TGround_form Ground_form(services);
    dialogs.setParentWindow(&Ground_form);
    // The window takes both: the progress window is modal to it.
    Ground_form.setAuxWindows(new Tprogressmetr, new TFProgramm);

    FirstPaint firstPaint(onShown);
    if (onShown) {
        Ground_form.installEventFilter(&firstPaint);
    }
    Ground_form.show();
    const int code = app.exec();
    app.setDialogs(nullptr);
    return code;
}

}  // namespace kvir
