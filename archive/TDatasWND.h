// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Data in terminal": downloads the terminal's data memory into the one data store (which this
// window owns for the whole run of the program), shows what it holds, opens the viewers and
// saves the data as ".tab" files, one kind at a time or all at once, or stores it in the station
// archive.

#include "DataStore.h"
#include "TerminalDownload.h"
#include "ToolWindow.h"

#include <memory>

class QComboBox;
class QTimer;

namespace Ui {
class TDatasWND;
}

namespace kolmaris {

namespace history {
class ArchiveBatch;
}

class TDiasWND;
class TLocsWND;
class TRadonSpectWND;
class TRecordsWND;

// The windows the View buttons open; created by the application with this window's Store().
struct DataViewers {
    TRecordsWND* records = nullptr;
    TRadonSpectWND* spectra = nullptr;
    TLocsWND* locs = nullptr;
    TDiasWND* dias = nullptr;
};

class TDatasWND : public ToolWindow {
    Q_OBJECT
public:
    explicit TDatasWND(Session& session, QWidget* parent = nullptr);
    ~TDatasWND() override;

    TDataStore& Store() { return *store_; }
    const TerminalDownload& Download() const { return download_; }
    void SetViewers(const DataViewers& viewers) { viewers_ = viewers; }

    // The lists the viewers copy (items and selection).
    QComboBox* MeshRecCB() const;
    QComboBox* MeshSpectCB() const;

public slots:
    // The probe windows replace a probe's data in the store: the counts and lists are drawn
    // anew whenever the window shows.
    void FormShow() override;
    void FormHide() override;
    void LoadEepromBTClick();
    void DatasTMRTimer();
    void Button4Click();
    void MeshRecCBChange();
    void MeshSpectCBChange();
    void ShowRecordsBTClick();
    void ShowSpectBTClick();
    void ShowLocsBTClick();
    void ShowDiasBTClick();
    void SaveRecordsBTClick();
    void SaveSpectsBTClick();
    void SaveLocsBTClick();
    void SaveDiasBTClick();
    void SaveAllBTClick();
    void StoreArchiveBTClick();
    // Redraws the counts and lists.
    void Refresh();

private:
    void ShowProgress();
    void ShowCounts();
    void ReportEnd();

    std::unique_ptr<Ui::TDatasWND> ui_;
    std::unique_ptr<TDataStore> store_;
    TerminalDownload download_;
    DataViewers viewers_;
    QTimer* DatasTMR_;
    // The records of the last run that read the memory to its end; none after any other end or Clear.
    std::unique_ptr<history::ArchiveBatch> completed_;
};

}  // namespace kolmaris
