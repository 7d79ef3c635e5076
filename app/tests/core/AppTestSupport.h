#pragma once
// Every application test runs against a settings file and an output folder
// of its own, so that neither the user's settings nor another test's choices
// leak in.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "core/VQSandBoxUtilities.h"
#include "core/VQUserDefaults.h"

namespace vqtest {

// Settings in a scratch file and outputs in a scratch folder, for as long
// as it lives.
class ScratchSettings {
 public:
  ScratchSettings() {
    vq::app::VQUserDefaults::useFile(dir_.filePath("settings.ini"));
    QDir(dir_.path()).mkpath("out");
    vq::app::VQSandBoxUtilities::SaveUserSelectedOutputURLBookmark(outputDir());
  }
  ~ScratchSettings() { vq::app::VQUserDefaults::useFile(QString()); }
  ScratchSettings(const ScratchSettings&) = delete;
  ScratchSettings& operator=(const ScratchSettings&) = delete;

  bool isValid() const { return dir_.isValid(); }
  QString filePath(const QString& name) const { return dir_.filePath(name); }
  QString outputDir() const { return dir_.filePath("out"); }

 private:
  QTemporaryDir dir_;
};

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(scratch_.isValid()); }

  QString scratchPath(const QString& name) const { return scratch_.filePath(name); }
  QString outputDir() const { return scratch_.outputDir(); }
  // Writes `bytes` to `name` in the scratch folder and returns its path.
  QString writeFile(const QString& name, const QByteArray& bytes) const {
    const QString path = scratch_.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
    return path;
  }

 private:
  ScratchSettings scratch_;
};

}  // namespace vqtest
