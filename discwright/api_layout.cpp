// The track-layout calls of the C API: audio CDs and cue sheets, laid out, burned,
// verified and read back.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "api_support.h"
#include "audio/audio_file.h"
#include "grabber_calls.h"
#include "layout/cd_text.h"
#include "layout/cue_sheet.h"
#include "layout/layout_disc.h"
#include "library.h"

using namespace discwright;

namespace {

constexpr size_t kMaxTracks = 99;

template <size_t N>
void copyField(char (&field)[N], const std::string& text) {
  const size_t n = std::min(text.size(), N - 1);
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
}

template <size_t N>
std::string fieldText(const char (&field)[N], const char* what) {
  const void* end = std::memchr(field, '\0', N);
  if (!end) throw DwError(DW_E_INVALID_ARGUMENT, std::string("The ") + what + " does not end inside its field");
  return std::string(field, static_cast<const char*>(end));
}

template <class Body>
uint8_t layoutCall(DiscwrightHandle handle, const Triple& triple, Body&& body) {
  return guarded(triple, [&] {
    auto entry = Library::instance().handles().layout(handle);
    std::lock_guard lock(entry->mutex);
    body(*entry->layout);
  });
}

size_t trackIndex(const TrackLayout& layout, uint32_t number) {
  if (number == 0 || number > layout.tracks.size())
    throw DwError(DW_E_INVALID_ARGUMENT, "The layout has no track " + std::to_string(number) + " (it holds " +
                                             std::to_string(layout.tracks.size()) + ")");
  return number - 1;
}

void checkIsrc(const std::string& isrc) {
  if (isrc.empty()) return;
  bool ok = isrc.size() == 12;
  for (size_t i = 0; ok && i < isrc.size(); ++i) {
    const char c = isrc[i];
    ok = i < 5 ? std::isalnum(static_cast<unsigned char>(c)) != 0 : std::isdigit(static_cast<unsigned char>(c)) != 0;
  }
  if (!ok) throw DwError(DW_E_INVALID_ARGUMENT, "\"" + isrc + "\" is no ISRC: 5 letters or digits, then 7 digits");
}

void checkCatalog(const std::string& catalog) {
  if (catalog.empty()) return;
  if (catalog.size() != 13 || !std::all_of(catalog.begin(), catalog.end(), [](char c) { return c >= '0' && c <= '9'; }))
    throw DwError(DW_E_INVALID_ARGUMENT, "\"" + catalog + "\" is no catalog number: 13 digits");
}

}  // namespace

#define TRIPLE Triple{exceptionText, exceptionTextSize, status, failureInfo}
#define TRIPLE_ARGS char *exceptionText, uint32_t exceptionTextSize, uint32_t *status, void *failureInfo
#define TREE_TRIPLE Triple{exceptionText, exceptionTextSize, status, nullptr}
#define TREE_TRIPLE_ARGS char *exceptionText, uint32_t exceptionTextSize, uint32_t *status

