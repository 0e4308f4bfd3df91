// A test-only program for the emulated writer's guest: burns track layouts through
// Discwright_CdvdBurnerGrabber_BurnLayout, reads whole sectors back, and shows what the
// drive tells of a CD. Layouts are filled here from files, in place of the music-file
// and cue-sheet calls, so that the real-drive backend alone is under test.
//   layout_driver burn DEVICE sao|tao [--test] [--catalog DIGITS] [--cdtext] TRACK...
//       TRACK: data:FILE[:PAUSE] or audio:FILE[:PAUSE[:ISRC]] (PAUSE in blocks; 150 if left out)
//       --cdtext hands the device one CD-TEXT pack directly (the layout's own packs
//       come from the library's CD-TEXT maker)
//   layout_driver check-mode1 DEVICE LBA IMAGE   whole sectors of IMAGE's blocks from LBA:
//       sync, header (block + 150 as minutes, seconds, frames; mode 1) and user data
//   layout_driver info DEVICE                     table of contents and the CD's facts
// Exit status 0 on success, 1 on a refusal or failure (its code and text printed).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Discwright.h"
#include "byte_source.h"
#include "error.h"
#include "handle_table.h"
#include "layout/track_layout.h"
#include "library.h"

using namespace discwright;

namespace {

struct Triple {
  char text[DISCWRIGHT_TEXT_SIZE] = {};
  uint32_t status = 0;
  uint8_t failure[DISCWRIGHT_FAILURE_INFO_SIZE] = {};
};
#define ARGS(t) (t).text, uint32_t(sizeof((t).text)), &(t).status, (t).failure

int fail(const char* what, uint8_t code, const Triple& t) {
  std::printf("%s: code %u: %s\n", what, unsigned(code), t.text);
  return 1;
}

class FileTrack : public TrackSource {
 public:
  FileTrack(std::string path, TrackKind kind) : path_(std::move(path)), kind_(kind) {
    blocks_ = uint32_t(openFileSource(path_)->size() / sectorBytes(kind_));
  }
  uint32_t blocks() const override { return blocks_; }
  std::unique_ptr<ByteSource> open() const override { return openFileSource(path_); }
  std::string describe() const override { return path_; }

 private:
  std::string path_;
  TrackKind kind_;
  uint32_t blocks_ = 0;
};

void onEvent(uint32_t reason, void*, void* param1, void* param2) {
  if (reason == DW_REASON_TRACK)
    std::printf("track %u of %u\n", *static_cast<uint32_t*>(param1), *static_cast<uint32_t*>(param2));
  if (reason == DW_REASON_PROGRESS) {
    static int shown = -1;
    const auto total = *static_cast<uint64_t*>(param1), done = *static_cast<uint64_t*>(param2);
    const int percent = total ? int(done * 100 / total) : 0;
    if (percent / 25 != shown / 25) shown = percent, std::printf("progress %d%% (%llu of %llu bytes)\n", percent,
                                                                 (unsigned long long)done, (unsigned long long)total);
  }
}

std::vector<std::string> split(const std::string& text) {
  std::vector<std::string> parts;
  size_t at = 0;
  for (size_t colon; (colon = text.find(':', at)) != std::string::npos; at = colon + 1)
    parts.push_back(text.substr(at, colon - at));
  parts.push_back(text.substr(at));
  return parts;
}

struct Quiet : BurnObserver {
  void progress(uint64_t, uint64_t) override {}
  void buffer(uint32_t, uint32_t) override {}
  bool cancelled() const override { return false; }
};

int burn(DiscwrightHandle grabber, int argc, char** argv) {
  const bool sao = std::strcmp(argv[3], "sao") == 0;
  bool test = false, cdText = false;
  Triple t;
  DiscwrightHandle layout = 0;
  if (uint8_t c = Discwright_TrackLayout_Create(&layout, t.text, sizeof t.text, &t.status)) return fail("Create", c, t);
  auto entry = Library::instance().handles().layout(layout);
  for (int i = 4; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--test") {
      test = true;
    } else if (arg == "--cdtext") {
      cdText = true;
    } else if (arg == "--catalog" && i + 1 < argc) {
      entry->layout->catalog = argv[++i];
    } else {
      const auto parts = split(arg);
      LayoutTrack track;
      track.kind = parts[0] == "audio" ? TrackKind::Audio : TrackKind::Mode1;
      track.source = std::make_shared<FileTrack>(parts.at(1), track.kind);
      if (parts.size() > 2) track.pauseBlocks = uint32_t(std::stoul(parts[2]));
      if (parts.size() > 3) track.isrc = parts[3];
      entry->layout->tracks.push_back(std::move(track));
    }
  }
  std::printf("burning %zu tracks %s, lead-out at block %u\n", entry->layout->tracks.size(), sao ? "SAO" : "TAO",
              entry->layout->leadOutBlock());
  if (cdText) {
    // Straight to the device, as BurnLayout hands it the layout's packs.
    BurnJob job;
    job.mode = sao ? WriteMode::Sao : WriteMode::Tao;
    job.layout = std::make_shared<const TrackLayout>(*entry->layout);
    job.cdText.assign(18, 0);
    job.cdText[0] = 0x80;
    for (const LayoutTrack& track : job.layout->tracks) job.tracks.push_back(track.source->open());
    Quiet quiet;
    try {
      Library::instance().handles().grabber(grabber)->device->burn(job, quiet);
    } catch (const DwError& e) {
      std::printf("burn: code %u: %s\n", unsigned(e.code()), e.what());
      return 1;
    }
    return 0;
  }
  if (uint8_t c = Discwright_CdvdBurnerGrabber_BurnLayout(grabber, ARGS(t), layout, sao ? DW_WRITE_SAO : DW_WRITE_TAO,
                                                          test, 1, 0))
    return fail("BurnLayout", c, t);
  std::printf("burned\n");
  return 0;
}

