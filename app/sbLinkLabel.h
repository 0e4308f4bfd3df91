// A label that acts as a link: hand cursor, underlined, reachable with Tab and
// activated by a click, Enter or Space. The text stays plain (it is what the
// link opens); when the label is too narrow it is elided in the middle.
#pragma once

#include <QLabel>

class TLinkLabel : public QLabel {
  Q_OBJECT

 public:
  explicit TLinkLabel(const QString& text = {}, QWidget* parent = nullptr);

  QSize minimumSizeHint() const override;

 signals:
  void clicked();

 protected:
  bool event(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  bool pressed_ = false;
};
