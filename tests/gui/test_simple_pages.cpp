// The transport, image file and summary pages driven as a user drives them:
// the transport choice by mouse and keyboard, the image path browsed, typed or
// dropped with its measured size, and the summary lines of a burn.
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QLocale>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QUrl>
#include <QtTest/QTest>

#include <fstream>

#include "common/scripted_dialogs.h"
#include "sbBurner.h"
#include "common/test_common.h"
#include "ufrmOptionsSummary.h"
#include "ufrmSelectTransport.h"
#include "sbFilesPanel.h"
#include "ufrmSourceFileSelection.h"

namespace {

namespace fs = std::filesystem;

QString Path(const fs::path& path) { return QString::fromStdString(path.string()); }

void WriteBytes(const fs::path& path, int64_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << std::string(size_t(size), 'x');
}

}  // namespace

TEST(TransportPageTest, SptiIsTheDefaultAndAClickOrAnArrowKeyChoosesAspi) {
  for (bool byKeyboard : {false, true}) {
    SCOPED_TRACE(byKeyboard ? "keyboard" : "mouse");
    TSelectTransportForm page;
    page.resize(560, 430);
    page.show();
    QApplication::setActiveWindow(&page);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
    EXPECT_EQ(page.Label1->text(), "Select SCSI transport you want to use for device access:");
    EXPECT_EQ(page.rbSpti->text(), "SPTI - SCSI Pass Through Interface");
    EXPECT_EQ(page.rbAspi->text(), "ASPI - Advanced SCSI Programming Interface");
    EXPECT_TRUE(page.rbSpti->isChecked());
    EXPECT_TRUE(page.rbSpti->isEnabled() && page.rbAspi->isEnabled());
    EXPECT_FALSE(page.UseAspi());

    if (byKeyboard) {
      page.rbSpti->setFocus();
      QTest::keyClick(page.rbSpti, Qt::Key_Down);
    } else {
      QTest::mouseClick(page.rbAspi, Qt::LeftButton);
    }
    EXPECT_TRUE(page.rbAspi->isChecked());
    EXPECT_FALSE(page.rbSpti->isChecked());
    EXPECT_TRUE(page.UseAspi());
    if (byKeyboard) {
      QTest::keyClick(page.rbAspi, Qt::Key_Up);
      EXPECT_FALSE(page.UseAspi());
    }
  }
}

class ImagePageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QLocale::setDefault(QLocale::c());
    burner.DiscSpace.FreeBytes = 734003200;  // 700 MiB
    page.resize(560, 430);
    page.show();
    page.Activate(&burner);
  }
  void TearDown() override { QLocale::setDefault(previousLocale); }

  // Creates a file of size bytes and chooses it with the browse button.
  QString browse(const std::string& name, int64_t size) {
    WriteBytes(dir / name, size);
    dialogs->script(Path(dir / name));
    QTest::mouseClick(page.Button1, Qt::LeftButton);
    return Path(dir / name);
  }
  QString sizeLine() const { return page.lblSizeInformation->text(); }

  // Sends a drag onto the page and, when it is accepted, the drop; true when taken.
  bool drop(const QUrl& url) {
    QMimeData data;
    data.setUrls({url});
    const QPoint at = page.rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&page, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&page, &dropped);
    return dropped.isAccepted();
  }

  const QLocale previousLocale;
  testcommon::TempDir dir;
  testcommon::ScopedDialogs dialogs;
  TsbBurner burner;
  TfrmSourceFileSelection page;
};

TEST_F(ImagePageTest, BrowsingTakesThePathAndShowsBothSizesRoundedInTheUsersLocale) {
  const struct {
    int64_t size;
    QLocale locale;
    const char* line;
  } cases[] = {{1048576, QLocale::c(), "File size: 1.00 Mb      Disc size: 700.00 Mb"},
               {1048575, QLocale::c(), "File size: 1.00 Mb      Disc size: 700.00 Mb"},
               {5 * 1048576 / 2, QLocale(QLocale::German, QLocale::Germany),
                "File size: 2,50 Mb      Disc size: 700,00 Mb"}};
  EXPECT_EQ(sizeLine(), "File size: 0.00 Mb      Disc size: 700.00 Mb");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    QLocale::setDefault(c.locale);
    const QString path = browse("image" + std::to_string(c.size) + ".iso", c.size);
    EXPECT_EQ(page.Edit1->text(), path);
    EXPECT_EQ(page.ImageFileName, path);
    EXPECT_EQ(page.ImageFileSize, c.size);
    EXPECT_EQ(sizeLine(), c.line);
  }
}

