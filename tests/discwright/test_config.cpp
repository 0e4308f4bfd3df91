// Reading the recorder configuration: defaults, addresses and the messages for bad values.
#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <limits>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "discwright/test_support.h"
#include "error.h"
#include "virtual/virtual_config.h"

namespace {

using discwright::DwError;
using discwright::MediumState;
using discwright::parseVirtualSetup;
using discwright::VirtualSetup;
using nlohmann::json;

VirtualSetup parse(const json& doc) { return parseVirtualSetup(doc.dump(), "/base", "\"test.json\""); }

// The text of the refusal of doc; empty when doc was accepted.
std::string refusal(const json& doc) {
  try {
    parse(doc);
  } catch (const DwError& e) {
    EXPECT_EQ(e.code(), DW_E_CONFIG);
    return e.what();
  }
  return "";
}

json one(const json& recorder) { return {{"recorders", {recorder}}}; }

TEST(VirtualConfig, Defaults) {
  auto setup = parse(
      {{"recorders", json::array({json::object(), {{"read_speeds", {{"cd", 4000}}}, {"medium", json::object()}}})}});
  EXPECT_EQ(setup.stateFolder, "");
  ASSERT_EQ(setup.recorders.size(), 2u);

  const auto& first = setup.recorders[0];
  EXPECT_EQ(first.name, "CdRom0");
  EXPECT_EQ(first.address.Valid, 1);
  EXPECT_EQ(first.address.TargetID, 0);
  EXPECT_FALSE(first.medium.has_value()) << "no medium: an empty tray";
  EXPECT_FALSE(first.trayOpen);
  EXPECT_EQ(first.timeScale, 0.0);
  EXPECT_EQ(first.formats, (std::array<bool, DW_FMT_COUNT>{}));
  EXPECT_EQ(first.writeModes, (std::array<bool, DW_WRITE_MODE_COUNT>{}));
  EXPECT_EQ(first.rpc.scheme, 0) << "no region control without DVD reading";
  EXPECT_FALSE(first.cdWriteSpeeds.empty());
  EXPECT_TRUE(std::is_sorted(first.cdWriteSpeeds.begin(), first.cdWriteSpeeds.end()));
  EXPECT_TRUE(first.failingOperations.empty());
  EXPECT_FALSE(first.writeFailsAt || first.mediumRemovedAt || first.corruptByteAt);

  const auto& second = setup.recorders[1];
  EXPECT_EQ(second.name, "CdRom1");
  EXPECT_EQ(second.address.TargetID, 1) << "default addresses differ per recorder";
  EXPECT_EQ(second.cdMaxRead, 4000u);
  ASSERT_TRUE(second.medium.has_value());
  EXPECT_EQ(second.medium->discType, DISC_TYPE_CDR);
  EXPECT_EQ(second.medium->state, MediumState::Blank);
  EXPECT_EQ(second.medium->capacityBytes, 359'847ull * 2048);
  EXPECT_FALSE(second.medium->freshAtStart);

  // The top-level default for fresh media reaches every medium that does not say otherwise.
  auto fresh = parse({{"fresh_media_at_start", true},
                      {"recorders", json::array({json{{"medium", json::object()}},
                                                 json{{"medium", {{"fresh_at_start", false}}}}})}});
  EXPECT_TRUE(fresh.recorders[0].medium->freshAtStart);
  EXPECT_FALSE(fresh.recorders[1].medium->freshAtStart);
}

TEST(VirtualConfig, MediumValues) {
  auto setup = parse({{"state_folder", "media"},
                      {"recorders",
                       json::array({json{{"medium", {{"type", "dvd+r-dl"}, {"capacity_bytes", 10'000}}}},
                                    json{{"medium", {{"type", 5}, {"state", "Complete"}}}},
                                    json{{"medium", {{"type", "CD-R"}, {"state", "appendable"},
                                                     {"content_file", "disc.iso"}}}},
                                    json{{"write_speeds", {{"dvd", {5540, 2770, 5540}}}}}})}});
  EXPECT_EQ(std::filesystem::path(setup.stateFolder), std::filesystem::path("/base/media"));
  const auto& dl = *setup.recorders[0].medium;
  EXPECT_EQ(dl.discType, DISC_TYPE_DVDPLUSR_DL);
  EXPECT_EQ(dl.capacityBytes, 8192u) << "capacity is whole blocks";
  const auto& written = *setup.recorders[1].medium;
  EXPECT_EQ(written.discType, DISC_TYPE_DVDR);
  EXPECT_EQ(written.state, MediumState::Complete);
  EXPECT_GT(written.usedBytes, 0u) << "a written medium is never empty";
  EXPECT_EQ(std::filesystem::path(setup.recorders[2].medium->contentFile), std::filesystem::path("/base/disc.iso"));
  EXPECT_EQ(setup.recorders[3].dvdWriteSpeeds, (std::vector<uint32_t>{2770, 5540}));
  // JSON writers may put whole numbers as 2048.0 or 4.7e9.
  auto floats = parse(one({{"buffer_size", 2048.0}, {"medium", {{"capacity_bytes", 4.7e9}}}}));
  EXPECT_EQ(floats.recorders[0].bufferSize, 2048u);
  EXPECT_EQ(floats.recorders[0].medium->capacityBytes, 4'700'000'000ull / 2048 * 2048);
}

TEST(VirtualConfig, DefaultCapacitiesOfDoubleLayerAndBdMedia) {
  const std::pair<const char*, uint64_t> rows[] = {{"DVD+R", 4'700'372'992ull},    {"DVD+R-DL", 8'547'991'552ull},
                                                   {"DVD-R-DL", 8'547'991'552ull}, {"BD-R", 25'025'314'816ull},
                                                   {"BD-RE", 25'025'314'816ull}};
  for (const auto& [type, bytes] : rows)
    EXPECT_EQ(parse(one({{"medium", {{"type", type}}}})).recorders[0].medium->capacityBytes, bytes) << type;
}

TEST(VirtualConfig, Addresses) {
  for (const json& address : {json("1:2:3:4"), json({1, 2, 3, 4})}) {
    SCOPED_TRACE(address.dump());
    auto setup = parse(one({{"address", address}}));
    const auto& a = setup.recorders[0].address;
    EXPECT_EQ(a.Valid, 1);
    EXPECT_EQ(a.PortID, 1);
    EXPECT_EQ(a.BusID, 2);
    EXPECT_EQ(a.TargetID, 3);
    EXPECT_EQ(a.LUN, 4);
  }
  auto edges = parse(one({{"address", "0:0:0:0"}}));
  EXPECT_EQ(edges.recorders[0].address.Valid, 1) << "address 0:0:0:0 is a valid address";
  EXPECT_EQ(parse(one({{"address", "255:255:255:255"}})).recorders[0].address.LUN, 255);

  for (const json& bad : {json("1:2:3"), json("1:2:3:4:5"), json("1:2:3:256"), json("1::3:4"), json("a:b:c:d"),
                          json("1:2:3:-4"), json({1, 2, 3}), json({1, 2, 3, -1}), json({1, 2, 3, "4"}), json(7),
                          json(""), json("1:0:0:0:"), json(":1:0:0:0"), json(" 1:0:0:0"), json("1:0:0:0 "),
                          json("+1:0:0:0"), json("1:0:0:0x1"), json("1:0:0:0001"), json("1 :0:0:0"),
                          json({4294967297.0, 0, 0, 0}), json({4294967297u, 0, 0, 0}), json({1.5, 0, 0, 0})}) {
    SCOPED_TRACE(bad.dump());
    EXPECT_NE(refusal(one({{"address", bad}})).find("recorders[0].address"), std::string::npos);
  }
}

// Each refusal names the entry and says what is allowed; a misspelt key gets the nearest known one.
TEST(VirtualConfig, RefusalsNameTheEntryAndTheReason) {
  struct Case {
    json doc;
    std::string says;
  };
  auto op = [](const json& fault) { return one({{"faults", {{"operations", {{"SetSpeeds", fault}}}}}}); };
  auto medium = [](const json& m) { return one({{"medium", m}}); };
  std::vector<json> many(22, json::object());
  std::vector<Case> cases = {
      {json::array(), "file"},
      {json::object(), "recorders"},
      {one({{"medium", {{"state", "burnt"}}}}), "recorders[0].medium.state"},
      {json{{"recorders", json::array({json::object(), json{{"medium", {{"type", "DVD-X"}}}}})}},
       "recorders[1].medium.type"},
      {medium({{"type", DISC_TYPE_NO_MEDIA}}), "recorders[0].medium.type"},
      {medium({{"used_bytes", 4096}}), "recorders[0].medium: a blank medium"},
      {medium({{"state", "complete"}, {"capacity_bytes", 4096}, {"used_bytes", 8192}}),
       "recorders[0].medium.used_bytes: larger than the capacity"},
      {one({{"medium", 5}}), "recorders[0].medium: expected an object or null"},
      {one({{"name", "Drive0"}}), "recorders[0].name: expected \"CdRom\" followed by a number from 0 to 20"},
      {one({{"name", "CdRom"}}), "recorders[0].name: expected"},
      {one({{"name", "CdRom100"}}), "recorders[0].name: expected"},
      {one({{"name", "CdRom+1"}}), "recorders[0].name: expected"},
      {one({{"name", "CdRom 1"}}), "recorders[0].name: expected"},
      {one({{"time_scale", "fast"}}), "recorders[0].time_scale: expected a number from 0 to 100"},
      {one({{"tray", "ajar"}}), "recorders[0].tray"},
      {one({{"media_formats", {"read_cdr", "write_bd"}}}), "recorders[0].media_formats[1]: unknown name \"write_bd\""},
      {one({{"write_modes", {"TAO", "dao_raww"}}}),
       "write_modes[1]: unknown name \"dao_raww\" (did you mean \"dao_raw\"?)"},
      {one({{"buffer_underrun_protection", "yes"}}), "recorders[0].buffer_underrun_protection"},
      {op({{"exception", 0}}),
       "recorders[0].faults.operations.SetSpeeds.exception: expected a whole number from 1 to 255"},
      // Unknown keys at every level, with the nearest known key.
      {{{"recorder", json::array()}}, "recorder: unknown key (did you mean \"recorders\"?)"},
      {{{"comment", "x"}, {"recorders", json::array()}},
       "comment: unknown key (known keys: state_folder, fresh_media_at_start, recorders)"},
      {one({{"nmae", "CdRom0"}}), "recorders[0].nmae: unknown key (did you mean \"name\"?)"},
      {one({{"Address", "1:0:0:0"}}), "recorders[0].Address: unknown key (did you mean \"address\"?)"},
      {medium({{"capacity", 4096}}), "recorders[0].medium.capacity: unknown key (did you mean \"capacity_bytes\"?)"},
      {one({{"write_speeds", {{"CD", {706}}}}}), "recorders[0].write_speeds.CD: unknown key (did you mean \"cd\"?)"},
      {one({{"read_speeds", {{"bluray", 4495}}}}),
       "recorders[0].read_speeds.bluray: unknown key (known keys: cd, dvd, bd)"},
      {one({{"region", {{"mask", 1}}}}), "recorders[0].region.mask: unknown key (did you mean \"region_mask\"?)"},
      {one({{"faults", {{"write_fail_at", 5}}}}),
       "recorders[0].faults.write_fail_at: unknown key (did you mean \"write_fails_at\"?)"},
      {op({{"exeption", 4}}),
       "recorders[0].faults.operations.SetSpeeds.exeption: unknown key (did you mean \"exception\"?)"},
      {one({{"faults", {{"operations", {{"SetSpeed", json::object()}}}}}}),
       "recorders[0].faults.operations.SetSpeed: unknown operation (did you mean \"SetSpeeds\"?)"},
      {one({{"faults", {{"operations", {{"setspeeds", json::object()}}}}}}),
       "operations.setspeeds: unknown operation (did you mean \"SetSpeeds\"?)"},
      {one({{"faults", {{"operations", {{"Cancel", json::object()}}}}}}), "operations.Cancel: unknown operation"},
      // Containers of the wrong kind.
      {{{"recorders", json::object()}}, "recorders: expected a list"},
      {one({{"write_speeds", 5}}), "recorders[0].write_speeds: expected {\"cd\""},
      {one({{"write_speeds", {{"cd", 706}}}}), "recorders[0].write_speeds.cd: expected a list of speeds"},
      {one({{"read_speeds", json::array()}}), "recorders[0].read_speeds: expected {\"cd\""},
      {one({{"region", "x"}}), "recorders[0].region: expected an object"},
      {one({{"media_formats", "write"}}), "recorders[0].media_formats: expected a list of names"},
      {one({{"faults", json::array()}}), "recorders[0].faults: expected an object"},
      {one({{"faults", {{"operations", json::array()}}}}), "recorders[0].faults.operations: expected an object"},
      {op(5), "recorders[0].faults.operations.SetSpeeds: expected an object"},
      // Numbers out of their range, broken or negative.
      {one({{"address", {4294967297u, 0, 0, 0}}}),
       "recorders[0].address[0]: expected a whole number from 0 to 255, not 4294967297"},
      {one({{"buffer_size", 4294967296u}}), "recorders[0].buffer_size: expected a whole number from 0 to 4294967295"},
      {one({{"buffer_size", 1.5}}), "recorders[0].buffer_size: expected a whole number"},
      {one({{"buffer_size", -1}}), "recorders[0].buffer_size: expected a whole number"},
      {one({{"write_speeds", {{"cd", {706, 0}}}}}),
       "recorders[0].write_speeds.cd[1]: expected a whole number from 1 to 65534"},
      {one({{"write_speeds", {{"dvd", {70000}}}}}),
       "recorders[0].write_speeds.dvd[0]: expected a whole number from 1 to 65534"},
      {one({{"write_speeds", {{"bd", {71921}}}}}),
       "recorders[0].write_speeds.bd[0]: expected a whole number from 1 to 71920"},
      {one({{"read_speeds", {{"cd", 65536 + 7056}}}}),
       "recorders[0].read_speeds.cd: expected a whole number from 1 to 65534"},
      {one({{"region", {{"scheme", 3}}}}), "recorders[0].region.scheme: expected a whole number from 0 to 2"},
      {one({{"region", {{"region_mask", 256}}}}),
       "recorders[0].region.region_mask: expected a whole number from 0 to 255"},
      {one({{"region", {{"vendor_resets", 260}}}}),
       "recorders[0].region.vendor_resets: expected a whole number from 0 to 7"},
      {one({{"region", {{"user_changes", 8}}}}),
       "recorders[0].region.user_changes: expected a whole number from 0 to 7"},
      {one({{"region", {{"type_code", 4}}}}), "recorders[0].region.type_code: expected a whole number from 0 to 3"},
      {op({{"status", 4294967296u}}), "SetSpeeds.status: expected a whole number from 0 to 4294967295"},
      {op({{"exception", 256}}), "SetSpeeds.exception: expected a whole number from 1 to 255"},
      {medium({{"capacity_bytes", -1}}),
       "recorders[0].medium.capacity_bytes: expected a whole number from 2048 to 137438953472"},
      {medium({{"capacity_bytes", 1e15}}), "recorders[0].medium.capacity_bytes: expected a whole number from 2048"},
      {medium({{"capacity_bytes", 0}}), "recorders[0].medium.capacity_bytes: expected a whole number from 2048"},
      {medium({{"type", 2.5}}), "recorders[0].medium.type: expected a whole number from 0 to 21"},
      {medium({{"state", "complete"}, {"label", std::string(33, 'L')}}),
       "recorders[0].medium.label: the text is 33 bytes long, at most 32"},
      // A layout that cannot hold what it declares.
      {medium({{"state", "complete"}, {"used_bytes", 2048}, {"label", "LOST"}}),
       "recorders[0].medium.used_bytes: 2048 bytes cannot hold the label"},
      {medium({{"state", "complete"}, {"content_file", "disc.iso"}, {"label", "LOST"}}),
       "recorders[0].medium.label: a medium with a content_file has the label of that content"},
      {medium({{"label", "LOST"}}), "recorders[0].medium.label: a blank medium has no label"},
      {medium({{"type", "CD-ROM"}}), "recorders[0].medium.state: a pressed disc (CD-ROM) cannot be blank"},
      {medium({{"type", "dvd-rom"}, {"state", "blank"}}), "a pressed disc (dvd-rom) cannot be blank"},
      {one({{"faults", {{"write_fails_at", -5}}}}),
       "recorders[0].faults.write_fails_at: expected a whole number from 0 to 137438953472"},
      {one({{"faults", {{"corrupt_byte_at", 1e18}}}}), "recorders[0].faults.corrupt_byte_at: expected a whole number"},
      {one({{"time_scale", -1}}), "recorders[0].time_scale: expected a number from 0 to 100, not -1"},
      {one({{"time_scale", 1e9}}), "recorders[0].time_scale: expected a number from 0 to 100"},
      // Names and addresses must each lead to one recorder by every way of finding it.
      {one({{"name", "CdRom007"}}), "recorders[0].name: write \"CdRom007\" without leading zeros, \"CdRom7\""},
      {one({{"name", "CdRom00"}}), "without leading zeros, \"CdRom0\""},
      {{{"recorders", json::array({json{{"name", "CdRom0"}}, json{{"name", "cdrom0"}}})}},
       "recorders[1].name: \"CdRom0\" is already the name of recorders[0]"},
      {{{"recorders", json::array({json{{"address", "1:0:1:0"}}, json::object()})}},
       "recorders[1].address: 1:0:1:0 is already the address of recorders[0]"},
      {{{"recorders", many}}, "recorders: at most 21 recorders"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.doc.dump().substr(0, 200));
    std::string text = refusal(c.doc);
    EXPECT_NE(text.find(c.says), std::string::npos) << text;
    EXPECT_NE(text.find("\"test.json\""), std::string::npos) << "the message names the file: " << text;
  }
  for (const auto& [jsonText, says] : std::vector<std::pair<std::string, std::string>>{
           {"{\"recorders\": [", "JSON"},
           {R"({"recorders": [{"name": "CdRom0", "medium": {"type": "CD-R"}, "name": "CdRom1"}]})",
            "file: the key \"name\" appears twice in one object"},
           {std::string(70000, '['), "file: lists or objects are nested deeper than 256 levels"},
           {"{\"recorders\": [], \"x\": \"" + std::string(300, '[') + "\"}", "x: unknown key"}}) {
    std::string text;
    try {
      parseVirtualSetup(jsonText, "/base", "\"test.json\"");
    } catch (const DwError& e) {
      text = e.what();
    }
    EXPECT_NE(text.find(says), std::string::npos) << text;
  }
}

// Whatever name or address the file accepts must find its recorder the ways
// programs look for one: by "CdRomN" or "/dev/srN" as a user types it, and by
// the address typed as "p:b:t:l". A candidate the file refuses is fine too.
TEST(VirtualConfig, EveryAcceptedNameAndAddressReachesItsRecorder) {
  const std::vector<std::string> names = {"CdRom9", "CdRom09", "cdrom8", "CDROM20", "CdRom21", "CdRom007", "CdRom0", "CdRom00"};
  const std::vector<json> addresses = {json("0:0:0:0"), json("001:2:30:4"), json({255, 255, 255, 255}),
                                       json("1:0:0:0:"), json({4294967297u, 0, 0, 1}), json("1:2:3:4 ")};
  struct Expected {
    std::string product, typedName;
    int p, b, t, l;
  };
  std::vector<json> recorders;
  std::vector<Expected> expected;
  auto add = [&](json r, const std::string& product) {
    r["product"] = product;
    if (!refusal(one(r)).empty()) return;
    std::smatch m;
    std::string name = r["name"], address;
    ASSERT_TRUE(std::regex_match(name, m, std::regex("cdrom(\\d+)", std::regex::icase))) << name;
    std::string typedName = std::to_string(std::stoul(m[1]));
    if (r["address"].is_string()) {
      address = r["address"];
    } else {
      for (const auto& part : r["address"]) address += (address.empty() ? "" : ":") + part.dump();
    }
    // The form korvanel-cli takes for an address.
    ASSERT_TRUE(std::regex_match(address, m, std::regex("(\\d{1,3}):(\\d{1,3}):(\\d{1,3}):(\\d{1,3})")))
        << product << " is accepted at \"" << address << "\", which no lookup by address understands";
    std::array<int, 4> a{};
    for (size_t i = 0; i < 4; ++i) a[i] = std::stoi(m[i + 1]);
    ASSERT_TRUE(std::all_of(a.begin(), a.end(), [](int x) { return x <= 255; })) << address;
    recorders.push_back(r);
    expected.push_back({product, typedName, a[0], a[1], a[2], a[3]});
  };
  for (size_t i = 0; i < names.size(); ++i)
    add({{"name", names[i]}, {"address", "7:0:" + std::to_string(i) + ":0"}}, "name " + names[i]);
  for (size_t i = 0; i < addresses.size(); ++i)
    add({{"name", "CdRom" + std::to_string(10 + i)}, {"address", addresses[i]}}, "address " + addresses[i].dump());
  ASSERT_GE(expected.size(), 7u) << "the accepted forms are tried";

  dwtest::TempDir dir;
  dwtest::writeConfig(dir / "recorders.json", recorders);
  dwtest::Session session(dir / "recorders.json", dir / "state");
  ASSERT_EQ(session.result(), DW_E_OK) << session.errorText();
  auto productOf = [](DiscwrightHandle handle) {
    char vendor[DISCWRIGHT_TEXT_SIZE], product[DISCWRIGHT_TEXT_SIZE], revision[DISCWRIGHT_TEXT_SIZE];
    uint32_t buffer = 0;
    dwtest::Triple t;
    EXPECT_TRUE(t.check(
        Discwright_CdvdBurnerGrabber_GetDeviceInformation(handle, DW_ARGS(t), vendor, product, revision, &buffer)));
    return std::string(product);
  };
  for (const auto& e : expected) {
    SCOPED_TRACE(e.product);
    for (const std::string& name : {"CdRom" + e.typedName, "/dev/sr" + e.typedName}) {
      dwtest::Triple t;
      DiscwrightHandle handle = 0;
      ASSERT_TRUE(
          t.check(Discwright_CdvdBurnerGrabber_CreateEx(&handle, DW_ARGS(t), nullptr, nullptr, name.c_str(), 0)))
          << name;
      dwtest::Grabber g(handle);
      EXPECT_EQ(productOf(g), e.product) << name;
    }
    dwtest::Triple t;
    DiscwrightHandle handle = 0;
    ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_Create(&handle, DW_ARGS(t), nullptr, nullptr, uint8_t(e.p),
                                                            uint8_t(e.b), uint8_t(e.t), uint8_t(e.l), 0)));
    dwtest::Grabber g(handle);
    EXPECT_EQ(productOf(g), e.product);
  }
}

TEST(VirtualConfig, StartUpTimeScaleMustBeFiniteAndSensible) {
  dwtest::TempDir dir;
  dwtest::writeConfig(dir / "recorders.json", {dwtest::cdRecorder(0)});
  for (double scale : {std::nan(""), std::numeric_limits<double>::infinity(),
                       -std::numeric_limits<double>::infinity(), 1e9, 100.5}) {
    SCOPED_TRACE(scale);
    std::string text;
    EXPECT_EQ(testcommon::startLibrary(dir / "recorders.json", dir / "state", scale, text), DW_E_INVALID_ARGUMENT);
    EXPECT_NE(text.find("TimeScale"), std::string::npos) << text;
    EXPECT_NE(text.find("from 0 to 100"), std::string::npos) << text;
    Discwright_DownShut();  // in case it started
  }
}

}  // namespace
