// korvanel-cli end to end: the binary is run as a user would, on virtual recorders.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstring>

#include "Discwright.h"
#include "common/test_os.h"

namespace {

struct Result {
  int exitCode = -1;
  QString out;
  QString err;
};

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    WriteConfig(R"({"state_folder": "state", "recorders": [
      {"name": "CdRom0", "address": "1:0:0:0", "product": "CLI CD Writer",
       "media_formats": ["read_cdr", "test_write", "write"], "write_modes": ["tao", "sao", "dao_pq", "dao_raw"],
       "buffer_underrun_protection": true, "medium": {"type": "CD-R"}},
      {"name": "CdRom1", "address": "1:0:1:0", "product": "CLI DVD Writer",
       "media_formats": ["read_dvd", "test_write", "write", "write_dvdplusr"], "write_modes": ["tao", "sao"],
       "medium": {"type": "DVD+R"}},
      {"name": "CdRom2", "address": "2:0:0:0", "product": "CLI Full Writer", "media_formats": ["write"],
       "write_modes": ["tao"], "medium": {"type": "CD-R", "state": "complete", "label": "FULL"}},
      {"name": "CdRom3", "address": "2:0:1:0", "product": "CLI Empty Writer", "media_formats": ["write"],
       "write_modes": ["tao"], "medium": null},
      {"name": "CdRom4", "address": "3:0:0:0", "product": "CLI Reader", "media_formats": ["read_cdr"],
       "medium": {"type": "CD-R"}},
      {"name": "CdRom5", "address": "3:0:1:0", "product": "CLI Slow Writer", "media_formats": ["write"],
       "write_modes": ["tao"], "write_speeds": {"cd": [176]}, "time_scale": 1, "medium": {"type": "CD-R"}},
      {"name": "CdRom6", "address": "4:0:0:0", "product": "CLI Faulty Writer", "media_formats": ["write"],
       "write_modes": ["tao"], "medium": {"type": "CD-R"}, "faults": {"corrupt_byte_at": 5000}}
    ]})");
  }

  void WriteConfig(const char* json) {
    QFile file(Config());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(json);
  }

  QString Config() const { return dir_.filePath(QStringLiteral("recorders.json")); }
  QString Path(const QString& name) const { return dir_.filePath(name); }

  QString MakeImage(const QString& name, qint64 size) {
    QByteArray bytes(int(size), '\0');
    for (qint64 i = 0; i < size; ++i) bytes[int(i)] = char((i * 7 + i / 2048) & 0xFF);
    QFile file(Path(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return file.fileName();
  }

  // language: the LANGUAGE the program is started with (the tests' own is English),
  // with that language's formats too, as its speakers have them ("de": de_DE).
  Result Run(QStringList arguments, int timeoutMs = 30000, const QString& language = {}) {
    QProcess process;
    if (!language.isEmpty()) {
      QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
      environment.insert(QStringLiteral("LANGUAGE"), language);
      environment.insert(QStringLiteral("LC_ALL"), language + QLatin1Char('_') + language.toUpper() + QStringLiteral(".UTF-8"));
      process.setProcessEnvironment(environment);
    }
    arguments.prepend(Config());
    arguments.prepend(QStringLiteral("--virtual-drives"));
    arguments.prepend(QStringLiteral("--no-real-drives"));
    process.start(QStringLiteral(KORVANEL_CLI), arguments);
    EXPECT_TRUE(process.waitForFinished(timeoutMs));
    // A Windows console program ends its lines with CR LF.
    auto text = [](const QByteArray& bytes) { return QString::fromLocal8Bit(bytes).replace(QStringLiteral("\r\n"), QStringLiteral("\n")); };
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            text(process.readAllStandardOutput()), text(process.readAllStandardError())};
  }

  // The bytes of the medium in a recorder, read back through the library.
  QByteArray Medium(const char* device, qint64 size) {
    char text[DISCWRIGHT_TEXT_SIZE] = {};
    uint32_t status = 0;
    uint8_t failure[DISCWRIGHT_FAILURE_INFO_SIZE];
    QByteArray config = QFile::encodeName(Config());
    DiscwrightStartup startup{sizeof startup, 0, config.constData(), nullptr, -1, text, sizeof text, nullptr, 0, nullptr};
    EXPECT_EQ(Discwright_UpStartEx(&startup), 0) << text;
    DiscwrightHandle grabber = 0;
    EXPECT_EQ(Discwright_CdvdBurnerGrabber_CreateEx(&grabber, text, sizeof text, &status, failure, nullptr, nullptr,
                                                    device, 0), 0) << text;
    uint32_t blocks = uint32_t((size + 2047) / 2048);
    QByteArray data(int(blocks * 2048), '\0');
    EXPECT_EQ(Discwright_CdvdBurnerGrabber_CloseTray(grabber, text, sizeof text, &status, failure), 0) << text;
    EXPECT_EQ(Discwright_CdvdBurnerGrabber_ReadSectors(grabber, text, sizeof text, &status, failure, 0, blocks,
                                                       data.data()), 0) << text;
    Discwright_Destroy(&grabber);
    Discwright_DownShut();
    return data.left(int(size));
  }

  QTemporaryDir dir_;
};

