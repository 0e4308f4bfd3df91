// The burn mode and burn options pages on virtual recorders, with the burner
// filled as the wizard fills it: which modes and speeds they offer, what they
// preselect, what they report, and how they refuse to go on without a choice.
#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>
#include <QApplication>
#include <QLabel>
#include <QtTest/QTest>

#include "engine/actions_support.h"
#include "sbErrors.h"
#include "sbStrings.h"
#include "ufrmBurnMode.h"
#include "ufrmBurnOptions.h"

using namespace actest;

namespace {

// Texts as std::string, so that a failing comparison prints them readably.
using Texts = std::vector<std::string>;

Texts Items(const QComboBox* box) {
  Texts out;
  for (int i = 0; i < box->count(); ++i) out.push_back(box->itemText(i).toStdString());
  return out;
}

std::string ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const TsbError& e) {
    return e.Message().toStdString();
  }
  return "(nothing raised)";
}

// A click on the box itself: the middle of a wide check box is empty space, which does not toggle it.
void Click(QAbstractButton* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2)); }

// The widgets Tab visits from first, until it comes back round.
std::vector<QWidget*> TabChain(QWidget* window, QWidget* first) {
  window->show();
  window->activateWindow();
  EXPECT_TRUE(QTest::qWaitForWindowActive(window));
  first->setFocus(Qt::TabFocusReason);
  std::vector<QWidget*> chain{QApplication::focusWidget()};
  for (int i = 0; i < 10; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    if (QApplication::focusWidget() == chain.front()) break;
    chain.push_back(QApplication::focusWidget());
  }
  return chain;
}

class BurnPagesTest : public ActionsTest {
 protected:
  // Opens the burner on a started recorder, with its write modes, test-write
  // ability and disc type copied in as the wizard does when the device page is left.
  TsbBurner& openAsWizard(const std::string& name = "CdRom0") {
    TsbBurner& b = openBurner(name);
    testcommon::Triple t;
    uint8_t modes[DW_WRITE_MODE_COUNT] = {};
    uint8_t formats[DW_FMT_COUNT] = {};
    EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_ProbeSupportedWriteModes(b.Grabber, DW_ARGS(t), modes)));
    EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetSupportedMediaFormats(b.Grabber, DW_ARGS(t), formats)));
    EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetInsertedDiscType(b.Grabber, DW_ARGS(t), &b.DiscType)));
    b.WriteModes = {modes[DW_WRITE_TAO] != 0, modes[DW_WRITE_SAO] != 0, modes[DW_WRITE_DAO_PQ] != 0,
                    modes[DW_WRITE_DAO_RAW] != 0, formats[DW_FMT_TEST_WRITE] != 0};
    char vendor[DISCWRIGHT_TEXT_SIZE] = {}, product[DISCWRIGHT_TEXT_SIZE] = {}, revision[DISCWRIGHT_TEXT_SIZE] = {};
    uint32_t bufferSize = 0;
    EXPECT_TRUE(t.check(Discwright_CdvdBurnerGrabber_GetDeviceInformation(b.Grabber, DW_ARGS(t), vendor, product,
                                                                          revision, &bufferSize)));
    b.DeviceInfo.Product = QString::fromUtf8(product);
    return b;
  }

  static json withModes(json recorder, std::vector<std::string> writeModes) {
    recorder["write_modes"] = writeModes;
    return recorder;
  }
  static json dvdWithModes(int index, std::vector<std::string> writeModes) {
    return withModes(testcommon::dvdRecorder(index), writeModes);
  }
};

const std::string kRaw = "Disc-At-Once raw P-W";
const std::string kPQ = "Disc-At-Once PQ";
const std::string kSAO = "Session-At-Once";
const std::string kTAO = "Track-At-Once";
const std::vector<std::string> kAllModes{"tao", "sao", "dao_pq", "dao_raw"};

// ---- Burn mode page ----------------------------------------------------------

