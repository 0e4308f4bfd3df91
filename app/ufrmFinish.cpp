#include "ufrmFinish.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "sbFrameWindow.h"
#include "sbHelpActions.h"
#include "sbPageStyle.h"
#include "sbWindowFrame.h"
#include "ufrmAbout.h"

using namespace framewindow;

TfrmFinish::TfrmFinish(QWidget* parent) : QWidget(parent) {
  setWindowTitle(QStringLiteral("Korvanel"));
  Frame = std::make_unique<TWindowFrame>(this);

  PanelMain = new QWidget(Frame->Content);
  CompleteLabel = NewTitle(tr("Completing the Korvanel"), PanelMain);
  DescriptionLabel = NewNote(QString(), PanelMain);
  DescriptionLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  DescriptionLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* panelLayout = new QVBoxLayout(PanelMain);
  panelLayout->setContentsMargins(28, 28, 28, 24);
  panelLayout->setSpacing(16);
  panelLayout->addWidget(CompleteLabel);
  panelLayout->addWidget(DescriptionLabel, 1);
  auto* contentLayout = new QVBoxLayout(Frame->Content);
  contentLayout->setContentsMargins(0, 0, 0, 0);
  contentLayout->addWidget(PanelMain);

  ButtonHelp = AddButton(*Frame, tr("&Help"), this);
  btnAbout = AddButton(*Frame, tr("&About"), this);
  Frame->ButtonRow->addStretch();
  ButtonPrev = AddButton(*Frame, tr("&Back"), this);
  ButtonNext = AddButton(*Frame, tr("&Finish"), this);
  ButtonClose = AddButton(*Frame, tr("Cancel"), this);
  ButtonPrev->setEnabled(false);
  ButtonClose->setEnabled(false);
  MakeDefault(ButtonNext, this);

  Frame->OnClose = [this] { ButtonNextClick(); };
  Frame->OnMoreTools = [] { OpenHomePage(); };
  connect(btnAbout, &QPushButton::clicked, this, &TfrmFinish::btnAboutClick);
  connect(ButtonNext, &QPushButton::clicked, this, &TfrmFinish::ButtonNextClick);

  setTabOrder(ButtonNext, ButtonHelp);
  setTabOrder(ButtonHelp, btnAbout);
  setTabOrder(btnAbout, Frame->LabelMoreTools);
  setTabOrder(Frame->LabelMoreTools, Frame->ButtonMin);
  setTabOrder(Frame->ButtonMin, Frame->ButtonClose2);
  ButtonNext->setFocus();

  FormCreate();
  CentreOnScreen(this);
}

TfrmFinish::~TfrmFinish() = default;

void TfrmFinish::FormCreate() { LoadImagesReporting(*Frame); }

void TfrmFinish::ButtonNextClick() { close(); }

void TfrmFinish::btnAboutClick() { ShowAboutBox(); }

void TfrmFinish::closeEvent(QCloseEvent* event) {
  // The last window: closing it ends the application, whatever else is hidden.
  QWidget::closeEvent(event);
  if (event->isAccepted()) QCoreApplication::quit();
}
