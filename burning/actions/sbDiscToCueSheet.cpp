#include "sbDiscToCueSheet.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>

#include <atomic>
#include <chrono>
#include <cstring>

#include "sbBurner.h"
#include "sbCallbacks.h"
#include "sbErrors.h"
#include "sbFileSystem.h"
#include "sbLibraryCall.h"
#include "sbThreads.h"
#include "sbUiHooks.h"

QString ImageFileOfCueSheet(const QString& cueSheet) {
  if (cueSheet.endsWith(QLatin1String(".cue"), Qt::CaseInsensitive))
    return cueSheet.left(cueSheet.size() - 4) + QStringLiteral(".bin");
  return cueSheet + QStringLiteral(".bin");
}

bool TsbDiscToCueSheet::Run() {
  auto say = [this](const QString& text, TsbLogItemType kind) {
    if (OnMessage) OnMessage(text, kind);
  };
  const QString image = ImageFile.isEmpty() ? ImageFileOfCueSheet(CueSheet) : ImageFile;
  // A device, a pipe or a folder at either name is never replaced by a file.
  for (const QString& target : {CueSheet, image})
    if (const QString why = sbfile::NotAFileReason(target); !why.isEmpty())
      throw TsbError(QCoreApplication::translate("sbDiscToImage", "Cannot save to \"%1\": %2").arg(target, why));
  const QString notWritten = QCoreApplication::translate("sbDiscToCueSheet", "Reading cancelled; \"%1\" and \"%2\" were not written")
                                 .arg(CueSheet, image);

  TsbBurner b;
  b.Transport = Transport;
  b.DeviceAddress = Device.Address;
  b.DeviceName = Device.DevicePath();
  b.Open();
  auto cannotRead = [&] {
    return TsbError(QCoreApplication::translate("sbDiscToImage", "Cannot read the disc in %1: %2").arg(DeviceLabel, b.LastFailureText()));
  };
  if (!SB_CALL(b, Discwright_CdvdBurnerGrabber_CloseTray)) throw cannotRead();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!SB_CALL(b, Discwright_CdvdBurnerGrabber_TestUnitReady)) {
    if (std::chrono::steady_clock::now() >= deadline)
      throw TsbError(QCoreApplication::translate("sbDiscToImage", "The drive %1 did not become ready: %2").arg(DeviceLabel, b.LastFailureText()));
    ProcessMessages();
    if (CancelRequested && CancelRequested()) {
      say(notWritten, litWarning);
      return false;
    }
    QThread::msleep(200);
  }
  say(QCoreApplication::translate("sbDiscToCueSheet", "Reading the disc in %1 into \"%2\" and \"%3\"").arg(DeviceLabel, CueSheet, image),
      litInfo);

  // The library reports from its thread; the rows and the percentage are passed on from this one.
  std::atomic<int> percent{-1}, track{0}, tracks{0};
  const TsbEventerBinding events([&percent](TsbCallBackEventer*, int p) { percent = p; });
  struct Unbind {
    TsbCallBackEventer::TrackEvent before = GlobalCallBackEventer().OnTrack;
    ~Unbind() { GlobalCallBackEventer().OnTrack = before; }
  } unbind;
  GlobalCallBackEventer().OnTrack = [&](TsbCallBackEventer*, int number, int count) {
    tracks = count;
    track = number;
  };
  LastReportedPercent = 0;
  int shownPercent = -1, shownTrack = 0;
  bool cancelSent = false;
  auto passOn = [&] {
    // A row for each track begun since the last look, however short the tracks.
    for (const int t = track; shownTrack < t;)
      say(QCoreApplication::translate("sbDiscToCueSheet", "Reading track %1 of %2").arg(++shownTrack).arg(int(tracks)), litInfo);
    if (const int p = percent; p != shownPercent && p >= 0 && OnProgress) OnProgress(shownPercent = p);
    if (!cancelSent && CancelRequested && CancelRequested()) {
      cancelSent = true;
      b.Cancel();
    }
  };
  const QByteArray imageName = LibraryFileName(image), cueName = LibraryFileName(CueSheet);
  bool saved = false;
  RunOnWorker([&] { saved = SB_CALL(b, Discwright_CdvdBurnerGrabber_ReadToCueSheet, imageName.constData(), cueName.constData()); },
              passOn);
  if (!saved) {
    LogDiagnostic(b.LastFailureText());
    if (b.ExceptionNumber == DW_E_CANCELLED || cancelSent) {
      say(notWritten, litWarning);
      return false;
    }
    throw TsbError(QCoreApplication::translate("sbDiscToCueSheet", "Cannot save the disc in %1 as \"%2\": %3")
                       .arg(DeviceLabel, CueSheet,
                            QString::fromUtf8(b.ExceptionText, qsizetype(strnlen(b.ExceptionText, sizeof b.ExceptionText)))));
  }
  if (shownPercent != 100 && OnProgress) OnProgress(100);
  say(QCoreApplication::translate("sbDiscToCueSheet", "The disc in %1 is saved as \"%2\" and \"%3\"").arg(DeviceLabel, CueSheet, image),
      litInfo);
  return true;
}
