// SPDX-License-Identifier: GPL-3.0-or-later
#include "TDatasWND.h"

#include "DecimalInput.h"
#include "SaveAll.h"
#include "Session.h"
#include "StationArchive.h"
#include "TDiasWND.h"
#include "TLocsWND.h"
#include "TRadonSpectWND.h"
#include "TRecordsWND.h"
#include "TabFileDialog.h"
#include "TabWriters.h"
#include "TerminalTime.h"
#include "Utf8Path.h"
#include "ui_TDatasWND.h"

#include <QApplication>
#include <QDir>
#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>

namespace kolmaris {

namespace {

constexpr char kSaveAllQuestionEnd[] =
    " as:\n - RDN_xx.tab\n - SPC_xx.tab\n - DIA.tab\n - TERM.tab\n"
    "       where xx is Probe number\n\nExisting files will be overwritten\n\nContinue?";

// The single saves offer the names "Save All" gives the same data.
const QString kTabSuffix = QStringLiteral("tab");

// The MESH address a list shows, 0 when it is empty.
int SelectedAddress(const QComboBox& list)
{
    return ReadDecimal(list.currentText().toStdString());
}

// A viewer's address list takes over the items and the selection of ours; its own change
// handler stays quiet, the viewer has been prepared already.
void CopyList(const QComboBox& from, QWidget& viewer, const char* listName)
{
    auto* to = viewer.findChild<QComboBox*>(QString::fromLatin1(listName));
    if (!to)
        return;
    const QSignalBlocker quiet(to);
    to->clear();
    for (int i = 0; i < from.count(); ++i)
        to->addItem(from.itemText(i));
    to->setCurrentIndex(from.currentIndex());
}

// MESH addresses (slot + 1) of the slots that hold something, ascending; the address selected
// before stays selected while it is listed, else the first is.
template <class Count>
void FillAddressList(QComboBox& list, Count count)
{
    const QString selected = list.currentText();
    list.clear();
    for (int slot = 0; slot < kProbeSlots; ++slot)
        if (count(slot) > 0)
            list.addItem(QString::number(slot + 1));
    list.setCurrentIndex(std::max(list.findText(selected), list.count() > 0 ? 0 : -1));
}

bool SameRecords(const history::ArchiveBatch& a, const history::ArchiveBatch& b)
{
    return a.radon == b.radon && a.spectra == b.spectra && a.meteo == b.meteo && a.dia == b.dia;
}

}  // namespace

TDatasWND::TDatasWND(Session& session, QWidget* parent)
    : ToolWindow(session, parent),
      ui_(std::make_unique<Ui::TDatasWND>()),
      store_(std::make_unique<TDataStore>()),
      DatasTMR_(new QTimer(this))
{
    ui_->setupUi(this);
    // Enter presses no button: "Read" would start a download, "Clear" empty the store.
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setAutoDefault(false);
    DatasTMR_->setObjectName(QStringLiteral("DatasTMR"));
    DatasTMR_->setInterval(static_cast<int>(TerminalDownload::kTickMs));
    connect(DatasTMR_, &QTimer::timeout, this, &TDatasWND::DatasTMRTimer);

    connect(ui_->LoadEepromBT, &QPushButton::clicked, this, &TDatasWND::LoadEepromBTClick);
    connect(ui_->Button4, &QPushButton::clicked, this, &TDatasWND::Button4Click);
    connect(ui_->SaveAllBT, &QPushButton::clicked, this, &TDatasWND::SaveAllBTClick);
    connect(ui_->StoreArchiveBT, &QPushButton::clicked, this, &TDatasWND::StoreArchiveBTClick);
    connect(ui_->Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->MeshRecCB, &QComboBox::currentIndexChanged, this, &TDatasWND::MeshRecCBChange);
    connect(ui_->MeshSpectCB, &QComboBox::currentIndexChanged, this, &TDatasWND::MeshSpectCBChange);
    connect(ui_->ShowRecordsBT, &QPushButton::clicked, this, &TDatasWND::ShowRecordsBTClick);
    connect(ui_->ShowSpectBT, &QPushButton::clicked, this, &TDatasWND::ShowSpectBTClick);
    connect(ui_->ShowLocsBT, &QPushButton::clicked, this, &TDatasWND::ShowLocsBTClick);
    connect(ui_->ShowDiasBT, &QPushButton::clicked, this, &TDatasWND::ShowDiasBTClick);
    connect(ui_->SaveRecordsBT, &QPushButton::clicked, this, &TDatasWND::SaveRecordsBTClick);
    connect(ui_->SaveSpectsBT, &QPushButton::clicked, this, &TDatasWND::SaveSpectsBTClick);
    connect(ui_->SaveLocsBT, &QPushButton::clicked, this, &TDatasWND::SaveLocsBTClick);
    connect(ui_->SaveDiasBT, &QPushButton::clicked, this, &TDatasWND::SaveDiasBTClick);
}

TDatasWND::~TDatasWND() = default;

QComboBox* TDatasWND::MeshRecCB() const
{
    return ui_->MeshRecCB;
}

QComboBox* TDatasWND::MeshSpectCB() const
{
    return ui_->MeshSpectCB;
}

void TDatasWND::FormShow()
{
    Refresh();
}

void TDatasWND::FormHide()
{
    // The machine finishes on its own, switching recording on again, after the window closed.
    if (download_.Running())
        LoadEepromBTClick();
}

void TDatasWND::LoadEepromBTClick()
{
    if (download_.Running()) {
        download_.Interrupt();
        return;
    }
    download_.Start();
    ui_->LoadEepromBT->setText(QString::fromLatin1(download_.ButtonCaption()));
    DatasTMR_->start(static_cast<int>(TerminalDownload::kTickMs));
}

void TDatasWND::DatasTMRTimer()
{
    const int bytesBefore = download_.BytesRead();
    const uint32_t next = download_.Tick(session_.link, *store_);
    if (download_.Running()) {
        // Setting the interval restarts the timer: only when it changes, or every exchange
        // would be followed by a full pause.
        if (DatasTMR_->interval() != static_cast<int>(next))
            DatasTMR_->setInterval(static_cast<int>(next));
        if (download_.BytesRead() != bytesBefore)
            ShowProgress();
        return;
    }
    DatasTMR_->stop();
    // What a complete run read, to know later whether the store still holds just that.
    completed_.reset();
    if (download_.Outcome() == DownloadOutcome::Completed)
        completed_ = std::make_unique<history::ArchiveBatch>(history::BatchFromStore(*store_));
    Refresh();
    ReportEnd();
}

void TDatasWND::ShowProgress()
{
    ShowCounts();
    ui_->ProcLB->setText(QString::fromStdString(download_.ProgressText()));
    ui_->ProcPB->setValue(static_cast<int>(download_.ProgressFraction() * ui_->ProcPB->maximum()));
    ui_->LastTimeLB->setText(QString::fromStdString(FormatTime(store_->LastLocTime(), true, false)));
}

void TDatasWND::ShowCounts()
{
    ui_->SpectCountLB->setText(QString::number(store_->TotalSpectra()));
    ui_->RecordCountLB->setText(QString::number(store_->TotalRadonRecords()));
    ui_->CentralCountLB->setText(QString::number(store_->LocRecordCount()));
    ui_->DiaCountLB->setText(QString::number(store_->DiaEventCount()));
}

void TDatasWND::ReportEnd()
{
    ui_->LoadEepromBT->setText(QString::fromLatin1(download_.ButtonCaption()));
    if (download_.NoAnswer()) {
        Message(QStringLiteral("Error!"), QString::fromLatin1(kNoAnswerText), MessageButtons::Ok, MessageIcon::Error);
        return;
    }
    if (download_.RestoreFailed())
        Message(QStringLiteral("Error!"), QString::fromLatin1(kRestoreFailedText), MessageButtons::Ok,
                MessageIcon::Error);
    switch (download_.Outcome()) {
        case DownloadOutcome::Failed:
            Message(QStringLiteral("Error!"), QString::fromStdString(download_.EndText()), MessageButtons::Ok,
                    MessageIcon::Error);
            break;
        case DownloadOutcome::Suspended:
            Message(QStringLiteral("Error!"), QString::fromLatin1(kContinueText), MessageButtons::Ok,
                    MessageIcon::Exclamation);
            break;
        default:
            break;
    }
}

void TDatasWND::Refresh()
{
    ShowCounts();
    FillAddressList(*ui_->MeshRecCB, [this](int slot) { return store_->RadonRecordCount(slot); });
    MeshRecCBChange();
    FillAddressList(*ui_->MeshSpectCB, [this](int slot) { return store_->SpectrumCount(slot); });
    MeshSpectCBChange();
}

void TDatasWND::MeshRecCBChange()
{
    const int n = SelectedAddress(*ui_->MeshRecCB);
    ui_->MeshRecCountLB->setText(n != 0 ? QString::number(store_->RadonRecordCount(n - 1)) : QString());
}

void TDatasWND::MeshSpectCBChange()
{
    const int n = SelectedAddress(*ui_->MeshSpectCB);
    ui_->MeshSpectCountLB->setText(n != 0 ? QString::number(store_->SpectrumCount(n - 1)) : QString());
}

void TDatasWND::Button4Click()
{
    completed_.reset();
    download_.Clear(*store_);
    ui_->ProcLB->setText(QString::fromStdString(download_.ProgressText()));
    ui_->ProcPB->setValue(0);
    ui_->LoadEepromBT->setText(QString::fromLatin1(download_.ButtonCaption()));
    Refresh();
}

void TDatasWND::ShowRecordsBTClick()
{
    const int n = SelectedAddress(*ui_->MeshRecCB);
    if (n == 0 || store_->RadonRecordCount(n - 1) == 0 || !viewers_.records)
        return;
    viewers_.records->PrepareFromData(n, 0);
    CopyList(*ui_->MeshRecCB, *viewers_.records, "MeshAdrCB");
    viewers_.records->exec();
    Refresh();  // it may have read the probe anew
}

void TDatasWND::ShowSpectBTClick()
{
    const int n = SelectedAddress(*ui_->MeshSpectCB);
    if (n == 0 || store_->SpectrumCount(n - 1) == 0 || !viewers_.spectra)
        return;
    viewers_.spectra->PrepareFromData(n);
    CopyList(*ui_->MeshSpectCB, *viewers_.spectra, "MeshAdrEeprCB");
    viewers_.spectra->exec();
    Refresh();
}

void TDatasWND::ShowLocsBTClick()
{
    if (store_->LocRecordCount() == 0 || !viewers_.locs)
        return;
    viewers_.locs->PrepareFromData(0);
    viewers_.locs->exec();
}

void TDatasWND::ShowDiasBTClick()
{
    if (store_->DiaEventCount() == 0 || !viewers_.dias)
        return;
    viewers_.dias->PrepareFromData(0);
    viewers_.dias->exec();
}

void TDatasWND::SaveRecordsBTClick()
{
    const int n = SelectedAddress(*ui_->MeshRecCB);
    if (n == 0)
        return;
    SaveTabFile(
        session_.dialogs, this, [&](std::ostream& out, bool append) { WriteRadonFile(out, append, *store_, n - 1, 0); },
        kTabSuffix, QStringLiteral("RDN_%1.tab").arg(n));
}

void TDatasWND::SaveSpectsBTClick()
{
    const int n = SelectedAddress(*ui_->MeshSpectCB);
    if (n == 0)
        return;
    SaveTabFile(
        session_.dialogs, this,
        [&](std::ostream& out, bool append) { WriteSpectrumFile(out, append, *store_, n - 1, 0); }, kTabSuffix,
        QStringLiteral("SPC_%1.tab").arg(n));
}

void TDatasWND::SaveLocsBTClick()
{
    SaveTabFile(
        session_.dialogs, this, [&](std::ostream& out, bool append) { WriteLocFile(out, append, *store_); }, kTabSuffix,
        QStringLiteral("TERM.tab"));
}

void TDatasWND::SaveDiasBTClick()
{
    SaveTabFile(
        session_.dialogs, this, [&](std::ostream& out, bool append) { WriteDiaFile(out, append, *store_); }, kTabSuffix,
        QStringLiteral("DIA.tab"));
}

void TDatasWND::SaveAllBTClick()
{
    const auto directory = session_.dialogs.DirectoryName(this, QStringLiteral("Save All"));
    if (!directory)
        return;
    const QString question = QStringLiteral("All available data will be saved in directory\n") + QLatin1Char('"') +
                             *directory + QLatin1Char('"') + QString::fromLatin1(kSaveAllQuestionEnd);
    if (Message(QStringLiteral("Query"), question, MessageButtons::YesNo, MessageIcon::Question) != MessageResult::Yes)
        return;

    ui_->SaveAllBT->setEnabled(false);
    const SaveAllResult result =
        SaveAll(*store_, PathFromUtf8(directory->toStdString()), [this](const std::filesystem::path& path) {
            ui_->SallLB->setText(QDir::toNativeSeparators(QString::fromStdString(Utf8FromPath(path))));
            ui_->SallLB->repaint();
        });
    if (result.Ok()) {
        Message(QStringLiteral("Message"), QStringLiteral("Finished..."), MessageButtons::Ok, MessageIcon::Information);
    } else {
        QString text = QStringLiteral("These files could not be saved:");
        for (const auto& name : result.failed)
            text += QStringLiteral("\n - ") + QString::fromStdString(name);
        Message(QStringLiteral("Error!"), text, MessageButtons::Ok, MessageIcon::Error);
    }
    ui_->SallLB->setText(QStringLiteral("..."));
    ui_->SaveAllBT->setEnabled(true);
}

void TDatasWND::StoreArchiveBTClick()
{
    history::ArchiveBatch batch = history::BatchFromStore(*store_);
    // A complete download the probe windows have not changed since counts as one of the whole
    // memory, as from kolmaris-cli: a later download with --new-only can stop at its records.
    batch.wholeMemory = completed_ && SameRecords(*completed_, batch);
    if (batch.Size() == 0) {
        Message(QStringLiteral("Message"), QStringLiteral("There is nothing to store: read the terminal's data first."),
                MessageButtons::Ok, MessageIcon::Information);
        return;
    }
    ui_->StoreArchiveBT->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    history::StationArchive archive;
    history::StoreResult result;
    std::string error;
    const bool stored =
        archive.Open(session_.archiveLocation, error) && archive.Store(session_.station, batch, result, error);
    QApplication::restoreOverrideCursor();
    ui_->StoreArchiveBT->setEnabled(true);
    if (!stored) {
        Message(QStringLiteral("Error!"), QString::fromStdString(error), MessageButtons::Ok, MessageIcon::Error);
        return;
    }
    const int present = result.radon.present + result.spectra.present + result.meteo.present + result.dia.present;
    QString text = QStringLiteral("Stored in %1, station \"%2\":\n%3 new records, %4 already there.")
                       .arg(QString::fromStdString(archive.Where()), QString::fromStdString(session_.station))
                       .arg(result.Added())
                       .arg(present);
    if (result.Conflicts() > 0)
        text += QStringLiteral("\n%1 records differ from those the archive holds for the same time; the archive "
                               "keeps its own.")
                    .arg(result.Conflicts());
    Message(QStringLiteral("Message"), text, MessageButtons::Ok,
            result.Conflicts() > 0 ? MessageIcon::Exclamation : MessageIcon::Information);
}

}  // namespace kolmaris
