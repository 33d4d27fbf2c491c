// Shared set-up of the enrichment tests: the storage volume is a fresh
// temporary folder, lookups and lists start switched off and empty.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "core/config.h"
#include "enrichment/radioid.h"
#include "enrichment/target_lists.h"
#include "host/storage.h"
#include "support/temp_files.h"

class EnrichmentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = makeTempDir("/tmp/qsodeck-enrichment-");
    ASSERT_FALSE(dir_.empty());
    sdRoot_ = dir_ + "/sdcard";
    SD.setRoot(sdRoot_.c_str());
    ASSERT_TRUE(SD.begin());
    cfg.radioIdLookupEnabled = false;
    cfg.targetListLookupEnabled = false;
    cfg.radioIdUsersApiBase = "";
    cfg.targetListBaseUrl = "";
    cfg.targetListDmrUrl = "";
    cfg.targetListDstarUrl = "";
    cfg.targetListYsfUrl = "";
    cfg.targetListP25Url = "";
    cfg.targetListNxdnUrl = "";
    clearRadioIdLookupCache();
    clearTargetNameLookupCache();
  }

  void TearDown() override {
    removeTempDir(dir_);  // a leftover temp folder does not fail the test
  }

  // Local path of a card path ("/lookup/dmr.txt" -> <tmp>/sdcard/lookup/dmr.txt).
  std::string local(const std::string& cardPath) const { return sdRoot_ + cardPath; }

  void writeCard(const std::string& cardPath, const std::string& text) {
    std::string path = local(cardPath);
    std::string folder = path.substr(0, path.find_last_of('/'));
    std::string cmd = "mkdir -p '" + folder + "'";
    ASSERT_EQ(system(cmd.c_str()), 0);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
  }

  std::string readCard(const std::string& cardPath) const { return readLocal(local(cardPath)); }

  bool cardExists(const std::string& cardPath) const { return access(local(cardPath).c_str(), F_OK) == 0; }

  static std::string readLocal(const std::string& path) { return readWholeFile(path); }

  static std::string testData(const std::string& rel) { return readTestData(rel); }

  std::string dir_;
  std::string sdRoot_;
};
