#include "values_item_list.h"

namespace korvel {

ValuesItemList::ValuesItemList(QWidget* parent) : QComboBox(parent) {}

void ValuesItemList::showPopup() {
    emit popupOpening();
    QComboBox::showPopup();
}

} // namespace korvel
