// What the library says about an emulated medium must hold after a crash, a
// full disk, a damaged store, and while another process uses the recorder.
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <thread>

#include "discwright/test_support.h"

namespace dwtest {
namespace {

using namespace std::chrono_literals;

// A process forked before this one starts the library (a fork would not take
// the library's threads along). It talks over two pipes and ends with _exit,
// so nothing of the test runner runs twice.
class Child {
 public:
  explicit Child(const std::function<int(Child&)>& body) {
    int up[2], down[2];
    if (::pipe(up) != 0 || ::pipe(down) != 0) throw std::runtime_error("pipe failed");
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
      ::close(up[0]);
      ::close(down[1]);
      out_ = up[1];
      in_ = down[0];
      int code = 99;
      try {
        code = body(*this);
      } catch (const std::exception& e) {
        std::fprintf(stderr, "child: %s\n", e.what());
      }
      ::_exit(code);
    }
    ::close(up[1]);
    ::close(down[0]);
    in_ = up[0];
    out_ = down[1];
  }
  ~Child() {
    if (!reaped_) {
      ::kill(pid_, SIGKILL);
      wait();
    }
    ::close(in_);
    ::close(out_);
  }

  pid_t pid() const { return pid_; }
  void send(const std::string& text) {
    if (::write(out_, text.data(), text.size()) < 0) std::perror("write to the other process");
  }
  // The next character from the other side; 0 after the timeout or when it has gone.
  char receive(std::chrono::milliseconds timeout) {
    pollfd p{in_, POLLIN, 0};
    char c = 0;
    if (::poll(&p, 1, int(timeout.count())) == 1 && ::read(in_, &c, 1) == 1) return c;
    return 0;
  }
  // Everything the other side still sends, until it closes its end.
  std::string rest() {
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = ::read(in_, buffer, sizeof buffer)) > 0;) text.append(buffer, size_t(n));
    return text;
  }
  void kill9() { ::kill(pid_, SIGKILL); }
  // The exit code, or minus the signal that ended it.
  int wait() {
    int status = 0;
    ::waitpid(pid_, &status, 0);
    reaped_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  }

 private:
  pid_t pid_ = -1;
  int in_ = -1;
  int out_ = -1;
  bool reaped_ = false;
};

// Inside a child, gtest's checks would not reach the test: failures are printed and counted.
int childCheck(bool ok, const std::string& what) {
  if (!ok) std::fprintf(stderr, "child %d: %s\n", int(::getpid()), what.c_str());
  return ok ? 0 : 1;
}

// Sends 'p' to the parent at the first progress report of a burn.
void notifyProgress(uint32_t reason, void* context, void*, void* done) {
  static std::atomic<bool> sent{false};
  if (reason == DW_REASON_PROGRESS && *static_cast<uint64_t*>(done) > 0 && !sent.exchange(true))
    static_cast<Child*>(context)->send("p");
}

uint8_t tao(DiscwrightHandle g, Triple& t, const fs::path& image) {
  return Discwright_CdvdBurnerGrabber_TrackAtOnceFromFile(g, DW_ARGS(t), image.c_str(), 1, 0, 0, 1, 0);
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The per-process media folders ("fresh-<pid>-...") of process pid.
size_t ownFolders(const fs::path& state, pid_t pid) {
  size_t n = 0;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(state, ec))
    if (e.path().filename().string().rfind("fresh-" + std::to_string(pid) + "-", 0) == 0) ++n;
  return n;
}

// A slow CD recorder: a 4 MiB burn at 4x takes six seconds.
json slowRecorder(int index) {
  auto r = cdRecorder(index);
  r["write_speeds"] = {{"cd", {706}}};
  r["time_scale"] = 1;
  return r;
}

