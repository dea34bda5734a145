#include "OperatorDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

namespace kvir {

namespace {

QMessageBox::Icon ToQtIcon(DialogIcon icon) {
    switch (icon) {
        case DialogIcon::Information:
            return QMessageBox::Information;
        case DialogIcon::Warning:
            return QMessageBox::Warning;
        case DialogIcon::Error:
            return QMessageBox::Critical;
        case DialogIcon::Question:
            return QMessageBox::Question;
        case DialogIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

QWidget* QtOperatorDialogs::parentWindow() const {
    return parent_ != nullptr ? parent_ : QApplication::activeWindow();
}

DialogButton QtOperatorDialogs::Message(const QString& text, const QString& caption,
                                        DialogButtons buttons, DialogIcon icon,
                                        DialogButton defaultButton) {
    QMessageBox box(ToQtIcon(icon), caption, text, QMessageBox::NoButton, parentWindow());
    // The product's texts use CR LF; a message box breaks lines at LF.
    box.setText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    QAbstractButton* yes = nullptr;
    QAbstractButton* no = nullptr;
    QAbstractButton* cancel = nullptr;
    QAbstractButton* ok = nullptr;
    switch (buttons) {
        case DialogButtons::Ok:
            ok = box.addButton(QStringLiteral("ОК"), QMessageBox::AcceptRole);
            box.setEscapeButton(ok);
            break;
        case DialogButtons::YesNo:
            yes = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
            no = box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole);
            box.setEscapeButton(no);
            break;
        case DialogButtons::YesNoCancel:
            yes = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
            no = box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole);
            cancel = box.addButton(QStringLiteral("Отмена"), QMessageBox::RejectRole);
            box.setEscapeButton(cancel);
            break;
    }
    const std::pair<DialogButton, QAbstractButton*> byRole[] = {{DialogButton::Yes, yes},
                                                                {DialogButton::No, no},
                                                                {DialogButton::Cancel, cancel},
                                                                {DialogButton::Ok, ok}};
    for (const auto& [role, button] : byRole) {
        if (role == defaultButton && button != nullptr) {
            box.setDefaultButton(qobject_cast<QPushButton*>(button));
        }
    }
    box.exec();
    const QAbstractButton* pressed = box.clickedButton();
    if (pressed != nullptr && pressed == yes) {
        return DialogButton::Yes;
    }
    if (pressed != nullptr && pressed == no) {
        return DialogButton::No;
    }
    if (buttons == DialogButtons::Ok) {
        return DialogButton::Ok;
    }
    return buttons == DialogButtons::YesNo ? DialogButton::No : DialogButton::Cancel;
}

std::optional<SaveFileChoice> QtOperatorDialogs::SaveFile(const QStringList& filters,
                                                          int selectedFilter) {
    return SaveFileNamed(filters, selectedFilter, QString());
}

std::optional<SaveFileChoice> QtOperatorDialogs::SaveFileNamed(const QStringList& filters,
                                                               int selectedFilter,
                                                               const QString& suggestedName) {
    QFileDialog dialog(parentWindow());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The caller asks its own question about an existing file.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setNameFilters(filters);
    if (selectedFilter >= 1 && selectedFilter <= filters.size()) {
        dialog.selectNameFilter(filters.at(selectedFilter - 1));
    }
    if (!suggestedName.isEmpty()) {
        dialog.selectFile(suggestedName);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const int index = static_cast<int>(filters.indexOf(dialog.selectedNameFilter()));
    return SaveFileChoice{dialog.selectedFiles().constFirst(), index >= 0 ? index + 1 : 1};
}

std::optional<QString> QtOperatorDialogs::OpenFile(const QString& title, const QString& directory,
                                                   const QStringList& filters) {
    QFileDialog dialog(parentWindow(), title, directory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

bool QtOperatorDialogs::Print(QPrinter& printer) {
    QPrintDialog dialog(&printer, parentWindow());
    // "Печать в файл" proposes a file in the working folder, where the console keeps its other
    // files, rather than in the home folder; the destination stays the system's printer.
    if (printer.outputFileName().isEmpty()) {
        if (auto* file = dialog.findChild<QLineEdit*>(QStringLiteral("filename"))) {
            file->setText(QDir::current().filePath(QStringLiteral("print.pdf")));
        }
    }
    return dialog.exec() == QDialog::Accepted;
}

void QtOperatorDialogs::ReportError(const QString& text) {
    Message(text, QStringLiteral("КВИР"), DialogButtons::Ok, DialogIcon::Error, DialogButton::Ok);
}

}  // namespace kvir
