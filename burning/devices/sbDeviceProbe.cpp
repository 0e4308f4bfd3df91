#include "sbDeviceProbe.h"

#include <cstring>
#include <exception>

#include "sbHelpers.h"
#include "sbLibraryCall.h"
#include "sbLogging.h"

namespace {

// The library's error triple of one probe, shared by all its calls.
struct Triple : TsbCallTriple {
  Triple() { status = 31; }
};

// Where the primary volume descriptor of an ISO9660 file system lies, and its fields.
constexpr uint32_t kVolumeDescriptorBlock = 16;
constexpr uint8_t kPrimaryVolumeDescriptor = 1;
constexpr size_t kVolumeIdOffset = 40;
constexpr size_t kVolumeIdLength = 32;

class Probe {
 public:
  Probe(TsbDeviceList& list, void* param1, void* param2)
      : list_(list),
        address_(param1 ? *static_cast<const DiscwrightDeviceAddress*>(param1) : DiscwrightDeviceAddress{}),
        name_(static_cast<const char*>(param2)) {}

  void Run() {
    if (list_.CancelRequested) return;
    try {
      if (TsbDeviceItem* item = Open()) Query(*item);
    } catch (...) {
      Finish();
      throw;
    }
    Finish();
  }

 private:
  TsbDeviceItem* Open() {
    TsbDeviceItem* item = nullptr;
    const bool byAddress = list_.TransportType == ttAspi;
    if (byAddress && address_.Valid) {
      item = &list_.Add();
      item->Address = address_;
    }
    if (byAddress) LogDiagnostic(QStringLiteral("Discwright_CdvdBurnerGrabber_Create (before create)"));
    const char* call = nullptr;
    const uint8_t code = CreateGrabber(grabber_, t_.text, t_.status, t_.failure,
                                       {list_.TransportType, address_, QByteArray(name_)}, 1, nullptr, nullptr, &call);
    if (code != DW_E_OK) {
      LogDiagnostic(TripleFailureText(QString::fromLatin1(call), code, t_.status, t_.text));
      return nullptr;
    }
    if (byAddress) {
      LogDiagnostic(QStringLiteral("Discwright_CdvdBurnerGrabber_Create (after create): PortID:%1,BusID:%2,TargetID:%3,LUN:%4")
              .arg(address_.PortID)
              .arg(address_.BusID)
              .arg(address_.TargetID)
              .arg(address_.LUN));
      if (!item) item = &list_.Add();
      item->TransportType = ttAspi;
    } else {
      item = &list_.Add();
      item->DeviceName = QString::fromLocal8Bit(name_);
      item->TransportType = ttSpti;
      item->Address = AddressOfDevice(name_);
    }
    return item;
  }

