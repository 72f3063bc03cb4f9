// SPDX-License-Identifier: GPL-3.0-or-later
#include "TSumBondWND.h"

#include "Session.h"
#include "TSetChannelWND.h"
#include "TSetPowerWND.h"
#include "TerminalCommands.h"
#include "ui_TSumBondWND.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <optional>

namespace kolmaris {

namespace {

constexpr int kProcesTimerMs = 200;
constexpr int kSavedTmrMs = 500;
constexpr uint16_t kKindNotRead = 0x8000;
constexpr uint16_t kSelectorBits = 0x0003;
constexpr uint16_t kFunctionBits = 0x0007;
constexpr uint8_t kHighestFunction = 3;
constexpr float kHighestVoltage = 5.0f;
constexpr char kFunctionItems[] = "not assigned\nrepeater\nactuator\nradon probe";
constexpr char kLime[] = "background-color: rgb(0, 255, 0);";

QString Unknown()
{
    return QStringLiteral("...");
}

QString NumberText(uint8_t value)
{
    return value == kUnknown ? Unknown() : QString::number(value);
}

QString VoltageText(float volts)
{
    return volts <= kHighestVoltage ? QString::fromStdString(MeshOverviewReader::VoltageText(volts)) : Unknown();
}

// The number a power or channel button shows; none while it shows "..." or "?".
std::optional<uint8_t> CaptionValue(const QPushButton& button)
{
    bool number = false;
    const uint value = button.text().trimmed().toUInt(&number);
    if (!number || value > 255)
        return std::nullopt;
    return static_cast<uint8_t>(value);
}

template <class T>
T* CopyOf(T* model, QWidget* parent, int dy)
{
    T* copy = new T(parent);
    copy->setGeometry(model->geometry().translated(0, dy));
    return copy;
}

QLabel* CopyLabel(QLabel* model, QWidget* parent, int dy)
{
    QLabel* copy = CopyOf(model, parent, dy);
    copy->setAlignment(model->alignment());
    copy->setText(model->text());
    return copy;
}

}  // namespace

TSumBondWND::TSumBondWND(Session& session, QWidget* parent)
    : ToolWindow(session, parent), ui_(std::make_unique<Ui::TSumBondWND>()), procesTimer_(new QTimer(this)),
      savedTmr_(new QTimer(this))
{
    ui_->setupUi(this);
    KeepEnterHarmless();
    SetUpTimer(procesTimer_, "ProcesTimer", kProcesTimerMs, &TSumBondWND::ProcesTimerTimer);
    SetUpTimer(savedTmr_, "SavedTMR", kSavedTmrMs, &TSumBondWND::SavedTMRTimer);
    connect(ui_->NacistBT, &QPushButton::clicked, this, &TSumBondWND::NacistBTClick);
    connect(ui_->ZavritBT, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->RefreshBT, &QPushButton::clicked, this, &TSumBondWND::RefreshBTClick);
    connect(ui_->PowerBT, &QPushButton::clicked, this, &TSumBondWND::PowerBTClick);
    connect(ui_->ChanBT, &QPushButton::clicked, this, &TSumBondWND::ChanBTClick);
    connect(ui_->RoutingCB, &QComboBox::activated, this, &TSumBondWND::RoutingCBChange);
    ConnectReader();
}

TSumBondWND::~TSumBondWND() = default;

void TSumBondWND::ConnectReader()
{
    reader_.events.progress = [this](const std::string& text) { ui_->TextLB->setText(QString::fromStdString(text)); };
    reader_.events.cell = [this](uint8_t address, OverviewCell cell, const std::string& text) {
        const QString t = QString::fromStdString(text);
        if (cell == OverviewCell::Channel)
            ui_->ChanBT->setText(t);
        else if (cell == OverviewCell::Power)
            PowerButton(address)->setText(t);
        else if (QLabel* label = CellLabel(address, cell))
            label->setText(t);
    };
    reader_.events.function = [this](uint8_t address, uint8_t function) {
        if (QComboBox* selector = FunctionSelector(address))
            selector->setCurrentIndex(function <= kHighestFunction ? function : -1);
    };
    reader_.events.highlight = [this](uint8_t address, bool on) {
        if (QComboBox* selector = FunctionSelector(address))
            selector->setStyleSheet(on ? kLime : "");
    };
    reader_.events.hops = [this](uint8_t hops) {
        ui_->RoutingCB->setCurrentIndex(hops < ui_->RoutingCB->count() ? hops : -1);
    };
}

QPushButton* TSumBondWND::PowerButton(uint8_t address)
{
    for (const Row& row : rows_)
        if (row.address == address)
            return row.power;
    return ui_->PowerBT;
}

QComboBox* TSumBondWND::FunctionSelector(uint8_t address)
{
    for (const Row& row : rows_)
        if (row.address == address)
            return row.function;
    return nullptr;
}

QLabel* TSumBondWND::CellLabel(uint8_t address, OverviewCell cell)
{
    const auto pick = [cell](QLabel* rssi, QLabel* voltage, QLabel* p2p) {
        return cell == OverviewCell::Rssi ? rssi : cell == OverviewCell::Voltage ? voltage : p2p;
    };
    if (address == 0)
        return pick(ui_->RssiLB, ui_->VoltageLB, ui_->Label9);
    for (const Row& row : rows_)
        if (row.address == address)
            return pick(row.rssi, row.voltage, row.p2p);
    return nullptr;
}

void TSumBondWND::FormShow()
{
    ui_->NacistBT->setText(QStringLiteral("Read"));
    ui_->TextLB->setText(QStringLiteral("Ready"));
    ui_->TextLB->setStyleSheet(QString());
    ui_->ZavritBT->setEnabled(true);
    SetChangeControls(true);
    RelayedAnswer map;
    if (!OpeningExchange([](StepLink& link) { return RequestBondingMap(link, Network::Local, 0); }, map))
        return;
    CreateRows(BondedAddresses(map));
    LayOut();
    RefreshBTClick();
}

void TSumBondWND::FormHide()
{
    procesTimer_->stop();
    savedTmr_->stop();
    DestroyRows();
}

void TSumBondWND::CreateRows(const std::vector<uint8_t>& addresses)
{
    DestroyRows();
    QWidget* group = ui_->GroupBox1;
    const int first = ui_->B01LB->y() - ui_->TmrLB->y();
    const int pitch = ui_->B02LB->y() - ui_->B01LB->y();
    const QStringList functions = QString::fromLatin1(kFunctionItems).split('\n');
    for (std::size_t k = 0; k < addresses.size(); ++k) {
        const int dy = first + static_cast<int>(k) * pitch;
        Row row{addresses[k],
                CopyLabel(ui_->TmrLB, group, dy),
                CopyOf(ui_->ModeCB, group, dy),
                CopyOf(ui_->PowerBT, group, dy),
                CopyLabel(ui_->RssiLB, group, dy),
                CopyLabel(ui_->VoltageLB, group, dy),
                CopyLabel(ui_->Label9, group, dy)};
        row.name->setText(QString::asprintf("B%02d:", addresses[k]));
        row.function->addItems(functions);
        row.function->setCurrentIndex(-1);
        row.power->setText(ui_->PowerBT->text());
        connect(row.function, &QComboBox::activated, this, &TSumBondWND::ModeCBChange);
        connect(row.power, &QPushButton::clicked, this, &TSumBondWND::PowerBTClick);
        for (QWidget* w : std::initializer_list<QWidget*>{row.name, row.function, row.power, row.rssi, row.voltage, row.p2p})
            w->show();
        rows_.push_back(row);
    }
}

void TSumBondWND::DestroyRows()
{
    for (const Row& row : rows_) {
        for (QWidget* w : std::initializer_list<QWidget*>{row.name, row.function, row.power, row.rssi, row.voltage, row.p2p})
            delete w;
    }
    rows_.clear();
}

void TSumBondWND::LayOut()
{
    QWidget* group = ui_->GroupBox1;
    const int pitch = ui_->B02LB->y() - ui_->B01LB->y();
    const QLabel* last = rows_.empty() ? ui_->TmrLB : rows_.back().name;
    group->resize(group->width(), last->y() + last->height() + pitch);
    const int margin = group->x();
    const int top = group->y() + group->height() + margin;
    ui_->NacistBT->move(ui_->NacistBT->x(), top);
    ui_->ZavritBT->move(ui_->ZavritBT->x(), top);
    ui_->TextLB->move(ui_->TextLB->x(), top + 2);
    ui_->RefreshBT->move(ui_->RefreshBT->x(), top + 14);
    setFixedSize(width(), top + ui_->NacistBT->height() + margin);
}

void TSumBondWND::SetChangeControls(bool enabled)
{
    for (const Row& row : rows_) {
        row.function->setEnabled(enabled);
        row.power->setEnabled(enabled);
    }
    ui_->PowerBT->setEnabled(enabled);
    ui_->RoutingCB->setEnabled(enabled);
    ui_->ChanBT->setEnabled(enabled);
}

void TSumBondWND::RefreshBTClick()
{
    const auto& table = session_.model.ElementTable;
    for (const Row& row : rows_) {
        const ElementSlot& slot = table[row.address];
        // A function not read yet leaves the selector as it is.
        if (!(slot.status.kind & kKindNotRead))
            row.function->setCurrentIndex(slot.status.kind & kSelectorBits);
        row.power->setText(NumberText(slot.power));
        row.voltage->setText(VoltageText(slot.status.voltage));
        row.p2p->setText(NumberText(slot.p2pAddress));
    }
    ui_->PowerBT->setText(NumberText(table[0].power));
    ui_->ChanBT->setText(NumberText(table[0].channel));
    ui_->VoltageLB->setText(VoltageText(table[0].status.voltage));
}

void TSumBondWND::NacistBTClick()
{
    if (procesTimer_->isActive()) {
        ui_->NacistBT->setText(QStringLiteral("Read"));
        procesTimer_->stop();
        ui_->TextLB->setText(QStringLiteral("Reading interrupted..."));
        ui_->ZavritBT->setEnabled(true);
        SetChangeControls(true);
        for (const Row& row : rows_)
            row.function->setStyleSheet(QString());
        RefreshBTClick();
        return;
    }
    std::vector<uint8_t> addresses;
    for (const Row& row : rows_)
        addresses.push_back(row.address);
    reader_.Start(addresses, session_.settings.attemptCount);
    ui_->NacistBT->setText(QStringLiteral("Stop"));
    ui_->ZavritBT->setEnabled(false);
    SetChangeControls(false);
    procesTimer_->start();
}

void TSumBondWND::ProcesTimerTimer()
{
    switch (reader_.Tick(session_.link, session_.model)) {
        case MeshOverviewReader::TickResult::Running:
            break;
        case MeshOverviewReader::TickResult::Finished:
            Finish();
            break;
        case MeshOverviewReader::TickResult::ProtocolError:
            StepProtocolError(procesTimer_, MessageIcon::Exclamation);
            ui_->NacistBT->setText(QStringLiteral("Read"));
            ui_->ZavritBT->setEnabled(true);
            SetChangeControls(true);
            break;
    }
}

void TSumBondWND::Finish()
{
    procesTimer_->stop();
    ui_->NacistBT->setText(QStringLiteral("Read"));
    ui_->ZavritBT->setEnabled(true);
    SetChangeControls(true);
    RefreshBTClick();
    if (!reader_.ReadFailed()) {
        ui_->TextLB->setText(QStringLiteral("Read successfully"));
        return;
    }
    if (reader_.TerminalSilent()) {
        ui_->TextLB->setText(QStringLiteral("The terminal stopped answering"));
        Message(QStringLiteral("Error!"),
                QStringLiteral("The terminal stopped answering: reading ended. Check its cable and power supply."),
                MessageButtons::Ok, MessageIcon::Error);
        return;
    }
    ui_->TextLB->setText(QStringLiteral("Read with errors"));
    Message(QStringLiteral("Error!"), QStringLiteral("Reading succeeded only partially. Some elements can be out of RF range.."),
            MessageButtons::Ok, MessageIcon::Exclamation);
}

void TSumBondWND::ModeCBChange()
{
    const auto row = std::find_if(rows_.begin(), rows_.end(), [this](const Row& r) { return r.function == sender(); });
    if (row == rows_.end()) {
        Message(QStringLiteral("Error!"), QStringLiteral("Function selection failed!"), MessageButtons::Ok,
                MessageIcon::Error);
        return;
    }
    const int function = std::max(0, row->function->currentIndex());
    if (SetElementFunction(session_.link, row->address, static_cast<uint8_t>(function)) != kOk) {
        Message(QStringLiteral("Error!"), QStringLiteral("Changes writing failed!"), MessageButtons::Ok, MessageIcon::Error);
        return;
    }
    uint16_t& kind = session_.model.ElementTable[row->address].status.kind;
    kind = static_cast<uint16_t>((kind & ~kFunctionBits) | function);
    FlashSaved();
}

void TSumBondWND::RoutingCBChange()
{
    if (WriteCoordinatorRouting(session_.link, static_cast<uint8_t>(std::max(0, ui_->RoutingCB->currentIndex()))) != kOk) {
        Message(QStringLiteral("Error!"), QStringLiteral("Changes writing failed!"), MessageButtons::Ok, MessageIcon::Error);
        return;
    }
    FlashSaved();
}

void TSumBondWND::FlashSaved()
{
    ui_->TextLB->setText(QStringLiteral(" Saved "));
    ui_->TextLB->setStyleSheet(kLime);
    savedTmr_->start();
}

void TSumBondWND::SavedTMRTimer()
{
    ui_->TextLB->clear();
    ui_->TextLB->setStyleSheet(QString());
    savedTmr_->stop();
}

void TSumBondWND::PowerBTClick()
{
    if (!power_)
        return;
    const auto row = std::find_if(rows_.begin(), rows_.end(), [this](const Row& r) { return r.power == sender(); });
    const uint8_t address = row == rows_.end() ? 0 : row->address;
    const QPushButton* button = row == rows_.end() ? ui_->PowerBT : row->power;
    // A value not read opens the window as the menu does.
    if (const auto level = CaptionValue(*button))
        power_->Preset(address, *level);
    openModal(*power_);
    RefreshBTClick();
}

void TSumBondWND::ChanBTClick()
{
    if (!channel_)
        return;
    // A channel not read opens the window as the menu does: not on channel 0.
    if (const auto channel = CaptionValue(*ui_->ChanBT))
        channel_->Preset(kPresetAll, *channel);
    openModal(*channel_);
    RefreshBTClick();
}

}  // namespace kolmaris
