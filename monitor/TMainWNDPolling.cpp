// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's polling loop: presence check and connection, the terminal display machine
// `Provoz`, the element machine `Nacitani` and the alarms it publishes.

#include "TMainWND.h"

#include "ui_TMainWND.h"

#include "BlockingExchange.h"
#include "RelayedRequests.h"
#include "Session.h"
#include "TAboutWND.h"
#include "TerminalCommands.h"

#include <QTimer>

namespace kolmaris {

namespace {

constexpr int kTimer1IntervalMs = 200;
constexpr uint8_t kAcquisitionRunningFlag = 0x01;
constexpr uint8_t kSleepFlag = 0x02;
constexpr uint8_t kQuerySymbolFlag = 0x20;
constexpr uint8_t kAttentionSymbolFlag = 0x40;
constexpr uint8_t kTerminalFlagsKept = 0x1F;

// Battery bar: 56 px at 4.2 V and above, empty at 3.1 V and below.
constexpr float kBatteryEmpty = 3.1f;
constexpr float kBatterySpan = 1.1f;
constexpr int kBatteryBarWidth = 56;
constexpr float kBatteryGood = 3.495f;
constexpr float kBatteryLow = 3.295f;

void SetColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

// Replaces the items with the lines of `text` and selects the first.
void FillSelector(QComboBox* selector, const std::string& text)
{
    selector->clear();
    for (const QString& line : QString::fromStdString(text).split('\n', Qt::SkipEmptyParts))
        selector->addItem(line);
    selector->setCurrentIndex(selector->count() > 0 ? 0 : -1);
}

// "No connection", with the configured port and, when ports would not open, why: a busy port
// or one this user may not open, and the fix for that.
QString NoConnectionText(int configuredPort, const std::vector<RefusedPort>& refused)
{
    QString text = QStringLiteral("No connection");
    if (configuredPort != 0) {
        text += QString::asprintf(" (COM %d)", configuredPort);
        if (!refused.empty())
            text += QStringLiteral(": ") + QString::fromStdString(RefusalText(refused.front().error));
    } else if (!refused.empty()) {
        text += QStringLiteral(" (") + QString::fromStdString(DescribeRefusedPorts(refused)) + QStringLiteral(")");
    }
    return text;
}

}  // namespace

void TMainWND::Timer1Timer()
{
    timer1_->setInterval(kTimer1IntervalMs);
    timer1_->stop();
    StepLink& link = session_.link;

    if (link.ConnectedPort != 0) {
        uint16_t version = 0;
        if (ReadTerminalVersion(link, version) != 0) {
            if (tools_.about)
                tools_.about->HideFirmwareVersion();
            link.Disconnect();
        } else {
            session_.model.FirmwareVersion = version;
            if (tools_.about)
                tools_.about->ShowFirmwareVersion(version);
        }
    } else {
        ConnectBTClick();
        ui_->MainVoltageLB->hide();
        ui_->MainVoltageSH->hide();
        // The terminal found may be another one: its elements come from its own bonding map, and
        // nothing learnt of the last one's radio (P2P addresses above all) may stand for them.
        if (link.ConnectedPort != 0) {
            Nacitani(true);
            session_.model.ForgetRadioFacts();
        }
    }
    if (link.ConnectedPort == 0)
        ShowStale(true);

    const int configuredPort = session_.settings.configuredPort & 0xFF;
    if (link.ConnectedPort != 0)
        ui_->StatusLB->setText(QString::asprintf("Connected COM %d", int(link.ConnectedPort)));
    else
        ui_->StatusLB->setText(NoConnectionText(configuredPort, link.RefusedPorts()));
    // A long list of ports that would not open may not fit the line: it is there in full on hovering.
    ui_->StatusLB->setToolTip(ui_->StatusLB->text());

    if (link.ConnectedPort != 0)
        Provoz();
    if (link.ConnectedPort != 0 && session_.model.AcquisitionRunning)
        Nacitani(false);

    timer1_->start();
}

void TMainWND::ConnectBTClick()
{
    session_.link.Connect(static_cast<uint8_t>(session_.settings.configuredPort & 0xFF));
    errorsDismissed_ = false;
}

void TMainWND::Provoz()
{
    StepLink& link = session_.link;
    MeasuringSystem& model = session_.model;
    switch (provozStep_) {
    case 0:
        StartEnvironmentMeasurement(link);
        StartVoltageMeasurement(link);
        provozStep_ = 1;
        break;
    case 1: {
        float volts = 0;
        if (ReadTerminalVoltage(link, volts) == 0) {
            model.ElementTable[0].status.voltage = volts;
            ShowBattery(volts);
            ShowStale(false);
        }
        provozStep_ = 2;
        break;
    }
    case 2: {
        uint8_t flags = 0;
        uint32_t countdown = 0;
        uint32_t period = 0;
        uint16_t cycles = 0;
        if (ReadAcquisitionState(link, flags, countdown, period, cycles) != 0)
            break;
        model.AcquisitionRunning = (flags & kAcquisitionRunningFlag) != 0;
        model.QueryPeriod = period;
        model.QueryCountdown = countdown;
        ShowAcquisitionState(flags, countdown);
        ShowStale(false);
        provozStep_ = 3;
        break;
    }
    case 3: {
        uint8_t flags = 0;
        if (ReadTerminalFlags(link, flags) != 0)
            break;
        ShowTerminalFlags(flags);
        ShowStale(false);
        provozStep_ = 4;
        break;
    }
    case 4: {
        uint32_t pressure = 0;
        float temperature = 0;
        float humidity = 0;
        if (ReadTerminalEnvironment(link, pressure, temperature, humidity) != 0)
            break;
        ui_->MainTemperLB->setText(QString::asprintf("%0.1f °C", double(temperature)));
        ui_->MainPressureLB->setText(QString::asprintf("%d hPa", int(pressure)));
        ui_->MainHumidityLB->setText(QString::asprintf("%0.1f %%", double(humidity)));
        ShowStale(false);
        provozStep_ = 5;
        break;
    }
    default:
        provozStep_ = 1;
        break;
    }
}

void TMainWND::ShowBattery(float volts)
{
    ui_->MainVoltageLB->setText(QString::asprintf("%0.2f V", double(volts)));
    const float fraction = std::min((volts - kBatteryEmpty) / kBatterySpan, 1.0f);
    const int width = fraction > 0 ? static_cast<int>(fraction * kBatteryBarWidth) : 0;
    QColor colour(221, 221, 0);
    if (volts > kBatteryGood)
        colour = QColor(0, 221, 0);
    else if (volts < kBatteryLow)
        colour = QColor(255, 85, 85);
    QRect bar = ui_->MainVoltageSH->geometry();
    bar.setWidth(width);
    ui_->MainVoltageSH->setGeometry(bar);
    SetColour(ui_->MainVoltageSH, QPalette::Window, colour);
    ui_->MainVoltageLB->show();
    ui_->MainVoltageSH->show();
}

void TMainWND::ShowAcquisitionState(uint8_t flags, uint32_t countdown)
{
    const char* sleep = (flags & kSleepFlag) != 0 ? " (SLEEP)" : "";
    const bool symbol = (flags & (kQuerySymbolFlag | kAttentionSymbolFlag)) != 0;
    QLabel* symbolLB = ui_->MeasureSymbolLB;
    if ((flags & kAcquisitionRunningFlag) != 0) {
        ui_->MeritBT->setText("Interrupt");
        ui_->PokracovatBT->setEnabled(false);
        ui_->DownCounterLB->setText(QString::asprintf("Query after %d secs %s", int(countdown), sleep));
        ui_->MeasIM->show();
        SetColour(symbolLB, QPalette::WindowText, Qt::black);
        if ((flags & kAttentionSymbolFlag) != 0)
            symbolLB->setText("!");
        if ((flags & kQuerySymbolFlag) != 0)
            symbolLB->setText("Q");
    } else {
        ui_->MeritBT->setText("Start");
        ui_->PokracovatBT->setEnabled(true);
        ui_->DownCounterLB->setText(QString::asprintf("No data acquisition %s", sleep));
        SetColour(symbolLB, QPalette::WindowText, palette().color(QPalette::Window));  // blends into the face
        if ((flags & kQuerySymbolFlag) != 0)
            symbolLB->setText("Q");
        ui_->MeasIM->hide();
    }
    symbolLB->setVisible(symbol);
}

void TMainWND::ShowTerminalFlags(uint8_t flags)
{
    MeasuringSystem& model = session_.model;
    model.ElementTable[0].status.statusFlags = flags & kTerminalFlagsKept;
    model.RelayMode = RelayModeFromFlags(flags);
    if (model.RelayMode != lastRelayMode_) {
        ui_->FanCB->setCurrentIndex(model.RelayMode);
        lastRelayMode_ = model.RelayMode;
    }
    model.FanActive = (flags & kFlagRelayOn) != 0;
    if (model.FanActive != lastFanActive_) {
        ui_->FanIM->setVisible(model.FanActive);
        lastFanActive_ = model.FanActive;
    }
    ui_->ChargeIM->setVisible((flags & kFlagNoCharger) == 0);
}

void TMainWND::Nacitani(bool reset)
{
    if (reset) {
        nacitaniStep_ = 0;
        nacitaniPolls_ = 0;
        return;
    }
    StepLink& link = session_.link;
    MeasuringSystem& model = session_.model;
    switch (nacitaniStep_) {
    case 0:
        if (RequestBondingMap(link, Network::Local, 0) == 0)
            nacitaniStep_ = 1;
        break;
    case 1: {
        // A terminal status in place of the answer (0x86: nothing requested) is an answer error
        // without completion: the request is sent again, as is one that never completes.
        RelayedAnswer answer;
        if (PollRelayedReply(link, answer) != 0 || answer.error != 0 || ++nacitaniPolls_ >= kMaxCompositePolls) {
            nacitaniStep_ = 0;
        } else if (answer.complete) {
            if (UnpackBondingMap(answer.data)) {
                model.SetBondedList(answer.data);
                nacitaniIndex_ = 0;
                nacitaniStep_ = 2;
            } else {
                nacitaniStep_ = 0;
            }
        }
        if (nacitaniStep_ != 1)
            nacitaniPolls_ = 0;
        break;
    }
    case 2: {
        const uint8_t address = nacitaniIndex_ < kTableSlots ? model.BondedList[nacitaniIndex_] : 0;
        if (address == 0 || address >= kTableSlots)
            nacitaniStep_ = 3;
        else if (ReadElementStatus(link, address, model.ElementTable[address].status) == 0)
            ++nacitaniIndex_;
        break;
    }
    case 3:
        RefreshSelectors();
        nacitaniStep_ = 6;
        break;
    case 4:
    case 5:
        ++nacitaniStep_;
        break;
    case 6:
        model.AlarmText.clear();
        model.BondedOnly().AppendOutOfRangeAlarm(model.AlarmText);
        nacitaniStep_ = 7;
        break;
    case 7:
        model.BondedOnly().AppendLowBatteryAlarm(model.AlarmText);
        nacitaniStep_ = 8;
        break;
    case 8:
        model.BondedOnly().AppendRelayFailureAlarm(model.AlarmText);
        nacitaniStep_ = 9;
        break;
    case 9:
        PublishAlarms();
        nacitaniStep_ = 10;
        break;
    case 10:
        FansCBChange();
        CidlaCBChange();
        ManagePanels();
        elementsShown_ = true;
        nacitaniStep_ = 11;
        break;
    default:
        nacitaniIndex_ = 0;
        nacitaniStep_ = 2;
        break;
    }
}

void TMainWND::RefreshSelectors()
{
    MeasuringSystem& model = session_.model;
    const MeasuringSystem bonded = model.BondedOnly();
    const std::string probes = bonded.ListText(kFunctionProbe);
    const std::string actuators = bonded.ListText(kFunctionActuator);
    if (probes == model.ProbeListText && actuators == model.ActuatorListText)
        return;
    if (probes != model.ProbeListText) {
        model.ProbeListText = probes;
        FillSelector(ui_->CidlaCB, probes);
    }
    if (actuators != model.ActuatorListText) {
        model.ActuatorListText = actuators;
        FillSelector(ui_->FansCB, actuators);
    }
    // The panels follow their selectors at once, not a few ticks later with another element's values.
    FansCBChange();
    CidlaCBChange();
    ManagePanels();
}

void TMainWND::RefreshElements()
{
    MeasuringSystem& model = session_.model;
    RelayedAnswer map;
    if (ExchangeOnce(session_.link, [](StepLink& link) { return RequestBondingMap(link, Network::Local, 0); }, map) &&
        UnpackBondingMap(map.data))
        model.SetBondedList(map.data);
    RefreshSelectors();
    const MeasuringSystem bonded = model.BondedOnly();
    model.AlarmText.clear();
    bonded.AppendOutOfRangeAlarm(model.AlarmText);
    bonded.AppendLowBatteryAlarm(model.AlarmText);
    bonded.AppendRelayFailureAlarm(model.AlarmText);
    PublishAlarms();
    FansCBChange();
    CidlaCBChange();
    ManagePanels();
}

void TMainWND::PublishAlarms()
{
    const QString text = QString::fromStdString(session_.model.AlarmText);
    if (ui_->ErrorsLB->text() != text) {
        errorsDismissed_ = false;
        ui_->ErrorsLB->setText(text);
    }
    if (!text.isEmpty()) {
        if (!errorsDismissed_) {
            ui_->ErrorsPN->show();
            ui_->ErrorsPN->raise();
        }
        ui_->ShowErrorsLB->show();
    } else {
        ui_->ErrorsPN->hide();
        ui_->ShowErrorsLB->hide();
    }
}

}  // namespace kolmaris
