#include "ufrmAbout.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "WizardWindows.h"
#include "sbDialogs.h"
#include "sbErrors.h"
#include "sbHelpActions.h"
#include "sbHelpers.h"
#include "sbLinkLabel.h"
#include "sbPageStyle.h"
#include "sbWindowFrame.h"

namespace {

constexpr int kPanelWidth = 132;
constexpr int kImageWidth = kPanelWidth - 16;

QLabel* NewBoldLabel(const QString& text, QWidget* parent, qreal scale = 1.0) {
  auto* label = new QLabel(text, parent);
  QFont bold = label->font();
  bold.setBold(true);
  if (scale != 1.0) bold.setPointSizeF(bold.pointSizeF() * scale);
  label->setFont(bold);
  return label;
}

TLinkLabel* NewLink(const QString& text, const QString& name, QWidget* parent) {
  auto* link = new TLinkLabel(text, parent);
  link->setAccessibleName(name);
  QPalette blue = link->palette();
  blue.setColor(QPalette::WindowText, blue.color(QPalette::Link));
  link->setPalette(blue);
  return link;
}

}  // namespace

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("About Korvanel"));

  PanelmageLeft = new QFrame(this);
  PanelmageLeft->setFrameShape(QFrame::StyledPanel);
  PanelmageLeft->setFrameShadow(QFrame::Sunken);
  SetWhiteBackground(PanelmageLeft);
  PanelmageLeft->setFixedWidth(kPanelWidth);
  ImageLeft = new QLabel(PanelmageLeft);
  ImageLeft->setAlignment(Qt::AlignCenter);
  ImageLeft->setCursor(Qt::PointingHandCursor);
  auto* imageLayout = new QVBoxLayout(PanelmageLeft);
  imageLayout->setContentsMargins(6, 6, 6, 6);
  imageLayout->addWidget(ImageLeft);

  PanelMain = new QWidget(this);
  PageControlMain = new QTabWidget(PanelMain);

  TabSheetAbout = new QWidget;
  LabalTitle = NewBoldLabel(QStringLiteral("Korvanel " KORVANEL_VERSION), TabSheetAbout, 1.4);
  LabelWebTitle = new QLabel(tr("Web site:"), TabSheetAbout);
  LabelWeb = NewLink(HomePageAddress(), tr("Web site"), TabSheetAbout);
  LabelSupport = new QLabel(tr("Support:"), TabSheetAbout);
  LabelSupportEmail = NewLink(SupportMailAddress(), tr("Support"), TabSheetAbout);
  LabelWebTitle->setBuddy(LabelWeb);
  LabelSupport->setBuddy(LabelSupportEmail);
  auto* aboutLayout = new QVBoxLayout(TabSheetAbout);
  aboutLayout->setContentsMargins(14, 14, 14, 14);
  aboutLayout->setSpacing(4);
  aboutLayout->addWidget(LabalTitle);
  aboutLayout->addSpacing(14);
  aboutLayout->addWidget(LabelWebTitle);
  aboutLayout->addWidget(LabelWeb);
  aboutLayout->addSpacing(10);
  aboutLayout->addWidget(LabelSupport);
  aboutLayout->addWidget(LabelSupportEmail);
  aboutLayout->addStretch();
  PageControlMain->addTab(TabSheetAbout, tr("About"));

  TabSheetUpdate = new QWidget;
  LabelPInfo = NewBoldLabel(tr("Product information"), TabSheetUpdate);
  GroupBoxPInfo = new QGroupBox(TabSheetUpdate);
  auto* versionCaption = new QLabel(tr("Version:"), GroupBoxPInfo);
  LabelVersion = new QLabel(QStringLiteral(KORVANEL_VERSION), GroupBoxPInfo);
  LabelVersion->setTextInteractionFlags(Qt::TextSelectableByMouse);
  versionCaption->setBuddy(LabelVersion);
  auto* versionLayout = new QHBoxLayout(GroupBoxPInfo);
  versionLayout->addWidget(versionCaption);
  versionLayout->addWidget(LabelVersion, 1);
  LabelCheckTitle = NewBoldLabel(tr("Check for update"), TabSheetUpdate);
  LabelCheck =
      new QLabel(tr("To ensure you're using the latest version, click on the \nUpdates button below."), TabSheetUpdate);
  ButtonUpdates = new QPushButton(tr("&Updates..."), TabSheetUpdate);
  ButtonUpdates->setAutoDefault(false);
  auto* updateLayout = new QVBoxLayout(TabSheetUpdate);
  updateLayout->setContentsMargins(14, 14, 14, 14);
  updateLayout->setSpacing(6);
  updateLayout->addWidget(LabelPInfo);
  updateLayout->addWidget(GroupBoxPInfo);
  updateLayout->addSpacing(8);
  updateLayout->addWidget(LabelCheckTitle);
  updateLayout->addWidget(LabelCheck);
  updateLayout->addWidget(ButtonUpdates, 0, Qt::AlignLeft);
  updateLayout->addStretch();
  PageControlMain->addTab(TabSheetUpdate, tr("Update"));
  PageControlMain->setCurrentIndex(0);

  ButtonOK = new QPushButton(tr("&OK"), this);
  ButtonOK->setDefault(true);

  auto* mainLayout = new QVBoxLayout(PanelMain);
  mainLayout->setContentsMargins(0, 0, 0, 0);
  mainLayout->addWidget(PageControlMain);

  auto* right = new QVBoxLayout;
  right->addWidget(PanelMain, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ButtonOK);
  right->addLayout(buttons);

  auto* root = new QHBoxLayout(this);
  root->setContentsMargins(12, 12, 12, 12);
  root->setSpacing(12);
  root->addWidget(PanelmageLeft);
  root->addLayout(right, 1);

  setTabOrder(PageControlMain, LabelWeb);
  setTabOrder(LabelWeb, LabelSupportEmail);
  setTabOrder(LabelSupportEmail, ButtonUpdates);
  setTabOrder(ButtonUpdates, ButtonOK);

  connect(LabelWeb, &TLinkLabel::clicked, this, &TfrmAbout::LabelWebClick);
  connect(LabelSupportEmail, &TLinkLabel::clicked, this, &TfrmAbout::LabelSupportEmailClick);
  connect(ButtonUpdates, &QPushButton::clicked, this, &TfrmAbout::ButtonUpdatesClick);
  connect(ButtonOK, &QPushButton::clicked, this, &QDialog::accept);

  resize(527, 298);
}

void TfrmAbout::LoadImages() { LoadImages(SkinFolder()); }

void TfrmAbout::LoadImages(const QString& folder) {
  const QPixmap image = LoadWindowImage(folder, QStringLiteral("leftlogo.png"));
  // The logo is taller than the box: shown whole, at the panel's width.
  ImageLeft->setPixmap(image.scaled(QSize(kImageWidth, 250), Qt::KeepAspectRatio,
                                    Qt::SmoothTransformation));
}

void TfrmAbout::LabelWebClick() { OpenHelpTarget(LabelWeb->text()); }

void TfrmAbout::LabelSupportEmailClick() { OpenHelpTarget(QStringLiteral("mailto:") + LabelSupportEmail->text()); }

void TfrmAbout::ButtonUpdatesClick() { OpenHomePage(); }

void ShowAboutBox() {
  if (frmAbout != nullptr) {
    frmAbout->PageControlMain->setCurrentIndex(0);
    frmAbout->exec();
    return;
  }
  TfrmAbout box;
  try {
    box.LoadImages();
  } catch (const TsbError& error) {
    Dialogs().ApplicationError(error.Message());
  }
  box.exec();
}
