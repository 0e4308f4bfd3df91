// The GUI tests run in one QApplication on Qt's offscreen platform, with the
// burner's waits processing Qt's events as in the program.
#include <gtest/gtest.h>

#include <QApplication>

#include "sbMainForm.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ProcessQtEventsWhileWaiting();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