TEST_F(ImagePageTest, ACancelledBrowseChangesNothing) {
  const QString path = browse("image.iso", 3000);
  const QString line = sizeLine();
  dialogs->script("");
  QTest::mouseClick(page.Button1, Qt::LeftButton);
  EXPECT_EQ(page.Edit1->text(), path);
  EXPECT_EQ(page.ImageFileName, path);
  EXPECT_EQ(page.ImageFileSize, 3000);
  EXPECT_EQ(sizeLine(), line);
}

TEST_F(ImagePageTest, ATypedPathIsMeasuredAndAMissingFileCountsAsEmpty) {
  WriteBytes(dir / "typed.iso", 2 * 1048576);
  for (auto [name, size] : {std::pair{"typed.iso", int64_t(2 * 1048576)}, {"missing.iso", int64_t(0)}}) {
    SCOPED_TRACE(name);
    browse("earlier.iso", 1048576);
    page.Edit1->clear();
    QTest::keyClicks(page.Edit1, Path(dir / name));
    EXPECT_EQ(page.ImageFileName, Path(dir / name));
    EXPECT_EQ(page.ImageFileSize, size);
    EXPECT_TRUE(sizeLine().startsWith(size ? "File size: 2.00 Mb" : "File size: 0.00 Mb")) << sizeLine().toStdString();
  }
}

TEST_F(ImagePageTest, MeasuringAgainPicksUpAFileThatChanged) {
  const QString path = browse("image.iso", 1000);
  WriteBytes(dir / "image.iso", 3 * 1048576);
  EXPECT_EQ(page.MeasureImageFile(), 3 * 1048576);
  EXPECT_EQ(page.ImageFileSize, 3 * 1048576);
  EXPECT_TRUE(sizeLine().startsWith("File size: 3.00 Mb")) << sizeLine().toStdString();
  // Browsing for the same path again measures too, although the text stays.
  WriteBytes(dir / "image.iso", 1048576);
  dialogs->script(path);
  QTest::mouseClick(page.Button1, Qt::LeftButton);
  EXPECT_EQ(page.ImageFileSize, 1048576);
}

TEST_F(ImagePageTest, EnteringAgainShowsTheDiscSpaceOfTheNewBurner) {
  browse("image.iso", 1048576);
  TsbBurner other;
  other.DiscSpace.FreeBytes = 4700000000;
  page.Activate(&other);
  EXPECT_EQ(sizeLine(), "File size: 1.00 Mb      Disc size: 4482.27 Mb");
}

TEST_F(ImagePageTest, ADroppedIsoFileIsTakenAndOtherDropsAreRefused) {
  WriteBytes(dir / "dropped.ISO", 1048576);
  WriteBytes(dir / "notes.txt", 10);
  const struct {
    QUrl url;
    bool taken;
  } cases[] = {{QUrl::fromLocalFile(Path(dir / "notes.txt")), false},
               {QUrl(QStringLiteral("https://example.org/disc.iso")), false},
               {QUrl::fromLocalFile(Path(dir / "dropped.ISO")), true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url.toString().toStdString());
    EXPECT_EQ(drop(c.url), c.taken);
    EXPECT_EQ(page.ImageFileName, c.taken ? Path(dir / "dropped.ISO") : QString());
  }
  EXPECT_EQ(page.Edit1->text(), Path(dir / "dropped.ISO"));
  EXPECT_EQ(page.ImageFileSize, 1048576);
}

TEST_F(ImagePageTest, AFileThatIsNoIsoImageIsTakenWithAWarningTheSummaryRepeats) {
  const QString raw = browse("raw.iso", 70000);
  const QString warning = "This file is not an ISO 9660 image; it will be burned as it is, as raw data";
  EXPECT_EQ(page.lblImageInfo->text(), warning);
  EXPECT_TRUE(page.lblImageInfo->isVisible());
  burner.BurnSettings.Mode = bmTaoFromFile;
  EXPECT_EQ(SummaryLines(burner, raw, TsbSummaryChoices{}).last(), warning);
  page.Edit1->setText(Path(dir / "missing.iso"));
  EXPECT_FALSE(page.lblImageInfo->isVisible());
}

// Tab walks the files panel from top to bottom, the disc's own files first.
TEST_F(ImagePageTest, TabWalksTheFilesPanelFromTopToBottom) {
  TsbFilesPanel& panel = *page.FilesPanel;
  const std::vector<QWidget*> order{panel.lstDiscFiles, panel.btnLeaveOut, panel.lstFiles, panel.btnAddFiles,
                                    panel.btnAddFolder, panel.btnRemove, panel.edtLabel};
  for (size_t i = 0; i + 1 < order.size(); ++i) {
    QWidget* next = order[i]->nextInFocusChain();
    while (next != order[i + 1] && !(next->focusPolicy() & Qt::TabFocus)) next = next->nextInFocusChain();
    EXPECT_EQ(next, order[i + 1]) << i;
  }
}

