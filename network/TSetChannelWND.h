// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Channel setting": moves one element, the terminal, or the whole MESH to another RF channel.

#include "StoreValueWindow.h"

#include <memory>

namespace Ui {
class TSetChannelWND;
}

namespace kolmaris {

class TSetChannelWND : public StoreValueWindow {
    Q_OBJECT
public:
    explicit TSetChannelWND(Session& session, QWidget* parent = nullptr);
    ~TSetChannelWND() override;

protected:
    void FillValues(QComboBox& ChanCB) override;

private:
    std::unique_ptr<Ui::TSetChannelWND> ui_;
};

}  // namespace kolmaris
