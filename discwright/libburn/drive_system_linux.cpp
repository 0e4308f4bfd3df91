// The libburn backend's system side on Linux: SG_IO on /dev/srN, the mount table,
// POSIX signal dispositions.
#include "libburn/drive_system.h"

#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <sstream>
#include <utility>

#include "error.h"

namespace discwright {

namespace {

using std::chrono::milliseconds;

// A file descriptor that closes itself.
class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() { reset(); }
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    if (this != &other) reset(), fd_ = std::exchange(other.fd_, -1);
    return *this;
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  void reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

// SG_IO on /dev/srN opened O_RDONLY | O_NONBLOCK, which neither conflicts with
// libburn's exclusive open nor needs a medium.
class SgIoTransport : public ScsiTransport {
 public:
  explicit SgIoTransport(const std::string& devicePath);
  ScsiReply execute(std::span<const uint8_t> cdb, std::span<uint8_t> in, milliseconds timeout) override;

 private:
  std::string path_;
  FileDescriptor fd_;
};

SgIoTransport::SgIoTransport(const std::string& devicePath) : path_(devicePath) {
  fd_ = FileDescriptor(::open(devicePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!fd_) {
    int err = errno;
    if (auto failure = openFailure(devicePath, err, {})) throw DwError(failure->code, failure->text);
    throw DwError(DW_E_NO_DEVICE, "Cannot open " + devicePath + ": " + std::strerror(err));
  }
}

ScsiReply SgIoTransport::execute(std::span<const uint8_t> cdb, std::span<uint8_t> in, milliseconds timeout) {
  std::array<uint8_t, 64> senseData{};
  sg_io_hdr_t h{};
  h.interface_id = 'S';
  h.dxfer_direction = in.empty() ? SG_DXFER_NONE : SG_DXFER_FROM_DEV;
  h.cmd_len = uint8_t(cdb.size());
  h.cmdp = const_cast<unsigned char*>(cdb.data());  // the kernel only reads it
  h.dxfer_len = unsigned(in.size());
  h.dxferp = in.empty() ? nullptr : in.data();
  h.mx_sb_len = uint8_t(senseData.size());
  h.sbp = senseData.data();
  h.timeout = unsigned(timeout.count());
  if (::ioctl(fd_.get(), SG_IO, &h) < 0) {
    int err = errno;
    throw DwError(DW_E_IO, "Cannot send a command to " + path_ + ": " + std::strerror(err));
  }
  ScsiReply reply;
  reply.status = h.status;
  reply.sense = packSense(std::span<const uint8_t>(senseData.data(), std::min<size_t>(h.sb_len_wr, senseData.size())));
  reply.received = in.size() - size_t(std::clamp(h.resid, 0, int(in.size())));
  // Without sense, a host or driver failure means the command never completed.
  if (!reply.sense && (h.host_status != 0 || (h.driver_status & 0x07) != 0))
    throw DwError(DW_E_IO, "The drive " + path_ + " did not answer a command (host status " +
                               std::to_string(h.host_status) + "): check its cable and try again");
  return reply;
}

// The running system's mount table.
std::string systemMountTable() {
  std::ifstream in("/proc/self/mounts");
  std::stringstream table;
  table << in.rdbuf();
  return table.str();
}

}  // namespace

std::optional<OpenFailure> diagnoseOpenFailure(const std::string& device) {
  // The way libburn opens the node, closed again at once.
  FileDescriptor probe(::open(device.c_str(), O_RDWR | O_NONBLOCK | O_EXCL | O_CLOEXEC));
  int error = probe ? 0 : errno;
  probe.reset();
  return openFailure(device, error, systemMountTable());
}

std::unique_ptr<ScsiTransport> openSystemTransport(const std::string& address) {
  return std::make_unique<SgIoTransport>(address);
}

std::string systemDriveName(const std::string& address) {
  // "CdRomN" is /dev/srN.
  return address.rfind("/dev/sr", 0) == 0 ? "CdRom" + address.substr(7) : std::string();
}

std::string systemMountPoint(const std::string& address) {
  return mountPointIn(systemMountTable(), address).value_or(std::string());
}

struct KeepSignalDispositions::Saved {
  struct One {
    bool valid = false;
    struct sigaction action {};
  };
  std::array<One, NSIG> signals{};
};

KeepSignalDispositions::KeepSignalDispositions() : saved_(std::make_unique<Saved>()) {
  for (int s = 1; s < NSIG; ++s) {
    auto& one = saved_->signals[size_t(s)];
    one.valid = ::sigaction(s, nullptr, &one.action) == 0;
  }
}

KeepSignalDispositions::~KeepSignalDispositions() {
  for (int s = 1; s < NSIG; ++s) {
    const auto& before = saved_->signals[size_t(s)];
    struct sigaction now {};
    if (!before.valid || ::sigaction(s, nullptr, &now) != 0) continue;
    if (now.sa_handler != before.action.sa_handler || now.sa_flags != before.action.sa_flags)
      ::sigaction(s, &before.action, nullptr);
  }
}

}  // namespace discwright
