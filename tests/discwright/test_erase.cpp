// Erasing rewritable media on virtual recorders: every erasable kind ends
// blank, write-once media are refused, a cancel ends a full erase at once and
// leaves the disc written, never blank.
#include <atomic>
#include <thread>

#include "discwright/test_support.h"

namespace dwtest {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

json writtenRecorder(const std::string& type) {
  bool cd = type == "CD-RW" || type == "CD-R";
  json r = cd ? cdRecorder(0, type) : dvdRecorder(0, type);
  r["medium"]["state"] = "complete";
  r["medium"]["used_bytes"] = 1 << 20;
  return r;
}

class EraseTest : public LibraryTest {};

TEST_F(EraseTest, FastAndFullEraseMakeEachRewritableKindBlank) {
  for (const char* type : {"CD-RW", "DVD-RW-RO", "DVD-RW", "DVD+RW", "BD-RE"})
    for (uint8_t full : {0, 1}) {
      SCOPED_TRACE(std::string(type) + (full ? " full" : " fast"));
      stop();
      start({writtenRecorder(type)}, {{"fresh_media_at_start", true}});
      CallbackRecorder calls;
      Grabber g = openGrabber("CdRom0", &CallbackRecorder::callback, &calls);
      ASSERT_NE(discInfo(g).DiscStatus, DW_DISC_BLANK);
      Triple t;
      ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_Erase(g, DW_ARGS(t), full)));
      auto info = discInfo(g);
      EXPECT_EQ(info.DiscStatus, DW_DISC_BLANK);
      EXPECT_EQ(info.FreeBlocks, info.CapacityBlocks);
      EXPECT_EQ(usedBytes(g), 0u);
      ASSERT_FALSE(calls.progress().empty());
      EXPECT_EQ(calls.progress().back().done, calls.progress().back().total);
    }
}

TEST_F(EraseTest, RefusesWriteOnceMediaAnEmptyTrayAndAnInjectedFault) {
  struct Case {
    json recorder;
    uint8_t code;
    const char* text;
  };
  json empty = cdRecorder(0);
  empty["medium"] = nullptr;
  json faulty = writtenRecorder("CD-RW");
  faulty["faults"]["operations"]["Erase"] = {{"exception", DW_E_IO}, {"text", "Erase fault"}};
  for (const auto& c : {Case{writtenRecorder("CD-R"), DW_E_NOT_SUPPORTED,
                             "The disc in CdRom0 is a CD-R: only rewritable discs (CD-RW, DVD-RW, DVD+RW, BD-RE) can be erased"},
                        Case{writtenRecorder("DVD+R"), DW_E_NOT_SUPPORTED, "is a DVD+R: only rewritable discs"},
                        Case{empty, DW_E_NO_MEDIUM, "No medium"}, Case{faulty, DW_E_IO, "Erase fault"}}) {
    SCOPED_TRACE(c.text);
    stop();
    start({c.recorder}, {{"fresh_media_at_start", true}});
    Grabber g = openGrabber("CdRom0");
    Triple t;
    ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_Erase(g, DW_ARGS(t), 1), c.code));
    EXPECT_NE(std::string(t.text).find(c.text), std::string::npos) << t.text;
    if (c.code != DW_E_NO_MEDIUM) {
      EXPECT_EQ(discInfo(g).DiscStatus, DW_DISC_COMPLETE);
    }
  }
}

TEST_F(EraseTest, CancelEndsAFullErasePromptlyAndTheDiscIsNotBlank) {
  for (const char* state : {"complete", "blank"}) {
    SCOPED_TRACE(state);
    stop();
    json r = writtenRecorder("CD-RW");
    r["medium"]["state"] = state;
    if (std::string(state) == "blank") r["medium"].erase("used_bytes");
    r["medium"]["capacity_bytes"] = 20 << 20;  // about 30 s at 4x
    r["time_scale"] = 1;
    start({r});
    {
    CallbackRecorder calls;
    Grabber g = openGrabber("CdRom0", &CallbackRecorder::callback, &calls);
    Triple t;
    std::atomic<uint8_t> result{0xFF};
    std::atomic<Clock::rep> endedAt{0};
    std::thread erase([&] {
      result = Discwright_CdvdBurnerGrabber_Erase(g, DW_ARGS(t), 1);
      endedAt = Clock::now().time_since_epoch().count();
    });
    bool started = calls.waitForProgress(milliseconds(2000));
    auto cancelledAt = Clock::now();
    EXPECT_EQ(Discwright_CdvdBurnerGrabber_Cancel(g), DW_E_OK);
    erase.join();
    ASSERT_TRUE(started) << "the erase never reported progress";
    auto took = Clock::time_point(Clock::duration(endedAt.load())) - cancelledAt;
    RecordProperty("cancel_to_return_us",
                   std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(took).count()));
    EXPECT_LT(took, milliseconds(100));
    EXPECT_TRUE(t.check(result, DW_E_CANCELLED));
    EXPECT_NE(discInfo(g).DiscStatus, DW_DISC_BLANK);
    EXPECT_EQ(discInfo(g).LastSessionStatus, DW_SESSION_INCOMPLETE);
    }
    // Another process (a restart) reads the same half-erased disc.
    restart();
    Grabber again = openGrabber("CdRom0");
    EXPECT_NE(discInfo(again).DiscStatus, DW_DISC_BLANK);
  }
}

}  // namespace
}  // namespace dwtest
