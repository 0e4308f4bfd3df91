// The drive events of Windows: the volume broadcasts of WM_DEVICECHANGE.
#include "sbDriveWatch_windows.h"

#include <windows.h>
#include <dbt.h>

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>

#include "sbLogging.h"
#include "sbOpticalDriveNames.h"

namespace {

// The system sends one broadcast to each top-level window, and a window's message may
// pass the filters twice (the loop's and the window's): the same news within this
// time is one event.
constexpr ULONGLONG kSameBroadcastMs = 500;

QString SystemOpticalLetters() {
  QString letters;
  const DWORD drives = GetLogicalDrives();
  for (int bit = 0; bit < 26; ++bit) {
    if (!(drives & (DWORD(1) << bit))) continue;
    const wchar_t root[] = {wchar_t(L'A' + bit), L':', L'\\', L'\0'};
    if (GetDriveTypeW(root) == DRIVE_CDROM) letters += QChar(u'A' + bit);
  }
  return letters;
}

class VolumeSource final : public TsbDriveEventSource, public QAbstractNativeEventFilter {
 public:
  explicit VolumeSource(std::function<QString()> opticalLetters)
      : opticalLetters_(std::move(opticalLetters)), letters_(opticalLetters_()) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
      LogDiagnostic(QStringLiteral("No application for drive events: the device list changes on Refresh only"));
      return;
    }
    // A console program has no top-level window, and the broadcasts go to those alone.
    if (!app->inherits("QGuiApplication"))
      LogDiagnostic(QStringLiteral("No window receives drive events: drives are asked again now and then"));
    app->installNativeEventFilter(this);
    installed_ = true;
  }
  ~VolumeSource() override {
    if (installed_ && QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
  }

  int Descriptor() const override { return -1; }
  std::optional<TsbDriveEvent> Receive() override { return std::nullopt; }
  void DeliverTo(Delivery deliver) override { deliver_ = std::move(deliver); }

  bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
    if (type != "windows_generic_MSG") return false;
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message != WM_DEVICECHANGE ||
        (msg->wParam != DBT_DEVICEARRIVAL && msg->wParam != DBT_DEVICEREMOVECOMPLETE) || !msg->lParam)
      return false;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(msg->lParam);
    if (header->dbch_devicetype != DBT_DEVTYP_VOLUME) return false;
    const auto* volume = reinterpret_cast<const DEV_BROADCAST_VOLUME*>(header);
    Handle(msg->wParam == DBT_DEVICEARRIVAL, volume->dbcv_unitmask, (volume->dbcv_flags & DBTF_MEDIA) != 0);
    // Every window is owed the broadcast: it is not taken away from the others.
    return false;
  }

 private:
  void Handle(bool arrival, DWORD unitMask, bool media) {
    const ULONGLONG now = GetTickCount64();
    if (lastArrival_ == arrival && lastMask_ == unitMask && lastMedia_ == media && now - lastAt_ < kSameBroadcastMs)
      return;
    lastArrival_ = arrival, lastMask_ = unitMask, lastMedia_ = media, lastAt_ = now;

    const QString before = letters_;
    letters_ = opticalLetters_();
    QStringList reported;
    auto report = [&](const QString& action, const QString& name, QChar letter) {
      if (name.isEmpty() || reported.contains(name) || !deliver_) return;
      reported << name;
      deliver_(TsbDriveEvent{action, name, {{QStringLiteral("DRIVE_LETTER"), QString(letter)}}});
    };
    for (const QChar letter : LettersOfUnitMask(unitMask)) {
      if (media)
        report(QStringLiteral("change"), OpticalDriveName(letters_, letter), letter);
      else if (arrival)
        report(QStringLiteral("add"), OpticalDriveName(letters_, letter), letter);
      else
        report(QStringLiteral("remove"), OpticalDriveName(before, letter), letter);
    }
    if (!media)
      for (const QString& name : OpticalDriveNamesMoved(before, letters_)) report(QStringLiteral("change"), name, QChar());
  }

  std::function<QString()> opticalLetters_;
  QString letters_;  // the optical drives' letters as of the last broadcast
  Delivery deliver_;
  bool installed_ = false;
  bool lastArrival_ = false, lastMedia_ = false;
  DWORD lastMask_ = 0;
  ULONGLONG lastAt_ = 0;
};

}  // namespace

std::unique_ptr<TsbDriveEventSource> MakeVolumeEventSource(std::function<QString()> opticalLetters) {
  return std::make_unique<VolumeSource>(std::move(opticalLetters));
}

std::unique_ptr<TsbDriveEventSource> MakeSystemDriveEventSource() { return MakeVolumeEventSource(SystemOpticalLetters); }
