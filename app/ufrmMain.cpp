#include "ufrmMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <exception>

#include "WizardWindows.h"
#include "sbActions.h"
#include "sbBurnAtOnceAction.h"
#include "sbCallbacks.h"
#include "sbDeviceList.h"
#include "sbDialogs.h"
#include "sbDriveWatch.h"
#include "sbErrors.h"
#include "sbFrameWindow.h"
#include "sbHelpActions.h"
#include "sbHelpers.h"
#include "sbLinkLabel.h"
#include "sbPageStyle.h"
#include "sbStrings.h"
#include "sbTrackLayout.h"
#include "sbWindowFrame.h"
#include "ufrmAbout.h"
#include "ufrmBurnMode.h"
#include "ufrmBurnOptions.h"
#include "ufrmFinalAction.h"
#include "ufrmFinish.h"
#include "ufrmOptionsSummary.h"
#include "ufrmSelectDevice.h"
#include "ufrmSelectTransport.h"
#include "ufrmSourceFileSelection.h"
#include "sbFilesPanel.h"
#include "sbBurnPlan.h"
#include "sbFileSelection.h"
#include "ufrmWelcome.h"

namespace {

enum Page { pgTransport = 0, pgBurning = 1, pgDevice = 2, pgImage = 3, pgOptions = 4, pgMode = 5, pgSummary = 6 };

struct PageTitles {
  int title;
  int subTitle;
};
constexpr PageTitles kTitles[7] = {
    {sTitleTransport, sSubTitleTransport}, {sTitleBurning, sSubTitleBurning}, {sTitleDevice, sSubTitleDevice},
    {sTitleImage, sSubTitleImage},         {sTitleOptions, sSubTitleOptions}, {sTitleMode, sSubTitleMode},
    {sTitleSummary, sSubTitleSummary},
};

QString Message(const std::exception& e) {
  if (const auto* error = dynamic_cast<const TsbError*>(&e)) return error->Message();
  if (const auto* error = dynamic_cast<const TsbIOError*>(&e)) return error->Message();
  return QString::fromLocal8Bit(e.what());
}

// Ends the program: the welcome window is its main window.
void CloseWelcomeWindow() {
  if (frmWelcome) frmWelcome->close();
  QCoreApplication::quit();
}

// Shows window where from stands, in front, and hides from.
void HandOver(QWidget* from, QWidget* window) {
  window->move(from->pos());
  window->show();
  window->raise();
  window->activateWindow();
  window->repaint();
  from->hide();
}

}  // namespace