TEST_F(CliTest, UsageErrorsExitWithTwo) {
  QProcess process;
  process.start(QStringLiteral(KORVANEL_CLI), {QStringLiteral("--help")});
  ASSERT_TRUE(process.waitForFinished());
  EXPECT_EQ(process.exitCode(), 0);
  EXPECT_TRUE(process.readAllStandardOutput().contains("usage: korvanel-cli"));

  EXPECT_EQ(Run({}).exitCode, 2);
  EXPECT_EQ(Run({QStringLiteral("frobnicate")}).exitCode, 2);
  EXPECT_EQ(Run({QStringLiteral("burn"), QStringLiteral("x.iso")}).exitCode, 2);  // no --device
  EXPECT_EQ(Run({QStringLiteral("devices"), QStringLiteral("--bogus")}).exitCode, 2);
  // A size sizes the drive before it, so one with no drive before it is a mistake.
  EXPECT_EQ(Run({QStringLiteral("--pseudo-drive-size"), QStringLiteral("4096"), QStringLiteral("devices")}).exitCode, 2);
  EXPECT_EQ(Run({QStringLiteral("--pseudo-drive"), Path(QStringLiteral("p.img")), QStringLiteral("--pseudo-drive-size"),
                 QStringLiteral("lots"), QStringLiteral("devices")}).exitCode, 2);
  const QString burn = QStringLiteral("burn x.iso --device CdRom0 ");
  for (const QString& line : {QStringLiteral("--time-scale inf devices"), QStringLiteral("--time-scale nan devices"),
                              QStringLiteral("--time-scale 1e9 devices"), QStringLiteral("--time-scale -1 devices"),
                              burn + QStringLiteral("--speed 0"), burn + QStringLiteral("--speed -4"),
                              burn + QStringLiteral("--mode sao --multisession")}) {
    Result r = Run(line.split(QLatin1Char(' ')));
    EXPECT_EQ(r.exitCode, 2) << line.toStdString();
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("korvanel-cli: "))) << line.toStdString();
  }
  // A number that is not plainly one is refused by name, never read as another
  // (nan and inf waited for ever; "1e30" overflowed the wait).
  const QString wait = QStringLiteral("wait-disc CdRom3 --timeout ");
  const struct {
    QString line;
    const char* option;
  } numbers[] = {
      {wait + "nan", "--timeout"},        {wait + "inf", "--timeout"},         {wait + "-1", "--timeout"},
      {wait + "1e30", "--timeout"},       {wait + "1e400", "--timeout"},       {wait + "5x", "--timeout"},
      {burn + "--speed 8x", "--speed"},   {burn + "--speed 1e2", "--speed"},   {burn + "--speed 99999", "--speed"},
      {burn + "--copies +2", "--copies"}, {burn + "--copies 2.0", "--copies"}, {"--time-scale 1x devices", "--time-scale"},
      {"--pseudo-drive p.img --pseudo-drive-size 4096x devices", "--pseudo-drive-size"},
  };
  for (const auto& n : numbers) {
    Result r = Run(n.line.split(QLatin1Char(' ')), 5000);
    EXPECT_EQ(r.exitCode, 2) << n.line.toStdString();
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("korvanel-cli: ") + n.option)) << r.err.toStdString();
  }
  // After "--" every argument is a file, even one named like an option.
  QFile named(Path(QStringLiteral("--md5")));
  ASSERT_TRUE(named.open(QIODevice::WriteOnly));
  named.close();
  QProcess checksum;
  checksum.setWorkingDirectory(dir_.path());
  checksum.start(QStringLiteral(KORVANEL_CLI), {QStringLiteral("checksum"), QStringLiteral("--"), QStringLiteral("--md5")});
  ASSERT_TRUE(checksum.waitForFinished());
  EXPECT_EQ(checksum.exitCode(), 0) << checksum.readAllStandardError().toStdString();
  EXPECT_EQ(checksum.readAllStandardOutput().replace("\r\n", "\n"),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855  --md5\n");
}

TEST_F(CliTest, InGermanMessagesAndHelpAreGermanWhileExitCodesAndTheDeviceTableStay) {
  SKIP_WITHOUT_POSIX("a language chosen per process (Windows takes the user's)");
  ASSERT_TRUE(QDir(dir_.path()).mkpath(QStringLiteral("special")));
  ASSERT_EQ(testos::makeFifo(Path(QStringLiteral("special/pipe"))), testos::kPosix);
  QFile beside(Path(QStringLiteral("special/notes.txt")));  // a folder of pipes alone makes no image
  ASSERT_TRUE(beside.open(QIODevice::WriteOnly));
  beside.close();
  const struct {
    QStringList arguments;
    int exitCode;
    bool onStdout;
    const char* german;
  } cases[] = {
      {{"--help"}, 0, true, "Aufruf: korvanel-cli [globale Optionen] BEFEHL [Argumente]"},
      {{"--bogus", "devices"}, 2, false, "korvanel-cli: unbekannte Option --bogus"},
      {{"speeds", "CdRom4"}, 1, false, "Das Laufwerk CdRom4 kann keine Discs beschreiben"},
      {{"erase", "CdRom0"}, 1, false, "Die Disc in CdRom0 ist eine CD-R: Nur wiederbeschreibbare Discs"},
      // Whole sentences, and the library's "no such device" said in German.
      {{"read", "CdRom0", Path("out.iso")}, 1, false, "Die Disc in CdRom0 ist leer: Sie enthält keine Daten, die sich"},
      {{"info", "CdRom9"}, 1, false, "Es wurde kein CD/DVD-Laufwerk „CdRom9“ gefunden"},
      {{"burn-files", Path("gone"), "--device", "CdRom0"}, 1, false, "Die gewählten Dateien und Ordner können nicht"},
      {{"build-image", Path("gone"), Path("out.iso")}, 1, false, "Aus dem Ordner „"},
      // The call's own words stay in the stored failure; the user reads it plainly.
      {{"build-image", dir_.path(), Path("gone/out.iso")}, 1, true, "error   Das Abbild „"},
      {{"build-image", Path("special"), Path("special.iso")}, 0, true, "pipe“ ist eine benannte Pipe (FIFO)"},
  };
  for (const auto& c : cases) {
    const bool needsTrees = c.arguments[0] == QLatin1String("build-image") || c.arguments[0] == QLatin1String("burn-files");
    if (needsTrees && !KORVANEL_HAS_FILE_TREES) continue;
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    const Result english = Run(c.arguments);
    const Result german = Run(c.arguments, 30000, QStringLiteral("de"));
    EXPECT_EQ(english.exitCode, c.exitCode);
    EXPECT_EQ(german.exitCode, c.exitCode);
    // An error's first line is the user's: a library's English line does not come first.
    EXPECT_TRUE((c.onStdout ? german.out : german.err.section(QLatin1Char('\n'), 0, 0)).contains(QString::fromUtf8(c.german)))
        << (german.out + german.err).toStdString();
    EXPECT_FALSE((german.out + german.err).contains(QStringLiteral("CreateFile"))) << german.out.toStdString();
    EXPECT_FALSE((c.onStdout ? english.out : english.err).contains(QString::fromUtf8(c.german)));
  }
  // Scripts read the device table, the details and the speeds: their columns, words
  // and figures ("0.06 MB", "48.0x") follow neither the language nor its formats.
  for (const QStringList& command : {QStringList{"devices"}, QStringList{"info", "CdRom2"}, QStringList{"speeds", "CdRom0"}}) {
    const Result english = Run(command);
    EXPECT_TRUE(english.out.contains(QRegularExpression(QStringLiteral("\\d\\.\\d\\d MB|\\d\\.0x")))) << english.out.toStdString();
    EXPECT_EQ(Run(command, 30000, QStringLiteral("de")).out, english.out) << command.join(' ').toStdString();
  }
}

