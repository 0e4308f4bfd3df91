#include "sbErasePlan.h"

#include <QCoreApplication>

#include "sbDeviceList.h"

QString WhyDiscCannotBeErased(const TsbDeviceItem& item, const QString& deviceId) {
  if (!item.DiscProblem.isEmpty()) return item.DiscProblem;
  if (item.DiscType == DISC_TYPE_NO_MEDIA) return NoDiscText(item.TrayOpen);
  if (IsErasableDiscType(item.DiscType)) return {};
  // In the words the drive would answer, before anything is announced.
  const QString kind = DiscTypeName(item.DiscType, true);
  return kind.isEmpty() ? QCoreApplication::translate("sbErasePlan",
                                                      "The disc in %1 cannot be erased: only rewritable discs "
                                                      "(CD-RW, DVD-RW, DVD+RW, BD-RE) can be erased")
                              .arg(deviceId)
                        : QCoreApplication::translate("sbErasePlan",
                                                      "The disc in %1 is a %2: only rewritable discs (CD-RW, "
                                                      "DVD-RW, DVD+RW, BD-RE) can be erased")
                              .arg(deviceId, kind);
}

QString ErasingText(const TsbDeviceItem& item, const QString& deviceId, bool full) {
  return (full ? QCoreApplication::translate("sbErasePlan", "Fully erasing the disc in %1 (%2)")
               : QCoreApplication::translate("sbErasePlan", "Erasing the disc in %1 (%2)"))
      .arg(item.Product, deviceId);
}

QString ErasedText(const QString& deviceId) {
  return QCoreApplication::translate("sbErasePlan", "The disc in %1 is erased").arg(deviceId);
}

bool EraseOffered(const TsbDeviceItem& item) {
  return item.Unusable.isEmpty() && IsErasableDiscType(item.DiscType) &&
         item.DiscInformation.DiscStatus != DW_DISC_BLANK;
}
