// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProbeReadingWindow.h"

#include "DecimalInput.h"
#include "Session.h"
#include "TerminalCommands.h"

#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>

namespace kolmaris {

int ProbeReadingWindow::ComboNumber(const QComboBox& box)
{
    return ReadDecimal(box.currentText().toStdString());
}

void ProbeReadingWindow::FillList(QComboBox& box, const QStringList& items)
{
    const QSignalBlocker quiet(&box);
    box.clear();
    box.addItems(items);
    box.setCurrentIndex(items.isEmpty() ? -1 : 0);
}

bool ProbeReadingWindow::StartProbeReading(ProbeReader& reader, int address, int first, int last,
                                           const AcquisitionStopTexts& stop)
{
    if (!reader.RangeFits(first, last)) {
        Message(QStringLiteral("Error!"), QStringLiteral("Wrong range of records to be read!"), MessageButtons::Ok,
                MessageIcon::Exclamation);
        return false;
    }
    if (address < 1 || address > kProbeSlots)
        return false;
    if (session_.model.AcquisitionRunning) {
        if (Message(QStringLiteral("Warning"), stop.question, MessageButtons::OkCancel, MessageIcon::Exclamation) !=
            MessageResult::Ok)
            return false;
        if (SetAcquisition(session_.link, kAcquisitionStop) != 0) {
            Message(QStringLiteral("Error!"), stop.refused, MessageButtons::Ok, stop.refusedIcon);
            return false;
        }
    }
    return reader.Start(static_cast<uint8_t>(address), first, last, session_.settings.attemptCount,
                        session_.model.AcquisitionRunning);
}

bool ProbeReadingWindow::TickProbeReading(ProbeReader& reader, TDataStore& store, QLabel& text)
{
    const bool going = reader.Tick(session_.link, store);
    text.setText(QString::fromStdString(reader.StatusText()));
    return going;
}

bool ProbeReadingWindow::ReadingFailed(const ProbeReader& reader)
{
    if (!reader.Failed())
        return false;
    Message(QStringLiteral("Error!"), QStringLiteral("Action failed"), MessageButtons::Ok, MessageIcon::Error);
    return true;
}

void ProbeReadingWindow::ShowWarnings(const ProbeReader& reader)
{
    for (const std::string& warning : reader.Warnings())
        Message(QStringLiteral("Warning"), QString::fromStdString(warning), MessageButtons::Ok,
                MessageIcon::Exclamation);
}

}  // namespace kolmaris
