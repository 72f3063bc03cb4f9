#pragma once
// The program's dialogs on Qt: message boxes with the caption as window title, the save
// dialog and the directory dialog.

#include "Dialogs.h"

namespace kolmaris {

class QtDialogs final : public Dialogs {
public:
    MessageResult Message(QWidget* parent, const QString& caption, const QString& text, MessageButtons buttons,
                          MessageIcon icon) override;
    std::optional<QString> SaveFileName(QWidget* parent, const QString& filter, const QString& defaultSuffix) override;
    std::optional<QString> DirectoryName(QWidget* parent, const QString& caption) override;
};

}  // namespace kolmaris
