// The device page driven as the wizard and a user drive it: the list of
// virtual recorders with their discs, the writer filter, the choice kept across
// Refresh, the queries without a choice, and the busy state of a scan.
#include <fstream>

#include <QApplication>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest/QTest>

#include "engine/actions_support.h"
#include "sbErrors.h"
#include "ufrmOperationProgress.h"
#include "ufrmSelectDevice.h"

using namespace actest;

namespace {

json recorder(int index, json medium, bool writer = true) {
  json r = cdRecorder(index);
  r["product"] = "Recorder " + std::to_string(index);
  r["medium"] = std::move(medium);
  if (!writer) r["media_formats"] = {"read_cdr", "read_cdrw"};
  return r;
}

// An empty drive, a written CD-R, a reader with a blank disc and a writer with one.
std::vector<json> fourDrives() {
  return {recorder(0, nullptr),
          recorder(1, {{"type", "CD-R"}, {"state", "complete"}, {"used_bytes", 13107200}, {"label", "HOLIDAY_2025"}}),
          recorder(2, {{"type", "CD-R"}, {"state", "blank"}}, false),
          recorder(3, {{"type", "CD-R"}, {"state", "blank"}})};
}

class SelectDeviceTest : public ActionsTest {
 protected:
  void SetUp() override {
    ActionsTest::SetUp();
    page.ScanInfoText = "Looking for drives.";
    scanner.Transport = ttSpti;
    page.resize(560, 430);
    page.show();
  }

  void restart(const std::vector<json>& recorders) {
    Discwright_DownShut();
    start(recorders);
  }

  std::vector<QStringList> rows() const {
    std::vector<QStringList> out;
    for (int i = 0; i < page.lvDevices->topLevelItemCount(); ++i) {
      QStringList texts;
      for (int c = 0; c < page.lvDevices->columnCount(); ++c) texts << page.lvDevices->topLevelItem(i)->text(c);
      out.push_back(texts);
    }
    return out;
  }
  // The product of the one selected row, empty for none.
  QString selectedProduct() const {
    const auto selected = page.lvDevices->selectedItems();
    if (selected.size() > 1) ADD_FAILURE() << "more than one row selected";
    return selected.isEmpty() ? QString() : selected[0]->text(0);
  }
  QStringList summary() {
    QStringList out;
    const TsbLog* log = page.GetSummaryLog();
    for (int i = 0; i < log->Count(); ++i) out << log->Items(i).LogMessage;
    return out;
  }

