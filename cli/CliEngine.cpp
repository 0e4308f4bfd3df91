#include "CliEngine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "sbDeviceProbe.h"
#include "sbDeviceOpen.h"
#include "sbErrors.h"
#include "sbLibraryCall.h"
#include "sbLogging.h"
#include "sbStrings.h"
#include "sbUiHooks.h"

namespace {

const QRegularExpression& AddressPattern() {
  static const QRegularExpression pattern(QStringLiteral("^(\\d{1,3}):(\\d{1,3}):(\\d{1,3}):(\\d{1,3})$"));
  return pattern;
}

QString NormalisedName(const QString& device) {
  if (device.startsWith(QLatin1String("/dev/sr"))) return QStringLiteral("CdRom") + device.mid(7);
  return device;
}

}  // namespace

bool IsDeviceAddress(const QString& device) { return AddressPattern().match(device).hasMatch(); }

CliEngine::CliEngine(const CliArgs& args) {
  const TsbLibraryOptions& options = args.library;
  // The library would say so too, but not naming the file the user gave.
  if (!options.Demo && !options.VirtualDrives.isEmpty() && !QFileInfo::exists(options.VirtualDrives))
    throw TsbError(QCoreApplication::translate("CliEngine", "The virtual recorder configuration \"%1\" does not exist")
                       .arg(options.VirtualDrives));
  // A mistake in the user's own file is said as it is, without the library's call around it.
  if (const QString problem = VirtualConfigProblem(options); !problem.isEmpty()) throw TsbError(problem);
  UpStartLibrary(options);
  SetLibraryFailureHook([this](const QString& text) {
    // A reason is said once, however many checks it explains.
    if (!text.isEmpty() && !libraryFailures_.contains(text)) libraryFailures_ << text;
  });
  // An address names its device under the address transport, a name under the name transport.
  bool byAddress = args.transportAddress.value_or(!args.device.isEmpty() ? IsDeviceAddress(args.device)
                                                  : !args.positional.isEmpty() && IsDeviceAddress(args.positional[0]));
  transport_ = byAddress ? ttAspi : ttSpti;
}

CliEngine::~CliEngine() {
  SetLibraryFailureHook(nullptr);
  // Called directly, as the grab counts below: a log line that cannot be written
  // must not end the program from a destructor.
  Discwright_DownShut();
  // For checks on a real drive: each grab spins it up and each release down again.
  if (const char* asked = std::getenv("KORVANEL_GRAB_COUNTS"); asked && *asked && *asked != '0') {
    uint64_t grabs = 0, releases = 0;
    Discwright_GetGrabCounts(&grabs, &releases);
    std::fprintf(stderr, "drive grabs: %llu, releases: %llu\n", static_cast<unsigned long long>(grabs),
                 static_cast<unsigned long long>(releases));
  }
}

void CliEngine::CheckFailed(const QString& message) const {
  throw TsbError((libraryFailures_ + QStringList{message}).join(QLatin1Char('\n')));
}

TsbDeviceList& CliEngine::Scan() {
  finder_.TransportType = transport_;
  finder_.InfoText = ResStr(sScanningSystem);
  finder_.Refresh(false);
  return finder_.Devices;
}

QString CliEngine::DeviceId(const TsbDeviceItem& item) const {
  if (transport_ == ttSpti) return item.DeviceName;
  return AddressText(item.Address);
}

TsbDeviceItem* CliEngine::Find(const QString& device) {
  TsbDeviceList& devices = finder_.Devices;
  auto match = AddressPattern().match(device);
  for (int i = 0; i < devices.Count(); ++i) {
    TsbDeviceItem& item = devices.Items(i);
    if (!Opened(item) || !item.Unusable.isEmpty()) continue;
    if (match.hasMatch()) {
      const auto& a = item.Address;
      if (a.Valid && a.PortID == match.captured(1).toUInt() && a.BusID == match.captured(2).toUInt() &&
          a.TargetID == match.captured(3).toUInt() && a.LUN == match.captured(4).toUInt())
        return &item;
    } else if (item.DeviceName.compare(NormalisedName(device), Qt::CaseInsensitive) == 0) {
      return &item;
    }
  }
  return nullptr;
}