TMainForm::TMainForm(TsbLibraryOptions options, QString imageFile, QWidget* parent)
    : TsbMainForm(std::move(options), parent), imageFile_(std::move(imageFile)) {
  setWindowTitle(kApplicationTitle);
  Plan = std::make_unique<TsbBurnPlan>(*Burner);
  Frame = std::make_unique<TWindowFrame>(this);
  Frame->OnClose = [this] { ButtonCloseClick(); };
  Frame->OnMoreTools = [] { OpenHomePage(); };

  LabelTitle = NewHeading(QString(), Frame->Content);
  LabelSubTitle = NewNote(QString(), Frame->Content);
  pcBurner = new QStackedWidget(Frame->Content);
  for (int i = 0; i < 7; ++i) {
    pnlTs[i] = new QWidget(pcBurner);
    SetWhiteBackground(pnlTs[i]);
    pcBurner->addWidget(pnlTs[i]);
  }
  QFont larger = LabelTitle->font();
  larger.setPointSizeF(larger.pointSizeF() * 1.3);
  LabelTitle->setFont(larger);
  auto* titles = new QVBoxLayout;
  titles->setContentsMargins(12, 10, 12, 4);
  titles->setSpacing(2);
  titles->addWidget(LabelTitle);
  titles->addWidget(LabelSubTitle);
  auto* content = new QVBoxLayout(Frame->Content);
  content->setContentsMargins(0, 0, 0, 0);
  content->setSpacing(0);
  content->addLayout(titles);
  content->addWidget(pcBurner, 1);

  ButtonHelp = new QPushButton(tr("&Help"), this);
  ButtonAbout = new QPushButton(tr("&About"), this);
  ButtonPrev = new QPushButton(this);
  ButtonNext = new QPushButton(this);
  ButtonClose = new QPushButton(this);
  ButtonStopCopies = new QPushButton(this);
  ButtonStopCopies->setAutoDefault(false);
  ButtonStopCopies->hide();
  framewindow::MakeDefault(ButtonNext, this);
  Frame->ButtonRow->addWidget(ButtonHelp);
  Frame->ButtonRow->addWidget(ButtonAbout);
  Frame->ButtonRow->addStretch(1);
  for (QPushButton* button : {ButtonPrev, ButtonNext, ButtonStopCopies, ButtonClose}) Frame->ButtonRow->addWidget(button);
  ApplyTexts();

  Help = std::make_unique<THelpActions>(this, ButtonHelp);
  Help->OnAbout = [] { ShowAboutBox(); };
  connect(ButtonAbout, &QPushButton::clicked, this, [] { ShowAboutBox(); });
  connect(ButtonPrev, &QPushButton::clicked, this, &TMainForm::ButtonPrevClick);
  connect(ButtonNext, &QPushButton::clicked, this, &TMainForm::ButtonNextClick);
  connect(ButtonClose, &QPushButton::clicked, this, &TMainForm::ButtonCloseClick);
  connect(ButtonStopCopies, &QPushButton::clicked, this, [this] {
    if (FinalPage) FinalPage->StopCopies();
    ButtonStopCopies->setEnabled(false);
  });

  GlobalCallBackEventer().OnBurnStateChange = [this](TsbCallBackEventer* sender, bool active) {
    SetCancelEnabled(sender, active);
  };
  pcBurner->setCurrentIndex(pgTransport);
  WatchDrives(MakeSystemDriveEventSource());
}

void TMainForm::WatchDrives(std::unique_ptr<TsbDriveEventSource> source) {
  DriveWatch = std::make_unique<TsbDriveWatch>(std::move(source));
  connect(DriveWatch.get(), &TsbDriveWatch::DriveChanged, this, [this](const QString& name) {
    if (DevicePage && CurrentPage() == pgDevice) DevicePage->DriveChanged(name);
  });
}

TMainForm::~TMainForm() {
  GlobalCallBackEventer().OnBurnStateChange = nullptr;
  // Actions refer to the verify action: the list goes first.
  Actions->Clear();
}

void TMainForm::FormCreate() {
  try {
    if (frmWelcome) {
      frmWelcome->WelcomeLabel->setText(ResStr(sWelcome));
      frmWelcome->setWindowTitle(windowTitle());
    }
    if (frmAbout) {
      frmAbout->LabalTitle->setText(windowTitle() + QLatin1Char(' ') + QStringLiteral(KORVANEL_VERSION));
      frmAbout->LabelVersion->setText(QStringLiteral(KORVANEL_VERSION));
      frmAbout->setWindowTitle(tr("About %1").arg(windowTitle()));
      frmAbout->LabelWeb->setText(HomePageAddress());
      frmAbout->LabelSupportEmail->setText(SupportMailAddress());
      frmAbout->LoadImages();
    }
    if (frmFinish) {
      frmFinish->setWindowTitle(windowTitle());
      frmFinish->CompleteLabel->setText(ResStr(sCompleting));
    }
    Frame->LoadImages();
  } catch (const std::exception& e) {
    // The window stays usable without its pictures.
    Dialogs().ApplicationError(Message(e));
  }
}

// ---- Hooks of the session window --------------------------------------------------

void TMainForm::InitPageOrder() {
  TsbMainForm::InitPageOrder();
  PageOrder << QStringLiteral("0") << QStringLiteral("2") << QStringLiteral("3") << QStringLiteral("5")
            << QStringLiteral("4") << QStringLiteral("6") << QStringLiteral("1");
}

