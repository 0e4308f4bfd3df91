// The library session, device discovery, opening devices and handle checking.
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "discwright/test_support.h"

namespace dwtest {
namespace {

TEST(DiscwrightVersion, IsTheInterfaceVersion) { EXPECT_EQ(Discwright_GetVersion(), 0x20080820u); }

// No test leaves a session up, so here the library is down.
TEST(DiscwrightSessionDown, EveryEntryPointAsksForAStartedSession) {
  Triple t;
  DiscwrightHandle handle = 77;
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_CreateEx(&handle, DW_ARGS(t), nullptr, nullptr, "CdRom0", 0),
                      DW_E_NOT_STARTED));
  EXPECT_EQ(handle, 0u);

  Triple t2;
  handle = 77;
  EXPECT_TRUE(t2.check(Discwright_CdvdBurnerGrabber_Create(&handle, DW_ARGS(t2), nullptr, nullptr, 1, 0, 0, 0, 0),
                       DW_E_NOT_STARTED));
  EXPECT_EQ(handle, 0u);

  CallbackRecorder found;
  EXPECT_EQ(Discwright_FindDevice(DISCWRIGHT_DEVICE_TYPE_CDDVD, 0, &CallbackRecorder::callback, &found),
            DW_E_NOT_STARTED);
  EXPECT_EQ(found.calls(), 0u);

  char name[DISCWRIGHT_TEXT_SIZE] = "stale";
  EXPECT_EQ(Discwright_GetDeviceNameByDeviceAddress(1, 0, 0, 0, name), DW_E_NOT_STARTED);
  EXPECT_STREQ(name, "");

  TempDir dir;
  Triple t3;
  DiscwrightHandle tree = 77;
  EXPECT_TRUE(t3.check(
      Discwright_ISO9660JolietFileTree_Create(&tree, DW_TREE_ARGS(t3), nullptr, nullptr, testcommon::utf8(dir.path()).c_str()),
      DW_E_NOT_STARTED));
  EXPECT_EQ(tree, 0u);

  // Shutting down a session that is not up is harmless.
  EXPECT_EQ(Discwright_DownShut(), DW_E_OK);
}

class SessionTest : public LibraryTest {};

TEST_F(SessionTest, SecondStartIsRefusedAndLeavesTheFirstSessionAlone) {
  start({cdRecorder(0), dvdRecorder(1)});
  Session second(configPath(), stateFolder());
  EXPECT_EQ(second.result(), DW_E_BUSY);
  EXPECT_FALSE(second.errorText().empty());

  CallbackRecorder found;
  ASSERT_EQ(Discwright_FindDevice(DISCWRIGHT_DEVICE_TYPE_CDDVD, 0, &CallbackRecorder::callback, &found), DW_E_OK);
  EXPECT_EQ(found.devices().size(), 2u);
  Grabber g = openGrabber("CdRom1");
  Triple t;
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_TestUnitReady(g, DW_ARGS(t))));
}

TEST_F(SessionTest, StartUpDataIsChecked) {
  writeConfig(configPath(), {cdRecorder(0)});
  char error[DISCWRIGHT_TEXT_SIZE] = {};
  EXPECT_EQ(Discwright_UpStartEx(nullptr), DW_E_INVALID_ARGUMENT);

  std::string config = configPath().string(), state = stateFolder().string();
  DiscwrightStartup startup{};
  startup.Size = sizeof startup - 1;  // a caller built against another layout
  startup.VirtualConfig = config.c_str();
  startup.StateFolder = state.c_str();
  startup.ErrorText = error;
  startup.ErrorTextSize = sizeof error;
  EXPECT_EQ(Discwright_UpStartEx(&startup), DW_E_INVALID_ARGUMENT);
  EXPECT_STRNE(error, "");
  CallbackRecorder found;
  EXPECT_EQ(Discwright_FindDevice(DISCWRIGHT_DEVICE_TYPE_CDDVD, 0, &CallbackRecorder::callback, &found),
            DW_E_NOT_STARTED);
}

