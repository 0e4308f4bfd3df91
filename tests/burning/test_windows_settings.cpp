// The diagnostic log's switch in the registry, as an administrator or a user sets it:
// the machine's key first, the user's hive where the machine's cannot be written.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <QString>

#include <optional>
#include <string>

#include "sbLogging.h"

namespace {

const wchar_t kProduct[] = L"Software\\Korvanel";
const wchar_t kWizard[] = L"Software\\Korvanel\\Wizard";

bool KeyExists(HKEY hive, const wchar_t* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(hive, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

bool HasValue(HKEY hive, const wchar_t* name) {
  return RegGetValueW(hive, kWizard, name, RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// What one hive holds: text as an administrator types it into the editor, or a number.
struct Values {
  std::optional<std::wstring> enabled, level;
  std::optional<DWORD> enabledNumber;
};

void Write(HKEY hive, const Values& values) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(hive, kWizard, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
  auto text = [&](const wchar_t* name, const std::wstring& value) {
    EXPECT_EQ(RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             DWORD((value.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
  };
  if (values.enabled) text(L"LogEnabled", *values.enabled);
  if (values.level) text(L"LogLevel", *values.level);
  if (values.enabledNumber) {
    EXPECT_EQ(RegSetValueExW(key, L"LogEnabled", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*values.enabledNumber),
                             sizeof(DWORD)),
              ERROR_SUCCESS);
  }
  RegCloseKey(key);
}

// The machine's key made read-only for everyone (as for a user who is no administrator),
// its earlier permissions kept for the cleanup.
class LockedKey {
 public:
  explicit LockedKey(HKEY hive) {
    if (RegOpenKeyExW(hive, kWizard, 0, READ_CONTROL | WRITE_DAC, &key_) != ERROR_SUCCESS) return;
    DWORD size = 0;
    RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, nullptr, &size);
    previous_.resize(size);
    if (RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, previous_.data(), &size) != ERROR_SUCCESS) return;
    PSECURITY_DESCRIPTOR readOnly = nullptr;
    // Everyone: read, delete, change the permissions; no values, no subkeys.
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;KRSDWD;;;WD)", SDDL_REVISION_1, &readOnly,
                                                              nullptr))
      return;
    locked_ = RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, readOnly) == ERROR_SUCCESS;
    LocalFree(readOnly);
  }
  ~LockedKey() {
    if (locked_) RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, previous_.data());
    if (key_) RegCloseKey(key_);
  }
  bool Locked() const { return locked_; }

 private:
  HKEY key_ = nullptr;
  std::string previous_;
  bool locked_ = false;
};

bool Writable(HKEY hive) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(hive, kWizard, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// Removes what a case wrote: the product's key where it was not there before (the
// program's own QSettings create the keys on reading), else the two values.
class RegistryCleanup {
 public:
  RegistryCleanup() {
    for (Hive& hive : hives_) hive.existed = KeyExists(hive.root, kProduct);
  }
  ~RegistryCleanup() {
    for (const Hive& hive : hives_) {
      if (!hive.existed) {
        RegDeleteTreeW(hive.root, kProduct);
        continue;
      }
      HKEY key = nullptr;
      if (RegOpenKeyExW(hive.root, kWizard, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) continue;
      RegDeleteValueW(key, L"LogEnabled");
      RegDeleteValueW(key, L"LogLevel");
      RegCloseKey(key);
    }
  }

 private:
  struct Hive {
    HKEY root;
    bool existed;
  } hives_[2] = {{HKEY_LOCAL_MACHINE, false}, {HKEY_CURRENT_USER, false}};
};

}  // namespace

TEST(WindowsSettings, TheLogSwitchIsReadFromTheMachineAndFromTheUserWhereTheMachineKeyIsReadOnly) {
  for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
    for (const wchar_t* name : {L"LogEnabled", L"LogLevel"})
      if (HasValue(hive, name)) GTEST_SKIP() << "this system's log switch is set; the test leaves it alone";
  struct Case {
    const char* what;
    Values machine;
    bool machineReadOnly;
    Values user;
    bool enabled;
    int level;
  } cases[] = {
      {"the machine's key decides", {L"1", L"4", {}}, false, {L"0", L"1", {}}, true, 4},
      {"a number written by an administrator", {{}, L"2", 1}, false, {}, true, 2},
      {"a writable machine key is not overruled by the user", {}, false, {L"1", L"3", {}}, false, 0},
      {"the user's hive where the machine's is read-only", {}, true, {L"1", L"2", {}}, true, 2},
      {"a read-only machine key that holds the switch", {L"1", L"5", {}}, true, {L"0", {}, {}}, true, 5},
      {"text that is no number is off", {L"yes", L"x", {}}, false, {}, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RegistryCleanup cleanup;
    Write(HKEY_LOCAL_MACHINE, c.machine);
    Write(HKEY_CURRENT_USER, c.user);
    std::optional<LockedKey> lock;
    if (c.machineReadOnly) {
      lock.emplace(HKEY_LOCAL_MACHINE);
      ASSERT_TRUE(lock->Locked());
      if (Writable(HKEY_LOCAL_MACHINE)) GTEST_SKIP() << "this system does not enforce the permissions of registry keys";
    }
    TsbLogger logger;
    EXPECT_EQ(logger.LogEnabled.load(), c.enabled);
    EXPECT_EQ(logger.LogLevel.load(), c.level);
  }
  EXPECT_FALSE(HasValue(HKEY_LOCAL_MACHINE, L"LogEnabled"));
  EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, L"LogEnabled"));
}