TEST_F(BurnPagesTest, ModePageListsWhatDeviceAndDiscAllow) {
  start({cdRecorder(0), dvdWithModes(1, kAllModes), withModes(cdRecorder(2), {"sao", "dao_pq"})});
  struct Case {
    const char* device;  // CD-R with all modes, DVD+R with all modes, CD-R with PQ and SAO
    bool discAtOnceAllowed;
    Texts expected;
  };
  const Case cases[] = {
      {"CdRom0", true, {kRaw, kPQ, kSAO, kTAO}},
      {"CdRom1", true, {kTAO}},
      {"CdRom0", false, {kTAO}},
      {"CdRom2", true, {kPQ, kSAO}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.device);
    TsbBurner& b = openAsWizard(c.device);
    TfrmBurnMode page;
    page.AllowSessionAtOnce = page.AllowDiscAtOncePQ = page.AllowDiscAtOnceRaw = c.discAtOnceAllowed;
    page.Activate(&b);
    EXPECT_EQ(Items(page.cmbModes), c.expected);
    // A new burner's mode is 0, Track-At-Once, so that is chosen whenever it is listed.
    EXPECT_EQ(page.cmbModes->currentText().toStdString(), c.expected.back() == kTAO ? kTAO : c.expected.front());
  }
}

TEST_F(BurnPagesTest, ModePagePreselectsBurnersModeOrFirst) {
  const TsbWriteModes all{true, true, true, true, false};
  const TsbWriteModes taoAndPq{true, false, true, false, false};
  struct Case {
    TsbWriteModes modes;
    TsbBurnMode stored;
    std::string expected;
  };
  const Case cases[] = {
      {all, bmSaoFromFile, kSAO},    {all, bmSaoFromTree, kSAO},    {all, bmDaoPqFromFile, kPQ},
      {all, bmDaoPqFromTree, kPQ},   {all, bmDaoRawFromFile, kRaw}, {all, bmDaoRawFromTree, kRaw},
      {all, bmTaoFromFile, kTAO},    {taoAndPq, bmSaoFromFile, kPQ},
  };
  start({cdRecorder()});
  TsbBurner& b = openAsWizard();
  TfrmBurnMode page;
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.stored));
    b.WriteModes = c.modes;
    b.BurnSettings.Mode = c.stored;
    page.Activate(&b);
    EXPECT_EQ(page.cmbModes->currentText().toStdString(), c.expected);
  }
}

TEST_F(BurnPagesTest, ModePageReportsCodeOfChosenEntryAndTestFlag) {
  struct Case {
    std::string text;
    TsbBurnMode fromFile, fromTree;
  };
  const Case cases[] = {{kRaw, bmDaoRawFromFile, bmDaoRawFromTree},
                        {kPQ, bmDaoPqFromFile, bmDaoPqFromTree},
                        {kSAO, bmSaoFromFile, bmSaoFromTree},
                        {kTAO, bmTaoFromFile, bmTaoFromTree}};
  start({cdRecorder()});
  TsbBurner& b = openAsWizard();
  TfrmBurnMode page;
  page.Activate(&b);
  ASSERT_TRUE(page.chbTestMode->isEnabled());
  page.show();
  Click(page.chbTestMode);
  // The user walks up the list with the keyboard, from Track-At-Once to raw P-W.
  page.cmbModes->setFocus();
  for (int i = 3; i >= 0; --i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.text);
    ASSERT_EQ(page.cmbModes->currentText().toStdString(), c.text);
    page.ImageModeCodes = true;
    EXPECT_EQ(page.GetBurnMode().Mode, c.fromFile);
    page.ImageModeCodes = false;
    EXPECT_EQ(page.GetBurnMode().Mode, c.fromTree);
    EXPECT_TRUE(page.GetBurnMode().TestWrite);
    QTest::keyClick(page.cmbModes, Qt::Key_Up);
  }
  Click(page.chbTestMode);
  EXPECT_FALSE(page.GetBurnMode().TestWrite);
}

TEST_F(BurnPagesTest, ModePageTestBoxFollowsDeviceButKeepsStoredAnswer) {
  json noSimulation = cdRecorder(1);
  noSimulation["media_formats"] = {"read_cdr", "read_cdrw", "write", "write_cdrw"};
  start({cdRecorder(0), noSimulation});
  struct Case {
    const char* device;
    bool stored;
    bool enabled;
  };
  const Case cases[] = {{"CdRom0", true, true}, {"CdRom1", true, false}, {"CdRom1", false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.device) + (c.stored ? " stored on" : " stored off"));
    TsbBurner& b = openAsWizard(c.device);
    b.BurnSettings.TestWrite = c.stored;
    TfrmBurnMode page;
    page.show();
    page.Activate(&b);
    EXPECT_EQ(page.chbTestMode->isEnabled(), c.enabled);
    Click(page.chbTestMode);  // a disabled box ignores the click
    const bool expected = c.enabled ? !c.stored : c.stored;
    EXPECT_EQ(page.chbTestMode->isChecked(), expected);
    EXPECT_EQ(page.GetBurnMode().TestWrite, expected);
  }
}

