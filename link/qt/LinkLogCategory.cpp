// SPDX-License-Identifier: GPL-3.0-or-later
#include "LinkLogCategory.h"

namespace kolmaris {

Q_LOGGING_CATEGORY(linkLogCategory, "kolmaris.link", QtInfoMsg)

LinkLogSink QtLinkLogSink()
{
    return [](const LinkEvent& event) {
        if (linkLogCategory().isDebugEnabled())
            qCDebug(linkLogCategory).noquote() << QString::fromStdString(FormatLinkEvent(event));
    };
}

}  // namespace kolmaris
