// libburn.h is not combined with libisofs.h here: both declare struct burn_source.
#include "libburn/libburn_runtime.h"

#include <libburn/libburn.h>

#include <chrono>
#include <thread>

#include "error.h"
#include "libburn/drive_system.h"

namespace discwright {

using namespace burn;

namespace {
std::mutex instanceMutex;
std::weak_ptr<LibburnRuntime> instanceRef;

int severityRank(const std::string& severity) {
  static const char* order[] = {"ALL", "DEBUG", "UPDATE", "NOTE", "HINT", "WARNING", "SORRY", "FAILURE", "FATAL", "ABORT"};
  for (int i = 0; i < int(std::size(order)); ++i)
    if (severity == order[i]) return i;
  return 0;
}
}  // namespace

std::shared_ptr<LibburnRuntime> LibburnRuntime::acquire() {
  std::lock_guard lock(instanceMutex);
  if (auto running = instanceRef.lock()) return running;
  std::shared_ptr<LibburnRuntime> runtime(new LibburnRuntime());  // private constructor
  instanceRef = runtime;
  return runtime;
}

LibburnRuntime::LibburnRuntime() {
  KeepSignalDispositions keep;
  if (burn_initialize() != 1)
    throw DwError(DW_E_INTERNAL, "The drive library libburn could not start; real drives are not available");
  // burn_set_signal_handling is never called: each of its modes sets the
  // disposition of nearly every signal (mode 1 resets them all to the default,
  // which killed the process on Ctrl+C instead of cancelling the burn), and
  // without the call libburn installs no handler of its own. Its worker
  // threads block the signals, so they reach the application's threads.
  // A file that cannot be opened for writing becomes a read-only medium
  // (a complete disc), not a blank one that fails when burned.
  burn_allow_drive_role_4(1 | 2);
  // Everything is queued (the end of the write thread is a DEBUG message), nothing is printed.
  burn_msgs_set_severities(const_cast<char*>("ALL"), const_cast<char*>("NEVER"), const_cast<char*>("discwright: "));
}

LibburnRuntime::~LibburnRuntime() {
  KeepSignalDispositions keep;
  burn_finish();
}

std::vector<LibburnMessage> LibburnRuntime::drain() {
  std::vector<LibburnMessage> messages;
  int code = 0, osErrno = 0;
  char text[BURN_MSGS_MESSAGE_LEN];
  char severity[80];
  while (burn_msgs_obtain(const_cast<char*>("ALL"), &code, text, &osErrno, severity) == 1)
    messages.push_back({code, severity, text});
  return messages;
}

std::string LibburnRuntime::worstText(const std::vector<LibburnMessage>& messages) {
  const LibburnMessage* worst = nullptr;
  for (const auto& m : messages)
    if (severityRank(m.severity) >= severityRank("SORRY") && (!worst || severityRank(m.severity) > severityRank(worst->severity)))
      worst = &m;
  return worst ? worst->text : std::string();
}

std::vector<ScannedDrive> scanRealDrives(LibburnRuntime& runtime) {
  std::lock_guard lock(runtime.mutex());
  burn_drive_info* infos = nullptr;
  unsigned count = 0;
  int done = 0;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while ((done = burn_drive_scan(&infos, &count)) == 0) {
    if (std::chrono::steady_clock::now() > deadline)
      throw DwError(DW_E_NOT_READY, "Scanning for CD/DVD drives did not finish within 30 seconds; try again");
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (done < 0) {
    std::string why = LibburnRuntime::worstText(runtime.drain());
    throw DwError(DW_E_IO, "Scanning for CD/DVD drives failed" + (why.empty() ? std::string() : ": " + why));
  }
  std::vector<ScannedDrive> drives;
  for (unsigned i = 0; i < count; ++i) {
    char adr[BURN_DRIVE_ADR_LEN] = {};
    if (burn_drive_get_adr(&infos[i], adr) <= 0) continue;
    ScannedDrive drive;
    drive.libburnAddress = adr;
    drive.name = systemDriveName(adr);
    int bus = 0, host = 0, channel = 0, target = 0, lun = 0;
    if (burn_drive_obtain_scsi_adr(adr, &bus, &host, &channel, &target, &lun) == 1)
      drive.address = {1, uint8_t(host), uint8_t(channel), uint8_t(target), uint8_t(lun)};
    if (!drive.name.empty() && drive.address.Valid) drives.push_back(drive);
    // Scanning leaves drives open; they are grabbed again per operation.
    burn_drive_info_forget(&infos[i], 0);
  }
  if (infos) burn_drive_info_free(infos);
  runtime.drain();
  return drives;
}

}  // namespace discwright
