// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtDialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include <utility>
#include <vector>

namespace kolmaris {

namespace {

QMessageBox::Icon BoxIcon(MessageIcon icon)
{
    switch (icon) {
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Exclamation:
            return QMessageBox::Warning;
        case MessageIcon::Error:
            return QMessageBox::Critical;
        case MessageIcon::Question:
            return QMessageBox::Question;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

using ButtonSet = std::vector<std::pair<QMessageBox::StandardButton, MessageResult>>;

ButtonSet StandardButtons(MessageButtons buttons)
{
    switch (buttons) {
        case MessageButtons::Ok:
            return {{QMessageBox::Ok, MessageResult::Ok}};
        case MessageButtons::OkCancel:
            return {{QMessageBox::Ok, MessageResult::Ok}, {QMessageBox::Cancel, MessageResult::Cancel}};
        case MessageButtons::YesNo:
            return {{QMessageBox::Yes, MessageResult::Yes}, {QMessageBox::No, MessageResult::No}};
        case MessageButtons::YesNoCancel:
            return {{QMessageBox::Yes, MessageResult::Yes},
                    {QMessageBox::No, MessageResult::No},
                    {QMessageBox::Cancel, MessageResult::Cancel}};
        case MessageButtons::RetryCancel:
            return {{QMessageBox::Retry, MessageResult::Retry}, {QMessageBox::Cancel, MessageResult::Cancel}};
        case MessageButtons::AbortRetryIgnore:
            return {{QMessageBox::Abort, MessageResult::Abort},
                    {QMessageBox::Retry, MessageResult::Retry},
                    {QMessageBox::Ignore, MessageResult::Ignore}};
        case MessageButtons::CancelTryContinue:
            break;
    }
    return {};
}

// What closing the box without a button (Escape, the title bar) means.
MessageResult EscapeResult(MessageButtons buttons)
{
    switch (buttons) {
        case MessageButtons::Ok:
            return MessageResult::Ok;
        case MessageButtons::YesNo:
            return MessageResult::No;
        case MessageButtons::AbortRetryIgnore:
            return MessageResult::Abort;
        default:
            return MessageResult::Cancel;
    }
}

}  // namespace

MessageResult QtDialogs::Message(QWidget* parent, const QString& caption, const QString& text, MessageButtons buttons,
                                 MessageIcon icon)
{
    // "Try Again" is the default of its set; elsewhere the first button.
    const MessageResult defaultResult = buttons == MessageButtons::CancelTryContinue
                                            ? MessageResult::TryAgain
                                            : StandardButtons(buttons).front().second;
    return Show(parent, caption, text, buttons, icon, defaultResult);
}

MessageResult QtDialogs::Confirm(QWidget* parent, const QString& text)
{
    return Show(parent, QStringLiteral("Warning"), text, MessageButtons::YesNo, MessageIcon::Exclamation,
                MessageResult::No);
}

MessageResult QtDialogs::Show(QWidget* parent, const QString& caption, const QString& text, MessageButtons buttons,
                              MessageIcon icon, MessageResult defaultResult)
{
    if (answer_ && answer_->first == text) {
        const MessageResult result = answer_->second;
        answer_.reset();
        return result;
    }
    QMessageBox box(BoxIcon(icon), caption, text, QMessageBox::NoButton, parent);
    std::vector<std::pair<QAbstractButton*, MessageResult>> results;
    if (buttons == MessageButtons::CancelTryContinue) {
        // Qt has no standard "Try Again" and "Continue" buttons.
        results.push_back({box.addButton(QMessageBox::Cancel), MessageResult::Cancel});
        results.push_back(
            {box.addButton(QStringLiteral("Try Again"), QMessageBox::AcceptRole), MessageResult::TryAgain});
        results.push_back(
            {box.addButton(QStringLiteral("Continue"), QMessageBox::AcceptRole), MessageResult::Continue});
    } else {
        for (const auto& [button, result] : StandardButtons(buttons))
            results.push_back({box.addButton(button), result});
    }
    for (const auto& [button, result] : results) {
        if (result == defaultResult)
            box.setDefaultButton(qobject_cast<QPushButton*>(button));
    }
    box.exec();
    for (const auto& [button, result] : results) {
        if (box.clickedButton() == button)
            return result;
    }
    return EscapeResult(buttons);
}

std::optional<QString> QtDialogs::SaveFileName(QWidget* parent, const QString& filter, const QString& defaultSuffix,
                                               const QString& suggestedName)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(defaultSuffix);
    if (!suggestedName.isEmpty())
        dialog.selectFile(suggestedName);
    // The caller asks whether to keep or overwrite an existing file; one question is enough.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front();
}

std::optional<QString> QtDialogs::DirectoryName(QWidget* parent, const QString& caption)
{
    // The dialog offers a button that creates a new directory.
    const QString dir = QFileDialog::getExistingDirectory(parent, caption, QString(), QFileDialog::ShowDirsOnly);
    if (dir.isEmpty())
        return std::nullopt;
    return dir;
}

}  // namespace kolmaris
