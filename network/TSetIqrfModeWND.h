// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "IQRF mode setting": moves one element, the terminal, or the whole MESH to another IQRF mode
// (STD, XSP, LP, XLP). Saving is offered in service mode only.

#include "StoreValueWindow.h"

#include <memory>

namespace Ui {
class TSetIqrfModeWND;
}

namespace kolmaris {

class TSetIqrfModeWND : public StoreValueWindow {
    Q_OBJECT
public:
    explicit TSetIqrfModeWND(Session& session, QWidget* parent = nullptr);
    ~TSetIqrfModeWND() override;

public slots:
    void FormShow() override;

private:
    std::unique_ptr<Ui::TSetIqrfModeWND> ui_;
};

}  // namespace kolmaris