  TsbBurner scanner;  // the wizard's burner: only its transport matters here
  TfrmSelectDevice page;
};

TEST_F(SelectDeviceTest, ListsTheDrivesWithTheirDiscsAndSelectsTheFirst) {
  start(fourDrives());
  const QStringList captions = {"Product", "Vendor", "Revision", "Media ", "Size, MB", "Label"};
  for (int c = 0; c < captions.size(); ++c) EXPECT_EQ(page.lvDevices->headerItem()->text(c), captions[c]);

  const QStringList empty = {"Recorder 0", "KORVANEL", "1.00", "Empty", "", ""};
  const QStringList written = {"Recorder 1", "KORVANEL", "1.00", "CD-R", "12.50 MB", "HOLIDAY_2025"};
  const QStringList reader = {"Recorder 2", "KORVANEL", "1.00", "CD-R", "Blank", ""};
  const QStringList blank = {"Recorder 3", "KORVANEL", "1.00", "CD-R", "Blank", ""};
  const struct {
    bool showAll;
    std::vector<QStringList> rows;
  } cases[] = {{true, {empty, written, reader, blank}}, {false, {empty, written, blank}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.showAll ? "all devices" : "writers only");
    page.ShowAllDevices = c.showAll;
    page.Activate(&scanner);
    EXPECT_EQ(rows(), c.rows);
    // No text is cut short at the page's usual size (where Qt has fonts to measure with).
    if (!QFontDatabase::families().isEmpty()) {
      for (const QStringList& row : rows())
        for (int column = 0; column < row.size(); ++column)
          EXPECT_LT(page.lvDevices->fontMetrics().horizontalAdvance(row[column]), page.lvDevices->columnWidth(column))
              << row[column].toStdString();
    }
    EXPECT_EQ(selectedProduct(), "Recorder 0");
    EXPECT_EQ(page.SelectedEntry, page.lvDevices->topLevelItem(0));
    EXPECT_EQ(summary(), QStringList{"Destination device: Recorder 0"});
  }
  // The empty drive's disc space is never asked for (it would fail and be logged).
  const QString log = diagnosticLog().join("\n");
  EXPECT_FALSE(log.contains("GetDiscFreeSpace() failed")) << log.toStdString();

  // Arrow keys move the choice, and the queries follow it.
  page.lvDevices->setFocus();
  QTest::keyClick(page.lvDevices, Qt::Key_Down);
  EXPECT_EQ(selectedProduct(), "Recorder 1");
  EXPECT_EQ(page.SelectedEntry, page.lvDevices->topLevelItem(1));
  EXPECT_EQ(page.GetDiscType(), DISC_TYPE_CDR);
  TsbDiscSpace space;
  page.GetDiscSpace(space);
  EXPECT_EQ(space.UsedBytes, 13107200);
  EXPECT_NE(space.FreeBytes, space.CapacityBytes);
  QString path;
  page.GetDevicePath(path);
  EXPECT_EQ(path, "CdRom1");
  TsbDeviceInfo info;
  page.GetDeviceInfo(info);
  EXPECT_EQ(info.Product, "Recorder 1");
  EXPECT_TRUE(info.FormatFlags[kFormatFlagWrite]);
  EXPECT_EQ(summary(), QStringList{"Destination device: Recorder 1"});

  // Ctrl+click takes the choice back: the device stops answering.
  QTest::mouseClick(page.lvDevices->viewport(), Qt::LeftButton, Qt::ControlModifier,
                    page.lvDevices->visualItemRect(page.lvDevices->topLevelItem(1)).center());
  EXPECT_EQ(selectedProduct(), "");
  EXPECT_EQ(page.GetDiscType(), 0);
  EXPECT_EQ(summary(), QStringList{});
}

TEST_F(SelectDeviceTest, RefreshKeepsTheChosenDeviceByNameOrAddressAndDropsAGoneOne) {
  const std::vector<json> three = {recorder(0, nullptr), recorder(1, nullptr), recorder(2, nullptr)};
  // The chosen drive again, known by its name only or by its address only.
  json moved = three[2], renamed = three[2];
  moved["address"] = "1:0:9:0";
  renamed["name"] = "CdRom7";
  const struct {
    const char* name;
    TsbTransportType transport;
    std::vector<json> after;  // the drives of the second scan
    QString selected;
  } cases[] = {
      // The chosen drive also moves up a row: the one before it is gone.
      {"by name", ttSpti, {three[1], moved}, "Recorder 2"},
      {"by address", ttAspi, {three[1], renamed}, "Recorder 2"},
      {"gone, by name", ttSpti, {three[0], three[1]}, ""},
      {"gone, by address", ttAspi, {three[0], three[1]}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    restart(three);
    scanner.Transport = c.transport;
    page.Activate(&scanner);
    ASSERT_EQ(page.lvDevices->topLevelItemCount(), 3);
    QTreeWidgetItem* third = page.lvDevices->topLevelItem(2);
    QTest::mouseClick(page.lvDevices->viewport(), Qt::LeftButton, {},
                      page.lvDevices->visualItemRect(third).center());
    ASSERT_EQ(selectedProduct(), "Recorder 2");

    restart(c.after);
    QTest::mouseClick(page.btnRefresh, Qt::LeftButton);
    EXPECT_EQ(page.lvDevices->topLevelItemCount(), 2);
    EXPECT_EQ(selectedProduct(), c.selected);
    if (!c.selected.isEmpty()) continue;

    // Without a choice every query gives its default, keeping what the caller
    // asked to keep.
    DiscwrightDiscInformation disc;
    disc.Valid = 1;
    page.GetDiscInformation(disc);
    EXPECT_EQ(disc.Valid, 0);
    DiscwrightTocInformation toc;
    toc.Valid = 1;
    page.GetTOCInformation(toc);
    EXPECT_EQ(toc.Valid, 0);
    DiscwrightTrackInformation track;
    track.Valid = 1;
    page.GetTrackInformation(track);
    EXPECT_EQ(track.Valid, 0);
    EXPECT_EQ(page.GetDiscType(), 0);
    TsbDiscSpace space{1, 2, 3, 4};
    page.GetDiscSpace(space);
    EXPECT_EQ(space.FreeBytes + space.CapacityBytes + space.UsedBytes + space.FreeCount, 0);
    TsbReadModes read;
    read.Modes.fill(true);
    page.GetReadModes(read);
    EXPECT_EQ(read.Modes, TsbReadModes{}.Modes);
    TsbWriteModes write{false, false, false, false, true};
    page.GetWriteModes(write);
    EXPECT_TRUE(write.CanTAO && write.CanSAO && write.CanDaoPQ && write.CanDaoRaw && write.CanTestWrite);
    TsbDeviceInfo info{"v", "p", "r", 7, {}};
    info.FormatFlags[kFormatFlagWrite] = true;
    page.GetDeviceInfo(info);
    EXPECT_TRUE(info.Vendor.isEmpty() && info.Product.isEmpty() && info.ProductRevisionLevel.isEmpty());
    EXPECT_EQ(info.BufferSize, 0);
    EXPECT_TRUE(info.FormatFlags[kFormatFlagWrite]);
    TsbDVDRPC rpc{true, "1", "2", "3", "4", "5"};
    page.GetDVDRPC(rpc);
    EXPECT_FALSE(rpc.Valid);
    EXPECT_TRUE(rpc.Value1.isEmpty() && rpc.Value5.isEmpty());
    DiscwrightDeviceAddress address{1, 1, 0, 2, 0};
    page.GetSelectedAddress(address);
    EXPECT_EQ(address.Valid, 0);
    QString path = "kept";
    page.GetDevicePath(path);
    EXPECT_EQ(path, "kept");
    EXPECT_EQ(summary(), QStringList{});

    // With nothing chosen, the next scan chooses nothing either.
    QTest::mouseClick(page.btnRefresh, Qt::LeftButton);
    EXPECT_EQ(selectedProduct(), "");
  }
}

TEST_F(SelectDeviceTest, RefreshIsDisabledDuringTheScanAndComesBackAlsoWhenItFails) {
  start({recorder(0, nullptr)});
  page.Activate(&scanner);
  const struct {
    const char* name;
    bool scanFails;
  } cases[] = {{"scan", false}, {"failing scan", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QStringList events;
    page.OnBusyBegin = [&](TsbDockForm* sender) {
      EXPECT_EQ(sender, &page);
      events << QString("begin, Refresh %1").arg(page.btnRefresh->isEnabled() ? "enabled" : "disabled");
    };
    page.OnBusyEnd = [&](TsbDockForm*) {
      events << QString("end, Refresh %1").arg(page.btnRefresh->isEnabled() ? "enabled" : "disabled");
    };
    if (c.scanFails)
      page.Finder.ProgressViewFactory = []() -> std::unique_ptr<TsbProgressView> {
        throw TsbError("The progress window could not be made: out of window handles");
      };
    // What the user sees while the scan runs.
    QString caption;
    bool refreshEnabled = true;
    QTimer user;
    user.setInterval(0);
    QObject::connect(&user, &QTimer::timeout, [&] {
      for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* form = qobject_cast<TfrmOperationProgress*>(top); form && form->isVisible()) {
          caption = form->windowTitle();
          refreshEnabled = page.btnRefresh->isEnabled();
          user.stop();
        }
    });
    user.start();
    QTest::mouseClick(page.btnRefresh, Qt::LeftButton);

    EXPECT_EQ(events, QStringList({"begin, Refresh disabled", "end, Refresh enabled"}));
    EXPECT_TRUE(page.btnRefresh->isEnabled());
    EXPECT_EQ(page.BusyCount, 0);
    if (c.scanFails) {
      EXPECT_EQ(dialogs->texts("application error"),
                QStringList{"The progress window could not be made: out of window handles."});
      EXPECT_EQ(page.lvDevices->topLevelItemCount(), 0);
    } else {
      EXPECT_EQ(caption, "Scanning devices");
      EXPECT_FALSE(refreshEnabled);
      EXPECT_EQ(page.lvDevices->topLevelItemCount(), 1);
    }
  }
}

TEST_F(SelectDeviceTest, KeyboardReachesTheListAndRefresh) {
  start(fourDrives());
  page.Activate(&scanner);
  page.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
  EXPECT_EQ(page.Label1->buddy(), page.lvDevices);
  EXPECT_EQ(page.lvDevices->accessibleName(), "Select CD or DVD burning device from the list");
  page.lvDevices->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), page.btnRefresh);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), page.lvDevices);
}

}  // namespace

