// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Base of the tool windows: the session, the deferred close through `CancelTMR`, the end of a
// step machine at an unknown step, and the hooks `FormShow` / `FormHide` run when the window is
// shown and hidden.

#include "BlockingExchange.h"
#include "Dialogs.h"
#include "MeshAddressList.h"
#include "SendPollStep.h"

#include <QDialog>
#include <QString>
#include <QTimer>

class QComboBox;
class QLabel;

namespace kolmaris {

struct Session;

class ToolWindow : public QDialog {
    Q_OBJECT
public:
    explicit ToolWindow(Session& session, QWidget* parent = nullptr);

    Session& GetSession() { return session_; }
    // 100 ms, single-shot in effect: its first tick closes the window with result Cancel.
    QTimer* CancelTMR() const { return cancelTmr_; }

public slots:
    virtual void FormShow() {}
    virtual void FormHide() {}
    void CancelTMRTimer();

protected:
    // For a show handler that cannot go on: the window closes once it is up.
    void CloseLater();
    // The blocking exchange of a show or hide handler; a declined retry closes the window
    // through CancelTMR. True with the complete, valid answer.
    bool OpeningExchange(const RelayedSend& send, RelayedAnswer& answer);
    // Builds `MeshAdrCB` from the bonding map. Nothing suitable bonded: `noneText` (caption
    // "Message", information icon). Then, as after a declined retry, the window closes through
    // CancelTMR. True when the list has entries, the first selected.
    bool BuildMeshAdrCB(QComboBox& MeshAdrCB, const MeshAddressFilter& filter, const QString& noneText);
    // Stops the process timer and reports the unknown step.
    void StepProtocolError(QTimer* processTimer, MessageIcon icon = MessageIcon::Exclamation);
    // The end of an action: "Finished.." in `status`, or "Action failed" shown and "Error.." in
    // `status`. True when the action succeeded.
    bool ReportActionEnd(QLabel& status, bool failed);
    // A window timer: object name, interval and the handler its ticks run.
    template <class Window>
    void SetUpTimer(QTimer* timer, const char* name, int intervalMs, void (Window::*handler)())
    {
        timer->setObjectName(QString::fromLatin1(name));
        timer->setInterval(intervalMs);
        connect(timer, &QTimer::timeout, static_cast<Window*>(this), handler);
    }
    // From the next showing on, Enter and the initial focus start nothing: no button is a default
    // button (in a dialog every push button is one on focus), and the focus starts on `ZavritBT`.
    void KeepEnterHarmless() { enterHarmless_ = true; }
    // Shows a message under this window.
    MessageResult Message(const QString& caption, const QString& text, MessageButtons buttons, MessageIcon icon);

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

    Session& session_;

private:
    // Takes the default role from every push button of the window, rows made at show included.
    void ClearDefaultButtons();

    QTimer* cancelTmr_;
    bool enterHarmless_ = false;
};

}  // namespace kolmaris
