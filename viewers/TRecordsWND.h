// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Radon records": the radon records of one probe as a table. In the probe face the window reads
// a range of records from a bonded radon probe over the radio into the data store (replacing
// what the store held for that probe); in the data face it shows the records of one probe from
// the store and grows the table while the user scrolls. Both faces save the records as ".tab".

#include "DataStore.h"
#include "GrowingTable.h"
#include "ProbeRecordReader.h"
#include "ProbeReadingWindow.h"

#include <memory>

class QComboBox;
class QTimer;

namespace Ui {
class TRecordsWND;
}

namespace kolmaris {

class TRecordsWND : public ProbeReadingWindow {
    Q_OBJECT
public:
    TRecordsWND(Session& session, TDataStore& store, QWidget* parent = nullptr);
    ~TRecordsWND() override;

    // Probe face: read from a probe chosen when the window shows.
    void PrepareFromDetector();
    // Data face: the records of the probe at `meshAddress` from the store, from store index
    // `firstIndex` on.
    void PrepareFromData(int meshAddress, int firstIndex);

    // The probe list; the terminal data window copies its own list into it.
    QComboBox* MeshAdrCB() const;
    QTimer* RecordsTimer() const { return RecordsTimer_; }
    QTimer* AutoUpdateTMR() const { return AutoUpdateTMR_; }
    bool FromData() const { return fromData_; }
    const ProbeRecordReader& Reader() const { return reader_; }

public slots:
    void FormShow() override;
    void FormHide() override;
    void LoadRecordsBTClick();
    void RecordsTimerTimer();
    void RecordStartCBChange();
    void RecordStopCBChange();
    void MeshAdrCBChange();
    void SaveRecordsBTClick();
    void AutoUpdateTMRTimer();
    void Button1Click();

private:
    void ChangeFace();
    void ClearRecordsTable();
    void DrawRecordFromBuff(int index, const RadonRecord& record);
    QStringList RowText(int index, const RadonRecord& record) const;
    QStringList StoreRow(int index) const;
    void StartReading();
    void EndReading();

    std::unique_ptr<Ui::TRecordsWND> ui_;
    TDataStore& store_;
    std::unique_ptr<GrowingTable> table_;
    ProbeRecordReader reader_;
    QTimer* RecordsTimer_;
    QTimer* AutoUpdateTMR_;
    bool fromData_ = false;
    int meshAddress_ = 0;  // 0: none chosen yet
};

}  // namespace kolmaris