TEST_F(CliTest, DevicesListsEveryRecorderByNameOrAddress) {
  Result byName = Run({QStringLiteral("devices")});
  ASSERT_EQ(byName.exitCode, 0) << byName.err.toStdString();
  EXPECT_TRUE(byName.out.contains(QStringLiteral("CdRom0")));
  EXPECT_TRUE(byName.out.contains(QStringLiteral("CLI Reader")));
  EXPECT_TRUE(byName.out.contains(QStringLiteral("Blank")));
  EXPECT_TRUE(byName.out.contains(QStringLiteral("Empty")));

  Result byAddress = Run({QStringLiteral("--transport"), QStringLiteral("address"), QStringLiteral("devices")});
  ASSERT_EQ(byAddress.exitCode, 0) << byAddress.err.toStdString();
  EXPECT_TRUE(byAddress.out.contains(QStringLiteral("3:0:0:0")));
  EXPECT_FALSE(byAddress.out.contains(QStringLiteral("CdRom0 ")));
}

TEST_F(CliTest, SpeedsShowsTheSpeedTexts) {
  Result r = Run({QStringLiteral("speeds"), QStringLiteral("CdRom0")});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.contains(QStringLiteral("48.0x (8467 KB/sec)"))) << r.out.toStdString();
}

TEST_F(CliTest, BurnWritesTheImageAndSavesTheLog) {
  QString image = MakeImage(QStringLiteral("disc.iso"), 300000);
  QString log = Path(QStringLiteral("burn.log"));
  Result r = Run({QStringLiteral("burn"), image, QStringLiteral("--device"), QStringLiteral("CdRom0"),
                  QStringLiteral("--mode"), QStringLiteral("dao"), QStringLiteral("--save-log"), log});
  ASSERT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
  EXPECT_TRUE(r.out.contains(QStringLiteral("Burning completed")));
  EXPECT_TRUE(r.out.contains(QStringLiteral("100%")));

  QFile file(image);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(Medium("CdRom0", 300000), file.readAll());

  QFile saved(log);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  QList<QByteArray> lines = saved.readAll().split('\n');
  ASSERT_GT(lines.size(), 5);
  EXPECT_EQ(lines[0], QByteArray("         Burning image\r"));  // no time: eight blanks
  EXPECT_TRUE(lines[1].startsWith("         Destination device: CLI CD Writer"));
  EXPECT_TRUE(saved.fileName().size() > 0);

  // The disc now holds data: a second burn is refused as the device page refuses it.
  Result again = Run({QStringLiteral("burn"), image, QStringLiteral("--device"), QStringLiteral("CdRom0")});
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_TRUE(again.err.contains(QStringLiteral("Disc is not blank, burning is impossible!")));
}

TEST_F(CliTest, RefusedDevicesAndImagesGiveThePageMessages) {
  QString image = MakeImage(QStringLiteral("small.iso"), 4096);
  auto burn = [&](const QString& device, const QString& file, QStringList extra = {}) {
    return Run(QStringList{QStringLiteral("burn"), file, QStringLiteral("--device"), device} + extra);
  };
  struct Case {
    Result result;
    const char* message;
  } cases[] = {
      {burn(QStringLiteral("CdRom2"), image), "Disc is not blank, burning is impossible!"},
      {burn(QStringLiteral("CdRom3"), image), "No media in drive"},
      {burn(QStringLiteral("CdRom4"), image), "You must select device that is supports burning CD/DVD"},
      {burn(QStringLiteral("CdRom9"), image), "You must select device that is supports burning CD/DVD"},
      {burn(QStringLiteral("CdRom0"), Path(QStringLiteral("missing.iso"))), "You must select image file"},
      {burn(QStringLiteral("CdRom1"), image, {QStringLiteral("--mode"), QStringLiteral("sao")}),
       "is not offered for this device and disc"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.result.exitCode, 1) << c.message;
    EXPECT_TRUE(c.result.err.contains(QString::fromLatin1(c.message))) << c.result.err.toStdString();
  }
  // Too big for the disc: a sparse file of a DVD's size on the CD recorder.
  QFile big(Path(QStringLiteral("big.iso")));
  ASSERT_TRUE(big.open(QIODevice::WriteOnly));
  ASSERT_TRUE(big.resize(qint64(4) << 30));
  big.close();
  Result tooBig = burn(QStringLiteral("CdRom0"), big.fileName());
  EXPECT_EQ(tooBig.exitCode, 1);
  EXPECT_TRUE(tooBig.err.contains(QStringLiteral("Image size is too big to fit disc space")));
}

