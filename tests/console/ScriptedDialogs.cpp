#include "ScriptedDialogs.h"

#include <gtest/gtest.h>

namespace kvir::test {

namespace {

const char* KindName(DialogCall::Kind kind) {
    switch (kind) {
        case DialogCall::Message:
            return "message box";
        case DialogCall::SaveFile:
            return "save dialog";
        case DialogCall::OpenFile:
            return "open dialog";
        case DialogCall::Print:
            return "print dialog";
        case DialogCall::Error:
            return "error box";
    }
    return "?";
}

}  // namespace

ScriptedDialogs::~ScriptedDialogs() {
    if (!script_.empty()) {
        ADD_FAILURE() << script_.size() << " scripted dialog answer(s) never used; the next is "
                      << "for a " << KindName(script_.front().kind);
    }
}

void ScriptedDialogs::answer(DialogButton button) {
    script_.push_back({DialogCall::Message, button, std::nullopt, false, {}});
}

void ScriptedDialogs::answerSave(const QString& path, int filterIndex) {
    script_.push_back(
        {DialogCall::SaveFile, DialogButton::Ok, SaveFileChoice{path, filterIndex}, false, {}});
}

void ScriptedDialogs::cancelSave() {
    script_.push_back({DialogCall::SaveFile, DialogButton::Cancel, std::nullopt, false, {}});
}

void ScriptedDialogs::answerOpen(const QString& path) {
    script_.push_back({DialogCall::OpenFile, DialogButton::Ok, SaveFileChoice{path, 1}, false, {}});
}

void ScriptedDialogs::answerPrint(bool accepted, PrinterSetUp setUp) {
    script_.push_back(
        {DialogCall::Print, DialogButton::Ok, std::nullopt, accepted, std::move(setUp)});
}

void ScriptedDialogs::expectError() {
    script_.push_back({DialogCall::Error, DialogButton::Ok, std::nullopt, false, {}});
}

QStringList ScriptedDialogs::transcript() const {
    QStringList lines;
    for (const DialogCall& call : calls_) {
        lines.append(call.caption + u'|' + call.text);
    }
    return lines;
}

void ScriptedDialogs::clear() {
    calls_.clear();
    script_.clear();
}

std::optional<ScriptedDialogs::Scripted> ScriptedDialogs::take(DialogCall::Kind kind,
                                                               const DialogCall& call) {
    calls_.push_back(call);
    if (script_.empty() || script_.front().kind != kind) {
        ADD_FAILURE() << "unexpected " << KindName(kind) << ": caption \""
                      << call.caption.toStdString() << "\", text \"" << call.text.toStdString()
                      << "\""
                      << (script_.empty() ? std::string(" (no answer scripted)")
                                          : std::string(" (a ") + KindName(script_.front().kind) +
                                                " was scripted)");
        return std::nullopt;
    }
    Scripted next = script_.front();
    script_.pop_front();
    return next;
}

DialogButton ScriptedDialogs::Message(const QString& text, const QString& caption,
                                      DialogButtons buttons, DialogIcon icon,
                                      DialogButton defaultButton) {
    const auto next = take(DialogCall::Message,
                           {DialogCall::Message, text, caption, buttons, icon, {}, defaultButton});
    if (!next) {
        // The safe answer: nothing is done.
        return buttons == DialogButtons::Ok      ? DialogButton::Ok
               : buttons == DialogButtons::YesNo ? DialogButton::No
                                                 : DialogButton::Cancel;
    }
    return next->button;
}

std::optional<SaveFileChoice> ScriptedDialogs::SaveFile(const QStringList& filters,
                                                        int selectedFilter) {
    return SaveFileNamed(filters, selectedFilter, QString());
}

std::optional<SaveFileChoice> ScriptedDialogs::SaveFileNamed(const QStringList& filters,
                                                             int /*selectedFilter*/,
                                                             const QString& suggestedName) {
    DialogCall call;
    call.kind = DialogCall::SaveFile;
    call.text = suggestedName;
    call.filters = filters;
    const auto next = take(DialogCall::SaveFile, call);
    return next ? next->save : std::nullopt;
}

std::optional<QString> ScriptedDialogs::OpenFile(const QString& title, const QString& /*directory*/,
                                                 const QStringList& filters) {
    DialogCall call;
    call.kind = DialogCall::OpenFile;
    call.caption = title;
    call.filters = filters;
    const auto next = take(DialogCall::OpenFile, call);
    if (!next || !next->save) {
        return std::nullopt;
    }
    return next->save->path;
}

bool ScriptedDialogs::Print(QPrinter& printer) {
    DialogCall call;
    call.kind = DialogCall::Print;
    const auto next = take(DialogCall::Print, call);
    if (!next || !next->print) {
        return false;
    }
    if (next->setUp) {
        next->setUp(printer);
    }
    return true;
}

void ScriptedDialogs::ReportError(const QString& text) {
    DialogCall call;
    call.kind = DialogCall::Error;
    call.text = text;
    take(DialogCall::Error, call);
}

}  // namespace kvir::test
