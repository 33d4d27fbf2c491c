// Start-up options: the command line and environment that place the writable
// storage and the shipped content, the storage check, --help and --version.

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "core/config_file.h"
#include "host/startup_options.h"
#include "host/storage.h"
#include "host/version.h"
#include "support/config_test_env.h"
#include "support/temp_files.h"

namespace {

DesktopOptions parse(std::vector<std::string> args) {
  args.insert(args.begin(), "qsodeck");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(&a[0]);
  return desktopParseOptions((int)argv.size(), argv.data());
}

class StartupOptionsTest : public ConfigFileTest {
 protected:
  void SetUp() override {
    ConfigFileTest::SetUp();
    unsetenv("QSODECK_STORAGE");
    unsetenv("QSODECK_ASSETS");
    setenv("HOME", "/home/op", 1);
  }
  void TearDown() override {
    chmod((dir_ + "/locked").c_str(), 0755);
    SD.setRoot("sdcard");
    SD.setShippedRoot(nullptr);
    storageReadOnly = false;
    storageFolderChosen = false;
    ConfigFileTest::TearDown();
  }
};

TEST_F(StartupOptionsTest, CommandLineAndEnvironment) {
  struct Case {
    std::vector<std::string> args;
    const char* envStorage;  // null: unset
    const char* envAssets;   // null: unset
    std::string storage;
    bool chosen;
    std::string shipped;
    std::string error;
  } cases[] = {
      {{}, nullptr, nullptr, "sdcard", false, QSODECK_DEFAULT_ASSETS_DIR_FOR_TESTS, ""},
      {{"--storage", "/var/lib/qsodeck"}, nullptr, "", "/var/lib/qsodeck", true, "", ""},
      {{"--storage=~/.local/share/qsodeck"}, nullptr, "/usr/share/qsodeck", "/home/op/.local/share/qsodeck", true,
       "/usr/share/qsodeck", ""},
      {{}, "/srv/deck", "~", "/srv/deck", true, "/home/op", ""},
      {{"--storage", "cli"}, "/srv/deck", nullptr, "cli", true, QSODECK_DEFAULT_ASSETS_DIR_FOR_TESTS, ""},
      {{}, "", nullptr, "sdcard", false, QSODECK_DEFAULT_ASSETS_DIR_FOR_TESTS, ""},
      {{"~user/x"}, nullptr, nullptr, "sdcard", false, QSODECK_DEFAULT_ASSETS_DIR_FOR_TESTS,
       "unknown argument '~user/x'"},
      {{"--storage"}, nullptr, nullptr, "sdcard", false, QSODECK_DEFAULT_ASSETS_DIR_FOR_TESTS,
       "--storage needs a folder"},
      {{"--storage="}, nullptr, nullptr, "sdcard", false, QSODECK_DEFAULT_ASSETS_DIR_FOR_TESTS,
       "--storage needs a folder"},
      {{"--storagex"}, nullptr, nullptr, "sdcard", false, QSODECK_DEFAULT_ASSETS_DIR_FOR_TESTS,
       "unknown argument '--storagex'"},
  };
  for (const Case& c : cases) {
    if (c.envStorage) setenv("QSODECK_STORAGE", c.envStorage, 1); else unsetenv("QSODECK_STORAGE");
    if (c.envAssets) setenv("QSODECK_ASSETS", c.envAssets, 1); else unsetenv("QSODECK_ASSETS");
    DesktopOptions o = parse(c.args);
    std::string where = c.args.empty() ? "(none)" : c.args[0];
    EXPECT_EQ(o.error, c.error) << where;
    if (!c.error.empty()) continue;
    EXPECT_EQ(o.storageDir, c.storage) << where;
    EXPECT_EQ(o.storageChosen, c.chosen) << where;
    EXPECT_EQ(o.shippedDir, c.shipped) << where;
  }
  EXPECT_TRUE(parse({"--help"}).showHelp);
  EXPECT_TRUE(parse({"-V"}).showVersion);
  unsetenv("HOME");
  EXPECT_EQ(desktopExpandHome("~/x"), "~/x");
}

TEST_F(StartupOptionsTest, MissingStorageFolderIsCreatedAndUsed) {
  DesktopOptions o = parse({"--storage", dir_ + "/state/deep"});
  EXPECT_EQ(desktopPrepareStorage(o), "");
  EXPECT_FALSE(storageReadOnly);
  EXPECT_TRUE(storageFolderChosen);
  struct stat st;
  EXPECT_EQ(stat((dir_ + "/state/deep").c_str(), &st), 0);
  EXPECT_STREQ(SD.mapPath("/config.json").c_str(), (dir_ + "/state/deep/config.json").c_str());

  // A chosen folder holds the configuration alone: the working directory's
  // config.json is not read in its place.
  writeFile("config.json", "{\"device_callsign\":\"CWD1\"}");
  loadDesktopDefaultConfig();
  EXPECT_STREQ(lastLoadedConfigPath.c_str(), "unknown");
}

TEST_F(StartupOptionsTest, UnusableStorageFolderMeansReadOnlyWithAClearMessage) {
  ASSERT_TRUE(writeWholeFile(dir_ + "/plainfile", "x"));
  DesktopOptions o = parse({"--storage", dir_ + "/plainfile/state"});
  std::string message = desktopPrepareStorage(o);
  EXPECT_TRUE(storageReadOnly);
  EXPECT_NE(message.find("cannot create the storage folder " + dir_ + "/plainfile/state"), std::string::npos)
      << message;
  EXPECT_NE(message.find("running read-only"), std::string::npos);
  EXPECT_NE(message.find("--storage DIR"), std::string::npos);

  // The configuration save fails instead of writing elsewhere.
  EXPECT_FALSE(saveConfigToFile());

  if (geteuid() == 0) GTEST_SKIP() << "root writes into folders without write permission";
  ASSERT_EQ(mkdir((dir_ + "/locked").c_str(), 0555), 0);
  message = desktopPrepareStorage(parse({"--storage", dir_ + "/locked"}));
  EXPECT_TRUE(storageReadOnly);
  EXPECT_NE(message.find("the storage folder " + dir_ + "/locked is not writable"), std::string::npos) << message;
  EXPECT_FALSE(saveConfigToFile());
}

// The program itself: --version and --help print and exit before any window
// (a cross build runs it under its emulator).
TEST(StartupProgram, VersionHelpAndABadArgument) {
  struct Case {
    const char* args;
    int status;
    std::string output;
  } cases[] = {
      {"--version", 0, std::string("qsodeck ") + QSODECK_VERSION + "\n"},
      {"--help", 0, "Usage: qsodeck [--storage DIR]"},
      {"--bogus", 2, "qsodeck: unknown argument '--bogus'\nUsage:"},
  };
  for (const Case& c : cases) {
    int status = -1;
    const std::string out =
        shellCommandOutput(std::string("env -u DISPLAY " QSODECK_BINARY_RUNNER " '") + QSODECK_BINARY_PATH + "' " +
                               c.args + " 2>&1",
                           &status);
    EXPECT_EQ(status, c.status) << c.args;
    EXPECT_EQ(out.compare(0, c.output.size(), c.output), 0) << c.args << ": " << out;
  }
}

}  // namespace
