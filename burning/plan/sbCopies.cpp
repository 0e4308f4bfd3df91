#include "sbCopies.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSet>
#include <QThread>

#include <algorithm>

#include "Discwright.h"
#include "sbActions.h"
#include "sbBurnPlan.h"
#include "sbBurner.h"
#include "sbCallbacks.h"
#include "sbDeviceList.h"
#include "sbErrors.h"
#include "sbStrings.h"
#include "sbTrayAndDisc.h"
#include "sbUiHooks.h"

namespace {

// Each look opens the drive: once a second is often enough for a hand changing discs.
constexpr qint64 kAskAgainMs = 1000;

void PumpFor(qint64 ms, const TsbBurner& burner, const TsbCopiesHooks& hooks) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms && !burner.Cancelled && !(hooks.StopRequested && hooks.StopRequested())) {
    ProcessMessages();
    QThread::msleep(20);
  }
}

// Why the disc in drive is not taken for the next copy, in the words a user
// standing at the drive needs.
QString RefusalText(const QString& drive, const QString& reason) {
  if (reason.startsWith(ResStr(sDiscNotBlank))) return QCoreApplication::translate("sbCopies", "The disc in %1 is not blank").arg(drive);
  return QCoreApplication::translate("sbCopies", "The disc in %1 is not taken: %2").arg(drive, reason);
}

enum class WaitEnd { Disc, Cancelled, Stopped };

// Waits for a disc the plan accepts in its drive; a disc it refuses is said and
// ejected.
WaitEnd WaitForNextDisc(TsbBurnPlan& plan, TsbBurner& burner, int copy, int wanted, const QString& drive,
                        const std::function<void(const QString&, TsbLogItemType)>& say, const TsbCopiesHooks& hooks) {
  GlobalCallBackEventer().DoBurnStateChange(true);  // the wait can be cancelled like the burn
  auto tell = [&](const QString& refusal) {
    if (hooks.OnWait) hooks.OnWait(copy, wanted, drive, refusal);
  };
  tell({});
  // Each text once while the same disc stays in, not on every look at the drive:
  // a refusal and a failed eject take turns, so the last text alone does not tell.
  QSet<QString> said;
  auto sayOnce = [&](const QString& text, TsbLogItemType kind) {
    if (!said.contains(text)) say(text, kind);
    said.insert(text);
  };
  while (!burner.Cancelled) {
    if (hooks.StopRequested && hooks.StopRequested()) return WaitEnd::Stopped;
    TsbDeviceItem item;
    if (FindDriveNow(plan.DeviceName(), item) && item.DiscType != DISC_TYPE_NO_MEDIA && item.DiscProblem.isEmpty()) {
      try {
        plan.SetDevice(&item, plan.Transport());
        plan.CheckSourceFits();
        return WaitEnd::Disc;
      } catch (const TsbBurnRefusal& refusal) {
        burner.Release();
        const QString why = RefusalText(drive, refusal.Reason());
        if (!said.contains(why)) tell(why);
        sayOnce(why, litWarning);
        try {
          SetDiscInserted(plan.DeviceName(), false);
        } catch (const TsbError& e) {
          sayOnce(e.Message(), litError);
        }
      }
    } else {
      said.clear();  // the disc is out: the next one is judged afresh
    }
    PumpFor(kAskAgainMs, burner, hooks);
  }
  return WaitEnd::Cancelled;
}

// What tells that an image file still holds the bytes the first copy burned: its size
// and its times of change (a rewrite in place or a file renamed over it moves them).
struct ImageStamp {
  bool exists = false;
  qint64 size = 0;
  QDateTime modified, changed;
  bool operator==(const ImageStamp&) const = default;
};

ImageStamp StampOf(const QString& fileName) {
  const QFileInfo info(fileName);
  if (!info.exists()) return {};
  return {true, info.size(), info.lastModified(), info.metadataChangeTime()};
}

// How the image differs from what the first copy burned.
QString ChangeText(const ImageStamp& first, const ImageStamp& now) {
  if (!now.exists) return QCoreApplication::translate("sbCopies", "it is gone");
  if (now.size != first.size)
    return QCoreApplication::translate("sbCopies", "its size changed from %1 to %2 bytes").arg(first.size).arg(now.size);
  return QCoreApplication::translate("sbCopies", "it was changed at %1")
      .arg(std::max(now.modified, now.changed).toString(QStringLiteral("hh:mm:ss")));
}

}  // namespace

QString TsbCopiesOutcome::Summary() const {
  if (Wanted <= 1) return {};
  if (Stopped && Failed == 0)
    return QCoreApplication::translate("sbCopies", "%1 of %2 copies made: stopped as asked").arg(Made).arg(Wanted);
  if (Failed > 0)
    return QCoreApplication::translate("sbCopies", "%1 of %2 copies made, %3 failed").arg(Made).arg(Wanted).arg(Failed);
  return QCoreApplication::translate("sbCopies", "%1 of %2 copies made").arg(Made).arg(Wanted);
}