TEST_F(BurnPagesTest, ModePageWithNoModeRefusesToReportOne) {
  start({dvdWithModes(0, {"sao"})});
  TsbBurner& b = openAsWizard();
  TfrmBurnMode page;
  page.ImageModeCodes = true;
  page.Activate(&b);
  EXPECT_EQ(page.cmbModes->count(), 0);
  EXPECT_EQ(ErrorOf([&] { page.GetBurnMode(); }),
            "This device (Test DVD Recorder) offers no burning mode for the inserted disc (DVD+R)");
}

TEST_F(BurnPagesTest, ModePageLayoutAndKeyboard) {
  start({cdRecorder()});
  TsbBurner& b = openAsWizard();
  TfrmBurnMode page;
  page.resize(560, 430);
  page.Activate(&b);
  EXPECT_EQ(page.laCDTEXTNote->text(),
            QStringLiteral("Note: CD-Text infromation will be  burned only if Disc-At-Once raw P-W method is used."));
  EXPECT_FALSE(page.laCDTEXTNote->isVisibleTo(&page));
  EXPECT_EQ(page.Label2->text(), ResStr(sTestModeExplanation));
  EXPECT_EQ(page.Label1->buddy(), page.cmbModes);
  EXPECT_FALSE(page.cmbModes->isEditable());
  EXPECT_EQ(TabChain(&page, page.cmbModes), (std::vector<QWidget*>{page.cmbModes, page.chbTestMode}));
  // Top to bottom: heading, mode row, explanation, test box.
  EXPECT_LT(page.B->geometry().bottom(), page.Label1->geometry().top());
  EXPECT_LT(page.cmbModes->geometry().bottom(), page.Label2->geometry().top());
  EXPECT_LT(page.Label2->geometry().bottom(), page.chbTestMode->geometry().top());
  page.ArrangeLayout(true);
  QApplication::processEvents();
  EXPECT_LT(page.laCDTEXTNote->geometry().bottom(), page.Label1->geometry().top());
}

// ---- Burn options page -------------------------------------------------------

// The speeds cdRecorder() sets for the CD table's requests.
const Texts kCdSpeeds{"4.0x (706 KB/sec)", "8.0x (1411 KB/sec)", "16.0x (2822 KB/sec)", "32.0x (5645 KB/sec)",
                      "48.0x (8467 KB/sec)"};

TEST_F(BurnPagesTest, OptionsPageOffersDeviceSpeedsFastestFirstOrStoredOne) {
  struct Case {
    int32_t storedFactor;
    std::string expected;
  };
  const Case cases[] = {{0, kCdSpeeds.back()}, {8, kCdSpeeds[1]}, {4, kCdSpeeds[0]}, {12, kCdSpeeds.back()}};
  start({cdRecorder()});
  TsbBurner& b = openAsWizard();
  TfrmBurnOptions page;
  EXPECT_EQ(Items(page.cmbSpeed), Texts{"Fastest"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.storedFactor);
    b.BurnSettings.SpeedFactor = c.storedFactor;
    page.Activate(&b);
    EXPECT_EQ(Items(page.cmbSpeed), kCdSpeeds);
    EXPECT_EQ(page.cmbSpeed->currentText().toStdString(), c.expected);
    EXPECT_EQ(page.GetSelectedSpeed().StrSpeed.toStdString(), c.expected);
  }
  page.cmbSpeed->setCurrentIndex(2);
  EXPECT_EQ(page.GetSelectedSpeed().SpeedInPoint, 16);
  EXPECT_EQ(page.GetSelectedSpeed().SpeedInSize, 2822);
}

TEST_F(BurnPagesTest, OptionsPageMultisessionAndOpcFollowModeAndTestWrite) {
  struct Case {
    TsbBurnMode mode;
    bool testWrite, sendOPC;
    bool multiSession, opcChecked, opcEnabled;
  };
  const Case cases[] = {
      {bmDaoPqFromFile, false, true, false, true, true},   {bmDaoRawFromFile, false, false, false, false, true},
      {bmDaoPqFromTree, true, true, false, false, false},  {bmDaoRawFromTree, false, true, false, true, true},
      {bmTaoFromFile, true, true, true, false, false},     {bmSaoFromFile, false, true, true, true, true},
      {bmSaoFromTree, true, false, true, false, false},    {bmTaoFromTree, false, false, true, false, true},
  };
  start({cdRecorder()});
  TsbBurner& b = openAsWizard();
  TfrmBurnOptions page;
  page.show();
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.mode));
    b.BurnSettings.Mode = c.mode;
    b.BurnSettings.TestWrite = c.testWrite;
    b.BurnSettings.SendOPC = c.sendOPC;
    page.Activate(&b);
    EXPECT_EQ(page.GetMultiSession(), c.multiSession);
    EXPECT_EQ(page.chbMultiSession->isEnabled(), c.multiSession);
    EXPECT_FALSE(page.chbMultiSession->isVisible());
    EXPECT_FALSE(page.lblMultisession->isVisible());
    EXPECT_EQ(page.chbSOPC->isChecked(), c.opcChecked);
    EXPECT_EQ(page.chbSOPC->isEnabled(), c.opcEnabled);
    EXPECT_EQ(page.GetSendOPC(), c.opcChecked);
  }
  Click(page.chbSOPC);  // enabled after the last case
  EXPECT_TRUE(page.GetSendOPC());
}

