// korvanel-cli info on discs with several sessions: its "Sessions:" block, and
// the label of the newest session. The first session goes on through
// korvanel-cli; the later ones through the library, since the program keeps
// refusing an image for an appendable disc (it would hide the disc's files).
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstring>
#include <map>

#include "Discwright.h"
#include "common/test_os.h"

namespace {

class CliSessionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    QFile file(Path(QStringLiteral("recorders.json")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"state_folder": "state", "recorders": [
      {"name": "CdRom0", "address": "1:0:0:0", "media_formats": ["write"], "write_modes": ["tao"],
       "medium": {"type": "CD-R"}},
      {"name": "CdRom1", "address": "1:0:1:0", "media_formats": ["write", "write_dvdr"], "write_modes": ["tao"],
       "medium": {"type": "DVD-R"}},
      {"name": "CdRom2", "address": "1:0:2:0", "media_formats": ["write"], "write_modes": ["tao"],
       "medium": {"type": "CD-R"}, "faults": {"write_fails_at": 81920}},
      {"name": "CdRom3", "address": "1:0:3:0", "media_formats": ["write"], "write_modes": ["tao"],
       "medium": {"type": "CD-R"}, "faults": {"write_fails_at": 400000}}
    ]})");
  }

  QString Path(const QString& name) const { return dir_.filePath(name); }

  // An image of blocks blocks whose volume descriptor (block 16) carries label.
  QString Image(const QString& label, int blocks) {
    QByteArray bytes(blocks * 2048, '\0');
    char* pvd = bytes.data() + 16 * 2048;
    pvd[0] = 1;
    std::memcpy(pvd + 1, "CD001", 5);
    pvd[6] = 1;
    std::memset(pvd + 40, ' ', 32);
    std::memcpy(pvd + 40, label.toLatin1().constData(), size_t(label.size()));
    for (int i = 0; i < 4; ++i) pvd[80 + i] = pvd[87 - i] = char(uint32_t(blocks) >> (8 * i));
    std::memcpy(pvd + 813, "2024050112000000", 16);
    char* end = pvd + 2048;  // the set terminator
    end[0] = char(255);
    std::memcpy(end + 1, "CD001", 5);
    end[6] = 1;
    QFile file(Path(label + QStringLiteral(".iso")));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return file.fileName();
  }

  QProcess::ExitStatus Run(const QStringList& arguments, int& exitCode, QString& out, QString& err) {
    QProcess process;
    process.start(QStringLiteral(KORVANEL_CLI), QStringList{QStringLiteral("--no-real-drives"),
                                                            QStringLiteral("--virtual-drives"),
                                                            Path(QStringLiteral("recorders.json"))} + arguments);
    EXPECT_TRUE(process.waitForFinished(30000));
    exitCode = process.exitCode();
    // Lines end as the system ends them; the checks read them one way.
    out = QString::fromLocal8Bit(process.readAllStandardOutput()).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    err = QString::fromLocal8Bit(process.readAllStandardError()).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return process.exitStatus();
  }

  QString Info(const char* device) {
    int code = -1;
    QString out, err;
    Run({QStringLiteral("info"), QLatin1String(device)}, code, out, err);
    EXPECT_EQ(code, 0) << err.toStdString();
    return out;
  }

  void BurnWithCli(const char* device, const QString& image) {
    int code = -1;
    QString out, err;
    Run({QStringLiteral("burn"), image, QStringLiteral("--device"), QLatin1String(device), QStringLiteral("--mode"),
         QStringLiteral("tao"), QStringLiteral("--multisession"), QStringLiteral("--no-eject")},
        code, out, err);
    ASSERT_EQ(code, 0) << err.toStdString();
  }

  // A further track-at-once session, closed for another; the library's exception number.
  uint8_t BurnWithLibrary(const char* device, const QString& image) {
    char text[DISCWRIGHT_TEXT_SIZE] = {};
    uint32_t status = 0;
    uint8_t failure[DISCWRIGHT_FAILURE_INFO_SIZE];
    const QByteArray config = QFile::encodeName(Path(QStringLiteral("recorders.json")));
    DiscwrightStartup startup{sizeof startup, 0, config.constData(), nullptr, -1, text, sizeof text, nullptr, 0, nullptr};
    EXPECT_EQ(Discwright_UpStartEx(&startup), 0) << text;
    DiscwrightHandle grabber = 0;
    EXPECT_EQ(Discwright_CdvdBurnerGrabber_CreateEx(&grabber, text, sizeof text, &status, failure, nullptr, nullptr,
                                                    device, 0), 0) << text;
    const QByteArray file = QFile::encodeName(image);
    uint8_t code = Discwright_CdvdBurnerGrabber_TrackAtOnceFromFile(grabber, text, sizeof text, &status, failure,
                                                                    file.constData(), 1, 0, 1, 0, 0);
    if (code == 0) code = Discwright_CdvdBurnerGrabber_CloseSession(grabber, text, sizeof text, &status, failure);
    Discwright_Destroy(&grabber);
    Discwright_DownShut();
    return code;
  }

  QTemporaryDir dir_;
};

