#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QUuid>

#include "ui/UiTestSupport.h"
#include "ui/VQSingleInstance.h"

using vq::app::VQSingleInstance;

namespace {

QString uniqueName() { return "vellumate-test-" + QUuid::createUuid().toString(QUuid::WithoutBraces); }

// A second launch hands its files to the running instance, in order.
TEST(SingleInstanceTest, SecondLaunchHandsItsFilesOver) {
  const QString name = uniqueName();
  VQSingleInstance running(name);
  ASSERT_TRUE(running.listen());
  QList<QStringList> received;
  QObject::connect(&running, &VQSingleInstance::filesReceived, [&](const QStringList& files) { received << files; });
  VQSingleInstance second(name);
  ASSERT_TRUE(second.sendToRunningInstance({"/tmp/a b.pdf", "/tmp/ä.pdf"}));
  ASSERT_TRUE(vqtest::waitUntil([&] { return !received.isEmpty(); }, 10000));
  EXPECT_EQ(received.front(), QStringList({"/tmp/a b.pdf", "/tmp/ä.pdf"}));
}

// Nobody listening: the launch becomes the running instance itself.
TEST(SingleInstanceTest, WithoutARunningInstanceNothingIsSent) {
  VQSingleInstance first(uniqueName());
  EXPECT_FALSE(first.sendToRunningInstance({"/tmp/a.pdf"}));
  EXPECT_TRUE(first.listen());
}

}  // namespace