TEST_F(SessionTest, BadConfigurationsAreRefusedNamingTheEntry) {
  auto unknownType = cdRecorder(1);
  unknownType["medium"]["type"] = "DVD-X";
  auto sameName = cdRecorder(1);
  sameName["name"] = "cdrom0";
  auto sameAddress = cdRecorder(1);
  sameAddress["address"] = addressText(0);

  struct Case {
    std::string what;
    std::string text;  // the file's content; empty: no file at all
    std::string mentions;
  };
  std::vector<Case> cases = {
      {"missing file", "", "missing.json"},
      {"bad JSON", "{\"recorders\": [ {\"name\": \"CdRom0\", }", "JSON"},
      {"unknown disc type", json{{"recorders", {cdRecorder(0), unknownType}}}.dump(), "recorders[1].medium.type"},
      {"duplicate name", json{{"recorders", {cdRecorder(0), sameName}}}.dump(), "recorders[1].name"},
      {"duplicate address", json{{"recorders", {cdRecorder(0), sameAddress}}}.dump(), "recorders[1].address"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::path path = dir_ / (c.text.empty() ? "missing.json" : "bad.json");
    if (!c.text.empty()) std::ofstream(path, std::ios::trunc) << c.text;
    Session session(path, stateFolder());
    EXPECT_EQ(session.result(), DW_E_CONFIG);
    EXPECT_NE(session.errorText().find(c.mentions), std::string::npos) << session.errorText();
    CallbackRecorder found;
    EXPECT_EQ(Discwright_FindDevice(DISCWRIGHT_DEVICE_TYPE_CDDVD, 0, &CallbackRecorder::callback, &found),
              DW_E_NOT_STARTED);
  }
  // A refused start leaves nothing behind that keeps a good one from coming up.
  start({cdRecorder(0)});
}

TEST_F(SessionTest, FindDeviceReportsEveryRecorderBeforeItReturns) {
  auto third = dvdReader(2);
  third["address"] = {4, 3, 2, 1};
  start({cdRecorder(0), dvdRecorder(1), third});

  CallbackRecorder found;
  ASSERT_EQ(Discwright_FindDevice(DISCWRIGHT_DEVICE_TYPE_CDDVD, 0, &CallbackRecorder::callback, &found), DW_E_OK);
  auto devices = found.devices();
  ASSERT_EQ(devices.size(), 3u);
  EXPECT_EQ(found.calls(), 3u);
  const uint8_t expected[3][4] = {{1, 0, 0, 0}, {1, 0, 1, 0}, {4, 3, 2, 1}};
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_NE(devices[i].Valid, 0);
    EXPECT_EQ(devices[i].PortID, expected[i][0]);
    EXPECT_EQ(devices[i].BusID, expected[i][1]);
    EXPECT_EQ(devices[i].TargetID, expected[i][2]);
    EXPECT_EQ(devices[i].LUN, expected[i][3]);
  }

  // Other device types (disks, tapes) have no recorders.
  found.clear();
  EXPECT_EQ(Discwright_FindDevice(0, 0, &CallbackRecorder::callback, &found), DW_E_OK);
  EXPECT_EQ(Discwright_FindDevice(1, 0, &CallbackRecorder::callback, &found), DW_E_OK);
  EXPECT_EQ(found.calls(), 0u);
  EXPECT_EQ(Discwright_FindDevice(DISCWRIGHT_DEVICE_TYPE_CDDVD, 0, nullptr, nullptr), DW_E_INVALID_ARGUMENT);
}

std::string productOf(DiscwrightHandle grabber) {
  Triple t;
  char vendor[DISCWRIGHT_TEXT_SIZE], product[DISCWRIGHT_TEXT_SIZE], revision[DISCWRIGHT_TEXT_SIZE];
  uint32_t size = 0;
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetDeviceInformation(grabber, DW_ARGS(t), vendor, product,
                                                                        revision, &size)));
  return product;
}

