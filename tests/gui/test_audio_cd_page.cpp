// The image page's Audio CD source and a cue sheet chosen as the image, driven as a
// user drives them, with the summary's lines of tracks and the burning page's track line.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QtTest/QTest>

#include <fstream>

#include "audio_test_files.h"
#include "common/scripted_dialogs.h"
#include "common/test_common.h"
#include "engine/actions_support.h"
#include "sbBurner.h"
#include "sbErrors.h"
#include "sbFilesPanel.h"
#include "sbTrackLayout.h"
#include "sbTracksPanel.h"
#include "ufrmFinalAction.h"
#include "ufrmOptionsSummary.h"
#include "ufrmSourceFileSelection.h"

namespace {

namespace fs = std::filesystem;
using namespace audiotest;

QString Path(const fs::path& path) { return QString::fromStdString(path.string()); }

std::vector<QStringList> Rows(const QTreeWidget* list) {
  std::vector<QStringList> rows;
  for (int i = 0; i < list->topLevelItemCount(); ++i) {
    QStringList row;
    for (int c = 0; c < list->columnCount(); ++c) row << list->topLevelItem(i)->text(c);
    rows.push_back(row);
  }
  return rows;
}

// The library runs (a layout is one of its handles) on a recorder no test opens.
class AudioCdPageTest : public actest::ActionsTest {
 protected:
  void SetUp() override {
    ActionsTest::SetUp();
    start({actest::cdRecorder()});
    target.DiscSpace.FreeBytes = int64_t(359849) * 2048;  // a blank CD-R of 80 minutes
    page.resize(640, 480);
    page.show();
    page.Activate(&target);
  }
  void TearDown() override {
    page.TracksPanel->SetLayout(nullptr, false);  // the layouts go before the library
    pagePtr.reset();
    ActionsTest::TearDown();
  }
  TsbTracksPanel& panel() { return *page.TracksPanel; }
  QTreeWidget* list() { return page.TracksPanel->lstTracks; }
  // Adds the files through Add Files..., as chosen together in the file dialog.
  void add(const std::vector<fs::path>& files) {
    QStringList paths;
    for (const fs::path& file : files) paths << Path(file);
    dialogs->script(paths.join('\n'));
    QTest::mouseClick(panel().btnAddFiles, Qt::LeftButton);
  }
  void select(int row) { list()->setCurrentItem(list()->topLevelItem(row)); }

