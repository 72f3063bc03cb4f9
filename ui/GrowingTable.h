// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A table of records drawn as one multi-line label per column inside a scroll box, one text line
// per record. It shows about a hundred rows at a time and grows while the user scrolls: the
// window's 100 ms AutoUpdateTMR calls AutoUpdate, which adds a row at the bottom when the scroll
// position passes 95 % and one at the top (moving the view down by 10 pixels) when it is at 0 %.
// Here: the column label, the table, and the base of the windows that show a store list in one.

#include "ToolWindow.h"

#include <QLabel>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QComboBox;
class QPushButton;
class QScrollArea;
class QTimer;

namespace kolmaris {

// A column of a growing table: a plain-text label of equal-height lines that measures and paints
// only what changed or shows, so that a column of tens of thousands of lines stays quick to grow
// and to scroll (a plain QLabel lays out its whole text on every change and every paint). Lines
// are separated by '\n'; a final '\n' does not start another line. Lines keep the label's
// horizontal alignment.
class TableColumnLabel : public QLabel {
    Q_OBJECT
public:
    explicit TableColumnLabel(QWidget* parent = nullptr);

    // Adds `line` and a line end at the bottom or the top. The text grows in place and only the
    // new line is measured, so a long column grows as quickly as a short one.
    void AddLine(const QString& line, bool atBottom);

    int LineCount() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Brings the line starts and the widest line up to the current text; an added head or tail
    // is measured alone.
    void Measure() const;
    qsizetype LineStart(int line) const { return lineStarts_[static_cast<std::size_t>(line)] + startShift_; }
    // Index of the line that holds the character at `position`, -1 before the first line.
    int LineAt(qsizetype position) const;
    QStringView Line(int line) const;

    mutable QString measured_;
    // Line start positions less `startShift_`, which a line added at the top raises for all.
    mutable std::deque<qsizetype> lineStarts_;
    mutable qsizetype startShift_ = 0;
    mutable int widest_ = 0;
};

class GrowingTable {
public:
    // The column labels' texts for store index `index`, one value per column.
    using RowText = std::function<QStringList(int index)>;

    // The columns are best TableColumnLabels; plain QLabels work but slow down as they grow.
    GrowingTable(QScrollArea* scrollBox, std::vector<QLabel*> columns);

    // Titles above the scroll box, one widget per column in `titleRow`'s horizontal layout: each
    // title takes its column's width (a column is never narrower than its title), the row is
    // indented like the columns inside the box, and it keeps the box wide enough for them all.
    void SetTitles(QWidget* titleRow, std::vector<QWidget*> titles);

    // Empties every column.
    void Clear();
    // Clears, then shows rows from store index `first` on: at most 102 rows, below `count`.
    void ShowFrom(int first, int count, const RowText& row);
    // Shows the table from record number `number` (store index + 1; 0 or less = the first). When
    // it starts at the first record, `jumpList` gets JumpTargets(count) with the first selected.
    void PrepareFromNumber(int number, int count, const RowText& row, QComboBox& jumpList);
    // One AutoUpdateTMR tick for a list of `count` records.
    void AutoUpdate(int count, const RowText& row);
    // Jump targets: "1", then every multiple of 100 below `count`.
    static QStringList JumpTargets(int count);

    int ShownFirst() const { return shownFirst_; }
    int ShownNext() const { return shownNext_; }
    // Vertical scroll position in percent of the scrollable range, truncated.
    int ScrollPercent() const;

private:
    void AddRow(const QStringList& values, bool atBottom);
    void AlignTitles();

    QScrollArea* scrollBox_;
    std::vector<QLabel*> columns_;
    std::vector<QWidget*> titles_;
    int shownFirst_ = 0;
    int shownNext_ = 0;
};

// A window that shows one list of the data store as a growing table: the jump list `LoadFromCB`,
// the button `SkocitBT` ("Find"), the 100 ms `AutoUpdateTMR` that grows the table while the window
// is shown, and `Button1` ("Close"). Record numbers are store index + 1.
class GrowingTableWindow : public ToolWindow {
    Q_OBJECT
public:
    // Shows the table from record number `n` (0 = the first); from the first it also refills the
    // jump list.
    void PrepareFromData(int n);

    // Store index of the first row shown and of the next row to add at the bottom.
    int ShownFirst() const { return table_->ShownFirst(); }
    int ShownNext() const { return table_->ShownNext(); }
    QTimer* AutoUpdateTMR() const { return autoUpdateTmr_; }

public slots:
    void FormShow() override;
    void FormHide() override;
    void SkocitBTClick();
    void LoadFromCBChange();
    void AutoUpdateTMRTimer();

protected:
    GrowingTableWindow(Session& session, QWidget* parent);
    ~GrowingTableWindow() override;

    struct Widgets {
        QScrollArea* scrollBox;
        std::vector<QLabel*> columns;
        QWidget* titleRow;
        std::vector<QWidget*> titles;
        QComboBox* LoadFromCB;
        QPushButton* SkocitBT;
        QPushButton* Button1;
    };
    // Called once by the window after its layout is set up.
    void SetUpTable(const Widgets& widgets);

    void ClearTable();
    // Number of records in the list shown.
    virtual int RecordCount() const = 0;
    // The column texts of the record at store index `index`.
    virtual QStringList RowTexts(int index) const = 0;

private:
    std::unique_ptr<GrowingTable> table_;
    QComboBox* loadFromCB_ = nullptr;
    QTimer* autoUpdateTmr_;
};

}  // namespace kolmaris
