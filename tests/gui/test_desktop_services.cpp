// The program as a citizen of the desktop, against services of the test's own:
// a private session bus with a fake logind and a fake notification server,
// and drive events fed through a pipe instead of udev.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QThread>
#include <QtTest/QTest>

#include <deque>
#include <mutex>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "sbDesktopNotice.h"
#include "sbDriveWatch.h"
#include "sbSleepInhibitor.h"

namespace {

// A dbus-daemon of the test's own, ended with the object.
class PrivateBus {
 public:
  PrivateBus() {
    if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty()) return;
    daemon_.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address"});
    if (daemon_.waitForReadyRead(5000)) address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
  }
  ~PrivateBus() {
    for (const QString& name : names_) QDBusConnection::disconnectFromBus(name);
    daemon_.terminate();
    daemon_.waitForFinished(3000);
  }
  bool Up() const { return !address_.isEmpty(); }
  // A connection of its own under a name unique to this bus.
  QDBusConnection Connect(const QString& name) {
    names_ << name + address_;
    return QDBusConnection::connectToBus(address_, name + address_);
  }

 private:
  QProcess daemon_;
  QString address_;
  QStringList names_;
};

// Answers the calls to one object path in a thread of its own (the caller
// blocks the window thread), recording them.
class FakeService : public QDBusVirtualObject {
 public:
  using Answer = std::function<QDBusMessage(const QDBusMessage&)>;
  explicit FakeService(Answer answer) : answer_(std::move(answer)) {}
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    {
      std::lock_guard lock(mutex_);
      calls_.push_back(message);
    }
    connection.send(answer_(message));
    return true;
  }
  std::vector<QDBusMessage> Calls() const {
    std::lock_guard lock(mutex_);
    return {calls_.begin(), calls_.end()};
  }

 private:
  Answer answer_;
  mutable std::mutex mutex_;
  std::deque<QDBusMessage> calls_;
};

// A service registered under its well-known name on the private bus.
struct Served {
  Served(PrivateBus& bus, const QString& service, const QString& path, FakeService::Answer answer)
      : object(std::move(answer)) {
    connection = std::make_unique<QDBusConnection>(bus.Connect(service));
    object.moveToThread(&thread);
    thread.start();
    EXPECT_TRUE(connection->registerVirtualObject(path, &object));
    EXPECT_TRUE(connection->registerService(service));
  }
  ~Served() {
    thread.quit();
    thread.wait();
  }
  QThread thread;
  FakeService object;
  std::unique_ptr<QDBusConnection> connection;
};

class DesktopServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!bus.Up()) GTEST_SKIP() << "dbus-daemon is not installed";
  }
  PrivateBus bus;
};

}  // namespace

TEST_F(DesktopServicesTest, TheSleepInhibitorIsAskedOfLogindAndReleasedWithTheRun) {
  int readEnd = -1;
  Served logind(bus, QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                [&](const QDBusMessage& call) {
                  int fds[2];
                  EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
                  readEnd = fds[0];
                  QDBusMessage reply = call.createReply(QVariant::fromValue(QDBusUnixFileDescriptor(fds[1])));
                  ::close(fds[1]);
                  return reply;
                });
  {
    TsbSleepInhibitor inhibitor(bus.Connect(QStringLiteral("client")));
    EXPECT_TRUE(inhibitor.Held());
    const auto calls = logind.object.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].interface(), QStringLiteral("org.freedesktop.login1.Manager"));
    EXPECT_EQ(calls[0].member(), QStringLiteral("Inhibit"));
    EXPECT_EQ(calls[0].arguments(),
              (QVariantList{"sleep:idle", "Korvanel", "Burning a disc", "block"}));
    pollfd open{readEnd, POLLIN, 0};
    EXPECT_EQ(::poll(&open, 1, 0), 0);  // still held
  }
  // Released: the last write end of the inhibitor's pipe is closed.
  pollfd released{readEnd, POLLIN, 0};
  EXPECT_EQ(::poll(&released, 1, 2000), 1);
  char byte;
  EXPECT_EQ(::read(readEnd, &byte, 1), 0);
  ::close(readEnd);
}

