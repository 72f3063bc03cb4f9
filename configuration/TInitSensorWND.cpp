// SPDX-License-Identifier: GPL-3.0-or-later
#include "TInitSensorWND.h"

#include "DecimalInput.h"
#include "ElementStatus.h"
#include "Session.h"
#include "TerminalCommands.h"
#include "ui_TInitSensorWND.h"

#include <QStringList>
#include <QTimer>

namespace kolmaris {

namespace {

constexpr int kInitSensorTimerMs = 200;

// Control bits of the initialisation command.
constexpr uint8_t kClearSpectra = 0x01;
constexpr uint8_t kClearRecords = 0x02;
constexpr uint8_t kRestartMeasurement = 0x04;
constexpr uint8_t kCopyTime = 0x08;
constexpr uint8_t kClearTotalCounts = 0x40;
constexpr uint8_t kResetProcessor = 0x80;

enum Step { kStart = 1, kSend = 2, kPoll = 3, kEnd = 10 };

}  // namespace

TInitSensorWND::TInitSensorWND(Session& session, QWidget* parent)
    : ToolWindow(session, parent),
      ui_(std::make_unique<Ui::TInitSensorWND>()),
      InitSensorTimer_(new QTimer(this)),
      steps_(session.settings)
{
    ui_->setupUi(this);
    SetUpTimer(InitSensorTimer_, "InitSensorTimer", kInitSensorTimerMs, &TInitSensorWND::InitSensorTimerTimer);
    // Nothing runs until a probe (or "All") is chosen.
    connect(ui_->MeshAdrCB, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!InitSensorTimer_->isActive())
            ui_->InitSensorBT->setEnabled(index >= 0);
    });
    connect(ui_->InitSensorBT, &QPushButton::clicked, this, &TInitSensorWND::InitSensorBTClick);
    connect(ui_->ZavritBT, &QPushButton::clicked, this, &QDialog::reject);
    for (QCheckBox* box : {ui_->CheckBox1, ui_->CheckBox2, ui_->CheckBox3, ui_->CheckBox4})
        connect(box, &QCheckBox::clicked, this, &TInitSensorWND::CheckBox1Click);
    connect(ui_->CheckBox5, &QCheckBox::clicked, this, &TInitSensorWND::CheckBox5Click);
    connect(ui_->CheckBox6, &QCheckBox::clicked, this, &TInitSensorWND::CheckBox6Click);
}

TInitSensorWND::~TInitSensorWND() = default;

void TInitSensorWND::FormShow()
{
    ui_->TextLB->clear();
    // Opens on no probe and nothing to do: every action is chosen by hand.
    for (QCheckBox* box : {ui_->CheckBox1, ui_->CheckBox2, ui_->CheckBox3, ui_->CheckBox4, ui_->CheckBox5,
                           ui_->CheckBox6})
        box->setChecked(false);
    ui_->CheckBox5->setVisible(session_.serviceMode);
    ui_->CheckBox6->setVisible(session_.serviceMode);
    // A run cut short by closing the window left its controls in the running state.
    ui_->InitSensorBT->setText(QStringLiteral("Initialise"));
    ui_->ZavritBT->setEnabled(true);
    ui_->InitSensorBT->setEnabled(false);

    ProbeSet.clear();
    if (!BuildMeshAdrCB(*ui_->MeshAdrCB, {FunctionSource::ElementStatus, kFunctionProbe},
                        QStringLiteral("No radon probes in measuring system.")))
        return;
    for (int i = 0; i < ui_->MeshAdrCB->count(); ++i)
        ProbeSet.push_back(static_cast<uint8_t>(ReadDecimal(ui_->MeshAdrCB->itemText(i).toStdString())));
    ui_->MeshAdrCB->insertItem(0, QStringLiteral("All"));
    ui_->MeshAdrCB->setCurrentIndex(-1);
}

void TInitSensorWND::FormHide()
{
    InitSensorTimer_->stop();
}

void TInitSensorWND::CheckBox1Click()
{
    if (ui_->CheckBox1->isChecked() || ui_->CheckBox2->isChecked() || ui_->CheckBox3->isChecked() ||
        ui_->CheckBox4->isChecked()) {
        ui_->CheckBox5->setChecked(false);
        ui_->CheckBox6->setChecked(false);
    }
}

void TInitSensorWND::CheckBox5Click()
{
    if (!ui_->CheckBox5->isChecked())
        return;
    for (QCheckBox* box : {ui_->CheckBox1, ui_->CheckBox2, ui_->CheckBox3, ui_->CheckBox4, ui_->CheckBox6})
        box->setChecked(false);
}

void TInitSensorWND::CheckBox6Click()
{
    if (!ui_->CheckBox6->isChecked())
        return;
    for (QCheckBox* box : {ui_->CheckBox1, ui_->CheckBox2, ui_->CheckBox3, ui_->CheckBox4, ui_->CheckBox5})
        box->setChecked(false);
}

uint8_t TInitSensorWND::ControlFlagsFromBoxes() const
{
    uint8_t flags = 0;
    if (ui_->CheckBox1->isChecked())
        flags |= kClearSpectra;
    if (ui_->CheckBox2->isChecked())
        flags |= kClearRecords;
    if (ui_->CheckBox3->isChecked())
        flags |= kRestartMeasurement;
    if (ui_->CheckBox4->isChecked())
        flags |= kCopyTime;
    if (ui_->CheckBox6->isChecked())
        flags = kClearTotalCounts;
    if (ui_->CheckBox5->isChecked())
        flags = kResetProcessor;
    return flags;
}

