// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Spectra": the 96-channel spectra of one radon probe, one at a time, as a bar graph and three
// columns of numbers. In the probe face the window reads a range of spectrum buffers from a
// bonded radon probe over the radio into the data store (replacing that probe's spectra there);
// in the data face it shows the spectra of one probe from the store. Both save them as ".tab".

#include "DataStore.h"
#include "ProbeSpectrumReader.h"
#include "ProbeReadingWindow.h"

#include <memory>

class QComboBox;
class QPainter;
class QTimer;

namespace Ui {
class TRadonSpectWND;
}

namespace kolmaris {

// The graph's vertical scale: 20, or the highest count + 1 when that is larger.
int GraphScale(const SpectrumChannels& counts);

// Draws the bar graph of `counts` into the rectangle from (left, top) to (right, bottom),
// corners included: white ground, black axes, a blue bar per channel with a count.
void DrawSpectrumGraph(QPainter& painter, int left, int top, int right, int bottom, const SpectrumChannels& counts);

class TRadonSpectWND : public ProbeReadingWindow {
    Q_OBJECT
public:
    TRadonSpectWND(Session& session, TDataStore& store, QWidget* parent = nullptr);
    ~TRadonSpectWND() override;

    // Probe face: read from a probe chosen when the window shows.
    void PrepareFromDetector();
    // Data face: the spectra of the probe at `meshAddress` from the store.
    void PrepareFromData(int meshAddress);

    QComboBox* MeshAdrCB() const;
    // The probe list of the data face; the terminal data window copies its own list into it.
    QComboBox* MeshAdrEeprCB() const;
    QTimer* SpectrumTimer() const { return SpectrumTimer_; }
    bool FromData() const { return fromData_; }
    const ProbeSpectrumReader& Reader() const { return reader_; }
    // The counts of the spectrum shown.
    const SpectrumChannels& GraphBuffer() const { return graph_; }

public slots:
    void FormShow() override;
    void FormHide() override;
    void LoadSpectBTClick();
    void SpectrumTimerTimer();
    void SpectRecordStartCBChange();
    void ChooseRecordCBChange();
    void MeshAdrEeprCBChange();
    void SaveSpectBTClick();
    void Button1Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ChangeFace();
    void UduGraf();
    void StartReading();
    void EndReading();

    std::unique_ptr<Ui::TRadonSpectWND> ui_;
    TDataStore& store_;
    ProbeSpectrumReader reader_;
    QTimer* SpectrumTimer_;
    bool fromData_ = false;
    int meshAddress_ = 0;  // 0: none chosen yet
    SpectrumChannels graph_{};
};

}  // namespace kolmaris
