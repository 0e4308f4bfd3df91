#include "sbHelpActions.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>
#include <QUrl>
#include <QWidget>

#include <utility>

#include "sbHelpers.h"

namespace {

ShellOpener& InstalledOpener() {
  static ShellOpener opener;
  return opener;
}

QAction* NewAction(const QString& text, QObject* parent, QWidget* window) {
  auto* action = new QAction(text, parent);
  window->addAction(action);
  return action;
}

}  // namespace

THelpActions::THelpActions(QWidget* window, QPushButton* helpButton) : window_(window), helpButton_(helpButton) {
  ActionHelp = NewAction(tr("Help"), this, window);
  ActionHelpContent = NewAction(tr("Help Content"), this, window);
  ActionHelpContent->setShortcut(QKeySequence(Qt::Key_F1));
  ActionHelpContent->setShortcutContext(Qt::WindowShortcut);
  ActionQuickStart = NewAction(tr("Quick Start..."), this, window);
  ActionHomePage = NewAction(tr("Home Page"), this, window);
  ActionMoreRelatedTools = NewAction(tr("More Related Tools..."), this, window);
  ActionCheckforUpdates = NewAction(tr("Check for Updates..."), this, window);
  ActionContactTechnicalSupport = NewAction(tr("Contact Technical Support..."), this, window);
  ActionAbout = NewAction(tr("About"), this, window);

  PopupMenuHelp = new QMenu(window);
  menu_ = PopupMenuHelp;
  PopupMenuHelp->addAction(ActionHelpContent);
  PopupMenuHelp->addAction(ActionQuickStart);
  PopupMenuHelp->addSeparator();
  PopupMenuHelp->addAction(ActionHomePage);
  PopupMenuHelp->addAction(ActionMoreRelatedTools);
  PopupMenuHelp->addSeparator();
  PopupMenuHelp->addAction(ActionCheckforUpdates);
  PopupMenuHelp->addAction(ActionContactTechnicalSupport);
  PopupMenuHelp->addSeparator();
  PopupMenuHelp->addAction(ActionAbout);

  connect(ActionHelp, &QAction::triggered, this, &THelpActions::PopUpMenu);
  for (QAction* web : {ActionHelpContent, ActionQuickStart, ActionHomePage, ActionMoreRelatedTools, ActionCheckforUpdates})
    connect(web, &QAction::triggered, this, [] { OpenHomePage(); });
  connect(ActionContactTechnicalSupport, &QAction::triggered, this, [] { OpenSupportMail(); });
  connect(ActionAbout, &QAction::triggered, this, [this] {
    if (OnAbout) OnAbout();
  });
  if (helpButton != nullptr) connect(helpButton, &QPushButton::clicked, ActionHelp, &QAction::trigger);
}

THelpActions::~THelpActions() { delete menu_.data(); }

void THelpActions::PopUpMenu() {
  if (helpButton_ != nullptr)
    PopupMenuHelp->popup(helpButton_->mapToGlobal(QPoint(0, helpButton_->height())));
  else
    PopupMenuHelp->popup(window_->mapToGlobal(QPoint(0, 0)));
}

QString HomePageAddress() {
  // An installed program first, then the build tree or a portable copy.
  const QString program = ProgramFolder();
  const QString candidates[] = {
      program + QStringLiteral("../share/doc/korvanel/user-guide.html"),
      program + QStringLiteral("doc/user-guide.html"),
  };
  for (const QString& candidate : candidates) {
    const QFileInfo file(candidate);
    if (file.isFile()) return QUrl::fromLocalFile(file.canonicalFilePath()).toString();
  }
  // Where an installed guide would be: the browser then names the missing file.
  return QUrl::fromLocalFile(QDir::cleanPath(candidates[0])).toString();
}

QString SupportMailAddress() { return QStringLiteral(KORVANEL_SUPPORT_ADDRESS); }

void OpenHelpTarget(const QString& target) {
  const ShellOpener& opener = InstalledOpener();
  if (opener)
    OpenShellTarget(target, opener);
  else
    OpenShellTarget(target);
}

void OpenHomePage() { OpenHelpTarget(HomePageAddress()); }

void OpenSupportMail() { OpenHelpTarget(QStringLiteral("mailto:") + SupportMailAddress()); }

ShellOpener SetHelpTargetOpener(ShellOpener opener) { return std::exchange(InstalledOpener(), std::move(opener)); }
