// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Keyboard access and state of a menu bar: every title and entry gets an accelerator (Alt+F
// for "File" and so on), and a submenu is enabled only while it holds an entry that can be
// chosen.

class QMenuBar;

namespace kolmaris {

// Marks in each menu the first letter of every text that no earlier text there has taken,
// keeps the submenus' state up to date whenever a menu opens, and sets it once now.
void PrepareMenus(QMenuBar& bar);

// Enables each submenu that holds a visible, enabled entry (in itself or a submenu of its own)
// and disables the others.
void UpdateSubmenus(QMenuBar& bar);

}  // namespace kolmaris
