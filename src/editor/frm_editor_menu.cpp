// The editor's menu bar: every command of its buttons and keys, with the keys shown.
#include "editor/frm_editor.h"

#include "data_window/frm_data.h"
#include "editor/arrays_tab.h"
#include "editor/editor_menu.h"
#include "editor/item_tab.h"
#include "editor/live_update.h"
#include "editor/maps_tab.h"
#include "editor/values_tab.h"
#include "widgets/table_grid.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace korvel {

void frmEditor::buildMenu(QVBoxLayout* layout) {
    EditorMenu::Commands commands;
    commands.commitTyped = [this] { commitTyped(); };
    commands.undo = [this] { undo(); };
    commands.redo = [this] { redo(); };
    commands.table = [this]() -> TableEditing* {
        if (m_tabs->currentWidget() == m_arraysTab) return m_arraysTab->tableEditing();
        if (m_tabs->currentWidget() == m_mapsTab) return m_mapsTab->tableEditing();
        if (ItemTab* t = shownItemTable()) return t->tableEditing();
        return nullptr;
    };
    m_menu = new EditorMenu(this, std::move(commands));
    layout->setMenuBar(m_menu->menuBar());

    QMenu* file = m_menu->fileMenu();
    m_menu->addButton(file, m_cmdSave, "actSave", QStringLiteral("&Save"),
                      QKeySequence::keyBindings(QKeySequence::Save));
    m_menu->addCommand(file, "actSaveAs", QStringLiteral("Save &As..."),
                       {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)}, [this] { saveAs(); });
    file->addSeparator();
    m_menu->addButton(file, m_cmdCompare, "actCompare");
    m_menu->addButton(file, m_cmdCompareOpened, "actCompareOpened");
    m_menu->addButton(file, m_cmdChanges, "actChanges");
    m_menu->addCommand(file, "actBrowse", QStringLiteral("&Browse Items…"),
                       {QKeySequence(Qt::CTRL | Qt::Key_B)}, [this] { showBrowser(); });
    file->addSeparator();
    m_menu->addButton(file, m_cmdChkSum, "actChkSum");
    m_menu->addEditMenu();
    m_menu->addTableGrid(m_arraysTab->grid());
    m_menu->addTableGrid(m_mapsTab->grid());

    QMenu* emulator = m_menu->emulatorMenu();
    m_menu->addButton(emulator, m_cmdComplete, "actComplete");
    m_menu->addButton(emulator, m_cmdDownload, "actDownload");
    m_menu->addButton(emulator, m_cmdBatch, "actBatch");
    m_menu->addButton(emulator, m_cmdCheck, "actCheck");
    emulator->addSeparator();
    m_menu->addButton(emulator, m_cmdUpload, "actUpload");
    m_menu->addButton(emulator, m_live->checkBox(), "actLive");
    emulator->addSeparator();
    // The ECU's own line: usable with or without the emulator.
    m_menu->addCommand(emulator, "actData", QStringLiteral("&Data…"), {}, [this] { showData(); });

    connect(m_tabs, &QTabWidget::currentChanged, this, [this] {
        m_menu->setTableTab(m_tabs->currentWidget() == m_arraysTab || m_tabs->currentWidget() == m_mapsTab ||
                            shownItemTable());
    });
}

void frmEditor::showData() {
    if (!m_data) {
        m_data = new frmData(m_services, availableSerialDevices(), {}, this);
        // Every good frame goes to the table tabs of the item model: the trace and the averages.
        auto clock = std::make_shared<QElapsedTimer>();
        connect(m_data, &frmData::cycleDecoded, this, [this, clock](const AdxDecoded& decoded) {
            if (!clock->isValid()) clock->start();
            const auto def = m_data->sharedDefinition();
            if (!def) return;
            for (ItemTab* t : itemTabs())
                t->takeCycle(def, decoded, double(clock->elapsed()) / 1000);
        });
        connect(m_data, &frmData::rowReplayed, this,
                [this](const QStringList& labels, const std::vector<std::optional<double>>& row) {
                    for (ItemTab* t : itemTabs())
                        t->takeRow(labels, row, m_data->sharedDefinition());
                });
    }
    m_data->show();
    m_data->raise();
    m_data->activateWindow();
}

} // namespace korvel