TEST_F(CliSessionsTest, InfoListsThreeSessionsWithTheirGapsAndTheNewestLabel) {
  struct Case {
    const char* device;
    const char* lines;
  };
  // 20, 30 and 40 blocks; on CD-R each closed session leaves its lead-out and the next lead-in.
  const Case cases[] = {
      {"CdRom0",
       "Sessions:\n"
       "  Session 1: start 0, 20 blocks (0.04 MB), 2024-05-01 12:00:00, label \"ONE\"\n"
       "  Session 2: start 11420, 30 blocks (0.06 MB), 2024-05-01 12:00:00, label \"TWO\"\n"
       "  Session 3: start 18350, 40 blocks (0.08 MB), 2024-05-01 12:00:00, label \"THREE\"\n"},
      {"CdRom1",
       "Sessions:\n"
       "  Session 1: start 0, 20 blocks (0.04 MB), 2024-05-01 12:00:00, label \"ONE\"\n"
       "  Session 2: start 20, 30 blocks (0.06 MB), 2024-05-01 12:00:00, label \"TWO\"\n"
       "  Session 3: start 50, 40 blocks (0.08 MB), 2024-05-01 12:00:00, label \"THREE\"\n"},
  };
  const QString one = Image(QStringLiteral("ONE"), 20), two = Image(QStringLiteral("TWO"), 30),
                three = Image(QStringLiteral("THREE"), 40);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.device);
    BurnWithCli(c.device, one);
    ASSERT_EQ(BurnWithLibrary(c.device, two), 0);
    ASSERT_EQ(BurnWithLibrary(c.device, three), 0);
    const QString out = Info(c.device);
    EXPECT_TRUE(out.endsWith(QLatin1String(c.lines))) << out.toStdString();
    // The device list's label is the newest session's.
    EXPECT_TRUE(out.contains(QStringLiteral("Label:           THREE\n"))) << out.toStdString();
  }
}

TEST_F(CliSessionsTest, ABrokenOffSessionShowsAsIncompleteAndDamagedOnADiscThatIsNotBlank) {
  BurnWithCli("CdRom2", Image(QStringLiteral("ONE"), 20));
  EXPECT_NE(BurnWithLibrary("CdRom2", Image(QStringLiteral("TWO"), 60)), 0);  // breaks off after 40 blocks
  const QString out = Info("CdRom2");
  EXPECT_TRUE(out.contains(QStringLiteral("Disc status:     1\n"))) << out.toStdString();
  EXPECT_TRUE(out.endsWith(QStringLiteral(
      "  Session 2: start 11420, 40 blocks (0.08 MB), 2024-05-01 12:00:00, label \"TWO\", incomplete, damaged\n")))
      << out.toStdString();
}

}  // namespace

namespace {

// The files the last session's directory lists, as the library reads them from the disc.
QStringList FilesOnDisc(const QString& config, const char* device) {
  char text[DISCWRIGHT_TEXT_SIZE] = {};
  uint32_t status = 0;
  uint8_t failure[DISCWRIGHT_FAILURE_INFO_SIZE];
  const QByteArray file = QFile::encodeName(config);
  DiscwrightStartup startup{sizeof startup, 0, file.constData(), nullptr, -1, text, sizeof text, nullptr, 0, nullptr};
  EXPECT_EQ(Discwright_UpStartEx(&startup), 0) << text;
  DiscwrightHandle grabber = 0, tree = 0;
  EXPECT_EQ(Discwright_CdvdBurnerGrabber_CreateEx(&grabber, text, sizeof text, &status, failure, nullptr, nullptr,
                                                  device, 0), 0) << text;
  QStringList paths;
  EXPECT_EQ(Discwright_ISO9660JolietFileTree_CreateFromDisc(&tree, text, sizeof text, &status, grabber, nullptr, nullptr),
            0) << text;
  auto collect = [](uint32_t, void* context, void* entry, void*) {
    *static_cast<QStringList*>(context) << QString::fromUtf8(static_cast<DiscwrightDiscEntry*>(entry)->Path);
  };
  EXPECT_EQ(Discwright_ISO9660JolietFileTree_ForEachDiscFile(tree, text, sizeof text, &status, +collect, &paths), 0) << text;
  Discwright_Destroy(&tree);
  Discwright_Destroy(&grabber);
  Discwright_DownShut();
  paths.sort();
  return paths;
}

}  // namespace

