// The program's texts in the user's language, through Qt's translation system.
//
// Convention: texts of a class with Q_OBJECT go through tr(); any other text
// through QCoreApplication::translate("<file name>", "..."), the context being
// the source file's name without extension; a table of texts is marked with
// QT_TRANSLATE_NOOP("<file name>", "...") and translated where it is looked up.
#pragma once

#include <QLocale>
#include <QString>

// Folder of the compiled catalogs: "translations" beside the program (the build
// tree, a portable copy) first, else share/korvanel/translations relative to it.
QString TranslationsFolder(const QString& programFolder);

// Installs the program's catalog for the first of the locale's languages that
// has one, and Qt's own catalog of the same language (standard buttons), into
// the application object, replacing those an earlier call installed. Returns
// the catalog's language ("de"), empty when none was found.
QString InstallTranslations(const QLocale& locale, const QString& programFolder);

// The locale the wizard writes its figures in (QLocale::setDefault): the system's,
// unless the environment names no formats of its own (LC_ALL, LC_NUMERIC and LANG
// unset, C or POSIX), as when LANGUAGE alone chose the language: then the formats of
// the catalog's language, so that German words do not stand beside English decimals.
// Windows always names the user's formats.
QLocale FormatsLocale(const QString& language);
