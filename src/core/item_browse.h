#pragma once

#include "ecu_definition.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace korvel {

// One item as the item browser lists it. The editor builds the list from its definition,
// whatever the format; the browser groups the entries by category, in the order the
// categories first appear, each category's entries in list order.
struct BrowseEntry {
    QString category; // empty: listed under "(no category)"
    QString title;
    QString description; // searched, as the title is
    QString details;     // shown with the description, not searched: class, address, size
    int key = 0;         // handed back when the entry is chosen: what the editor opens
};

// The words of a filter text, case-folded; none for a text of blanks only.
QStringList browseWords(const QString& filter);
// What an entry is searched in: its title and description, case-folded.
QString browseText(const BrowseEntry& entry);
// Whether every word occurs in the searched text (any text matches no words).
bool browseMatches(const QString& text, const QStringList& words);

// The entries of an .ecu definition: "Flags", "Values", "Arrays" and "Maps" in this order,
// each with the items of its tab's list (item numbers into `table`) in the list's order.
// The key is the item number; the details name the class, the first byte and the size.
std::vector<BrowseEntry> ecuBrowseEntries(const EcuItemArray& table, const std::vector<int>& flags,
                                          const std::vector<int>& values, const std::vector<int>& arrays,
                                          const std::vector<int>& maps);

// The entries of a definition read into the item model (XDF): every item under its category,
// in file order; the key is the item's index in def.items. The details name the class, the
// first byte, the element size and, for a read-only item, why.
struct Definition;
std::vector<BrowseEntry> definitionBrowseEntries(const Definition& def);

} // namespace korvel
