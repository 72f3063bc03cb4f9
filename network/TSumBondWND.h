// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "IQRF MESH configuration": the terminal and every bonded element in one table (function, RF
// power, RSSI, supply voltage, P2P address) with the coordinator's number of hops and channel.
// Reads them all on "Read"; changes an element's function and the number of hops at once, and
// opens the power and channel windows with the value of the button pressed.

#include "MeshOverviewReader.h"
#include "ToolWindow.h"

#include <functional>
#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QTimer;

namespace Ui {
class TSumBondWND;
}

namespace kolmaris {

class TSetChannelWND;
class TSetPowerWND;

class TSumBondWND : public ToolWindow {
    Q_OBJECT
public:
    explicit TSumBondWND(Session& session, QWidget* parent = nullptr);
    ~TSumBondWND() override;

    void SetPresetWindows(TSetPowerWND* power, TSetChannelWND* channel)
    {
        power_ = power;
        channel_ = channel;
    }
    // How the power and channel windows are shown (modally; tests answer them).
    std::function<void(QDialog&)> openModal = [](QDialog& window) { window.exec(); };

    QTimer* ProcesTimer() const { return procesTimer_; }
    MeshOverviewReader& Reader() { return reader_; }

    // The controls of one element's row.
    struct Row {
        uint8_t address;
        QLabel* name;
        QComboBox* function;
        QPushButton* power;
        QLabel* rssi;
        QLabel* voltage;
        QLabel* p2p;
    };
    const std::vector<Row>& Rows() const { return rows_; }

public slots:
    void FormShow() override;
    void FormHide() override;
    void NacistBTClick();
    void ProcesTimerTimer();
    void RefreshBTClick();
    void ModeCBChange();
    void PowerBTClick();
    void RoutingCBChange();
    void ChanBTClick();
    void SavedTMRTimer();

private:
    void CreateRows(const std::vector<uint8_t>& addresses);
    void DestroyRows();
    void LayOut();
    void SetChangeControls(bool enabled);
    void Finish();
    void FlashSaved();
    void ConnectReader();
    QLabel* CellLabel(uint8_t address, OverviewCell cell);
    QPushButton* PowerButton(uint8_t address);
    QComboBox* FunctionSelector(uint8_t address);

    std::unique_ptr<Ui::TSumBondWND> ui_;
    QTimer* procesTimer_;
    QTimer* savedTmr_;
    MeshOverviewReader reader_;
    std::vector<Row> rows_;
    TSetPowerWND* power_ = nullptr;
    TSetChannelWND* channel_ = nullptr;
};

}  // namespace kolmaris
