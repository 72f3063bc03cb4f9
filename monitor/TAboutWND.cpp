// SPDX-License-Identifier: GPL-3.0-or-later
#include "TAboutWND.h"

#include "DecimalInput.h"
#include "Pictures.h"
#include "Session.h"
#include "ui_TAboutWND.h"

#include <QMouseEvent>
#include <QIcon>

namespace kolmaris {

namespace {

constexpr int kLogoSize = 96;

}  // namespace

TAboutWND::TAboutWND(Session& session, QWidget* parent)
    : ToolWindow(session, parent), ui_(std::make_unique<Ui::TAboutWND>())
{
    ui_->setupUi(this);
    RegisterPictures();
    ui_->Image1->setPixmap(QIcon(QStringLiteral(":/pictures/logo.svg")).pixmap(kLogoSize, kLogoSize));
    ui_->Passw->hide();
    ui_->FwVerLB->hide();
    ui_->NazevLB->installEventFilter(this);
    connect(ui_->Button1, &QPushButton::clicked, this, &TAboutWND::Button1Click);
}

TAboutWND::~TAboutWND() = default;

void TAboutWND::ShowFirmwareVersion(uint16_t version)
{
    ui_->FwVerLB->setText(QString::asprintf("Terminal FW version: %d.%02d", version >> 8, version & 0xFF));
    ui_->FwVerLB->show();
}

void TAboutWND::HideFirmwareVersion()
{
    ui_->FwVerLB->hide();
}

void TAboutWND::FormShow()
{
    FormActivate();
}

void TAboutWND::FormActivate()
{
    ui_->DatumLB->setText(QStringLiteral("Date:") + QStringLiteral("  20.10.2016"));
    ui_->NazevLB->setText(QStringLiteral("Kolmaris version:") + QStringLiteral("  " KOLMARIS_VERSION) +
                          (session_.serviceMode ? QStringLiteral(" Full ( for RF OS < 3.07 ) ")
                                                : QStringLiteral("   ( for RF OS < 3.07 )")));
}

void TAboutWND::NazevLBCLick()
{
    ui_->Passw->clear();
    ui_->Passw->show();
    ui_->Passw->setFocus();
}

void TAboutWND::Button1Click()
{
    session_.serviceMode = ReadDecimal(ui_->Passw->text().toStdString()) == kServiceAccessCode;
    ui_->Passw->hide();
    accept();
}

bool TAboutWND::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui_->NazevLB && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        NazevLBCLick();
        return true;
    }
    return ToolWindow::eventFilter(watched, event);
}

}  // namespace kolmaris
