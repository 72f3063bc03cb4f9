// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's panels: pictures, colours, the probe and actuator panels and the layout.

#include "TMainWND.h"

#include "ui_TMainWND.h"

#include "CountFormat.h"
#include "Session.h"

#include <QIcon>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <initializer_list>

namespace kolmaris {

namespace {

constexpr int kPanelGap = 6;
constexpr int kMinPanelWidth = 460;
constexpr int kPictureSize = 32;
constexpr int kErrorsPanelHeight = 200;
const QColor kLightRed(255, 144, 144);
const QColor kAlarmText(160, 0, 0);

void SetBackground(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
}

// Light red behind a label that signals a low value or an alarm; otherwise the face shows through.
void MarkLightRed(QWidget* widget, bool on)
{
    widget->setAutoFillBackground(on);
    if (on)
        SetBackground(widget, kLightRed);
}

void SetTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

// An SVG picture at the label's device pixel ratio; `opacity` below 1 gives the idle look.
void ShowPicture(QLabel* label, const char* resource, qreal opacity = 1.0)
{
    const qreal ratio = label->devicePixelRatioF();
    QPixmap pixmap(QSize(kPictureSize, kPictureSize) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setOpacity(opacity);
    painter.drawPixmap(0, 0, QIcon(resource).pixmap(QSize(kPictureSize, kPictureSize), ratio));
    painter.end();
    label->setPixmap(pixmap);
}

// Keeps a place in the layout while hidden, so nothing moves when it comes and goes.
void KeepPlace(QWidget* widget)
{
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

// A slot of the element table for a selector entry (addresses 1 to 16), or none.
const ElementStatus* SelectedSlot(const Session& session, const QComboBox* selector)
{
    bool ok = false;
    const int address = selector->currentText().toInt(&ok);
    if (!ok || address < 1 || address >= kTableSlots)
        return nullptr;
    return &session.model.ElementTable[address].status;
}

bool ValidData(const ElementStatus& status)
{
    return status.voltage >= kMinValidVoltage;
}

QString RadonText(uint32_t value, bool largeValues)
{
    if (largeValues)
        return QString::asprintf(" %s", FormatEngineering(value).c_str());
    return QString::asprintf(" %lu", static_cast<unsigned long>(value));
}

}  // namespace

void TMainWND::SetUpLook()
{
    for (QWidget* w : std::initializer_list<QWidget*>{ui_->FanIM, ui_->MeasIM, ui_->MeasureSymbolLB, ui_->ChargeIM,
                                                      ui_->ExtFanIM, ui_->FanErrorLB, ui_->RadonErrorLB,
                                                      ui_->MainVoltageLB})
        KeepPlace(w);

    // Battery outline: body and terminal cap in the text colour, the bar inside.
    ui_->Shape2->setAutoFillBackground(true);
    SetBackground(ui_->Shape2, palette().color(QPalette::WindowText));
    ui_->MainVoltageSH->setAutoFillBackground(true);

    MarkLightRed(ui_->FanErrorLB, true);
    SetTextColour(ui_->FanErrorLB, kAlarmText);
    MarkLightRed(ui_->RadonErrorLB, true);
    SetTextColour(ui_->RadonErrorLB, kAlarmText);
    SetTextColour(ui_->ShowErrorsLB, QColor(0, 0, 255));

    for (QWidget* w : std::initializer_list<QWidget*>{ui_->FanIM, ui_->MeasIM, ui_->MeasureSymbolLB, ui_->ChargeIM,
                                                      ui_->ExtFanIM, ui_->FanErrorLB, ui_->RadonErrorLB,
                                                      ui_->MainVoltageSH, ui_->MainVoltageLB, ui_->FanPanelGB,
                                                      ui_->VysledkyGB, ui_->ShowErrorsLB, ui_->ErrorsPN,
                                                      ui_->FinishMeasurePN})
        w->hide();
    RenderPictures();
}

void TMainWND::RenderPictures()
{
    ShowPicture(ui_->Image1, ":/pictures/fan.svg", 0.22);
    ShowPicture(ui_->FanIM, ":/pictures/fan.svg");
    ShowPicture(ui_->Image2, ":/pictures/measuring.svg", 0.22);
    ShowPicture(ui_->MeasIM, ":/pictures/measuring.svg");
    ShowPicture(ui_->ChargeIM, ":/pictures/charger.svg");
    ShowPicture(ui_->ExtFanIM, ":/pictures/fan.svg");
    if (QWindow* window = windowHandle())
        connect(window, &QWindow::screenChanged, this, &TMainWND::RenderPictures, Qt::UniqueConnection);
}

void TMainWND::ShowStale(bool stale)
{
    if (stale == stale_)
        return;
    stale_ = stale;
    for (QWidget* panel : std::initializer_list<QWidget*>{ui_->TmrPanelGB, ui_->FanPanelGB, ui_->VysledkyGB})
        panel->setEnabled(!stale);
}

void TMainWND::CidlaCBChange()
{
    const ElementStatus* slot = SelectedSlot(session_, ui_->CidlaCB);
    ui_->VysledkyGB->setVisible(slot != nullptr);
    if (!slot)
        return;
    const bool valid = ValidData(*slot);
    const QString none("...");
    ui_->FailCountLB->setText(valid ? QString::asprintf("Failures count: %u", unsigned(FailedContacts(slot->kind)))
                                    : none);
    ui_->DataVoltageLB->setText(valid ? QString::asprintf("%0.02f V", double(slot->voltage)) : none);
    MarkLightRed(ui_->VoltageLB, valid && slot->voltage < kElementLowVoltage);
    ui_->DataVnLB->setText(valid ? QString::asprintf("%d", int(slot->hvCheck)) : none);
    ui_->RadonLB->setText(valid ? RadonText(slot->radon, slot->largeValues != 0) : none);
    ui_->RadonLongLB->setText(valid ? RadonText(slot->radonLongTerm, slot->largeValues != 0) : none);
    ui_->DataTemperLB->setText(valid ? QString::asprintf("%d °C", int(slot->temperature)) : none);
    ui_->DataHumidityLB->setText(valid ? QString::asprintf("%d %%", int(slot->humidity)) : none);
    // Out of range, the alarm takes the place of the failure count.
    const bool outOfRange = FailedContacts(slot->kind) == kOutOfRangeContacts;
    ui_->FailCountLB->setVisible(!outOfRange);
    ui_->RadonErrorLB->setText(outOfRange ? "Out of RF range!" : "");
    ui_->RadonErrorLB->setVisible(outOfRange);
}

void TMainWND::FansCBChange()
{
    const ElementStatus* slot = SelectedSlot(session_, ui_->FansCB);
    ui_->FanPanelGB->setVisible(slot != nullptr);
    if (!slot)
        return;
    const bool valid = ValidData(*slot);
    const uint8_t flags = slot->statusFlags;
    static const char* const kModes[] = {"Off", "On", "Auto", "Auto"};
    ui_->ExtFanModeLB->setText(flags == kUnknown || !valid ? "Unknown" : kModes[flags & 0x03]);
    ui_->ExtFanIM->setVisible(valid && (flags & kFlagRelayOn) != 0);
    QString error;
    if (valid && (flags & kFlagRelayFailure) != 0)
        error = "Relay failure!";
    if (FailedContacts(slot->kind) == kOutOfRangeContacts)
        error = "Out of RF range!";
    ui_->FanErrorLB->setText(error);
    ui_->FanErrorLB->setVisible(!error.isEmpty());
    ui_->FanVoltageLB->setText(valid ? QString::asprintf("Voltage: %0.02f V", double(slot->voltage)) : "...");
    MarkLightRed(ui_->FanVoltageLB, valid && slot->voltage < kElementLowVoltage);
}

void TMainWND::ManagePanels()
{
    QGroupBox* const panels[] = {ui_->TmrPanelGB, ui_->FanPanelGB, ui_->VysledkyGB};
    int width = kMinPanelWidth;
    for (const QGroupBox* panel : panels)
        width = std::max(width, panel->sizeHint().width());

    const int margin = ui_->TmrPanelGB->x();
    int bottom = ui_->TmrPanelGB->y();
    for (QGroupBox* panel : panels) {
        if (panel->isHidden())
            continue;
        if (panel != ui_->TmrPanelGB)
            bottom += kPanelGap;
        panel->setGeometry(margin, bottom, width, panel->sizeHint().height());
        bottom += panel->height();
    }

    const int rowHeight = std::max(ui_->StatusLB->sizeHint().height(), ui_->ShowErrorsLB->sizeHint().height());
    const int linkWidth = ui_->ShowErrorsLB->sizeHint().width();
    const int rowTop = bottom + kPanelGap;
    ui_->StatusLB->setGeometry(margin, rowTop, width - linkWidth - kPanelGap, rowHeight);
    ui_->ShowErrorsLB->setGeometry(margin + width - linkWidth, rowTop, linkWidth, rowHeight);

    const int clientWidth = 2 * margin + width;
    const int clientHeight = rowTop + rowHeight + kPanelGap;
    centralWidget()->setFixedSize(clientWidth, clientHeight);

    const int errorsHeight = std::min(kErrorsPanelHeight, clientHeight - 2 * margin);
    const int overlayWidth = clientWidth - 8 * margin;
    ui_->ErrorsPN->setGeometry(4 * margin, (clientHeight - errorsHeight) / 2, overlayWidth, errorsHeight);
    const int waitHeight = ui_->FinishMeasurePN->sizeHint().height();
    ui_->FinishMeasurePN->setGeometry(4 * margin, (clientHeight - waitHeight) / 2 - 4, overlayWidth, waitHeight);
    ui_->ErrorsPN->raise();
    ui_->FinishMeasurePN->raise();

    setFixedSize(sizeHint());
    // A panel that appears makes the window taller: it stays on its screen all the same.
    if (isVisible()) {
        if (const QScreen* screen = this->screen()) {
            const QRect area = screen->availableGeometry();
            const QRect frame = frameGeometry();
            const int x = std::max(area.left(), std::min(frame.left(), area.right() + 1 - frame.width()));
            const int y = std::max(area.top(), std::min(frame.top(), area.bottom() + 1 - frame.height()));
            if (x != frame.left() || y != frame.top())
                move(x, y);
        }
    }
}

}  // namespace kolmaris
