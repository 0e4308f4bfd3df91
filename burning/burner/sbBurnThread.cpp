#include "sbBurnThread.h"

#include <QCoreApplication>

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <vector>

#include "sbCallbacks.h"
#include "sbErrors.h"
#include "sbLibraryCall.h"
#include "sbLogging.h"
#include "sbStrings.h"

namespace {


constexpr uint32_t kChunk = 65536;

}  // namespace

void TsbCustomThread::DoMessage(const QString& text, TsbLogItemType kind) {
  if (OnMessage) OnMessage(this, text, kind);
}

QString TsbBurnThread::ModeLabel(TsbBurnMode mode) {
  switch (mode) {
    case bmTaoFromTree: return QCoreApplication::translate("sbBurnThread", "Track-At-Once (from tree)");
    case bmSaoFromTree: return QCoreApplication::translate("sbBurnThread", "Session-At-Once (from tree)");
    case bmDaoPqFromTree: return QCoreApplication::translate("sbBurnThread", "Disc-At-Once PQ (from tree)");
    case bmDaoRawFromTree: return QCoreApplication::translate("sbBurnThread", "Disc-At-Once raw P-W (from tree)");
    case bmDaoPqFromFile: return QCoreApplication::translate("sbBurnThread", "Disc-At-Once PQ (from file)");
    case bmDaoRawFromFile: return QCoreApplication::translate("sbBurnThread", "Disc-At-Once raw P-W (from file)");
    case bmTaoFromFile: return QCoreApplication::translate("sbBurnThread", "Track-At-Once (from file)");
    case bmSaoFromFile: return QCoreApplication::translate("sbBurnThread", "Session-At-Once (from file)");
    default: return QString();
  }
}

QString TsbBurnThread::LayoutModeLabel(TsbBurnMode mode) {
  return mode == bmSaoFromFile ? QCoreApplication::translate("sbBurnThread", "Session-At-Once (tracks)")
                               : QCoreApplication::translate("sbBurnThread", "Track-At-Once (tracks)");
}

void TsbBurnThread::Execute() {
  TsbBurner* burner = Burner.load();
  if (!burner) return;
  TsbBurner& b = *burner;
  b.LastMessage.clear();
  const TsbBurnMode mode = b.BurnSettings.Mode;
  if (mode != bmToImageFile) GlobalCallBackEventer().DoBurnStateChange(true);

  // The ending steps run however the burn ends.
  struct Ending {
    TsbBurnThread& thread;
    ~Ending() {
      GlobalCallBackEventer().DoBurnStateChange(false);
      thread.Burner = nullptr;
    }
  } ending{*this};

  try {
    if (mode == bmToImageFile)
      WriteImageFile(b);
    else if (mode <= bmSaoFromFile)
      BurnDisc(b);
  } catch (const std::exception& e) {
    const auto* error = dynamic_cast<const TsbError*>(&e);
    b.LastMessage = error ? error->Message() : QString::fromLocal8Bit(e.what());
    b.BurnSucceeded = false;
  }
}

void TsbEraseThread::Execute() {
  TsbBurner* burner = Burner.load();
  if (!burner) return;
  TsbBurner& b = *burner;
  struct Ending {
    TsbEraseThread& thread;
    ~Ending() { thread.Burner = nullptr; }
  } ending{*this};
  b.BurnSucceeded = SB_CALL_NOTED(b, QStringLiteral(" (full: %1)").arg(Full ? 1 : 0),
                                  Discwright_CdvdBurnerGrabber_Erase, uint8_t(Full ? 1 : 0));
  if (b.ExceptionNumber != 0) {
    b.LastMessage = b.LastFailureText();
    LogDiagnostic(b.LastMessage);
  }
}

