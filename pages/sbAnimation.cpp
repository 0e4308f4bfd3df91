#include "sbAnimation.h"

#include <QPainter>

#include <algorithm>
#include <array>

#include "sbErrors.h"

namespace {

struct AnimationResource {
  const char* name;
  const char* file;  // made by scripts/make-animation.py
  int frames;
  int intervalMs;
};

constexpr std::array kAnimations{
    AnimationResource{"MYCLOCK", ":/animation/myclock.png", 30, 20},
};

}  // namespace

TsbAnimation::TsbAnimation(QWidget* parent) : QWidget(parent) {
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, &TsbAnimation::Step);
}

void TsbAnimation::SetResName(const QString& name) {
  const auto found = std::find_if(kAnimations.begin(), kAnimations.end(),
                                  [&](const AnimationResource& r) { return name.compare(r.name, Qt::CaseInsensitive) == 0; });
  if (found == kAnimations.end()) throw TsbError(tr("There is no animation named \"%1\"").arg(name));
  QImage strip(QString::fromLatin1(found->file));
  if (strip.isNull())
    throw TsbError(tr("The animation \"%1\" cannot be read from %2: not a readable image")
                       .arg(name, QString::fromLatin1(found->file)));
  if (strip.height() % found->frames != 0)
    throw TsbError(tr("The animation \"%1\" in %2 is %3 pixels high, which is not %4 frames of equal height")
                       .arg(name, QString::fromLatin1(found->file))
                       .arg(strip.height())
                       .arg(found->frames));
  resName_ = name;
  strip_ = std::move(strip);
  frameCount_ = found->frames;
  frame_ = 0;
  timer_.setInterval(found->intervalMs);
  update();
}

void TsbAnimation::Start() {
  if (frameCount_ > 0) timer_.start();
}

void TsbAnimation::Stop() { timer_.stop(); }

void TsbAnimation::Step() {
  frame_ = (frame_ + 1) % frameCount_;
  update();
}

void TsbAnimation::paintEvent(QPaintEvent*) {
  if (frameCount_ == 0) return;
  const int frameHeight = strip_.height() / frameCount_;
  const QRect source(0, frame_ * frameHeight, strip_.width(), frameHeight);
  QPainter painter(this);
  // The frame keeps its size, centred, so the artwork is never stretched.
  QRect target(QPoint(0, 0), source.size());
  target.moveCenter(rect().center());
  painter.drawImage(target, strip_, source);
}
