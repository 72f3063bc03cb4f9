// SPDX-License-Identifier: GPL-3.0-or-later
#include "TRssiBondWND.h"

#include "DecimalInput.h"
#include "MeshOverviewReader.h"
#include "Session.h"
#include "ui_TRssiBondWND.h"

#include <QTimer>

namespace kolmaris {

namespace {

constexpr int kRssiTimerMs = 200;
constexpr int kShortestPauseMs = 50;
constexpr uint8_t kRssiLength = 2;
constexpr uint8_t kFirstElementError = 0xF0;
constexpr uint8_t kRssiMask = 0x7F;
// Every failure starts the next cycle: no attempt limit.
constexpr int kOneTry = 1;

}  // namespace

TRssiBondWND::TRssiBondWND(Session& session, QWidget* parent)
    : ToolWindow(session, parent), ui_(std::make_unique<Ui::TRssiBondWND>()), RssiTimer_(new QTimer(this)), steps_(kOneTry)
{
    ui_->setupUi(this);
    KeepEnterHarmless();
    SetUpTimer(RssiTimer_, "RssiTimer", kRssiTimerMs, &TRssiBondWND::RssiTimerTimer);
    connect(ui_->StartRssiBT, &QPushButton::clicked, this, &TRssiBondWND::StartRssiBTClick);
    connect(ui_->ZavritBT, &QPushButton::clicked, this, &QDialog::reject);
}

TRssiBondWND::~TRssiBondWND() = default;

void TRssiBondWND::FormShow()
{
    ui_->TextLB->setText(QStringLiteral("Ready..."));
    ui_->StartRssiBT->setText(QStringLiteral("Measure"));
    ui_->ZavritBT->setEnabled(true);
    ui_->PauseLB->hide();
    BuildMeshAdrCB(*ui_->MeshAdrCB, {}, QStringLiteral("No bonded elements in the system."));
}

void TRssiBondWND::FormHide()
{
    RssiTimer_->stop();
}

void TRssiBondWND::StartRssiBTClick()
{
    if (RssiTimer_->isActive()) {
        ui_->StartRssiBT->setText(QStringLiteral("Measure"));
        RssiTimer_->stop();
        ui_->TextLB->setText(QStringLiteral("Ready..."));
        ui_->ZavritBT->setEnabled(true);
        ui_->PauseLB->hide();
        return;
    }
    steps_.Start(1);
    ui_->StartRssiBT->setText(QStringLiteral("Stop"));
    ui_->ZavritBT->setEnabled(false);
    ui_->TextLB->setText(QStringLiteral("Reading..."));
    RssiTimer_->start(kRssiTimerMs);
}

void TRssiBondWND::RssiTimerTimer()
{
    switch (steps_.Step) {
        case 1: Ask(); break;
        case 2: Judge(); break;
        default: StepProtocolError(RssiTimer_); break;
    }
}

void TRssiBondWND::Ask()
{
    ui_->PauseLB->hide();
    RssiTimer_->setInterval(kRssiTimerMs);
    address_ = static_cast<uint8_t>(ReadDecimal(ui_->MeshAdrCB->currentText().toStdString()));
    if (!steps_.Send(RequestRssi(session_.link, Network::Mesh, address_), 2, 1))
        ui_->TextLB->setText(QStringLiteral("RSSI read command failed on MESH addr. %1").arg(address_));
}

void TRssiBondWND::Judge()
{
    QLabel& text = *ui_->TextLB;
    const StepAnswer result = steps_.PollOnly(session_.link, answer_, 1);
    if (result == StepAnswer::Failed) {
        text.setText(QStringLiteral("RSSI reading error on MESH addr. %1").arg(address_));
        return;
    }
    if (result == StepAnswer::Incomplete)
        return;
    ui_->PauseLB->show();
    steps_.Step = 1;
    if (result == StepAnswer::Error) {
        text.setText(QStringLiteral("Reply with error."));
        return;
    }
    if (answer_.length != kRssiLength) {
        text.setText(QStringLiteral("Wrong length reply."));
        return;
    }
    if (answer_.data[1] >= kFirstElementError) {
        text.setText(QString::asprintf("Error %02Xh", answer_.data[1]));
    } else {
        QString shown = QStringLiteral("RSSI element: %1 dBm").arg(RssiDbm(answer_.data[0] & kRssiMask));
        uint8_t local = 0;
        if (ReadLocalRssi(session_.link, local) == kOk)
            shown += QStringLiteral("\nRSSI local: %1 dBm").arg(RssiDbm(local));
        text.setText(shown);
    }
    Pause();
}

void TRssiBondWND::Pause()
{
    const int pause = ReadDecimal(ui_->PauseED->text().toStdString());
    RssiTimer_->setInterval(pause >= kShortestPauseMs ? pause : kShortestPauseMs);
}

}  // namespace kolmaris