TEST_F(BurnPagesTest, OptionsPageWithoutSpeedsShowsEmptyBoxAndRefusesToLeave) {
  struct NoSpeeds : TsbDiscSpeedList {
    void ReadSpeeds(TsbBurner&) override { Clear(); }
  };
  start({cdRecorder()});
  TsbBurner& b = openAsWizard();
  TfrmBurnOptions page;
  page.SpeedList = std::make_unique<NoSpeeds>();
  page.Activate(&b);
  EXPECT_EQ(page.cmbSpeed->count(), 0);
  EXPECT_EQ(page.cmbSpeed->currentIndex(), -1);
  EXPECT_EQ(ErrorOf([&] { page.GetSelectedSpeed(); }), "List index out of bounds (-1)");
}

TEST_F(BurnPagesTest, OptionsPageFailedSpeedReadLeavesPageAsItWas) {
  json faulty = cdRecorder(1);
  faulty["faults"] = {{"operations", {{"SetSpeeds", {{"exception", 4}, {"text", "Speed cannot be set"}}}}}};
  start({cdRecorder(), faulty});
  TsbBurner& good = openAsWizard();
  TfrmBurnOptions page;
  good.BurnSettings.SendOPC = true;
  page.Activate(&good);
  page.cmbSpeed->setCurrentIndex(1);

  TsbBurner bad;
  bad.Transport = ttSpti;
  bad.DeviceName = QStringLiteral("CdRom1");
  bad.Open();
  bad.BurnSettings.Mode = bmDaoPqFromFile;
  bad.BurnSettings.TestWrite = true;
  const std::string error = ErrorOf([&] { page.Activate(&bad); });
  EXPECT_NE(error.find("Speed cannot be set"), std::string::npos) << error;
  EXPECT_EQ(Items(page.cmbSpeed), kCdSpeeds);
  EXPECT_EQ(page.GetSelectedSpeed().StrSpeed.toStdString(), kCdSpeeds[1]);
  EXPECT_TRUE(page.GetMultiSession());
  EXPECT_TRUE(page.chbSOPC->isEnabled());
  EXPECT_TRUE(page.GetSendOPC());
}

TEST_F(BurnPagesTest, OptionsPageVerifyBoxAndKeyboard) {
  start({cdRecorder()});
  TsbBurner& b = openAsWizard();
  TfrmBurnOptions page;
  page.resize(560, 430);
  page.Activate(&b);
  EXPECT_EQ(page.Label4->buddy(), page.cmbSpeed);
  EXPECT_FALSE(page.cmbSpeed->isEditable());
  EXPECT_EQ(TabChain(&page, page.chbSOPC),
            (std::vector<QWidget*>{page.chbSOPC, page.cmbSpeed, page.chbVerify, page.chbEject, page.spnCopies}));
  EXPECT_TRUE(page.GetEject()) << "the disc comes out unless the user keeps it in";
  EXPECT_EQ(page.lblCopies->buddy(), page.spnCopies);
  EXPECT_EQ(page.GetCopies(), 1);
  EXPECT_LT(page.cmbSpeed->geometry().bottom(), page.chbVerify->geometry().top());

  EXPECT_FALSE(page.GetVerify());
  Click(page.chbVerify);
  EXPECT_TRUE(page.GetVerify());
  page.Activate(&b);  // the wizard comes back to the page
  EXPECT_TRUE(page.GetVerify());
  QTest::keyClick(&page, Qt::Key_V, Qt::AltModifier);  // the mnemonic clicks the box after a short press
  EXPECT_TRUE(QTest::qWaitFor([&] { return !page.GetVerify(); }, 2000));
}

}  // namespace
