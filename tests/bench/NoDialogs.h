#pragma once
// Operator dialogs for benchmarks: every dialog is a failure of the run, printed on stderr.
#include "OperatorDialogs.h"

#include <cstdio>

namespace kvir::bench {

class NoDialogs final : public OperatorDialogs {
  public:
    DialogButton Message(const QString& text, const QString& caption, DialogButtons, DialogIcon,
                         DialogButton) override {
        std::fprintf(stderr, "unexpected message: %s: %s\n", qPrintable(caption), qPrintable(text));
        return DialogButton::Ok;
    }
    std::optional<SaveFileChoice> SaveFile(const QStringList&, int) override { return {}; }
    std::optional<QString> OpenFile(const QString&, const QString&, const QStringList&) override {
        return {};
    }
    bool Print(QPrinter&) override { return false; }
    void ReportError(const QString& text) override {
        std::fprintf(stderr, "error: %s\n", qPrintable(text));
    }
};

}  // namespace kvir::bench
