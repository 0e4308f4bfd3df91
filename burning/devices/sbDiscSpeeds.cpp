#include "sbDiscSpeeds.h"

#include <QCoreApplication>

#include <span>

#include "Discwright.h"
#include "sbBurner.h"
#include "sbBurnerRecords.h"
#include "sbErrors.h"
#include "sbLibraryCall.h"
#include "sbLogging.h"
#include "sbStrings.h"

namespace {


constexpr uint32_t kCdWriteSpeeds[] = {176,  353,  387,  528,  706,  1056, 1400, 1760,
                                       2112, 2800, 3250, 4224, 7040, 7744, 8448, 9152};
constexpr uint32_t kDvdWriteSpeeds[] = {1385, 2770, 3324, 4155, 5540, 6925, 8310, 11080, 16620, 22160};
constexpr uint32_t kBdWriteSpeeds[] = {4495, 8990, 17980, 26970, 35960, 53940, 71920};

// HD DVD runs at about the single BD speed, so it shares the BD table.
std::span<const uint32_t> TableFor(uint8_t discType) {
  if (IsBDDiscType(discType) || IsHDDVDDiscType(discType)) return kBdWriteSpeeds;
  if (IsDVDDiscType(discType)) return kDvdWriteSpeeds;
  return kCdWriteSpeeds;
}

}  // namespace

TsbDiscSpeedItem* TsbDiscSpeedList::FindBySpeedInPoint(int32_t factor) {
  for (auto& item : items_)
    if (item.SpeedInPoint == factor) return &item;
  return nullptr;
}

QString SpeedText(int32_t factor, int32_t kbPerSecond, bool localised) {
  if (localised)
    return QCoreApplication::translate("sbDiscSpeeds", "%1x (%2 KB/sec)")
        .arg(LocaleNumber(factor, 1), LocaleNumber(kbPerSecond, 0));
  return QString::asprintf("%d.0x", factor) + QStringLiteral(" (") + QString::number(kbPerSecond) +
         QStringLiteral(" KB/sec)");
}

void TsbDiscSpeedList::BuildSpeedTexts() {
  for (auto& item : items_) item.StrSpeed = SpeedText(item.SpeedInPoint, item.SpeedInSize);
}

void TsbDiscSpeedList::ReadSpeeds(TsbBurner& burner) {
  Clear();

  // Failures of the first two only go to the diagnostic log: the speeds are asked anyway.
  if (!SB_CALL(burner, Discwright_CdvdBurnerGrabber_TestUnitReady)) LogDiagnostic(burner.LastFailureText());
  DiscwrightDiscInformation scratch{};
  if (!SB_CALL(burner, Discwright_CdvdBurnerGrabber_GetDiscInformation, &scratch))
    LogDiagnostic(burner.LastFailureText());

  if (!SB_CALL_NOTED(burner,
                     QStringLiteral(": ReadSpeed: %1,WriteSpeed: %2").arg(DISCWRIGHT_SPEED_MAX).arg(DISCWRIGHT_SPEED_MAX),
                     Discwright_CdvdBurnerGrabber_SetSpeeds, DISCWRIGHT_SPEED_MAX, DISCWRIGHT_SPEED_MAX)) {
    burner.LastMessage = burner.LastFailureText();
    LogDiagnostic(burner.LastMessage);
    throw TsbError(burner.LastMessage);
  }

  uint32_t currentRead = 0, maximumRead = 0, currentWrite = 0, maximumWrite = 0;
  const bool read = SB_CALL(burner, Discwright_CdvdBurnerGrabber_GetSpeeds, &currentRead, &maximumRead, &currentWrite,
                            &maximumWrite);
  MaximumReadSpeed = maximumRead;
  MaximumWriteSpeed = maximumWrite;
  if (!read) {
    const QString text = burner.LastFailureText();
    LogDiagnostic(text);
    throw TsbError(text);
  }
  LogDiagnostic(QStringLiteral("Discwright_CdvdBurnerGrabber_GetSpeeds: CurrentReadSpeed: %1,MaximumReadSpeed: %2,"
                     "CurrentWriteSpeed: %3,MaximumWriteSpeed: %4")
          .arg(currentRead)
          .arg(maximumRead)
          .arg(currentWrite)
          .arg(maximumWrite));

  const auto table = TableFor(burner.DiscType);
  const uint32_t singleSpeed = SingleSpeedKBps(burner.DiscType);
  // The device answers each request with the speed it really set; a drive that
  // rounds several requests to one speed yields one item for them. Called
  // directly, not through SB_CALL: two lines per table entry would bury the
  // log, and a failed request only leaves that speed out.
  for (const uint32_t request : table) {
    burner.ExceptionNumber = Discwright_CdvdBurnerGrabber_SetSpeeds(
        burner.Grabber, burner.ExceptionText, DISCWRIGHT_TEXT_SIZE, &burner.Status, burner.FailureInfo, currentRead,
        request);
    burner.ExceptionNumber = Discwright_CdvdBurnerGrabber_GetSpeeds(
        burner.Grabber, burner.ExceptionText, DISCWRIGHT_TEXT_SIZE, &burner.Status, burner.FailureInfo,
        &currentRead, &maximumRead, &currentWrite, &maximumWrite);
    const auto factor = int32_t(currentWrite / singleSpeed);
    if (!FindBySpeedInPoint(factor)) {
      TsbDiscSpeedItem& item = Add();
      item.SpeedInPoint = factor;
      item.SpeedInSize = int32_t(currentWrite);
    }
  }

  BuildSpeedTexts();
}
