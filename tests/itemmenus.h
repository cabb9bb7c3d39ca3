#pragma once

#include <QAction>
#include <QMenu>

// Chooses the entry with the given text in an item's context menu, as the analyst would;
// false when the menu has no such enabled entry.
template<typename Item>
bool chooseMenuEntry(Item *item, const QString &text)
{
    QMenu menu;
    item->populateContextMenu(menu);
    for (QAction *action : menu.findChildren<QAction *>()) {
        if (action->text() == text && action->isEnabled()) {
            action->trigger();
            return true;
        }
    }
    return false;
}
