// The library session: the devices of this session and the handle table.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Discwright.h"
#include "device.h"
#include "handle_table.h"

namespace discwright {

class Library {
 public:
  static Library& instance();

  // Throws DwError with a message for the user when start-up fails.
  void start(const DiscwrightStartup& startup);
  void stop();
  bool started() const;

  // DwError(DW_E_NOT_STARTED) when the session is down.
  std::vector<std::shared_ptr<Device>> devices() const;
  std::shared_ptr<Device> deviceByAddress(uint8_t port, uint8_t bus, uint8_t target, uint8_t lun) const;
  std::shared_ptr<Device> deviceByName(const std::string& name) const;

  HandleTable& handles() { return handles_; }

 private:
  void requireStarted() const;

  mutable std::mutex mutex_;
  bool started_ = false;
  std::vector<std::shared_ptr<Device>> devices_;
  HandleTable handles_;
};

}  // namespace discwright
