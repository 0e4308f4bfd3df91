// How long an accessibility request waits for its answer during a burn: a
// thread of its own calls, over a private session bus, an object served on the
// window thread, the way a screen reader's requests reach the accessibility
// bridge (the bus thread hands each call to the window thread and waits).
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QVariant>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

class A11yProbe {
 public:
  // value is read on the window thread for every request (the progress bar's value).
  explicit A11yProbe(std::function<int()> value) : object_(std::move(value)) {}
  ~A11yProbe() { stop(); }

  // False when no dbus-daemon is installed.
  bool start() {
    if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty()) return false;
    daemon_.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address"});
    if (!daemon_.waitForReadyRead(5000)) return false;
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    QDBusConnection server = QDBusConnection::connectToBus(address_, QStringLiteral("a11y-probe-server"));
    if (!server.registerVirtualObject(QStringLiteral("/probe"), &object_)) return false;
    serverName_ = server.baseService();
    running_ = true;
    client_ = std::thread([this] { Ask(); });
    return true;
  }
  void stop() {
    running_ = false;
    if (client_.joinable()) client_.join();
    QDBusConnection::disconnectFromBus(QStringLiteral("a11y-probe-server"));
    if (daemon_.state() != QProcess::NotRunning) {
      daemon_.terminate();
      daemon_.waitForFinished(3000);
    }
  }
  qint64 longestMs() const { return longestMs_; }
  int answers() const { return answers_; }

 private:
  class ValueObject final : public QDBusVirtualObject {
   public:
    explicit ValueObject(std::function<int()> value) : value_(std::move(value)) {}
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
      connection.send(message.createReply(QVariant(value_())));
      return true;
    }

   private:
    std::function<int()> value_;
  };

  // Fifty requests a second: more than a screen reader makes, so that even a
  // short pass gives enough answers to find the slow ones.
  void Ask() {
    {
      QDBusConnection client = QDBusConnection::connectToBus(address_, QStringLiteral("a11y-probe-client"));
      while (running_) {
        QDBusMessage call = QDBusMessage::createMethodCall(serverName_, QStringLiteral("/probe"),
                                                           QStringLiteral("org.a11y.atspi.Value"),
                                                           QStringLiteral("CurrentValue"));
        QElapsedTimer clock;
        clock.start();
        const QDBusMessage reply = client.call(call, QDBus::Block, 30000);
        if (reply.type() == QDBusMessage::ReplyMessage) {
          longestMs_ = std::max<qint64>(longestMs_, clock.elapsed());
          ++answers_;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("a11y-probe-client"));
  }

  ValueObject object_;
  QProcess daemon_;
  QString address_, serverName_;
  std::atomic<bool> running_{false};
  std::atomic<qint64> longestMs_{0};
  std::atomic<int> answers_{0};
  std::thread client_;
};
