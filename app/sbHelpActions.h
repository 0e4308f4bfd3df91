// The Help menu every big window offers: eight actions in a popup menu under
// the Help button, F1 for the help content, and the two addresses they open.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

#include "ShellTarget.h"

class QAction;
class QMenu;
class QPushButton;
class QWidget;

class THelpActions : public QObject {
  Q_OBJECT

 public:
  // The actions belong to window (so that F1 works there); ActionHelp pops the
  // menu up just under helpButton, whose click runs ActionHelp.
  THelpActions(QWidget* window, QPushButton* helpButton);
  ~THelpActions() override;

  QAction* ActionHelp;                     // "Help"
  QAction* ActionHelpContent;              // "Help Content", F1
  QAction* ActionQuickStart;               // "Quick Start..."
  QAction* ActionHomePage;                 // "Home Page"
  QAction* ActionMoreRelatedTools;         // "More Related Tools..."
  QAction* ActionCheckforUpdates;          // "Check for Updates..."
  QAction* ActionContactTechnicalSupport;  // "Contact Technical Support..."
  QAction* ActionAbout;                    // "About"
  QMenu* PopupMenuHelp;  // the items in their order, with the three separators

  // Fired by ActionAbout; the window shows the about box.
  std::function<void()> OnAbout;

 private:
  void PopUpMenu();

  QWidget* window_;
  QPointer<QPushButton> helpButton_;
  QPointer<QMenu> menu_;  // the window may have deleted it first
};

// The product home page: the user guide installed with the program, as a
// file URL (found beside the program in the build tree too).
QString HomePageAddress();
// The support mail address (a build option, KORVANEL_SUPPORT_ADDRESS).
QString SupportMailAddress();

// Opens target with OpenShellTarget through the installed opener: the
// desktop's handler unless SetHelpTargetOpener installed another.
void OpenHelpTarget(const QString& target);
// OpenHelpTarget of the home page, and of "mailto:" + the support address.
void OpenHomePage();
void OpenSupportMail();
// Installs the opener every window's links and help actions use (empty: the
// desktop's again) and returns the previous one. Tests record with it.
ShellOpener SetHelpTargetOpener(ShellOpener opener);
