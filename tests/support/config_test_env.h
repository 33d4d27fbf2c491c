// Shared set-up of the configuration tests: each test runs in a fresh empty
// working directory, so "sdcard/config.json" and "config.json" start absent.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "support/temp_files.h"

class ConfigFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = makeTempDir("/tmp/qsodeck-config-");
    ASSERT_FALSE(dir_.empty());
    ASSERT_EQ(chdir(dir_.c_str()), 0);
    setenv("QSODECK_DESKTOP_TRACE", "1", 1);
  }

  void TearDown() override {
    if (chdir("/tmp") != 0) return;
    removeTempDir(dir_);  // best effort: a leftover temp folder does not fail the test
  }

  // Writes text to a path below the working directory, creating "sdcard".
  static void writeFile(const std::string &path, const std::string &text) {
    mkdir("sdcard", 0755);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
  }

  static void writeConfig(const std::string &text) { writeFile("sdcard/config.json", text); }

  static std::string readFile(const std::string &path) { return readWholeFile(path); }

  std::string dir_;
};
