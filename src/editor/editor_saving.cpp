// The editor's saving: Save over the BIN file, Save As to another file, and what the
// editor tells about a file it cannot save over.
#include "editor/frm_editor.h"

#include "core/app_state.h"
#include "core/bin_image.h"
#include "core/bin_save.h"
#include "core/settings_file.h"
#include "editor/values_tab.h"
#include "widgets/busy_pointer.h"
#include "widgets/prompt.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QVBoxLayout>

namespace korvel {

namespace {
const QString kReadOnlyTitle = QStringLiteral("     (read-only)");
}

void frmEditor::buildFileState(QVBoxLayout* layout) {
    m_lblReadOnly = new QLabel(this);
    m_lblReadOnly->setObjectName(QStringLiteral("lblReadOnly"));
    m_lblReadOnly->setStyleSheet(QStringLiteral("#lblReadOnly { color: #B71C1C; font-weight: bold; }"));
    m_lblReadOnly->hide();
    layout->addWidget(m_lblReadOnly);
}

void frmEditor::showFileState() {
    const AppState& state = m_services.state;
    m_readOnly = binFileReadOnly(state.BinPath, state.DataFolder);
    m_lblReadOnly->setText(
        QStringLiteral("%1 is read-only: Save As (Ctrl+Shift+S) keeps the changes in another file.")
            .arg(QFileInfo(state.BinPath).fileName()));
    m_lblReadOnly->setToolTip(state.BinPath);
    m_lblReadOnly->setVisible(m_readOnly);
    QString title = windowTitle();
    if (title.endsWith(kReadOnlyTitle)) title.chop(kReadOnlyTitle.size());
    setWindowTitle(m_readOnly ? title + kReadOnlyTitle : title);
}

bool frmEditor::saveImage() {
    AppState& state = m_services.state;
    setBusyPointer();
    const Status s = WriteBinFile(state);
    setDefaultPointer();
    if (!s) {
        m_services.prompt.message(QStringLiteral("The BIN file was not saved.\n%1").arg(s.error()),
                                  Prompt::Icon::Critical);
        return false;
    }
    m_services.prompt.message(state.BinPath.toUpper() + QStringLiteral(" Saved."));
    m_vars.IsSaved = true;
    return true;
}

void frmEditor::cmdSave_Click() {
    // Ctrl+S and the menu do not take the focus as the button does: typed text first.
    commitTyped();
    if (!m_readOnly) {
        saveImage();
        return;
    }
    if (m_services.prompt.askYesNo(
            QStringLiteral("%1 is read-only and cannot be saved over. Save the image as another file?")
                .arg(m_services.state.BinPath)))
        saveAs();
}

bool frmEditor::saveAs() {
    AppState& state = m_services.state;
    commitTyped();
    // A read-only file's folder (the installed sample's, say) is no place to save to.
    const QString folder = m_readOnly ? QDir::homePath() : QFileInfo(state.BinPath).absolutePath();
    const QString path = m_services.prompt.saveFile(QStringLiteral("Save BIN File As"), folder,
                                                    QStringLiteral("BIN Files (*.bin);;All Files (*)"));
    if (path.isEmpty()) return false;
    if (binFileReadOnly(path, state.DataFolder)) {
        m_services.prompt.message(
            QStringLiteral("%1 is read-only. The BIN file was not saved: choose another file.").arg(path),
            Prompt::Icon::Critical);
        return false;
    }
    setBusyPointer();
    const Status s = WriteBinFileAs(state, path);
    setDefaultPointer();
    if (!s) {
        m_services.prompt.message(QStringLiteral("The BIN file was not saved.\n%1").arg(s.error()),
                                  Prompt::Icon::Critical);
        return false;
    }
    // Editing goes on in the new file, which the start window offers next time too.
    state.BinPath = path;
    m_services.settings.WriteSetting(QStringLiteral("BIN Location"), path);
    showFileState();
    m_services.prompt.message(path.toUpper() + QStringLiteral(" Saved."));
    m_vars.IsSaved = true;
    return true;
}

} // namespace korvel
