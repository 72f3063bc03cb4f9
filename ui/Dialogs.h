// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one seam every dialog of the program passes through: message boxes, the save dialog and
// the directory dialog. Windows never call QMessageBox or QFileDialog themselves, so tests can
// answer them and record what was shown.

#include <QString>

#include <optional>

class QWidget;

namespace kolmaris {

enum class MessageIcon { None, Information, Exclamation, Error, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore, CancelTryContinue };
enum class MessageResult { Ok, Cancel, Yes, No, Retry, Abort, Ignore, TryAgain, Continue };

class Dialogs {
public:
    virtual ~Dialogs() = default;

    virtual MessageResult Message(QWidget* parent, const QString& caption, const QString& text,
                                  MessageButtons buttons, MessageIcon icon) = 0;
    // A question before something that cannot be undone: Yes/No under "Warning" with the
    // exclamation icon, where No is the default button, so that Enter does not confirm it.
    virtual MessageResult Confirm(QWidget* parent, const QString& text)
    {
        return Message(parent, QStringLiteral("Warning"), text, MessageButtons::YesNo, MessageIcon::Exclamation);
    }
    // A file to save into; `filter` like "*.tab", `defaultSuffix` added when the user types none,
    // `suggestedName` the name the dialog offers. Nothing when cancelled.
    virtual std::optional<QString> SaveFileName(QWidget* parent, const QString& filter, const QString& defaultSuffix,
                                                const QString& suggestedName = QString()) = 0;
    // A directory (the dialog can create one). Nothing when cancelled.
    virtual std::optional<QString> DirectoryName(QWidget* parent, const QString& caption) = 0;
};

}  // namespace kolmaris
