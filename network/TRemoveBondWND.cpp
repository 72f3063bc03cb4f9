// SPDX-License-Identifier: GPL-3.0-or-later
#include "TRemoveBondWND.h"

#include "DecimalInput.h"
#include "Session.h"
#include "TerminalCommands.h"
#include "ui_TRemoveBondWND.h"

#include <QTimer>

namespace kolmaris {

namespace {

constexpr int kRemoveBondTimerMs = 200;
constexpr int kSkipMs = 1;
constexpr int kTries = 3;
constexpr uint8_t kLastMeshAddress = 16;
constexpr uint8_t kNodeInfoLength = 12;
constexpr uint8_t kP2pMask = 0x7F;
constexpr uint8_t kAllBonds = 0;

}  // namespace

TRemoveBondWND::TRemoveBondWND(Session& session, QWidget* parent)
    : ToolWindow(session, parent),
      ui_(std::make_unique<Ui::TRemoveBondWND>()),
      RemoveBondTimer_(new QTimer(this)),
      steps_(kTries)
{
    ui_->setupUi(this);
    KeepEnterHarmless();
    SetUpTimer(RemoveBondTimer_, "RemoveBondTimer", kRemoveBondTimerMs, &TRemoveBondWND::RemoveBondTimerTimer);
    connect(ui_->MeshAdrCB, &QComboBox::currentIndexChanged, this, &TRemoveBondWND::MeshAdrCBChange);
    connect(ui_->NacistBT, &QPushButton::clicked, this, &TRemoveBondWND::NacistBTClick);
    connect(ui_->OdebratBT, &QPushButton::clicked, this, &TRemoveBondWND::OdebratBTClick);
    connect(ui_->ZavritBT, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->LokalneCB, &QCheckBox::toggled, this, &TRemoveBondWND::LokalneCBClick);
    connect(ui_->AllLocCB, &QCheckBox::toggled, this, &TRemoveBondWND::AllLocCBClick);
}

TRemoveBondWND::~TRemoveBondWND() = default;

void TRemoveBondWND::FormShow()
{
    ui_->NacistBT->setText(QStringLiteral("Read"));
    EnableRemoveControls(true);
    ui_->LokalneCB->setChecked(false);
    LokalneCBClick();
    if (BuildMeshAdrCB(*ui_->MeshAdrCB, {}, QStringLiteral("No elements bonded.")))
        MeshAdrCBChange();
}

// A window closed during a run stops it where it is, as a failing step would.
void TRemoveBondWND::FormHide()
{
    RemoveBondTimer_->stop();
}

uint8_t TRemoveBondWND::SelectedAddress() const
{
    const int address = ReadDecimal(ui_->MeshAdrCB->currentText().toStdString());
    return address >= 1 && address <= kLastMeshAddress ? static_cast<uint8_t>(address) : 0;
}

void TRemoveBondWND::MeshAdrCBChange()
{
    const uint8_t p2p = session_.model.ElementTable[SelectedAddress()].p2pAddress;
    ui_->TextLB->setText(p2p < kUnknown ? QStringLiteral("P2P: %1").arg(p2p) : QStringLiteral("P2P: ?"));
}

void TRemoveBondWND::LokalneCBClick()
{
    if (!ui_->LokalneCB->isChecked())
        ui_->AllLocCB->setChecked(false);
}

void TRemoveBondWND::AllLocCBClick()
{
    if (ui_->AllLocCB->isChecked())
        ui_->LokalneCB->setChecked(true);
}

void TRemoveBondWND::NacistBTClick()
{
    if (RemoveBondTimer_->isActive()) {
        ui_->NacistBT->setText(QStringLiteral("Read"));
        ui_->ZavritBT->setEnabled(true);
        RemoveBondTimer_->stop();
        ui_->TextLB->setText(QStringLiteral("Reading interrupted..."));
        return;
    }
    if (SelectedAddress() == 0)
        return;
    steps_.Start(1);
    ui_->NacistBT->setText(QStringLiteral("Stop"));
    ui_->ZavritBT->setEnabled(false);
    RemoveBondTimer_->start(kRemoveBondTimerMs);
}

void TRemoveBondWND::OdebratBTClick()
{
    // Without an address the terminal's unbond would mean all bonds.
    if (SelectedAddress() == 0 && !ui_->AllLocCB->isChecked())
        return;
    if (Message(QStringLiteral("Query"), QStringLiteral("Really remove the element(s) from the MESH?"),
                MessageButtons::YesNo, MessageIcon::Question) != MessageResult::Yes)
        return;
    ui_->NacistBT->setText(QStringLiteral("Read"));  // a read in progress ends here
    TerminalOnly = ui_->LokalneCB->isChecked();
    RemoveAll = ui_->AllLocCB->isChecked();
    steps_.Start(200);
    EnableRemoveControls(false);
    RemoveBondTimer_->start(kRemoveBondTimerMs);
}

// The options stay as the run took them: a "Remove all bonds" ticked during a run of one
// element would otherwise reach the terminal unasked.
void TRemoveBondWND::EnableRemoveControls(bool enabled)
{
    for (QWidget* control : std::initializer_list<QWidget*>{ui_->NacistBT, ui_->ZavritBT, ui_->OdebratBT,
                                                            ui_->LokalneCB, ui_->AllLocCB})
        control->setEnabled(enabled);
}

void TRemoveBondWND::SkipTo(int step)
{
    steps_.Step = step;
    RemoveBondTimer_->setInterval(kSkipMs);
}

void TRemoveBondWND::RemoveBondTimerTimer()
{
    StepLink& link = session_.link;
    QLabel& text = *ui_->TextLB;
    ElementSlot& element = session_.model.ElementTable[SelMeshAdr];
    RemoveBondTimer_->setInterval(kRemoveBondTimerMs);
    switch (steps_.Step) {
        // Reading the element's info.
        case 1:
            SelMeshAdr = SelectedAddress();
            if (!session_.model.ElementTable[SelMeshAdr].caption.empty()) {
                ResultCode = 0;
                SkipTo(100);
                break;
            }
            text.setText(QStringLiteral("Reading info"));
            ResultCode = 1;
            steps_.Send(RequestNodeInfo(link, Network::Mesh, SelMeshAdr), 2, 100);
            break;
        case 2:
            if (steps_.Poll(link, answer_, 1, 100) != StepAnswer::Complete)
                break;
            if (answer_.length == kNodeInfoLength) {
                element.p2pAddress = answer_.data[1] & kP2pMask;
                ResultCode = 0;
            }
            steps_.Step = 100;
            break;
        case 100:
            ReportRead();
            break;

        // Removing.
        case 200:
            SelMeshAdr = SelectedAddress();
            if (TerminalOnly) {
                SkipTo(204);
                break;
            }
            if (session_.model.ElementTable[SelMeshAdr].p2pAddress != kUnknown) {
                SkipTo(202);
                break;
            }
            text.setText(QStringLiteral("Reading P2P address."));
            ResultCode = 2;
            steps_.Send(RequestNodeInfo(link, Network::Mesh, SelMeshAdr), 201, 300);
            break;
        case 201:
            if (steps_.Poll(link, answer_, 200, 300) != StepAnswer::Complete)
                break;
            if (answer_.length == kNodeInfoLength) {
                element.p2pAddress = answer_.data[1] & kP2pMask;
                ResultCode = 0;
            }
            steps_.Step = ResultCode == 0 ? 202 : 300;
            break;
        case 202:
            text.setText(QStringLiteral("Deleting remote bond."));
            ResultCode = 4;
            steps_.Send(RequestUnbond(link, Network::P2p, element.p2pAddress, SelMeshAdr), 203, 300);
            break;
        case 203:
            if (steps_.Poll(link, answer_, 202, 300) != StepAnswer::Complete)
                break;
            if (IsPositiveAnswer(answer_))
                ResultCode = 0;
            steps_.Step = ResultCode == 0 ? 204 : 300;
            break;
        case 204:
            DeleteLocalSlots();
            break;
        case 205:
            steps_.Send(RequestUnbond(link, Network::Local, 0, RemoveAll ? kAllBonds : SelMeshAdr), 206, 300);
            break;
        case 206:
            if (steps_.Poll(link, answer_, 205, 300) != StepAnswer::Complete)
                break;
            // The model follows the terminal only once it has confirmed the deletion.
            if (IsPositiveAnswer(answer_)) {
                ResultCode = 0;
                for (uint8_t n = 1; n <= kLastMeshAddress; ++n)
                    if (RemoveAll || n == SelMeshAdr)
                        session_.model.ResetElementSlot(n);
            }
            steps_.Step = 300;
            break;
        case 300:
            Finish();
            break;
        default:
            StepProtocolError(RemoveBondTimer_);
            break;
    }
}

// Takes the slots out of the measuring system; a failing slot does not stop the others.
void TRemoveBondWND::DeleteLocalSlots()
{
    ui_->TextLB->setText(QStringLiteral("Deleting local bond(s)."));
    ResultCode = 3;
    steps_.Step = 205;
    for (uint8_t n = 1; n <= kLastMeshAddress; ++n) {
        if (!RemoveAll && n != SelMeshAdr)
            continue;
        if (SetElementFunction(session_.link, n, 0) != kOk) {
            ResultCode = 5;
            steps_.Step = 300;
        }
    }
}

void TRemoveBondWND::ReportRead()
{
    RemoveBondTimer_->stop();
    ui_->NacistBT->setText(QStringLiteral("Read"));
    ui_->ZavritBT->setEnabled(true);
    if (ResultCode == 0) {
        MeshAdrCBChange();
        return;
    }
    ui_->TextLB->setText(QStringLiteral("Action failed") + steps_.AnswerErrorReport());
    Message(QStringLiteral("Error!"),
            ResultCode == 1 ? QStringLiteral("Reading element info failed!") : QStringLiteral("Unknown error!"),
            MessageButtons::Ok, MessageIcon::Error);
}

void TRemoveBondWND::Finish()
{
    RemoveBondTimer_->stop();
    EnableRemoveControls(true);
    if (ResultCode == 0) {
        ui_->TextLB->setText(QStringLiteral("Finished"));
        Message(QStringLiteral("Message"), QStringLiteral("Element(s) successfully removed."), MessageButtons::Ok,
                MessageIcon::Information);
        FormShow();
        return;
    }
    ui_->TextLB->setText(QStringLiteral("Action failed") + steps_.AnswerErrorReport());
    QString message;
    switch (ResultCode) {
        case 2: message = QStringLiteral("Reading element P2P address failed!"); break;
        case 3: message = QStringLiteral("Local bond(s) deleting failed!"); break;
        case 4: message = QStringLiteral("Remote bond deleting failed!\nCheck the element position within RF range"); break;
        case 5: message = QStringLiteral("Removing element(s) from the measurement system failed!"); break;
        default: message = QStringLiteral("Unknown error!"); break;
    }
    Message(QStringLiteral("Error!"), message, MessageButtons::Ok, MessageIcon::Error);
}

}  // namespace kolmaris
