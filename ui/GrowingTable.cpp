// SPDX-License-Identifier: GPL-3.0-or-later
#include "GrowingTable.h"

#include "DecimalInput.h"

#include <QComboBox>
#include <QEvent>
#include <QLayout>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>

#include <algorithm>

namespace kolmaris {
namespace {

constexpr int kMaxFirstRows = 102;
constexpr int kBottomPercent = 95;
constexpr int kTopStepPixels = 10;
constexpr int kAutoUpdateMs = 100;

}  // namespace

TableColumnLabel::TableColumnLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void TableColumnLabel::AddLine(const QString& line, bool atBottom)
{
    Measure();
    QString grown = text();
    if (line.contains(u'\n') || (atBottom && !grown.isEmpty() && !grown.endsWith(u'\n'))) {
        setText(atBottom ? grown + line + u'\n' : line + u'\n' + grown);
        return;
    }
    // Let go of every other reference to the text so that it grows without a copy.
    measured_.clear();
    setText(QString());
    if (atBottom) {
        lineStarts_.push_back(grown.size() - startShift_);
        grown.append(line).append(u'\n');
    } else {
        startShift_ += line.size() + 1;
        lineStarts_.push_front(-startShift_);
        grown.prepend(u'\n').prepend(line);
    }
    widest_ = std::max(widest_, fontMetrics().horizontalAdvance(line));
    setText(grown);
    measured_ = grown;
}

int TableColumnLabel::LineCount() const
{
    Measure();
    return static_cast<int>(lineStarts_.size());
}

QSize TableColumnLabel::sizeHint() const
{
    const int lines = LineCount();  // measures first
    const int twoMargins = 2 * margin();
    return QSize(widest_ + twoMargins, lines * fontMetrics().lineSpacing() + twoMargins).grownBy(contentsMargins());
}

QSize TableColumnLabel::minimumSizeHint() const
{
    return sizeHint();
}

void TableColumnLabel::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    drawFrame(&painter);
    const int count = LineCount();
    const int step = fontMetrics().lineSpacing();
    if (count == 0 || step <= 0)
        return;
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    const QRect dirty = event->rect();
    const int first = std::max(0, (dirty.top() - area.top()) / step);
    const int last = std::min(count - 1, (dirty.bottom() - area.top()) / step);
    const Qt::Alignment align = (alignment() & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter;
    for (int line = first; line <= last; ++line) {
        const QRect box(area.left(), area.top() + line * step, area.width(), step);
        style()->drawItemText(&painter, box, static_cast<int>(align), palette(), isEnabled(), Line(line).toString(),
                              foregroundRole());
    }
}

void TableColumnLabel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange) {
        measured_.clear();
        lineStarts_.clear();
        startShift_ = 0;
        widest_ = 0;
    }
    QLabel::changeEvent(event);
}

void TableColumnLabel::Measure() const
{
    const QString current = text();
    if (current.size() == measured_.size() && (current.constData() == measured_.constData() || current == measured_))
        return;

    // The part to measure: all of it, or only a head or tail added to the measured text.
    qsizetype from = 0;
    qsizetype to = current.size();
    bool grown = false;
    if (!measured_.isEmpty() && current.size() > measured_.size()) {
        if (current.startsWith(measured_)) {
            from = measured_.size();
            grown = true;
        } else if (current.endsWith(measured_)) {
            to = current.size() - measured_.size();
            grown = true;
        }
    }

    const qsizetype size = current.size();
    // A line starts at the text's start and after every '\n' that is not the last character.
    auto startsLine = [&](qsizetype i) { return i == 0 ? size > 0 : current[i - 1] == u'\n'; };
    if (grown && from > 0) {
        // Tail added: the old starts stay, new ones follow.
        for (qsizetype i = from; i < size; ++i) {
            if (startsLine(i))
                lineStarts_.push_back(i - startShift_);
        }
    } else if (grown) {
        // Head added: the old starts move by its length, and the old first line joins the head's
        // last one unless the head ends a line; the head's starts go before them.
        startShift_ += to;
        if (!lineStarts_.empty() && current[to - 1] != u'\n')
            lineStarts_.pop_front();
        for (qsizetype i = to - 1; i >= 0; --i) {
            if (startsLine(i))
                lineStarts_.push_front(i - startShift_);
        }
    } else {
        lineStarts_.clear();
        startShift_ = 0;
        for (qsizetype i = 0; i < size; ++i) {
            if (startsLine(i))
                lineStarts_.push_back(i);
        }
        widest_ = 0;
    }
    measured_ = current;

    // Lines touching [from, to]: the new ones and the one a head or tail joined.
    const int firstLine = std::max(0, LineAt(std::max<qsizetype>(from - 1, 0)));
    const int lastLine = LineAt(std::min(to, size - 1));
    const QFontMetrics metrics = fontMetrics();
    for (int line = firstLine; line <= lastLine; ++line)
        widest_ = std::max(widest_, metrics.horizontalAdvance(Line(line).toString()));
}

