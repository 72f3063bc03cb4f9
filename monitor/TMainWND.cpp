// SPDX-License-Identifier: GPL-3.0-or-later
#include "TMainWND.h"

#include "ui_TMainWND.h"

#include "AcquisitionStop.h"
#include "Pictures.h"
#include "ConfigFile.h"
#include "MenuKeys.h"
#include "Session.h"
#include "TAboutWND.h"
#include "TActivateSensorWND.h"
#include "TConfigureMeasurementWND.h"
#include "TAddBondWND.h"
#include "TDatasWND.h"
#include "TInitSensorWND.h"
#include "TPripojeniWND.h"
#include "TRadonHistoryWND.h"
#include "TRadonSpectWND.h"
#include "TRecordsWND.h"
#include "TSetParamFanWND.h"
#include "TSetParamSensorWND.h"
#include "TRemoveBondWND.h"
#include "TRssiBondWND.h"
#include "TSetChannelWND.h"
#include "TSetIqrfModeWND.h"
#include "TSetPowerWND.h"
#include "TSumBondWND.h"
#include "TerminalCommands.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>

#include <memory>

namespace kolmaris {

namespace {

constexpr int kTimer1IntervalMs = 200;
constexpr char kVersionSuffix[] = "  " KOLMARIS_VERSION;

}  // namespace

TMainWND::TMainWND(Session& session, QWidget* parent)
    : QMainWindow(parent), session_(session), ui_(std::make_unique<Ui::TMainWND>()), timer1_(new QTimer(this))
{
    RegisterPictures();
    ui_->setupUi(this);
    timer1_->setObjectName("Timer1");
    timer1_->setInterval(kTimer1IntervalMs);
    connect(timer1_, &QTimer::timeout, this, &TMainWND::Timer1Timer);

    // Selectors react to the user only; the polling loop sets them without side effects.
    connect(ui_->MeritBT, &QPushButton::clicked, this, &TMainWND::MeritBTClick);
    connect(ui_->PokracovatBT, &QPushButton::clicked, this, &TMainWND::PokracovatBTClick);
    connect(ui_->FanCB, &QComboBox::activated, this, &TMainWND::FanCBChange);
    connect(ui_->CidlaCB, &QComboBox::activated, this, &TMainWND::CidlaCBChange);
    connect(ui_->FansCB, &QComboBox::activated, this, &TMainWND::FansCBChange);
    connect(ui_->HideErrorsBT, &QPushButton::clicked, this, &TMainWND::HideErrorsBTClick);
    ui_->ShowErrorsLB->installEventFilter(this);

    connect(ui_->Konec, &QAction::triggered, this, &TMainWND::KonecClick);
    connect(ui_->PripojeniMnu, &QAction::triggered, this, &TMainWND::PripojeniMnuClick);
    connect(ui_->AboutMnu, &QAction::triggered, this, &TMainWND::AboutMnuClick);
    connect(ui_->DataMnu, &QAction::triggered, this, &TMainWND::DataMnuClick);
    connect(ui_->RecordsMnu, &QAction::triggered, this, &TMainWND::RecordsMnuClick);
    connect(ui_->SpectrumMnu, &QAction::triggered, this, &TMainWND::SpectrumMnuClick);
    connect(ui_->HistoryMnu, &QAction::triggered, this, &TMainWND::HistoryMnuClick);
    connect(ui_->MeasureConfigMnu, &QAction::triggered, this, &TMainWND::MeasureConfigMnuClick);
    connect(ui_->ActivateSensorMnu, &QAction::triggered, this, &TMainWND::ActivateSensorMnuClick);
    connect(ui_->InitSensorMnu, &QAction::triggered, this, &TMainWND::InitSensorMnuClick);
    connect(ui_->SensorParamsMnu, &QAction::triggered, this, &TMainWND::SensorParamsMnuClick);
    connect(ui_->FanParamsMnu, &QAction::triggered, this, &TMainWND::FanParamsMnuClick);
    connect(ui_->SetFanBT, &QPushButton::clicked, this, &TMainWND::SetFanBTClick);
    connect(ui_->AddBondMnu, &QAction::triggered, this, &TMainWND::AddBondMnuClick);
    connect(ui_->RemoveBondMnu, &QAction::triggered, this, &TMainWND::RemoveBondMnuClick);
    connect(ui_->RssiBondMnu, &QAction::triggered, this, &TMainWND::RssiBondMnuClick);
    for (QAction* entry : {ui_->SetIqrfModeMnu, ui_->PrevBondsMnu, ui_->SetPowerBond, ui_->SetChannelBond})
        entry->setEnabled(true);
    connect(ui_->SetIqrfModeMnu, &QAction::triggered, this, &TMainWND::SetIqrfModeMnuClick);
    connect(ui_->PrevBondsMnu, &QAction::triggered, this, &TMainWND::PrevBondsMnuClick);
    connect(ui_->SetPowerBond, &QAction::triggered, this, &TMainWND::SetPowerBondClick);
    connect(ui_->SetChannelBond, &QAction::triggered, this, &TMainWND::SetChannelBondClick);

    PrepareMenus(*menuBar());
    SetUpLook();
    ManagePanels();
}

TMainWND::~TMainWND() = default;

void TMainWND::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
    RenderPictures();
}