bool TInitSensorWND::ConfirmRun()
{
    const bool clears = (ControlFlags & (kClearSpectra | kClearRecords | kClearTotalCounts)) != 0;
    if (!clears && ProbeQueue.size() <= 1)
        return true;
    QStringList addresses;
    for (const uint8_t address : ProbeQueue)
        addresses << QString::number(address);
    QString text = ProbeQueue.size() == 1
                       ? QStringLiteral("Initialise radon probe No. %1?").arg(addresses.front())
                       : QStringLiteral("Initialise all %1 radon probes (No. %2)?")
                             .arg(ProbeQueue.size())
                             .arg(addresses.join(QStringLiteral(", ")));
    QStringList lost;
    if (ControlFlags & kClearSpectra)
        lost << QStringLiteral("the spectrum memory");
    if (ControlFlags & kClearRecords)
        lost << QStringLiteral("the Rn records memory");
    if (ControlFlags & kClearTotalCounts)
        lost << QStringLiteral("the total counts");
    if (ControlFlags & (kRestartMeasurement | kResetProcessor))
        lost << QStringLiteral("the measurement in progress");
    if (lost.isEmpty())
        text += QStringLiteral("\n\nNothing is deleted.");
    else
        text += (ProbeQueue.size() == 1 ? QStringLiteral("\n\nLost for good in it:\n - ")
                                        : QStringLiteral("\n\nLost for good in each of them:\n - ")) +
                lost.join(QStringLiteral("\n - "));
    return session_.dialogs.Confirm(this, text + QStringLiteral("\n\nContinue?")) == MessageResult::Yes;
}

void TInitSensorWND::InitSensorBTClick()
{
    if (InitSensorTimer_->isActive()) {
        ui_->InitSensorBT->setText(QStringLiteral("Initialise"));
        InitSensorTimer_->stop();
        ui_->TextLB->setText(QStringLiteral("Initialization interrupted..."));
        ui_->ZavritBT->setEnabled(true);
        return;
    }
    const int chosen = ui_->MeshAdrCB->currentIndex();
    if (chosen < 0)
        return;
    ProbeQueue.clear();
    if (chosen > 0) {
        const int address = ReadDecimal(ui_->MeshAdrCB->currentText().toStdString());
        if (address >= 1 && address < kTableSlots)
            ProbeQueue.push_back(static_cast<uint8_t>(address));
    } else {
        ProbeQueue = ProbeSet;
    }
    // What is confirmed is what is sent: the boxes are read once, here.
    ControlFlags = ControlFlagsFromBoxes();
    if (!ConfirmRun())
        return;
    steps_.Start(kStart);
    ui_->InitSensorBT->setText(QStringLiteral("Stop"));
    ui_->ZavritBT->setEnabled(false);
    InitSensorTimer_->start();
}

void TInitSensorWND::InitSensorTimerTimer()
{
    StepLink& link = session_.link;
    switch (steps_.Step) {
    case kStart:
        steps_.Start(kSend);
        QueueNo = 0;
        InitFailed = false;
        break;
    case kSend: {
        if (QueueNo >= ProbeQueue.size()) {
            steps_.Step = kEnd;
            break;
        }
        const uint8_t address = ProbeQueue[QueueNo];
        ui_->TextLB->setText(steps_.Text(QStringLiteral("Initialising probe No. %1").arg(address)));
        // The probe's clock comes from the terminal's, read anew before every send.
        uint32_t time = 0;
        uint32_t result = ReadTerminalTime(link, time);
        if (result == kOk)
            result = RequestProbeControl(link, address, ControlFlags, time);
        if (!steps_.Send(result, kPoll, kEnd) && steps_.Step == kEnd)
            InitFailed = true;
        break;
    }
    case kPoll: {
        RelayedAnswer answer;
        switch (steps_.PollOnly(link, answer, kEnd)) {
        case StepAnswer::Incomplete:
            break;
        case StepAnswer::Failed:
            InitFailed = steps_.Step == kEnd;
            break;
        case StepAnswer::Complete:
            if (IsPositiveAnswer(answer)) {
                steps_.RepeatNo = 0;
                ++QueueNo;
                steps_.Step = kSend;
                break;
            }
            [[fallthrough]];
        case StepAnswer::Error:
            InitFailed = !steps_.Refused(kSend, kEnd);
            break;
        }
        break;
    }
    case kEnd:
        EndRun();
        break;
    default:
        StepProtocolError(InitSensorTimer_);
        ui_->InitSensorBT->setText(QStringLiteral("Initialise"));
        ui_->ZavritBT->setEnabled(true);
        break;
    }
}

void TInitSensorWND::EndRun()
{
    InitSensorTimer_->stop();
    ui_->InitSensorBT->setText(QStringLiteral("Initialise"));
    ui_->ZavritBT->setEnabled(true);
    if (!InitFailed) {
        const QString done = QStringLiteral("Initialisation successfully finished");
        ui_->TextLB->setText(done);
        Message(QStringLiteral("Message"), done, MessageButtons::Ok, MessageIcon::Information);
        return;
    }
    ui_->TextLB->setText(QStringLiteral("Action failed"));
    const int address = QueueNo < ProbeQueue.size() ? ProbeQueue[QueueNo] : 0;
    Message(QStringLiteral("Error!"), QStringLiteral("Probe No. %1 initialisation failed!").arg(address),
            MessageButtons::Ok, MessageIcon::Error);
}

}  // namespace kolmaris
