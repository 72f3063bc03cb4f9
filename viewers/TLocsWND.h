// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Records in terminal": the terminal's meteo records from the data store (time, pressure,
// temperature, humidity, accumulator voltage), about a hundred rows at a time, growing while
// the user scrolls, with a jump list of record numbers. Record 1 is the newest.

#include "GrowingTable.h"
#include "Records.h"

#include <memory>

namespace Ui {
class TLocsWND;
}

namespace kolmaris {

class TDataStore;

class TLocsWND : public GrowingTableWindow {
    Q_OBJECT
public:
    TLocsWND(Session& session, TDataStore& store, QWidget* parent = nullptr);
    ~TLocsWND() override;

    // One table line: number, time, pressure, temperature, humidity, voltage.
    static QStringList DrawLocLine(int index, const LocRecord& record);

protected:
    int RecordCount() const override;
    QStringList RowTexts(int index) const override;

private:
    std::unique_ptr<Ui::TLocsWND> ui_;
    TDataStore& store_;
};

}  // namespace kolmaris