int TableColumnLabel::LineAt(qsizetype position) const
{
    const auto after = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), position - startShift_);
    return static_cast<int>(after - lineStarts_.begin()) - 1;
}

QStringView TableColumnLabel::Line(int line) const
{
    const QStringView text(measured_);  // reads without detaching the text shared with the label
    const qsizetype start = LineStart(line);
    qsizetype end = static_cast<std::size_t>(line) + 1 < lineStarts_.size() ? LineStart(line + 1) - 1 : text.size();
    if (end > start && text[end - 1] == u'\n')
        --end;
    return text.mid(start, end - start);
}

GrowingTable::GrowingTable(QScrollArea* scrollBox, std::vector<QLabel*> columns)
    : scrollBox_(scrollBox), columns_(std::move(columns))
{
}

void GrowingTable::SetTitles(QWidget* titleRow, std::vector<QWidget*> titles)
{
    titles_ = std::move(titles);
    QLayout* rowLayout = titleRow->layout();
    const QWidget* columnBox = columns_.empty() ? nullptr : columns_.front()->parentWidget();
    if (rowLayout != nullptr && columnBox != nullptr && columnBox->layout() != nullptr) {
        const QLayout* columnLayout = columnBox->layout();
        const QMargins inside = columnLayout->contentsMargins();
        const QMargins row = rowLayout->contentsMargins();
        // The titles stop where the box's scroll bar begins, and keep the box wide enough for all
        // the columns, since they do not scroll sideways with them.
        const int frame = scrollBox_->frameWidth();
        const int bar = scrollBox_->verticalScrollBar()->sizeHint().width();
        rowLayout->setContentsMargins(frame + inside.left(), row.top(), frame + inside.right() + bar, row.bottom());
        rowLayout->setSpacing(columnLayout->spacing());
    }
    AlignTitles();
}

void GrowingTable::Clear()
{
    for (QLabel* column : columns_)
        column->clear();
    shownFirst_ = shownNext_ = 0;
    AlignTitles();
}

void GrowingTable::ShowFrom(int first, int count, const RowText& row)
{
    Clear();
    shownFirst_ = shownNext_ = std::max(first, 0);
    while (shownNext_ < count && shownNext_ < shownFirst_ + kMaxFirstRows)
        AddRow(row(shownNext_++), true);
    scrollBox_->verticalScrollBar()->setValue(0);
    AlignTitles();
}

void GrowingTable::PrepareFromNumber(int number, int count, const RowText& row, QComboBox& jumpList)
{
    const int first = number > 0 ? number - 1 : 0;
    ShowFrom(first, count, row);
    if (first != 0)
        return;
    const QSignalBlocker quiet(jumpList);
    jumpList.clear();
    jumpList.addItems(JumpTargets(count));
    jumpList.setCurrentIndex(0);
}

