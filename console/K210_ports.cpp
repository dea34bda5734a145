// The port box: the serial ports that are present and can be opened.

#include "K210.h"

#include "link/Util_comport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>

namespace kvir {

int TGround_form::BuildPortList() {
    const QStringList entries =
        BuildPortEntries(services_.listPorts(), SettingValue(QStringLiteral("port")),
                         [this](const QString& name) { return link().ProbePort(name) == 0; });
    ComboBox1->clear();
    ComboBox1->addItems(entries);
    return static_cast<int>(entries.size());
}

void TGround_form::SelectPort(const QString& name) {
    const int index = ComboBox1->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    ComboBox1->setCurrentIndex(index >= 0 ? index : ComboBox1->count() - 1);
}

QString TGround_form::portText() const {
    return ComboBox1->currentText();
}

void TGround_form::ComboBox1Enter() {
    // Entering the port box ends any connection.
    link().ClosePort();
    if (BuildPortList() > 0) {
        ComboBox1->setCurrentIndex(ComboBox1->count() - 1);
    } else {
        dialogs().Message(QStringLiteral("COM порты отсутствуют"), QStringLiteral("ОШИБКА!"),
                          DialogButtons::Ok, DialogIcon::Error);
    }
}

void TGround_form::ComboBox1Click() {
    // The next visit to the box enters it again and rebuilds the list.
    Page_nastr->setFocus(Qt::OtherFocusReason);
}

}  // namespace kvir