TEST_F(SelectDeviceTest, EraseDiscIsOfferedForAUsedRewritableDiscAndErasesItQuickOrFull) {
  // 20 MB at the recorder's slowest 706 KB/s, a fiftieth of real time: a full erase runs long enough to watch.
  const json used = {{"type", "CD-RW"}, {"state", "complete"}, {"used_bytes", 13107200}, {"capacity_bytes", 20971520}};
  const std::vector<json> drives = {recorder(0, used), recorder(1, {{"type", "CD-RW"}, {"state", "blank"}}),
                                    recorder(2, {{"type", "CD-R"}, {"state", "complete"}}), recorder(3, nullptr)};
  start(drives, 0.02);
  page.Activate(&scanner);
  // Shown only while the chosen disc is rewritable and holds something; the note then points at it.
  for (int row : {1, 2, 3, 0}) {
    page.lvDevices->setCurrentItem(page.lvDevices->topLevelItem(row));
    EXPECT_EQ(page.btnErase->isVisible(), row == 0) << "row " << row;
    EXPECT_EQ(page.lblUnusable->isVisible(), row == 0) << "row " << row;
  }
  EXPECT_EQ(page.btnErase->text(), "Erase disc...");
  EXPECT_EQ(page.lblUnusable->text(), "Disc is not blank, burning is impossible! Press \"Erase disc...\" to erase it.");

  // The last percentage the progress window showed while the erase ran.
  QString shownPercent;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    for (QWidget* top : QApplication::topLevelWidgets())
      if (auto* form = qobject_cast<TfrmOperationProgress*>(top); form && form->pbProgress->isVisible())
        shownPercent = QString("%1, %2").arg(form->pbProgress->value()).arg(form->lblPercent->text());
  });
  watch.start(5);

  const struct {
    QString answer;
    QString call;  // the erase as the library was asked for it; none when cancelled
  } cases[] = {{"", ""},
               {"Quick erase", "Discwright_CdvdBurnerGrabber_Erase (full: 0)"},
               {"Full erase", "Discwright_CdvdBurnerGrabber_Erase (full: 1)"}};
  QStringList calls;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer.isEmpty() ? "cancel" : c.answer.toStdString());
    // Each case on the used disc again.
    Discwright_DownShut();
    fs::remove(dir_ / "state" / "CdRom0.medium.json");
    fs::remove(dir_ / "state" / "CdRom0.medium");
    start(drives, 0.02);
    QTest::mouseClick(page.btnRefresh, Qt::LeftButton);
    ASSERT_EQ(selectedProduct(), "Recorder 0");
    shownPercent.clear();

    dialogs->script(c.answer);
    QTest::mouseClick(page.btnErase, Qt::LeftButton);
    EXPECT_TRUE(dialogs->texts("choice").last().startsWith("Erase the disc in Recorder 0 (CdRom0)? Everything"));
    EXPECT_TRUE(dialogs->texts("error").isEmpty()) << dialogs->texts("error").join("\n").toStdString();
    if (!c.call.isEmpty()) calls << c.call;
    EXPECT_EQ(diagnosticLog().filter("CdvdBurnerGrabber_Erase"), calls);
    const bool erased = !c.call.isEmpty();
    EXPECT_EQ(rows()[0][4], erased ? "Blank" : "12.50 MB");
    EXPECT_EQ(page.lblErased->isVisible(), erased);
    EXPECT_EQ(page.lblErased->text(), erased ? "The disc in Recorder 0 (CdRom0) is erased." : "");
    EXPECT_EQ(page.btnErase->isVisible(), !erased);
    // The full erase lasts long enough to be seen under way (the quick one may end before a look).
    if (c.call.endsWith("1)")) {
      EXPECT_TRUE(QRegularExpression("^([1-9][0-9]?|100), \\1 %$").match(shownPercent).hasMatch())
          << shownPercent.toStdString();
    }
  }
}