TsbCopiesOutcome::End TsbCopiesOutcome::RunEnd(const TsbBurner& burner) const {
  if (burner.Cancelled) return End::Cancelled;
  const bool succeeded = Wanted > 1 ? Made == Wanted || (Stopped && Made > 0 && Failed == 0)
                                    : burner.BurnSucceeded && Failed == 0;
  return succeeded ? End::Succeeded : End::Failed;
}

QString InsertDiscText(int copy, int wanted, const QString& drive) {
  return QCoreApplication::translate("sbCopies", "Insert a blank disc for copy %1 of %2 into %3").arg(copy).arg(wanted).arg(drive);
}

QString CopyNumberText(int copy, int wanted) {
  return QCoreApplication::translate("sbCopies", "Copy %1 of %2").arg(copy).arg(wanted);
}

TsbCopiesOutcome RunCopies(TsbBurnPlan& plan, TsbActionList& list, TsbBurner& burner, TsbMessageEvent handler,
                           const void* sender, const TsbCopiesHooks& hooks) {
  TsbCopiesOutcome outcome;
  outcome.Wanted = std::max(1, plan.Copies);
  const bool ejectAtEnd = list.EjectWhenDone;
  auto say = [&](const QString& text, TsbLogItemType kind) {
    if (handler) handler(sender ? sender : &list, text, kind);
  };
  // Every copy burns the bytes of the first: an image that changes on the way stops the
  // run, naming the change, rather than making discs that differ under one name.
  const QString image = plan.FilesChosen() ? QString() : plan.ImageFile();
  const ImageStamp firstStamp = image.isEmpty() ? ImageStamp{} : StampOf(image);
  QString firstSha256;
  auto imageChanged = [&](int copy, bool during) {
    const ImageStamp now = StampOf(image);
    if (image.isEmpty() || now == firstStamp) return false;
    const QString change = ChangeText(firstStamp, now);
    say(during ? QCoreApplication::translate("sbCopies", "The image \"%1\" changed while copy %2 was burned (%3): that "
                                                         "disc may hold parts of both; no further copies are made")
                     .arg(image)
                     .arg(copy)
                     .arg(change)
               : QCoreApplication::translate("sbCopies", "The image \"%1\" changed after copy %2 (%3): copy %4 would "
                                                         "differ from the discs made; no further copies are made")
                     .arg(image)
                     .arg(copy - 1)
                     .arg(change)
                     .arg(copy),
        litError);
    return true;
  };
  for (int copy = 1; copy <= outcome.Wanted; ++copy) {
    if (copy > 1 && imageChanged(copy, false)) break;
    if (outcome.Wanted > 1) {
      if (copy > 1) {
        burner.Release();
        const QString drive = burner.DeviceInfo.Product.trimmed();
        say(InsertDiscText(copy, outcome.Wanted, drive), litInfo);
        const WaitEnd end = WaitForNextDisc(plan, burner, copy, outcome.Wanted, drive, say, hooks);
        if (end == WaitEnd::Stopped) outcome.Stopped = true;
        if (end != WaitEnd::Disc) break;
      }
      say(CopyNumberText(copy, outcome.Wanted), litInfo);
      if (hooks.OnCopy) hooks.OnCopy(copy, outcome.Wanted);
    }
    // The tray opens after every copy but the last, which does as the user chose.
    list.EjectWhenDone = copy < outcome.Wanted || ejectAtEnd;
    const bool ok = RunActions(list, burner, handler, sender) && burner.BurnSucceeded;
    if (burner.Cancelled) break;  // a cancelled copy is neither made nor failed
    if (outcome.Wanted > 1 && imageChanged(copy, true)) {
      ++outcome.Failed;
      break;
    }
    // The verify read each disc back: every one must hold what the first held.
    if (const QString sha256 = plan.VerifiedSha256(); ok && !sha256.isEmpty()) {
      if (firstSha256.isEmpty()) firstSha256 = sha256;
      if (sha256 != firstSha256) {
        say(QCoreApplication::translate("sbCopies", "Copy %1 holds other bytes than copy 1 (SHA-256 %2, copy 1: %3): the "
                                                    "source changed; no further copies are made")
                .arg(copy)
                .arg(sha256, firstSha256),
            litError);
        ++outcome.Failed;
        break;
      }
    }
    ok ? ++outcome.Made : ++outcome.Failed;
  }
  list.EjectWhenDone = ejectAtEnd;
  if (const QString summary = outcome.Summary(); !summary.isEmpty())
    say(summary, outcome.Made == outcome.Wanted || (outcome.Stopped && outcome.Failed == 0) ? litInfo : litWarning);
  return outcome;
}
