// Reading the recorder configuration: defaults, addresses and the messages for bad values.
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

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
  EXPECT_EQ(setup.stateFolder, "/base/media");
  const auto& dl = *setup.recorders[0].medium;
  EXPECT_EQ(dl.discType, DISC_TYPE_DVDPLUSR_DL);
  EXPECT_EQ(dl.capacityBytes, 8192u) << "capacity is whole blocks";
  const auto& written = *setup.recorders[1].medium;
  EXPECT_EQ(written.discType, DISC_TYPE_DVDR);
  EXPECT_EQ(written.state, MediumState::Complete);
  EXPECT_GT(written.usedBytes, 0u) << "a written medium is never empty";
  EXPECT_EQ(setup.recorders[2].medium->contentFile, "/base/disc.iso");
  EXPECT_EQ(setup.recorders[3].dvdWriteSpeeds, (std::vector<uint32_t>{2770, 5540}));
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
                          json("")}) {
    SCOPED_TRACE(bad.dump());
    EXPECT_NE(refusal(one({{"address", bad}})).find("recorders[0].address"), std::string::npos);
  }
}

TEST(VirtualConfig, BadValuesAreNamedByTheirPath) {
  struct Case {
    json doc;
    std::string path;
  };
  std::vector<Case> cases = {
      {json::array(), "file"},
      {json::object(), "recorders"},
      {one({{"medium", {{"state", "burnt"}}}}), "recorders[0].medium.state"},
      {json{{"recorders", json::array({json::object(), json{{"medium", {{"type", "DVD-X"}}}}})}},
       "recorders[1].medium.type"},
      {one({{"medium", {{"type", DISC_TYPE_NO_MEDIA}}}}), "recorders[0].medium.type"},
      {one({{"medium", {{"capacity_bytes", -1}}}}), "recorders[0].medium.capacity_bytes"},
      {one({{"medium", {{"used_bytes", 4096}}}}), "recorders[0].medium"},
      {one({{"medium", {{"state", "complete"}, {"capacity_bytes", 4096}, {"used_bytes", 8192}}}}),
       "recorders[0].medium.used_bytes"},
      {one({{"medium", 5}}), "recorders[0].medium"},
      {one({{"name", "Drive0"}}), "recorders[0].name"},
      {one({{"name", "CdRom"}}), "recorders[0].name"},
      {one({{"time_scale", -1}}), "recorders[0].time_scale"},
      {one({{"time_scale", "fast"}}), "recorders[0].time_scale"},
      {one({{"tray", "ajar"}}), "recorders[0].tray"},
      {one({{"buffer_size", 1.5}}), "recorders[0].buffer_size"},
      {one({{"media_formats", {"read_cdr", "write_bd"}}}), "recorders[0].media_formats"},
      {one({{"write_modes", "tao"}}), "recorders[0].write_modes"},
      {one({{"write_speeds", {{"cd", {706, 0}}}}}), "recorders[0].write_speeds.cd"},
      {one({{"write_speeds", {{"dvd", {70000}}}}}), "recorders[0].write_speeds.dvd"},
      {one({{"faults", {{"operations", {{"SetSpeeds", {{"exception", 0}}}}}}}}),
       "recorders[0].faults.operations.SetSpeeds.exception"},
      {one({{"faults", {{"write_fails_at", -5}}}}), "recorders[0].faults.write_fails_at"},
      {one({{"buffer_underrun_protection", "yes"}}), "recorders[0].buffer_underrun_protection"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.doc.dump());
    std::string text = refusal(c.doc);
    EXPECT_NE(text.find(c.path), std::string::npos) << text;
    EXPECT_NE(text.find("\"test.json\""), std::string::npos) << "the message names the file: " << text;
  }
  std::string text;
  try {
    parseVirtualSetup("{\"recorders\": [", "/base", "\"test.json\"");
  } catch (const DwError& e) {
    text = e.what();
  }
  EXPECT_NE(text.find("JSON"), std::string::npos) << text;
}

}  // namespace
