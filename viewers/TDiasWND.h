// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Diagnostic": the diagnostic events the terminal logged, from the data store (time, element or
// "Term", event code, meaning), about a hundred rows at a time, growing while the user scrolls,
// with a jump list of record numbers. Record 1 is the newest.

#include "GrowingTable.h"
#include "Records.h"

#include <memory>

namespace Ui {
class TDiasWND;
}

namespace kolmaris {

class TDataStore;

class TDiasWND : public GrowingTableWindow {
    Q_OBJECT
public:
    TDiasWND(Session& session, TDataStore& store, QWidget* parent = nullptr);
    ~TDiasWND() override;

    // One table line: number, time, element, code, meaning (possibly empty).
    static QStringList DrawDiaLine(int index, const DiaEvent& event);

protected:
    int RecordCount() const override;
    QStringList RowTexts(int index) const override;

private:
    std::unique_ptr<Ui::TDiasWND> ui_;
    TDataStore& store_;
};

}  // namespace kolmaris