TEST(MediaTrust, AnInterruptedWriteLeavesAPartlyWrittenDisc) {
  constexpr uint64_t kAt = 300'000;
  struct Case {
    const char* name;
    json faults;
    bool kill;  // the burning process is killed; else the fault ends the burn
  };
  const Case cases[] = {
      {"process killed mid-burn", json::object(), true},
      {"medium taken out mid-burn", {{"medium_removed_at", kAt}}, false},
      {"write error mid-burn", {{"write_fails_at", kAt}}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    json r = c.kill ? slowRecorder(0) : cdRecorder(0);
    if (!c.faults.empty()) r["faults"] = c.faults;
    json fresh = cdRecorder(1);
    fresh["medium"]["fresh_at_start"] = true;
    writeConfig(dir / "r.json", {r, fresh});
    Bytes image = makeImage(dir / "a.iso", 4 << 20, 1);

    if (c.kill) {
      Child child([&](Child& self) {
        std::string error;
        if (testcommon::startLibrary(dir / "r.json", dir / "state", -1, error) != DW_E_OK) return 2;
        DiscwrightHandle g = 0;
        Triple t;
        if (Discwright_CdvdBurnerGrabber_CreateEx(&g, DW_ARGS(t), notifyProgress, &self, "CdRom0", 0)) return 3;
        tao(g, t, dir / "a.iso");
        return 4;  // the burn should never end: it is killed
      });
      ASSERT_EQ(child.receive(20s), 'p') << "the burn began";
      std::this_thread::sleep_for(500ms);
      child.kill9();
      EXPECT_EQ(child.wait(), -SIGKILL);
      EXPECT_EQ(ownFolders(dir / "state", child.pid()), 1u) << "the killed process left its own media";
      Session session(dir / "r.json", dir / "state");
      ASSERT_EQ(session.result(), DW_E_OK) << session.errorText();
      EXPECT_EQ(ownFolders(dir / "state", child.pid()), 0u) << "a dead process's own media are removed at start";
    } else {
      Session session(dir / "r.json", dir / "state");
      ASSERT_EQ(session.result(), DW_E_OK) << session.errorText();
      Triple t;
      EXPECT_NE(tao(openGrabber("CdRom0"), t, dir / "a.iso"), DW_E_OK);
    }

    Session session(dir / "r.json", dir / "state");
    ASSERT_EQ(session.result(), DW_E_OK) << session.errorText();
    Grabber g = openGrabber("CdRom0");
    auto disc = discInfo(g);
    EXPECT_NE(disc.DiscStatus, DW_DISC_BLANK);
    EXPECT_EQ(disc.LastSessionStatus, DW_SESSION_INCOMPLETE);
    EXPECT_GE(disc.UsedBlocks, 1u);
    EXPECT_LT(disc.FreeBlocks, disc.CapacityBlocks);
    uint64_t used = usedBytes(g);
    if (!c.kill) {
      EXPECT_EQ(used, blocksFor(kAt) * 2048);
    }
    // What the medium holds is the image, up to its last (maybe partly written) block.
    uint64_t whole = std::min<uint64_t>(used - 2048, image.size());
    EXPECT_TRUE(mediumHolds(g, 0, Bytes(image.begin(), image.begin() + long(whole))));
  }
}

// An erase, like a burn, is on record before it touches the disc: a process
// killed during one leaves a disc that reads as written (an unfinished
// session), never as blank or as an empty drive, at every later start.
TEST(MediaTrust, AKilledEraseLeavesADiscThatIsNeitherBlankNorAbsent) {
  struct Case {
    const char* type;
    uint8_t full;
  };
  for (const auto& c : {Case{"CD-RW", 1}, Case{"DVD+RW", 0}, Case{"BD-RE", 1}}) {
    SCOPED_TRACE(std::string(c.type) + (c.full ? " full" : " fast"));
    TempDir dir;
    json r = std::string(c.type) == "CD-RW" ? cdRecorder(0, c.type) : dvdRecorder(0, c.type);
    r["medium"] = {{"type", c.type}, {"state", "complete"}, {"used_bytes", 1 << 20}, {"capacity_bytes", 64 << 20}};
    r["time_scale"] = 100;  // a fast erase then takes 30 s, a full one minutes
    writeConfig(dir / "r.json", {r});
    Child child([&](Child& self) {
      std::string error;
      if (testcommon::startLibrary(dir / "r.json", dir / "state", -1, error) != DW_E_OK) return 2;
      DiscwrightHandle g = 0;
      Triple t;
      if (Discwright_CdvdBurnerGrabber_CreateEx(&g, DW_ARGS(t), notifyProgress, &self, "CdRom0", 0)) return 3;
      Discwright_CdvdBurnerGrabber_Erase(g, DW_ARGS(t), c.full);
      return 4;  // the erase should never end: it is killed
    });
    ASSERT_EQ(child.receive(20s), 'p') << "the erase began";
    child.kill9();
    EXPECT_EQ(child.wait(), -SIGKILL);
    for (int start = 0; start < 2; ++start) {
      Session session(dir / "r.json", dir / "state");
      ASSERT_EQ(session.result(), DW_E_OK) << session.errorText();
      Grabber g = openGrabber("CdRom0");
      Triple t;
      ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_TestUnitReady(g, DW_ARGS(t))));
      auto disc = discInfo(g);
      EXPECT_NE(disc.DiscStatus, DW_DISC_BLANK);
      EXPECT_EQ(disc.LastSessionStatus, DW_SESSION_INCOMPLETE);
      EXPECT_GE(disc.UsedBlocks, 1u);
    }
    // It can be erased again, and then it is blank.
    Session session(dir / "r.json", dir / "state", 0);
    Grabber g = openGrabber("CdRom0");
    Triple t;
    ASSERT_TRUE(t.check(Discwright_CdvdBurnerGrabber_Erase(g, DW_ARGS(t), 0)));
    EXPECT_EQ(discInfo(g).DiscStatus, DW_DISC_BLANK);
  }
}