  void Query(TsbDeviceItem& item) {
    // A device found by name was given its address when it was opened.
    const QString driveLetter = GetDriveLetter(name_ ? item.Address : address_, QString());

    {
      char vendor[DISCWRIGHT_TEXT_SIZE] = {};
      char product[DISCWRIGHT_TEXT_SIZE] = {};
      char revision[DISCWRIGHT_TEXT_SIZE] = {};
      uint32_t bufferSize = 0;
      SB_CALL(t_, Discwright_CdvdBurnerGrabber_GetDeviceInformation, grabber_, vendor, product, revision, &bufferSize);
      item.Vendor = FixedArrayToText(vendor);
      item.Product = FixedArrayToText(product);
      item.ProductRevisionLevel = FixedArrayToText(revision);
      item.BufferSize = bufferSize;
      item.DriveLetter = driveLetter;
    }

    {
      uint8_t formats[DW_FMT_COUNT] = {};
      uint8_t formatsEx[DW_FMTX_COUNT] = {};
      // Unanswered flags stay 0: the device then offers less, which the checks say.
      SB_CALL(t_, Discwright_CdvdBurnerGrabber_GetSupportedMediaFormats, grabber_, formats);
      SB_CALL(t_, Discwright_CdvdBurnerGrabber_GetSupportedMediaFormatsExEx, grabber_, formatsEx);
      // The simulate flag (library output 6) moves behind the four write flags, so
      // that position 5 is "can write at all".
      for (int i = 0; i < 5; ++i) item.FormatFlags[size_t(i)] = formats[i] != 0;
      for (int i = 6; i < DW_FMT_COUNT; ++i) item.FormatFlags[size_t(i - 1)] = formats[i] != 0;
      item.FormatFlags[9] = formats[DW_FMT_TEST_WRITE] != 0;
      for (int i = 0; i < DW_FMTX_COUNT; ++i) item.FormatFlags[size_t(10 + i)] = formatsEx[i] != 0;
    }

    {
      uint8_t modes[DW_WRITE_MODE_COUNT] = {};
      if (SB_CALL(t_, Discwright_CdvdBurnerGrabber_ProbeSupportedWriteModes, grabber_, modes)) {
        item.WriteModes.CanTAO = modes[DW_WRITE_TAO] != 0;
        item.WriteModes.CanSAO = modes[DW_WRITE_SAO] != 0;
        item.WriteModes.CanDaoPQ = modes[DW_WRITE_DAO_PQ] != 0;
        item.WriteModes.CanDaoRaw = modes[DW_WRITE_DAO_RAW] != 0;
        item.WriteModes.CanTestWrite = item.FormatFlags[9];
      }
    }

    {
      uint8_t modes[DW_READ_MODE_COUNT] = {};
      if (SB_CALL(t_, Discwright_CdvdBurnerGrabber_ProbeSupportedReadModes, grabber_, modes)) {
        for (int i = 0; i < DW_READ_MODE_COUNT; ++i) item.ReadModes.Modes[size_t(i)] = modes[i] != 0;
      }
    }

    item.DiscType = DISC_TYPE_NO_MEDIA;
    SB_CALL(t_, Discwright_CdvdBurnerGrabber_TestUnitReady, grabber_);
    const uint8_t ready = t_.code;
    if (ready == DW_E_OK && !list_.CancelRequested) ReadDisc(item);
    item.TrayOpen = ready == DW_E_NO_MEDIUM && t_.status == DW_STATUS_TRAY_OPEN;
    // Only "no medium" means an empty drive; any other failure is a disc that
    // cannot be read, and the user must see why.
    if (ready != DW_E_OK && ready != DW_E_NO_MEDIUM) {
      LogDiagnostic(t_.FailureText());
      item.DiscProblem = QString::fromLocal8Bit(t_.text, qsizetype(strnlen(t_.text, DISCWRIGHT_TEXT_SIZE)));
    }

    // Region control is a property of the drive, so it is read with or without a disc.
    if (item.FormatFlags[2]) {
      uint8_t values[5][DISCWRIGHT_RPC_VALUE_SIZE] = {};
      SB_CALL(t_, Discwright_CdvdBurnerGrabber_GetRPC, grabber_, values[0], values[1], values[2], values[3], values[4]);
      item.DVDRPC.Valid = true;
      item.DVDRPC.Value1 = QString::number(values[0][0]);
      item.DVDRPC.Value2 = QString::number(values[1][0]);
      item.DVDRPC.Value3 = QString::number(values[2][0]);
      item.DVDRPC.Value4 = QString::number(values[3][0]);
      item.DVDRPC.Value5 = QString::number(values[4][0]);
    }
  }