void TMainForm::PageBusyBegin(TsbDockForm* sender) {
  TsbMainForm::PageBusyBegin(sender);
  ButtonPrev->setEnabled(false);
  ButtonNext->setEnabled(false);
  ButtonClose->setEnabled(false);
}

void TMainForm::UpdateButtons() {
  ButtonPrev->setEnabled(BurnState != 2);
  ButtonNext->setEnabled(true);
  ButtonClose->setEnabled(BurnState != 2);
}

void TMainForm::LeavePage(int, int target) {
  if (target == pgDevice) Burner->Release();
}

int TMainForm::CurrentPage() { return pcBurner->currentIndex(); }

void TMainForm::ApplyTexts() {
  ButtonNext->setText(ResStr(sNext));
  ButtonPrev->setText(ResStr(sBack));
  ButtonClose->setText(ResStr(sCancel));
}

void TMainForm::SetCancelEnabled(const void*, bool enabled) {
  QMetaObject::invokeMethod(this, [this, enabled] { ButtonClose->setEnabled(enabled); }, Qt::AutoConnection);
}

// ---- Moving between pages ---------------------------------------------------------

void TMainForm::showEvent(QShowEvent* event) {
  TsbMainForm::showEvent(event);
  if (event->spontaneous()) return;  // restored from the task bar, not shown by the program
  InitPageOrder();
  ShowTransportPage();  // before PageChanged, which gives its first control the focus
  PageChanged();
  ApplyTexts();
}

void TMainForm::SwitchTo(int page) {
  pcBurner->setCurrentIndex(page);
  PageChanged();
}

void TMainForm::ButtonNextClick() {
  try {
    GoNext();
  } catch (const std::exception& e) {
    Dialogs().ApplicationError(Message(e));
  }
}

void TMainForm::GoNext() {
  if (BurnState == 2) {
    if (frmFinish) {
      const QString copies = FinalPage->Copies.Summary();
      frmFinish->DescriptionLabel->setText(copies.isEmpty() ? ResStr(OutcomeText())
                                                            : ResStr(OutcomeText()) + QLatin1Char('\n') + copies);
      HandOver(this, frmFinish);
    }
    return;
  }
  const int active = CurrentPage();
  if (active == pgTransport) {
    StartLibrary();
    InitPageOrder();
  }
  ValidatePage();
  const int next = GetNextPage(active);
  RecordPageResults();
  PreparePage(next);
  SwitchTo(next);
}

int TMainForm::OutcomeText() const {
  const TsbCopiesOutcome copies = FinalPage ? FinalPage->Copies : TsbCopiesOutcome{};
  switch (copies.RunEnd(*Burner)) {
    case TsbCopiesOutcome::End::Succeeded:
      return sFinishedSuccessfully;
    case TsbCopiesOutcome::End::Cancelled:
      return sCancelledByUser;
    case TsbCopiesOutcome::End::Failed:
      break;
  }
  return sFinishedWithError;
}

void TMainForm::ButtonPrevClick() {
  const int active = CurrentPage();
  if (active == pgTransport) {
    if (frmWelcome) HandOver(this, frmWelcome);
    return;
  }
  const int previous = GetPrevPage(active);
  LeavePage(active, previous);
  DropPageLog(active);
  DropPageActions(active);
  SwitchTo(previous);
}

void TMainForm::ButtonCloseClick() {
  switch (BurnState) {
    case 1:
      ButtonNext->setEnabled(false);
      if (Dialogs().AskYesNo(ResStr(sConfirmCancel))) {
        Burner->Cancel();
        BurnState = 0;
        ButtonClose->setEnabled(false);
      }
      break;
    case 2:
      BurnState = 0;
      Burner->Release();
      StopLibrary();
      SwitchTo(pgTransport);
      CloseWelcomeWindow();
      break;
    default:
      if (close()) CloseWelcomeWindow();
      break;
  }
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (BurnState == 2) {
    // After a run closing releases the drive and ends the session, as Cancel does.
    event->ignore();
    ButtonCloseClick();
    return;
  }
  if (BurnState == 1) {
    // However the close was asked for (title bar, window manager, Alt+F4), a
    // running burn is only ended through the Cancel question.
    event->ignore();
    if (ButtonClose->isEnabled()) ButtonCloseClick();
    return;
  }
  if (!CanClose) {
    // A scan: stop it, and close as soon as it has ended (PageBusyEnd). A burn
    // already cancelled keeps the window until it has wound down.
    event->ignore();
    if (DevicePage && DevicePage->BusyCount > 0) {
      closeAfterScan_ = true;
      DevicePage->Finder.Cancel();
    }
    return;
  }
  event->accept();
}

