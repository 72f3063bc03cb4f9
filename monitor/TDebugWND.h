// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A window with the two machines' step labels; created at start, never shown.

#include <QDialog>

#include <memory>

namespace Ui {
class TDebugWND;
}

namespace kolmaris {

class TDebugWND : public QDialog {
    Q_OBJECT
public:
    explicit TDebugWND(QWidget* parent = nullptr);
    ~TDebugWND() override;

private:
    std::unique_ptr<Ui::TDebugWND> ui_;
};

}  // namespace kolmaris
