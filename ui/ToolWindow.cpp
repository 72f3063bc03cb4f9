// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToolWindow.h"

#include "Session.h"

#include <QHideEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

namespace kolmaris {

namespace {

constexpr int kCancelTmrMs = 100;

}  // namespace

ToolWindow::ToolWindow(Session& session, QWidget* parent)
    : QDialog(parent), session_(session), cancelTmr_(new QTimer(this))
{
    SetUpTimer(cancelTmr_, "CancelTMR", kCancelTmrMs, &ToolWindow::CancelTMRTimer);
}

void ToolWindow::CancelTMRTimer()
{
    cancelTmr_->stop();
    done(QDialog::Rejected);
}

void ToolWindow::CloseLater()
{
    cancelTmr_->start();
}

bool ToolWindow::OpeningExchange(const RelayedSend& send, RelayedAnswer& answer)
{
    if (BlockingExchange(session_, this, send, answer))
        return true;
    CloseLater();
    return false;
}

bool ToolWindow::BuildMeshAdrCB(QComboBox& MeshAdrCB, const MeshAddressFilter& filter, const QString& noneText)
{
    switch (FillMeshAddressList(session_, this, MeshAdrCB, filter)) {
        case MeshListResult::Filled:
            return true;
        case MeshListResult::Empty:
            Message(QStringLiteral("Message"), noneText, MessageButtons::Ok, MessageIcon::Information);
            break;
        case MeshListResult::Declined:
            break;
    }
    CloseLater();
    return false;
}

void ToolWindow::StepProtocolError(QTimer* processTimer, MessageIcon icon)
{
    processTimer->stop();
    Message(QStringLiteral("Error!"), QStringLiteral("STEP protocol error!"), MessageButtons::Ok, icon);
}

bool ToolWindow::ReportActionEnd(QLabel& status, bool failed)
{
    if (!failed) {
        status.setText(QStringLiteral("Finished.."));
        return true;
    }
    Message(QStringLiteral("Error!"), QStringLiteral("Action failed"), MessageButtons::Ok, MessageIcon::Error);
    status.setText(QStringLiteral("Error.."));
    return false;
}

MessageResult ToolWindow::Message(const QString& caption, const QString& text, MessageButtons buttons, MessageIcon icon)
{
    return session_.dialogs.Message(this, caption, text, buttons, icon);
}

void ToolWindow::ClearDefaultButtons()
{
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
}

void ToolWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    FormShow();
    if (!enterHarmless_)
        return;
    ClearDefaultButtons();
    if (auto* close = findChild<QWidget*>(QStringLiteral("ZavritBT")))
        close->setFocus();
}

void ToolWindow::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous())
        FormHide();
}

}  // namespace kolmaris
