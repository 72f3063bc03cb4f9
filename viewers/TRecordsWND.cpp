// SPDX-License-Identifier: GPL-3.0-or-later
#include "TRecordsWND.h"

#include "CountFormat.h"
#include "ElementStatus.h"
#include "SaveAll.h"
#include "Session.h"
#include "TabFileDialog.h"
#include "TabWriters.h"
#include "TerminalTime.h"
#include "ui_TRecordsWND.h"

#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <array>

namespace kolmaris {

namespace {

constexpr int kRecordsTimerMs = 200;
constexpr int kAutoUpdateMs = 100;
constexpr int kStartStep = 100;  // the first-record list: 1, 100, 200, ... 4000, 4096

const ProbeReadingWindow::AcquisitionStopTexts kAcquisitionStopTexts{
    QStringLiteral("Measurement is required to be interrupted! Continue?"),
    QStringLiteral("Measurement cannot be interrupted!"), MessageIcon::Error};

// Widest text of each column, so that a title stands above its column.
constexpr std::array<const char*, 10> kColumnSamples{
    "4096", "00.00.2000 00:00", "32.77k", "32.77k", "32.77k", "32.77k", "32.77k", "-128", "100", "255"};

QString CountText(const RadonRecord& r, std::span<const uint8_t, 2> bytes)
{
    return QString::fromStdString(FormatCountBE(bytes, r[RadonOffset::Flags], true));
}

}  // namespace

TRecordsWND::TRecordsWND(Session& session, TDataStore& store, QWidget* parent)
    : ProbeReadingWindow(session, parent),
      ui_(std::make_unique<Ui::TRecordsWND>()),
      store_(store),
      RecordsTimer_(new QTimer(this)),
      AutoUpdateTMR_(new QTimer(this))
{
    ui_->setupUi(this);
    const std::vector<QLabel*> columns{ui_->IdLB,    ui_->CasLB,    ui_->RadonLB,  ui_->Suma1LB,    ui_->Suma2LB,
                                       ui_->Suma3LB, ui_->Suma4LB, ui_->TemperLB, ui_->HumidityLB, ui_->VnLB};
    const std::array<QLabel*, 10> titles{ui_->IdTitleLB,    ui_->CasTitleLB,    ui_->RadonTitleLB, ui_->Suma1TitleLB,
                                         ui_->Suma2TitleLB, ui_->Suma3TitleLB, ui_->Suma4TitleLB, ui_->TemperTitleLB,
                                         ui_->HumidityTitleLB, ui_->VnTitleLB};
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const int width = std::max(titles[i]->sizeHint().width(),
                                   columns[i]->fontMetrics().horizontalAdvance(QString::fromLatin1(kColumnSamples[i])));
        titles[i]->setFixedWidth(width + 6);
        columns[i]->setFixedWidth(width + 6);
    }
    ui_->TitleLayout->setContentsMargins(ui_->ScrollBox1->frameWidth() + ui_->ColumnLayout->contentsMargins().left(),
                                         0, 0, 0);
    ui_->TitleLayout->setSpacing(ui_->ColumnLayout->spacing());
    table_ = std::make_unique<GrowingTable>(ui_->ScrollBox1, columns);

    SetUpTimer(RecordsTimer_, "RecordsTimer", kRecordsTimerMs, &TRecordsWND::RecordsTimerTimer);
    SetUpTimer(AutoUpdateTMR_, "AutoUpdateTMR", kAutoUpdateMs, &TRecordsWND::AutoUpdateTMRTimer);
    connect(ui_->LoadRecordsBT, &QPushButton::clicked, this, &TRecordsWND::LoadRecordsBTClick);
    connect(ui_->SaveRecordsBT, &QPushButton::clicked, this, &TRecordsWND::SaveRecordsBTClick);
    connect(ui_->Button1, &QPushButton::clicked, this, &TRecordsWND::Button1Click);
    connect(ui_->MeshAdrCB, &QComboBox::activated, this, &TRecordsWND::MeshAdrCBChange);
    // The lists follow what the user picks or types, not what the window fills in.
    connect(ui_->RecordStartCB, &QComboBox::activated, this, &TRecordsWND::RecordStartCBChange);
    connect(ui_->RecordStartCB->lineEdit(), &QLineEdit::textEdited, this, &TRecordsWND::RecordStartCBChange);
    connect(ui_->RecordStopCB, &QComboBox::activated, this, &TRecordsWND::RecordStopCBChange);
    connect(ui_->RecordStopCB->lineEdit(), &QLineEdit::textEdited, this, &TRecordsWND::RecordStopCBChange);