TEST_F(SessionTest, DevicesOpenByAddressAndByName) {
  start({cdRecorder(0), dvdRecorder(1)});

  Triple t;
  DiscwrightHandle byAddress = 0;
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_Create(&byAddress, DW_ARGS(t), nullptr, nullptr, 1, 0, 1, 0, 0)));
  Grabber owned(byAddress);
  EXPECT_NE(byAddress, 0u);
  EXPECT_EQ(productOf(byAddress), "Test DVD Recorder");

  for (const char* name : {"CdRom1", "cdrom1", "CDROM1", "/dev/sr1"}) {
    SCOPED_TRACE(name);
    Grabber g = openGrabber(name);
    ASSERT_NE(g.get(), 0u);
    EXPECT_NE(g.get(), byAddress);  // every open gets its own handle
    EXPECT_EQ(productOf(g), "Test DVD Recorder");
  }
  EXPECT_EQ(productOf(openGrabber("/dev/sr0")), "Test CD Recorder");

  for (const char* name : {"CdRom2", "/dev/sr7", "", "sr1", "CdRom1 "}) {
    SCOPED_TRACE(name);
    Triple u;
    DiscwrightHandle h = 99;
    EXPECT_TRUE(u.check(Discwright_CdvdBurnerGrabber_CreateEx(&h, DW_ARGS(u), nullptr, nullptr, name, 0),
                        DW_E_NO_DEVICE));
    EXPECT_EQ(h, 0u);
  }
  Triple u;
  DiscwrightHandle h = 99;
  EXPECT_TRUE(u.check(Discwright_CdvdBurnerGrabber_Create(&h, DW_ARGS(u), nullptr, nullptr, 1, 0, 2, 0, 0),
                      DW_E_NO_DEVICE));
  EXPECT_EQ(h, 0u);
  EXPECT_TRUE(u.check(Discwright_CdvdBurnerGrabber_CreateEx(&h, DW_ARGS(u), nullptr, nullptr, nullptr, 0),
                      DW_E_INVALID_ARGUMENT));
}

// One call of every kind a grabber handle goes to.
using GrabberCall = std::function<uint8_t(DiscwrightHandle, Triple&)>;

// Where the calls below put their outputs.
struct CallOutputs {
  char text[DISCWRIGHT_TEXT_SIZE];
  uint8_t flags[16], b1, b2, b3, b4, b5, discType;
  uint32_t u1, u2, u3, u4;
  uint64_t q1;
  DiscwrightDiscInformation disc;
  DiscwrightTrackInformation track;
  DiscwrightTocInformation toc;
  uint8_t sectors[DISCWRIGHT_SECTOR_SIZE];
  std::string file;
  std::unique_ptr<DiscwrightTrackTable> table;
  std::unique_ptr<DiscwrightSessionLayout> layout;
};