  void ReadDisc(TsbDeviceItem& item) {
    uint8_t discType = item.DiscType;
    SB_CALL(t_, Discwright_CdvdBurnerGrabber_GetInsertedDiscType, grabber_, &discType);
    item.DiscType = discType;

    // A failed query leaves the record empty, which the checks read as "no
    // writable disc"; the library's reason is kept to be shown beside that.
    auto failed = [&] {
      const QString text = t_.FailureText();
      LogDiagnostic(text);
      item.ProbeFailures << text;
    };
    DiscwrightDiscInformation disc{};
    const bool discKnown = SB_CALL(t_, Discwright_CdvdBurnerGrabber_GetDiscInformation, grabber_, &disc);
    if (!discKnown) failed();
    item.DiscLabel = ReadDiscLabel(grabber_, discKnown ? disc.LastSessionStart : 0);
    if (!discKnown) return;
    item.DiscInformation = disc;

    DiscwrightTrackInformation track{};
    if (!SB_CALL(t_, Discwright_CdvdBurnerGrabber_GetTrackInformation, grabber_, DISCWRIGHT_TRACK_INVISIBLE, &track))
      failed();
    item.TrackInformation = track;

    // The record is large; fill it in place rather than through a copy on the stack.
    std::memset(&item.TOCInformation, 0, sizeof item.TOCInformation);
    SB_CALL_PLAIN(Discwright_SetFastReadTOC, uint8_t(1));
    SB_CALL(t_, Discwright_CdvdBurnerGrabber_GetTOCInformation, grabber_, &item.TOCInformation);

    // A disc left open takes more files: how many it lists already is what its row says.
    if (disc.DiscStatus == 1 && list_.CountDiscFiles) {
      DiscwrightHandle tree = 0;
      if (SB_CALL_PLAIN(Discwright_ISO9660JolietFileTree_CreateFromDisc, &tree, t_.text, DISCWRIGHT_TEXT_SIZE,
                        &t_.status, grabber_, nullptr, nullptr) == DW_E_OK) {
        DiscwrightTreeOrigin origin{};
        if (Discwright_ISO9660JolietFileTree_GetOrigin(tree, t_.text, DISCWRIGHT_TEXT_SIZE, &t_.status, &origin) == DW_E_OK)
          item.DiscFiles = int(origin.DiscFiles);
      } else {
        item.AppendProblem = QString::fromUtf8(t_.text);  // said when the disc is chosen
        LogDiagnostic(item.AppendProblem);
      }
      if (tree) DestroyHandle(tree, "FileTree");
    }
  }

  // Destroys the grabber on every way out; a cancel raised during the probe drops its record.
  void Finish() {
    if (!grabber_) return;
    struct DropCancelled {
      TsbDeviceList& list;
      ~DropCancelled() {
        if (list.CancelRequested && list.Count() > 0) list.Delete(list.Count() - 1);
      }
    } drop{list_};
    DestroyHandle(grabber_, "Grabber");
  }

  TsbDeviceList& list_;
  const DiscwrightDeviceAddress address_;
  const char* const name_;
  DiscwrightHandle grabber_ = 0;
  Triple t_;
};

}  // namespace

void ProbeDevice(TsbDeviceList& list, void* param1, void* param2) { Probe(list, param1, param2).Run(); }

QString GetDriveLetter(const DiscwrightDeviceAddress& address, const QString& name) {
  // The library knows which of its devices is a drive of this machine and where
  // its disc is mounted; /dev/srN may be another drive than the device named CdRomN.
  const DiscwrightDeviceAddress target = name.isEmpty() ? address : AddressOfDevice(name.toLocal8Bit().constData());
  if (!target.Valid) return {};
  char buffer[DISCWRIGHT_TEXT_SIZE] = {};
  if (SB_CALL_PLAIN(Discwright_GetDeviceNameByDeviceAddress, target.PortID, target.BusID, target.TargetID, target.LUN,
                    buffer) != DW_E_OK)
    return {};
  // The library answers with a local device path: "\\.\" and the mount point.
  return FixedArrayToText(buffer).mid(4);
}

DiscwrightDeviceAddress AddressOfDevice(const char* name) {
  DiscwrightDeviceAddress address{};
  if (SB_CALL_PLAIN(Discwright_GetDeviceAddressByDeviceName, name, &address) != DW_E_OK) return {};
  return address;
}

QString ReadDiscLabel(DiscwrightHandle grabber, uint32_t sessionStart) {
  Triple t;
  uint8_t block[DISCWRIGHT_SECTOR_SIZE] = {};
  auto primaryAt = [&](uint32_t lba) {
    return SB_CALL(t, Discwright_CdvdBurnerGrabber_ReadSectors, grabber, lba, uint32_t(1), block) &&
           block[0] == kPrimaryVolumeDescriptor && std::memcmp(&block[1], "CD001", 5) == 0;
  };
  // A blank disc or one without ISO9660 has no label; a broken-off last session may hold none either.
  if (!primaryAt(sessionStart + kVolumeDescriptorBlock) && (sessionStart == 0 || !primaryAt(kVolumeDescriptorBlock)))
    return {};
  const char* id = reinterpret_cast<const char*>(&block[kVolumeIdOffset]);
  size_t length = strnlen(id, kVolumeIdLength);
  while (length > 0 && id[length - 1] == ' ') --length;  // the field is padded with blanks
  return QString::fromLatin1(id, qsizetype(length));
}
