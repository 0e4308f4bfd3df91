// The whole wizard on virtual recorders, walked as a user walks it: Next and
// Back, the refusals with their texts, the burn, Cancel, and the finish window.
#include <cerrno>
#include <fstream>
#include <functional>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QFontDatabase>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest/QTest>
#include <QPlainTextEdit>
#include <QSpinBox>

#include "WizardWindows.h"
#include "audio_test_files.h"
#include "common/test_os.h"
#include "engine/actions_support.h"
#include "sbTrackLayout.h"
#include "sbTracksPanel.h"
#include "sbTrayAndDisc.h"
#include "ufrmBurnMode.h"
#include "ufrmBurnOptions.h"
#include "ufrmFinalAction.h"
#include "ufrmFinish.h"
#include "ufrmWelcome.h"
#include "ufrmMain.h"
#include "ufrmOperationProgress.h"
#include "ufrmSelectDevice.h"
#include "ufrmSelectTransport.h"
#include "sbFilesPanel.h"
#include "sbHelpers.h"
#include "sbTranslations.h"
#include "ufrmOptionsSummary.h"
#include "ufrmSourceFileSelection.h"

using namespace actest;

namespace {

// A test that switches to German leaves the English catalog and the locale it found.
struct EnglishAgainAtTheEnd {
  QLocale locale;
  ~EnglishAgainAtTheEnd() {
    InstallTranslations(QLocale::c(), ProgramFolder());
    QLocale::setDefault(locale);
  }
};

constexpr uint64_t kImageSize = 2 * 65536 + 300;
enum { pgTransport = 0, pgBurning = 1, pgDevice = 2, pgImage = 3, pgOptions = 4, pgMode = 5, pgSummary = 6 };

class WizardTest : public ActionsTest {
 protected:
  void TearDown() override {
    closeWizard();
    ActionsTest::TearDown();
  }
  void closeWizard() {
    burner.reset();
    wizard.reset();  // ends the library session
    MainForm = nullptr;
    frmFinish = nullptr;
    finish.reset();
  }

  // The wizard on these recorders, shown on its first page.
  // freshMedia: the discs as the recorders describe them; false: as the last run left them.
  void open(const std::vector<json>& recorders, double timeScale = 0, bool freshMedia = true) {
    const fs::path config = dir_ / "recorders.json";
    testcommon::writeConfig(config, recorders,
                            {{"state_folder", (dir_ / "state").string()}, {"fresh_media_at_start", freshMedia}});
    TsbLibraryOptions options;
    options.VirtualDrives = QString::fromStdString(config.string());
    options.NoRealDrives = true;
    options.TimeScale = timeScale;
    finish = std::make_unique<TfrmFinish>();
    frmFinish = finish.get();
    wizard = std::make_unique<TMainForm>(options);
    MainForm = wizard.get();
    wizard->show();
    image = writeFile(dir_ / "image.iso", kImageSize, 5);
  }

  int page() const { return wizard->pcBurner->currentIndex(); }
  void next() { QTest::mouseClick(wizard->ButtonNext, Qt::LeftButton); }
  void back() { QTest::mouseClick(wizard->ButtonPrev, Qt::LeftButton); }
  // Next from the transport page onto the device page, choosing the device in row.
  void toDevice(int row = 0) {
    next();
    ASSERT_EQ(page(), pgDevice) << dialogs->texts("application error").join('\n').toStdString();
    wizard->DevicePage->lvDevices->setCurrentItem(wizard->DevicePage->lvDevices->topLevelItem(row));
  }
  void typeImage(const fs::path& path) { wizard->SourceFilePage->Edit1->setText(QString::fromStdString(path.string())); }
  // From the transport page to the burning page, which burns.
  void walkToTheBurn(bool verify = false, bool eject = true, int copies = 1) {
    toDevice();
    next();
    ASSERT_EQ(page(), pgImage) << dialogs->texts("application error").join('\n').toStdString();
    typeImage(dir_ / "image.iso");
    next();
    ASSERT_EQ(page(), pgMode);
    next();
    ASSERT_EQ(page(), pgOptions);
    if (verify) wizard->BurnOptionsPage->chbVerify->click();
    if (!eject) wizard->BurnOptionsPage->chbEject->click();
    wizard->BurnOptionsPage->spnCopies->setValue(copies);
    next();
    ASSERT_EQ(page(), pgSummary);
    next();
    ASSERT_EQ(page(), pgBurning);
  }
  QStringList burningRows() const {
    QStringList rows;
    for (int i = 0; i < wizard->FinalPage->lvLog->topLevelItemCount(); ++i)
      rows << wizard->FinalPage->lvLog->topLevelItem(i)->text(0);
    return rows;
  }
  QString finishText() {
    next();
    return frmFinish->DescriptionLabel->text();
  }

  std::unique_ptr<TfrmFinish> finish;
  std::unique_ptr<TMainForm> wizard;
  Bytes image;
};

// What the progress window of one caption showed as it closed.
struct ProgressAtClose : QObject {
  explicit ProgressAtClose(QString caption) : caption(std::move(caption)) { qApp->installEventFilter(this); }
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* form = qobject_cast<TfrmOperationProgress*>(watched);
    if (event->type() != QEvent::Hide || !form || form->windowTitle() != caption) return false;
    percent = form->pbProgress->isVisibleTo(form) ? form->lblPercent->text() : QString();
    text = form->lblInfo->text();
    tip = form->lblInfo->toolTip();
    width = form->width();
    const QRect label = form->lblInfo->contentsRect();
    textFits = label.contains(form->lblInfo->fontMetrics().boundingRect(label, Qt::TextWordWrap, text));
    return false;
  }
  QString caption, percent, text, tip;
  int width = 0;
  bool textFits = false;
};

}  // namespace

TEST_F(WizardTest, WithTheGermanCatalogTheWizardAndQtsOwnButtonsSpeakGerman) {
  // The catalogs stand beside the tests as beside the programs.
  ASSERT_EQ(InstallTranslations(QLocale(QLocale::German, QLocale::Germany), ProgramFolder()), QStringLiteral("de"));
  const EnglishAgainAtTheEnd english;
  open({cdRecorder()});
  EXPECT_EQ(wizard->ButtonNext->text(), QStringLiteral("&Weiter >"));
  EXPECT_EQ(wizard->LabelTitle->text(), QStringLiteral("SCSI-Zugriffsart"));
  toDevice();
  EXPECT_EQ(wizard->LabelTitle->text(), QStringLiteral("Laufwerksauswahl"));
  EXPECT_EQ(wizard->DevicePage->lvDevices->topLevelItem(0)->text(4), QStringLiteral("Leer"));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Ja"));
}

// A German user reads every figure of a burn the German way, from the device list
// to the burning page: the decimal comma, and each unit written one way.
TEST_F(WizardTest, WithTheGermanLocaleEveryFigureOfABurnReadsGerman) {
  const QLocale german(QLocale::German, QLocale::Germany);
  ASSERT_EQ(InstallTranslations(german, ProgramFolder()), QStringLiteral("de"));
  const EnglishAgainAtTheEnd english;
  QLocale::setDefault(german);
  json written = cdRecorder(1);
  written["medium"] = {{"type", "CD-R"}, {"state", "complete"}, {"used_bytes", 1'876'951}};
  open({cdRecorder(), written});
  toDevice();
  const QString used = wizard->DevicePage->lvDevices->topLevelItem(1)->text(4);
  next();
  typeImage(dir_ / "image.iso");
  const QString sizes = wizard->SourceFilePage->lblSizeInformation->text();
  next();
  next();
  ASSERT_EQ(page(), pgOptions);
  const QString speed = wizard->BurnOptionsPage->cmbSpeed->currentText();
  next();
  const QString summary = wizard->SummaryPage->edtSummary->toPlainText();
  next();
  ASSERT_EQ(page(), pgBurning);
  const struct {
    const char* where;
    QString shown;
    const char* pattern;
  } cases[] = {
      {"device list", used, "^1,79 MB$"},
      {"image page", sizes, "^Dateigröße: 0,13 MB {6}Disc-Größe: \\d+,\\d\\d MB$"},
      {"speed list", speed, "^48,0x \\(8467 KB/s\\)$"},
      {"summary", summary, "\nBrenngeschwindigkeit: 48,0x \\(8467 KB/s\\)\n"},
      {"burning page", wizard->FinalPage->lblBurnFigures->text(),
       "^Durchschnitt: \\d+,\\dx \\(\\d+,\\d\\d MB/s\\) in \\d\\d:\\d\\d$"},
  };
  for (const auto& c : cases)
    EXPECT_TRUE(QRegularExpression(QString::fromUtf8(c.pattern)).match(c.shown).hasMatch())
        << c.where << ": " << c.shown.toStdString();
}

