// SPDX-License-Identifier: GPL-3.0-or-later
#include "TDebugWND.h"

#include "ui_TDebugWND.h"

namespace kolmaris {

TDebugWND::TDebugWND(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::TDebugWND>())
{
    ui_->setupUi(this);
}

TDebugWND::~TDebugWND() = default;

}  // namespace kolmaris
