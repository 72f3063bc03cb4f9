// SPDX-License-Identifier: GPL-3.0-or-later
#include "Pictures.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside a namespace.
static void InitPictureResource()
{
    Q_INIT_RESOURCE(kolmaris);
}

void kolmaris::RegisterPictures()
{
    static const bool registered = [] {
        InitPictureResource();
        return true;
    }();
    (void)registered;
}
