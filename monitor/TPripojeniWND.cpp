// SPDX-License-Identifier: GPL-3.0-or-later
#include "TPripojeniWND.h"

#include "DecimalInput.h"
#include "PortDirectory.h"
#include "Session.h"
#include "ui_TPripojeniWND.h"

#include <QKeyEvent>
#include <QLabel>
#include <QTimer>

#include <algorithm>

namespace kolmaris {

namespace {

constexpr int kPollingIntervalMs = 200;
constexpr int kKeyEnter = 13;
constexpr int kKeyEscape = 27;

// "COM 3", with the device after it where one is known: "COM 33 (/dev/ttyUSB0)".
QString PortEntryText(int port)
{
    const std::filesystem::path device = DevicePathForPort(port);
    if (device.empty())
        return QStringLiteral("COM %1").arg(port);
    return QString::fromStdString(FormatPortEntry({port, device}));
}

// The number of an entry read with "COM %d"; 0 when the text does not match.
int PortOfEntry(const QString& text)
{
    if (!text.startsWith(QStringLiteral("COM")))
        return 0;
    return ReadDecimal(text.mid(3).toStdString());
}

}  // namespace

TPripojeniWND::TPripojeniWND(Session& session, QWidget* parent)
    : ToolWindow(session, parent), ui_(std::make_unique<Ui::TPripojeniWND>())
{
    ui_->setupUi(this);
    connect(ui_->OkBT, &QPushButton::clicked, this, &TPripojeniWND::OkBTClick);
    connect(ui_->StornoBT, &QPushButton::clicked, this, &TPripojeniWND::StornoBTClick);
    ui_->VybratPortCB->installEventFilter(this);
    ui_->PocetPokusuCB->installEventFilter(this);
}

TPripojeniWND::~TPripojeniWND() = default;

int TPripojeniWND::ExecWithPollingStopped(QTimer* pollingTimer, QLabel* statusLine)
{
    pollingTimer->stop();
    pollingTimer->setInterval(kPollingIntervalMs);
    if (statusLine)
        statusLine->clear();
    const int result = exec();
    pollingTimer->start();
    return result;
}

void TPripojeniWND::FormShow()
{
    if (session_.link.ConnectedPort != 0)
        session_.link.Disconnect();
    ListPorts();
    const LinkSettings& settings = session_.settings;
    ui_->TimeOutED->setText(QString::number(settings.replyTimeout));
    ui_->PocetPokusuCB->setCurrentIndex(std::clamp(settings.attemptCount, kMinAttemptCount, kMaxAttemptCount) - 1);
}

void TPripojeniWND::ListPorts()
{
    QComboBox* list = ui_->VybratPortCB;
    list->clear();
    list->addItem(QStringLiteral("Auto"));
    SerialPort& port = session_.link.Port();
    const int configured = session_.settings.configuredPort & 0xFF;
    int selected = 0;
    for (int number = kFirstPort; number <= kLastPort; ++number) {
        const auto com = static_cast<uint8_t>(number);
        const bool opened = port.OpenPort(com, kLinkBaud, kLinkByteSize, kLinkStopBits, kLinkParity);
        const PortError error = opened ? PortError::None : port.LastError();
        if (opened)
            port.ClosePort();
        else if (error != PortError::AccessDenied && error != PortError::NoAccess)
            continue;
        if (number == configured)
            selected = list->count();
        // A port that does not open is listed with the reason, after the "COM %d" the list is read by.
        const char* reason = error == PortError::NoAccess ? " no access" : error == PortError::AccessDenied ? " busy" : "";
        list->addItem(PortEntryText(number) + QLatin1String(reason));
    }
    // A configured port that is not there now stays the choice: it is listed in its place.
    if (configured != 0 && selected == 0) {
        int at = 1;
        while (at < list->count() && PortOfEntry(list->itemText(at)) < configured)
            ++at;
        list->insertItem(at, QStringLiteral("COM %1").arg(configured));
        selected = at;
    }
    list->setCurrentIndex(selected);
}

void TPripojeniWND::OkBTClick()
{
    LinkSettings& settings = session_.settings;
    // A time-out that is not a whole number within the bounds the configuration file accepts
    // is refused; the dialog stays open with the time-out in force.
    QString timeoutText = ui_->TimeOutED->text().trimmed();
    if (timeoutText.endsWith(QStringLiteral("ms"), Qt::CaseInsensitive))
        timeoutText.chop(2);
    bool number = false;
    const int timeout = timeoutText.trimmed().toInt(&number);
    if (!number || timeout < kMinReplyTimeout || timeout > kMaxReplyTimeout) {
        Message(QStringLiteral("Error!"),
                QStringLiteral("Timeout must be a number from %1 to %2 ms!").arg(kMinReplyTimeout).arg(kMaxReplyTimeout),
                MessageButtons::Ok, MessageIcon::Error);
        ui_->TimeOutED->setText(QString::number(settings.replyTimeout));
        ui_->TimeOutED->selectAll();
        ui_->TimeOutED->setFocus();
        return;
    }
    const int position = ui_->VybratPortCB->currentIndex();
    settings.configuredPort = position > 0 ? PortOfEntry(ui_->VybratPortCB->currentText()) & 0xFF : 0;
    settings.replyTimeout = static_cast<uint32_t>(timeout);
    settings.attemptCount = std::max(ui_->PocetPokusuCB->currentIndex(), 0) + 1;
    ApplyLinkSettings(session_);
    accept();
}

void TPripojeniWND::StornoBTClick()
{
    reject();
}

bool TPripojeniWND::VybratPortCBKeyPress(int key)
{
    if (key == kKeyEnter) {
        OkBTClick();
        return true;
    }
    if (key == kKeyEscape) {
        StornoBTClick();
        return true;
    }
    return false;
}

bool TPripojeniWND::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == ui_->VybratPortCB || watched == ui_->PocetPokusuCB) && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                return VybratPortCBKeyPress(kKeyEnter);
            case Qt::Key_Escape:
                return VybratPortCBKeyPress(kKeyEscape);
            default:
                break;
        }
    }
    return ToolWindow::eventFilter(watched, event);
}

}  // namespace kolmaris
