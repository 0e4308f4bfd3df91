// The one callback handed to the library, and the process-wide object whose
// events carry what it reports (progress, buffer fill, burn state).
#pragma once

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>

class TsbCallBackEventer {
 public:
  using NameEvent = std::function<void(TsbCallBackEventer* sender, const QString& name, void* data)>;
  using PercentEvent = std::function<void(TsbCallBackEventer* sender, int percent)>;
  using StateEvent = std::function<void(TsbCallBackEventer* sender, bool active)>;
  using NotifyEvent = std::function<void(TsbCallBackEventer* sender)>;
  using TrackEvent = std::function<void(TsbCallBackEventer* sender, int number, int count)>;

  // Bound on the window thread while no burn runs; fired on the burn thread or a library thread.
  NameEvent OnAddName;
  NameEvent OnRemoveName;
  PercentEvent OnProgress;
  PercentEvent OnBufferStatus;
  StateEvent OnBurnStateChange;
  NotifyEvent OnWriteToFileStart;
  TrackEvent OnTrack;  // a track of an audio CD or cue sheet begins (1-based), being written or read back

  void DoAddName(const QString& name, void* data);
  void DoRemoveName(const QString& name, void* data);
  void DoProgress(int percent);
  void DoBufferStatus(int percent);
  void DoBurnStateChange(bool active);
  void DoWriteToFileStart();
  void DoTrack(int number, int count);
};

TsbCallBackEventer& GlobalCallBackEventer();

// Binds the global eventer's progress, buffer and write-to-file events for one
// run and unbinds them however the run ends, an exception passing included,
// so that no later burn reports to a caller that has gone.
class TsbEventerBinding {
 public:
  explicit TsbEventerBinding(TsbCallBackEventer::PercentEvent progress,
                             TsbCallBackEventer::PercentEvent bufferStatus = {},
                             TsbCallBackEventer::NotifyEvent writeToFileStart = {});
  ~TsbEventerBinding();
  TsbEventerBinding(const TsbEventerBinding&) = delete;
  TsbEventerBinding& operator=(const TsbEventerBinding&) = delete;
};

// The last progress percentage passed on for reason 12; reset before every burn.
extern std::atomic<int64_t> LastReportedPercent;

// The library callback: reasons 0 to 3 (file trees), 12 (progress), 13 (buffer
// fill), 14 (a track begins). The device search passes its own (sbDeviceList.cpp).
void LibraryCallback(uint32_t reason, void* context, void* param1, void* param2);