// A file pseudo-drive goes through the same device and image checks as a
// recorder, then through the real-drive backend.
TEST_F(CliTest, PseudoDriveIsListedBurnedAndSized) {
  SKIP_WITHOUT_FILE_DRIVES();
  const QString target = Path(QStringLiteral("pseudo.img"));
  const QStringList drive = {QStringLiteral("--pseudo-drive"), target};
  // The recorders of the configuration are CdRom0 to CdRom6: the file comes next.
  const QString name = QStringLiteral("CdRom7");

  Result help = Run({QStringLiteral("--help")});
  EXPECT_FALSE(help.out.contains(QStringLiteral("pseudo"))) << "a test option, not for users";

  Result devices = Run(drive + QStringList{QStringLiteral("devices")});
  ASSERT_EQ(devices.exitCode, 0) << devices.err.toStdString();
  QString line;
  for (const QString& l : devices.out.split(QLatin1Char('\n')))
    if (l.startsWith(name + QLatin1Char(' '))) line = l;
  ASSERT_FALSE(line.isEmpty()) << devices.out.toStdString();
  EXPECT_TRUE(line.contains(QStringLiteral("Blank"))) << line.toStdString();
  EXPECT_TRUE(line.trimmed().endsWith(QStringLiteral("yes"))) << line.toStdString();

  const qint64 size = 300000;  // not a whole number of blocks
  QString image = MakeImage(QStringLiteral("pseudo.iso"), size);
  Result burn = Run(drive + QStringList{QStringLiteral("burn"), image, QStringLiteral("--device"), name,
                                        QStringLiteral("--mode"), QStringLiteral("tao")});
  ASSERT_EQ(burn.exitCode, 0) << burn.out.toStdString() << burn.err.toStdString();
  EXPECT_TRUE(burn.out.contains(QStringLiteral("Burning completed"))) << burn.out.toStdString();
  QFile written(target);
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  QByteArray bytes = written.readAll();
  QFile source(image);
  ASSERT_TRUE(source.open(QIODevice::ReadOnly));
  ASSERT_GE(bytes.size(), size);
  EXPECT_LE(bytes.size(), (size + 2047) / 2048 * 2048) << "padded past the last block";
  EXPECT_TRUE(bytes.left(int(size)) == source.readAll()) << "the file does not hold the image";
  EXPECT_EQ(bytes.mid(int(size)).count('\0'), bytes.size() - size) << "the padding is not zeros";

  // A drive of 1 MiB cannot take a 2 MiB image: refused before anything is written.
  const QString small = Path(QStringLiteral("small-pseudo.img"));
  QString big = MakeImage(QStringLiteral("pseudo-big.iso"), 2 << 20);
  Result tooBig = Run({QStringLiteral("--pseudo-drive"), small, QStringLiteral("--pseudo-drive-size"),
                       QString::number(1 << 20), QStringLiteral("burn"), big, QStringLiteral("--device"), name,
                       QStringLiteral("--mode"), QStringLiteral("tao")});
  EXPECT_EQ(tooBig.exitCode, 1) << tooBig.out.toStdString();
  EXPECT_TRUE(tooBig.err.contains(QStringLiteral("Image size is too big to fit disc space"))) << tooBig.err.toStdString();
  EXPECT_LE(QFileInfo(small).size(), 0) << "something was written to the refusing drive";
}

TEST_F(CliTest, ABusyRecorderIsShownAsBusyAndInterruptCancelsItsBurn) {
  QString image = MakeImage(QStringLiteral("slow.iso"), 2 << 20);  // about 12 s at 1x
  QProcess process;
  process.start(QStringLiteral(KORVANEL_CLI),
                {QStringLiteral("--no-real-drives"), QStringLiteral("--virtual-drives"), Config(),
                 QStringLiteral("burn"), image, QStringLiteral("--device"), QStringLiteral("CdRom5")});
  ASSERT_TRUE(process.waitForStarted());
  QByteArray out;
  while (!out.contains("Burning started") && process.waitForReadyRead(10000)) out += process.readAllStandardOutput();
  ASSERT_TRUE(out.contains("Burning started")) << out.toStdString();
  // Meanwhile another run finds the recorder busy and says so, by name and by address.
  const QString busy = QStringLiteral("in use by another program");
  Result devices = Run({QStringLiteral("devices")});
  EXPECT_TRUE(devices.out.contains(QRegularExpression(QStringLiteral("CdRom5 +unavailable: .*") + busy)))
      << devices.out.toStdString();
  // Each command that needs it gives the busy reason alone, without a contradicting second line.
  for (const QStringList& command :
       {QStringList{QStringLiteral("burn"), image, QStringLiteral("--device"), QStringLiteral("3:0:1:0")},
        QStringList{QStringLiteral("info"), QStringLiteral("CdRom5")},
        QStringList{QStringLiteral("erase"), QStringLiteral("CdRom5")}}) {
    Result again = Run(command);
    EXPECT_EQ(again.exitCode, 1);
    const QStringList lines = again.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1) << again.err.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("korvanel-cli: ")) &&
                lines[0].contains(QStringLiteral("The drive CdRom5 is in use by another program")))
        << again.err.toStdString();
  }
  if (!testos::interrupt(process)) GTEST_SKIP() << "Ctrl+C sent to a child: not on Windows";
  ASSERT_TRUE(process.waitForFinished(5000));
  EXPECT_EQ(process.exitCode(), 3) << process.readAllStandardError().toStdString();
}