// Every window of a burn, in both languages, shows its labels' texts whole.
// With KORVANEL_PAGE_SHOTS naming a folder, each window is also saved there as
// <window>-<language>.png: how the pictures of the windows in docs/images are made.
TEST_F(WizardTest, EveryWindowOfABurnShowsItsTextsWholeInBothLanguages) {
  const QString shots = qEnvironmentVariable("KORVANEL_PAGE_SHOTS");
  // Under Wine, Qt's font list can be empty: every glyph a box, nothing to measure.
  const bool measurable = !QFontDatabase::families().isEmpty();
  const EnglishAgainAtTheEnd english;
  for (const QString& language : {QStringLiteral("en"), QStringLiteral("de")}) {
    SCOPED_TRACE(language.toStdString());
    InstallTranslations(QLocale(language), ProgramFolder());
    auto look = [&](QWidget* window, const QString& name) {
      QTest::qWait(50);  // the layouts settle
      for (const QLabel* label : window->findChildren<QLabel*>()) {
        const QString text = label->text();
        if (!measurable || !label->isVisible() || text.isEmpty() || Qt::mightBeRichText(text)) continue;
        const int room = label->contentsRect().width();
        if (label->wordWrap())
          EXPECT_LE(label->heightForWidth(room), label->contentsRect().height()) << name.toStdString() << ": " << text.toStdString();
        else
          // A mnemonic's "&" is not drawn; "&&" draws one.
          for (const QString& line : QString(text).replace("&&", "\x01").remove('&').replace('\x01', '&').split('\n'))
            EXPECT_LE(label->fontMetrics().horizontalAdvance(line), room) << name.toStdString() << ": " << line.toStdString();
      }
      if (!shots.isEmpty()) window->grab().save(QDir(shots).filePath(name + QLatin1Char('-') + language + ".png"));
    };
    {
      TfrmWelcome welcome;
      welcome.show();
      look(&welcome, "welcome");
    }
    open({cdRecorder()});
    look(wizard.get(), "transport");
    toDevice();
    look(wizard.get(), "device");
    next();
    typeImage(dir_ / "image.iso");
    look(wizard.get(), "image");
    wizard->SourceFilePage->rbAudio->click();  // the audio CD's fields and buttons, before its tracks
    look(wizard.get(), "image-audio");
    wizard->SourceFilePage->rbImage->click();
    for (const char* name : {"mode", "options", "summary"}) {
      next();
      if (std::string(name) == "options") wizard->BurnOptionsPage->chbVerify->click();
      look(wizard.get(), name);
    }
    next();
    ASSERT_EQ(page(), pgBurning);
    look(wizard.get(), "burning");
    next();
    look(frmFinish, "finish");
    closeWizard();
  }
}

