// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the records and spectra windows share in their probe face: starting a reading (range
// check, stopping a running acquisition with the user's consent), the timer's tick and the
// reports at the end.

#include "DataStore.h"
#include "ProbeReading.h"
#include "ToolWindow.h"

class QComboBox;
class QLabel;

namespace kolmaris {

class ProbeReadingWindow : public ToolWindow {
public:
    using ToolWindow::ToolWindow;

    // The window's texts for a running acquisition.
    struct AcquisitionStopTexts {
        QString question;   // "Warning", OK/Cancel, exclamation icon
        QString refused;    // "Error!", `refusedIcon`: SetAcquisition 0 failed
        MessageIcon refusedIcon;
    };

protected:
    // The number a list shows, read as typed decimal input.
    static int ComboNumber(const QComboBox& box);
    // Replaces a list's items without running its change handler; the first selected.
    static void FillList(QComboBox& box, const QStringList& items);

    // Starts `reader` on the probe at `address` for items `first` to `last`. A range outside the
    // ring shows "Wrong range of records to be read!"; an address outside 1..16 is ignored. While
    // the acquisition runs the user is asked and the stop sent; the reading then waits for it.
    // False when nothing started.
    bool StartProbeReading(ProbeReader& reader, int address, int first, int last, const AcquisitionStopTexts& stop);
    // One tick of `reader`, its status shown in `text`. False once the reading has ended.
    bool TickProbeReading(ProbeReader& reader, TDataStore& store, QLabel& text);
    // True, after "Action failed", when the ended reading failed.
    bool ReadingFailed(const ProbeReader& reader);
    // Each warning of the ended reading as a message.
    void ShowWarnings(const ProbeReader& reader);
};

}  // namespace kolmaris