// A drive that cannot be opened stays in the list greyed; choosing it still shows why.
TEST_F(SelectDeviceTest, AnUnusableDriveIsGreyedAndItsReasonShownWhenChosen) {
  json locked = recorder(1, nullptr);
  locked["faults"]["operations"]["CreateEx"] = {{"exception", DW_E_BUSY}, {"text", "held by another program"}};
  start({recorder(0, nullptr), locked});
  page.Activate(&scanner);
  ASSERT_EQ(page.lvDevices->topLevelItemCount(), 2);
  const QColor grey = page.palette().color(QPalette::Disabled, QPalette::Text);
  EXPECT_NE(page.lvDevices->topLevelItem(0)->foreground(0).color(), grey);
  for (int column = 0; column < page.lvDevices->columnCount(); ++column)
    EXPECT_EQ(page.lvDevices->topLevelItem(1)->foreground(column).color(), grey) << "column " << column;
  QTest::mouseClick(page.lvDevices->viewport(), Qt::LeftButton, {},
                    page.lvDevices->visualItemRect(page.lvDevices->topLevelItem(1)).center());
  EXPECT_EQ(page.lvDevices->selectedItems(), QList{page.lvDevices->topLevelItem(1)});
  EXPECT_TRUE(page.lblUnusable->isVisible());
  EXPECT_TRUE(page.lblUnusable->text().startsWith("Busy: held by another program"));
  EXPECT_EQ(page.lblUnusable->text(), page.lvDevices->topLevelItem(1)->toolTip(0));
}

// A drive whose stored disc cannot be read is not shown as empty: the row says
// so with the reason, and the page answers with that reason.
TEST_F(SelectDeviceTest, ADamagedDiscIsShownAsUnreadableWithItsReason) {
  start({recorder(0, {{"type", "CD-R"}, {"state", "blank"}})});
  Discwright_DownShut();
  std::ofstream(dir_ / "state" / "CdRom0.medium.json") << "{ not json";
  restart({recorder(0, {{"type", "CD-R"}, {"state", "blank"}})});
  page.Activate(&scanner);
  ASSERT_EQ(rows().size(), 1u);
  EXPECT_EQ(rows()[0][3], "Unreadable disc");
  const QString reason = page.lvDevices->topLevelItem(0)->toolTip(3);
  EXPECT_TRUE(reason.startsWith("The stored medium of CdRom0 is damaged")) << reason.toStdString();
  EXPECT_TRUE(reason.contains("to start with a new medium")) << reason.toStdString();
  EXPECT_EQ(page.GetDiscProblem(), reason);
}