TEST_F(ImagePageTest, WithFilesChosenEveryDroppedLocalEntryJoinsTheListOnce) {
  page.rbFiles->click();
  fs::create_directories(dir / "folder");
  WriteBytes(dir / "notes.txt", 10);
  EXPECT_TRUE(drop(QUrl::fromLocalFile(Path(dir / "folder"))));
  EXPECT_TRUE(drop(QUrl::fromLocalFile(Path(dir / "notes.txt"))));
  EXPECT_TRUE(drop(QUrl::fromLocalFile(Path(dir / "folder"))));  // already listed
  EXPECT_FALSE(drop(QUrl(QStringLiteral("https://example.org/disc.iso"))));
  EXPECT_EQ(page.FilesPanel->Paths(), (QStringList{QDir::fromNativeSeparators(Path(dir / "folder")), QDir::fromNativeSeparators(Path(dir / "notes.txt"))}));
  EXPECT_TRUE(page.ImageFileName.isEmpty()) << "the image source is left alone";
}

TEST(SummaryPageTest, TheLinesNameEveryChoiceOfTheBurn) {
  TsbBurner burner;
  burner.DeviceInfo.Vendor = "ACME";
  burner.DeviceInfo.Product = "Writer 52";
  burner.DeviceInfo.ProductRevisionLevel = "1.02";
  burner.DiscType = DISC_TYPE_CDR;
  burner.BurnSettings.SpeedFactor = 2;
  burner.BurnSettings.WriteSpeed = 2770;
  burner.BurnSettings.SendOPC = true;
  const QString image = "/tmp/<b>R&D</b>.iso";  // shown as it is, not as markup
  const struct {
    TsbTransportType transport;
    TsbBurnMode mode;
    bool test;
    const char* transportText;
    const char* modeText;
  } cases[] = {{ttSpti, bmDaoPqFromFile, true, "SPTI", "Disc-At-Once PQ"},
               {ttAspi, bmDaoRawFromFile, false, "ASPI", "Disc-At-Once Raw PW"},
               {ttSpti, bmTaoFromFile, false, "SPTI", "Track-At-Once"},
               {ttAspi, bmSaoFromFile, true, "ASPI", "Session-At-Once"}};
  TfrmOptionsSummary page;
  EXPECT_EQ(page.lblName->text(), "Data CD/DVD will be created with the following options chosen:");
  EXPECT_EQ(page.lblNextAction->text(), "Click Next to start burning");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.modeText);
    burner.Transport = c.transport;
    burner.BurnSettings.Mode = c.mode;
    burner.BurnSettings.TestWrite = c.test;
    const QStringList expected = {"Drive: Writer 52 ACME (1.02)",
                                  QStringLiteral("Transport: ") + c.transportText,
                                  "Disc Type: CD-R",
                                  "Selected image file name: " + image,
                                  "Burning Speed: 2.0x (2770 KB/sec)",
                                  "Send OPC: Yes",
                                  QStringLiteral("Burning Mode: ") + c.modeText,
                                  QStringLiteral("Test Write: ") + (c.test ? "Yes" : "No")};
    EXPECT_EQ(SummaryLines(burner, image), expected);
    page.ShowSummary(burner, image);
    EXPECT_EQ(page.edtSummary->toPlainText(), expected.join('\n'));
  }
}

// After the eight lines, the choices that change the disc, each one way or the other.
TEST(SummaryPageTest, TheOptionsPagesChoicesFollowTheEightLines) {
  TsbBurner burner;
  burner.VolumeLabel = "HOLIDAY";
  TfrmOptionsSummary page;
  const struct {
    TsbBurnMode mode;
    TsbSummaryChoices choices;
    QStringList after;
  } cases[] = {
      {bmTaoFromFile, {true, true, 1}, {"Leave the disc open for more sessions: No (the disc is closed)",
                                         "Verify written data: Yes", "Number of copies: 1"}},
      {bmTaoFromFile, {false, false, 3, true}, {"Leave the disc open for more sessions: Yes",
                                                "Verify written data: No", "Eject the disc when done: No", "Number of copies: 3"}},
      {bmTaoFromTree, {false, true, 1, true, 300 << 20, 2, 41}, {"Adds session 2 to the 41 files on the disc",
                                                                "Volume label: HOLIDAY",
                                                                "Leave the disc open for more sessions: Yes (about 300.00 MB left after this one)",
                                                                "Verify written data: No", "Number of copies: 1"}},
  };
  for (const auto& c : cases) {
    burner.BurnSettings.Mode = c.mode;
    page.ShowSummary(burner, "a.iso", c.choices);
    EXPECT_EQ(page.edtSummary->toPlainText().split('\n').mid(8), c.after);
  }
}