// burn-files --append: each new session's directory lists the disc's files and the
// chosen ones; every refusal comes before the disc is touched and leaves it as it was.
TEST_F(CliSessionsTest, FilesAreAddedInFurtherSessionsAndEachRefusalLeavesTheDiscAsItWas) {
  SKIP_WITHOUT_FILE_TREES();
  QDir(dir_.path()).mkpath(QStringLiteral("one"));
  QDir(dir_.path()).mkpath(QStringLiteral("two"));
  for (const char* name : {"one/a.txt", "one/b.txt", "two/c.txt", "a.txt"}) {
    QFile file(Path(QLatin1String(name)));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(name) + '\n');
  }
  auto burn = [&](const QStringList& arguments) {
    int code = -1;
    QString out, err;
    Run(arguments + QStringList{QStringLiteral("--device"), QStringLiteral("CdRom0"), QStringLiteral("--no-eject")},
        code, out, err);
    return std::pair{code, out + err};
  };
  const QString one = Path(QStringLiteral("one")), two = Path(QStringLiteral("two")), a = Path(QStringLiteral("a.txt"));
  ASSERT_EQ(burn({QStringLiteral("burn-files"), one, QStringLiteral("--multisession"), QStringLiteral("--label"),
                  QStringLiteral("FIRST")}).first, 0);

  const struct {
    QStringList arguments;
    const char* says;
  } refusals[] = {
      {{QStringLiteral("burn-files"), two}, "The disc in CdRom0 already holds 2 files in 1 session; --append adds"},
      {{QStringLiteral("burn"), Image(QStringLiteral("ONE"), 20)}, "An image would hide the files on the disc"},
      {{QStringLiteral("burn-files"), one, QStringLiteral("--append")},
       "Already on the disc, and would be replaced: /one/a.txt, /one/b.txt; --replace replaces them"},
      {{QStringLiteral("burn-files"), two, QStringLiteral("--append"), QStringLiteral("--remove"), QStringLiteral("/nothing")},
       "/nothing"},
  };
  for (const auto& r : refusals) {
    const auto [code, said] = burn(r.arguments);
    EXPECT_EQ(code, 1) << said.toStdString();
    EXPECT_TRUE(said.contains(QLatin1String(r.says))) << said.toStdString();
  }
  EXPECT_FALSE(Info("CdRom0").contains(QStringLiteral("Session 2:")));

  for (const QStringList& append :
       {QStringList{two, QStringLiteral("--verify")}, QStringList{a},
        QStringList{a, QStringLiteral("--replace"), QStringLiteral("--remove"), QStringLiteral("/one/b.txt"),
                    QStringLiteral("--verify")}}) {
    const auto [code, said] = burn(QStringList{QStringLiteral("burn-files"), QStringLiteral("--append")} + append);
    EXPECT_EQ(code, 0) << said.toStdString();
    // The verify reads the disc's earlier files through the new directory too.
    if (append.contains(QStringLiteral("--verify"))) {
      EXPECT_TRUE(said.contains(QRegularExpression("The [23] files of the earlier sessions read back through the new "
                                                   "directory"))) << said.toStdString();
    }
  }
  const QString info = Info("CdRom0");
  EXPECT_TRUE(info.contains(QStringLiteral("Session 4: start ")) && info.contains(QStringLiteral("label \"FIRST\"")))
      << info.toStdString();
  EXPECT_EQ(FilesOnDisc(Path(QStringLiteral("recorders.json")), "CdRom0"),
            (QStringList{QStringLiteral("/a.txt"), QStringLiteral("/one/a.txt"), QStringLiteral("/two/c.txt")}));
}

