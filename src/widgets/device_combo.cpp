#include "device_combo.h"

#include <QComboBox>

namespace korvel {

QComboBox* deviceCombo(QWidget* parent, const QString& name, const std::vector<SerialDeviceInfo>& devices,
                       const QString& current) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setMinimumContentsLength(24);
    combo->addItem(QString());
    for (const SerialDeviceInfo& d : devices)
        combo->addItem(d.label(), d.device);
    combo->setEditText(current);
    QObject::connect(combo, &QComboBox::activated, combo,
                     [combo](int index) { combo->setEditText(combo->itemData(index).toString()); });
    return combo;
}

} // namespace korvel