// The pictures of the moments off the straight path, in both languages, for the
// user guide: made only when KORVANEL_PAGE_SHOTS names a folder.
TEST_F(WizardTest, PicturesOfTheMomentsOffTheStraightPath) {
  const QString shots = qEnvironmentVariable("KORVANEL_PAGE_SHOTS");
  if (shots.isEmpty()) GTEST_SKIP() << "KORVANEL_PAGE_SHOTS names no folder";
  const EnglishAgainAtTheEnd english;
  for (const QString& language : {QStringLiteral("en"), QStringLiteral("de")}) {
    InstallTranslations(QLocale(language), ProgramFolder());
    QLocale::setDefault(QLocale(language));
    auto shoot = [&](QWidget* window, const QString& name) {
      QTest::qWait(50);
      window->grab().save(QDir(shots).filePath(name + QLatin1Char('-') + language + ".png"));
    };
    open({cdRecorder()});
    toDevice();
    next();
    // An image larger than the disc, said as soon as it is chosen.
    std::ofstream(dir_ / "large.iso").close();
    fs::resize_file(dir_ / "large.iso", uint64_t(900) << 20);
    typeImage(dir_ / "large.iso");
    shoot(wizard.get(), "image-too-big");
    // Files and folders, each with its place on the disc and its size.
    fs::create_directories(dir_ / "photos" / "2026");
    writeFile(dir_ / "photos" / "2026" / "beach.raw", 2'500'000, 3);
    writeFile(dir_ / "notes.txt", 12'000, 4);
    wizard->SourceFilePage->rbFiles->click();
    wizard->SourceFilePage->FilesPanel->AddPaths({QString::fromStdString((dir_ / "photos").string()),
                                                  QString::fromStdString((dir_ / "notes.txt").string())});
    wizard->SourceFilePage->FilesPanel->edtLabel->setText("HOLIDAY");
    shoot(wizard.get(), "image-files");
    next();
    next();
    wizard->BurnOptionsPage->chbVerify->click();
    wizard->BurnOptionsPage->chbEject->click();
    wizard->BurnOptionsPage->spnCopies->setValue(3);
    next();
    shoot(wizard.get(), "summary");
    // Copies: the wait for the second disc, a written disc refused, the run stopped.
    int step = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
      if (!wizard->ButtonStopCopies->isVisible() || !wizard->ButtonStopCopies->isEnabled()) return;
      if (step == 0) {
        shoot(wizard.get(), "copies-waiting");
        SetDiscInserted(QStringLiteral("CdRom0"), true);
        step = 1;
      } else if (wizard->LabelSubTitle->text().contains('\n')) {
        shoot(wizard.get(), "copies-refused");
        QTest::mouseClick(wizard->ButtonStopCopies, Qt::LeftButton);
      }
    });
    watch.start(20);
    next();
    watch.stop();
    shoot(wizard.get(), "copies-stopped");
    closeWizard();

    // Files added to a disc left open: the disc's files above the chosen ones, and the summary.
    fs::remove_all(dir_ / "state");
    open({cdRecorder()}, 0, false);
    toDevice();
    next();
    wizard->SourceFilePage->rbFiles->click();
    wizard->SourceFilePage->FilesPanel->AddPaths({QString::fromStdString((dir_ / "photos").string()),
                                                  QString::fromStdString((dir_ / "notes.txt").string())});
    for (int i = 0; i < 4; ++i) next();
    closeWizard();
    open({cdRecorder()}, 0, false);
    toDevice();
    shoot(wizard.get(), "append-device");
    next();
    writeFile(dir_ / "later.txt", 40'000, 7);
    fs::create_directories(dir_ / "again");
    writeFile(dir_ / "again" / "notes.txt", 15'000, 8);
    wizard->SourceFilePage->FilesPanel->AddPaths({QString::fromStdString((dir_ / "again" / "notes.txt").string()),
                                                  QString::fromStdString((dir_ / "later.txt").string())});
    shoot(wizard.get(), "append-image");
    dialogs->script("yes");
    for (int i = 0; i < 3; ++i) next();
    shoot(wizard.get(), "append-summary");
    closeWizard();
  }
}

// After each page change, forward and back, the keyboard is on the page's first
// control, or on Next where the page has none; never on the title band's
// buttons, where Space minimised the window.
TEST_F(WizardTest, EveryPageChangePutsTheKeyboardOnThePagesFirstControlOrNext) {
  const EnglishAgainAtTheEnd english;
  struct Welcome {  // where Back from the first page goes
    TfrmWelcome window;
    Welcome() { frmWelcome = &window; }
    ~Welcome() { frmWelcome = nullptr; }
  };
  auto name = [](const QWidget* w) {
    if (w == nullptr) return std::string("nothing");
    const auto* button = qobject_cast<const QAbstractButton*>(w);
    const QString text = !w->accessibleName().isEmpty() ? w->accessibleName() : button ? button->text() : QString();
    return std::string(w->metaObject()->className()) + " \"" + text.toStdString() + "\"";
  };
  // Next and Back click the wizard's buttons, which keep the focus as the page
  // goes; Enter and Down are keys on the focused control (Enter presses the
  // default button, Next; Down moves a choice).
  enum Move { Shown, Next, Back, Enter, Down };
  enum { welcomeWindow = -1, finishWindow = -2 };  // beside the wizard's pages
  for (const QString& language : {QStringLiteral("en"), QStringLiteral("de")}) {
    SCOPED_TRACE(language.toStdString());
    InstallTranslations(QLocale(language), ProgramFolder());
    Welcome welcome;
    open({cdRecorder()});
    const struct {
      Move move;
      int where;
      std::function<QWidget*()> first;
    } walk[] = {
        {Shown, pgTransport, [&] { return wizard->TransportPage->rbSpti; }},
        {Back, welcomeWindow, [&] { return welcome.window.ButtonNext; }},
        {Enter, pgTransport, [&] { return wizard->TransportPage->rbSpti; }},
        {Down, pgTransport, [&] { return wizard->TransportPage->rbAspi; }},
        {Next, pgDevice, [&] { return wizard->DevicePage->lvDevices; }},
        {Back, pgTransport, [&] { return wizard->TransportPage->rbAspi; }},  // the chosen one, not the first
        {Next, pgDevice, [&] { return wizard->DevicePage->lvDevices; }},
        {Next, pgImage, [&] { return wizard->SourceFilePage->Edit1; }},
        {Next, pgMode, [&] { return wizard->BurnModePage->cmbModes; }},
        {Next, pgOptions, [&] { return wizard->BurnOptionsPage->chbSOPC; }},
        {Back, pgMode, [&] { return wizard->BurnModePage->cmbModes; }},
        {Enter, pgOptions, [&] { return wizard->BurnOptionsPage->chbSOPC; }},
        {Next, pgSummary, [&] { return wizard->SummaryPage->edtSummary; }},
        {Enter, pgBurning, [&] { return wizard->FinalPage->lvLog; }},
        {Enter, finishWindow, [&] { return frmFinish->ButtonNext; }},
    };
    for (const auto& [move, where, first] : walk) {
      SCOPED_TRACE(where);
      if (move == Enter || move == Down) {
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        QTest::keyClick(QApplication::focusWidget(), move == Enter ? Qt::Key_Return : Qt::Key_Down);
      } else if (move == Next) {
        next();
      } else if (move == Back) {
        back();
      }
      const QWidget* window = where == welcomeWindow  ? static_cast<QWidget*>(&welcome.window)
                              : where == finishWindow ? static_cast<QWidget*>(frmFinish)
                                                      : wizard.get();
      ASSERT_TRUE(window->isVisible());
      if (window == wizard.get()) {
        ASSERT_EQ(page(), where) << dialogs->texts("application error").join('\n').toStdString();
      }
      QWidget* expected = first();
      // The device scan's progress window came and went: a window manager gives
      // the activation back to the wizard, Qt's offscreen screen to no window.
      if (QApplication::activeWindow() == nullptr) expected->window()->activateWindow();
      ASSERT_TRUE(QTest::qWaitForWindowActive(expected->window()));
      EXPECT_EQ(name(QApplication::focusWidget()), name(expected));
      // What the pages need before Next takes them.
      if (where == pgDevice) {
        QTreeWidget* devices = wizard->DevicePage->lvDevices;
        devices->setCurrentItem(devices->topLevelItem(0));
      }
      if (where == pgImage) typeImage(dir_ / "image.iso");
    }
    closeWizard();
  }
}

TEST_F(WizardTest, AForwardPassBurnsTheImageAndEndsOnTheFinishWindow) {
  for (const bool verify : {false, true}) {
    SCOPED_TRACE(verify ? "with verification, kept in the drive" : "without verification");
    open({cdRecorder()});
    walkToTheBurn(verify, !verify);
    const QStringList rows = burningRows();
    ASSERT_GE(rows.size(), 3);
    EXPECT_EQ(rows.mid(0, 3), (QStringList{"Burning image", "Destination device: Action Test Recorder",
                                           "Source image file: " + QString::fromStdString((dir_ / "image.iso").string())}));
    EXPECT_TRUE(rows.contains("Burning completed"));
    EXPECT_EQ(rows.filter("Verification passed").size(), verify ? 1 : 0) << rows.join('\n').toStdString();
    EXPECT_EQ(rows.contains("Eject disc"), !verify);
    EXPECT_EQ(rows.contains("The disc stays in the drive"), verify);
    // The disc comes out, or is left in, once: after its read-back.
    const QString last = verify ? "The disc stays in the drive" : "Eject disc";
    EXPECT_EQ(rows.count(last), 1) << rows.join('\n').toStdString();
    if (verify) {
      EXPECT_GT(rows.indexOf(last), rows.indexOf(rows.filter("Verification passed").value(0)));
    }
    EXPECT_EQ(wizard->Actions->Count(), verify ? 2 : 1);
    EXPECT_EQ(wizard->LabelSubTitle->text(), verify ? "Disc burned and verified" : "Disc burned");
    EXPECT_FALSE(wizard->ButtonPrev->isEnabled());
    EXPECT_FALSE(wizard->ButtonClose->isEnabled());
    EXPECT_TRUE(wizard->ButtonNext->isEnabled());
    EXPECT_TRUE(dialogs->shown().empty());

    burner = std::make_unique<TsbBurner>();
    burner->Transport = ttSpti;
    burner->DeviceName = "CdRom0";
    burner->Open();
    const Bytes medium = readMedium(0, uint32_t((kImageSize + 2047) / 2048));
    EXPECT_TRUE(std::equal(image.begin(), image.end(), medium.begin())) << "the disc differs from the image";
    burner.reset();

    EXPECT_EQ(finishText(), "Korvanel has successfully finished!");
    EXPECT_TRUE(frmFinish->isVisible());
    EXPECT_FALSE(wizard->isVisible());
    closeWizard();
  }
}

TEST_F(WizardTest, TheDeviceAndImagePagesRefuseWhatCannotBeBurned) {
  json written = cdRecorder(1), empty = cdRecorder(2), rewritten = cdRecorder(3);
  written["medium"] = {{"type", "CD-R"}, {"state", "complete"}, {"used_bytes", 65536}};
  empty["medium"] = nullptr;
  rewritten["medium"] = {{"type", "CD-RW"}, {"state", "complete"}, {"used_bytes", 65536}};
  json small = cdRecorder(0);
  small["medium"]["capacity_bytes"] = 65536;
  open({small, written, empty, rewritten});
  toDevice();
  // No period after "!"; the error box adds one after a letter. Only a disc the
  // page can erase is pointed at its button.
  const std::vector<std::pair<int, QString>> devices = {
      {1, "Disc is not blank, burning is impossible!"},
      {2, "No media in drive."},
      {3, "Disc is not blank, burning is impossible! Press \"Erase disc...\" to erase it."}};
  for (const auto& [row, text] : devices) {
    wizard->DevicePage->lvDevices->setCurrentItem(wizard->DevicePage->lvDevices->topLevelItem(row));
    next();
    EXPECT_EQ(page(), pgDevice);
    EXPECT_EQ(dialogs->texts("application error").last(), text);
  }
  wizard->DevicePage->lvDevices->clearSelection();
  next();
  EXPECT_EQ(dialogs->texts("application error").last(), "You must select device that is supports burning CD/DVD.");

  wizard->DevicePage->lvDevices->setCurrentItem(wizard->DevicePage->lvDevices->topLevelItem(0));
  next();
  ASSERT_EQ(page(), pgImage);
  typeImage(dir_ / "missing.iso");
  next();
  EXPECT_EQ(dialogs->texts("application error").last(), "You must select image file.");
  writeFile(dir_ / "fits.iso", 65536, 1);
  writeFile(dir_ / "too-big.iso", 65537, 1);
  typeImage(dir_ / "too-big.iso");
  EXPECT_TRUE(wizard->SourceFilePage->lblSizeProblem->isVisible()) << "said when chosen, before Next";
  next();
  EXPECT_EQ(dialogs->texts("application error").last(), "Image size is too big to fit disc space.");
  EXPECT_EQ(page(), pgImage);
  typeImage(dir_ / "fits.iso");
  EXPECT_FALSE(wizard->SourceFilePage->lblSizeProblem->isVisible());
  next();
  EXPECT_EQ(page(), pgMode) << "an image as large as the free space fits";
}

// A drive whose space query fails has no room by the size check's count: the
// refusal says so, and the library's reason stands beside it, so that a broken
// drive is told from a full disc.
TEST_F(WizardTest, ASizeRefusalAfterAFailedSpaceQueryNamesTheReason) {
  json recorder = cdRecorder();
  recorder["faults"] = {{"operations", {{"GetDiscFreeSpace", {{"exception", 9}, {"text", "Injected space failure"}}}}}};
  open({recorder});
  toDevice();
  next();
  ASSERT_EQ(page(), pgImage) << dialogs->texts("application error").join('\n').toStdString();
  typeImage(dir_ / "image.iso");
  next();
  EXPECT_EQ(page(), pgImage);
  const QString shown = dialogs->texts("application error").value(0);
  EXPECT_TRUE(shown.startsWith("Image size is too big to fit disc space")) << shown.toStdString();
  EXPECT_TRUE(shown.contains("Injected space failure")) << shown.toStdString();
}

TEST_F(WizardTest, BackAndForwardReleaseAndRelockTheTrayAndKeepOneOfEachLine) {
  open({cdRecorder()});
  toDevice();
  // Enter presses Next unless a button has the focus.
  wizard->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(wizard.get()));
  wizard->DevicePage->lvDevices->setFocus();
  QTest::keyClick(wizard->DevicePage->lvDevices, Qt::Key_Return);
  ASSERT_EQ(page(), pgImage);
  const auto calls = [this](const char* call) { return diagnosticLog().count(QString("Discwright_CdvdBurnerGrabber_") + call); };
  EXPECT_EQ(calls("Lock"), 1);
  back();
  EXPECT_EQ(page(), pgDevice);
  EXPECT_EQ(calls("Release"), 1);
  next();
  EXPECT_EQ(calls("Lock"), 2);
  typeImage(dir_ / "image.iso");
  for (int expected : {pgMode, pgOptions, pgSummary}) {
    next();
    ASSERT_EQ(page(), expected);
  }
  back();
  EXPECT_EQ(page(), pgOptions);
  next();
  next();
  ASSERT_EQ(page(), pgBurning);
  EXPECT_EQ(wizard->Actions->Count(), 1);
  EXPECT_EQ(burningRows().mid(0, 3).filter("Destination device").size(), 1);
  EXPECT_EQ(burningRows().filter("Destination device").size(), 1);
}