void TMainWND::closeEvent(QCloseEvent* event)
{
    FormHide();
    QMainWindow::closeEvent(event);
}

bool TMainWND::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui_->ShowErrorsLB && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        ShowErrorsLBClick();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainWND::FormShow()
{
    const LoadResult config = LoadConfig(session_.configPath, session_.settings);
    ApplyLinkSettings(session_);
    ManagePanels();
    // Placed, and on the screen, before anything is said: the start-up warning stands over it.
    if (!testAttribute(Qt::WA_Moved)) {
        if (const QScreen* screen = this->screen())
            move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    }
    if (config == LoadResult::CannotRead) {
        QTimer::singleShot(0, this, [this] {
            session_.dialogs.Message(this, kConfigWarningCaption, kCannotReadConfigText, MessageButtons::Ok,
                                     MessageIcon::Exclamation);
        });
    }
    setWindowTitle("Kolmaris" + QString(kVersionSuffix));
    ui_->SetIqrfModeMnu->setVisible(true);
    UpdateSubmenus(*menuBar());
    timer1_->start(kTimer1IntervalMs);
}

void TMainWND::FormHide()
{
    timer1_->stop();
    if (SaveConfig(session_.configPath, session_.settings) == SaveResult::CannotCreate)
        session_.dialogs.Message(this, kConfigWarningCaption, kCannotSaveConfigText, MessageButtons::Ok,
                                 MessageIcon::Exclamation);
}

bool TMainWND::StopAcquisitionFor(const QString& cannotStopText)
{
    return StopAcquisition(session_, this, ui_->FinishMeasurePN, cannotStopText);
}

void TMainWND::CommandDisabled()
{
    session_.dialogs.Message(this, "Error!", "Command disabled!", MessageButtons::Ok, MessageIcon::Information);
}

void TMainWND::MeritBTClick()
{
    if (session_.model.AcquisitionRunning) {
        if (SetAcquisition(session_.link, kAcquisitionStop) != 0)
            CommandDisabled();
        return;
    }
    Nacitani(true);
    if (SetAcquisition(session_.link, kAcquisitionRecordingOn) != 0 ||
        SetAcquisition(session_.link, kAcquisitionStartNew) != 0)
        CommandDisabled();
}

void TMainWND::PokracovatBTClick()
{
    Nacitani(true);
    if (SetAcquisition(session_.link, kAcquisitionContinue) != 0)
        CommandDisabled();
}

void TMainWND::FanCBChange()
{
    if (SetRelayMode(session_.link, static_cast<uint8_t>(ui_->FanCB->currentIndex())) != 0) {
        CommandDisabled();
        lastRelayMode_ = 3;  // the next flags reading puts the terminal's mode back on show
    }
}

void TMainWND::HideErrorsBTClick()
{
    errorsDismissed_ = true;
    ui_->ErrorsPN->hide();
}

void TMainWND::ShowErrorsLBClick()
{
    errorsDismissed_ = false;
    ui_->ErrorsPN->show();
    ui_->ErrorsPN->raise();
}

void TMainWND::OpenNetworkWindow(QDialog* window, const QString& cannotStopText)
{
    if (!window)
        return;
    const bool wasRunning = session_.model.AcquisitionRunning;
    if (!StopAcquisitionFor(cannotStopText))
        return;
    window->exec();
    RefreshElements();
    if (!wasRunning)
        return;
    Nacitani(true);
    if (SetAcquisition(session_.link, kAcquisitionContinue) != 0) {
        session_.dialogs.Message(this, "Error!", "Data acquisition cannot be continued! Continue it with 'Continue'.",
                                 MessageButtons::Ok, MessageIcon::Error);
        return;
    }
    session_.model.AcquisitionRunning = true;
}

// The IQRF mode window relays requests too: the element loop must not take its answers.
void TMainWND::SetIqrfModeMnuClick()
{
    OpenNetworkWindow(tools_.iqrfMode, kCannotStopText);
}

void TMainWND::PrevBondsMnuClick()
{
    OpenNetworkWindow(tools_.meshOverview, kCannotStopText);
}

void TMainWND::SetPowerBondClick()
{
    OpenNetworkWindow(tools_.power, kCannotStopText);
}

void TMainWND::SetChannelBondClick()
{
    OpenNetworkWindow(tools_.channel, kCannotStopText);
}

void TMainWND::KonecClick()
{
    close();
}

void TMainWND::PripojeniMnuClick()
{
    if (tools_.link)
        tools_.link->ExecWithPollingStopped(timer1_, ui_->StatusLB);
}

void TMainWND::AboutMnuClick()
{
    if (tools_.about)
        tools_.about->exec();
}

