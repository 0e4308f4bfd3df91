// The about box: the product and its version, the home page and the support
// address as links, and an update tab; modal from every window.
#pragma once

#include <QDialog>
#include <QString>

class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QWidget;
class TLinkLabel;

class TfrmAbout : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmAbout(QWidget* parent = nullptr);

  QWidget* PanelMain;
  QTabWidget* PageControlMain;
  QWidget* TabSheetAbout;
  QLabel* LabalTitle;         // "Korvanel <version>"
  QLabel* LabelWebTitle;      // "Web site:"
  TLinkLabel* LabelWeb;       // the home page address
  QLabel* LabelSupport;       // "Support:"
  TLinkLabel* LabelSupportEmail;
  QWidget* TabSheetUpdate;
  QLabel* LabelPInfo;         // "Product information"
  QGroupBox* GroupBoxPInfo;
  QLabel* LabelVersion;       // "<version>"
  QLabel* LabelCheckTitle;    // "Check for update"
  QLabel* LabelCheck;
  QPushButton* ButtonUpdates;
  QPushButton* ButtonOK;
  QFrame* PanelmageLeft;
  QLabel* ImageLeft;          // "leftlogo.png"

  // Loads "leftlogo.png" from SkinFolder() (or folder) into ImageLeft, scaled to
  // the panel; raises TsbError naming the file and why it cannot be read.
  void LoadImages();
  void LoadImages(const QString& folder);

  // Open the clicked label's text: the address, or "mailto:" and the address.
  void LabelWebClick();
  void LabelSupportEmailClick();
  void ButtonUpdatesClick();
};

// Shows frmAbout modally (a fresh about box when there is none yet).
void ShowAboutBox();
