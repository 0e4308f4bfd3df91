// Opening a web address or a "mailto:" address with the desktop's default handler.
#pragma once

#include <QString>
#include <QUrl>

#include <functional>

using ShellOpener = std::function<void(const QUrl&)>;

// Opens Target with the desktop's default application; shows the wait cursor while the
// call runs. Whether the desktop managed to open it is not examined.
void OpenShellTarget(const QString& target);
// The same with the opening call supplied by the caller.
void OpenShellTarget(const QString& target, const ShellOpener& opener);