TEST_F(WizardTest, ACancelConfirmedDuringTheBurnEndsAsCancelledByTheUser) {
  open({cdRecorder()}, 20);  // a few seconds of writing
  dialogs->script("no");
  dialogs->script("yes");
  int asked = 0;
  QTimer user;
  QObject::connect(&user, &QTimer::timeout, [&] {
    if (wizard->FinalPage && wizard->FinalPage->pbWrite->value() > 0 && asked < 2 && wizard->ButtonClose->isEnabled()) {
      ++asked;
      QTest::mouseClick(wizard->ButtonClose, Qt::LeftButton);
    }
  });
  user.start(30);
  walkToTheBurn();
  user.stop();
  EXPECT_EQ(dialogs->texts("question"), (QStringList{"Are you sure you want to cancel current operation?",
                                                     "Are you sure you want to cancel current operation?"}));
  EXPECT_EQ(wizard->LabelSubTitle->text(), "Burn cancelled: the disc may be unusable");
  EXPECT_EQ(finishText(), "Burning was canceled by user!");
}

TEST_F(WizardTest, AWindowManagerCloseDuringABurnAsksTheCancelQuestion) {
  open({cdRecorder()}, 20);
  dialogs->script("yes");
  bool closed = true;
  QTimer user;
  QObject::connect(&user, &QTimer::timeout, [&] {
    if (wizard->FinalPage && wizard->FinalPage->pbWrite->value() > 0 && wizard->ButtonClose->isEnabled())
      closed = wizard->close();  // what Alt+F4 sends
  });
  user.start(30);
  walkToTheBurn();
  user.stop();
  EXPECT_FALSE(closed);
  EXPECT_EQ(dialogs->texts("question"), QStringList{"Are you sure you want to cancel current operation?"});
  EXPECT_EQ(finishText(), "Burning was canceled by user!");
}

TEST_F(WizardTest, ACloseDuringADeviceScanCancelsTheScanAndThenCloses) {
  open({cdRecorder(0), cdRecorder(1)});
  QTimer::singleShot(0, wizard.get(), [this] { wizard->close(); });
  next();
  EXPECT_TRUE(wizard->isVisible());  // not while the scan winds down
  QTest::qWait(20);
  EXPECT_FALSE(wizard->isVisible());
  EXPECT_EQ(wizard->DevicePage->lvDevices->topLevelItemCount(), 0);
}

TEST_F(WizardTest, ADriveThatCannotBeOpenedIsListedAndNextRefusesItWithTheReason) {
  SKIP_WITHOUT_POSIX("device files and their groups");
  json denied = cdRecorder(1);
  denied["faults"]["operations"]["CreateEx"] = {{"exception", DW_E_NO_DEVICE}, {"status", EACCES}};
  open({cdRecorder(0), denied});
  toDevice(1);
  const QTreeWidgetItem* row = wizard->DevicePage->lvDevices->topLevelItem(1);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->text(3), "Not usable");
  const QString why = wizard->DevicePage->lblUnusable->text();
  EXPECT_TRUE(why.startsWith("Permission denied: add yourself to the group cdrom: sudo usermod -aG cdrom "))
      << why.toStdString();
  EXPECT_FALSE(wizard->DevicePage->lblUnusable->isHidden());
  next();
  EXPECT_EQ(page(), pgDevice);
  EXPECT_EQ(dialogs->texts("application error"), QStringList{why + "."});
}

