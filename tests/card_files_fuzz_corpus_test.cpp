// Replays the seeds of the fuzz targets of files on the card (an uploaded
// configuration, the SSH known-hosts file) and every 13th prefix of each
// through the fuzz entry points, and checks what the seeds must give.
#include <string>

#include <gtest/gtest.h>

#include "fuzz/config_fuzz_entry_points.h"
#include "fuzz/ssh_fuzz_entry_points.h"
#include "support/fuzz_corpus.h"
#include "support/temp_files.h"

namespace {

class CardFilesFuzzCorpusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QSODECK_DESKTOP_TRACE", "0", 1);
    dir_ = makeTempDir("/tmp/qsodeck-card-fuzz-");
    ASSERT_FALSE(dir_.empty());
    SD.setRoot(dir_.c_str());
    ASSERT_TRUE(SD.begin());
  }
  void TearDown() override { removeTempDir(dir_); }

  void feedImport(const std::string& bytes) { fuzzConfigImportInput((const uint8_t*)bytes.data(), bytes.size()); }

  bool pins(const std::string& seed, const char* host, uint16_t port) {
    writeWholeFile(dir_ + SSH_KNOWN_HOSTS_PATH, readWholeFile(fuzzSeedPath("ssh_known_hosts", seed)));
    return desktopSshKnownHostsPins(desktopSshKnownHostsFile(), host, port);
  }

  static std::string fuzzSeedPath(const char* target, const std::string& name) {
    for (const std::string& path : fuzzCorpusFiles(target))
      if (path.size() >= name.size() && path.compare(path.size() - name.size(), name.size(), name) == 0) return path;
    return "";
  }

  std::string dir_;
};

TEST_F(CardFilesFuzzCorpusTest, ConfigImportSeedsReplayCleanly) {
  replayFuzzCorpus("config_import", fuzzConfigImportInput);
  feedImport("{\"backend\": \"Pi-Star\", \"wifi_ssid\": \"home\"}");
  feedImport("{\"pistar_host\": \"h\", \"wifi_ssid\": \"a\", \"backend\": " + std::string(40000, '['));
  // The example configuration is whole and valid: it is imported.
  feedImport(readWholeFile(fuzzSeedPath("config_import", "example_config.json")));
  String err;
  EXPECT_TRUE(applyConfigFromFile(IMPORT_CONFIG_TEMP_FILE, &err)) << err.c_str();
  EXPECT_STREQ(err.c_str(), "");
}

TEST_F(CardFilesFuzzCorpusTest, SshKnownHostsSeedsReplayCleanly) {
  replayFuzzCorpus("ssh_known_hosts", fuzzSshKnownHostsInput);
  if (!desktopSshCompiledIn()) GTEST_SKIP() << "no SSH transport in this build";
  EXPECT_TRUE(pins("bracketed_port_ed25519", "127.0.0.1", 2222));
  EXPECT_FALSE(pins("bracketed_port_ed25519", "127.0.0.1", 22));
  EXPECT_TRUE(pins("hashed_host", "127.0.0.1", 22));
  EXPECT_TRUE(pins("names_and_comments", "pi-star.local", 22));
  EXPECT_FALSE(pins("broken_lines", "never-pinned.invalid", 22));
}

}  // namespace
