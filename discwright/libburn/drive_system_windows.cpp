// The libburn backend's system side on Windows: drives by letter (\\.\X:), SCSI
// pass-through for the commands libburn does not offer, the volume of a disc.
// libburn's own transport on Windows is ours too (scripts/windows/libburn/).
#include "libburn/drive_system.h"

#include <windows.h>
#include <ntddscsi.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>
#include <cwctype>
#include <string>

#include "error.h"
#include "platform/platform.h"

namespace discwright {

namespace {

using std::chrono::milliseconds;

// "\\.\D:" -> 'D'; 0 for any other address (a file pseudo-drive, say).
wchar_t driveLetterOf(const std::string& address) {
  if (address.size() != 6 || address.compare(0, 4, "\\\\.\\") != 0 || address[5] != ':') return 0;
  char letter = char(std::toupper(static_cast<unsigned char>(address[4])));
  return letter >= 'A' && letter <= 'Z' ? wchar_t(letter) : 0;
}

// The drive as libburn opens it: reading and writing, shared with every other handle.
HANDLE openDrive(const std::string& address) {
  const wchar_t path[] = {L'\\', L'\\', L'.', L'\\', driveLetterOf(address), L':', 0};
  return ::CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, 0, nullptr);
}

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() {
    if (h_ != INVALID_HANDLE_VALUE) ::CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  explicit operator bool() const { return h_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE h_;
};

std::string accessDeniedOnWindows(const std::string& address) {
  return "You may not open the drive " + address.substr(4) +
         ": Windows lets only administrators send commands to a drive; start Korvanel as an administrator";
}

std::optional<OpenFailure> failureOf(const std::string& address, DWORD error) {
  if (error == ERROR_ACCESS_DENIED) return OpenFailure{DW_E_NO_DEVICE, accessDeniedOnWindows(address)};
  if (error == ERROR_SHARING_VIOLATION || error == ERROR_BUSY || error == ERROR_LOCK_VIOLATION)
    return OpenFailure{DW_E_BUSY, busyText(address.substr(4))};
  return std::nullopt;
}

// SCSI pass-through on the drive's own handle. The data goes through a page-aligned
// buffer of our own (adapters demand alignment), at most 64 KiB per command, as
// every adapter takes that much.
class PassThroughTransport : public ScsiTransport {
 public:
  static constexpr size_t kMaxTransfer = 64 * 1024;

  explicit PassThroughTransport(const std::string& address) : address_(address), handle_(openDrive(address)) {
    if (!handle_) {
      DWORD error = ::GetLastError();
      if (auto failure = failureOf(address, error)) throw DwError(failure->code, failure->text);
      throw DwError(DW_E_NO_DEVICE, "Cannot open " + address + ": " + platform::lastErrorText(), uint32_t(error));
    }
    buffer_ = ::VirtualAlloc(nullptr, kMaxTransfer, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!buffer_) throw DwError(DW_E_INTERNAL, "No memory for the commands to " + address);
  }
  ~PassThroughTransport() override { ::VirtualFree(buffer_, 0, MEM_RELEASE); }

  ScsiReply execute(std::span<const uint8_t> cdb, std::span<uint8_t> in, milliseconds timeout) override {
    if (in.size() > kMaxTransfer || cdb.size() > 16)
      throw DwError(DW_E_INVALID_ARGUMENT, "A command to " + address_ + " asks for more than 64 KiB at once");
    // The sense data follows the request in the same buffer, as the driver expects.
    struct Request {
      SCSI_PASS_THROUGH_DIRECT sptd;
      ULONG filler;
      UCHAR sense[32];
    } r{};
    r.sptd.Length = sizeof(SCSI_PASS_THROUGH_DIRECT);
    r.sptd.CdbLength = UCHAR(cdb.size());
    std::memcpy(r.sptd.Cdb, cdb.data(), cdb.size());
    r.sptd.DataIn = in.empty() ? SCSI_IOCTL_DATA_UNSPECIFIED : SCSI_IOCTL_DATA_IN;
    r.sptd.DataTransferLength = ULONG(in.size());
    r.sptd.DataBuffer = in.empty() ? nullptr : buffer_;
    r.sptd.TimeOutValue = ULONG(std::max<int64_t>(1, (timeout.count() + 999) / 1000));
    r.sptd.SenseInfoLength = sizeof r.sense;
    r.sptd.SenseInfoOffset = offsetof(Request, sense);
    DWORD got = 0;
    if (!::DeviceIoControl(handle_.get(), IOCTL_SCSI_PASS_THROUGH_DIRECT, &r, sizeof r, &r, sizeof r, &got, nullptr)) {
      DWORD error = ::GetLastError();
      std::string why = platform::lastErrorText();
      if (error == ERROR_DEVICE_REMOVED || error == ERROR_DEV_NOT_EXIST || error == ERROR_INVALID_HANDLE)
        throw DwError(DW_E_IO, "The drive " + address_ + " is gone: " + why, uint32_t(error));
      throw DwError(DW_E_IO, "Cannot send a command to " + address_ + ": " + why, uint32_t(error));
    }
    ScsiReply reply;
    reply.status = r.sptd.ScsiStatus;
    if (reply.status == 0x02)
      reply.sense = packSense(std::span<const uint8_t>(r.sense, std::min<size_t>(r.sptd.SenseInfoLength, sizeof r.sense)));
    reply.received = std::min<size_t>(r.sptd.DataTransferLength, in.size());
    if (reply.received) std::memcpy(in.data(), buffer_, reply.received);
    return reply;
  }

 private:
  std::string address_;
  Handle handle_;
  void* buffer_ = nullptr;
};

}  // namespace

std::string systemDriveName(const std::string& address) {
  wchar_t letter = driveLetterOf(address);
  if (!letter) return {};
  // Windows numbers its CD/DVD drives itself: \Device\CdRomN behind the letter.
  const wchar_t device[] = {letter, L':', 0};
  wchar_t target[MAX_PATH] = {};
  if (::QueryDosDeviceW(device, target, MAX_PATH)) {
    std::wstring t = target;
    const std::wstring prefix = L"\\Device\\CdRom";
    if (t.rfind(prefix, 0) == 0 && t.size() > prefix.size() &&
        std::all_of(t.begin() + ptrdiff_t(prefix.size()), t.end(), ::iswdigit))
      return "CdRom" + std::string(t.begin() + ptrdiff_t(prefix.size()), t.end());
  }
  // Where the system does not say (Wine maps letters to Unix devices): the CD/DVD
  // drives counted in letter order, as Windows numbers them at start.
  int index = 0;
  for (wchar_t l = L'A'; l < letter; ++l) {
    const wchar_t root[] = {l, L':', L'\\', 0};
    if (::GetDriveTypeW(root) == DRIVE_CDROM) ++index;
  }
  return "CdRom" + std::to_string(index);
}

std::unique_ptr<ScsiTransport> openSystemTransport(const std::string& address) {
  return std::make_unique<PassThroughTransport>(address);
}

std::optional<OpenFailure> diagnoseOpenFailure(const std::string& address) {
  if (!driveLetterOf(address)) return std::nullopt;
  Handle probe(openDrive(address));
  return probe ? std::nullopt : failureOf(address, ::GetLastError());
}

std::string systemMountPoint(const std::string& address) {
  wchar_t letter = driveLetterOf(address);
  if (!letter) return {};
  // A disc with a file system Windows reads is reachable at its letter.
  const wchar_t root[] = {letter, L':', L'\\', 0};
  wchar_t label[MAX_PATH + 1] = {};
  if (!::GetVolumeInformationW(root, label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0)) return {};
  return std::string(1, char(letter)) + ":";
}

// Ctrl+C reaches a Windows program through its console control handler, which libburn
// leaves alone; the C runtime's few signals need no keeping.
struct KeepSignalDispositions::Saved {};
KeepSignalDispositions::KeepSignalDispositions() = default;
KeepSignalDispositions::~KeepSignalDispositions() = default;

}  // namespace discwright