TEST_F(WizardTest, ADiscTakenOutAndPutBackRefreshesItsDriveAndKeepsTheChoiceAndTheFocus) {
  open({cdRecorder(0), cdRecorder(1)});
  toDevice(1);
  QTreeWidget* list = wizard->DevicePage->lvDevices;
  list->setFocus();
  QStringList rescanned;
  wizard->DevicePage->OnDrivesRescanned = [&](const QString& name) { rescanned << name; };
  SetDiscInserted("CdRom0", false);
  ASSERT_TRUE(QTest::qWaitFor([&] { return rescanned.size() == 1; }, 5000));
  EXPECT_EQ(list->topLevelItem(0)->text(3), "Empty");
  EXPECT_EQ(list->currentItem(), list->topLevelItem(1));
  EXPECT_TRUE(list->topLevelItem(1)->isSelected());
  EXPECT_EQ(wizard->focusWidget(), list);
  SetDiscInserted("CdRom0", true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return rescanned.size() == 2; }, 5000));
  EXPECT_EQ(list->topLevelItem(0)->text(3), "CD-R");
  EXPECT_EQ(rescanned, (QStringList{"CdRom0", "CdRom0"}));
  EXPECT_TRUE(list->topLevelItem(1)->isSelected());
  // Refresh pressed from the keyboard is disabled while it scans: the keyboard comes back to it.
  wizard->DevicePage->btnRefresh->setFocus();
  QTest::keyClick(wizard->DevicePage->btnRefresh, Qt::Key_Space);
  ASSERT_TRUE(QTest::qWaitFor([&] { return wizard->DevicePage->btnRefresh->isEnabled(); }, 5000));
  EXPECT_EQ(wizard->focusWidget(), wizard->DevicePage->btnRefresh);
}

TEST_F(WizardTest, ABurnThatEndsInAnInactiveWindowSendsTheOutcomeAsANotice) {
  for (const bool elsewhere : {false, true}) {
    open({cdRecorder()});
    QStringList notices;
    wizard->SendNotice = [&](const QString& summary, const QString& body) { notices << summary + ": " + body; };
    toDevice();
    next();
    typeImage(dir_ / "image.iso");
    for (int step = 0; step < 3; ++step) next();  // image, mode, options: on the summary page
    ASSERT_EQ(page(), pgSummary);
    QWidget other;  // the window the user works in meanwhile
    QWidget* active = elsewhere ? &other : static_cast<QWidget*>(wizard.get());
    active->show();
    active->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(active));
    wizard->ButtonNext->click();  // burns
    ASSERT_EQ(page(), pgBurning);
    EXPECT_EQ(notices, elsewhere ? QStringList{"Korvanel: Korvanel has successfully finished!"} : QStringList{});
    EXPECT_EQ(finishText(), "Korvanel has successfully finished!");  // the finish window as ever
    closeWizard();
  }
}

TEST_F(WizardTest, AFailedWriteEndsWithTheErrorText) {
  json recorder = cdRecorder();
  recorder["faults"] = {{"write_fails_at", 65536}};
  open({recorder});
  walkToTheBurn();
  EXPECT_EQ(dialogs->texts("error").size(), 1);
  EXPECT_EQ(wizard->LabelSubTitle->text(), "Burn failed");
  EXPECT_EQ(finishText(), "Korvanel has finished with error");
}

TEST_F(WizardTest, AFailedLibraryStartKeepsTheFirstPage) {
  open({cdRecorder()});
  wizard->StartupOptions.VirtualDrives = QString::fromStdString((dir_ / "missing.json").string());
  next();
  EXPECT_EQ(page(), pgTransport);
  ASSERT_EQ(dialogs->texts("application error").size(), 1);
  EXPECT_TRUE(dialogs->texts("application error")[0].startsWith("Discwright_UpStartEx() failed, exception "));
}

TEST_F(WizardTest, FilesAndFoldersAreCheckedOnTheImagePageThenBurnedAndVerified) {
  SKIP_WITHOUT_FILE_TREES();
  open({cdRecorder()});
  fs::create_directories(dir_ / "photos" / "2026");
  fs::create_directories(dir_ / "elsewhere");
  writeFile(dir_ / "photos" / "2026" / "beach.raw", 200000, 3);
  writeFile(dir_ / "notes.txt", 100, 4);
  writeFile(dir_ / "elsewhere" / "notes.txt", 100, 6);
  auto path = [&](const fs::path& p) { return QString::fromStdString(p.string()); };
  toDevice();
  next();
  ASSERT_EQ(page(), pgImage);
  TfrmSourceFileSelection& source = *wizard->SourceFilePage;
  source.rbFiles->click();
  EXPECT_EQ(wizard->LabelSubTitle->text(), "Please select the files and folders you would like to burn");
  EXPECT_EQ(source.Label1->text(), "Select the files and folders to burn");
  EXPECT_TRUE(source.FilesPanel->isVisible());
  EXPECT_FALSE(source.Edit1->isVisible());
  next();
  EXPECT_EQ(dialogs->texts("application error").last(), "Add the files and folders to burn.");

  // Only entries that are left out: nothing to burn, said under the list and on Next. A
  // file over 4 GiB (sparse) is named with the reader it needs.
  source.FilesPanel->AddPaths({QStringLiteral("/dev/null")});
  EXPECT_TRUE(source.lblFilesProblem->text().startsWith("Nothing is left to burn")) << source.lblFilesProblem->text().toStdString();
  next();
  EXPECT_EQ(page(), pgImage);
  std::ofstream(dir_ / "big.bin").close();
  fs::resize_file(dir_ / "big.bin", (uint64_t(4) << 30) + 4096);
  source.FilesPanel->AddPaths({path(dir_ / "big.bin")});
  EXPECT_TRUE(source.lblFilesProblem->text().contains("big.bin\" is larger than 4 GiB")) << source.lblFilesProblem->text().toStdString();
  source.FilesPanel->lstFiles->selectAll();
  QTest::mouseClick(source.FilesPanel->btnRemove, Qt::LeftButton);
  fs::remove(dir_ / "big.bin");

  source.FilesPanel->AddPaths({path(dir_ / "photos"), path(dir_ / "notes.txt"), path(dir_ / "elsewhere" / "notes.txt")});
  EXPECT_TRUE(source.lblFilesProblem->isVisible());
  next();
  EXPECT_EQ(page(), pgImage);
  EXPECT_TRUE(dialogs->texts("application error").last().startsWith("Two chosen entries have the same name"))
      << dialogs->texts("application error").last().toStdString();

  source.FilesPanel->lstFiles->topLevelItem(2)->setSelected(true);
  QTest::mouseClick(source.FilesPanel->btnRemove, Qt::LeftButton);
  EXPECT_FALSE(source.lblFilesProblem->isVisible());
  // Each entry at the top of the disc, a folder with the bytes of all it holds.
  const QTreeWidgetItem* photos = source.FilesPanel->lstFiles->topLevelItem(0);
  EXPECT_EQ(photos->text(0), "/photos/");
  EXPECT_EQ(photos->text(1), "0.19 MB");
  EXPECT_EQ(photos->text(2), path(dir_ / "photos"));
  // Measured as the image the library makes: more than the files' bytes.
  EXPECT_GT(source.FilesImageSize, 200100u);
  source.FilesPanel->edtLabel->setText("Summer photos");
  EXPECT_EQ(source.FilesPanel->lblLabelNote->text().left(33), "The label became \"SUMMER_PHOTOS\":");
  next();
  ASSERT_EQ(page(), pgMode) << dialogs->texts("application error").join('\n').toStdString();
  next();
  ASSERT_EQ(page(), pgOptions);
  wizard->BurnOptionsPage->chbVerify->click();
  next();
  ASSERT_EQ(page(), pgSummary);
  const QString sourceLine = "Source: 1 file, 1 folder, " + FormatMegabytes(int64_t(source.FilesImageSize));
  const QStringList summary = wizard->SummaryPage->edtSummary->toPlainText().split('\n');
  EXPECT_TRUE(summary.contains(sourceLine));
  EXPECT_TRUE(summary.contains("Volume label: SUMMER_PHOTOS")) << summary.join('\n').toStdString();
  next();
  ASSERT_EQ(page(), pgBurning);
  const QStringList rows = burningRows();
  EXPECT_EQ(rows.value(0), "Burning files and folders");
  EXPECT_TRUE(rows.contains(sourceLine)) << rows.join('\n').toStdString();
  EXPECT_EQ(rows.filter("Verification passed").size(), 1) << rows.join('\n').toStdString();
  EXPECT_EQ(finishText(), "Korvanel has successfully finished!");
}

