// A small command-line example of the Discwright library: lists the recorders
// and burns an image file, or an image built from a folder, onto one of them.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "Discwright.h"

namespace {

std::atomic<DiscwrightHandle> runningGrabber{0};

void onInterrupt(int) {
  if (DiscwrightHandle g = runningGrabber.load()) Discwright_CdvdBurnerGrabber_Cancel(g);
}

void onDeviceFound(uint32_t reason, void*, void* param1, void*) {
  if (reason != DW_REASON_DEVICE_FOUND || !param1) return;
  auto* a = static_cast<DiscwrightDeviceAddress*>(param1);
  char text[DISCWRIGHT_TEXT_SIZE] = {};
  uint32_t status = 0;
  uint8_t failure[DISCWRIGHT_FAILURE_INFO_SIZE];
  DiscwrightHandle g = 0;
  if (Discwright_CdvdBurnerGrabber_Create(&g, text, sizeof text, &status, failure, nullptr, nullptr, a->PortID,
                                          a->BusID, a->TargetID, a->LUN, 1) != 0) {
    std::printf("  %u:%u:%u:%u  (cannot open: %s)\n", a->PortID, a->BusID, a->TargetID, a->LUN, text);
    return;
  }
  char vendor[DISCWRIGHT_TEXT_SIZE] = {}, product[DISCWRIGHT_TEXT_SIZE] = {}, revision[DISCWRIGHT_TEXT_SIZE] = {};
  uint32_t buffer = 0;
  Discwright_CdvdBurnerGrabber_GetDeviceInformation(g, text, sizeof text, &status, failure, vendor, product, revision,
                                                    &buffer);
  uint8_t type = DISC_TYPE_NO_MEDIA;
  Discwright_CdvdBurnerGrabber_GetInsertedDiscType(g, text, sizeof text, &status, failure, &type);
  uint64_t freeBytes = 0;
  uint32_t freeBlocks = 0;
  Discwright_CdvdBurnerGrabber_GetDiscFreeSpace(g, text, sizeof text, &status, failure, 3, &freeBlocks, &freeBytes);
  std::printf("  %u:%u:%u:%u  %s %s %s  disc type %u, %llu bytes free\n", a->PortID, a->BusID, a->TargetID, a->LUN,
              vendor, product, revision, type, static_cast<unsigned long long>(freeBytes));
  Discwright_Destroy(&g);
}

void onProgress(uint32_t reason, void*, void* param1, void* param2) {
  static int last = -1;
  if (reason != DW_REASON_PROGRESS) return;
  uint64_t total = *static_cast<uint64_t*>(param1), done = *static_cast<uint64_t*>(param2);
  int percent = total ? int(done * 100 / total) : 0;
  if (percent != last) {
    last = percent;
    std::printf("\r  %3d%%", percent);
    std::fflush(stdout);
  }
}

int usage() {
  std::fprintf(stderr,
               "usage: discwright-burn --config FILE [--device CdRomN] [--mode tao|sao|dao|dao-raw] [--test]\n"
               "                       (IMAGE.iso | --folder DIR)\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string config, device = "CdRom0", mode = "tao", image, folder;
  bool test = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (a == "--config") config = next();
    else if (a == "--device") device = next();
    else if (a == "--mode") mode = next();
    else if (a == "--folder") folder = next();
    else if (a == "--test") test = true;
    else if (!a.empty() && a[0] != '-') image = a;
    else return usage();
  }
  if (config.empty() || (image.empty() == folder.empty())) return usage();

  char text[DISCWRIGHT_TEXT_SIZE] = {};
  uint32_t status = 0;
  uint8_t failure[DISCWRIGHT_FAILURE_INFO_SIZE];
  DiscwrightStartup startup{sizeof(DiscwrightStartup), 0, config.c_str(), nullptr, -1.0, text, sizeof text, nullptr, 0, nullptr};
  if (Discwright_UpStartEx(&startup) != 0) {
    std::fprintf(stderr, "Cannot start: %s\n", text);
    return 1;
  }
  std::printf("Discwright 0x%08X, recorders:\n", Discwright_GetVersion());
  Discwright_FindDevice(DISCWRIGHT_DEVICE_TYPE_CDDVD, 0, onDeviceFound, nullptr);

  int result = 1;
  DiscwrightHandle grabber = 0, tree = 0;
  auto fail = [&](const char* call, uint8_t code) {
    std::fprintf(stderr, "\n%s() failed, exception %u, status %u, text \"%s\"\n", call, code, status, text);
  };
  uint8_t code = Discwright_CdvdBurnerGrabber_CreateEx(&grabber, text, sizeof text, &status, failure, onProgress,
                                                      nullptr, device.c_str(), 0);
  if (code != 0) {
    fail("Discwright_CdvdBurnerGrabber_CreateEx", code);
  } else if (!folder.empty() &&
             ((code = Discwright_ISO9660JolietFileTree_Create(&tree, text, sizeof text, &status, nullptr, nullptr,
                                                              folder.c_str())) != 0 ||
              (code = Discwright_ISO9660JolietFileTree_BuildImage(tree, text, sizeof text, &status, 0, 0, 1, "DEMO",
                                                                  argv[0], argv[0])) != 0)) {
    fail("Discwright_ISO9660JolietFileTree", code);
  } else {
    std::signal(SIGINT, onInterrupt);
    runningGrabber = grabber;
    std::printf("Burning on %s (%s%s):\n", device.c_str(), mode.c_str(), test ? ", test write" : "");
    DiscwrightTrackTable tracks{};
    tracks.Count = 1;
    std::strncpy(tracks.Tracks[0].FileName, image.c_str(), sizeof tracks.Tracks[0].FileName - 1);
    DiscwrightSessionLayout layout{};
    layout.Count = 1;
    layout.Entries[0].FileTree = tree;
    std::strncpy(layout.Entries[0].FileName, image.c_str(), sizeof layout.Entries[0].FileName - 1);
    if (mode == "tao")
      code = tree ? Discwright_CdvdBurnerGrabber_TrackAtOnceFromTree(grabber, text, sizeof text, &status, failure,
                                                                     tree, 1, test, 0, 1, 5)
                  : Discwright_CdvdBurnerGrabber_TrackAtOnceFromFile(grabber, text, sizeof text, &status, failure,
                                                                     image.c_str(), 1, test, 0, 1, 5);
    else if (mode == "sao")
      code = Discwright_CdvdBurnerGrabber_SessionAtOnce(grabber, text, sizeof text, &status, failure, &layout,
                                                        tree != 0, test, 1, 1, 5);
    else if (mode == "dao")
      code = tree ? Discwright_CdvdBurnerGrabber_DiscAtOncePQFromTree(grabber, text, sizeof text, &status, failure,
                                                                      tree, 0, test, 0, 1, 5)
                  : Discwright_CdvdBurnerGrabber_DiscAtOncePQFromFile(grabber, text, sizeof text, &status, failure,
                                                                      &tracks, 0, test, 0, 0, 1, 5);
    else
      code = tree ? Discwright_CdvdBurnerGrabber_DiscAtOnceRawPWFromTree(grabber, text, sizeof text, &status,
                                                                         failure, tree, 0, test, 0, 1, 5)
                  : Discwright_CdvdBurnerGrabber_DiscAtOnceRawPWFromFile(grabber, text, sizeof text, &status,
                                                                         failure, &tracks, 0, test, 0, 0, 1, 5);
    runningGrabber = 0;
    if (code == 0 && mode == "tao" && !test)
      code = Discwright_CdvdBurnerGrabber_CloseSession(grabber, text, sizeof text, &status, failure);
    if (code != 0) {
      fail("burn", code);
    } else {
      uint64_t used = 0;
      Discwright_CdvdBurnerGrabber_GetDiscUsedSpace(grabber, text, sizeof text, &status, failure, &used);
      std::printf("\nBurn finished; the disc now holds %llu bytes.\n", static_cast<unsigned long long>(used));
      result = 0;
    }
  }
  if (tree) Discwright_Destroy(&tree);
  if (grabber) Discwright_Destroy(&grabber);
  Discwright_DownShut();
  return result;
}