void GrowingTable::AutoUpdate(int count, const RowText& row)
{
    // A table that fits its box has no scroll range: it grows at the bottom first, then at the top.
    const bool fits = scrollBox_->verticalScrollBar()->maximum() <= scrollBox_->verticalScrollBar()->minimum();
    const int percent = fits ? 0 : ScrollPercent();
    if ((percent > kBottomPercent || fits) && shownNext_ < count) {
        AddRow(row(shownNext_++), true);
    } else if (percent == 0 && shownFirst_ >= 1) {
        AddRow(row(--shownFirst_), false);
        QScrollBar* bar = scrollBox_->verticalScrollBar();
        bar->setValue(bar->value() + kTopStepPixels);
    } else {
        return;
    }
    AlignTitles();
}

QStringList GrowingTable::JumpTargets(int count)
{
    QStringList targets{QStringLiteral("1")};
    for (int n = 100; n < count; n += 100)
        targets << QString::number(n);
    return targets;
}

int GrowingTable::ScrollPercent() const
{
    const QScrollBar* bar = scrollBox_->verticalScrollBar();
    const int range = bar->maximum() - bar->minimum();
    if (range <= 0)
        return 0;
    return static_cast<int>(static_cast<long long>(bar->value() - bar->minimum()) * 100 / range);
}

void GrowingTable::AddRow(const QStringList& values, bool atBottom)
{
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        const QString value = i < static_cast<std::size_t>(values.size()) ? values[static_cast<int>(i)] : QString();
        QLabel* column = columns_[i];
        if (auto* tableColumn = qobject_cast<TableColumnLabel*>(column))
            tableColumn->AddLine(value, atBottom);
        else
            column->setText(atBottom ? column->text() + value + '\n' : value + '\n' + column->text());
    }
}

void GrowingTable::AlignTitles()
{
    const std::size_t n = std::min(titles_.size(), columns_.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int width = std::max(titles_[i]->sizeHint().width(), columns_[i]->sizeHint().width());
        titles_[i]->setFixedWidth(width);
        columns_[i]->setFixedWidth(width);
    }
}

GrowingTableWindow::GrowingTableWindow(Session& session, QWidget* parent)
    : ToolWindow(session, parent), autoUpdateTmr_(new QTimer(this))
{
    SetUpTimer(autoUpdateTmr_, "AutoUpdateTMR", kAutoUpdateMs, &GrowingTableWindow::AutoUpdateTMRTimer);
}

GrowingTableWindow::~GrowingTableWindow() = default;

void GrowingTableWindow::SetUpTable(const Widgets& widgets)
{
    table_ = std::make_unique<GrowingTable>(widgets.scrollBox, widgets.columns);
    table_->SetTitles(widgets.titleRow, widgets.titles);
    loadFromCB_ = widgets.LoadFromCB;
    connect(widgets.SkocitBT, &QPushButton::clicked, this, &GrowingTableWindow::SkocitBTClick);
    connect(widgets.LoadFromCB, &QComboBox::activated, this, &GrowingTableWindow::LoadFromCBChange);
    connect(widgets.Button1, &QPushButton::clicked, this, &QDialog::accept);
}

void GrowingTableWindow::PrepareFromData(int n)
{
    ClearTable();
    table_->PrepareFromNumber(n, RecordCount(), [this](int index) { return RowTexts(index); }, *loadFromCB_);
}

// The table grows only while it is on screen; a hidden one has no scroll position to follow.
void GrowingTableWindow::FormShow()
{
    autoUpdateTmr_->start();
}

void GrowingTableWindow::FormHide()
{
    autoUpdateTmr_->stop();
}

void GrowingTableWindow::SkocitBTClick()
{
    PrepareFromData(ReadDecimal(loadFromCB_->currentText().toStdString()));
}

void GrowingTableWindow::LoadFromCBChange()
{
    PrepareFromData(ReadDecimal(loadFromCB_->currentText().toStdString()));
}

void GrowingTableWindow::AutoUpdateTMRTimer()
{
    table_->AutoUpdate(RecordCount(), [this](int index) { return RowTexts(index); });
}

void GrowingTableWindow::ClearTable()
{
    table_->Clear();
}

}  // namespace kolmaris
