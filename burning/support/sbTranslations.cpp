#include "sbTranslations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

#include "sbHelpers.h"

namespace {

struct TInstalled {
  std::unique_ptr<QTranslator> Own;
  std::unique_ptr<QTranslator> Qt;
};

TInstalled& Installed() {
  static TInstalled installed;
  return installed;
}

}  // namespace

QString TranslationsFolder(const QString& programFolder) {
  const QString beside = IncludeTrailingSeparator(programFolder) + QStringLiteral("translations");
  const QString installed =
      QDir::cleanPath(IncludeTrailingSeparator(programFolder) + QStringLiteral("../share/korvanel/translations"));
  return !QDir(beside).exists() && QDir(installed).exists() ? installed : beside;
}

QString InstallTranslations(const QLocale& locale, const QString& programFolder) {
  TInstalled& installed = Installed();
  for (QTranslator* translator : {installed.Own.get(), installed.Qt.get()})
    if (translator) QCoreApplication::removeTranslator(translator);
  installed = {};
  auto own = std::make_unique<QTranslator>();
  if (!own->load(locale, QStringLiteral("korvanel"), QStringLiteral("_"), TranslationsFolder(programFolder)))
    return {};
  const QString language = own->language().section(QLatin1Char('_'), 0, 0);
  QCoreApplication::installTranslator(own.get());
  installed.Own = std::move(own);
  // Qt's catalog follows the program's language, so that a dialog does not mix two:
  // the one shipped beside ours (Windows), else the system's.
  auto qt = std::make_unique<QTranslator>();
  const auto loadQt = [&](const QString& folder) {
    return qt->load(QLocale(language), QStringLiteral("qtbase"), QStringLiteral("_"), folder);
  };
  if (loadQt(TranslationsFolder(programFolder)) || loadQt(QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(qt.get());
    installed.Qt = std::move(qt);
  }
  return language;
}

QLocale FormatsLocale(const QString& language) {
#ifndef Q_OS_WIN
  // The variables Qt reads the system's number formats from, in its order.
  QString formats = qEnvironmentVariable("LC_ALL");
  if (formats.isEmpty()) formats = qEnvironmentVariable("LC_NUMERIC");
  if (formats.isEmpty()) formats = qEnvironmentVariable("LANG");
  if (!language.isEmpty() && QLocale(formats).language() == QLocale::C) return QLocale(language);
#else
  Q_UNUSED(language);
#endif
  return QLocale::system();
}
