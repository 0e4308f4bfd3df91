#include "sbOpticalDriveNames.h"

#include <algorithm>

namespace {

QString Sorted(const QString& letters) {
  QString sorted = letters.toUpper();
  std::sort(sorted.begin(), sorted.end());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  return sorted;
}

}  // namespace

QString OpticalDriveName(const QString& opticalLetters, QChar letter) {
  const qsizetype place = Sorted(opticalLetters).indexOf(letter.toUpper());
  return place < 0 ? QString() : QStringLiteral("CdRom%1").arg(place);
}

QString LettersOfUnitMask(std::uint32_t unitMask) {
  QString letters;
  for (int bit = 0; bit < 26; ++bit)
    if (unitMask & (std::uint32_t(1) << bit)) letters += QChar(u'A' + bit);
  return letters;
}

QStringList OpticalDriveNamesMoved(const QString& before, const QString& after) {
  const QString was = Sorted(before), is = Sorted(after);
  // Names up to the first difference kept their drive; from there on each may have changed.
  qsizetype same = 0;
  while (same < was.size() && same < is.size() && was[same] == is[same]) ++same;
  QStringList names;
  for (qsizetype n = same; n < std::max(was.size(), is.size()); ++n) names << QStringLiteral("CdRom%1").arg(n);
  return names;
}