TEST_F(CliTest, ADriveThatCannotBeOpenedIsListedWithTheRemedyAndRefused) {
  SKIP_WITHOUT_POSIX("device files and their groups");
  WriteConfig(R"({"state_folder": "state", "recorders": [
      {"name": "CdRom0", "address": "1:0:0:0", "product": "CLI CD Writer", "media_formats": ["write"],
       "write_modes": ["tao"], "medium": {"type": "CD-R"},
       "faults": {"operations": {"CreateEx": {"exception": 5, "status": 13}}}}]})");
  Result devices = Run({QStringLiteral("devices")});
  EXPECT_EQ(devices.exitCode, 0);
  EXPECT_TRUE(devices.out.contains(QRegularExpression(
      QStringLiteral("CdRom0 +unavailable: Permission denied: add yourself to the group cdrom: sudo usermod"))))
      << devices.out.toStdString();
  Result burn = Run({QStringLiteral("burn"), MakeImage(QStringLiteral("a.iso"), 4096), QStringLiteral("--device"),
                     QStringLiteral("CdRom0")});
  EXPECT_EQ(burn.exitCode, 1);
  EXPECT_TRUE(burn.err.contains(QStringLiteral("Permission denied"))) << burn.err.toStdString();
}

TEST_F(CliTest, WaitDiscReturnsWhenADiscIsInAndFailsWhenTheTimeRunsOut) {
  Result in = Run({QStringLiteral("wait-disc"), QStringLiteral("/dev/sr0"), QStringLiteral("--timeout"),
                   QStringLiteral("5")});
  EXPECT_EQ(in.exitCode, 0) << in.err.toStdString();
  EXPECT_TRUE(in.out.contains(QStringLiteral("A disc is in /dev/sr0")));
  QElapsedTimer clock;
  clock.start();
  Result empty = Run({QStringLiteral("wait-disc"), QStringLiteral("CdRom3"), QStringLiteral("--timeout"),
                      QStringLiteral("1")});
  EXPECT_EQ(empty.exitCode, 1);
  EXPECT_GE(clock.elapsed(), 1000);
  EXPECT_TRUE(empty.err.contains(QStringLiteral("No disc in CdRom3 after 1 s"))) << empty.err.toStdString();
  EXPECT_EQ(Run({QStringLiteral("wait-disc"), QStringLiteral("CdRom9")}).exitCode, 1);  // no such drive
}

// A drive that cannot be looked into, a disc that cannot be read and an open
// tray are each said as such, never as an empty drive.
TEST_F(CliTest, AnOpenTrayABusyDriveAndAnUnreadableDiscAreNamedNotTakenForEmpty) {
  WriteConfig(R"({"state_folder": "state", "recorders": [
      {"name": "CdRom0", "media_formats": ["read_cdr", "write", "write_cdrw"], "write_modes": ["tao"], "tray": "open",
       "medium": {"type": "CD-RW", "state": "complete"}},
      {"name": "CdRom1", "media_formats": ["write"], "medium": {"type": "CD-R"},
       "faults": {"operations": {"CreateEx": {"exception": 13, "text": "Held by a test"}}}},
      {"name": "CdRom2", "media_formats": ["write"], "medium": {"type": "CD-R"},
       "faults": {"operations": {"TestUnitReady": {"exception": 10, "text": "Block 16 cannot be read"}}}},
      {"name": "CdRom3", "media_formats": ["read_cdr", "write", "write_cdrw"], "write_modes": ["tao"], "medium": null}
    ]})");
  const QString image = MakeImage(QStringLiteral("a.iso"), 4096);
  const QString open = QStringLiteral("The tray is open: put a disc in and close the tray");
  const struct {
    QStringList command;
    QString says;
  } cases[] = {
      {{"wait-disc", "CdRom0", "--timeout", "0"}, "No disc in CdRom0 after 0 s: the tray is open\n"},
      {{"wait-disc", "CdRom1", "--timeout", "0"}, "Could not look for a disc in CdRom1 within 0 s: Busy: Held by a test\n"},
      {{"wait-disc", "CdRom2", "--timeout", "0"}, "The disc in CdRom2 cannot be read: Block 16 cannot be read\n"},
      {{"wait-disc", "CdRom3", "--timeout", "0"}, "No disc in CdRom3 after 0 s\n"},
      {{"burn", image, "--device", "CdRom0"}, open},
      {{"erase", "CdRom0"}, open},
      {{"read", "CdRom0", Path("out.iso")}, "No disc in CdRom0: " + open},
      {{"checksum", "CdRom0"}, open},
      {{"erase", "CdRom3"}, "No media in drive"},
  };
  for (const auto& c : cases) {
    const Result r = Run(c.command);
    EXPECT_EQ(r.exitCode, 1) << c.command.join(' ').toStdString();
    EXPECT_TRUE(r.err.contains(c.says)) << c.command.join(' ').toStdString() << ": " << r.err.toStdString();
  }
}

TEST_F(CliTest, VerifyCatchesACorruptBurn) {
  QString image = MakeImage(QStringLiteral("verify.iso"), 100000);
  Result good = Run({QStringLiteral("burn"), image, QStringLiteral("--device"), QStringLiteral("CdRom0"),
                     QStringLiteral("--verify")});
  EXPECT_EQ(good.exitCode, 0) << good.out.toStdString() << good.err.toStdString();
  Result bad = Run({QStringLiteral("burn"), image, QStringLiteral("--device"), QStringLiteral("CdRom6"),
                    QStringLiteral("--verify")});
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_TRUE(bad.out.contains(QStringLiteral("5000"))) << bad.out.toStdString();
}

