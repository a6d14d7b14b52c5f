#pragma once
// Test surroundings of the site builder: drive C ($VESK_DRIVE_C) and the
// current directory each point at a temporary folder of their own for the
// length of a test.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "common/temp_dir.h"
#include "platform/ini.h"
#include "platform/paths.h"

namespace testing_support {

class BuilderEnv : public ::testing::Test {
 protected:
  void SetUp() override {
    oldCwd_ = platform::CurrentDirectory();
    if (const char* old = std::getenv("VESK_DRIVE_C")) oldDrive_ = old;
    ::setenv("VESK_DRIVE_C", drive.path().c_str(), 1);
    ASSERT_EQ(::chdir(work.path().c_str()), 0);
    platform::ClearIniCache();
  }
  void TearDown() override {
    if (::chdir(oldCwd_.c_str()) != 0) ADD_FAILURE() << "cannot restore the current directory";
    if (oldDrive_) {
      ::setenv("VESK_DRIVE_C", oldDrive_->c_str(), 1);
    } else {
      ::unsetenv("VESK_DRIVE_C");
    }
    platform::ClearIniCache();
  }

  /// The default catalogue folder "C:\VESK\DOCS" on the test's drive C.
  std::string DefaultDocs() const { return drive.path() + "/VESK/DOCS/"; }

  TempDir drive;
  TempDir work;

 private:
  std::string oldCwd_;
  std::optional<std::string> oldDrive_;
};

}  // namespace testing_support
