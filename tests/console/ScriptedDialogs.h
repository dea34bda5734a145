#pragma once
// OperatorDialogs for tests: records every call with its exact text and caption and answers
// from a script. A call with no scripted answer, or of another kind than scripted, fails the
// running test and names the call; answers left over fail it at destruction.

#include "OperatorDialogs.h"

#include <QString>

#include <deque>
#include <functional>
#include <vector>

namespace kvir::test {

struct DialogCall {
    enum Kind { Message, SaveFile, OpenFile, Print, Error } kind = Message;
    QString text;
    QString caption;
    DialogButtons buttons = DialogButtons::Ok;
    DialogIcon icon = DialogIcon::None;
    QStringList filters;  // a save dialog's filters; its suggested name is the text
    DialogButton defaultButton = DialogButton::Ok;  // what Enter answers
};

class ScriptedDialogs final : public OperatorDialogs {
  public:
    ~ScriptedDialogs() override;

    // Scripted answers, consumed in order.
    void answer(DialogButton button);  // next message box
    void answerSave(const QString& path, int filterIndex);
    void cancelSave();
    void answerOpen(const QString& path);
    // An accepted print dialog may set up the printer it was handed (output to a PDF file,
    // a named print queue), as the operator's choice in the dialog would.
    using PrinterSetUp = std::function<void(QPrinter&)>;
    void answerPrint(bool accepted, PrinterSetUp setUp = {});
    void expectError();  // next standard error box

    const std::vector<DialogCall>& calls() const { return calls_; }
    // "caption|text" of every call, for compact assertions.
    QStringList transcript() const;
    void clear();

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
    struct Scripted {
        DialogCall::Kind kind;
        DialogButton button = DialogButton::Ok;
        std::optional<SaveFileChoice> save;
        bool print = false;
        PrinterSetUp setUp;
    };
    // The next answer of `kind`, or nothing after reporting the unexpected call.
    std::optional<Scripted> take(DialogCall::Kind kind, const DialogCall& call);

    std::deque<Scripted> script_;
    std::vector<DialogCall> calls_;
};

}  // namespace kvir::test