  const actest::TempDir& dir = dir_;
  TsbBurner target;  // the burner the page measures against
  std::unique_ptr<TfrmSourceFileSelection> pagePtr = std::make_unique<TfrmSourceFileSelection>();
  TfrmSourceFileSelection& page = *pagePtr;
};

#define REQUIRE_DECODING()                                                                         \
  if (!TsbTrackLayout::Decoding()) GTEST_SKIP() << "this build decodes no music files"

TEST_F(AudioCdPageTest, TheThirdSourceShowsTheTrackListAndAFileThatCannotBeDecodedIsNamed) {
  QTest::mouseClick(page.rbAudio, Qt::LeftButton);
  ASSERT_TRUE(page.AudioChosen());
  EXPECT_TRUE(panel().isVisible());
  EXPECT_FALSE(page.Edit1->isVisible());
  EXPECT_FALSE(page.FilesPanel->isVisible());
  EXPECT_EQ(page.lblSizeInformation->text(), "0 tracks, 0:00 of 79:57");
  EXPECT_FALSE(page.lblSizeProblem->isVisible());
  // A DVD chosen before: said at once, and the time is counted against a CD's.
  target.DiscType = DISC_TYPE_DVDR;
  page.Activate(&target);
  EXPECT_EQ(page.lblSizeInformation->text(), "0 tracks, 0:00 of 80:00");
  EXPECT_TRUE(page.lblSizeProblem->isVisible());
  EXPECT_EQ(page.lblSizeProblem->text(), "An audio CD needs a CD-R or CD-RW: this disc is a DVD-R.");
  target.DiscType = DISC_TYPE_CDR;
  page.Activate(&target);
  std::ofstream(dir / "notes.txt") << "not music";
  WriteWav(dir / "one.wav", 3, "Morning", "Ann");
  add({dir / "notes.txt", dir / "one.wav"});
  EXPECT_TRUE(panel().lblRefused->isVisible());
  EXPECT_TRUE(panel().lblRefused->text().contains("notes.txt")) << panel().lblRefused->text().toStdString();
  if (!TsbTrackLayout::Decoding()) return;
  EXPECT_FALSE(panel().lblRefused->text().contains("one.wav"));
  EXPECT_EQ(list()->topLevelItemCount(), 1);
  // A file dropped from a file manager joins the list at its end.
  WriteWav(dir / "two.wav", 2, "Evening");
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(Path(dir / "two.wav"))});
  QDragEnterEvent enter(page.rect().center(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&page, &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent dropped(page.rect().center(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&page, &dropped);
  ASSERT_EQ(list()->topLevelItemCount(), 2);
  EXPECT_EQ(list()->topLevelItem(1)->text(TsbTracksPanel::colTitle), "Evening");
  EXPECT_FALSE(panel().lblRefused->isVisible()) << "the last refusal goes once a file is taken";
}

TEST_F(AudioCdPageTest, TracksShowTheirTagsAndLengthsAndAreReorderedRenamedAndRemoved) {
  REQUIRE_DECODING();
  QTest::mouseClick(page.rbAudio, Qt::LeftButton);
  WriteWav(dir / "a.wav", 3, "Morning", "Ann");
  WriteWav(dir / "b.wav", 5.5, "Noon", "Bob");
  WriteWav(dir / "c.wav", 4, "Night", "Cleo");
  add({dir / "a.wav", dir / "b.wav"});
  add({dir / "c.wav"});
  const std::vector<QStringList> added{{"1", "Morning", "Ann", "0:03", "2 s"},
                                       {"2", "Noon", "Bob", "0:05", "2 s"},
                                       {"3", "Night", "Cleo", "0:04", "2 s"}};
  EXPECT_EQ(Rows(list()), added);
  // From the disc's block 0: track 1's pause lies before it, 2 s stand before the others.
  EXPECT_EQ(page.lblSizeInformation->text(), "3 tracks, 0:16 of 79:57");
  EXPECT_FALSE(page.lblSizeProblem->isVisible());

  const struct {
    const char* step;
    std::function<void()> act;
    QStringList titles;
  } steps[] = {
      {"Up", [&] { select(2); QTest::mouseClick(panel().btnUp, Qt::LeftButton); }, {"Morning", "Night", "Noon"}},
      {"Down", [&] { select(0); QTest::mouseClick(panel().btnDown, Qt::LeftButton); }, {"Night", "Morning", "Noon"}},
      {"F2", [&] {
         select(1);
         QTest::keyClick(list(), Qt::Key_F2);
         auto* edit = list()->findChild<QLineEdit*>();
         ASSERT_NE(edit, nullptr);
         edit->selectAll();
         QTest::keyClicks(edit, "Dawn");
         QTest::keyClick(edit, Qt::Key_Return);
         QApplication::processEvents();  // the view commits a Return's edit from its queue
       }, {"Night", "Dawn", "Noon"}},
      {"Del", [&] { select(0); QTest::keyClick(list(), Qt::Key_Delete); }, {"Dawn", "Noon"}},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.step);
    s.act();
    QStringList shown, kept;
    for (const QStringList& row : Rows(list())) shown << row[1];
    for (int i = 0; i < panel().Layout()->TrackCount(); ++i) kept << panel().Layout()->Track(i).Title;
    EXPECT_EQ(shown, s.titles) << panel().lblRefused->text().toStdString();
    EXPECT_EQ(kept, s.titles) << "the layout is the truth";
  }
  EXPECT_EQ(page.lblSizeInformation->text(), "2 tracks, 0:10 of 79:57");

  // A pause is chosen in its cell, in whole seconds; track 1's stays 2 s.
  for (int row : {0, 1}) {
    list()->setCurrentItem(list()->topLevelItem(row), TsbTracksPanel::colPause);
    QTest::keyClick(list(), Qt::Key_F2);
    auto* spin = list()->findChild<QSpinBox*>();
    ASSERT_EQ(spin != nullptr, row == 1) << row;
    if (!spin) continue;
    spin->setValue(5);
    QTest::keyClick(spin, Qt::Key_Return);
    for (int turn = 0; turn < 2; ++turn) QApplication::processEvents();  // the commit, then the change
  }
  EXPECT_EQ(list()->topLevelItem(0)->text(TsbTracksPanel::colPause), "2 s");
  EXPECT_EQ(list()->topLevelItem(1)->text(TsbTracksPanel::colPause), "5 s");
  EXPECT_EQ(panel().Layout()->Track(1).PauseBlocks, 5u * 75);
  EXPECT_EQ(page.lblSizeInformation->text(), "2 tracks, 0:13 of 79:57");

  // The album's fields and the gapless shortcut go into the layout too.
  QTest::keyClicks(panel().edtAlbumTitle, "Days");
  EXPECT_EQ(panel().Layout()->AlbumTitle(), "Days");
  QTest::mouseClick(panel().btnGapless, Qt::LeftButton);
  EXPECT_EQ(list()->topLevelItem(0)->text(TsbTracksPanel::colPause), "2 s");
  EXPECT_EQ(list()->topLevelItem(1)->text(TsbTracksPanel::colPause), "0 s");
  EXPECT_EQ(page.lblSizeInformation->text(), "2 tracks, 0:08 of 79:57");
}

TEST_F(AudioCdPageTest, TracksLongerThanTheDiscAreSaidInRedAtOnce) {
  REQUIRE_DECODING();
  target.DiscSpace.FreeBytes = int64_t(75 * 7) * 2048;  // a disc of 7 seconds
  QTest::mouseClick(page.rbAudio, Qt::LeftButton);
  WriteWav(dir / "a.wav", 3);
  add({dir / "a.wav"});
  page.Activate(&target);
  EXPECT_EQ(page.lblSizeInformation->text(), "1 track, 0:03 of 0:07");
  EXPECT_FALSE(page.lblSizeProblem->isVisible());
  WriteWav(dir / "b.wav", 3);
  add({dir / "b.wav"});
  EXPECT_EQ(page.lblSizeInformation->text(), "2 tracks, 0:08 of 0:07");
  EXPECT_TRUE(page.lblSizeInformation->styleSheet().contains("#b00000"));
  EXPECT_TRUE(page.lblSizeProblem->isVisible());
  EXPECT_EQ(page.lblSizeProblem->text(), "The tracks do not fit on the disc");
}

TEST_F(AudioCdPageTest, ACueSheetChosenAsTheImageShowsItsTracksReadOnlyOrWhyItWasRefused) {
  WriteBinCue(dir.path());
  dialogs->script(Path(dir / "concert.cue"));
  QTest::mouseClick(page.Button1, Qt::LeftButton);
  ASSERT_TRUE(page.CueSheetChosen());
  if (!page.ChosenLayout() && page.CueProblem.contains("yet")) GTEST_SKIP() << page.CueProblem.toStdString();
  ASSERT_NE(page.ChosenLayout(), nullptr) << page.CueProblem.toStdString();
  EXPECT_TRUE(panel().isVisible());
  EXPECT_EQ(panel().lblCaption->text(), "Tracks of the cue sheet concert.cue:");
  EXPECT_EQ(panel().edtAlbumTitle->text(), "Live");
  EXPECT_TRUE(panel().edtAlbumTitle->isReadOnly());
  EXPECT_FALSE(panel().btnAddFiles->isVisible());
  EXPECT_EQ(Rows(list()), (std::vector<QStringList>{{"1", "Overture", "", "0:04", "2 s"}, {"2", "Finale", "", "0:06", "2 s"}}));
  EXPECT_FALSE(list()->topLevelItem(0)->flags() & Qt::ItemIsEditable);
  EXPECT_EQ(page.lblSizeInformation->text(), "2 tracks, 0:12 of 79:57");
  EXPECT_FALSE(page.lblImageInfo->isVisible()) << "no ISO 9660 warning for a cue sheet";

  // A sheet that names no file is refused, naming the line.
  std::ofstream(dir / "broken.cue") << "TRACK 01 AUDIO\n  INDEX 01 00:00:00\n";
  page.Edit1->setText(Path(dir / "broken.cue"));
  EXPECT_EQ(page.ChosenLayout(), nullptr);
  EXPECT_FALSE(panel().isVisible());
  EXPECT_TRUE(page.lblImageInfo->isVisible());
  EXPECT_TRUE(page.lblImageInfo->text().contains("line 1")) << page.lblImageInfo->text().toStdString();
}

TEST_F(AudioCdPageTest, TheSummaryNamesTheTracksAndWhatTheDiscGetsOfTheirTitles) {
  WriteBinCue(dir.path());
  std::shared_ptr<TsbTrackLayout> cue;
  try {
    cue = TsbTrackLayout::FromCueSheet(Path(dir / "concert.cue"));
  } catch (const TsbError& e) {
    if (e.Message().contains("yet")) GTEST_SKIP() << e.Message().toStdString();
    FAIL() << e.Message().toStdString();
  }
  bool cdText = false;  // the titles of the sheet, once the library makes CD-TEXT
  try {
    cdText = cue->HasCdText();
  } catch (const TsbError&) {
  }
  TsbSummaryChoices choices;
  choices.Layout = cue.get();
  const QString source = "Cue sheet: " + Path(dir / "concert.cue") + " (2 tracks, 0:12)";
  const struct {
    TsbBurnMode mode;
    const char* titles;
  } cases[] = {{bmSaoFromFile, "CD-TEXT: album and track titles"},
               {bmTaoFromFile, "Track-at-once: pauses of 2 seconds and no CD-TEXT"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.titles);
    target.BurnSettings.Mode = c.mode;
    const QStringList lines = SummaryLines(target, QString(), choices);
    EXPECT_EQ(lines[3], source);
    if (c.mode == bmTaoFromFile || cdText) {
      EXPECT_EQ(lines.value(8), c.titles);
    }
  }
  if (!TsbTrackLayout::Decoding()) return;
  auto audio = std::make_shared<TsbTrackLayout>();
  WriteWav(dir / "a.wav", 3);
  audio->AddAudioFile(Path(dir / "a.wav"));
  choices.Layout = audio.get();
  EXPECT_EQ(SummaryLines(target, QString(), choices)[3], "Audio CD: 1 track, 0:03");
}

// The line under the title while the tracks go by: written first, then checked by a verify.
TEST(BurningPageTest, TheTrackLineSaysWritingThenCheckingWhenTheNumbersStartAgain) {
  TfrmFinalAction page;
  const std::pair<int, const char*> reports[] = {
      {1, "Writing track 1 of 3"}, {2, "Writing track 2 of 3"}, {3, "Writing track 3 of 3"},
      {1, "Checking track 1 of 3"}, {2, "Checking track 2 of 3"}};
  for (const auto& [number, line] : reports) EXPECT_EQ(page.TrackLine(number, 3), line);
}

}  // namespace