TEST_F(CliTest, FailuresKeepTheirReasonAndArePrintedOnce) {
  WriteConfig(R"({"state_folder": "state", "recorders": [
    {"name": "CdRom0", "address": "1:0:0:0", "media_formats": ["write"], "write_modes": ["tao"],
     "medium": {"type": "CD-R"}, "faults": {"operations": {"CloseSession": {"exception": 10, "text": "no close"}}}},
    {"name": "CdRom1", "address": "1:0:1:0", "media_formats": ["write"], "write_modes": ["tao"],
     "medium": {"type": "CD-R"}, "faults": {"operations": {"GetDiscFreeSpace": {"exception": 10, "text": "no space query"}}}},
    {"name": "CdRom2", "address": "1:0:2:0", "media_formats": ["write"], "write_modes": ["tao"], "medium": null},
    {"name": "CdRom3", "address": "1:0:3:0", "media_formats": ["read_cdr"], "medium": {"type": "CD-R"}},
    {"name": "CdRom4", "address": "1:0:4:0", "product": "Esc\u001b[2Jape\nNew\u202eline", "media_formats": ["write"],
     "write_modes": ["tao"], "medium": {"type": "CD-R"}},
    {"name": "CdRom5", "address": "1:0:5:0", "media_formats": ["write"], "write_modes": ["tao"],
     "medium": {"type": "CD-R"}, "faults": {"operations": {"GetDiscInformation": {"exception": 10, "text": "no disc info"}}}},
    {"name": "CdRom6", "address": "1:0:6:0", "media_formats": ["write"], "write_modes": ["tao"],
     "medium": {"type": "CD-R"}, "faults": {"operations": {"GetTrackInformation": {"exception": 10, "text": "no track info"}}}},
    {"name": "CdRom7", "address": "1:0:7:0", "media_formats": ["write"], "write_modes": ["tao"],
     "medium": {"type": "CD-R"}, "faults": {"operations": {"Release": {"exception": 10, "text": "no release"}}}}
  ]})");
  const QString image = MakeImage(QStringLiteral("disc.iso"), 100000);
  auto burn = [&](const char* device, QStringList extra = {}) {
    return Run(QStringList{QStringLiteral("burn"), image, QStringLiteral("--device"), QString::fromLatin1(device)} +
               extra);
  };
  struct Case {
    const char* what;
    Result result;
    QStringList errLines;  // stderr, in this order
  } cases[] = {
      {"unclosed session", burn("CdRom0"), {}},
      {"hidden library reason", burn("CdRom1"),
       {QStringLiteral("korvanel-cli: no space query"),
        QStringLiteral("korvanel-cli: Image size is too big to fit disc space")}},
      {"log folder missing", burn("CdRom4", {QStringLiteral("--save-log"), Path(QStringLiteral("no/such/log.txt"))}),
       {QStringLiteral("korvanel-cli: Cannot save to \"%1\": the folder %2 does not exist")
            .arg(Path(QStringLiteral("no/such/log.txt")), Path(QStringLiteral("no/such")))}},
      // A broken drive is told from a wrong disc: the library's reason stands beside the check's message.
      {"hidden disc information failure", burn("CdRom5"),
       {QStringLiteral("korvanel-cli: no disc info"), QStringLiteral("korvanel-cli: No writable disc is inserted")}},
      {"hidden track information failure", burn("CdRom6"),
       {QStringLiteral("korvanel-cli: no track info"), QStringLiteral("korvanel-cli: No writable disc is inserted")}},
      {"speeds of an empty drive", Run({QStringLiteral("speeds"), QStringLiteral("CdRom2")}),
       {QStringLiteral("korvanel-cli: No media in drive")}},
      {"speeds of a reader", Run({QStringLiteral("speeds"), QStringLiteral("CdRom3")}),
       {QStringLiteral("korvanel-cli: The device CdRom3 cannot write discs, so it has no write speeds")}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.result.exitCode, 1) << c.what;
    EXPECT_EQ(c.result.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts), c.errLines) << c.what;
    EXPECT_FALSE(c.result.out.contains(QStringLiteral("Burning completed"))) << c.what;
  }
  // A failed release, met at each teardown of the device, is said once; the disc is
  // written, yet the run that showed an error does not end as a success.
  const Result released = burn("CdRom7");
  EXPECT_EQ(released.exitCode, 1) << released.err.toStdString();
  EXPECT_TRUE(released.err.contains(QStringLiteral("The disc was written, but the errors above followed")));
  EXPECT_EQ(released.err.count(QStringLiteral("no release")), 1) << released.err.toStdString();
  // The failed close is the run's one error row, and not repeated on stderr.
  EXPECT_EQ(cases[0].result.out.count(QStringLiteral(" error ")), 1) << cases[0].result.out.toStdString();
  EXPECT_TRUE(cases[0].result.out.contains(QStringLiteral("CloseSession() failed, exception 10, status 0, text \"no close\"")));
  // Nothing was burned before the log's folder was found missing.
  EXPECT_FALSE(cases[2].result.out.contains(QStringLiteral("Burning started")));
  EXPECT_TRUE(Run({QStringLiteral("devices")}).out.contains(QStringLiteral("Esc?[2Jape?New?line")));
  EXPECT_FALSE(Run({QStringLiteral("info"), QStringLiteral("CdRom4")}).out.contains(QLatin1Char('\x1b')));
}

TEST_F(CliTest, InfoShowsTheAddressOfADeviceNamedByName) {
  Result r = Run({QStringLiteral("info"), QStringLiteral("CdRom1")});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.contains(QStringLiteral("Address:         1:0:1:0"))) << r.out.toStdString();
}

