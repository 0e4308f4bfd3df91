#include "sbPageText.h"

QString FillPlaceholders(const QString& format, const QString& placeholder, const QStringList& args) {
  QString out;
  qsizetype from = 0;
  for (const QString& arg : args) {
    const qsizetype at = format.indexOf(placeholder, from);
    if (at < 0) break;
    out += QStringView(format).mid(from, at - from);
    out += arg;
    from = at + placeholder.size();
  }
  out += QStringView(format).mid(from);
  return out;
}
