// The burner: the opened device, the burn settings, the tables the burn calls
// take, and the burn thread that runs one burn while the window thread waits.
#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <memory>

#include "Discwright.h"
#include "sbBurnerRecords.h"
#include "sbThreads.h"

enum TsbBurnMode : uint8_t {
  bmTaoFromTree = 0,
  bmSaoFromTree = 1,
  bmDaoPqFromTree = 2,
  bmDaoRawFromTree = 3,
  bmToImageFile = 4,
  bmDaoPqFromFile = 5,
  bmDaoRawFromFile = 6,
  bmTaoFromFile = 7,
  bmSaoFromFile = 8,
};

struct TsbBurnSettings {
  TsbBurnMode Mode = bmTaoFromTree;
  bool TestWrite = false;
  bool MultiSession = false;
  bool SendOPC = false;
  int32_t SpeedFactor = 0;  // shown as "%d.0x"
  int32_t WriteSpeed = 0;   // KB/s
};

struct TsbImageOutput {
  int Handle = -1;  // output file descriptor, -1 = none
  QString FileName;  // the output as the user named it, for failure texts
  int64_t FreeBytesAvailable = 0;
  int64_t TotalBytes = 0;
  int64_t Remaining = 0;
  int64_t TotalFreeBytes = 0;
  int64_t Total = 0;
  int64_t Chunk = 0;
  int64_t LastPercent = 0;
  int64_t Done = 0;
  int64_t Percent = 0;
};

class TsbBurnThread;

class TsbBurner {
 public:
  TsbBurner();
  virtual ~TsbBurner();
  TsbBurner(const TsbBurner&) = delete;
  TsbBurner& operator=(const TsbBurner&) = delete;

  QString LastMessage;
  DiscwrightDeviceAddress DeviceAddress{};
  bool HasBootImage = false;
  QString BootImageFile;
  TsbTransportType Transport = ttAspi;
  TsbBurnSettings BurnSettings;
  TsbDiscSpace DiscSpace;
  QString VolumeLabel = QStringLiteral("NEW");
  TsbWriteModes WriteModes;
  uint8_t DiscType = 0;
  TsbDeviceInfo DeviceInfo;
  TsbMessageEvent OnMessage;
  QStringList SourceFiles;
  QString DeviceName;
  std::atomic<bool> Cancelled{false};       // set by Cancel, never reset
  std::atomic<bool> BurnSucceeded{false};
  DiscwrightHandle Grabber = 0;
  DiscwrightHandle FileTree = 0;
  // The track layout the from-file session-at-once and track-at-once modes burn in place
  // of an image (an audio CD, a cue sheet); not owned: the burn plan holds it. 0: none.
  DiscwrightHandle Layout = 0;
  uint8_t ExceptionNumber = 0;
  uint32_t Status = 0;
  char ExceptionText[DISCWRIGHT_TEXT_SIZE] = {};
  uint8_t FailureInfo[DISCWRIGHT_FAILURE_INFO_SIZE] = {};
  TsbImageOutput ImageOutput;
  DiscwrightTrackTable& Tracks() { return *tracks_; }
  const DiscwrightTrackTable& Tracks() const { return *tracks_; }

  // True while a burn thread runs.
  bool BurnThreadRunning() const { return burnThread_.load() != nullptr; }

  virtual void WaitForBurnThread();
  virtual void BurnThreadDone();
  virtual void DoMessage(const void* sender, const QString& text, TsbLogItemType kind);

  void Open();     // raises TsbError with the library's text
  void Lock();     // failures go to the error box, nothing is raised
  // Set by a Lock that failed: the tray can be opened mid-burn, which korvanel-cli refuses.
  bool LockFailed = false;
  void Release();  // likewise
  void Burn();     // runs one burn on the burn thread and returns when it ended
  // Erases the rewritable disc of the opened device on the burn thread (full:
  // every block, else only its table of contents) while the window thread
  // keeps processing events; Cancel stops it. Raises TsbError with the
  // library's text when it fails or is cancelled.
  void Erase(bool full);
  void Cancel();
  void DestroyFileTree();
  void DestroyGrabber();

  // The track table with one track, fileName; a name that does not fit its
  // entry is refused with a TsbError before anything is written.
  void SetSingleTrack(const QString& fileName);
  // The session layout of SourceFiles (one entry each), refused likewise.
  std::unique_ptr<DiscwrightSessionLayout> SessionLayoutFromSourceFiles() const;
  std::unique_ptr<DiscwrightSessionLayout> SessionLayoutFromTree() const;

  // "<function>() failed, exception %d, status %d, text \"%s\"" with the last call's triple.
  QString FailureText(const QString& function) const;
  // The library function called last through CallLibrary, and its failure text.
  QString LastCall;
  QString LastFailureText() const { return FailureText(LastCall); }
  // The exception text buffer as text.
  QString ExceptionTextString() const;

 private:
  std::unique_ptr<DiscwrightTrackTable> tracks_;
  std::atomic<TsbBurnThread*> burnThread_{nullptr};
  std::unique_ptr<TsbBurnThread> burnThreadOwner_;
  std::atomic<bool> erasing_{false};
  void StartBurnThread(std::unique_ptr<TsbBurnThread> thread);
};

// Encodes a file name the way the library's file calls expect it.
QByteArray LibraryFileName(const QString& fileName);
