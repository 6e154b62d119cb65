// The editor on a definition read into the item model (XDF): its items on tabs of their own,
// in place of the .ecu tabs, which stay hidden and empty.
#include "editor/frm_editor.h"

#include "core/app_state.h"
#include "core/definition_reader.h"
#include "editor/editor_menu.h"
#include "editor/item_tab.h"
#include "editor/values_tab.h"
#include "widgets/busy_pointer.h"
#include "widgets/prompt.h"
#include "widgets/table_grid.h"

#include <QFileInfo>
#include <QTabWidget>

namespace korvel {

bool frmEditor::openItemDefinition() {
    AppState& state = m_services.state;
    DefinitionRead read = readDefinitionFile(state.EcuPath);
    if (!read.ok()) {
        setDefaultPointer();
        const QString name = QFileInfo(state.EcuPath).fileName();
        m_services.prompt.message(read.format == DefinitionFormat::Locked
                                      ? QString::fromLatin1(kLockedDefinitionText).replace(0, 3, name)
                                      : QStringLiteral("%1 cannot be read: %2").arg(name, read.error),
                                  Prompt::Icon::Critical);
        return false;
    }
    // Nothing of an .ecu definition read before may show beside this one.
    state.ecuHeader = EcuHeader{};
    state.EcuItemTable.fill(EcuItem{});
    auto def = std::make_shared<const Definition>(std::move(*read.definition));
    state.definition = def;

    const std::pair<ItemClass, const char*> kinds[] = {{ItemClass::Flag, "Flags"},
                                                       {ItemClass::Value, "Values"},
                                                       {ItemClass::Array, "Arrays"},
                                                       {ItemClass::Map, "3D Maps"}};
    const char* const kNames[] = {"tabItemFlags", "tabItemValues", "tabItemArrays", "tabItemMaps"};
    for (int k = 0; k < 4; ++k) {
        std::vector<int> items;
        for (size_t i = 0; i < def->items.size(); ++i)
            if (def->items[i].itemClass() == kinds[k].first) items.push_back(int(i));
        auto* tab = m_itemTabs[k] = new ItemTab(m_context, kinds[k].first, m_tabs);
        tab->setObjectName(QLatin1String(kNames[k]));
        m_tabs->insertTab(4 + k, tab, QLatin1String(kinds[k].second));
        tab->setItems(def.get(), std::move(items));
        if (tab->grid()) m_menu->addTableGrid(tab->grid());
    }
    // The .ecu tabs go out of sight once every item tab exists (the change of tab reloads them all).
    m_tabs->setCurrentWidget(m_itemTabs[0]);
    for (int k = 0; k < 4; ++k)
        m_tabs->setTabVisible(k, false);
    return true;
}

std::vector<ItemTab*> frmEditor::itemTabs() const {
    if (!m_itemTabs[3]) return {}; // none, or not all made yet
    return {m_itemTabs[0], m_itemTabs[1], m_itemTabs[2], m_itemTabs[3]};
}

ItemTab* frmEditor::shownItemTable() const {
    for (ItemTab* t : itemTabs())
        if (t->grid() && m_tabs->currentWidget() == t) return t;
    return nullptr;
}

void frmEditor::openDefinitionItem(int index) {
    commitTyped();
    for (ItemTab* t : itemTabs()) {
        if (!t->openItem(index)) continue;
        m_tabs->setCurrentWidget(t);
        return;
    }
}

void frmEditor::commitTyped() {
    m_valuesTab->commitTypedText();
    for (ItemTab* t : itemTabs())
        t->commitTypedText();
}

} // namespace korvel
