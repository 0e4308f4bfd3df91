// The failure the burning classes raise: it carries the text the user sees.
#pragma once

#include <QString>

#include <stdexcept>

class TsbError : public std::runtime_error {
 public:
  explicit TsbError(const QString& message) : std::runtime_error(message.toStdString()), message_(message) {}
  const QString& Message() const noexcept { return message_; }

 private:
  QString message_;
};
