// SPDX-License-Identifier: GPL-3.0-or-later
#include "TRadonSpectWND.h"

#include "AcquisitionStop.h"
#include "ElementStatus.h"
#include "SaveAll.h"
#include "Session.h"
#include "TabFileDialog.h"
#include "TabWriters.h"
#include "TerminalTime.h"
#include "ui_TRadonSpectWND.h"

#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>

#include <algorithm>

namespace kolmaris {

namespace {

constexpr int kSpectrumTimerMs = 200;
constexpr int kBufferStep = 10;  // the buffer lists: 1, 10, 20, ... 510, 512
constexpr int kMinimumScale = 20;
constexpr int kAxisWidth = 2;
constexpr int kBarOffset = 3;
constexpr int kBarWidth = 4;

const ProbeReadingWindow::AcquisitionStopTexts kAcquisitionStopTexts{kStopQuestionText, kCannotStopText,
                                                                     MessageIcon::Information};

// The rectangle from (x1, y1) up to, not including, (x2, y2).
QRect Span(int x1, int y1, int x2, int y2)
{
    return {x1, y1, x2 - x1, y2 - y1};
}

}  // namespace

int GraphScale(const SpectrumChannels& counts)
{
    int scale = kMinimumScale;
    for (const uint8_t c : counts)
        if (c >= scale)
            scale = c + 1;
    return scale;
}

void DrawSpectrumGraph(QPainter& painter, int left, int top, int right, int bottom, const SpectrumChannels& counts)
{
    painter.fillRect(Span(left, top, right + 1, bottom + 1), Qt::white);
    painter.fillRect(Span(left, top, left + kAxisWidth, bottom), Qt::black);
    painter.fillRect(Span(left, bottom - kAxisWidth, right, bottom), Qt::black);
    const int scale = GraphScale(counts);
    const double width = right - left - kBarOffset;
    const double height = bottom - top - kBarOffset;
    for (std::size_t i = 0; i < counts.size(); ++i) {
        if (counts[i] == 0)
            continue;
        const int x = static_cast<int>(static_cast<double>(i) * width / kSpectrumChannels + kBarOffset);
        const int h = static_cast<int>(height / scale * counts[i]);
        painter.fillRect(Span(left + x, bottom - kBarOffset - h, left + x + kBarWidth, bottom - kBarOffset), Qt::blue);
    }
}

TRadonSpectWND::TRadonSpectWND(Session& session, TDataStore& store, QWidget* parent)
    : ProbeReadingWindow(session, parent),
      ui_(std::make_unique<Ui::TRadonSpectWND>()),
      store_(store),
      SpectrumTimer_(new QTimer(this))
{
    ui_->setupUi(this);
    ui_->GrafPN->installEventFilter(this);
    SetUpTimer(SpectrumTimer_, "SpectrumTimer", kSpectrumTimerMs, &TRadonSpectWND::SpectrumTimerTimer);
    connect(ui_->LoadSpectBT, &QPushButton::clicked, this, &TRadonSpectWND::LoadSpectBTClick);
    connect(ui_->SaveSpectBT, &QPushButton::clicked, this, &TRadonSpectWND::SaveSpectBTClick);
    connect(ui_->Button1, &QPushButton::clicked, this, &TRadonSpectWND::Button1Click);
    connect(ui_->ChooseRecordCB, &QComboBox::activated, this, &TRadonSpectWND::ChooseRecordCBChange);
    connect(ui_->MeshAdrEeprCB, &QComboBox::activated, this, &TRadonSpectWND::MeshAdrEeprCBChange);
    // The last-buffer list follows what the user picks or types, not what the window fills in.
    connect(ui_->SpectRecordStartCB, &QComboBox::activated, this, &TRadonSpectWND::SpectRecordStartCBChange);
    connect(ui_->SpectRecordStartCB->lineEdit(), &QLineEdit::textEdited, this,
            &TRadonSpectWND::SpectRecordStartCBChange);

    reader_.events.acquisitionStopped = [this] { session_.model.AcquisitionRunning = false; };
    reader_.events.readingBegun = [this] { fromData_ = false; };
    ChangeFace();
}

TRadonSpectWND::~TRadonSpectWND() = default;

QComboBox* TRadonSpectWND::MeshAdrCB() const
{
    return ui_->MeshAdrCB;
}

QComboBox* TRadonSpectWND::MeshAdrEeprCB() const
{
    return ui_->MeshAdrEeprCB;
}

void TRadonSpectWND::ChangeFace()
{
    ui_->StahovaniGB->setVisible(!fromData_);
    ui_->ZahlaviGB->setVisible(fromData_);
}

void TRadonSpectWND::PrepareFromDetector()
{
    if (fromData_) {
        FillList(*ui_->ChooseRecordCB, {});
        ui_->Data1LB->clear();
        ui_->Data2LB->clear();
        ui_->Data3LB->clear();
        // What the data face showed is not a probe reading: nothing to save until one is made.
        ui_->SaveSpectBT->setEnabled(false);
    }
    fromData_ = false;
    ChangeFace();
}

void TRadonSpectWND::PrepareFromData(int meshAddress)
{
    fromData_ = true;
    meshAddress_ = meshAddress;
    const int slot = meshAddress - 1;
    QStringList times;
    for (int i = 0; i < store_.SpectrumCount(slot); ++i)
        times << QString::fromStdString(FormatTime(store_.GetSpectrumTime(slot, i), true, false));
    FillList(*ui_->ChooseRecordCB, times);
    ChooseRecordCBChange();
    ui_->SaveSpectBT->setEnabled(true);
    ChangeFace();
}

void TRadonSpectWND::FormShow()
{
    ui_->TextLB->clear();
    QStringList buffers{QStringLiteral("1")};
    for (int n = kBufferStep; n <= 510; n += kBufferStep)
        buffers << QString::number(n);
    buffers << QString::number(kProbeSpectrumRing);
    ui_->SpectRecordStartCB->setCurrentIndex(0);
    ui_->SpectRecordStopCB->setCurrentIndex(0);
    FillList(*ui_->SpectRecordStartCB, buffers);
    FillList(*ui_->SpectRecordStopCB, buffers);
    if (fromData_)
        return;
    BuildMeshAdrCB(*ui_->MeshAdrCB, {FunctionSource::ElementKind, kFunctionProbe},
                   QStringLiteral("No radon probes bonded."));
}

void TRadonSpectWND::FormHide()
{
    SpectrumTimer_->stop();
    reader_.Stop();
    ui_->LoadSpectBT->setText(QStringLiteral("Read"));
}

void TRadonSpectWND::SpectRecordStartCBChange()
{
    const int s = std::max(ComboNumber(*ui_->SpectRecordStartCB) - 1, 0);
    QStringList stops;
    int last = 0;
    for (int n = s + 1; n <= kProbeSpectrumRing; n += kBufferStep)
        stops << QString::number(last = n);
    if (last != kProbeSpectrumRing)
        stops << QString::number(kProbeSpectrumRing);
    FillList(*ui_->SpectRecordStopCB, stops);
}

void TRadonSpectWND::LoadSpectBTClick()
{
    if (SpectrumTimer_->isActive()) {
        ui_->LoadSpectBT->setText(QStringLiteral("Read"));
        SpectrumTimer_->stop();
        reader_.Stop();
        ui_->TextLB->setText(QStringLiteral("Reading interrupted..."));
        return;
    }
    StartReading();
}

void TRadonSpectWND::StartReading()
{
    const int address = ComboNumber(*ui_->MeshAdrCB);
    if (!StartProbeReading(reader_, address, ComboNumber(*ui_->SpectRecordStartCB),
                           ComboNumber(*ui_->SpectRecordStopCB), kAcquisitionStopTexts))
        return;
    meshAddress_ = address;
    ui_->LoadSpectBT->setText(QStringLiteral("Stop"));
    SpectrumTimer_->start();
}

void TRadonSpectWND::SpectrumTimerTimer()
{
    if (!TickProbeReading(reader_, store_, *ui_->TextLB))
        EndReading();
}

void TRadonSpectWND::EndReading()
{
    SpectrumTimer_->stop();
    ui_->LoadSpectBT->setText(QStringLiteral("Read"));
    if (ReadingFailed(reader_)) {
        FillList(*ui_->ChooseRecordCB, {});
        return;
    }
    // Item i is store index i: the slot's spectra were cleared and added newest first.
    QStringList buffers;
    for (int i = 0; i < reader_.SpectraRead(); ++i)
        buffers << QString::number(reader_.First() + i);
    FillList(*ui_->ChooseRecordCB, buffers);
    if (!buffers.isEmpty())
        ChooseRecordCBChange();
    ui_->SaveSpectBT->setEnabled(true);
    ShowWarnings(reader_);
}

void TRadonSpectWND::ChooseRecordCBChange()
{
    const int index = ui_->ChooseRecordCB->currentIndex();
    if (store_.GetSpectrumChannels(meshAddress_ - 1, index, graph_) != kStoreDone) {
        Message(QStringLiteral("Error!"), QStringLiteral("No data to display!"), MessageButtons::Ok,
                MessageIcon::Error);
        return;
    }
    QString columns[3];
    for (int k = 0; k < 32; ++k)
        for (int c = 0; c < 3; ++c)
            columns[c] += QString::asprintf("[%02d]: %d\n", k + 1 + 32 * c, graph_[static_cast<std::size_t>(k + 32 * c)]);
    ui_->Data1LB->setText(columns[0]);
    ui_->Data2LB->setText(columns[1]);
    ui_->Data3LB->setText(columns[2]);
    UduGraf();
}

void TRadonSpectWND::MeshAdrEeprCBChange()
{
    const int n = ComboNumber(*ui_->MeshAdrEeprCB);
    if (n != 0 && store_.SpectrumCount(n - 1) > 0)
        PrepareFromData(n);
}

void TRadonSpectWND::SaveSpectBTClick()
{
    const int slot = meshAddress_ - 1;
    const int firstBlock = fromData_ ? 0 : reader_.First();
    SaveTabFile(
        session_.dialogs, this,
        [&](std::ostream& out, bool append) { WriteSpectrumFile(out, append, store_, slot, firstBlock); },
        QStringLiteral("tab"), QString::fromStdString(SpectrumFileName(slot)));
}

void TRadonSpectWND::Button1Click()
{
    graph_.fill(0);
    accept();
}

void TRadonSpectWND::UduGraf()
{
    ui_->GrafPN->update();
}

bool TRadonSpectWND::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui_->GrafPN && event->type() == QEvent::Paint) {
        QPainter painter(ui_->GrafPN);
        DrawSpectrumGraph(painter, 0, 0, ui_->GrafPN->width() - 1, ui_->GrafPN->height() - 1, graph_);
        return true;
    }
    return ToolWindow::eventFilter(watched, event);
}

}  // namespace kolmaris
