#pragma once
// Every message box, question, save-file dialog and print dialog of the console goes through
// this one interface. The program uses QtOperatorDialogs; tests use a scripted recorder that
// checks the exact Russian texts and captions.

#include <QString>
#include <QStringList>

#include <optional>

class QPrinter;
class QWidget;

namespace kvir {

enum class DialogButton { Ok, Yes, No, Cancel };
enum class DialogButtons { Ok, YesNo, YesNoCancel };
enum class DialogIcon { None, Information, Warning, Error, Question };

// The operator's choice in a save-file dialog.
struct SaveFileChoice {
    QString path;         // full path as chosen or typed, without any extension added
    int filterIndex = 1;  // 1-based position of the chosen filter
};

class OperatorDialogs {
  public:
    virtual ~OperatorDialogs() = default;

    // A modal message box; returns the button pressed. Closing the box without a button
    // answers Ok for DialogButtons::Ok, No for YesNo and Cancel for YesNoCancel. Enter presses
    // `defaultButton`: a question that leads to an erase defaults to No.
    virtual DialogButton Message(const QString& text, const QString& caption, DialogButtons buttons,
                                 DialogIcon icon, DialogButton defaultButton) = 0;

    // A save-file dialog. `filters` are name filters such as "Текстовый файл(*.csv)";
    // `selectedFilter` is 1-based. Nothing when the operator cancels.
    virtual std::optional<SaveFileChoice> SaveFile(const QStringList& filters,
                                                   int selectedFilter) = 0;
    // The same dialog with `suggestedName` filled in as the file's name. Dialogs that cannot
    // propose a name show the plain one.
    virtual std::optional<SaveFileChoice> SaveFileNamed(const QStringList& filters,
                                                        int selectedFilter,
                                                        const QString& suggestedName) {
        Q_UNUSED(suggestedName);
        return SaveFile(filters, selectedFilter);
    }

    // An open-file dialog starting in `directory`; nothing when the operator cancels.
    virtual std::optional<QString> OpenFile(const QString& title, const QString& directory,
                                            const QStringList& filters) = 0;

    // The printer selection dialog for `printer`; true when the operator accepts.
    virtual bool Print(QPrinter& printer) = 0;

    // The standard error box: an error that abandoned the running operator action.
    virtual void ReportError(const QString& text) = 0;

    // Short forms.
    void Inform(const QString& text, const QString& caption,
                DialogIcon icon = DialogIcon::Warning) {
        Message(text, caption, DialogButtons::Ok, icon, DialogButton::Ok);
    }
    DialogButton Ask(const QString& text, const QString& caption,
                     DialogButtons buttons = DialogButtons::YesNo,
                     DialogButton defaultButton = DialogButton::Yes) {
        return Message(text, caption, buttons, DialogIcon::Question, defaultButton);
    }
    // A question whose Yes erases something in the instrument or loses what memory holds:
    // Enter answers No.
    bool Confirm(const QString& text, const QString& caption,
                 DialogButtons buttons = DialogButtons::YesNo) {
        return Ask(text, caption, buttons, DialogButton::No) == DialogButton::Yes;
    }
};

// Real dialogs on the screen, parented to the window set with setParentWindow (or to the
// active window).
class QtOperatorDialogs final : public OperatorDialogs {
  public:
    void setParentWindow(QWidget* parent) { parent_ = parent; }

    DialogButton Message(const QString& text, const QString& caption, DialogButtons buttons,
                         DialogIcon icon, DialogButton defaultButton) override;
    std::optional<SaveFileChoice> SaveFile(const QStringList& filters, int selectedFilter) override;
    std::optional<QString> OpenFile(const QString& title, const QString& directory,
                                    const QStringList& filters) override;
    std::optional<SaveFileChoice> SaveFileNamed(const QStringList& filters, int selectedFilter,
                                                const QString& suggestedName) override;
    bool Print(QPrinter& printer) override;
    void ReportError(const QString& text) override;

  private:
    QWidget* parentWindow() const;

    QWidget* parent_ = nullptr;
};

}  // namespace kvir
