#include <gtest/gtest.h>

#include <QGuiApplication>

// The helpers draw, ask for the screen and run network requests: a
// graphical application on the offscreen platform gives them all of that.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