TEST_F(DesktopServicesTest, WithoutLogindTheRunGoesOnWithoutAnInhibitor) {
  TsbSleepInhibitor inhibitor(bus.Connect(QStringLiteral("lonely")));
  EXPECT_FALSE(inhibitor.Held());
  TsbSleepInhibitor noBus(QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), "nobus"));
  EXPECT_FALSE(noBus.Held());
  QDBusConnection::disconnectFromBus(QStringLiteral("nobus"));
}

TEST_F(DesktopServicesTest, TheNoticeCarriesTheOutcomeToTheNotificationServer) {
  Served server(bus, QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
                [](const QDBusMessage& call) { return call.createReply(QVariant::fromValue(uint(7))); });
  EXPECT_TRUE(SendDesktopNotice(QStringLiteral("Korvanel"), QStringLiteral("Burning completed successfully!"),
                                bus.Connect(QStringLiteral("notifier"))));
  ASSERT_TRUE(QTest::qWaitFor([&] { return server.object.Calls().size() == 1; }, 3000));
  const QDBusMessage call = server.object.Calls()[0];
  EXPECT_EQ(call.member(), QStringLiteral("Notify"));
  ASSERT_EQ(call.arguments().size(), 8);
  EXPECT_EQ(call.arguments()[0].toString(), QStringLiteral("Korvanel"));
  EXPECT_EQ(call.arguments()[4].toString(), QStringLiteral("Burning completed successfully!"));
}

namespace {

// Drive events written by the test, read as udev's monitor would hand them on.
class PipeSource final : public TsbDriveEventSource {
 public:
  PipeSource() { EXPECT_EQ(::pipe2(fds_, O_CLOEXEC | O_NONBLOCK), 0); }
  ~PipeSource() override {
    ::close(fds_[0]);
    ::close(fds_[1]);
  }
  int Descriptor() const override { return fds_[0]; }
  std::optional<TsbDriveEvent> Receive() override {
    char byte;
    if (::read(fds_[0], &byte, 1) != 1) return std::nullopt;
    std::lock_guard lock(mutex_);
    TsbDriveEvent event = events_.front();
    events_.pop_front();
    return event;
  }
  void Send(TsbDriveEvent event) {
    {
      std::lock_guard lock(mutex_);
      events_.push_back(std::move(event));
    }
    EXPECT_EQ(::write(fds_[1], "e", 1), 1);
  }

 private:
  int fds_[2];
  std::mutex mutex_;
  std::deque<TsbDriveEvent> events_;
};

}  // namespace

TEST(DriveWatch, CdDrivesAndTheirMediaChangesAreReportedByNameAndOtherDisksAreNot) {
  struct Case {
    TsbDriveEvent event;
    QString expected;
  } cases[] = {
      {{"change", "/dev/sr0", {{"ID_CDROM", "1"}, {"DISK_MEDIA_CHANGE", "1"}}}, "CdRom0"},
      {{"add", "/dev/sr12", {{"ID_CDROM", "1"}}}, "CdRom12"},
      {{"remove", "/dev/sr3", {}}, "CdRom3"},
      {{"change", "/dev/sda", {{"DEVTYPE", "disk"}}}, ""},
      {{"change", "/dev/sr1", {{"ID_CDROM", "0"}}}, ""},
      {{"bind", "/dev/sr0", {{"ID_CDROM", "1"}}}, ""},
  };
  auto* source = new PipeSource;
  TsbDriveWatch watch{std::unique_ptr<TsbDriveEventSource>(source)};
  QSignalSpy changed(&watch, &TsbDriveWatch::DriveChanged);
  QStringList expected;
  for (const Case& c : cases) {
    EXPECT_EQ(DriveNameOfEvent(c.event), c.expected) << c.event.DevNode.toStdString();
    source->Send(c.event);
    if (!c.expected.isEmpty()) expected << c.expected;
  }
  EXPECT_TRUE(QTest::qWaitFor([&] { return changed.size() == expected.size(); }, 3000));
  QStringList names;
  for (const QList<QVariant>& signal : changed) names << signal.value(0).toString();
  EXPECT_EQ(names, expected);
}