    reader_.events.acquisitionStopped = [this] { session_.model.AcquisitionRunning = false; };
    reader_.events.readingBegun = [this] { ui_->SaveRecordsBT->setEnabled(false); };
    reader_.events.pointersRead = [this] { ClearRecordsTable(); };
    reader_.events.recordRead = [this](int number, const RadonRecord& record) {
        DrawRecordFromBuff(number - 1, record);
    };
}

TRecordsWND::~TRecordsWND() = default;

QComboBox* TRecordsWND::MeshAdrCB() const
{
    return ui_->MeshAdrCB;
}

void TRecordsWND::PrepareFromDetector()
{
    // What the data face showed is not a probe reading: nothing to save until one is made.
    if (fromData_)
        ui_->SaveRecordsBT->setEnabled(false);
    fromData_ = false;
    ChangeFace();
}

void TRecordsWND::PrepareFromData(int meshAddress, int firstIndex)
{
    fromData_ = true;
    meshAddress_ = meshAddress;
    ChangeFace();
    ClearRecordsTable();
    const int count = store_.RadonRecordCount(meshAddress - 1);
    table_->ShowFrom(firstIndex, count, [this](int index) { return StoreRow(index); });
    if (firstIndex == 0)
        FillList(*ui_->RecordStopCB, GrowingTable::JumpTargets(count));
    ui_->SaveRecordsBT->setEnabled(true);
}

void TRecordsWND::ChangeFace()
{
    ui_->RecordStartLB->setVisible(!fromData_);
    ui_->RecordStartCB->setVisible(!fromData_);
    if (fromData_) {
        ui_->ZahlaviGB->setTitle(QString());
        ui_->RecordStopLB->setText(QStringLiteral("Find record No:"));
        ui_->LoadRecordsBT->setText(QStringLiteral("Find"));
        return;
    }
    ui_->ZahlaviGB->setTitle(QStringLiteral(" Data read "));
    ui_->RecordStopLB->setText(QStringLiteral("to:"));
    ui_->LoadRecordsBT->setText(RecordsTimer_->isActive() ? QStringLiteral("Stop") : QStringLiteral("Read"));
    RecordStartCBChange();
}

void TRecordsWND::FormShow()
{
    ui_->TextLB->clear();
    QStringList starts{QStringLiteral("1")};
    for (int n = kStartStep; n <= 4000; n += kStartStep)
        starts << QString::number(n);
    starts << QString::number(kProbeRecordRing);
    ui_->RecordStartCB->setCurrentIndex(0);
    ui_->RecordStopCB->setCurrentIndex(0);
    FillList(*ui_->RecordStartCB, starts);
    AutoUpdateTMR_->start();
    if (fromData_)
        return;
    BuildMeshAdrCB(*ui_->MeshAdrCB, {FunctionSource::ElementKind, kFunctionProbe}, QStringLiteral("No radon probes bonded."));
}

void TRecordsWND::FormHide()
{
    RecordsTimer_->stop();
    AutoUpdateTMR_->stop();
    reader_.Stop();
    ui_->LoadRecordsBT->setText(fromData_ ? QStringLiteral("Find") : QStringLiteral("Read"));
}

void TRecordsWND::RecordStartCBChange()
{
    const int s = std::max(ComboNumber(*ui_->RecordStartCB) - 1, 0);
    QStringList stops;
    int last = 0;
    for (int n = s + 1; n <= kProbeRecordRing; n += kStartStep)
        stops << QString::number(last = n);
    if (last != kProbeRecordRing)
        stops << QString::number(kProbeRecordRing);
    FillList(*ui_->RecordStopCB, stops);
}

void TRecordsWND::RecordStopCBChange()
{
    if (fromData_)
        LoadRecordsBTClick();
}

void TRecordsWND::MeshAdrCBChange()
{
    if (!fromData_)
        return;
    const int n = ComboNumber(*ui_->MeshAdrCB);
    if (n != 0 && store_.RadonRecordCount(n - 1) > 0)
        PrepareFromData(n, 0);
}

