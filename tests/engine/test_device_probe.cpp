// Probing single devices on virtual recorders: what a record holds afterwards,
// what is logged, and how open failures and cancels end a probe.
#include <gtest/gtest.h>

#include <QFile>

#include <cstring>
#include <fstream>
#include <utility>
#include <vector>

#include "engine/engine_support.h"
#include "sbBurnModes.h"
#include "sbDeviceProbe.h"
#include "sbDeviceTypes.h"
#include "sbLogging.h"

using namespace enginetest;

namespace {

template <typename Record>
bool AllZero(const Record& record) {
  static const Record zero{};
  return std::memcmp(&record, &zero, sizeof record) == 0;
}

void ProbeByName(TsbDeviceList& list, const char* name) {
  list.TransportType = ttSpti;
  ProbeDevice(list, nullptr, const_cast<char*>(name));
}

void ProbeByAddress(TsbDeviceList& list, DiscwrightDeviceAddress address) {
  list.TransportType = ttAspi;
  ProbeDevice(list, &address, nullptr);
}

class DeviceProbeTest : public EngineTest {};

}  // namespace

TEST(DiscTypes, NamesAndClasses) {
  struct Row {
    uint8_t kind;
    const char* name;
    bool recordable, dvd, bd;
  };
  // An empty drive and the unknown kind count as recordable.
  const Row rows[] = {
      {DISC_TYPE_UNKNOWN, "Unknown", true, false, false},
      {DISC_TYPE_CDROM, "CD-ROM", false, false, false},
      {DISC_TYPE_DVDROM, "DVD-ROM", false, true, false},
      {DISC_TYPE_DVDRWRO, "DVD-RW RO (Restricted Overwrite)", true, true, false},
      {DISC_TYPE_DDCDROM, "DD (Double Density) CD-ROM", false, false, false},
      {DISC_TYPE_NO_MEDIA, "Empty", true, false, false},
      {DISC_TYPE_DVDPLUSR_DL, "DVD+R DL", true, true, false},
      {DISC_TYPE_DVDR_DL, "DVD-R DL", true, true, false},
      {DISC_TYPE_BDR, "BD-R", true, false, true},
      {DISC_TYPE_BDRE, "BD-RE", true, false, true},
      {DISC_TYPE_HDDVDROM, "HD DVD-ROM", false, false, false},
      {DISC_TYPE_HDDVDR, "HD DVD-R", true, false, false},
      {DISC_TYPE_HDDVDRW, "HD DVD-RW", true, false, false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(DiscTypeName(row.kind), row.name) << int(row.kind);
    EXPECT_EQ(IsRecordableDiscType(row.kind), row.recordable) << int(row.kind);
    EXPECT_EQ(IsDVDDiscType(row.kind), row.dvd) << int(row.kind);
    EXPECT_EQ(IsBDDiscType(row.kind), row.bd) << int(row.kind);
  }
  EXPECT_TRUE(DiscTypeName(DISC_TYPE_HDDVDRW + 1).isEmpty());
}

TEST(DiscTypes, SessionMethodsAreOfferedOnCdsOnly) {
  using M = TsbBurnModeKind;
  const TsbWriteModes all;  // the device claims every mode
  const std::vector<M> cd{M::DaoRaw, M::DaoPQ, M::SessionAtOnce, M::TrackAtOnce};
  const std::vector<M> trackOnly{M::TrackAtOnce};
  const std::pair<uint8_t, std::vector<M>> rows[] = {
      {DISC_TYPE_CDR, cd},           {DISC_TYPE_DVDR_DL, trackOnly}, {DISC_TYPE_DVDPLUSR_DL, trackOnly},
      {DISC_TYPE_BDR, trackOnly},    {DISC_TYPE_BDRE, trackOnly},    {DISC_TYPE_HDDVDR, trackOnly},
  };
  for (const auto& [kind, offered] : rows)
    EXPECT_EQ(OfferedBurnModes(all, kind, TsbBurnModeAllowance{}), offered) << int(kind);
}

TEST_F(DeviceProbeTest, DriveWithoutDiscKeepsEmptyDiscRecordsButFillsItsAbilities) {
  json drive = CdWriter(0);
  drive["medium"] = nullptr;
  drive["write_modes"] = {"tao", "sao"};
  drive["read_modes"] = {"cdda", "raw_pw"};
  StartLibrary({drive});
  CaptureLog();

  TsbDeviceList list;
  ProbeByName(list, "CdRom0");

  ASSERT_EQ(list.Count(), 1);
  const TsbDeviceItem& item = list.Items(0);
  EXPECT_EQ(item.DeviceName, "CdRom0");
  EXPECT_EQ(item.TransportType, ttSpti);
  EXPECT_EQ(item.Address.Valid, 1);  // asked of the library, for its mount point
  EXPECT_EQ(item.Vendor, "KORVANEL");
  EXPECT_EQ(item.Product, "Test CD Recorder");
  EXPECT_EQ(item.ProductRevisionLevel, "1.00");
  EXPECT_EQ(item.BufferSize, 2097152u);
  EXPECT_EQ(item.DiscType, DISC_TYPE_NO_MEDIA);
  EXPECT_EQ(DiscTypeName(item.DiscType), "Empty");
  EXPECT_TRUE(item.DiscLabel.isEmpty());
  EXPECT_TRUE(item.DriveLetter.isEmpty());
  EXPECT_TRUE(AllZero(item.DiscInformation));
  EXPECT_TRUE(AllZero(item.TrackInformation));
  EXPECT_TRUE(AllZero(item.TOCInformation));

  EXPECT_TRUE(item.FormatFlags[5]);  // can write
  EXPECT_TRUE(item.FormatFlags[9]);  // can simulate
  EXPECT_FALSE(item.FormatFlags[2]);
  EXPECT_TRUE(item.WriteModes.CanTAO);
  EXPECT_TRUE(item.WriteModes.CanSAO);
  EXPECT_FALSE(item.WriteModes.CanDaoPQ);
  EXPECT_FALSE(item.WriteModes.CanDaoRaw);
  EXPECT_TRUE(item.WriteModes.CanTestWrite);
  const std::array<bool, DW_READ_MODE_COUNT> readModes{true, false, false, false, true, false};
  EXPECT_EQ(item.ReadModes.Modes, readModes);
  EXPECT_FALSE(item.DVDRPC.Valid);

  // The name transport opens without a log line; the failed unit-ready test is not logged.
  const QStringList expected{
      "Discwright_GetDeviceAddressByDeviceName",
      "Discwright_GetDeviceNameByDeviceAddress",
      "Discwright_CdvdBurnerGrabber_GetDeviceInformation",
      "Discwright_CdvdBurnerGrabber_GetSupportedMediaFormats",
      "Discwright_CdvdBurnerGrabber_GetSupportedMediaFormatsExEx",
      "Discwright_CdvdBurnerGrabber_ProbeSupportedWriteModes",
      "Discwright_CdvdBurnerGrabber_ProbeSupportedReadModes",
      "Discwright_CdvdBurnerGrabber_TestUnitReady",
      "Discwright_Destroy: Grabber",
  };
  EXPECT_EQ(LoggedMessages(), expected);
}

TEST_F(DeviceProbeTest, WrittenDiscByAddressGivesLabelMountPointAndDiscRecords) {
  json writer = CdWriter(3);
  writer["medium"] = WrittenMedium("CD-R", 13107200, "PHOTOS_2025");
  writer["mount_point"] = "/media/test/PHOTOS 2025";
  StartLibrary({writer});
  CaptureLog();

  TsbDeviceList list;
  ProbeByAddress(list, AddressOf(3));

  ASSERT_EQ(list.Count(), 1);
  const TsbDeviceItem& item = list.Items(0);
  EXPECT_EQ(item.TransportType, ttAspi);
  EXPECT_TRUE(item.DeviceName.isEmpty());
  EXPECT_EQ(item.Address.Valid, 1);
  EXPECT_EQ(item.Address.PortID, 1);
  EXPECT_EQ(item.Address.TargetID, 3);
  EXPECT_EQ(item.DiscType, DISC_TYPE_CDR);
  EXPECT_EQ(item.DiscLabel, "PHOTOS_2025");
  EXPECT_EQ(item.DriveLetter, "/media/test/PHOTOS 2025");
  EXPECT_EQ(item.DiscInformation.Valid, 1);
  EXPECT_EQ(item.DiscInformation.DiscStatus, DW_DISC_COMPLETE);
  EXPECT_EQ(item.DiscInformation.UsedBlocks, 13107200u / 2048);
  EXPECT_EQ(item.TrackInformation.Valid, 1);
  EXPECT_EQ(item.TrackInformation.NextWritableValid, 0);  // a closed disc takes nothing more
  EXPECT_EQ(item.TOCInformation.Valid, 1);
  EXPECT_EQ(item.TOCInformation.FirstTrack, 1);

  const QStringList expected{
      "Discwright_CdvdBurnerGrabber_Create (before create)",
      "Discwright_CdvdBurnerGrabber_Create (after create): PortID:1,BusID:0,TargetID:3,LUN:0",
      "Discwright_GetDeviceNameByDeviceAddress",
      "Discwright_CdvdBurnerGrabber_GetDeviceInformation",
      "Discwright_CdvdBurnerGrabber_GetSupportedMediaFormats",
      "Discwright_CdvdBurnerGrabber_GetSupportedMediaFormatsExEx",
      "Discwright_CdvdBurnerGrabber_ProbeSupportedWriteModes",
      "Discwright_CdvdBurnerGrabber_ProbeSupportedReadModes",
      "Discwright_CdvdBurnerGrabber_TestUnitReady",
      "Discwright_CdvdBurnerGrabber_GetInsertedDiscType",
      "Discwright_CdvdBurnerGrabber_GetDiscInformation",
      "Discwright_CdvdBurnerGrabber_ReadSectors",  // the last session's volume: its start comes first
      "Discwright_CdvdBurnerGrabber_GetTrackInformation",
      "Discwright_SetFastReadTOC",
      "Discwright_CdvdBurnerGrabber_GetTOCInformation",
      "Discwright_Destroy: Grabber",
  };
  EXPECT_EQ(LoggedMessages(), expected);
}

TEST_F(DeviceProbeTest, BlankDiscHasNoLabelAndAWritableInvisibleTrack) {
  json writer = CdWriter(0);
  writer["mount_point"] = "/media/test/never";  // a blank disc is not mounted
  StartLibrary({writer});

  TsbDeviceList list;
  ProbeByAddress(list, AddressOf(0));

  ASSERT_EQ(list.Count(), 1);
  const TsbDeviceItem& item = list.Items(0);
  EXPECT_EQ(item.DiscType, DISC_TYPE_CDR);
  EXPECT_TRUE(item.DiscLabel.isEmpty());
  EXPECT_TRUE(item.DriveLetter.isEmpty());
  EXPECT_EQ(item.DiscInformation.Valid, 1);
  EXPECT_EQ(item.DiscInformation.DiscStatus, DW_DISC_BLANK);
  EXPECT_EQ(item.TrackInformation.NextWritableValid, 1);
  EXPECT_EQ(item.TOCInformation.Valid, 0);  // a blank disc has no table of contents
}

TEST_F(DeviceProbeTest, ReaderCannotWriteAndReportsItsRegionControl) {
  json emptyReader = DvdReader(1);
  emptyReader["medium"] = nullptr;
  StartLibrary({DvdReader(0), emptyReader});
  CaptureLog();

  TsbDeviceList list;
  ProbeByName(list, "CdRom0");
  ProbeByName(list, "CdRom1");

  ASSERT_EQ(list.Count(), 2);
  const TsbDeviceItem& withDisc = list.Items(0);
  EXPECT_EQ(withDisc.DiscType, DISC_TYPE_DVDROM);
  EXPECT_EQ(withDisc.DiscLabel, "REFERENCE");
  EXPECT_FALSE(withDisc.FormatFlags[5]);
  EXPECT_FALSE(withDisc.FormatFlags[9]);
  EXPECT_TRUE(withDisc.FormatFlags[2]);
  // A pressed disc takes no write mode; the probe answered, so the modes are cleared.
  EXPECT_FALSE(withDisc.WriteModes.CanTAO);
  EXPECT_FALSE(withDisc.WriteModes.CanDaoRaw);

  for (const TsbDeviceItem* item : {&list.Items(0), &list.Items(1)}) {
    EXPECT_TRUE(item->DVDRPC.Valid) << item->DeviceName.toStdString();
    EXPECT_EQ(item->DVDRPC.Value1, "2");
    EXPECT_EQ(item->DVDRPC.Value2, "253");
    EXPECT_EQ(item->DVDRPC.Value3, "4");
    EXPECT_EQ(item->DVDRPC.Value4, "5");
    EXPECT_EQ(item->DVDRPC.Value5, "1");
  }
  EXPECT_EQ(list.Items(1).DiscType, DISC_TYPE_NO_MEDIA);

  // Region control is asked after the disc reads, with or without a disc.
  const QStringList log = LoggedMessages();
  EXPECT_EQ(log.count("Discwright_CdvdBurnerGrabber_GetRPC"), 2);
  const qsizetype lastRpc = log.lastIndexOf("Discwright_CdvdBurnerGrabber_GetRPC");
  EXPECT_EQ(log.at(lastRpc - 1), "Discwright_CdvdBurnerGrabber_TestUnitReady");
  EXPECT_EQ(log.at(lastRpc + 1), "Discwright_Destroy: Grabber");
}

TEST_F(DeviceProbeTest, FormatFlagsPutTheSimulateFlagBehindTheWriteFlags) {
  json drive = CdWriter(0);
  drive["media_formats"] = {"read_cdr", "test_write", "write_dvdram", "write_dvdplusr_dl"};
  StartLibrary({drive});

  TsbDeviceList list;
  ProbeByName(list, "CdRom0");
  ASSERT_EQ(list.Count(), 1);
  TsbFormatFlags expected{};
  expected[0] = true;   // read_cdr
  expected[8] = true;   // write_dvdram
  expected[9] = true;   // test_write
  expected[15] = true;  // write_dvdplusr_dl
  EXPECT_EQ(list.Items(0).FormatFlags, expected);
  EXPECT_TRUE(list.Items(0).WriteModes.CanTestWrite);
}

TEST_F(DeviceProbeTest, FailedQueriesLeaveCreationValues) {
  json drive = CdWriter(0);
  drive["medium"] = WrittenMedium("CD-R", 1 << 20, "KEEP");
  drive["faults"] = {{"operations",
                      {{"ProbeSupportedWriteModes", {{"exception", 4}, {"status", 0}, {"text", "no modes"}}},
                       {"GetDiscInformation", {{"exception", 10}, {"status", 0}, {"text", "read error"}}}}}};
  StartLibrary({drive});
  CaptureLog();

  TsbDeviceList list;
  ProbeByName(list, "CdRom0");
  ASSERT_EQ(list.Count(), 1);
  const TsbDeviceItem& item = list.Items(0);
  // All four modes stay marked as supported and simulation off, although the drive can simulate.
  EXPECT_TRUE(item.FormatFlags[9]);
  EXPECT_TRUE(item.WriteModes.CanTAO && item.WriteModes.CanSAO && item.WriteModes.CanDaoPQ &&
              item.WriteModes.CanDaoRaw);
  EXPECT_FALSE(item.WriteModes.CanTestWrite);
  // The disc reads stop at the failed disc information; the label came before it.
  EXPECT_EQ(item.DiscType, DISC_TYPE_CDR);
  EXPECT_EQ(item.DiscLabel, "KEEP");
  EXPECT_TRUE(AllZero(item.DiscInformation));
  EXPECT_TRUE(AllZero(item.TrackInformation));
  const QStringList log = LoggedMessages();
  EXPECT_FALSE(log.contains("Discwright_CdvdBurnerGrabber_GetTrackInformation"));
  EXPECT_EQ(log.last(), "Discwright_Destroy: Grabber");
}

TEST_F(DeviceProbeTest, DeviceThatCannotBeOpened) {
  StartLibrary({CdWriter(0)});
  CaptureLog();
  TsbDeviceList list;

  // By name: no record, the failure in the log.
  ProbeByName(list, "CdRom7");
  EXPECT_EQ(list.Count(), 0);
  QStringList log = LoggedMessages();
  ASSERT_EQ(log.size(), 1);
  EXPECT_TRUE(log[0].startsWith("Discwright_CdvdBurnerGrabber_CreateEx() failed, exception 5, status "))
      << log[0].toStdString();
  EXPECT_TRUE(log[0].endsWith("\"")) << log[0].toStdString();

  // By a known address: the record stays with only its address.
  ProbeByAddress(list, AddressOf(7));
  ASSERT_EQ(list.Count(), 1);
  const TsbDeviceItem& item = list.Items(0);
  EXPECT_EQ(item.Address.TargetID, 7);
  EXPECT_EQ(item.TransportType, ttSpti);
  EXPECT_EQ(item.DiscType, 0);
  EXPECT_TRUE(item.Product.isEmpty());
  log = LoggedMessages();
  ASSERT_EQ(log.size(), 3);
  EXPECT_EQ(log[1], "Discwright_CdvdBurnerGrabber_Create (before create)");
  EXPECT_TRUE(log[2].startsWith("Discwright_CdvdBurnerGrabber_Create() failed, exception 5, status "))
      << log[2].toStdString();

  // An address whose Valid byte is 0 gets a record only once the device opened, without the address.
  DiscwrightDeviceAddress unknown = AddressOf(0);
  unknown.Valid = 0;
  ProbeByAddress(list, unknown);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Items(1).Address.Valid, 0);
  EXPECT_EQ(list.Items(1).Address.TargetID, 0);
  EXPECT_EQ(list.Items(1).Product, "Test CD Recorder");
}