TEST_F(CliTest, BuildImageWritesAnIsoFile) {
  SKIP_WITHOUT_FILE_TREES();
  QDir(dir_.path()).mkpath(QStringLiteral("tree/sub"));
  QFile file(Path(QStringLiteral("tree/sub/readme.txt")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("hello disc\n");
  file.close();
  QString iso = Path(QStringLiteral("out.iso"));
  QProcess process;
  process.start(QStringLiteral(KORVANEL_CLI), {QStringLiteral("build-image"), Path(QStringLiteral("tree")), iso,
                                               QStringLiteral("--label"), QStringLiteral("CLITEST")});
  ASSERT_TRUE(process.waitForFinished(30000));
  EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
  QFile out(iso);
  ASSERT_TRUE(out.open(QIODevice::ReadOnly));
  QByteArray bytes = out.readAll();
  ASSERT_GT(bytes.size(), 32768 + 2048);
  EXPECT_EQ(bytes.mid(32769, 5), QByteArray("CD001"));
  EXPECT_EQ(bytes.mid(32768 + 40, 7), QByteArray("CLITEST"));
  EXPECT_TRUE(bytes.contains("hello disc"));
}

}  // namespace

TEST_F(CliTest, BdRecorderOffersBdSpeedsAndTrackAtOnceAndBurnsByteForByte) {
  WriteConfig(R"({"state_folder": "state", "recorders": [
    {"name": "CdRom0", "address": "1:0:0:0", "product": "CLI BD Writer", "media_formats": ["read_dvd", "write"],
     "write_modes": ["tao", "sao", "dao_pq", "dao_raw"], "write_speeds": {"bd": [4495, 8990, 17980, 26970, 53940, 71920]},
     "medium": {"type": "BD-R"}}
  ]})");
  Result info = Run({QStringLiteral("info"), QStringLiteral("CdRom0")});
  ASSERT_EQ(info.exitCode, 0) << info.err.toStdString();
  EXPECT_TRUE(info.out.contains(QStringLiteral("BD-R"))) << info.out.toStdString();
  EXPECT_TRUE(info.out.contains(QStringLiteral("Free:            23866.00 MB"))) << info.out.toStdString();  // 25 025 314 816 bytes

  Result speeds = Run({QStringLiteral("speeds"), QStringLiteral("CdRom0")});
  ASSERT_EQ(speeds.exitCode, 0) << speeds.err.toStdString();
  for (const char* text : {"1.0x (4495 KB/sec)", "2.0x (8990 KB/sec)", "4.0x (17980 KB/sec)", "6.0x (26970 KB/sec)",
                           "12.0x (53940 KB/sec)", "16.0x (71920 KB/sec)"})
    EXPECT_TRUE(speeds.out.contains(QLatin1String(text))) << text << "\n" << speeds.out.toStdString();

  const QString image = MakeImage(QStringLiteral("bd.iso"), 300000);
  Result sao = Run({QStringLiteral("burn"), image, QStringLiteral("--device"), QStringLiteral("CdRom0"),
                    QStringLiteral("--mode"), QStringLiteral("sao")});
  EXPECT_EQ(sao.exitCode, 1) << sao.err.toStdString();
  EXPECT_TRUE(sao.err.contains(QStringLiteral("(offered: tao)"))) << sao.err.toStdString();

  Result burn = Run({QStringLiteral("burn"), image, QStringLiteral("--device"), QStringLiteral("CdRom0"),
                     QStringLiteral("--speed"), QStringLiteral("4")});
  ASSERT_EQ(burn.exitCode, 0) << burn.out.toStdString() << burn.err.toStdString();
  EXPECT_TRUE(burn.out.contains(QStringLiteral("Burning completed")));
  QFile file(image);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(Medium("CdRom0", 300000), file.readAll());
}

TEST_F(CliTest, EraseEmptiesARewritableDiscAndRefusesOthers) {
  WriteConfig(R"({"state_folder": "state", "recorders": [
    {"name": "CdRom0", "media_formats": ["write", "write_cdrw"], "write_modes": ["tao"],
     "medium": {"type": "CD-RW", "state": "complete"}},
    {"name": "CdRom1", "media_formats": ["write"], "write_modes": ["tao"],
     "medium": {"type": "CD-R", "state": "complete"}},
    {"name": "CdRom2", "media_formats": ["write", "write_cdrw"], "write_modes": ["tao"], "write_speeds": {"cd": [176]},
     "time_scale": 1, "medium": {"type": "CD-RW", "state": "complete"}}]})");
  const struct {
    QStringList arguments;
    int exitCode;
    const char* says;
  } cases[] = {{{"erase", "CdRom0"}, 0, "is erased"},
               {{"erase", "CdRom1", "--full"}, 1, "is a CD-R: only rewritable discs"},
               {{"erase"}, 2, "erase takes 1 argument"}};
  for (const auto& c : cases) {
    Result r = Run(c.arguments);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
    EXPECT_TRUE((r.out + r.err).contains(QLatin1String(c.says))) << (r.out + r.err).toStdString();
    // A disc that cannot be erased is refused before any erase is announced.
    if (c.exitCode == 1) {
      EXPECT_FALSE(r.out.contains(QStringLiteral("rasing"))) << r.out.toStdString();
    }
  }
  EXPECT_TRUE(Run({"info", "CdRom0"}).out.contains(QRegularExpression("Used: +Blank")));

  // Ctrl+C during a full erase (about an hour at 1x) cancels it.
  QProcess process;
  process.start(QStringLiteral(KORVANEL_CLI), {"--no-real-drives", "--virtual-drives", Config(), "erase", "CdRom2",
                                               "--full"});
  ASSERT_TRUE(process.waitForStarted());
  QByteArray out;
  while (!out.contains("Fully erasing") && process.waitForReadyRead(10000)) out += process.readAllStandardOutput();
  ASSERT_TRUE(out.contains("Fully erasing")) << out.toStdString();
  if (!testos::interrupt(process)) GTEST_SKIP() << "Ctrl+C sent to a child: not on Windows";
  ASSERT_TRUE(process.waitForFinished(5000));
  EXPECT_EQ(process.exitCode(), 3) << process.readAllStandardError().toStdString();
  EXPECT_FALSE(Run({"info", "CdRom2"}).out.contains(QRegularExpression("Used: +Blank")));
}