// Mounts a tmpfs of its own at folder, seen by this process only; false where
// the system allows no private mount.
bool privateTmpfs(const fs::path& folder, const char* options) {
  uid_t uid = ::getuid();
  gid_t gid = ::getgid();
  if (::unshare(CLONE_NEWNS) != 0) {
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
    std::ofstream("/proc/self/setgroups") << "deny";
    std::ofstream("/proc/self/uid_map") << "0 " << uid << " 1";
    std::ofstream("/proc/self/gid_map") << "0 " << gid << " 1";
  }
  return ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
         ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options) == 0;
}

TEST(MediaTrust, AFullStateFolderReportsTheWriteErrorAndLeavesNoTemporaryFile) {
  constexpr int kNoPrivateMount = 77;
  TempDir dir;
  fs::create_directories(dir / "state");
  writeConfig(dir / "r.json", {cdRecorder(0)});
  makeImage(dir / "a.iso", 4 << 20, 1);  // some pieces fit, the rest does not
  Child child([&](Child&) {
    if (!privateTmpfs(dir / "state", "size=1m")) return kNoPrivateMount;
    std::string error;
    if (testcommon::startLibrary(dir / "r.json", dir / "state", -1, error) != DW_E_OK) return 2;
    DiscwrightHandle g = 0;
    Triple t;
    if (Discwright_CdvdBurnerGrabber_CreateEx(&g, DW_ARGS(t), nullptr, nullptr, "CdRom0", 0)) return 3;
    int failures = 0;
    uint8_t code = tao(g, t, dir / "a.iso");
    std::string text = t.text;
    failures += childCheck(code == DW_E_IO, "the burn fails with an I/O error, not " + std::to_string(code));
    failures += childCheck(text.rfind("Cannot write the medium file \"" + (dir / "state" / "CdRom0.medium").string() +
                                          "\": No space left on device", 0) == 0,
                           "the first news is the write error naming the file: " + text);
    for (const auto& e : fs::directory_iterator(dir / "state"))
      failures += childCheck(e.path().extension() != ".tmp", "left behind: " + e.path().string());
    Discwright_DownShut();
    if (testcommon::startLibrary(dir / "r.json", dir / "state", -1, error) != DW_E_OK) return 4;
    DiscwrightDiscInformation info{};
    g = 0;
    code = Discwright_CdvdBurnerGrabber_CreateEx(&g, DW_ARGS(t), nullptr, nullptr, "CdRom0", 0);
    if (code == DW_E_OK) code = Discwright_CdvdBurnerGrabber_GetDiscInformation(g, DW_ARGS(t), &info);
    failures += childCheck(code == DW_E_OK && info.DiscStatus != DW_DISC_BLANK,
                           "after a restart the disc is not blank: " + std::string(t.text));
    Discwright_DownShut();
    return failures;
  });
  int code = child.wait();
  if (code == kNoPrivateMount) GTEST_SKIP() << "no private mount namespace here to fill a small folder";
  EXPECT_EQ(code, 0) << "see the child's lines above";
}