TEST_F(DeviceProbeTest, CancelDropsTheDeviceBeingProbedAndKeepsEarlierOnes) {
  StartLibrary({CdWriter(0), DvdWriter(1)});
  CaptureLog();
  TsbDeviceList list;
  ProbeByName(list, "CdRom0");

  // The flag rises while the second device is being probed (at its first log line).
  GlobalLogger().SetClock([&list] {
    list.CancelRequested = true;
    return QTime::currentTime();
  });
  ProbeByName(list, "CdRom1");
  GlobalLogger().SetClock(nullptr);

  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Items(0).DeviceName, "CdRom0");
  // The disc of the cancelled device is not read; its grabber is still destroyed.
  const QStringList log = LoggedMessages();
  EXPECT_EQ(log.count("Discwright_CdvdBurnerGrabber_GetInsertedDiscType"), 1);
  EXPECT_EQ(log.count("Discwright_Destroy: Grabber"), 2);

  // With the flag up a probe does nothing at all.
  const qsizetype before = LoggedMessages().size();
  ProbeByName(list, "CdRom0");
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(LoggedMessages().size(), before);
}

TEST_F(DeviceProbeTest, ARecorderFoundByNameHasItsOwnAddressAndMountPoint) {
  // Numbered like the first drive of a machine: /dev/sr0's mount point is not its own.
  json writer = CdWriter(0);
  writer["address"] = "2:0:5:0";
  writer["medium"] = WrittenMedium("CD-R", 1 << 20, "NAMED");
  writer["mount_point"] = "/media/test/NAMED";
  StartLibrary({writer, CdWriter(1)});

  TsbDeviceList list;
  ProbeByName(list, "CdRom0");
  ProbeByName(list, "CdRom1");
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Items(0).DriveLetter, "/media/test/NAMED");
  EXPECT_EQ(list.Items(0).Address.Valid, 1);
  EXPECT_EQ(list.Items(0).Address.PortID, 2);
  EXPECT_EQ(list.Items(0).Address.TargetID, 5);
  EXPECT_TRUE(list.Items(1).DriveLetter.isEmpty());
  EXPECT_TRUE(GetDriveLetter({}, "CdRom9").isEmpty());
}