// A disc left open takes files as a further session: the device page says so, the image
// page lists the disc's files and refuses an image, a name already on the disc is marked
// and replaced only with the user's yes, and the new session lists old and new files.
TEST_F(WizardTest, FilesAreAddedToADiscLeftOpenAsAFurtherSession) {
  SKIP_WITHOUT_FILE_TREES();
  writeFile(dir_ / "notes.txt", 3000, 4);
  fs::create_directories(dir_ / "new");
  writeFile(dir_ / "new" / "notes.txt", 5000, 5);
  writeFile(dir_ / "photo.raw", 70000, 6);
  auto path = [&](const fs::path& p) { return QString::fromStdString(p.string()); };
  auto burnFiles = [&](const QStringList& paths) {
    next();
    ASSERT_EQ(page(), pgImage) << dialogs->texts("application error").join('\n').toStdString();
    wizard->SourceFilePage->rbFiles->click();
    wizard->SourceFilePage->FilesPanel->AddPaths(paths);
    for (int i = 0; i < 3; ++i) next();
    ASSERT_EQ(page(), pgSummary) << dialogs->texts("application error").join('\n').toStdString();
    next();
    ASSERT_EQ(page(), pgBurning);
  };
  open({cdRecorder()}, 0, false);  // the discs stay as each run leaves them
  toDevice();
  burnFiles({path(dir_ / "notes.txt")});  // the options page leaves the disc open by default
  EXPECT_EQ(finishText(), "Korvanel has successfully finished!") << burningRows().join('\n').toStdString();
  closeWizard();

  open({cdRecorder()}, 0, false);
  toDevice();
  EXPECT_TRUE(wizard->DevicePage->lvDevices->topLevelItem(0)->text(4).startsWith("Appendable, "))
      << wizard->DevicePage->lvDevices->topLevelItem(0)->text(4).toStdString();
  EXPECT_TRUE(wizard->DevicePage->lblUnusable->text().startsWith("The disc holds 1 file and has "))
      << wizard->DevicePage->lblUnusable->text().toStdString();
  next();
  ASSERT_EQ(page(), pgImage) << dialogs->texts("application error").join('\n').toStdString();
  TfrmSourceFileSelection& source = *wizard->SourceFilePage;
  EXPECT_TRUE(source.FilesChosen()) << "files are what the disc takes";
  ASSERT_EQ(source.FilesPanel->lstDiscFiles->topLevelItemCount(), 1);
  EXPECT_EQ(source.FilesPanel->lstDiscFiles->topLevelItem(0)->text(0), "/notes.txt");
  source.rbImage->click();
  typeImage(dir_ / "image.iso");
  EXPECT_TRUE(source.lblSizeProblem->isVisible());
  next();
  EXPECT_TRUE(dialogs->texts("application error").last().contains("An image would hide the files on the disc"));

  source.rbFiles->click();
  // The chosen notes.txt takes the disc's: marked, and refused until the user says yes.
  source.FilesPanel->AddPaths({path(dir_ / "new" / "notes.txt"), path(dir_ / "photo.raw")});
  EXPECT_EQ(source.FilesPanel->lstFiles->topLevelItem(0)->toolTip(0), "replaces the file on the disc");
  EXPECT_TRUE(source.lblFilesProblem->text().startsWith("\"/notes.txt\" replaces the file on the disc"))
      << source.lblFilesProblem->text().toStdString();
  for (const bool yes : {false, true}) {
    dialogs->script(yes ? "yes" : "no");
    next();
    EXPECT_EQ(page(), yes ? pgMode : pgImage);
  }
  next();
  next();
  ASSERT_EQ(page(), pgSummary);
  EXPECT_TRUE(wizard->SummaryPage->edtSummary->toPlainText().contains("\nAdds session 2 to the 1 files on the disc\n"))
      << wizard->SummaryPage->edtSummary->toPlainText().toStdString();
  next();
  ASSERT_EQ(page(), pgBurning);
  EXPECT_EQ(finishText(), "Korvanel has successfully finished!") << burningRows().join('\n').toStdString();
  closeWizard();

  open({cdRecorder()}, 0, false);
  toDevice();
  next();
  QStringList onDisc;
  for (int i = 0; i < wizard->SourceFilePage->FilesPanel->lstDiscFiles->topLevelItemCount(); ++i)
    onDisc << wizard->SourceFilePage->FilesPanel->lstDiscFiles->topLevelItem(i)->text(0);
  EXPECT_EQ(onDisc, (QStringList{"/notes.txt", "/photo.raw"}));
}

TEST_F(WizardTest, CopiesAreBurnedOneAfterTheOtherOnTheBlankDiscsTheDriveIsGiven) {
  json recorder = cdRecorder();
  recorder["autoloader"] = 1;
  open({recorder});
  walkToTheBurn(true, true, 2);
  EXPECT_TRUE(wizard->SummaryPage->edtSummary->toPlainText().contains("\nNumber of copies: 2\n"));
  const QStringList rows = burningRows();
  EXPECT_EQ(rows.filter("Verification passed").size(), 2) << rows.join('\n').toStdString();
  EXPECT_TRUE(rows.contains("Insert a blank disc for copy 2 of 2 into Action Test Recorder"));
  EXPECT_EQ(rows.last(), "2 of 2 copies made");
  EXPECT_EQ(wizard->FinalPage->lblCopyNumber->text(), "Copy 2 of 2");
  EXPECT_EQ(finishText(), "Korvanel has successfully finished!\n2 of 2 copies made");
}

// Waiting for the next copy's disc, the line above the bar says what to do, the
// bar is idle, a disc that is not taken is named with its reason, and "Stop
// after 1 copy" ends the run as a success with the copy made.
TEST_F(WizardTest, TheWaitForTheNextCopysDiscSaysWhatToDoAndCanStopWithTheCopiesMade) {
  open({cdRecorder()});  // no feeder: the hand at the drive decides
  struct Seen {
    QString waiting, refused, stopButton;
    int bar = -1;
  } seen;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (!wizard->ButtonStopCopies->isVisible() || !wizard->ButtonStopCopies->isEnabled()) return;
    const QString status = wizard->LabelSubTitle->text();
    if (seen.waiting.isEmpty()) {
      seen = {status, {}, wizard->ButtonStopCopies->text(), wizard->FinalPage->pbWrite->value()};
      SetDiscInserted(QStringLiteral("CdRom0"), true);  // the written disc again
    } else if (status != seen.waiting) {
      seen.refused = status;
      QTest::mouseClick(wizard->ButtonStopCopies, Qt::LeftButton);
    }
  });
  watch.start(20);
  walkToTheBurn(false, true, 3);
  watch.stop();
  EXPECT_EQ(seen.waiting, "Insert a blank disc for copy 2 of 3 into Action Test Recorder");
  EXPECT_EQ(seen.bar, 0);
  EXPECT_EQ(seen.stopButton, "&Stop after 1 copy");
  EXPECT_EQ(seen.refused, "The disc in Action Test Recorder is not blank\n" + seen.waiting) << seen.refused.toStdString();
  EXPECT_FALSE(wizard->ButtonStopCopies->isVisible());
  EXPECT_EQ(wizard->LabelSubTitle->text(), "Disc burned");
  EXPECT_EQ(burningRows().last(), "1 of 3 copies made: stopped as asked");
  EXPECT_EQ(finishText(), "Korvanel has successfully finished!\n1 of 3 copies made: stopped as asked");
}