std::vector<std::pair<std::string, GrabberCall>> everyGrabberCall(CallOutputs& o) {
  using G = DiscwrightHandle;
  return {
      {"GetDeviceInformation",
       [&o](G g, Triple& t) {
         return Discwright_CdvdBurnerGrabber_GetDeviceInformation(g, DW_ARGS(t), o.text, o.text, o.text, &o.u1);
       }},
      {"GetSupportedMediaFormats",
       [&o](G g, Triple& t) { return Discwright_CdvdBurnerGrabber_GetSupportedMediaFormats(g, DW_ARGS(t), o.flags); }},
      {"GetSupportedMediaFormatsExEx",
       [&o](G g, Triple& t) {
         return Discwright_CdvdBurnerGrabber_GetSupportedMediaFormatsExEx(g, DW_ARGS(t), o.flags);
       }},
      {"ProbeSupportedWriteModes",
       [&o](G g, Triple& t) { return Discwright_CdvdBurnerGrabber_ProbeSupportedWriteModes(g, DW_ARGS(t), o.flags); }},
      {"ProbeSupportedReadModes",
       [&o](G g, Triple& t) { return Discwright_CdvdBurnerGrabber_ProbeSupportedReadModes(g, DW_ARGS(t), o.flags); }},
      {"TestUnitReady", [](G g, Triple& t) { return Discwright_CdvdBurnerGrabber_TestUnitReady(g, DW_ARGS(t)); }},
      {"GetInsertedDiscType",
       [&o](G g, Triple& t) { return Discwright_CdvdBurnerGrabber_GetInsertedDiscType(g, DW_ARGS(t), &o.discType); }},
      {"GetDiscInformation",
       [&o](G g, Triple& t) { return Discwright_CdvdBurnerGrabber_GetDiscInformation(g, DW_ARGS(t), &o.disc); }},
      {"GetTrackInformation",
       [&o](G g, Triple& t) { return Discwright_CdvdBurnerGrabber_GetTrackInformation(g, DW_ARGS(t), 1, &o.track); }},
      {"GetTOCInformation",
       [&o](G g, Triple& t) { return Discwright_CdvdBurnerGrabber_GetTOCInformation(g, DW_ARGS(t), &o.toc); }},
      {"GetRPC",
       [&o](G g, Triple& t) { return Discwright_CdvdBurnerGrabber_GetRPC(g, DW_ARGS(t), &o.b1, &o.b2, &o.b3, &o.b4, &o.b5); }},
      {"GetSpeeds",
       [&o](G g, Triple& t) { return Discwright_CdvdBurnerGrabber_GetSpeeds(g, DW_ARGS(t), &o.u1, &o.u2, &o.u3, &o.u4); }},
      {"SetSpeeds", [](G g, Triple& t) { return Discwright_CdvdBurnerGrabber_SetSpeeds(g, DW_ARGS(t), 1, 1); }},
      {"GetBUP", [&o](G g, Triple& t) { return Discwright_CdvdBurnerGrabber_GetBUP(g, DW_ARGS(t), &o.b1, &o.b2); }},
      {"SetBUP", [](G g, Triple& t) { return Discwright_CdvdBurnerGrabber_SetBUP(g, DW_ARGS(t), 1); }},
      {"GetDiscFreeSpace",
       [&o](G g, Triple& t) { return Discwright_CdvdBurnerGrabber_GetDiscFreeSpace(g, DW_ARGS(t), 3, &o.u1, &o.q1); }},
      {"GetDiscUsedSpace",
       [&o](G g, Triple& t) { return Discwright_CdvdBurnerGrabber_GetDiscUsedSpace(g, DW_ARGS(t), &o.q1); }},
      {"Lock", [](G g, Triple& t) { return Discwright_CdvdBurnerGrabber_Lock(g, DW_ARGS(t)); }},
      {"Release", [](G g, Triple& t) { return Discwright_CdvdBurnerGrabber_Release(g, DW_ARGS(t)); }},
      {"Eject", [](G g, Triple& t) { return Discwright_CdvdBurnerGrabber_Eject(g, DW_ARGS(t)); }},
      {"CloseTray", [](G g, Triple& t) { return Discwright_CdvdBurnerGrabber_CloseTray(g, DW_ARGS(t)); }},
      {"CloseSession", [](G g, Triple& t) { return Discwright_CdvdBurnerGrabber_CloseSession(g, DW_ARGS(t)); }},
      {"SendOPC", [](G g, Triple& t) { return Discwright_CdvdBurnerGrabber_SendOPC(g, DW_ARGS(t)); }},
      {"ReadSectors",
       [&o](G g, Triple& t) { return Discwright_CdvdBurnerGrabber_ReadSectors(g, DW_ARGS(t), 0, 1, o.sectors); }},
      {"TrackAtOnceFromFile",
       [&o](G g, Triple& t) {
         return Discwright_CdvdBurnerGrabber_TrackAtOnceFromFile(g, DW_ARGS(t), testcommon::utf8(o.file).c_str(), 1, 0, 0, 1, 0);
       }},
      {"TrackAtOnceFromTree",
       [](G g, Triple& t) {
         return Discwright_CdvdBurnerGrabber_TrackAtOnceFromTree(g, DW_ARGS(t), 1, 1, 0, 0, 1, 0);
       }},
      {"SessionAtOnce",
       [&o](G g, Triple& t) {
         return Discwright_CdvdBurnerGrabber_SessionAtOnce(g, DW_ARGS(t), o.layout.get(), 0, 0, 1, 1, 0);
       }},
      {"DiscAtOncePQFromFile",
       [&o](G g, Triple& t) {
         return Discwright_CdvdBurnerGrabber_DiscAtOncePQFromFile(g, DW_ARGS(t), o.table.get(), 1, 0, 0, 0, 1, 0);
       }},
      {"DiscAtOncePQFromTree",
       [](G g, Triple& t) {
         return Discwright_CdvdBurnerGrabber_DiscAtOncePQFromTree(g, DW_ARGS(t), 1, 1, 0, 0, 1, 0);
       }},
      {"DiscAtOnceRawPWFromFile",
       [&o](G g, Triple& t) {
         return Discwright_CdvdBurnerGrabber_DiscAtOnceRawPWFromFile(g, DW_ARGS(t), o.table.get(), 1, 0, 0, 0, 1, 0);
       }},
      {"DiscAtOnceRawPWFromTree",
       [](G g, Triple& t) {
         return Discwright_CdvdBurnerGrabber_DiscAtOnceRawPWFromTree(g, DW_ARGS(t), 1, 1, 0, 0, 1, 0);
       }},
  };
}

