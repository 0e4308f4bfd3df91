#include "sbVerifyLayoutAction.h"

#include <QCoreApplication>

#include <cstring>
#include <exception>

#include "sbBurner.h"
#include "sbCallbacks.h"
#include "sbErrors.h"
#include "sbLibraryCall.h"
#include "sbLogging.h"
#include "sbThreads.h"

QString AudioOffsetText(int32_t samples) {
  return QCoreApplication::translate("sbVerifyLayoutAction", "Audio read offset of the drive: %1 samples")
      .arg(samples >= 0 ? QStringLiteral("+%1").arg(samples) : QString::number(samples));
}

QString LayoutPassedText(uint32_t tracks) {
  return tracks == 1 ? QCoreApplication::translate("sbVerifyLayoutAction", "Verification passed: 1 track read back equal")
                     : QCoreApplication::translate("sbVerifyLayoutAction", "Verification passed: %1 tracks read back equal")
                           .arg(tracks);
}

QString LayoutMismatchText(uint32_t track, uint32_t block) {
  return QCoreApplication::translate("sbVerifyLayoutAction",
                                     "Verification failed: track %1 differs from the disc at block %2 of it")
      .arg(track)
      .arg(block);
}

void TsbVerifyLayoutAction::Execute(TsbActionItem* item) {
  TsbAction::Execute(item);
  Sha256.clear();
  Found = {};
  TsbBurner& b = Burner();
  if (NothingAfterTestBurn()) return;
  if (!b.Layout) Fail(QCoreApplication::translate("sbVerifyLayoutAction", "Verification failed: no tracks to compare"));
  Report(QCoreApplication::translate("sbVerifyAction", "Verifying disc"), litInfo);
  struct EjectOnFailure {
    TsbVerifyLayoutAction& action;
    int failures = std::uncaught_exceptions();
    ~EjectOnFailure() {
      if (std::uncaught_exceptions() <= failures) return;
      try {
        action.Eject();
      } catch (...) {
        // The failure on its way is the one to report.
      }
    }
  } ejectOnFailure{*this};

  if (!SB_CALL(b, Discwright_CdvdBurnerGrabber_CloseTray)) Fail(b.LastFailureText());
  if (!WaitUntilReady()) return StopCancelled();

  // Audio is checked when the layout holds any: only then is the drive's offset a finding.
  bool audio = false;
  {
    TsbCallTriple triple;
    DiscwrightLayoutDisc disc{};
    if (Discwright_TrackLayout_GetDisc(b.Layout, triple.text, DISCWRIGHT_TEXT_SIZE, &triple.status, &disc) != DW_E_OK)
      Fail(QString::fromUtf8(triple.text));
    for (uint32_t n = 1; n <= disc.Tracks && !audio; ++n) {
      DiscwrightLayoutTrack track{};
      if (Discwright_TrackLayout_GetTrack(b.Layout, triple.text, DISCWRIGHT_TEXT_SIZE, &triple.status, n, &track) !=
          DW_E_OK)
        Fail(QString::fromUtf8(triple.text));
      audio = track.Kind == DW_TRACK_AUDIO;
    }
  }

  // One long call: it runs beside this thread, which keeps the window (and Ctrl+C) served.
  LastReportedPercent = 0;
  bool read = false;
  RunOnWorker([&] {
    read = SB_CALL(b, Discwright_CdvdBurnerGrabber_VerifyLayout, b.Layout, kMaxOffsetSamples, &Found);
  });
  if (b.Cancelled) return StopCancelled();
  if (!read) {
    LogDiagnostic(b.LastFailureText());
    Fail(QCoreApplication::translate("sbVerifyLayoutAction", "Verification failed: %1")
             .arg(QString::fromUtf8(b.ExceptionText, qsizetype(strnlen(b.ExceptionText, sizeof b.ExceptionText)))));
  }
  GlobalCallBackEventer().DoProgress(100);
  if (audio) Report(AudioOffsetText(Found.OffsetSamples), litInfo);
  if (Found.BadTrack != 0) Fail(LayoutMismatchText(Found.BadTrack, Found.BadBlock));
  Report(LayoutPassedText(Found.CheckedTracks), litInfo);
  Eject();
}
