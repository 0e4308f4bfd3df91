#include "ufrmWelcome.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "WizardWindows.h"
#include "sbFrameWindow.h"
#include "sbHelpActions.h"
#include "sbPageStyle.h"
#include "sbWindowFrame.h"
#include "ufrmAbout.h"
#include "ufrmMain.h"

using namespace framewindow;

TfrmWelcome::TfrmWelcome(QWidget* parent) : QWidget(parent) {
  setWindowTitle(QStringLiteral("Korvanel"));
  Frame = std::make_unique<TWindowFrame>(this);

  PanelMain = new QWidget(Frame->Content);
  WelcomeLabel = NewTitle(tr("Welcome to Korvanel"), PanelMain);
  DescriptionLabel =
      NewNote(tr("The wizard will guide you through file system image burning process using Korvanel."), PanelMain);
  lblPressNext = NewNote(tr("Click Next to continue or Cancel to exit"), PanelMain);
  auto* panelLayout = new QVBoxLayout(PanelMain);
  panelLayout->setContentsMargins(28, 28, 28, 24);
  panelLayout->setSpacing(16);
  panelLayout->addWidget(WelcomeLabel);
  panelLayout->addWidget(DescriptionLabel);
  panelLayout->addStretch();
  panelLayout->addWidget(lblPressNext);
  auto* contentLayout = new QVBoxLayout(Frame->Content);
  contentLayout->setContentsMargins(0, 0, 0, 0);
  contentLayout->addWidget(PanelMain);

  ButtonHelp = AddButton(*Frame, tr("&Help"), this);
  ButtonAbout = AddButton(*Frame, tr("&About"), this);
  Frame->ButtonRow->addStretch();
  ButtonPrev = AddButton(*Frame, tr("&Back"), this);
  ButtonNext = AddButton(*Frame, tr("&Next"), this);
  ButtonClose = AddButton(*Frame, tr("Cancel"), this);
  ButtonPrev->setEnabled(false);
  MakeDefault(ButtonNext, this);

  Help = std::make_unique<THelpActions>(this, ButtonHelp);
  Help->OnAbout = [this] { ButtonAboutClick(); };
  Frame->OnClose = [this] { ButtonCloseClick(); };
  Frame->OnMoreTools = [] { OpenHomePage(); };
  connect(ButtonAbout, &QPushButton::clicked, this, &TfrmWelcome::ButtonAboutClick);
  connect(ButtonNext, &QPushButton::clicked, this, &TfrmWelcome::ButtonNextClick);
  connect(ButtonClose, &QPushButton::clicked, this, &TfrmWelcome::ButtonCloseClick);

  setTabOrder(ButtonNext, ButtonClose);
  setTabOrder(ButtonClose, ButtonHelp);
  setTabOrder(ButtonHelp, ButtonAbout);
  setTabOrder(ButtonAbout, Frame->LabelMoreTools);
  setTabOrder(Frame->LabelMoreTools, Frame->ButtonMin);
  setTabOrder(Frame->ButtonMin, Frame->ButtonClose2);
  ButtonNext->setFocus();

  FormCreate();
  CentreOnScreen(this);
}

TfrmWelcome::~TfrmWelcome() = default;

void TfrmWelcome::FormCreate() { LoadImagesReporting(*Frame); }

void TfrmWelcome::ButtonNextClick() {
  QWidget* wizard = Wizard != nullptr ? Wizard : static_cast<QWidget*>(MainForm);
  if (wizard == nullptr) return;
  wizard->move(pos());
  wizard->show();
  wizard->repaint();
  wizard->raise();
  wizard->activateWindow();
  hide();
}

void TfrmWelcome::ButtonCloseClick() { close(); }

void TfrmWelcome::ButtonAboutClick() { ShowAboutBox(); }

void TfrmWelcome::closeEvent(QCloseEvent* event) {
  // The main window: whoever closes it ends the application, even while the
  // wizard window is the one shown.
  QWidget::closeEvent(event);
  if (event->isAccepted()) QCoreApplication::quit();
}
