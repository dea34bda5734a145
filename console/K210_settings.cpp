// The settings file "KVIR-Wpad.ini" and the users list of the settings tab.

#include "K210.h"

#include "Settings.h"
#include "session/OperatorTexts.h"
#include "session/TextFiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSignalBlocker>

namespace kvir {

namespace {

quint8 CheckedMask(const std::array<QCheckBox*, 8>& boxes) {
    quint8 mask = 0;
    for (std::size_t k = 0; k < boxes.size(); ++k) {
        if (boxes[k]->isChecked()) {
            mask = static_cast<quint8>(mask | (1U << k));
        }
    }
    return mask;
}

}  // namespace

bool TGround_form::SaveSettings() {
    if (ComboBox1->count() == 0) {
        ComboBox1->addItem(QStringLiteral("COM0"));
        ComboBox1->setCurrentIndex(0);
    }
    SettingsState state;
    state.port = portText();
    state.startPage = Rbut_sort_papka->isChecked() ? 0 : Rbut_sort_date->isChecked() ? 1 : 2;
    state.showColPapka = CheckedMask(CheckBox);
    state.showColDate = CheckedMask(CheckBoxd);
    state.fullScreen = Chbut_fulekran->isChecked();
    state.netAdres = Edit_net_adr->text();
    state.autoConnect = Rbut_auto->isChecked();
    state.pribor = caption();
    state.users = users();
    // Later lookups see what was written last, even if the file could not take it.
    settings_ = BuildSettingsLines(state);
    reportedSettings_.clear();

    const QString path = filePath(kSettingsFileName);
    FileFault fault = FileFault::None;
    if (!SaveLinesAtomically(path, settings_, &fault)) {
        ReportSaveFailure(path, fault);
        return false;
    }
    return true;
}

void TGround_form::ReportSaveFailure(const QString& path, FileFault fault) {
    dialogs().Message(QStringLiteral("Не удалось записать файл\r\n") + path +
                          QStringLiteral("\r\n") + FileFaultText(fault) +
                          QStringLiteral("\r\nФайл не изменен."),
                      QStringLiteral("ОШИБКА!"), DialogButtons::Ok, DialogIcon::Error);
}

QString TGround_form::SettingValue(const QString& name) const {
    return kvir::SettingValue(settings_, name);
}

int TGround_form::SettingNumber(const QString& name, int fallback) {
    const QString value = SettingValue(name);
    if (const auto number = ParseDecimal(value)) {
        return *number;
    }
    const QString key = name + u'=' + value;
    if (!reportedSettings_.contains(key)) {
        reportedSettings_.insert(key);
        dialogs().Message(QStringLiteral("Значение параметра ") + name + QStringLiteral(" \"") +
                              value + QStringLiteral("\" в файле ") + kSettingsFileName +
                              QStringLiteral(" не является целым числом.\r\nИспользуется ") +
                              QStringLiteral("значение ") + QString::number(fallback) +
                              QStringLiteral("."),
                          QStringLiteral("ОШИБКА!"), DialogButtons::Ok, DialogIcon::Warning);
    }
    return fallback;
}

void TGround_form::But_save_nastrClick() {
    SaveSettings();
}

// ---- Users -------------------------------------------------------------------------------

QStringList TGround_form::users() const {
    QStringList entries;
    for (int i = 0; i < List_registr_name->count(); ++i) {
        entries.append(List_registr_name->item(i)->text());
    }
    return entries;
}

void TGround_form::LoadUsers() {
    // Selecting the first entry does not fill the user fields.
    const QSignalBlocker blocker(List_registr_name);
    List_registr_name->clear();
    List_registr_name->addItems(UsersFromSettings(settings_));
    if (List_registr_name->count() > 0) {
        List_registr_name->setCurrentRow(0);
    }
}

void TGround_form::List_registr_nameClick() {
    QListWidgetItem* item = List_registr_name->currentItem();
    if (item == nullptr) {
        return;
    }
    const auto parts = SplitUserEntry(item->text());
    Edit_reg_fam->setText(parts[0]);
    Edit_reg_name->setText(parts[1]);
    Edit_reg_fas->setText(parts[2]);
}

void TGround_form::But_add_regClick() {
    if (Edit_reg_fam->text().isEmpty()) {
        dialogs().Message(QStringLiteral("Введите фамилию пользователя"), QStringLiteral("ОШИБКА!"),
                          DialogButtons::Ok, DialogIcon::Warning);
        return;
    }
    const QString entry =
        JoinUserEntry(Edit_reg_fam->text(), Edit_reg_name->text(), Edit_reg_fas->text());
    if (users().contains(entry)) {
        dialogs().Message(QStringLiteral("Имя уже существует"), QStringLiteral("ОШИБКА!"),
                          DialogButtons::Ok, DialogIcon::Warning);
        return;
    }
    List_registr_name->addItem(entry);
}

void TGround_form::But_del_regClick() {
    QListWidgetItem* item = List_registr_name->currentItem();
    if (item == nullptr || !item->isSelected()) {
        return;
    }
    const QSignalBlocker blocker(List_registr_name);
    delete List_registr_name->takeItem(List_registr_name->row(item));
    // Nothing is selected afterwards, so a second click deletes nothing.
    List_registr_name->setCurrentRow(-1);
    List_registr_name->clearSelection();
}

}  // namespace kvir
