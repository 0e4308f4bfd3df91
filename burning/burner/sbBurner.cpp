#include "sbBurner.h"

#include <QCoreApplication>
#include <QFile>

#include <cstring>

#include "sbBurnFigures.h"
#include "sbBurnThread.h"
#include "sbCallbacks.h"
#include "sbDeviceOpen.h"
#include "sbDialogs.h"
#include "sbErrors.h"
#include "sbLibraryCall.h"
#include "sbLogging.h"
#include "sbUiHooks.h"

QByteArray LibraryFileName(const QString& fileName) { return QFile::encodeName(fileName); }

TsbBurner::TsbBurner() : tracks_(std::make_unique<DiscwrightTrackTable>()) {}

TsbBurner::~TsbBurner() {
  WaitForBurnThread();
  DestroyFileTree();
  DestroyGrabber();
}

QString TsbBurner::ExceptionTextString() const {
  return QString::fromLocal8Bit(ExceptionText, int(strnlen(ExceptionText, sizeof ExceptionText)));
}

QString TsbBurner::FailureText(const QString& function) const {
  return QStringLiteral("%1() failed, exception %2, status %3, text \"%4\"")
      .arg(function)
      .arg(ExceptionNumber)
      .arg(int32_t(Status))
      .arg(ExceptionTextString());
}

void TsbBurner::WaitForBurnThread() {
  while (TsbBurnThread* thread = burnThread_.load()) {
    if (!thread->WaitFor(kWaitSlice)) ProcessMessages();
    else break;
  }
  burnThreadOwner_.reset();  // joins the ended thread
}

void TsbBurner::BurnThreadDone() { burnThread_ = nullptr; }

void TsbBurner::DoMessage(const void*, const QString& text, TsbLogItemType kind) {
  if (OnMessage) OnMessage(this, text, kind);
}

void TsbBurner::Open() {
  DestroyGrabber();
  LogDiagnostic(QStringLiteral("Discwright_CdvdBurnerGrabber_Create (before create)"));
  ExceptionNumber = CreateGrabber(Grabber, ExceptionText, Status, FailureInfo,
                                  {Transport, DeviceAddress, DeviceName.toLocal8Bit()}, 0, LibraryCallback, nullptr,
                                  nullptr);
  if (ExceptionNumber != 0) {
    LastMessage = FailureText(QStringLiteral("Discwright_CdvdBurnerGrabber_Create"));
    LogDiagnostic(LastMessage);
    throw TsbError(LastMessage);
  }
  LogDiagnostic(QStringLiteral("Discwright_CdvdBurnerGrabber_Create (after create): PortID:%1,BusID:%2,TargetID:%3,LUN:%4")
          .arg(DeviceAddress.PortID)
          .arg(DeviceAddress.BusID)
          .arg(DeviceAddress.TargetID)
          .arg(DeviceAddress.LUN));
}

void TsbBurner::Lock() {
  ExceptionNumber = 0;
  LockFailed = false;
  if (!Grabber) return;
  if (!SB_CALL(*this, Discwright_CdvdBurnerGrabber_Lock)) {
    LockFailed = true;
    LastMessage = LastFailureText();
    LogDiagnostic(LastMessage);
    Dialogs().ErrorMessage(LastMessage);
  }
}

void TsbBurner::Release() {
  ExceptionNumber = 0;
  if (!Grabber) return;
  if (!SB_CALL(*this, Discwright_CdvdBurnerGrabber_Release)) {
    LastMessage = LastFailureText();
    LogDiagnostic(LastMessage);
    Dialogs().ErrorMessage(LastMessage);
  }
}

void TsbBurner::Cancel() {
  if (BurnSettings.Mode != bmToImageFile || erasing_) {
    SB_CALL_PLAIN(Discwright_CdvdBurnerGrabber_Cancel, Grabber);
  }
  Cancelled = true;
}

void TsbBurner::Burn() {
  WaitForBurnThread();
  const auto awake = HoldWhileRunning();
  GlobalBurnFigures().Start(SingleSpeedKBps(DiscType));
  StartBurnThread(std::make_unique<TsbBurnThread>(this));
  WaitForBurnThread();
}

void TsbBurner::Erase(bool full) {
  WaitForBurnThread();
  ExceptionNumber = 0;
  LastMessage.clear();
  LastReportedPercent = 0;
  erasing_ = true;
  const auto awake = HoldWhileRunning();
  struct Ended {
    std::atomic<bool>& flag;
    ~Ended() { flag = false; }
  } ended{erasing_};
  StartBurnThread(std::make_unique<TsbEraseThread>(this, full));
  WaitForBurnThread();
  if (ExceptionNumber != 0) throw TsbError(LastMessage);
}

void TsbBurner::StartBurnThread(std::unique_ptr<TsbBurnThread> owner) {
  burnThreadOwner_ = std::move(owner);
  TsbBurnThread* thread = burnThreadOwner_.get();
  burnThread_ = thread;
  thread->OnTerminate = [this](TsbWorkerThread*) { BurnThreadDone(); };
  thread->OnMessage = [this](const void* sender, const QString& text, TsbLogItemType kind) {
    DoMessage(sender, text, kind);
  };
  thread->Start();
}

void TsbBurner::DestroyFileTree() {
  if (!FileTree) return;
  DestroyHandle(FileTree, "FileTree");
}

void TsbBurner::DestroyGrabber() {
  if (!Grabber) return;
  Release();
  DestroyHandle(Grabber, "Grabber");
}

namespace {

// Copies a name into a fixed field of a library table, refusing one that
// would not end inside it: a cut name would burn some other file, or none.
void CopyName(char* field, size_t fieldSize, const QString& fileName, const char* where) {
  QByteArray name = LibraryFileName(fileName);
  if (size_t(name.size()) >= fieldSize)
    throw TsbError(
        QCoreApplication::translate("sbBurner", "The image file name is too long for the %1 (at most %2 bytes): %3")
            .arg(QCoreApplication::translate("sbBurner", where))
            .arg(fieldSize - 1)
            .arg(fileName));
  std::memcpy(field, name.constData(), size_t(name.size()));
  field[name.size()] = '\0';
}

}  // namespace

void TsbBurner::SetSingleTrack(const QString& fileName) {
  DiscwrightTrackTable table{};
  CopyName(table.Tracks[0].FileName, sizeof table.Tracks[0].FileName, fileName,
           QT_TRANSLATE_NOOP("sbBurner", "track table"));
  table.Count = 1;
  *tracks_ = table;
}

std::unique_ptr<DiscwrightSessionLayout> TsbBurner::SessionLayoutFromSourceFiles() const {
  if (SourceFiles.size() > int(DISCWRIGHT_LAYOUT_ENTRIES))
    throw TsbError(QCoreApplication::translate("sbBurner", "A session holds at most %1 image files, not %2")
                       .arg(DISCWRIGHT_LAYOUT_ENTRIES)
                       .arg(SourceFiles.size()));
  auto layout = std::make_unique<DiscwrightSessionLayout>();
  for (int i = 0; i < SourceFiles.size(); ++i) {
    auto& entry = layout->Entries[i];
    CopyName(entry.FileName, sizeof entry.FileName, SourceFiles[i], QT_TRANSLATE_NOOP("sbBurner", "session layout"));
  }
  layout->Count = uint32_t(SourceFiles.size());
  return layout;
}

std::unique_ptr<DiscwrightSessionLayout> TsbBurner::SessionLayoutFromTree() const {
  auto layout = std::make_unique<DiscwrightSessionLayout>();
  layout->Count = 1;
  layout->Entries[0].FileTree = FileTree;
  return layout;
}
