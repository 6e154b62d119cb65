#pragma once

#include <QComboBox>

namespace korvel {

// The Values tab's item list. It announces that its list is about to open, so the tab
// can commit text still being typed in the raw box to the item shown until then, even
// on a platform where clicking a list does not take the focus from the box.
class ValuesItemList : public QComboBox {
    Q_OBJECT
public:
    explicit ValuesItemList(QWidget* parent = nullptr);

    void showPopup() override;

signals:
    void popupOpening();
};

} // namespace korvel
