// SPDX-License-Identifier: GPL-3.0-or-later
#include "TAddBondWND.h"

#include "DecimalInput.h"
#include "Session.h"
#include "ui_TAddBondWND.h"

#include <QTimer>

#include <algorithm>

namespace kolmaris {

namespace {

constexpr int kAddBondTimerMs = 200;
constexpr uint8_t kHighestChannel = 61;
constexpr uint8_t kNoneFound = 255;
constexpr uint8_t kChannelUnknown = 255;
constexpr uint8_t kLastMeshAddress = 16;
constexpr uint8_t kNodeInfoLength = 12;
constexpr uint8_t kBondingMapLength = 5;  // the map in answer bytes 2 to 4
constexpr uint8_t kP2pMask = 0x7F;
constexpr std::size_t kCaptionFirst = 2;  // the caption runs from answer byte 2
constexpr std::size_t kCaptionChars = 15;
constexpr uint32_t kBondCheckPauseMs = 500;
constexpr int kBondTries = 3;
constexpr uint16_t kFailedContactBits = 0x00C0;  // kind bits 6-7

// The caption in answer bytes 2 to 16, as far as the answer carries it, up to its terminator.
std::string CaptionOf(const RelayedAnswer& answer)
{
    std::string caption;
    const std::size_t end = std::min<std::size_t>(answer.length, kCaptionFirst + kCaptionChars);
    for (std::size_t i = kCaptionFirst; i < end && answer.data[i] != 0; ++i)
        caption.push_back(static_cast<char>(answer.data[i]));
    return caption;
}

RelayedSend WriteLocalChannel(uint8_t channel)
{
    return [channel](StepLink& link) { return RequestWriteChannel(link, Network::Local, 0, channel); };
}

}  // namespace

TAddBondWND::TAddBondWND(Session& session, QWidget* parent)
    : ToolWindow(session, parent),
      ui_(std::make_unique<Ui::TAddBondWND>()),
      AddBondTimer_(new QTimer(this)),
      steps_(session.settings)
{
    ui_->setupUi(this);
    KeepEnterHarmless();
    SetUpTimer(AddBondTimer_, "AddBondTimer", kAddBondTimerMs, &TAddBondWND::AddBondTimerTimer);
    connect(ui_->VyhledatBT, &QPushButton::clicked, this, &TAddBondWND::VyhledatBTClick);
    connect(ui_->AddBondBT, &QPushButton::clicked, this, &TAddBondWND::AddBondBTClick);
    connect(ui_->ZavritBT, &QPushButton::clicked, this, &QDialog::reject);
}

TAddBondWND::~TAddBondWND() = default;

void TAddBondWND::ShowBondChoice(bool shown)
{
    ui_->MeshAdrLB->setVisible(shown);
    ui_->MeshAdrCB->setVisible(shown);
}

void TAddBondWND::FormShow()
{
    ui_->VyhledatBT->setText(QStringLiteral("Search"));
    ui_->VyhledatBT->setEnabled(true);
    ui_->ZavritBT->setEnabled(true);
    ui_->AddBondBT->setEnabled(false);
    ShowBondChoice(false);
    ui_->TextLB->setText(
        QStringLiteral("Click the button 'Search' for start of searching.\n\nEnsure no other element in RF range."));

    RelayedAnswer answer;
    if (!ReadUsable([](StepLink& link) { return RequestReadChannel(link, Network::Local, 0); },
                    [](const RelayedAnswer& a) { return a.length > 2 && a.data[2] <= kHighestChannel; }, answer))
        return;
    const uint8_t channel = answer.data[2];
    for (QComboBox* box : {ui_->ChanCB, ui_->StopCB}) {
        box->clear();
        for (int c = 0; c <= kHighestChannel; ++c)
            box->addItem(QString::number(c));
        box->setCurrentIndex(channel);
    }
    TerminalChannel_ = HomeChannel_ = channel;

    // A short map would offer bonded addresses as free.
    if (!ReadUsable([](StepLink& link) { return RequestBondingMap(link, Network::Local, 0); },
                    [](const RelayedAnswer& a) { return a.length >= kBondingMapLength; }, answer))
        return;
    const std::vector<uint8_t> bonded = BondedAddresses(answer);
    ui_->MeshAdrCB->clear();
    for (uint8_t address = 1; address <= kLastMeshAddress; ++address)
        if (std::find(bonded.begin(), bonded.end(), address) == bonded.end())
            ui_->MeshAdrCB->addItem(QString::number(address));
    if (ui_->MeshAdrCB->count() > 0) {
        ui_->MeshAdrCB->setCurrentIndex(0);
        return;
    }
    Message(QStringLiteral("Message"), QStringLiteral("No free MESH address."), MessageButtons::Ok,
            MessageIcon::Information);
    CloseLater();
}

bool TAddBondWND::ReadUsable(const RelayedSend& send, const std::function<bool(const RelayedAnswer&)>& usable,
                             RelayedAnswer& answer)
{
    for (;;) {
        if (!OpeningExchange(send, answer))
            return false;
        if (usable(answer))
            return true;
        if (!AskTryAgain(session_, this)) {
            CloseLater();
            return false;
        }
    }
}

void TAddBondWND::FormHide()
{
    AddBondTimer_->stop();
    RestoreHomeChannel();
}

void TAddBondWND::RestoreHomeChannel()
{
    if (TerminalChannel_ == HomeChannel_)
        return;
    RelayedAnswer answer;
    if (BlockingExchange(session_, this, WriteLocalChannel(HomeChannel_), answer))
        TerminalChannel_ = HomeChannel_;
}

void TAddBondWND::VyhledatBTClick()
{
    if (AddBondTimer_->isActive()) {
        ui_->VyhledatBT->setText(QStringLiteral("Search"));
        AddBondTimer_->stop();
        ui_->TextLB->setText(QStringLiteral("Scanning interrupted..."));
        ui_->ZavritBT->setEnabled(true);
        return;
    }
    StartChannel = static_cast<uint8_t>(std::max(0, ui_->ChanCB->currentIndex()));
    StopChannel = static_cast<uint8_t>(std::max(0, ui_->StopCB->currentIndex()));
    steps_.Start(1);
    ui_->AddBondBT->setEnabled(false);  // no bonding run may take over the search before step 1
    ui_->VyhledatBT->setText(QStringLiteral("Stop"));
    ui_->ZavritBT->setEnabled(false);
    AddBondTimer_->start();
}

void TAddBondWND::AddBondBTClick()
{
    if (FoundBonded && Message(QStringLiteral("Warning"), QStringLiteral("The element is already bonded in a MESH. Continue?"),
                               MessageButtons::YesNo, MessageIcon::Exclamation) != MessageResult::Yes)
        return;
    steps_.Start(200);
    ui_->VyhledatBT->setEnabled(false);
    ui_->ZavritBT->setEnabled(false);
    ui_->AddBondBT->setEnabled(false);
    AddBondTimer_->start();
}

void TAddBondWND::AddBondTimerTimer()
{
    StepLink& link = session_.link;
    QLabel& text = *ui_->TextLB;
    switch (steps_.Step) {
        // The search.
        case 1:
            ShowBondChoice(false);
            ui_->AddBondBT->setEnabled(false);
            ScanChannel = StartChannel;
            steps_.AttemptNo = 0;
            FoundP2P = kNoneFound;
            FoundCaption.clear();  // an unreadable caption must not be the previous element's
            steps_.Step = 2;
            break;
        case 2:
            // Unknown until the terminal confirms: a lost confirmation still gets the restore.
            TerminalChannel_ = kChannelUnknown;
            text.setText(QStringLiteral("Setting channel %1").arg(ScanChannel));
            steps_.Send(RequestWriteChannel(link, Network::Local, 0, ScanChannel), 3, 6);
            break;
        case 3:
            if (steps_.Poll(link, answer_, 2, 6) == StepAnswer::Complete) {
                TerminalChannel_ = ScanChannel;
                steps_.Step = 4;
            }
            break;
        case 4:
            text.setText(QStringLiteral("Scanning channel %1").arg(TerminalChannel_));
            steps_.Send(RequestNodeInfo(link, Network::P2p, 255), 5, 6);
            break;
        case 5:
            if (steps_.Poll(link, answer_, 4, 6) != StepAnswer::Complete)
                break;
            if (answer_.length != kNodeInfoLength) {
                steps_.Step = 6;
                break;
            }
            FoundP2P = answer_.data[1] & kP2pMask;
            FoundBonded = (answer_.data[8] & 0x01) != 0;
            FoundMeshAdr = answer_.data[9];
            steps_.Step = 7;
            break;
        case 6:
            NextChannel();
            break;
        case 7:
            text.setText(QStringLiteral("Found, reading.."));
            steps_.Send(RequestReadCaption(link, Network::P2p, FoundP2P), 8, 100);
            break;
        case 8:
            if (steps_.Poll(link, answer_, 7, 100) == StepAnswer::Complete) {
                FoundCaption = CaptionOf(answer_);
                steps_.Step = 100;
            }
            break;
        case 100:
            ReportSearch();
            break;

        // The bonding run.
        case 200:
            steps_.AttemptNo = steps_.RepeatNo = 0;
            steps_.Step = FoundBonded ? 201 : 203;
            break;
        case 201:
            text.setText(QStringLiteral("Deleting previous bond.."));
            ResultCode = 1;
            steps_.Send(RequestUnbond(link, Network::P2p, FoundP2P, FoundMeshAdr), 202, 300);
            break;
        case 202:
            if (steps_.Poll(link, answer_, 201, 300) == StepAnswer::Complete) {
                if (IsPositiveAnswer(answer_))
                    ResultCode = 0;
                steps_.Step = ResultCode == 0 ? 203 : 300;
            }
            break;
        case 203:
            text.setText(QStringLiteral("Element bonding.."));
            ResultCode = 2;
            steps_.Send(RequestBond(link, Network::P2p, FoundP2P, 0), 204, 300);
            break;
        case 204:
            if (steps_.Poll(link, answer_, 203, 300) != StepAnswer::Complete)
                break;
            if (IsPositiveAnswer(answer_)) {
                ResultCode = 0;
                steps_.Step = 205;
            } else {
                steps_.Refused(203, 300, kBondTries);
            }
            break;
        case 205: {
            text.setText(QStringLiteral("Searching element for bonding.."));
            ResultCode = 3;
            const auto address = static_cast<uint8_t>(ReadDecimal(ui_->MeshAdrCB->currentText().toStdString()));
            steps_.Send(RequestBond(link, Network::Local, 0, address), 206, 300);
            break;
        }
        case 206:
            if (steps_.Poll(link, answer_, 205, 300) == StepAnswer::Complete) {
                if (IsPositiveAnswer(answer_))
                    ResultCode = 0;
                steps_.Step = ResultCode == 0 ? 207 : 300;
            }
            break;
        case 207:
            text.setText(QStringLiteral("Bond checking.."));
            ResultCode = 4;
            link.GetClock().SleepMs(kBondCheckPauseMs);
            steps_.Send(RequestNodeInfo(link, Network::P2p, FoundP2P), 208, 300);
            break;
        case 208: {
            if (steps_.Poll(link, answer_, 207, 300) != StepAnswer::Complete)
                break;
            steps_.Step = 300;
            if (answer_.length != kNodeInfoLength)
                break;
            NewMeshAdr = answer_.data[9];
            const bool bonded = (answer_.data[8] & 0x01) != 0 && NewMeshAdr >= 1 && NewMeshAdr <= kLastMeshAddress;
            ResultCode = bonded ? 0 : 5;
            // A failed bond ends here: the channel steps must not turn it into a success.
            if (bonded && TerminalChannel_ != HomeChannel_) {
                steps_.RepeatNo = 0;
                steps_.Step = 209;
            }
            break;
        }
        case 209:
            text.setText(steps_.Text(QStringLiteral("Changing RF channel of the element for MESH use..")));
            ResultCode = 6;
            steps_.Send(RequestStoreChannel(link, Network::Mesh, NewMeshAdr, HomeChannel_), 210, 300);
            break;
        case 210:
        case 212: {
            const int sendStep = steps_.Step - 1;
            if (steps_.Poll(link, answer_, sendStep, 300) != StepAnswer::Complete)
                break;
            if (IsPositiveAnswer(answer_)) {
                ResultCode = 0;
                steps_.RepeatNo = 0;
                steps_.Step = sendStep + 2;
            } else {
                steps_.Refused(sendStep, 300, steps_.Limit() + 1);
            }
            break;
        }
        case 211:
            text.setText(steps_.Text(QStringLiteral("Changing RF channel in RAM..")));
            ResultCode = 7;
            steps_.Send(RequestWriteChannel(link, Network::Mesh, NewMeshAdr, HomeChannel_), 212, 300);
            break;
        case 213:
            text.setText(QStringLiteral("Setting local original RF channel."));
            steps_.Send(RequestWriteChannel(link, Network::Local, 0, HomeChannel_), 214, 300);
            break;
        case 214:
            if (steps_.Poll(link, answer_, 213, 300) == StepAnswer::Complete) {
                TerminalChannel_ = HomeChannel_;
                steps_.Step = 300;
            }
            break;
        case 300:
            Finish();
            break;
        default:
            StepProtocolError(AddBondTimer_);
            break;
    }
}

// Upwards when the stop channel is not below the start channel, else downwards; a downward
// search ends after channel 0.
void TAddBondWND::NextChannel()
{
    bool more = false;
    if (StopChannel >= StartChannel) {
        ++ScanChannel;
        more = ScanChannel <= StopChannel;
    } else if (ScanChannel > 0) {
        --ScanChannel;
        more = ScanChannel >= StopChannel;
    }
    steps_.Step = more ? 2 : 100;
}

void TAddBondWND::ReportSearch()
{
    if (FoundP2P == kNoneFound) {
        ui_->TextLB->setText(QStringLiteral("Nothing found..") + steps_.AnswerErrorReport());
    } else {
        ui_->TextLB->setText(
            QStringLiteral("On channel %1 found element:\n\nP2P address: %2").arg(TerminalChannel_).arg(FoundP2P) +
            steps_.AnswerErrorReport());
        ui_->AddBondBT->setEnabled(true);
        ShowBondChoice(true);
    }
    AddBondTimer_->stop();
    ui_->VyhledatBT->setText(QStringLiteral("Search"));
    ui_->ZavritBT->setEnabled(true);
}

void TAddBondWND::Finish()
{
    AddBondTimer_->stop();
    ui_->VyhledatBT->setEnabled(true);
    ui_->ZavritBT->setEnabled(true);
    const QString error = QStringLiteral("Error!");
    if (ResultCode != 0) {
        const auto& d = answer_.data;
        Message(error, QString::asprintf("data=%02X %02X %02X %02X", d[0], d[1], d[2], d[3]), MessageButtons::Ok,
                MessageIcon::Error);
        ui_->TextLB->setText(QStringLiteral("Action failed") + steps_.AnswerErrorReport());
        ui_->AddBondBT->setEnabled(true);
        ShowBondChoice(true);
    }
    const auto fail = [&](const char* message) {
        Message(error, QString::fromLatin1(message), MessageButtons::Ok, MessageIcon::Error);
    };
    switch (ResultCode) {
        case 0: {
            ui_->TextLB->setText(QStringLiteral("Finished"));
            ui_->AddBondBT->setEnabled(false);
            ShowBondChoice(false);
            // The slot is the new element's: nothing of its former occupant stays, least of all
            // a failure count that would report the element just bonded out of RF range.
            session_.model.ResetElementSlot(NewMeshAdr);
            ElementSlot& slot = session_.model.ElementTable[NewMeshAdr];
            slot.status.kind &= static_cast<uint16_t>(~kFailedContactBits);
            slot.p2pAddress = FoundP2P;
            slot.caption = FoundCaption;
            Message(QStringLiteral("Message"),
                    QStringLiteral("The element bonded successfully!\nNew MESH address: %1").arg(NewMeshAdr),
                    MessageButtons::Ok, MessageIcon::Information);
            // The show procedure reads the terminal's channel afresh: it must be home by then.
            RestoreHomeChannel();
            FormShow();
            break;
        }
        case 1: fail("Deleting element bond failed!"); break;
        case 2: fail("Element bonding failed!"); break;
        case 3: fail("Setting the search of element for bonding failed!"); break;
        case 4: fail("Bond verification failed!"); break;
        case 5: fail("Bonding procedure failed!"); break;
        case 6: fail("RF channel setting in new element failed!"); break;
        case 7:
            Message(QStringLiteral("Message"),
                    QStringLiteral("RF channel setting in new element failed!\nBecause all other actions were "
                                   "sucessfull, the function of element after restart should be OK.\nNew MESH "
                                   "address: %1")
                        .arg(NewMeshAdr),
                    MessageButtons::Ok, MessageIcon::Exclamation);
            break;
        default: fail("Unknown error!"); break;
    }
}

}  // namespace kolmaris
