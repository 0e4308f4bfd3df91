// The burn calls of the C API: they gather the sources, then let the device
// stream them while progress goes to the grabber's callback.
#include <cstring>

#include "api_support.h"
#include "grabber_calls.h"
#include "disc_append.h"
#include "filetree/iso_tree.h"
#include "library.h"

using namespace discwright;

namespace {

// appendTo: the device of a track-at-once burn, where a tree that continues a disc may go.
std::unique_ptr<ByteSource> treeSource(DiscwrightHandle handle, BurnJob* job = nullptr, Device* appendTo = nullptr) {
  auto tree = Library::instance().handles().fileTree(handle);
  std::lock_guard lock(tree->mutex);
  if (!tree->tree->built())
    throw DwError(DW_E_INVALID_ARGUMENT, "The file tree has no image yet: build it before burning");
  if (const DiscOrigin* origin = tree->tree->origin()) {
    if (!appendTo || !job)
      throw DwError(DW_E_INVALID_ARGUMENT,
                    "A tree that continues the files of a disc is burned track-at-once onto that disc");
    checkSameDisc(*appendTo, *origin);
    job->continuesDisc = true;
    if (origin->overwritable) {
      job->growAt = origin->nextWritable;
      job->head = tree->tree->headBlocks();
      if (job->head.size() != kHeadBytes)
        throw DwError(DW_E_INTERNAL, "The image has no volume descriptors for the disc's block 16");
    }
  }
  return tree->tree->openStream();
}

// A name that must end inside its fixed field.
std::string fieldName(const char* field, size_t size, const std::string& what) {
  const void* end = std::memchr(field, '\0', size);
  if (!end) throw DwError(DW_E_INVALID_ARGUMENT, "The file name of " + what + " is too long for its entry");
  return std::string(field, static_cast<const char*>(end));
}

std::vector<std::unique_ptr<ByteSource>> trackTableSources(const DiscwrightTrackTable& table) {
  if (table.Count == 0 || table.Count > DISCWRIGHT_TRACK_TABLE_ENTRIES)
    throw DwError(DW_E_INVALID_ARGUMENT,
                  "The track table must hold 1 to 100 tracks, not " + std::to_string(table.Count));
  std::vector<std::unique_ptr<ByteSource>> sources;
  for (uint32_t i = 0; i < table.Count; ++i)
    sources.push_back(openFileSource(fieldName(table.Tracks[i].FileName, sizeof(table.Tracks[i].FileName),
                                               "track " + std::to_string(i + 1))));
  return sources;
}

std::vector<std::unique_ptr<ByteSource>> layoutSources(const DiscwrightSessionLayout& layout, bool fromTree) {
  if (layout.Count == 0 || layout.Count > DISCWRIGHT_LAYOUT_ENTRIES)
    throw DwError(DW_E_INVALID_ARGUMENT,
                  "The session layout must hold 1 to 101 entries, not " + std::to_string(layout.Count));
  std::vector<std::unique_ptr<ByteSource>> sources;
  for (uint32_t i = 0; i < layout.Count; ++i) {
    const auto& entry = layout.Entries[i];
    sources.push_back(fromTree ? treeSource(entry.FileTree)
                               : openFileSource(fieldName(entry.FileName, sizeof(entry.FileName),
                                                          "session entry " + std::to_string(i + 1))));
  }
  return sources;
}

template <class Sources>
uint8_t burnCall(DiscwrightHandle handle, const Triple& triple, const char* op, WriteMode mode, bool testWrite,
                 bool multiSession, bool closeDisc, bool reportProgress, uint32_t fifoMegabytes, Sources&& sources) {
  return guarded(triple, [&] {
    auto grabber = Library::instance().handles().grabber(handle);
    Running running(*grabber);
    grabber->device->checkFault(op);
    BurnJob job;
    job.mode = mode;
    job.tracks = sources(job, *grabber->device);
    job.testWrite = testWrite;
    job.multiSession = multiSession;
    job.closeDisc = closeDisc;
    job.fifoBytes = size_t(fifoMegabytes == 0 ? 8 : std::min<uint32_t>(fifoMegabytes, 64)) << 20;
    GrabberObserver observer(*grabber, reportProgress);
    grabber->device->burn(job, observer);
  });
}

std::vector<std::unique_ptr<ByteSource>> single(std::unique_ptr<ByteSource> source) {
  std::vector<std::unique_ptr<ByteSource>> v;
  v.push_back(std::move(source));
  return v;
}

}  // namespace

#define TRIPLE Triple{exceptionText, exceptionTextSize, status, failureInfo}
#define TRIPLE_ARGS char *exceptionText, uint32_t exceptionTextSize, uint32_t *status, void *failureInfo