void TsbBurnThread::BurnDisc(TsbBurner& b) {
  b.BurnSucceeded = true;
  const TsbBurnMode mode = b.BurnSettings.Mode;
  const bool layout = b.Layout != 0 && (mode == bmSaoFromFile || mode == bmTaoFromFile);
  DoMessage(ResStr(sBurningMode) + QStringLiteral(": ") + (layout ? LayoutModeLabel(mode) : ModeLabel(mode)), litInfo);
  DoMessage(ResStr(sBurningStarted), litInfo);

  const uint8_t test = b.BurnSettings.TestWrite ? 1 : 0;
  if (layout) {
    if (!SB_CALL(b, Discwright_CdvdBurnerGrabber_BurnLayout, b.Layout,
                 uint8_t(mode == bmSaoFromFile ? DW_WRITE_SAO : DW_WRITE_TAO), test, 1, 5)) {
      // The library's own sentence (a pause track-at-once cannot write, a disc too short):
      // the user acts on it; the call's whole failure line goes to the diagnostic log.
      LogDiagnostic(b.LastFailureText());
      b.LastMessage = QString::fromUtf8(b.ExceptionText, qsizetype(strnlen(b.ExceptionText, sizeof b.ExceptionText)));
      b.BurnSucceeded = false;
    }
    return;
  }
  const uint8_t multi = b.BurnSettings.MultiSession ? 1 : 0;
  QString failureName;  // the name in the failure text, where it differs from the call's

  switch (mode) {
    case bmTaoFromTree:
      SB_CALL(b, Discwright_CdvdBurnerGrabber_TrackAtOnceFromTree, b.FileTree, 1, test, multi, 1, 5);
      break;
    case bmSaoFromTree: {
      auto layout = b.SessionLayoutFromTree();
      SB_CALL(b, Discwright_CdvdBurnerGrabber_SessionAtOnce, layout.get(), 1, test, 1, 1, 5);
      break;
    }
    case bmDaoPqFromTree:
      SB_CALL(b, Discwright_CdvdBurnerGrabber_DiscAtOncePQFromTree, b.FileTree, 0, test, 0, 1, 5);
      break;
    case bmDaoRawFromTree:
      SB_CALL(b, Discwright_CdvdBurnerGrabber_DiscAtOnceRawPWFromTree, b.FileTree, 0, test, 0, 1, 5);
      failureName = QStringLiteral("Discwright_CdvdBurnerGrabber_DiscAtOncePQ[RawPW]FromTree");
      break;
    case bmDaoPqFromFile:
      SB_CALL(b, Discwright_CdvdBurnerGrabber_DiscAtOncePQFromFile, &b.Tracks(), 0, test, 0, 0, 1, 5);
      break;
    case bmDaoRawFromFile:
      SB_CALL(b, Discwright_CdvdBurnerGrabber_DiscAtOnceRawPWFromFile, &b.Tracks(), 0, test, 0, 0, 1, 5);
      break;
    case bmTaoFromFile: {
      const auto& tracks = b.Tracks();
      const uint32_t count = std::min<uint32_t>(tracks.Count, DISCWRIGHT_TRACK_TABLE_ENTRIES);
      for (uint32_t i = 0; i < count; ++i)
        if (!SB_CALL(b, Discwright_CdvdBurnerGrabber_TrackAtOnceFromFile, tracks.Tracks[i].FileName, 1, test, multi,
                     1, 5))
          break;
      break;
    }
    case bmSaoFromFile: {
      auto layout = b.SessionLayoutFromSourceFiles();
      SB_CALL(b, Discwright_CdvdBurnerGrabber_SessionAtOnce, layout.get(), 0, test, 1, 1, 5);
      break;
    }
    default:
      return;
  }

  if (b.ExceptionNumber != 0) {
    b.LastMessage = failureName.isEmpty() ? b.LastFailureText() : b.FailureText(failureName);
    LogDiagnostic(b.LastMessage);
    b.BurnSucceeded = false;
  }
}

void TsbBurnThread::WriteImageFile(TsbBurner& b) {
  TsbImageOutput& o = b.ImageOutput;
  GlobalCallBackEventer().DoWriteToFileStart();
  std::vector<char> buffer(kChunk, 0);
  o.LastPercent = 0;
  GlobalCallBackEventer().DoBurnStateChange(true);
  b.BurnSucceeded = true;
  for (;;) {
    o.Done = o.Total - o.Remaining;
    if (o.Total != 0) {
      o.Percent = o.Done * 100 / o.Total;
      if (o.Percent != o.LastPercent && o.Percent != 100) {
        o.LastPercent = o.Percent;
        GlobalCallBackEventer().DoProgress(int(o.Percent));
      }
    }
    if (o.Remaining <= 0 || b.Cancelled) break;
    o.Chunk = o.Remaining < int64_t(kChunk) ? o.Remaining : int64_t(kChunk);
    if (!SB_TREE_CALL(b, Discwright_ISO9660JolietFileTree_Read, uint32_t(o.Chunk), buffer.data())) {
      // Named after the loop, not a function: no "()" after it.
      b.LastMessage = QStringLiteral("Discwright_ISO9660FileTree_Read(loop) failed, exception %1, status %2, text \"%3\"")
                          .arg(b.ExceptionNumber)
                          .arg(int32_t(b.Status))
                          .arg(b.ExceptionTextString());
      LogDiagnostic(b.LastMessage);
      throw TsbError(b.LastMessage);
    }
    size_t written = 0;
    while (written < size_t(o.Chunk)) {
      ssize_t n = ::write(o.Handle, buffer.data() + written, size_t(o.Chunk) - written);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        b.Status = uint32_t(n < 0 ? errno : ENOSPC);
        b.LastMessage = QStringLiteral("WriteFile( %1 ) to \"%2\" failed, status %3 (%4)")
                            .arg(o.Chunk)
                            .arg(o.FileName)
                            .arg(int32_t(b.Status))
                            .arg(QString::fromLocal8Bit(std::strerror(int(b.Status))));
        throw TsbError(b.LastMessage);
      }
      written += size_t(n);
    }
    o.Remaining -= o.Chunk;
  }
}