void expectEveryCallRefused(DiscwrightHandle handle, const std::string& image) {
  CallOutputs outputs;
  outputs.file = image;
  outputs.table = trackTable({image});
  outputs.layout = sessionLayout({image});
  for (auto& [name, call] : everyGrabberCall(outputs)) {
    Triple t;
    EXPECT_TRUE(t.check(call(handle, t), DW_E_INVALID_HANDLE)) << name << " with handle " << handle;
  }
  EXPECT_EQ(Discwright_CdvdBurnerGrabber_Cancel(handle), DW_E_INVALID_HANDLE);
  DiscwrightHandle copy = handle;
  EXPECT_EQ(Discwright_Destroy(&copy), DW_E_INVALID_HANDLE);
  EXPECT_EQ(copy, 0u);
}

TEST_F(SessionTest, DestroyedUnknownAndWrongKindHandlesAreRefusedByEveryCall) {
  start({cdRecorder(0)});
  std::string image = (dir_ / "image.iso").string();
  makeImage(image, 4096, 1);

  Triple t;
  DiscwrightHandle handle = 0;
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_CreateEx(&handle, DW_ARGS(t), nullptr, nullptr, "CdRom0", 0)));
  DiscwrightHandle stale = handle;
  EXPECT_EQ(Discwright_Destroy(&handle), DW_E_OK);
  EXPECT_EQ(handle, 0u);
  EXPECT_EQ(Discwright_Destroy(&handle), DW_E_INVALID_HANDLE);
  EXPECT_EQ(Discwright_Destroy(nullptr), DW_E_INVALID_ARGUMENT);

  {
    SCOPED_TRACE("destroyed");
    expectEveryCallRefused(stale, image);
  }
  for (DiscwrightHandle random : {0u, stale + 1000u, 0xFFFFFFFFu, 0xDEADBEEFu}) {
    SCOPED_TRACE(random);
    expectEveryCallRefused(random, image);
  }

  // A file-tree handle is not a grabber, and a grabber is not a file tree.
  if (!KORVANEL_HAS_FILE_TREES) GTEST_SKIP() << "this build makes no file trees";
  fs::create_directory(dir_ / "tree");
  Triple tt;
  DiscwrightHandle tree = 0;
  ASSERT_TRUE(tt.check(Discwright_ISO9660JolietFileTree_Create(&tree, DW_TREE_ARGS(tt), nullptr, nullptr,
                                                               testcommon::utf8(dir_ / "tree").c_str())));
  {
    SCOPED_TRACE("file tree");
    CallOutputs outputs;
    outputs.file = image;
    outputs.table = trackTable({image});
    outputs.layout = sessionLayout({image});
    for (auto& [name, call] : everyGrabberCall(outputs)) {
      Triple u;
      EXPECT_TRUE(u.check(call(tree, u), DW_E_INVALID_HANDLE)) << name;
    }
  }
  Grabber g = openGrabber("CdRom0");
  uint64_t size = 0;
  Triple u;
  EXPECT_TRUE(u.check(Discwright_ISO9660JolietFileTree_GetSizeInUCHARs(g, DW_TREE_ARGS(u), &size),
                      DW_E_INVALID_HANDLE));
  EXPECT_TRUE(u.check(Discwright_CdvdBurnerGrabber_TrackAtOnceFromTree(g, DW_ARGS(u), g, 1, 0, 0, 1, 0),
                      DW_E_INVALID_HANDLE));
  EXPECT_EQ(Discwright_Destroy(&tree), DW_E_OK);

  // Nothing of the refused burns reached the medium.
  EXPECT_EQ(discInfo(g).DiscStatus, DW_DISC_BLANK);
}

