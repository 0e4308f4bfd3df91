// The splash: its fade, the premultiplied picture, the guard against a picture
// that is not 32 bits per pixel, and how it goes away.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include "SplashForm.h"
#include "sbErrors.h"

TEST(SplashTest, FadeRisesInEightyFiveStepsToExactlyOpaque) {
  const std::vector<int> steps = FadeSteps();
  ASSERT_EQ(steps.size(), 85u);
  EXPECT_EQ(std::vector<int>(steps.begin(), steps.begin() + 6), (std::vector<int>{8, 16, 24, 32, 39, 46}));
  EXPECT_EQ(std::vector<int>(steps.end() - 3, steps.end()), (std::vector<int>{253, 254, 255}));
  for (size_t i = 1; i < steps.size(); ++i) EXPECT_GT(steps[i], steps[i - 1]) << "step " << i << " wrapped";
}

TEST(SplashTest, PremultipliesColoursByAlphaAndKeepsAlpha) {
  struct Case {
    QRgb straight, premultiplied;
  } cases[] = {
      {qRgba(0, 0, 0, 0), qRgba(0, 0, 0, 0)},
      {qRgba(255, 255, 255, 0), qRgba(0, 0, 0, 0)},  // fully transparent stays so, whatever its colour
      {qRgba(255, 255, 255, 128), qRgba(128, 128, 128, 128)},
      {qRgba(200, 100, 50, 51), qRgba(40, 20, 10, 51)},  // truncated, not rounded
      {qRgba(12, 34, 56, 255), qRgba(12, 34, 56, 255)},
  };
  QImage image(int(std::size(cases)), 1, QImage::Format_ARGB32);
  for (int x = 0; x < image.width(); ++x) image.setPixel(x, 0, cases[x].straight);
  PremultiplyAlpha(image);
  EXPECT_EQ(image.format(), QImage::Format_ARGB32_Premultiplied);
  for (int x = 0; x < image.width(); ++x)
    EXPECT_EQ(reinterpret_cast<const QRgb*>(image.constScanLine(0))[x], cases[x].premultiplied) << "pixel " << x;
}

TEST(SplashTest, RefusesAPictureThatIsNot32BitsPerPixel) {
  for (const QImage& image : {QImage(4, 4, QImage::Format_RGB16), QImage(4, 4, QImage::Format_Indexed8), QImage()}) {
    try {
      CheckSplashBitmap(image, "splash.bmp");
      ADD_FAILURE() << "accepted depth " << image.depth();
    } catch (const TsbError& e) {
      EXPECT_TRUE(e.Message().startsWith("Wrong bitmap format - must be 32 bits/pixel")) << e.what();
      EXPECT_TRUE(e.Message().contains("splash.bmp")) << e.what();
    }
  }
  EXPECT_NO_THROW(CheckSplashBitmap(QImage(4, 4, QImage::Format_ARGB32), "splash.png"));

  auto* missing = new TFormSplash("/nonexistent/splash.png");
  EXPECT_THROW(missing->ShowSplash(0), TsbError);
  delete missing;
}

TEST(SplashTest, ShowsTheEmbeddedPictureOpaqueAndClosesOnAKeyOrItsTimer) {
  QPointer<TFormSplash> splash = new TFormSplash;
  splash->ShowSplash(0);
  EXPECT_EQ(splash->windowTitle(), "Splash!");
  EXPECT_EQ(splash->size(), QSize(480, 200));
  EXPECT_EQ(splash->ConstantAlpha(), 255);
  EXPECT_TRUE(splash->isVisible());
  EXPECT_TRUE(splash->TimerSplash->isActive());
  EXPECT_TRUE(splash->TimerSplash->isSingleShot());
  EXPECT_EQ(splash->TimerSplash->interval(), 1000);
  QTest::keyClick(splash.data(), Qt::Key_Space);
  EXPECT_TRUE(QTest::qWaitFor([&] { return splash.isNull(); }, 1000)) << "a key left the splash open";

  // A key while it still fades in closes it there, with the fade.
  splash = new TFormSplash;
  QTimer::singleShot(20, [&] { QTest::keyClick(splash.data(), Qt::Key_Escape); });
  splash->ShowSplash(1);
  EXPECT_TRUE(QTest::qWaitFor([&] { return splash.isNull(); }, 1000)) << "a key in the fade left the splash open";

  splash = new TFormSplash;
  splash->ShowSplash(0);
  splash->TimerSplash->start(10);
  EXPECT_TRUE(QTest::qWaitFor([&] { return splash.isNull(); }, 2000)) << "the timer left the splash open";
}

TEST(SplashTest, MovesWhereverItIsDragged) {
  auto splash = std::make_unique<TFormSplash>();
  splash->ShowSplash(0);
  splash->TimerSplash->stop();
  const QPoint start = splash->pos();
  const QPointF grip(300, 150), moved = splash->mapToGlobal(grip) + QPointF(40, 25);
  QMouseEvent press(QEvent::MouseButtonPress, grip, splash->mapToGlobal(grip), Qt::LeftButton, Qt::LeftButton, {});
  QApplication::sendEvent(splash.get(), &press);
  QMouseEvent move(QEvent::MouseMove, grip, moved, Qt::NoButton, Qt::LeftButton, {});
  QApplication::sendEvent(splash.get(), &move);
  EXPECT_EQ(splash->pos(), start + QPoint(40, 25));
}
