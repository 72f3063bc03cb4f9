// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's dialogs on Qt: message boxes with the caption as window title, the save
// dialog and the directory dialog.

#include "Dialogs.h"

#include <optional>
#include <utility>

namespace kolmaris {

class QtDialogs final : public Dialogs {
public:
    // The next message box with `text` is not shown but answered `result` (for pictures taken
    // with nobody at the screen).
    void AnswerOnce(const QString& text, MessageResult result) { answer_ = {text, result}; }

    MessageResult Message(QWidget* parent, const QString& caption, const QString& text, MessageButtons buttons,
                          MessageIcon icon) override;
    MessageResult Confirm(QWidget* parent, const QString& text) override;
    std::optional<QString> SaveFileName(QWidget* parent, const QString& filter, const QString& defaultSuffix,
                                        const QString& suggestedName) override;
    std::optional<QString> DirectoryName(QWidget* parent, const QString& caption) override;

private:
    // The box with the button of `defaultResult` as its default.
    MessageResult Show(QWidget* parent, const QString& caption, const QString& text, MessageButtons buttons,
                       MessageIcon icon, MessageResult defaultResult);

    std::optional<std::pair<QString, MessageResult>> answer_;
};

}  // namespace kolmaris
