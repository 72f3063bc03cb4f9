// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What every window shares: the one link, the measuring-system model, the link settings,
// the service-mode flag and the dialog seam. Created once by the application (or a test)
// and handed to each window.

#include "ConfigFile.h"
#include "Dialogs.h"
#include "MeasuringSystem.h"
#include "StepLink.h"

#include <filesystem>
#include <string>

namespace kolmaris {

struct Session {
    Session(StepLink& link_, Dialogs& dialogs_) : link(link_), dialogs(dialogs_) {}

    StepLink& link;
    Dialogs& dialogs;
    MeasuringSystem model;
    LinkSettings settings;
    bool serviceMode = false;          // off at every start; switched by the About window
    std::filesystem::path configPath;  // the configuration file, set by the application
    std::string archiveLocation;       // the station archive: a file or postgresql:// URL; empty: default file
    std::string station = "default";   // the station whose records go into it
};

// Puts the settings that the link itself keeps into force (the reply time-out); run after
// the settings were loaded or edited.
inline void ApplyLinkSettings(Session& session)
{
    session.link.ReplyTimeout = session.settings.replyTimeout;
}

}  // namespace kolmaris
