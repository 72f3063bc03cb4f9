// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Function assigning: the function of one bonded element in the measuring system (not
// assigned, repeater, actuator, radon probe), as the terminal keeps it; the element's bond is
// not touched. Single terminal commands from the handlers, no step machine.

#include "ToolWindow.h"

#include <array>
#include <memory>

class QAbstractButton;

namespace Ui {
class TActivateSensorWND;
}

namespace kolmaris {

class TActivateSensorWND : public ToolWindow {
    Q_OBJECT
public:
    explicit TActivateSensorWND(Session& session, QWidget* parent = nullptr);
    ~TActivateSensorWND() override;

public slots:
    void FormShow() override;
    void MeshAdrCBChange();
    void SetBTClick();

private:
    // The radio buttons in function-code order.
    std::array<QAbstractButton*, 4> FunctionButtons() const;

    std::unique_ptr<Ui::TActivateSensorWND> ui_;
};

}  // namespace kolmaris
