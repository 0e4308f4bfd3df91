// The write speeds an opened device accepts for the inserted disc, found by
// asking it for each speed of a fixed table and reading back what it set.
#pragma once

#include <QString>

#include <cstdint>
#include <deque>

#include "sbBurnerRecords.h"  // SingleSpeedKBps, the 1x the list is measured in

class TsbBurner;

// "%d.0x (%d KB/sec)": how a speed is shown in the speed list and the summary.
// Localised: in the user's language and locale ("8,0x (1385 KB/s)", the wizard);
// else in the C form korvanel-cli's speed list shows, which scripts read.
QString SpeedText(int32_t factor, int32_t kbPerSecond, bool localised = false);

struct TsbDiscSpeedItem {
  int32_t SpeedInPoint = 1;   // "x" factor
  int32_t SpeedInSize = 176;  // KB/s as the device reported it
  QString StrSpeed;           // SpeedText's C form
};

class TsbDiscSpeedList {
 public:
  TsbDiscSpeedList() = default;
  virtual ~TsbDiscSpeedList() = default;

  TsbDiscSpeedItem& Add() { return items_.emplace_back(); }
  TsbDiscSpeedItem& Items(int index) { return items_.at(size_t(index)); }
  const TsbDiscSpeedItem& Items(int index) const { return items_.at(size_t(index)); }
  int Count() const { return int(items_.size()); }
  void Clear() { items_.clear(); }

  // The first item with that factor, or null.
  TsbDiscSpeedItem* FindBySpeedInPoint(int32_t factor);
  // "%d.0x (%d KB/sec)" for every item.
  void BuildSpeedTexts();
  // Rebuilds the list for the device opened in the burner. Throws TsbError when
  // the maximum speeds cannot be set or the speeds cannot be read.
  virtual void ReadSpeeds(TsbBurner& burner);

  uint32_t MaximumReadSpeed = 0;   // KB/s, read back after asking for the maximum
  uint32_t MaximumWriteSpeed = 0;  // KB/s, likewise

 private:
  std::deque<TsbDiscSpeedItem> items_;
};