extern "C" {

uint8_t Discwright_TrackLayout_GetAudioSupport(uint8_t* decoding, char* kinds, uint32_t kindsSize) {
  return guarded(Triple{nullptr, 0, nullptr, nullptr}, [&] {
    if (decoding) *decoding = audioDecoding() ? 1 : 0;
    if (kinds && kindsSize) {
      const std::string text = audioKinds();
      const size_t n = std::min<size_t>(text.size(), kindsSize - 1);
      std::memcpy(kinds, text.data(), n);
      kinds[n] = '\0';
    }
  });
}

uint8_t Discwright_TrackLayout_Create(DiscwrightHandle* layout, TREE_TRIPLE_ARGS) {
  return guarded(TREE_TRIPLE, [&] {
    DiscwrightHandle& out = required(layout, "layout handle");
    if (!Library::instance().started()) throw DwError(DW_E_NOT_STARTED, "The library is not started");
    auto entry = std::make_shared<LayoutHandle>();
    entry->layout = std::make_shared<TrackLayout>();
    out = Library::instance().handles().add(std::move(entry));
  });
}

uint8_t Discwright_TrackLayout_CreateFromCueSheet(DiscwrightHandle* layout, TREE_TRIPLE_ARGS, const char* cuePath) {
  return guarded(TREE_TRIPLE, [&] {
    DiscwrightHandle& out = required(layout, "layout handle");
    if (!Library::instance().started()) throw DwError(DW_E_NOT_STARTED, "The library is not started");
    auto entry = std::make_shared<LayoutHandle>();
    entry->layout = layoutFromCueSheet(&required(cuePath, "cue sheet"));
    out = Library::instance().handles().add(std::move(entry));
  });
}

uint8_t Discwright_TrackLayout_AddAudioFile(DiscwrightHandle layout, TREE_TRIPLE_ARGS, const char* path,
                                            uint32_t* track) {
  return layoutCall(layout, TREE_TRIPLE, [&](TrackLayout& l) {
    const std::string file = &required(path, "file name");
    if (l.tracks.size() >= kMaxTracks) throw DwError(DW_E_INVALID_ARGUMENT, "An audio CD holds at most 99 tracks");
    const AudioFile probed = probeAudioFile(file);
    LayoutTrack t;
    t.kind = TrackKind::Audio;
    t.audio = probed.facts;
    t.title = probed.title;
    t.performer = probed.performer;
    if (t.title.empty()) {
      const size_t slash = file.find_last_of("/\\");
      t.title = file.substr(slash == std::string::npos ? 0 : slash + 1);
      const size_t dot = t.title.find_last_of('.');
      if (dot != std::string::npos && dot > 0) t.title.resize(dot);
    }
    t.source = audioFileSource(file);
    if (t.sourceBlocks() == 0) throw DwError(DW_E_FILE, file + " holds no sound");
    l.tracks.push_back(std::move(t));
    if (track) *track = uint32_t(l.tracks.size());
  });
}

uint8_t Discwright_TrackLayout_GetDisc(DiscwrightHandle layout, TREE_TRIPLE_ARGS, DiscwrightLayoutDisc* disc) {
  return layoutCall(layout, TREE_TRIPLE, [&](TrackLayout& l) {
    DiscwrightLayoutDisc& d = required(disc, "disc record");
    d = DiscwrightLayoutDisc{};
    d.Tracks = uint32_t(l.tracks.size());
    d.TotalBlocks = l.leadOutBlock();
    copyField(d.Catalog, l.catalog);
    copyField(d.Title, l.title);
    copyField(d.Performer, l.performer);
  });
}

uint8_t Discwright_TrackLayout_SetDisc(DiscwrightHandle layout, TREE_TRIPLE_ARGS, const DiscwrightLayoutDisc* disc) {
  return layoutCall(layout, TREE_TRIPLE, [&](TrackLayout& l) {
    const DiscwrightLayoutDisc& d = required(disc, "disc record");
    std::string catalog = fieldText(d.Catalog, "catalog number");
    checkCatalog(catalog);
    l.catalog = std::move(catalog);
    l.title = fieldText(d.Title, "album title");
    l.performer = fieldText(d.Performer, "album performer");
  });
}

uint8_t Discwright_TrackLayout_GetTrack(DiscwrightHandle layout, TREE_TRIPLE_ARGS, uint32_t index,
                                        DiscwrightLayoutTrack* track) {
  return layoutCall(layout, TREE_TRIPLE, [&](TrackLayout& l) {
    DiscwrightLayoutTrack& out = required(track, "track record");
    const size_t i = trackIndex(l, index);
    const LayoutTrack& t = l.tracks[i];
    out = DiscwrightLayoutTrack{};
    out.Kind = t.kind == TrackKind::Audio ? DW_TRACK_AUDIO : t.kind == TrackKind::Mode1 ? DW_TRACK_MODE1
                                                                                        : DW_TRACK_MODE2_RAW;
    out.Flags = uint8_t((t.copyPermitted ? DW_TRACK_FLAG_COPY : 0) | (t.preEmphasis ? DW_TRACK_FLAG_PREEMPHASIS : 0));
    out.PauseBlocks = t.pauseBlocks;
    out.SourcePregapBlocks = t.sourcePregapBlocks;
    out.PostgapBlocks = t.postgapBlocks;
    out.SourceBlocks = t.sourceBlocks();
    out.StartBlock = l.startBlock(i);
    out.SourceSamples = t.audio.samples;
    out.SourceRate = t.audio.rate;
    out.SourceChannels = t.audio.channels;
    copyField(out.Isrc, t.isrc);
    copyField(out.Title, t.title);
    copyField(out.Performer, t.performer);
    copyField(out.Source, t.source ? t.source->describe() : std::string());
  });
}

uint8_t Discwright_TrackLayout_SetTrack(DiscwrightHandle layout, TREE_TRIPLE_ARGS, uint32_t index,
                                        const DiscwrightLayoutTrack* track) {
  return layoutCall(layout, TREE_TRIPLE, [&](TrackLayout& l) {
    const DiscwrightLayoutTrack& in = required(track, "track record");
    LayoutTrack& t = l.tracks[trackIndex(l, index)];
    std::string isrc = fieldText(in.Isrc, "ISRC");
    checkIsrc(isrc);
    // Half an hour of silence is more than any disc wants; a larger number is a mistake.
    if (in.PauseBlocks > 30 * 60 * kBlocksPerSecond || in.PostgapBlocks > 30 * 60 * kBlocksPerSecond)
      throw DwError(DW_E_INVALID_ARGUMENT, "A pause of more than 30 minutes is not taken");
    t.title = fieldText(in.Title, "track title");
    t.performer = fieldText(in.Performer, "track performer");
    t.isrc = std::move(isrc);
    t.copyPermitted = (in.Flags & DW_TRACK_FLAG_COPY) != 0;
    t.preEmphasis = (in.Flags & DW_TRACK_FLAG_PREEMPHASIS) != 0;
    t.pauseBlocks = in.PauseBlocks;
    t.postgapBlocks = in.PostgapBlocks;
  });
}

uint8_t Discwright_TrackLayout_MoveTrack(DiscwrightHandle layout, TREE_TRIPLE_ARGS, uint32_t from, uint32_t to) {
  return layoutCall(layout, TREE_TRIPLE, [&](TrackLayout& l) {
    const size_t a = trackIndex(l, from), b = trackIndex(l, to);
    LayoutTrack moved = std::move(l.tracks[a]);
    l.tracks.erase(l.tracks.begin() + std::ptrdiff_t(a));
    l.tracks.insert(l.tracks.begin() + std::ptrdiff_t(b), std::move(moved));
  });
}

uint8_t Discwright_TrackLayout_RemoveTrack(DiscwrightHandle layout, TREE_TRIPLE_ARGS, uint32_t index) {
  return layoutCall(layout, TREE_TRIPLE, [&](TrackLayout& l) {
    l.tracks.erase(l.tracks.begin() + std::ptrdiff_t(trackIndex(l, index)));
  });
}

uint8_t Discwright_TrackLayout_GetCdTextPacks(DiscwrightHandle layout, TREE_TRIPLE_ARGS, void* packs, uint32_t size,
                                              uint32_t* count) {
  return layoutCall(layout, TREE_TRIPLE, [&](TrackLayout& l) {
    const std::vector<uint8_t> bytes = cdTextPacks(l);
    if (count) *count = uint32_t(bytes.size() / 18);
    if (packs) std::memcpy(packs, bytes.data(), std::min<size_t>(size, bytes.size()));
  });
}

uint8_t Discwright_CdvdBurnerGrabber_BurnLayout(DiscwrightHandle grabber, TRIPLE_ARGS, DiscwrightHandle layout,
                                                uint8_t writeMode, uint8_t testWrite, uint8_t reportProgress,
                                                uint32_t fifoMegabytes) {
  return guarded(TRIPLE, [&] {
    if (writeMode != DW_WRITE_SAO && writeMode != DW_WRITE_TAO)
      throw DwError(DW_E_INVALID_ARGUMENT, "A track layout is burned session-at-once or track-at-once");
    auto g = Library::instance().handles().grabber(grabber);
    BurnJob job;
    {
      // The burn works on a copy: the layout may be edited or destroyed meanwhile.
      auto entry = Library::instance().handles().layout(layout);
      std::lock_guard lock(entry->mutex);
      if (entry->layout->tracks.empty()) throw DwError(DW_E_INVALID_ARGUMENT, "The track layout holds no track");
      job.layout = std::make_shared<const TrackLayout>(*entry->layout);
    }
    Running running(*g);
    g->device->checkFault("BurnLayout");
    job.mode = writeMode == DW_WRITE_SAO ? WriteMode::Sao : WriteMode::Tao;
    job.testWrite = testWrite != 0;
    job.closeDisc = true;
    job.cdText = cdTextPacks(*job.layout);
    for (const LayoutTrack& t : job.layout->tracks) job.tracks.push_back(t.source->open());
    job.fifoBytes = size_t(fifoMegabytes == 0 ? 8 : std::min<uint32_t>(fifoMegabytes, 64)) << 20;
    GrabberObserver observer(*g, reportProgress);
    g->device->burn(job, observer);
  });
}

uint8_t Discwright_CdvdBurnerGrabber_VerifyLayout(DiscwrightHandle grabber, TRIPLE_ARGS, DiscwrightHandle layout,
                                                  uint32_t maxOffsetSamples, DiscwrightLayoutCheck* check) {
  return guarded(TRIPLE, [&] {
    DiscwrightLayoutCheck& out = required(check, "check record");
    auto g = Library::instance().handles().grabber(grabber);
    std::shared_ptr<const TrackLayout> copy;
    {
      auto entry = Library::instance().handles().layout(layout);
      std::lock_guard lock(entry->mutex);
      copy = std::make_shared<const TrackLayout>(*entry->layout);
    }
    Running running(*g);
    g->device->checkFault("VerifyLayout");
    GrabberObserver observer(*g, true);
    out = verifyLayout(*g->device, *copy, maxOffsetSamples, observer);
  });
}

uint8_t Discwright_CdvdBurnerGrabber_ReadRawSectors(DiscwrightHandle grabber, TRIPLE_ARGS, uint32_t lba,
                                                    uint32_t count, void* buffer) {
  return guarded(TRIPLE, [&] {
    auto g = Library::instance().handles().grabber(grabber);
    g->device->checkFault("ReadRawSectors");
    g->device->readRawSectors(lba, count, &required(static_cast<char*>(buffer), "buffer"));
  });
}

uint8_t Discwright_CdvdBurnerGrabber_ReadToCueSheet(DiscwrightHandle grabber, TRIPLE_ARGS, const char* binPath,
                                                    const char* cuePath) {
  return guarded(TRIPLE, [&] {
    const std::string bin = &required(binPath, "image file"), cue = &required(cuePath, "cue sheet");
    auto g = Library::instance().handles().grabber(grabber);
    Running running(*g);
    g->device->checkFault("ReadToCueSheet");
    GrabberObserver observer(*g, true);
    readDiscToCueSheet(*g->device, bin, cue, observer);
  });
}

}  // extern "C"
