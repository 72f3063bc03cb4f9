// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Choosing and closing a ".tab" file for a single save: the save dialog, the keep-or-overwrite
// question, a retry when the file cannot be opened, and the final report.

#include "Dialogs.h"
#include "FileReplacement.h"

#include <QString>

#include <functional>
#include <memory>
#include <ostream>

class QWidget;

namespace kolmaris {

struct TabFile {
    FileReplacement file;  // binary: the writers put CR LF themselves
    bool append = false;   // keep the old data: no header
    QString path;
};

// The save dialog with filter "*.tab", offering `suggestedName` (and `defaultSuffix` added when
// the user types none);
// for an existing file asks "File exists.\nDo you want to keep old data?..." (Yes appends,
// No overwrites, Cancel opens the dialog again); a failed open asks "File opening failed!
// Try again?" (Retry/Cancel). Nothing when the user cancels.
std::unique_ptr<TabFile> OpenTabFile(Dialogs& dialogs, QWidget* parent, const QString& defaultSuffix = QString(),
                                     const QString& suggestedName = QString());

// Puts the complete file in place and reports "Finished OK" (caption "Message"), or
// "File closing failed!" (caption "Error!"), the old file untouched, when writing failed.
void CloseTabFile(Dialogs& dialogs, QWidget* parent, TabFile& file);

// A whole single save: OpenTabFile, `write(out, append)`, CloseTabFile. False when cancelled.
bool SaveTabFile(Dialogs& dialogs, QWidget* parent, const std::function<void(std::ostream&, bool append)>& write,
                 const QString& defaultSuffix = QString(), const QString& suggestedName = QString());

}  // namespace kolmaris
