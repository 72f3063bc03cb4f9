// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The windows' pictures are compiled into a static library; every window that shows one
// calls RegisterPictures() first (it registers them once).

namespace kolmaris {
void RegisterPictures();
}
