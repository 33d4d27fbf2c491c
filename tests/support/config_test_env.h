// Shared set-up of the configuration tests: each test runs in a fresh empty
// working directory, so "sdcard/config.json" and "config.json" start absent.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

class ConfigFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/qsodeck-config-XXXXXX";
    char *dir = mkdtemp(pattern);
    ASSERT_NE(dir, nullptr);
    dir_ = dir;
    ASSERT_EQ(chdir(dir_.c_str()), 0);
    setenv("QSODECK_DESKTOP_TRACE", "1", 1);
  }

  void TearDown() override {
    if (chdir("/tmp") != 0) return;
    std::string cmd = "chmod -R u+w '" + dir_ + "' 2>/dev/null; rm -rf '" + dir_ + "'";
    if (system(cmd.c_str()) != 0) {
      // best effort: a leftover temp folder does not fail the test
    }
  }

  // Writes text to a path below the working directory, creating "sdcard".
  static void writeFile(const std::string &path, const std::string &text) {
    mkdir("sdcard", 0755);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
  }

  static void writeConfig(const std::string &text) { writeFile("sdcard/config.json", text); }

  static std::string readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  std::string dir_;
};
