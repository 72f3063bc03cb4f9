// SPDX-License-Identifier: GPL-3.0-or-later
#include "TSetChannelWND.h"

#include "ui_TSetChannelWND.h"

namespace kolmaris {

namespace {

constexpr int kChannels = 62;

const StoreValueTexts kChannelTexts{
    .storeElement = "RF channel writing on element No. %d",
    .storeTerminal = "Terminal RF channel writing\n",
    .skipQuestion = "RF channel setting failed on element No. %1! Check the functionality of this element. If you "
                    "select 'Ignore', this element\n will be skipped and after setting new RF channel in the terminal "
                    "the communication with this element will be lost.",
    .skipButtons = MessageButtons::AbortRetryIgnore,
    .skipRetry = MessageResult::Retry,
    .skipIgnore = MessageResult::Ignore,
    .resetMesh = "Resetting MESH..",
    .resetElement = "Resetting element No. ",
    .meshResetFailed = " New RF channel is successfully set in terminal and all the elements,\nbut MESH reset failed. "
                       "Reset the elements and terminal manually, or repeat this action.",
    .terminalResetFailed = " New RF channel is successfully set in all the elements.\nTerminal reset failed, but it can "
                           "be done manually.",
    .failedElement = " Setting new RF channel failed in the element No.",
    .repeatAdvice = "\nAs channel was already changed in some elements it is strongly recommended to repeat the action!",
    .finished = "Writing finished successfully ",
};

}  // namespace

TSetChannelWND::TSetChannelWND(Session& session, QWidget* parent)
    : StoreValueWindow(session, kChannelTexts, {RequestReadChannel, RequestStoreChannel, &ElementSlot::channel}, parent),
      ui_(std::make_unique<Ui::TSetChannelWND>())
{
    ui_->setupUi(this);
    SetControls({ui_->TextLB, ui_->MeshAdrCB, ui_->ChanCB, ui_->UlozitBT, ui_->ZavritBT});
}

TSetChannelWND::~TSetChannelWND() = default;

void TSetChannelWND::FillValues(QComboBox& ChanCB)
{
    ChanCB.clear();
    for (int channel = 0; channel < kChannels; ++channel)
        ChanCB.addItem(QString::number(channel));
}

}  // namespace kolmaris
