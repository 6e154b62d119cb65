#pragma once

#include <QLineEdit>

namespace korvel {

// The Values tab's raw text box. It tells the tab when the user leaves it and when
// Return or Enter is pressed in it; both commit the typed text.
class ValuesRawBox : public QLineEdit {
    Q_OBJECT
public:
    explicit ValuesRawBox(QWidget* parent = nullptr);

signals:
    // The focus went to another control of the window. Not raised when the whole
    // window loses activation (another program in front) or when a popup of the box's
    // own opens (its context menu): the user has not left the box then.
    void left();
    // Return or Enter was pressed. The key is consumed here, so it never reaches the
    // editor's default button.
    void enterPressed();
    // Esc was pressed: the typed text is to be put back. The key is consumed here, so it
    // never closes the window.
    void escapePressed();

protected:
    // Undo and redo keys are the box's own only while its text is typed and not yet
    // committed; otherwise they go on to the editor's undo of byte changes.
    bool event(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace korvel