// A stored medium that cannot be read is a drive with a damaged disc, never an
// empty drive: every command names the file, what is wrong and what to do.
TEST_F(CliTest, ADamagedStoredMediumIsShownWithItsReasonNeverAsEmpty) {
  ASSERT_EQ(Run({QStringLiteral("devices")}).exitCode, 0);  // the media are stored now
  const QString layout = Path(QStringLiteral("state/CdRom0.medium.json"));
  ASSERT_TRUE(QFileInfo::exists(layout));
  const QString image = MakeImage(QStringLiteral("a.iso"), 4096);
  for (const char* damage : {"{ not json", R"({"fingerprint": 1})"}) {
    SCOPED_TRACE(damage);
    QFile file(layout);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(damage);
    file.close();
    const Result devices = Run({QStringLiteral("devices")});
    EXPECT_EQ(devices.exitCode, 0);
    EXPECT_TRUE(devices.out.contains(QRegularExpression(QStringLiteral("CdRom0 .*Unreadable disc"))))
        << devices.out.toStdString();
    EXPECT_TRUE(devices.out.contains(QStringLiteral("CdRom0     disc unreadable: The stored medium of CdRom0 is damaged")))
        << devices.out.toStdString();
    for (const QStringList& command :
         {QStringList{QStringLiteral("info"), QStringLiteral("CdRom0")},
          QStringList{QStringLiteral("burn"), image, QStringLiteral("--device"), QStringLiteral("CdRom0")},
          QStringList{QStringLiteral("erase"), QStringLiteral("CdRom0")},
          QStringList{QStringLiteral("checksum"), QStringLiteral("CdRom0")}}) {
      SCOPED_TRACE(command.join(' ').toStdString());
      const Result r = Run(command);
      const QString all = r.out + r.err;
      EXPECT_TRUE(all.contains(QStringLiteral("Remove \"") + QDir::toNativeSeparators(layout))) << all.toStdString();
      EXPECT_FALSE(all.contains(QStringLiteral("No media")) || all.contains(QStringLiteral("Empty"))) << all.toStdString();
      if (command[0] != QLatin1String("info")) {
        EXPECT_EQ(r.exitCode, 1);
      }
    }
  }
}

// No output may replace one of the command's inputs, by any name it goes by.
TEST_F(CliTest, AnOutputThatIsAnInputIsRefusedBeforeAnyWork) {
  const QString image = MakeImage(QStringLiteral("a.iso"), 8192);
  QFile original(image);
  ASSERT_TRUE(original.open(QIODevice::ReadOnly));
  const QByteArray bytes = original.readAll();
  ASSERT_TRUE(testos::hardLink(image, Path(QStringLiteral("hard.iso"))));
  ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("tree")));
  const QString burn = QStringLiteral("burn %1 --device CdRom0 --save-log ").arg(image);
  QStringList lines{burn + image, burn + Path(QStringLiteral("hard.iso")),
                    burn + dir_.path() + QStringLiteral("/tree/../a.iso")};
  // Windows makes shortcut files, not symbolic links, and this build no images of folders there.
  if (testos::kPosix) {
    ASSERT_TRUE(QFile::link(image, Path(QStringLiteral("link.iso"))));
    lines << burn + Path(QStringLiteral("link.iso"))
          << QStringLiteral("build-image %1 %2 --boot %2").arg(Path(QStringLiteral("tree")), image);
  }
  for (const QString& line : lines) {
    SCOPED_TRACE(line.toStdString());
    const Result r = Run(line.split(QLatin1Char(' ')));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("it is the same file as the"))) << r.err.toStdString();
    QFile after(image);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), bytes);
  }
  EXPECT_TRUE(Run({"info", "CdRom0"}).out.contains(QRegularExpression("Used: +Blank"))) << "nothing was burned";
}

// An image that exists but cannot be read is refused with the reason before any
// device is opened, not after the burn has begun. (As root, the command runs
// without the capabilities that read any file.)
TEST_F(CliTest, AnUnreadableImageIsRefusedWithTheReasonBeforeAnyDevice) {
  SKIP_WITHOUT_POSIX("a file its mode makes unreadable");
  const QString image = MakeImage(QStringLiteral("locked.iso"), 4096);
  ASSERT_TRUE(QFile::setPermissions(image, QFileDevice::Permissions()));
  QStringList command{QStringLiteral(KORVANEL_CLI), QStringLiteral("--no-real-drives"), QStringLiteral("--virtual-drives"),
                      Config(), QStringLiteral("burn"), image, QStringLiteral("--device"), QStringLiteral("CdRom7")};
  if (testos::isRoot())
    command = QStringList{QStringLiteral("setpriv"), QStringLiteral("--bounding-set=-dac_override,-dac_read_search")} +
              command;
  const QString program = command.takeFirst();
  QProcess process;
  process.start(program, command);
  ASSERT_TRUE(process.waitForFinished(30000));
  const QString err = QString::fromLocal8Bit(process.readAllStandardError());
  EXPECT_EQ(process.exitCode(), 1);
  // CdRom7 does not exist: the image was refused before any device was looked for.
  EXPECT_TRUE(err.contains(QStringLiteral("Cannot read %1: Permission denied").arg(image))) << err.toStdString();
}