TEST_F(SessionTest, ShutDownInvalidatesOpenHandlesForGood) {
  start({cdRecorder(0)});
  std::string image = (dir_ / "image.iso").string();
  makeImage(image, 4096, 1);
  Triple t;
  DiscwrightHandle old = 0;
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_CreateEx(&old, DW_ARGS(t), nullptr, nullptr, "CdRom0", 0)));

  stop();
  {
    SCOPED_TRACE("session down");
    Triple u;
    EXPECT_TRUE(u.check(Discwright_CdvdBurnerGrabber_TestUnitReady(old, DW_ARGS(u)), DW_E_INVALID_HANDLE));
  }
  restart();
  {
    // The same device is back, but a handle of the old session never reaches it.
    SCOPED_TRACE("next session");
    Grabber fresh = openGrabber("CdRom0");
    EXPECT_NE(fresh.get(), old);
    expectEveryCallRefused(old, image);
    EXPECT_EQ(discInfo(fresh).DiscStatus, DW_DISC_BLANK);
  }
}

TEST_F(SessionTest, DeviceNameIsThePathOfTheMountedMedium) {
  auto written = dvdRecorder(0, "DVD-R");
  written["medium"] = {{"type", "DVD-R"}, {"state", "complete"}, {"used_bytes", 1 << 20}, {"label", "HOLIDAY"}};
  written["mount_point"] = "/media/test/HOLIDAY";
  auto blank = cdRecorder(1);
  blank["mount_point"] = "/media/test/NEVER";
  start({written, blank});

  char name[DISCWRIGHT_TEXT_SIZE];
  ASSERT_EQ(Discwright_GetDeviceNameByDeviceAddress(1, 0, 0, 0, name), DW_E_OK);
  EXPECT_STREQ(name, "\\\\.\\/media/test/HOLIDAY");
  // A blank disc is never mounted.
  ASSERT_EQ(Discwright_GetDeviceNameByDeviceAddress(1, 0, 1, 0, name), DW_E_OK);
  EXPECT_STREQ(name, "\\\\.\\");
  std::strcpy(name, "stale");
  EXPECT_EQ(Discwright_GetDeviceNameByDeviceAddress(1, 0, 5, 0, name), DW_E_NO_DEVICE);
  EXPECT_STREQ(name, "");
  EXPECT_EQ(Discwright_GetDeviceNameByDeviceAddress(1, 0, 0, 0, nullptr), DW_E_INVALID_ARGUMENT);

  // An open tray has nothing mounted.
  Grabber g = openGrabber("CdRom0");
  Triple t;
  ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_Eject(g, DW_ARGS(t))));
  ASSERT_EQ(Discwright_GetDeviceNameByDeviceAddress(1, 0, 0, 0, name), DW_E_OK);
  EXPECT_STREQ(name, "\\\\.\\");
}

}  // namespace
}  // namespace dwtest
