// SPDX-License-Identifier: GPL-3.0-or-later
#include "MenuKeys.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSet>

namespace kolmaris {

namespace {

// Puts "&" before the first letter of the text that is not taken yet; texts that have one keep it.
void GiveAccelerators(const QList<QAction*>& actions)
{
    QSet<QChar> taken;
    for (const QAction* action : actions) {
        const QString text = action->text();
        const qsizetype at = text.indexOf('&');
        if (at >= 0 && at + 1 < text.size())
            taken.insert(text.at(at + 1).toLower());
    }
    for (QAction* action : actions) {
        QString text = action->text();
        if (action->isSeparator() || text.contains('&'))
            continue;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text.at(i).isLetter() && !taken.contains(text.at(i).toLower())) {
                taken.insert(text.at(i).toLower());
                action->setText(text.insert(i, '&'));
                break;
            }
        }
    }
    for (const QAction* action : actions) {
        if (const QMenu* submenu = action->menu())
            GiveAccelerators(submenu->actions());
    }
}

// True when the menu holds an entry that can be chosen; sets its submenus on the way.
bool UpdateMenu(const QMenu& menu)
{
    bool any = false;
    for (QAction* action : menu.actions()) {
        if (action->isSeparator() || !action->isVisible())
            continue;
        if (QMenu* submenu = action->menu())
            action->setEnabled(UpdateMenu(*submenu));
        any = any || action->isEnabled();
    }
    return any;
}

}  // namespace

void PrepareMenus(QMenuBar& bar)
{
    GiveAccelerators(bar.actions());
    for (QAction* action : bar.actions()) {
        if (QMenu* menu = action->menu())
            QObject::connect(menu, &QMenu::aboutToShow, menu, [menu] { UpdateMenu(*menu); });
    }
    UpdateSubmenus(bar);
}

void UpdateSubmenus(QMenuBar& bar)
{
    for (QAction* action : bar.actions()) {
        if (QMenu* menu = action->menu())
            UpdateMenu(*menu);
    }
}

}  // namespace kolmaris