void TMainForm::PageBusyEnd(TsbDockForm* sender) {
  TsbMainForm::PageBusyEnd(sender);
  if (!closeAfterScan_) return;
  closeAfterScan_ = false;
  // Left to the event loop: the page is still inside the activation that ended the scan.
  QMetaObject::invokeMethod(
      this, [this] { if (close()) CloseWelcomeWindow(); }, Qt::QueuedConnection);
}

void TMainForm::PageChanged() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  FocusPage();  // first: the burning page burns before this returns
  switch (CurrentPage()) {
    case pgTransport:
      ButtonNext->setText(ResStr(sNext));
      ButtonClose->setText(ResStr(sCancel));
      break;
    case pgBurning:
      BurnState = 1;
      UpdateTitles();
      PageBusyBegin(nullptr);
      FinalPage->RunActions();
      BurnState = 2;
      ButtonNext->setEnabled(true);
      // A user busy in another window hears how it ended; the finish window waits as ever.
      if (!isActiveWindow() && SendNotice) SendNotice(kApplicationTitle, ResStr(OutcomeText()));
      break;
    default:
      ButtonNext->setText(ResStr(sNext));
      break;
  }
  UpdateButtons();
  UpdateTitles();
  QApplication::restoreOverrideCursor();
}

void TMainForm::FocusPage() {
  const int page = CurrentPage();
  QWidget* panel = page >= 0 && page < 7 ? pnlTs[page] : nullptr;
  // The window's focus chain is its tab order; the page's controls are the ones
  // inside its panel. Of radio buttons that choose one thing, Qt leaves only
  // the one last focused (the chosen one) reachable by Tab, so it is that one.
  for (QWidget* control = nextInFocusChain(); panel != nullptr && control != this;
       control = control->nextInFocusChain()) {
    if ((control->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && control->focusProxy() == nullptr &&
        control->isEnabled() && control->isVisibleTo(this) && panel->isAncestorOf(control)) {
      control->setFocus(Qt::TabFocusReason);
      return;
    }
  }
  ButtonNext->setFocus(Qt::TabFocusReason);
}

void TMainForm::UpdateTitles() {
  const int page = CurrentPage();
  if (page < 0 || page > 6) return;
  if (page == pgImage && SourceFilePage && SourceFilePage->FilesChosen()) {
    LabelTitle->setText(tr("Source Files and Folders Selection"));
    LabelSubTitle->setText(tr("Please select the files and folders you would like to burn"));
    return;
  }
  if (page == pgImage && SourceFilePage && SourceFilePage->AudioChosen()) {
    LabelTitle->setText(tr("Audio CD Tracks Selection"));
    LabelSubTitle->setText(tr("Please add the music files and name the album and its tracks"));
    return;
  }
  LabelTitle->setText(ResStr(kTitles[page].title));
  if (page == pgSummary && Plan->TrackLayout()) {
    LabelSubTitle->setText(tr("Review the options of the CD you have chosen before burning"));
    return;
  }
  // Once the run has ended, the line above the bar says how, not what it was doing.
  LabelSubTitle->setText(page == pgBurning && BurnState == 2 ? RunEndText() : ResStr(kTitles[page].subTitle));
}

QString TMainForm::RunEndText() const {
  const TsbCopiesOutcome copies = FinalPage ? FinalPage->Copies : TsbCopiesOutcome{};
  switch (copies.RunEnd(*Burner)) {
    case TsbCopiesOutcome::End::Succeeded:
      if (Burner->BurnSettings.TestWrite) return tr("Test burn finished: nothing was written to the disc");
      // Tracks are compared sample by sample, without a checksum: a run that passed checked them.
      if (Plan->TrackLayout() && Plan->Verify) return tr("Disc burned and verified");
      return Plan->VerifiedSha256().isEmpty() ? tr("Disc burned") : tr("Disc burned and verified");
    case TsbCopiesOutcome::End::Cancelled:
      return Burner->BurnSettings.TestWrite ? tr("Test burn cancelled") : tr("Burn cancelled: the disc may be unusable");
    case TsbCopiesOutcome::End::Failed:
      break;
  }
  return tr("Burn failed");
}

void TMainForm::ShowCopiesWait(const QString& status, int made) {
  // Back, which a burn leaves disabled, makes room for the stop button in the row.
  ButtonPrev->setVisible(status.isEmpty());
  if (status.isEmpty()) {
    ButtonStopCopies->hide();
    UpdateTitles();
    return;
  }
  LabelSubTitle->setText(status);
  ButtonStopCopies->setText(made == 0   ? tr("&Stop here")
                            : made == 1 ? tr("&Stop after 1 copy")
                                        : tr("&Stop after %1 copies").arg(made));
  ButtonStopCopies->setEnabled(true);
  ButtonStopCopies->show();
}

// ---- Leaving a page: checks and hand-over to the burner ---------------------------

bool TMainForm::ValidatePage() {
  switch (CurrentPage()) {
    case pgDevice:
      if (DevicePage->lvDevices->selectedItems().size() != 1) throw TsbError(ResStr(sSelectBurningDevice));
      try {
        Plan->SetDevice(DevicePage->SelectedRecord(), TransportPage->UseAspi() ? ttAspi : ttSpti);
      } catch (const TsbBurnRefusal& refusal) {
        // A used rewritable disc: the refusal points at the page's own remedy.
        if (!DevicePage->EraseHelps()) throw;
        throw TsbBurnRefusal(DevicePage->WithEraseHint(refusal.Reason()), refusal.LibraryFailures());
      }
      break;
    case pgImage:
      if (SourceFilePage->FilesChosen() && Plan->AppendableDisc()) {
        TsbBurnPlan::AppendChoices choices;
        choices.Removals = SourceFilePage->FilesPanel->LeftOut();
        const QStringList paths = SourceFilePage->FilesPanel->Paths();
        const QString label = SourceFilePage->FilesPanel->VolumeLabel();
        try {
          Plan->AppendFiles(paths, label, choices);
        } catch (const TsbNamesTakenRefusal& taken) {
          // The list marked them; replacing a file of the disc still takes the user's yes.
          if (!Dialogs().AskYesNo(tr("%1.\nReplace them with the chosen files in the new session? The disc's "
                                     "earlier files stay readable in its earlier sessions only.")
                                      .arg(taken.Reason())))
            throw TsbError(taken.Reason());
          choices.Replace = true;
          Plan->AppendFiles(paths, label, choices);
        }
      } else if (SourceFilePage->FilesChosen()) {
        Plan->SetFiles(SourceFilePage->FilesPanel->Paths(), SourceFilePage->FilesPanel->VolumeLabel());
      } else if (SourceFilePage->AudioChosen()) {
        Plan->SetTrackLayout(SourceFilePage->ChosenLayout());
      } else {
        if (SourceFilePage->DestinationDiscChanged) {
          // A disc was read in the burn's own drive: the disc now in it is checked as on the device page.
          TsbDeviceItem drive;
          const bool found = FindDriveNow(Plan->DeviceName(), drive);
          Plan->SetDevice(found ? &drive : nullptr, Plan->Transport());
          SourceFilePage->DestinationDiscChanged = false;
        }
        SourceFilePage->MeasureImageFile();  // the page shows the file as it is now
        if (!SourceFilePage->CueSheetChosen()) {
          Plan->SetImageFile(SourceFilePage->ImageFileName);
        } else if (const auto layout = SourceFilePage->ChosenLayout()) {
          Plan->SetTrackLayout(layout);
        } else {
          throw TsbBurnRefusal(SourceFilePage->CueProblem);
        }
      }
      break;
    case pgMode:
      Plan->SetMode(BurnModePage->GetBurnModeKind(), BurnModePage->GetTestWrite());
      BurnSettings = Burner->BurnSettings;
      break;
    case pgOptions:
      Plan->SetOptions(BurnOptionsPage->GetSelectedSpeed(), BurnOptionsPage->GetMultiSession(),
                       BurnOptionsPage->GetSendOPC());
      BurnSettings = Burner->BurnSettings;
      break;
    default:
      break;
  }
  return true;
}

void TMainForm::RecordPageResults() {
  switch (CurrentPage()) {
    case pgTransport: {
      Log->Clear();
      Log->Add().LogMessage = ResStr(sBurningImage);
      break;
    }
    case pgDevice:
      // Coming back to the device page and leaving it again names the destination once.
      DropPageLog(pgDevice);
      CollectPageLog(DevicePage, pgDevice);
      break;
    case pgImage: {
      Log->DeleteFromPage(pgImage);
      TsbLogItem& line = Log->Add();
      line.LogMessage = Plan->SourceLine();
      line.PageOwner = pgImage;
      // The run's first row, written before the source was known, names what is burned.
      if (Log->Count() > 0) Log->Items(0).LogMessage = Plan->HeadingLine();
      break;
    }
    case pgOptions: {
      Actions->DeleteFromPage(pgOptions);
      CollectPageLog(BurnOptionsPage, pgOptions);
      Plan->EjectWhenDone = BurnOptionsPage->GetEject();
      Plan->Verify = BurnOptionsPage->GetVerify();
      Plan->Copies = BurnOptionsPage->GetCopies();
      Plan->ChecksumFile = SourceFilePage->ChosenChecksumFile();
      Plan->AddActions(*Actions, *BurnAtOnceAction, pgOptions);
      break;
    }
    default:
      break;
  }
}

// ---- Entering a page ---------------------------------------------------------------

void TMainForm::PreparePage(int page) {
  switch (page) {
    case pgBurning: ShowFinalPage(); break;
    case pgDevice: ShowDevicePage(); break;
    case pgImage: ShowSourceFilePage(); break;
    case pgOptions: ShowBurnOptionsPage(); break;
    case pgMode: ShowBurnModePage(); break;
    case pgSummary: ShowSummaryPage(); break;
    default: break;
  }
}

namespace {

// The page object of a sheet: created and docked into its panel on first use.
template <class PageClass>
PageClass* Docked(PageClass*& page, QWidget* panel) {
  if (!page) {
    page = new PageClass;
    page->DockInto(panel);
  }
  return page;
}

}  // namespace

void TMainForm::ShowTransportPage() { Docked(TransportPage, pnlTs[pgTransport])->show(); }

void TMainForm::ShowDevicePage() {
  Docked(DevicePage, pnlTs[pgDevice]);
  DevicePage->ScanInfoText = ResStr(sScanningSystem);
  DevicePage->ShowAllDevices = false;
  DevicePage->OnBusyBegin = [this](TsbDockForm* sender) { PageBusyBegin(sender); };
  DevicePage->OnBusyEnd = [this](TsbDockForm* sender) { PageBusyEnd(sender); };
  Burner->Transport = TransportPage->UseAspi() ? ttAspi : ttSpti;
  DevicePage->Activate(Burner.get());
  DevicePage->show();
}

void TMainForm::ShowSourceFilePage() {
  const bool first = SourceFilePage == nullptr;
  Docked(SourceFilePage, pnlTs[pgImage]);
  SourceFilePage->OnSourceChanged = [this] { UpdateTitles(); };
  // An image named on the command line is chosen as if browsed.
  if (first && !imageFile_.isEmpty()) SourceFilePage->Edit1->setText(imageFile_);
  SourceFilePage->DestinationDrive = Plan->DeviceName();
  SourceFilePage->AppendToDisc = Plan->AppendableDisc();
  SourceFilePage->Activate(Burner.get());
  SourceFilePage->show();
}

void TMainForm::ShowBurnOptionsPage() {
  Docked(BurnOptionsPage, pnlTs[pgOptions]);
  BurnOptionsPage->ClosedDisc = Plan->TrackLayout() != nullptr;  // an audio CD is closed
  BurnOptionsPage->Activate(Burner.get());
  BurnOptionsPage->show();
}

void TMainForm::ShowBurnModePage() {
  Docked(BurnModePage, pnlTs[pgMode]);
  DiscwrightDiscInformation disc{};
  DevicePage->GetDiscInformation(disc);
  // A disc that already holds a session takes only another track.
  const bool blank = disc.DiscStatus == 0;
  BurnModePage->AllowSessionAtOnce = blank;
  // Tracks are written session-at-once, or track by track; the disc-at-once modes burn images.
  const bool tracks = Plan->TrackLayout() != nullptr;
  BurnModePage->AllowDiscAtOncePQ = blank && !tracks;
  BurnModePage->AllowDiscAtOnceRaw = blank && !tracks;
  // Session-at-once writes the pauses and the titles as laid out: chosen unless the user chose
  // track-at-once for tracks before.
  if (tracks && Burner->BurnSettings.Mode != bmTaoFromFile) Burner->BurnSettings.Mode = bmSaoFromFile;
  BurnModePage->ImageModeCodes = !SourceFilePage->FilesChosen();
  BurnModePage->Activate(Burner.get());
  BurnModePage->show();
}

void TMainForm::ShowSummaryPage() {
  const bool first = SummaryPage == nullptr;
  Docked(SummaryPage, pnlTs[pgSummary]);
  if (first) SummaryPage->lblNextAction->setText(ResStr(sClickNextToStartBurning));
  const TsbTrackLayout* tracks = Plan->TrackLayout().get();
  SummaryPage->lblName->setText(!tracks                ? ResStr(sSummaryHeading)
                                : tracks->AudioOnly() ? tr("An audio CD will be created with the following options chosen:")
                                                      : tr("A CD of the cue sheet's tracks will be created with the "
                                                           "following options chosen:"));
  TsbSummaryChoices choices{BurnOptionsPage->GetVerify(), BurnOptionsPage->GetEject(), BurnOptionsPage->GetCopies()};
  choices.LeaveOpen = Burner->BurnSettings.MultiSession;
  const int64_t sourceBytes = Plan->FilesChosen() ? int64_t(Plan->FilesBytes()) : QFileInfo(Plan->ImageFile()).size();
  choices.BytesLeft = std::max<int64_t>(0, Burner->DiscSpace.FreeBytes - sourceBytes);
  choices.Layout = Plan->TrackLayout().get();
  if (Plan->Appending()) {
    choices.AddsSession = Plan->DiscContents().Session + 1;
    choices.DiscFiles = int(Plan->DiscContents().Files);
  }
  SummaryPage->ShowSummary(*Burner, Plan->FilesChosen() ? Plan->SourceLine() : Plan->ImageFile(), choices);
  SummaryPage->show();
}

void TMainForm::ShowFinalPage() {
  Docked(FinalPage, pnlTs[pgBurning]);
  Burner->BurnSettings = BurnSettings;
  FinalPage->Log = Log.get();
  FinalPage->ActionList = Actions.get();
  FinalPage->Plan = Plan.get();
  FinalPage->OnCopiesWait = [this](const QString& status, int made) { ShowCopiesWait(status, made); };
  // "Writing track 3 of 12" under the title while the tracks go by; empty: the page's own line again.
  FinalPage->OnTrackLine = [this](const QString& line) {
    LabelSubTitle->setText(line.isEmpty() ? ResStr(kTitles[pgBurning].subTitle) : line);
  };
  FinalPage->HideBufferGauge();
  FinalPage->Activate(Burner.get());
  FinalPage->show();
}
