// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window: live state of the terminal, the selected radon probe and actuator, the
// alarms, the acquisition controls and the menu that opens every tool window. Its 200 ms
// `Timer1` keeps the link alive and drives the two display machines `Provoz` and `Nacitani`.
// One class in three files: construction, menu and controls (TMainWND.cpp); panels and
// pictures (TMainWNDPanels.cpp); the polling loop and alarms (TMainWNDPolling.cpp).

#include "ToolWindows.h"

#include <QMainWindow>
#include <QString>

#include <cstdint>
#include <memory>

class QTimer;

namespace Ui {
class TMainWND;
}

namespace kolmaris {

struct Session;

class TMainWND : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainWND(Session& session, QWidget* parent = nullptr);
    ~TMainWND() override;

    void SetToolWindows(const ToolWindows& windows) { tools_ = windows; }

    // The acquisition-stop procedure for a tool window's menu handler, with that handler's
    // cannot-stop text. True when the window may open.
    bool StopAcquisitionFor(const QString& cannotStopText);

    QTimer* Timer1() const { return timer1_; }

    // For runs without a display: once the window shows live values (or after `timeoutMs`),
    // saves a picture of it as PNG into `file` and reports through ScreenshotTaken.
    void ScreenshotWhenLive(const QString& file, int timeoutMs);

signals:
    // `live`: the picture shows live values; `summary`: what it shows, one line.
    void ScreenshotTaken(bool saved, bool live, const QString& summary);

public slots:
    void FormShow();
    void FormHide();

    void Timer1Timer();
    void Provoz();
    void Nacitani(bool reset);
    void ConnectBTClick();

    void MeritBTClick();
    void PokracovatBTClick();
    void FanCBChange();
    void CidlaCBChange();
    void FansCBChange();
    void HideErrorsBTClick();
    void ShowErrorsLBClick();
    void ManagePanels();
    void SetFanBTClick();

    void KonecClick();
    void PripojeniMnuClick();
    void AboutMnuClick();
    void DataMnuClick();
    void RecordsMnuClick();
    void HistoryMnuClick();
    void SpectrumMnuClick();
    void MeasureConfigMnuClick();
    void ActivateSensorMnuClick();
    void InitSensorMnuClick();
    void SensorParamsMnuClick();
    void FanParamsMnuClick();
    void AddBondMnuClick();
    void RemoveBondMnuClick();
    void RssiBondMnuClick();
    void SetIqrfModeMnuClick();
    void PrevBondsMnuClick();
    void SetPowerBondClick();
    void SetChannelBondClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Polling loop.
    void ShowBattery(float volts);
    void ShowAcquisitionState(uint8_t stateFlags, uint32_t countdown);
    void ShowTerminalFlags(uint8_t flags);
    void RefreshSelectors();
    void PublishAlarms();
    // Reads the bonding map at once and rebuilds the element lists and the alarms from it and the
    // element table, whether acquisition runs or not.
    void RefreshElements();

    // Opens a network window with acquisition stopped; afterwards the elements and alarms follow
    // the bonding map the window left, and acquisition continues when it ran before.
    void OpenNetworkWindow(QDialog* window, const QString& cannotStopText);

    // Panels.
    void SetUpLook();
    void RenderPictures();
    void CommandDisabled();
    // Greys the panels while their values are not current (no link), and back at the first
    // fresh reading.
    void ShowStale(bool stale);
    bool ShowsLiveValues() const;
    QString Summary() const;

    Session& session_;
    std::unique_ptr<Ui::TMainWND> ui_;
    QTimer* timer1_;
    ToolWindows tools_;

    bool shown_ = false;
    int provozStep_ = 0;
    int nacitaniStep_ = 0;
    int nacitaniIndex_ = 0;
    int nacitaniPolls_ = 0;  // incomplete bonding-map answers in a row
    int lastRelayMode_ = 3;  // none shown yet
    bool lastFanActive_ = false;
    bool errorsDismissed_ = false;
    bool elementsShown_ = false;  // a whole pass of Nacitani has reached the panels
    bool stale_ = false;
};

}  // namespace kolmaris