TEST(MediaTrust, AContentFileThatCannotBeATrackIsRefusedBeforeCopying) {
  TempDir dir;
  constexpr uint64_t kCapacity = 100 * 2048;
  fs::create_directories(dir / "folder");
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  makeImage(dir / "big.bin", kCapacity + 1, 1);
  struct Case {
    std::string file;
    std::string says;
  };
  const Case cases[] = {
      {(dir / "folder").string(), "is not a regular file (a folder)"},
      {(dir / "pipe").string(), "is not a regular file (a pipe)"},
      {"/dev/zero", "is not a regular file (a device)"},
      {(dir / "big.bin").string(), "(204801 bytes) is larger than the medium's capacity"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    auto r = cdRecorder(0);
    r["medium"] = {{"type", "CD-R"}, {"state", "complete"}, {"capacity_bytes", kCapacity}, {"content_file", c.file}};
    writeConfig(dir / "r.json", {r});
    // In a child with a file size limit and a deadline, so that a copy that
    // never ends cannot fill the disk or hang the tests.
    Child child([&](Child& self) {
      ::signal(SIGXFSZ, SIG_IGN);
      rlimit limit{16 << 20, 16 << 20};
      ::setrlimit(RLIMIT_FSIZE, &limit);
      ::alarm(20);
      std::string error;
      uint8_t code = testcommon::startLibrary(dir / "r.json", dir / "state", -1, error);
      if (code == DW_E_OK) Discwright_DownShut();
      self.send(std::to_string(code) + " " + error);
      return 0;
    });
    EXPECT_EQ(child.wait(), 0);
    std::string answer = child.rest();
    EXPECT_EQ(answer.rfind(std::to_string(DW_E_CONFIG) + " ", 0), 0u) << answer;
    EXPECT_TRUE(contains(answer, "\"" + c.file + "\" " + c.says)) << answer;
    std::error_code ec;
    uint64_t copied = fs::exists(dir / "state" / "CdRom0.medium") ? fs::file_size(dir / "state" / "CdRom0.medium", ec) : 0;
    EXPECT_EQ(copied, 0u) << "nothing is copied before the checks";
    fs::remove_all(dir / "state");
  }
}

TEST(MediaTrust, ADamagedStoredMediumIsRefusedAndKept) {
  TempDir dir;
  writeConfig(dir / "r.json", {cdRecorder(0)});
  makeImage(dir / "a.iso", 50'000, 1);
  const fs::path layout = dir / "state" / "CdRom0.medium.json";
  const fs::path backing = dir / "state" / "CdRom0.medium";
  {
    Session session(dir / "r.json", dir / "state");
    ASSERT_EQ(session.result(), DW_E_OK) << session.errorText();
    Triple t;
    ASSERT_TRUE(t.check(tao(openGrabber("CdRom0"), t, dir / "a.iso")));
  }
  const json good = json::parse(std::ifstream(layout));
  fs::copy_file(backing, dir / "backing.kept");
  auto withLayout = [&](const std::function<void(json&)>& change) {
    return [&, change] {
      json j = good;
      change(j);
      std::ofstream(layout) << j.dump();
    };
  };
  struct Case {
    const char* name;
    std::function<void()> damage;
    std::string says;
  };
  const Case cases[] = {
      {"not JSON", [&] { std::ofstream(layout) << "{\"tracks\": [[0, 25"; }, "is not valid JSON"},
      {"wrong type", withLayout([](json& j) { j["disc_type"] = "CD-R"; }), "\"disc_type\" must be a whole number"},
      {"missing entry", withLayout([](json& j) { j.erase("finalized"); }), "\"finalized\" is missing"},
      {"overlapping tracks", withLayout([](json& j) { j["tracks"] = {{0, 25, 1}, {20, 5, 1}}; }),
       "without overlap"},
      {"beyond capacity",
       withLayout([](json& j) { j["tracks"] = {{0, j["capacity_blocks"].get<uint32_t>() + 1, 1}}; }),
       "beyond the capacity"},
      {"sessions out of order", withLayout([](json& j) { j["tracks"] = {{0, 25, 2}}; }),
       "sessions are numbered 1, 2, ... in order"},
      {"session count", withLayout([](json& j) { j["closed_sessions"] = 3; }), "do not match closed_sessions 3"},
      {"too many tracks",
       withLayout([](json& j) {
         j["tracks"] = json::array();
         for (int i = 0; i < 100; ++i) j["tracks"].push_back({i, 1, 1});
       }),
       "at most 99 tracks"},
      {"unknown disc type", withLayout([](json& j) { j["disc_type"] = 14; }), "not a known kind of disc"},
      {"medium file missing", [&] { fs::remove(backing); }, "cannot be found"},
      {"medium file short", [&] { fs::resize_file(backing, 0); }, "fewer than the 25 blocks"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::ofstream(layout) << good.dump();
    fs::copy_file(dir / "backing.kept", backing, fs::copy_options::overwrite_existing);
    c.damage();
    Bytes damaged = testcommon::readFile(layout);
    {
      // Refused per recorder: the library and the other recorders go on.
      Session session(dir / "r.json", dir / "state");
      ASSERT_EQ(session.result(), DW_E_OK) << session.errorText();
      Grabber g = openGrabber("CdRom0");
      Triple t;
      DiscwrightDiscInformation info{};
      EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetDiscInformation(g, DW_ARGS(t), &info), DW_E_IO));
      EXPECT_TRUE(contains(t.text, c.says)) << t.text;
      EXPECT_TRUE(contains(t.text, "Remove \"" + layout.string() + "\"")) << t.text;
      EXPECT_TRUE(t.check(tao(g, t, dir / "a.iso"), DW_E_IO));
    }
    EXPECT_EQ(testcommon::readFile(layout), damaged) << "the damaged store is left for the user";
  }
  // As the message says: without the files, the recorder starts with a new medium.
  fs::remove(layout);
  fs::remove(backing);
  Session session(dir / "r.json", dir / "state");
  ASSERT_EQ(session.result(), DW_E_OK) << session.errorText();
  EXPECT_EQ(discInfo(openGrabber("CdRom0")).DiscStatus, DW_DISC_BLANK);
}

TEST(MediaTrust, ARecorderInUseByAnotherProcessIsBusyAndKeepsItsMedium) {
  TempDir dir;
  json fresh = cdRecorder(0);
  fresh["medium"]["fresh_at_start"] = true;  // as the demo set has it
  writeConfig(dir / "r.json", {fresh, slowRecorder(1)});
  Bytes small = makeImage(dir / "small.iso", 200'000, 1);
  Bytes big = makeImage(dir / "big.iso", 2 << 20, 2);  // three seconds at 4x

  Child child([&](Child& self) {
    if (self.receive(20s) != 'g') return 90;
    std::string error;
    if (testcommon::startLibrary(dir / "r.json", dir / "state", -1, error) != DW_E_OK) return 91;
    int failures = 0;
    Triple t;
    DiscwrightHandle g = 0;
    uint8_t code = Discwright_CdvdBurnerGrabber_CreateEx(&g, DW_ARGS(t), nullptr, nullptr, "CdRom0", 0);
    failures += childCheck(code == DW_E_BUSY, "the recorder the other process holds is busy: " + std::string(t.text));
    g = 0;
    if (Discwright_CdvdBurnerGrabber_CreateEx(&g, DW_ARGS(t), notifyProgress, &self, "CdRom1", 0)) return 92;
    failures += childCheck(tao(g, t, dir / "big.iso") == DW_E_OK, std::string("the burn succeeds: ") + t.text);
    Discwright_DownShut();
    return failures;
  });

  Session session(dir / "r.json", dir / "state");
  ASSERT_EQ(session.result(), DW_E_OK) << session.errorText();
  Grabber mine = openGrabber("CdRom0");
  Triple t;
  ASSERT_TRUE(t.check(tao(mine, t, dir / "small.iso")));
  EXPECT_EQ(discInfo(openGrabber("CdRom1")).DiscStatus, DW_DISC_BLANK);
  child.send("g");
  ASSERT_EQ(child.receive(20s), 'p') << "the other process's burn began";

  // A listing during the other process's burn: busy, never blank.
  auto asked = std::chrono::steady_clock::now();
  DiscwrightHandle h = 0;
  EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_CreateEx(&h, DW_ARGS(t), nullptr, nullptr, "CdRom1", 0), DW_E_BUSY));
  auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - asked);
  EXPECT_TRUE(contains(t.text, "The drive CdRom1 is in use by another program (process " +
                                   std::to_string(child.pid()) + ")"))
      << t.text;
  EXPECT_GE(waited, 250ms) << "a brief look by another process does not make a burn fail";
  EXPECT_LT(waited, 5000ms) << "the wait for the other process is bounded";
  std::printf("busy answered after %lld ms\n", static_cast<long long>(waited.count()));
  // The other process's start made a fresh medium of its own: this one's still holds its burn.
  EXPECT_TRUE(mediumHolds(mine, 0, small));

  EXPECT_EQ(child.wait(), 0) << "see the child's lines above";
  EXPECT_EQ(ownFolders(dir / "state", child.pid()), 0u) << "the other process's own media went with it";
  // Got back, the recorder shows what the other process burned meanwhile.
  Grabber g = openGrabber("CdRom1");
  EXPECT_NE(discInfo(g).DiscStatus, DW_DISC_BLANK);
  EXPECT_EQ(usedBytes(g), blocksFor(big.size()) * 2048);
  EXPECT_TRUE(mediumHolds(g, 0, big));
}

}  // namespace
}  // namespace dwtest
