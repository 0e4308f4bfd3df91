#include "sbCallbacks.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <utility>

#include "Discwright.h"
#include "sbBurnFigures.h"

std::atomic<int64_t> LastReportedPercent{0};

TsbCallBackEventer& GlobalCallBackEventer() {
  static TsbCallBackEventer eventer;
  return eventer;
}

TsbEventerBinding::TsbEventerBinding(TsbCallBackEventer::PercentEvent progress,
                                     TsbCallBackEventer::PercentEvent bufferStatus,
                                     TsbCallBackEventer::NotifyEvent writeToFileStart) {
  TsbCallBackEventer& eventer = GlobalCallBackEventer();
  eventer.OnProgress = std::move(progress);
  eventer.OnBufferStatus = std::move(bufferStatus);
  eventer.OnWriteToFileStart = std::move(writeToFileStart);
}

TsbEventerBinding::~TsbEventerBinding() {
  TsbCallBackEventer& eventer = GlobalCallBackEventer();
  eventer.OnProgress = nullptr;
  eventer.OnBufferStatus = nullptr;
  eventer.OnWriteToFileStart = nullptr;
}

void TsbCallBackEventer::DoAddName(const QString& name, void* data) {
  if (OnAddName) OnAddName(this, name, data);
}
void TsbCallBackEventer::DoRemoveName(const QString& name, void* data) {
  if (OnRemoveName) OnRemoveName(this, name, data);
}
void TsbCallBackEventer::DoProgress(int percent) {
  if (OnProgress) OnProgress(this, percent);
}
void TsbCallBackEventer::DoBufferStatus(int percent) {
  if (OnBufferStatus) OnBufferStatus(this, percent);
}
void TsbCallBackEventer::DoBurnStateChange(bool active) {
  if (OnBurnStateChange) OnBurnStateChange(this, active);
}
void TsbCallBackEventer::DoWriteToFileStart() {
  if (OnWriteToFileStart) OnWriteToFileStart(this);
}
void TsbCallBackEventer::DoTrack(int number, int count) {
  if (OnTrack) OnTrack(this, number, count);
}

namespace {

std::atomic<uint32_t> collisionCounter{0};

// Two names of a file tree collide: folders of the same Joliet name are merged;
// anything else gets a unique name of its own kind. A colliding boot image is
// told apart so that the tree keeps it.
void ResolveNameCollision(DiscwrightNameCollision& c) {
  if (c.Joliet && (c.FirstAttributes & 0x10) && (c.SecondAttributes & 0x10)) {
    c.Result = 3;
    return;
  }
  std::string suffix = "_" + std::to_string(++collisionCounter);
  if (c.Joliet) {
    size_t length = 0;
    while (length < DISCWRIGHT_COLLISION_NAME_UNITS - 1 && c.Name.Utf16[length]) ++length;
    length = std::min(length, DISCWRIGHT_COLLISION_NAME_UNITS - 1 - suffix.size());
    for (char ch : suffix) c.Name.Utf16[length++] = uint16_t(ch);
    c.Name.Utf16[length] = 0;
  } else {
    size_t length = strnlen(c.Name.Iso, sizeof c.Name.Iso - 1);
    length = std::min(length, sizeof c.Name.Iso - 1 - suffix.size());
    std::memcpy(c.Name.Iso + length, suffix.c_str(), suffix.size() + 1);
  }
  QString first = QString::fromUtf8(c.FirstPath ? c.FirstPath : "");
  first.replace(QLatin1Char('/'), QLatin1Char('\\'));
  QString fileName = first.mid(first.lastIndexOf(QLatin1Char('\\')) + 1);
  c.Result = fileName.compare(QLatin1String("boot.img"), Qt::CaseInsensitive) == 0 ? 1 : 2;
}

}  // namespace

void LibraryCallback(uint32_t reason, void* context, void* param1, void* param2) {
  switch (reason & 0xFF) {
    case DW_REASON_ADD_NAME:
      GlobalCallBackEventer().DoAddName(QString::fromUtf8(static_cast<const char*>(param1)), param2);
      if (context) ++*static_cast<uint32_t*>(context);
      break;
    case DW_REASON_REMOVE_NAME:
      GlobalCallBackEventer().DoRemoveName(QString::fromUtf8(static_cast<const char*>(param1)), param2);
      if (context) --*static_cast<uint32_t*>(context);
      break;
    case DW_REASON_NAME_COLLISION:
      if (param1) ResolveNameCollision(*static_cast<DiscwrightNameCollision*>(param1));
      break;
    case DW_REASON_PROGRESS: {
      int64_t total = int64_t(*static_cast<uint64_t*>(param1));
      int64_t done = int64_t(*static_cast<uint64_t*>(param2));
      if (total == 0) break;
      GlobalBurnFigures().Progress(total, done);
      int64_t percent = done * 100 / total;
      if (LastReportedPercent.exchange(percent) != percent) GlobalCallBackEventer().DoProgress(int(percent));
      break;
    }
    case DW_REASON_BUFFER: {
      uint32_t size = *static_cast<uint32_t*>(param1);
      uint32_t free = *static_cast<uint32_t*>(param2);
      if (size == 0) break;
      const int fill = int(100 - int64_t(free) * 100 / size);
      GlobalBurnFigures().Buffer(fill);
      GlobalCallBackEventer().DoBufferStatus(fill);
      break;
    }
    case DW_REASON_TRACK:
      GlobalCallBackEventer().DoTrack(int(*static_cast<uint32_t*>(param1)), int(*static_cast<uint32_t*>(param2)));
      break;
    default:
      break;
  }
}