TEST_F(WizardTest, ADiscReadFromAnotherDriveBecomesTheImageToBurn) {
  const Bytes original = writeFile(dir_ / "original.iso", 40 * 2048, 9);
  json source = cdRecorder(1);
  source["medium"] = {{"type", "CD-R"}, {"state", "complete"}, {"content_file", (dir_ / "original.iso").string()}};
  open({cdRecorder(), source});
  toDevice(0);
  next();
  ASSERT_EQ(page(), pgImage);
  TfrmSourceFileSelection& page = *wizard->SourceFilePage;
  // A path of more than 300 characters.
  const fs::path folder = dir_ / std::string(120, 'a') / std::string(120, 'b');
  fs::create_directories(folder);
  const QString copy = QString::fromStdString((folder / (std::string(60, 'c') + ".iso")).string());
  ASSERT_GT(copy.size(), 300);
  dialogs->script("");  // the first time the user thinks better of it
  QTest::mouseClick(page.btnReadDisc, Qt::LeftButton);
  EXPECT_TRUE(page.Edit1->text().isEmpty());
  const QStringList discs = dialogs->shown().back().text.split('\n');
  ASSERT_EQ(discs.size(), 1) << "only the written disc can be read";
  EXPECT_TRUE(discs[0].startsWith("CdRom1: Action Test Recorder, CD-R, 0.08 MB")) << discs[0].toStdString();

  dialogs->script(discs[0]);
  dialogs->script(copy);
  ProgressAtClose reading("Reading disc");
  QTest::mouseClick(page.btnReadDisc, Qt::LeftButton);
  EXPECT_EQ(page.Edit1->text(), copy);
  EXPECT_EQ(testcommon::readFile(copy.toStdString()), original);
  EXPECT_EQ(reading.percent, "100 %");
  EXPECT_EQ(reading.tip, copy);
  EXPECT_LE(reading.width, 500);
  EXPECT_TRUE(reading.textFits) << reading.text.toStdString();
  next();
  EXPECT_EQ(this->page(), pgMode) << dialogs->texts("application error").join('\n').toStdString();
}

// Saved under a ".cue" name, the CD is read whole as BIN/CUE and its tracks become the source.
TEST_F(WizardTest, ACdReadAsACueSheetBecomesTheTracksToBurn) {
  writeFile(dir_ / "original.iso", 40 * 2048, 9);
  json source = cdRecorder(1);
  source["medium"] = {{"type", "CD-R"}, {"state", "complete"}, {"content_file", (dir_ / "original.iso").string()}};
  open({cdRecorder(), source});
  toDevice(0);
  next();
  TfrmSourceFileSelection& page = *wizard->SourceFilePage;
  const QString cue = QString::fromStdString((dir_ / "copy.cue").string());
  dialogs->script("CdRom1: Action Test Recorder, CD-R, 0.08 MB");
  dialogs->script(cue);
  QTest::mouseClick(page.btnReadDisc, Qt::LeftButton);
  ASSERT_EQ(page.Edit1->text(), cue) << dialogs->texts("application error").join('\n').toStdString();
  EXPECT_TRUE(fs::exists(dir_ / "copy.bin"));
  ASSERT_NE(page.ChosenLayout(), nullptr) << page.CueProblem.toStdString();
  EXPECT_EQ(page.TracksPanel->lstTracks->topLevelItemCount(), 1);
  EXPECT_EQ(page.TracksPanel->lblCaption->text(), "Tracks of the cue sheet copy.cue:");
  next();
  EXPECT_EQ(this->page(), pgMode) << dialogs->texts("application error").join('\n').toStdString();
}

TEST_F(WizardTest, AChecksumFileBesideTheImageIsOfferedAndAMismatchStopsTheBurnBeforeTheDisc) {
  for (const bool matching : {false, true}) {
    SCOPED_TRACE(matching ? "matching" : "damaged");
    open({cdRecorder()});
    const QByteArray sha = QCryptographicHash::hash(QByteArray(reinterpret_cast<const char*>(image.data()),
                                                               qsizetype(image.size())),
                                                    QCryptographicHash::Sha256)
                               .toHex();
    QFile sums(QString::fromStdString((dir_ / "SHA256SUMS").string()));
    ASSERT_TRUE(sums.open(QIODevice::WriteOnly | QIODevice::Truncate));
    sums.write((matching ? sha : QByteArray(64, '0')) + "  image.iso\n");
    sums.close();
    toDevice();
    next();
    typeImage(dir_ / "image.iso");
    EXPECT_TRUE(wizard->SourceFilePage->chbChecksum->isVisible());
    EXPECT_TRUE(wizard->SourceFilePage->chbChecksum->isChecked());
    EXPECT_EQ(wizard->SourceFilePage->chbChecksum->text(), "Check the image against SHA256SUMS");
    next();
    next();
    next();
    next();
    ASSERT_EQ(page(), pgBurning);
    const QStringList rows = burningRows();
    EXPECT_EQ(rows.contains("Burning completed"), matching) << rows.join('\n').toStdString();
    if (matching) {
      EXPECT_EQ(rows.filter("The image matches its checksum (SHA-256 " + QString::fromLatin1(sha) + ")").size(), 1);
    } else {
      EXPECT_EQ(rows.filter("does not match the checksum file").size(), 1) << rows.join('\n').toStdString();
      EXPECT_EQ(finishText(), "Korvanel has finished with error");
      burner = std::make_unique<TsbBurner>();
      burner->Transport = ttSpti;
      burner->DeviceName = "CdRom0";
      burner->Open();
      DiscwrightDiscInformation disc{};
      ASSERT_EQ(Discwright_CdvdBurnerGrabber_GetDiscInformation(burner->Grabber, burner->ExceptionText,
                                                                DISCWRIGHT_TEXT_SIZE, &burner->Status,
                                                                burner->FailureInfo, &disc),
                0);
      EXPECT_EQ(disc.DiscStatus, 0) << "the disc was written";
    }
    closeWizard();
  }
}

