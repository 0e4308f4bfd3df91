// Filling the string table's printf-style formats with texts the pages have
// already made, so that file names and device names go in unchanged.
#pragma once

#include <QString>
#include <QStringList>

// format with each occurrence of placeholder replaced by the next of args, left
// to right; an inserted text is never scanned again, so a "%s" inside a file
// name stays as it is. Placeholders without an argument are left in place.
QString FillPlaceholders(const QString& format, const QString& placeholder, const QStringList& args);