int checkMode1(DiscwrightHandle grabber, uint32_t lba, const char* imagePath) {
  std::ifstream in(imagePath, std::ios::binary);
  const std::vector<uint8_t> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const uint32_t blocks = uint32_t(image.size() / 2048);
  std::vector<uint8_t> raw(size_t(blocks) * 2352);
  Triple t;
  if (uint8_t c = Discwright_CdvdBurnerGrabber_ReadRawSectors(grabber, ARGS(t), lba, blocks, raw.data()))
    return fail("ReadRawSectors", c, t);
  static const uint8_t sync[12] = {0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0};
  auto bcd = [](uint32_t v) { return uint8_t((v / 10) << 4 | (v % 10)); };
  uint32_t bad = 0;
  for (uint32_t b = 0; b < blocks; ++b) {
    const uint8_t* s = raw.data() + size_t(b) * 2352;
    const uint32_t at = lba + b + 150;
    const bool good = std::memcmp(s, sync, 12) == 0 && s[12] == bcd(at / 4500) && s[13] == bcd(at / 75 % 60) &&
                      s[14] == bcd(at % 75) && s[15] == 1 && std::memcmp(s + 16, image.data() + size_t(b) * 2048, 2048) == 0;
    if (!good && bad++ < 3) std::printf("block %u differs\n", lba + b);
  }
  std::printf("%u whole sectors read from block %u, %u differ\n", blocks, lba, bad);
  return bad ? 1 : 0;
}

int info(DiscwrightHandle grabber) {
  Triple t;
  DiscwrightTocInformation toc{};
  if (uint8_t c = Discwright_CdvdBurnerGrabber_GetTOCInformation(grabber, ARGS(t), &toc)) return fail("TOC", c, t);
  for (unsigned i = 0; i < toc.LastTrack; ++i) {
    const auto& e = toc.Entries[i];
    DiscwrightTrackInformation ti{};
    Discwright_CdvdBurnerGrabber_GetTrackInformation(grabber, ARGS(t), uint8_t(i + 1), &ti);
    std::printf("track %u: start %u, %u blocks, control %u, mode %u, track mode %u\n", unsigned(e.TrackNumber),
                e.StartBlock, e.SizeBlocks, unsigned(e.Control), unsigned(e.Mode), unsigned(ti.TrackMode));
  }
  std::printf("lead-out %u\n", toc.LeadOutBlock);
  try {
    const CdFacts facts = Library::instance().handles().grabber(grabber)->device->cdFacts();
    std::printf("catalog \"%s\", CD-TEXT packs %zu\n", facts.catalog.c_str(), facts.cdText.size() / 18);
    for (size_t i = 0; i < facts.isrcs.size(); ++i) std::printf("ISRC of track %zu: \"%s\"\n", i + 1, facts.isrcs[i].c_str());
  } catch (const DwError& e) {
    std::printf("facts: code %u: %s\n", unsigned(e.code()), e.what());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: layout_driver burn|check-mode1|info DEVICE ...\n");
    return 2;
  }
  char error[DISCWRIGHT_TEXT_SIZE] = {};
  DiscwrightStartup s{};
  s.Size = sizeof s;
  s.UseRealDrives = 1;
  s.TimeScale = -1;
  s.ErrorText = error;
  s.ErrorTextSize = sizeof error;
  if (Discwright_UpStartEx(&s)) {
    std::printf("start: %s\n", error);
    return 1;
  }
  Triple t;
  DiscwrightHandle grabber = 0;
  int rc = 2;
  if (uint8_t c = Discwright_CdvdBurnerGrabber_CreateEx(&grabber, ARGS(t), onEvent, nullptr, argv[2], 0)) {
    rc = fail("open", c, t);
  } else {
    const std::string command = argv[1];
    if (command == "burn" && argc > 4) rc = burn(grabber, argc, argv);
    else if (command == "check-mode1" && argc == 5) rc = checkMode1(grabber, uint32_t(std::stoul(argv[3])), argv[4]);
    else if (command == "info") rc = info(grabber);
    Discwright_Destroy(&grabber);
  }
  Discwright_DownShut();
  return rc;
}