// An audio CD from the track list to the burn: Next refuses an empty list, the options page
// leaves no session open, the summary names the tracks, and the burning page names the
// track being written, then the one being checked.
TEST_F(WizardTest, AnAudioCdGoesFromTheTrackListThroughTheSummaryToTheBurn) {
  open({cdRecorder()}, 1);  // as fast as the recorder burns: the tracks take a while
  toDevice();
  next();
  ASSERT_EQ(page(), pgImage);
  TfrmSourceFileSelection& source = *wizard->SourceFilePage;
  source.rbAudio->click();
  EXPECT_EQ(wizard->LabelTitle->text(), "Audio CD Tracks Selection");
  next();
  EXPECT_EQ(page(), pgImage);
  EXPECT_EQ(dialogs->texts("application error").last(), "Add the music files to burn.");
  if (!TsbTrackLayout::Decoding()) GTEST_SKIP() << "this build decodes no music files";
  audiotest::WriteWav(dir_ / "one.wav", 3, "Morning", "Ann");
  audiotest::WriteWav(dir_ / "two.wav", 3, "Night", "Bob");
  dialogs->script(QString::fromStdString((dir_ / "one.wav").string() + "\n" + (dir_ / "two.wav").string()));
  QTest::mouseClick(source.TracksPanel->btnAddFiles, Qt::LeftButton);
  next();
  ASSERT_EQ(page(), pgMode) << dialogs->texts("application error").join('\n').toStdString();
  next();
  ASSERT_EQ(page(), pgOptions);
  EXPECT_FALSE(wizard->BurnOptionsPage->chbMultiSession->isEnabled());
  EXPECT_FALSE(wizard->BurnOptionsPage->chbMultiSession->isChecked());
  wizard->BurnOptionsPage->chbVerify->click();
  next();
  ASSERT_EQ(page(), pgSummary);
  const QStringList summary = wizard->SummaryPage->edtSummary->toPlainText().split('\n');
  EXPECT_EQ(summary.value(3), "Audio CD: 2 tracks, 0:08");
  EXPECT_TRUE(summary.contains("Leave the disc open for more sessions: No (the disc is closed)"));
  // Each line the burning page gives the title, from the first moment of the burn.
  QStringList lines;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (!wizard->FinalPage || !wizard->FinalPage->OnTrackLine || lines.contains("watched")) return;
    lines << "watched";
    wizard->FinalPage->OnTrackLine = [&, shown = wizard->FinalPage->OnTrackLine](const QString& line) {
      lines << line;
      shown(line);
    };
  });
  watch.start(1);
  next();
  watch.stop();
  ASSERT_EQ(page(), pgBurning);
  const QStringList rows = burningRows();
  if (rows.join('\n').contains("yet")) GTEST_SKIP() << "audio CDs are not burned yet: " << rows.join('\n').toStdString();
  EXPECT_EQ(wizard->LabelSubTitle->text(), "Disc burned and verified") << rows.join('\n').toStdString();
  EXPECT_TRUE(lines.contains("Writing track 2 of 2")) << lines.join('\n').toStdString();
  EXPECT_TRUE(lines.contains("Checking track 2 of 2")) << lines.join('\n').toStdString();
}

// Next refuses tracks the chosen disc cannot take, with the reason the page showed in red first.
TEST_F(WizardTest, NextRefusesTracksLongerThanTheDisc) {
  if (!TsbTrackLayout::Decoding()) GTEST_SKIP() << "this build decodes no music files";
  json small = cdRecorder();
  small["medium"]["capacity_bytes"] = 5 * 75 * 2048;
  open({small});
  toDevice();
  next();
  TfrmSourceFileSelection& source = *wizard->SourceFilePage;
  source.rbAudio->click();
  audiotest::WriteWav(dir_ / "one.wav", 3);
  audiotest::WriteWav(dir_ / "two.wav", 3);
  dialogs->script(QString::fromStdString((dir_ / "one.wav").string() + "\n" + (dir_ / "two.wav").string()));
  QTest::mouseClick(source.TracksPanel->btnAddFiles, Qt::LeftButton);
  EXPECT_EQ(source.lblSizeProblem->text(), "The tracks do not fit on the disc");
  next();
  EXPECT_EQ(page(), pgImage);
  EXPECT_TRUE(dialogs->texts("application error").value(0).startsWith("The tracks last 0:08, longer than"))
      << dialogs->texts("application error").join('\n').toStdString();
  source.TracksPanel->lstTracks->setCurrentItem(source.TracksPanel->lstTracks->topLevelItem(1));
  QTest::keyClick(source.TracksPanel->lstTracks, Qt::Key_Delete);
  EXPECT_FALSE(source.lblSizeProblem->isVisible());
  next();
  EXPECT_EQ(page(), pgMode) << dialogs->texts("application error").join('\n').toStdString();
}

// The pictures of an audio CD and a cue sheet for the user guide, in both languages: made
// only when KORVANEL_PAGE_SHOTS names a folder.
TEST_F(WizardTest, PicturesOfAudioCdsAndCueSheets) {
  const QString shots = qEnvironmentVariable("KORVANEL_PAGE_SHOTS");
  if (shots.isEmpty()) GTEST_SKIP() << "KORVANEL_PAGE_SHOTS names no folder";
  if (!TsbTrackLayout::Decoding()) GTEST_SKIP() << "this build decodes no music files";
  const EnglishAgainAtTheEnd english;
  const struct {
    const char* file;
    double seconds;
    const char* title;
    const char* performer;
  } songs[] = {{"01.wav", 14, "Harbour Lights", "Mara Lind"},
               {"02.wav", 11, "Salt and Rope", "Mara Lind"},
               {"03.wav", 17, "The Long Tide", "Mara Lind & Oskar Vey"},
               {"04.wav", 9, "Lantern Song", "Mara Lind"}};
  QStringList files;
  for (const auto& song : songs) {
    audiotest::WriteWav(dir_ / song.file, song.seconds, song.title, song.performer);
    files << QString::fromStdString((dir_ / song.file).string());
  }
  // A concert saved as BIN/CUE, with its titles.
  fs::create_directories(dir_ / "Live at the Pier");
  std::ofstream(dir_ / "Live at the Pier" / "pier.cue")
      << "PERFORMER \"Mara Lind\"\nTITLE \"Live at the Pier\"\nFILE \"pier.bin\" BINARY\n"
         "  TRACK 01 AUDIO\n    TITLE \"Opening\"\n    PERFORMER \"Mara Lind\"\n    INDEX 01 00:00:00\n"
         "  TRACK 02 AUDIO\n    TITLE \"Harbour Lights\"\n    PERFORMER \"Mara Lind\"\n    INDEX 00 00:20:00\n"
         "    INDEX 01 00:22:00\n"
         "  TRACK 03 AUDIO\n    TITLE \"Encore\"\n    PERFORMER \"Mara Lind & Oskar Vey\"\n    INDEX 01 01:05:00\n";
  std::ofstream(dir_ / "Live at the Pier" / "pier.bin", std::ios::binary) << std::string(size_t(90) * 75 * 2352, '\0');
  for (const QString& language : {QStringLiteral("en"), QStringLiteral("de")}) {
    InstallTranslations(QLocale(language), ProgramFolder());
    QLocale::setDefault(QLocale(language));
    auto shoot = [&](QWidget* window, const QString& name) {
      QTest::qWait(50);
      window->grab().save(QDir(shots).filePath(name + QLatin1Char('-') + language + ".png"));
    };
    auto fill = [&](TfrmSourceFileSelection& source) {
      source.rbAudio->click();
      dialogs->script(files.join('\n'));
      QTest::mouseClick(source.TracksPanel->btnAddFiles, Qt::LeftButton);
      QTest::keyClicks(source.TracksPanel->edtAlbumTitle, "Harbour Songs");
      QTest::keyClicks(source.TracksPanel->edtAlbumPerformer, "Mara Lind");
      source.TracksPanel->SetPause(3, 0);
    };
    // A disc of 45 seconds: the same tracks do not fit.
    json small = cdRecorder(1);
    small["medium"]["capacity_bytes"] = 45 * 75 * 2048;
    open({cdRecorder(), small});
    toDevice(1);
    next();
    fill(*wizard->SourceFilePage);
    shoot(wizard.get(), "audio-cd-too-long");
    closeWizard();

    open({cdRecorder()}, 1);
    toDevice();
    next();
    TfrmSourceFileSelection& source = *wizard->SourceFilePage;
    source.rbImage->click();
    typeImage(dir_ / "Live at the Pier" / "pier.cue");
    if (source.ChosenLayout()) shoot(wizard.get(), "cue-sheet");
    fill(source);
    source.TracksPanel->lstTracks->setCurrentItem(source.TracksPanel->lstTracks->topLevelItem(2));
    shoot(wizard.get(), "audio-cd");
    next();
    next();
    next();
    ASSERT_EQ(page(), pgSummary) << dialogs->texts("application error").join('\n').toStdString();
    shoot(wizard.get(), "audio-cd-summary");
    bool shot = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
      if (!shot && wizard->LabelSubTitle->text().contains(" 3 ")) {
        shoot(wizard.get(), "audio-cd-burning");
        shot = true;
      }
    });
    watch.start(10);
    next();
    watch.stop();
    closeWizard();
  }
}