void TRecordsWND::LoadRecordsBTClick()
{
    if (fromData_) {
        const int n = ComboNumber(*ui_->RecordStopCB);
        PrepareFromData(meshAddress_, n > 0 ? n - 1 : 0);
        return;
    }
    if (RecordsTimer_->isActive()) {
        ui_->LoadRecordsBT->setText(QStringLiteral("Read"));
        RecordsTimer_->stop();
        reader_.Stop();
        ui_->TextLB->setText(QStringLiteral("Reading interrupted..."));
        ui_->SaveRecordsBT->setEnabled(true);
        return;
    }
    StartReading();
}

void TRecordsWND::StartReading()
{
    const int address = ComboNumber(*ui_->MeshAdrCB);
    if (!StartProbeReading(reader_, address, ComboNumber(*ui_->RecordStartCB), ComboNumber(*ui_->RecordStopCB),
                           kAcquisitionStopTexts))
        return;
    meshAddress_ = address;
    ui_->LoadRecordsBT->setText(QStringLiteral("Stop"));
    RecordsTimer_->start();
}

void TRecordsWND::RecordsTimerTimer()
{
    if (!TickProbeReading(reader_, store_, *ui_->TextLB))
        EndReading();
}

void TRecordsWND::EndReading()
{
    RecordsTimer_->stop();
    ui_->LoadRecordsBT->setText(QStringLiteral("Read"));
    if (ReadingFailed(reader_)) {
        if (reader_.RecordsRead() > 0)
            ui_->SaveRecordsBT->setEnabled(true);
        return;
    }
    ui_->SaveRecordsBT->setEnabled(true);
    ShowWarnings(reader_);
}

void TRecordsWND::SaveRecordsBTClick()
{
    if (meshAddress_ == 0)
        return;
    const int slot = meshAddress_ - 1;
    const int offset = fromData_ ? 0 : reader_.First() - 1;
    SaveTabFile(
        session_.dialogs, this,
        [&](std::ostream& out, bool append) { WriteRadonFile(out, append, store_, slot, offset); },
        QStringLiteral("tab"), QString::fromStdString(RadonFileName(slot)));
}

void TRecordsWND::AutoUpdateTMRTimer()
{
    if (!fromData_)
        return;
    table_->AutoUpdate(store_.RadonRecordCount(meshAddress_ - 1), [this](int index) { return StoreRow(index); });
}

void TRecordsWND::Button1Click()
{
    ClearRecordsTable();
    accept();
}

void TRecordsWND::ClearRecordsTable()
{
    table_->Clear();
}

void TRecordsWND::DrawRecordFromBuff(int index, const RadonRecord& record)
{
    const std::array<QLabel*, 10> columns{ui_->IdLB,    ui_->CasLB,    ui_->RadonLB,  ui_->Suma1LB,    ui_->Suma2LB,
                                          ui_->Suma3LB, ui_->Suma4LB, ui_->TemperLB, ui_->HumidityLB, ui_->VnLB};
    const QStringList values = RowText(index, record);
    for (std::size_t i = 0; i < columns.size(); ++i)
        columns[i]->setText(columns[i]->text() + values[static_cast<int>(i)] + '\n');
}

QStringList TRecordsWND::StoreRow(int index) const
{
    RadonRecord record{};
    store_.GetRadonRecord(meshAddress_ - 1, index, record);
    return RowText(index, record);
}

QStringList TRecordsWND::RowText(int index, const RadonRecord& r) const
{
    return {QString::number(index + 1),
            QString::fromStdString(FormatTimeBE(Bytes4At<RadonOffset::Time>(r), true, false)),
            CountText(r, Bytes2At<RadonOffset::Radon>(r)),
            CountText(r, Bytes2At<RadonOffset::Sum1>(r)),
            CountText(r, Bytes2At<RadonOffset::Sum2>(r)),
            CountText(r, Bytes2At<RadonOffset::Sum3>(r)),
            CountText(r, Bytes2At<RadonOffset::Sum4>(r)),
            QString::number(static_cast<int8_t>(r[RadonOffset::Temperature])),
            QString::number(r[RadonOffset::Flags] & kHumidityMask),
            QString::number(r[RadonOffset::HV])};
}

}  // namespace kolmaris
