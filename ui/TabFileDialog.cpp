// SPDX-License-Identifier: GPL-3.0-or-later
#include "TabFileDialog.h"

#include "Utf8Path.h"

#include <QFile>

namespace kolmaris {
namespace {

constexpr char kKeepOldDataQuestion[] =
    "File exists.\nDo you want to keep old data?\n\nYES - new data will be appended to old ones\n"
    " NO - old data will be overwritten\nCANCEL - choose another file name";

}  // namespace

std::unique_ptr<TabFile> OpenTabFile(Dialogs& dialogs, QWidget* parent, const QString& defaultSuffix,
                                     const QString& suggestedName)
{
    for (;;) {
        const auto path = dialogs.SaveFileName(parent, QStringLiteral("*.tab"), defaultSuffix, suggestedName);
        if (!path)
            return nullptr;
        auto file = std::make_unique<TabFile>();
        file->path = *path;
        if (QFile::exists(*path)) {
            const auto answer = dialogs.Message(parent, QStringLiteral("Query"), QString::fromLatin1(kKeepOldDataQuestion),
                                                MessageButtons::YesNoCancel, MessageIcon::Question);
            if (answer == MessageResult::Cancel)
                continue;
            file->append = answer == MessageResult::Yes;
        }
        for (;;) {
            if (file->file.Open(PathFromUtf8(path->toStdString()), file->append))
                return file;
            if (dialogs.Message(parent, QStringLiteral("Error!"), QStringLiteral("File opening failed! Try again?"),
                                MessageButtons::RetryCancel, MessageIcon::Error) != MessageResult::Retry)
                return nullptr;
        }
    }
}

void CloseTabFile(Dialogs& dialogs, QWidget* parent, TabFile& file)
{
    if (file.file.Commit())
        dialogs.Message(parent, QStringLiteral("Message"), QStringLiteral("Finished OK"), MessageButtons::Ok,
                        MessageIcon::Information);
    else
        dialogs.Message(parent, QStringLiteral("Error!"), QStringLiteral("File closing failed!"), MessageButtons::Ok,
                        MessageIcon::Error);
}

bool SaveTabFile(Dialogs& dialogs, QWidget* parent, const std::function<void(std::ostream&, bool)>& write,
                 const QString& defaultSuffix, const QString& suggestedName)
{
    const auto file = OpenTabFile(dialogs, parent, defaultSuffix, suggestedName);
    if (!file)
        return false;
    write(file->file.Out(), file->append);
    CloseTabFile(dialogs, parent, *file);
    return true;
}

}  // namespace kolmaris