extern "C" {

uint8_t Discwright_CdvdBurnerGrabber_TrackAtOnceFromFile(DiscwrightHandle grabber, TRIPLE_ARGS, const char* fileName,
                                                         uint8_t, uint8_t testWrite, uint8_t multiSession,
                                                         uint8_t reportProgress, uint32_t fifoMegabytes) {
  return burnCall(grabber, TRIPLE, "TrackAtOnceFromFile", WriteMode::Tao, testWrite, multiSession, false,
                  reportProgress, fifoMegabytes,
                  [&](BurnJob&, Device&) { return single(openFileSource(&required(fileName, "file name"))); });
}

uint8_t Discwright_CdvdBurnerGrabber_TrackAtOnceFromTree(DiscwrightHandle grabber, TRIPLE_ARGS,
                                                         DiscwrightHandle fileTree, uint8_t, uint8_t testWrite,
                                                         uint8_t multiSession, uint8_t reportProgress,
                                                         uint32_t fifoMegabytes) {
  return burnCall(grabber, TRIPLE, "TrackAtOnceFromTree", WriteMode::Tao, testWrite, multiSession, false,
                  reportProgress, fifoMegabytes,
                  [&](BurnJob& job, Device& device) { return single(treeSource(fileTree, &job, &device)); });
}

uint8_t Discwright_CdvdBurnerGrabber_SessionAtOnce(DiscwrightHandle grabber, TRIPLE_ARGS,
                                                   const DiscwrightSessionLayout* layout, uint8_t fromTree,
                                                   uint8_t testWrite, uint8_t closeDisc, uint8_t reportProgress,
                                                   uint32_t fifoMegabytes) {
  return burnCall(grabber, TRIPLE, "SessionAtOnce", WriteMode::Sao, testWrite, false, closeDisc, reportProgress,
                  fifoMegabytes,
                  [&](BurnJob&, Device&) { return layoutSources(required(layout, "session layout"), fromTree); });
}

uint8_t Discwright_CdvdBurnerGrabber_DiscAtOncePQFromFile(DiscwrightHandle grabber, TRIPLE_ARGS,
                                                          const DiscwrightTrackTable* tracks, uint8_t,
                                                          uint8_t testWrite, uint8_t, uint8_t,
                                                          uint8_t reportProgress, uint32_t fifoMegabytes) {
  return burnCall(grabber, TRIPLE, "DiscAtOncePQFromFile", WriteMode::DaoPq, testWrite, false, true, reportProgress,
                  fifoMegabytes, [&](BurnJob&, Device&) { return trackTableSources(required(tracks, "track table")); });
}

uint8_t Discwright_CdvdBurnerGrabber_DiscAtOncePQFromTree(DiscwrightHandle grabber, TRIPLE_ARGS,
                                                          DiscwrightHandle fileTree, uint8_t, uint8_t testWrite,
                                                          uint8_t, uint8_t reportProgress, uint32_t fifoMegabytes) {
  return burnCall(grabber, TRIPLE, "DiscAtOncePQFromTree", WriteMode::DaoPq, testWrite, false, true, reportProgress,
                  fifoMegabytes, [&](BurnJob&, Device&) { return single(treeSource(fileTree)); });
}

uint8_t Discwright_CdvdBurnerGrabber_DiscAtOnceRawPWFromFile(DiscwrightHandle grabber, TRIPLE_ARGS,
                                                             const DiscwrightTrackTable* tracks, uint8_t,
                                                             uint8_t testWrite, uint8_t, uint8_t,
                                                             uint8_t reportProgress, uint32_t fifoMegabytes) {
  return burnCall(grabber, TRIPLE, "DiscAtOnceRawPWFromFile", WriteMode::DaoRaw, testWrite, false, true, reportProgress,
                  fifoMegabytes, [&](BurnJob&, Device&) { return trackTableSources(required(tracks, "track table")); });
}

uint8_t Discwright_CdvdBurnerGrabber_DiscAtOnceRawPWFromTree(DiscwrightHandle grabber, TRIPLE_ARGS,
                                                             DiscwrightHandle fileTree, uint8_t, uint8_t testWrite,
                                                             uint8_t, uint8_t reportProgress,
                                                             uint32_t fifoMegabytes) {
  return burnCall(grabber, TRIPLE, "DiscAtOnceRawPWFromTree", WriteMode::DaoRaw, testWrite, false, true, reportProgress,
                  fifoMegabytes, [&](BurnJob&, Device&) { return single(treeSource(fileTree)); });
}

uint8_t Discwright_CdvdBurnerGrabber_Erase(DiscwrightHandle grabber, TRIPLE_ARGS, uint8_t full) {
  return guarded(TRIPLE, [&] {
    auto g = Library::instance().handles().grabber(grabber);
    Running running(*g);
    g->device->checkFault("Erase");
    GrabberObserver observer(*g, true);
    g->device->erase(full != 0, observer);
  });
}

}  // extern "C"