// An added session that breaks off leaves the earlier one readable and the disc shown as it
// is; the next try says what happened and what can still be done.
TEST_F(CliSessionsTest, AnAddedSessionThatBreaksOffKeepsTheEarlierFilesAndSaysSoNextTime) {
  SKIP_WITHOUT_FILE_TREES();
  QDir(dir_.path()).mkpath(QStringLiteral("small"));
  QDir(dir_.path()).mkpath(QStringLiteral("large"));
  for (const auto& [name, bytes] : {std::pair{"small/a.txt", 1000}, std::pair{"large/b.bin", 600000}}) {
    QFile file(Path(QLatin1String(name)));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(bytes, 'k'));
  }
  int code = -1;
  QString out, err;
  auto burn = [&](const QString& folder, const QStringList& options) {
    Run(QStringList{QStringLiteral("burn-files"), Path(folder), QStringLiteral("--device"), QStringLiteral("CdRom3"),
                    QStringLiteral("--no-eject")} + options,
        code, out, err);
  };
  burn(QStringLiteral("small"), {QStringLiteral("--multisession")});
  ASSERT_EQ(code, 0) << err.toStdString();
  burn(QStringLiteral("large"), {QStringLiteral("--append")});
  EXPECT_EQ(code, 1) << out.toStdString();
  const QString info = Info("CdRom3");
  EXPECT_TRUE(info.contains(QStringLiteral("Disc status:     1"))) << info.toStdString();
  EXPECT_TRUE(info.contains(QRegularExpression("Session 2: .*incomplete, damaged"))) << info.toStdString();
  burn(QStringLiteral("small"), {QStringLiteral("--append")});
  EXPECT_EQ(code, 1);
  EXPECT_TRUE(err.contains(QStringLiteral("has a last session that broke off during a burn: the files of the earlier "
                                          "sessions still read as before")))
      << err.toStdString();
}

namespace {

// An image file grows three times: Korvanel, another program (xorriso, when installed),
// Korvanel again; the last directory holds every file, each reading back equal.
TEST(CliGrowTest, AnImageFileGrowsWithKorvanelAndAnotherProgram) {
  SKIP_WITHOUT_FILE_TREES();
  SKIP_WITHOUT_FILE_DRIVES();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString image = dir.filePath(QStringLiteral("disc.iso"));
  const std::map<QString, QByteArray> files = {{QStringLiteral("one/a.txt"), "alpha\n"},
                                               {QStringLiteral("one/big.bin"), QByteArray(300000, 'b')},
                                               {QStringLiteral("x.txt"), "from another program\n"},
                                               {QStringLiteral("three.txt"), "three\n"}};
  for (const auto& [name, data] : files) {
    QDir(dir.path()).mkpath(QFileInfo(dir.filePath(name)).path());
    QFile file(dir.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
  }
  auto run = [](const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    return std::pair{process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput() +
                                                                process.readAllStandardError())};
  };
  auto korvanel = [&](const QStringList& arguments) {
    const auto [code, said] =
        run(QStringLiteral(KORVANEL_CLI), QStringList{QStringLiteral("--no-real-drives"), QStringLiteral("--pseudo-drive"),
                                                     image, QStringLiteral("burn-files")} +
                                             arguments +
                                             QStringList{QStringLiteral("--device"), QStringLiteral("CdRom0"),
                                                         QStringLiteral("--no-eject"), QStringLiteral("--verify")});
    EXPECT_EQ(code, 0) << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("Verification passed"))) << said.toStdString();
  };
  korvanel({dir.filePath(QStringLiteral("one"))});
  const bool xorriso = run(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("command -v xorriso")}).first == 0;
  if (xorriso) {
    const auto [code, said] = run(QStringLiteral("xorriso"), {QStringLiteral("-dev"), QStringLiteral("stdio:") + image,
                                                               QStringLiteral("-map"), dir.filePath(QStringLiteral("x.txt")),
                                                               QStringLiteral("/x.txt"), QStringLiteral("-commit")});
    ASSERT_EQ(code, 0) << said.toStdString();
  }
  korvanel({dir.filePath(QStringLiteral("three.txt")), QStringLiteral("--append")});
  if (!xorriso) GTEST_SKIP() << "xorriso is not installed: the other program's growth and the listing are left out";

  const auto [listed, listing] = run(QStringLiteral("xorriso"), {QStringLiteral("-indev"), image, QStringLiteral("-find"),
                                                                 QStringLiteral("/"), QStringLiteral("-type"),
                                                                 QStringLiteral("f")});
  ASSERT_EQ(listed, 0) << listing.toStdString();
  const QString out = dir.filePath(QStringLiteral("out"));
  const auto [extracted, said] = run(QStringLiteral("xorriso"), {QStringLiteral("-osirrox"), QStringLiteral("on"),
                                                                 QStringLiteral("-indev"), image, QStringLiteral("-extract"),
                                                                 QStringLiteral("/"), out});
  ASSERT_EQ(extracted, 0) << said.toStdString();
  for (const auto& [name, data] : files) {
    EXPECT_TRUE(listing.contains(QStringLiteral("'/") + name + QLatin1Char('\''))) << name.toStdString();
    QFile file(out + QLatin1Char('/') + name);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    EXPECT_EQ(file.readAll(), data) << name.toStdString();
  }
  // The extracted copy is read-only as the image's files are: let the temporary folder go.
  run(QStringLiteral("chmod"), {QStringLiteral("-R"), QStringLiteral("u+w"), out});
}

}  // namespace