void TMainWND::DataMnuClick()
{
    if (tools_.datas)
        tools_.datas->exec();
}

// The probe viewers close first if still open, prepare themselves for the probe, then show.
void TMainWND::RecordsMnuClick()
{
    if (!tools_.records)
        return;
    if (tools_.records->isVisible())
        tools_.records->close();
    tools_.records->PrepareFromDetector();
    tools_.records->exec();
}

void TMainWND::SpectrumMnuClick()
{
    if (!tools_.spectra)
        return;
    if (tools_.spectra->isVisible())
        tools_.spectra->close();
    tools_.spectra->PrepareFromDetector();
    tools_.spectra->exec();
}

// Reads the archive only: acquisition goes on.
void TMainWND::HistoryMnuClick()
{
    if (tools_.history)
        tools_.history->exec();
}

void TMainWND::MeasureConfigMnuClick()
{
    if (tools_.measureConfig && StopAcquisitionFor(kCannotStopText))
        tools_.measureConfig->exec();
}

void TMainWND::ActivateSensorMnuClick()
{
    if (tools_.activateSensor && StopAcquisitionFor(kCannotStopText))
        tools_.activateSensor->exec();
}

void TMainWND::InitSensorMnuClick()
{
    if (tools_.initSensor && StopAcquisitionFor(kCannotStopText))
        tools_.initSensor->exec();
}

void TMainWND::SensorParamsMnuClick()
{
    if (tools_.sensorParams && StopAcquisitionFor(kCannotStopText))
        tools_.sensorParams->exec();
}

void TMainWND::FanParamsMnuClick()
{
    if (tools_.fanParams && StopAcquisitionFor(kCannotStopText))
        tools_.fanParams->exec();
}

// Opens the actuator window on the actuator the panel shows, with its last known state.
void TMainWND::SetFanBTClick()
{
    if (!tools_.fanParams || !StopAcquisitionFor(kCannotStopText))
        return;
    bool ok = false;
    const int address = ui_->FansCB->currentText().toInt(&ok);
    if (ok && address >= 1 && address < kTableSlots)
        tools_.fanParams->SetPreset(static_cast<uint8_t>(address),
                                    session_.model.ElementTable[address].status.statusFlags);
    tools_.fanParams->exec();
    FansCBChange();
}

void TMainWND::AddBondMnuClick()
{
    OpenNetworkWindow(tools_.addBond, kCannotStopText);
}

void TMainWND::RemoveBondMnuClick()
{
    OpenNetworkWindow(tools_.removeBond, kCannotStopText);
}

void TMainWND::RssiBondMnuClick()
{
    OpenNetworkWindow(tools_.rssiBond, kCannotStopText);
}

bool TMainWND::ShowsLiveValues() const
{
    return session_.link.ConnectedPort != 0 && ui_->MainTemperLB->text() != "..." &&
           (elementsShown_ || !session_.model.AcquisitionRunning);
}

QString TMainWND::Summary() const
{
    QStringList parts{ui_->StatusLB->text(),
                      QString("terminal %1, %2, %3, %4")
                          .arg(ui_->MainVoltageLB->text(), ui_->MainTemperLB->text(), ui_->MainPressureLB->text(),
                               ui_->MainHumidityLB->text()),
                      ui_->DownCounterLB->text().trimmed(), "relay " + ui_->FanCB->currentText()};
    if (!ui_->FanPanelGB->isHidden())
        parts << QString("actuator %1: %2, %3")
                     .arg(ui_->FansCB->currentText(), ui_->ExtFanModeLB->text(), ui_->FanVoltageLB->text());
    if (!ui_->VysledkyGB->isHidden())
        parts << QString("probe %1: radon%2 Bq/m3, long term%3 Bq/m3, %4, %5, %6")
                     .arg(ui_->CidlaCB->currentText(), ui_->RadonLB->text(), ui_->RadonLongLB->text(),
                          ui_->DataTemperLB->text(), ui_->DataHumidityLB->text(), ui_->DataVoltageLB->text());
    const QString alarms = QString(ui_->ErrorsLB->text()).replace("\n\n", "; ").replace('\n', ' ');
    parts << "alarms: " + (alarms.isEmpty() ? QString("none") : alarms);
    return parts.join(" | ");
}

void TMainWND::ScreenshotWhenLive(const QString& file, int timeoutMs)
{
    auto* watch = new QTimer(this);
    auto since = std::make_shared<QElapsedTimer>();
    since->start();
    connect(watch, &QTimer::timeout, this, [this, watch, since, file, timeoutMs] {
        const bool live = ShowsLiveValues();
        if (!live && since->elapsed() < timeoutMs)
            return;
        watch->stop();
        watch->deleteLater();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        const bool saved = grab().save(file, "PNG");
        emit ScreenshotTaken(saved, live, Summary());
    });
    watch->start(kTimer1IntervalMs);
}

}  // namespace kolmaris
