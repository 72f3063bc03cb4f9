#include "ToolWindow.h"

#include "Session.h"

#include <QHideEvent>
#include <QShowEvent>
#include <QTimer>

namespace kolmaris {

namespace {

constexpr int kCancelTmrMs = 100;

}  // namespace

ToolWindow::ToolWindow(Session& session, QWidget* parent)
    : QDialog(parent), session_(session), cancelTmr_(new QTimer(this))
{
    cancelTmr_->setObjectName(QStringLiteral("CancelTMR"));
    cancelTmr_->setInterval(kCancelTmrMs);
    connect(cancelTmr_, &QTimer::timeout, this, &ToolWindow::CancelTMRTimer);
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

MessageResult ToolWindow::Message(const QString& caption, const QString& text, MessageButtons buttons, MessageIcon icon)
{
    return session_.dialogs.Message(this, caption, text, buttons, icon);
}

void ToolWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void ToolWindow::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous())
        FormHide();
}

}  // namespace kolmaris