QString CliEngine::WhyUnavailable(const QString& device, uint8_t* codeOut) const {
  TsbDeviceTarget target;
  if (auto match = AddressPattern().match(device); match.hasMatch()) {
    target.Transport = ttAspi;
    target.Address.PortID = uint8_t(match.captured(1).toUInt());
    target.Address.BusID = uint8_t(match.captured(2).toUInt());
    target.Address.TargetID = uint8_t(match.captured(3).toUInt());
    target.Address.LUN = uint8_t(match.captured(4).toUInt());
  } else {
    target.Name = NormalisedName(device).toLocal8Bit();
  }
  GlobalLogger().WriteLog(QString::fromLatin1(CreateCallOf(target.Transport)), 0);
  const TsbScopedGrabber grabber(target);
  if (codeOut) *codeOut = grabber.code;
  return grabber.Opened() ? QString() : grabber.FailureText();
}

std::vector<std::pair<QString, QString>> CliEngine::Unavailable() {
  std::vector<QString> ids;
  if (transport_ == ttSpti) {
    for (int n = 0; n <= DISCWRIGHT_LAST_DEVICE_NUMBER; ++n) {
      const QByteArray name = "CdRom" + QByteArray::number(n);
      if (AddressOfDevice(name.constData()).Valid) ids.push_back(QString::fromLatin1(name));
    }
  } else {
    auto collect = [](uint32_t reason, void* context, void* address, void*) {
      const auto& a = *static_cast<const DiscwrightDeviceAddress*>(address);
      if (reason == DW_REASON_DEVICE_FOUND)
        static_cast<std::vector<QString>*>(context)->push_back(
            AddressText(a));
    };
    SB_CALL_PLAIN(Discwright_FindDevice, DISCWRIGHT_DEVICE_TYPE_CDDVD, uint32_t(0), DiscwrightCallback(collect),
                  static_cast<void*>(&ids));
  }
  std::vector<std::pair<QString, QString>> out;
  auto listedUnusable = [this](const QString& id) {
    for (int i = 0; i < finder_.Devices.Count(); ++i)
      if (const TsbDeviceItem& item = finder_.Devices.Items(i);
          !item.Unusable.isEmpty() && item.DeviceName.compare(id, Qt::CaseInsensitive) == 0)
        return true;
    return false;
  };
  for (const QString& id : ids)
    if (!Find(id) && !listedUnusable(id))
      if (QString why = WhyUnavailable(id); !why.isEmpty()) out.emplace_back(id, why);
  return out;
}

TsbDeviceItem& CliEngine::FindWrittenDisc(const QString& device, const QString& blankRefusal) {
  Scan();
  TsbDeviceItem& item =
      FindOrExplain(device, QCoreApplication::translate("CliEngine", "No CD/DVD device \"%1\" was found").arg(device));
  if (!item.DiscProblem.isEmpty()) throw TsbError(item.DiscProblem);
  if (item.DiscType == DISC_TYPE_NO_MEDIA)
    throw TsbError(QCoreApplication::translate("CliEngine", "No disc in %1: %2").arg(device, NoDiscText(item.TrayOpen)));
  if (item.DiscInformation.DiscStatus == 0) throw TsbError(blankRefusal.arg(device));
  return item;
}

TsbDeviceItem& CliEngine::FindOrExplain(const QString& device, const QString& message) {
  ForgetLibraryFailures();
  TsbDeviceItem* item = Find(device);
  if (!item)
    for (int i = 0; i < finder_.Devices.Count(); ++i)
      if (const TsbDeviceItem& listed = finder_.Devices.Items(i);
          !listed.Unusable.isEmpty() && listed.DeviceName.compare(NormalisedName(device), Qt::CaseInsensitive) == 0)
        throw TsbError(QStringLiteral("%1: %2").arg(device, listed.Unusable));
  if (!item) {
    uint8_t code = DW_E_OK;
    const QString why = WhyUnavailable(device, &code);
    // A device that exists but cannot be opened (busy in another program) has
    // that reason alone: "not found" or "cannot burn" beside it would contradict it.
    if (!why.isEmpty() && code != DW_E_NO_DEVICE) {
      GlobalLogger().WriteLog(why, 0);
      throw TsbError(why);
    }
    if (code == DW_E_NO_DEVICE) {
      // The library's "no such device" in the user's language, once, before the command's own refusal.
      GlobalLogger().WriteLog(why, 0);
      const QString notFound =
          QCoreApplication::translate("CliEngine", "No CD/DVD device \"%1\" was found").arg(device);
      throw TsbError(message == notFound ? message : notFound + QLatin1Char('\n') + message);
    }
    NoteLibraryFailure(why);
    CheckFailed(message);
  }
  return *item;
}

