// End to end: the qsodeck_lists command against the sample dashboard's list
// pages, with good answers and with broken ones.
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "support/enrichment_test_env.h"
#include "support/sample_dashboard_process.h"

namespace {

std::string toolPath() {
  std::string binary = QSODECK_BINARY_PATH;
  return binary.substr(0, binary.find_last_of('/')) + "/qsodeck_lists";
}

class QsodeckListsTest : public EnrichmentTest {
 protected:
  void SetUp() override {
    EnrichmentTest::SetUp();
    if (access(toolPath().c_str(), X_OK) != 0) GTEST_SKIP() << "qsodeck_lists is not built";
  }

  // Runs the tool in the temp folder; returns its exit status, output in out.
  int run(const std::string& args, std::string& out) {
    std::string cmd =
        "cd '" + dir_ + "' && '" + toolPath() + "' --sdcard '" + sdRoot_ + "' " + args + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr) return -1;
    out.clear();
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), p)) > 0) out.append(buf, n);
    int status = pclose(p);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

TEST_F(QsodeckListsTest, HelpAndWrongUsage) {
  std::string out;
  EXPECT_EQ(run("--help", out), 0);
  EXPECT_NE(out.find("Usage: qsodeck_lists"), std::string::npos);
  EXPECT_NE(out.find("dmr, dstar, ysf, p25, nxdn, or all"), std::string::npos);
  EXPECT_EQ(run("pocsag", out), 2);
  EXPECT_EQ(run("", out), 2);
  EXPECT_EQ(run("--url http://127.0.0.1:1/ dmr ysf", out), 2);
  EXPECT_EQ(run("--bogus dmr", out), 2);
}

TEST_F(QsodeckListsTest, DownloadsEveryListFromTheSampleDashboard) {
  SampleDashboardProcess dash;
  ASSERT_TRUE(dash.running());
  std::string out;
  ASSERT_EQ(run("--base-url " + dash.url("/digital-radio-lists/") + " --lookup 262 all", out), 0) << out;
  EXPECT_NE(out.find("Saved 1641 DMR target names to /lookup/dmr.txt"), std::string::npos) << out;
  EXPECT_NE(out.find("DMR: 262 -> Deutschland"), std::string::npos) << out;
  // Every talkgroup of the sample traffic has its name on the sample list site.
  ASSERT_EQ(run("--no-download --lookup 505 dmr", out), 0) << out;
  EXPECT_NE(out.find("DMR: 505 -> Australia"), std::string::npos) << out;
  for (const char* f :
       {"/lookup/dmr.txt", "/lookup/dstar.txt", "/lookup/ysf.txt", "/lookup/p25.txt", "/lookup/nxdn.txt"}) {
    std::string text = readCard(f);
    EXPECT_EQ(text.rfind("# Qsodeck target-name list\n", 0), 0u) << f;
    EXPECT_GT(text.size(), 500u) << f;
  }
  EXPECT_FALSE(cardExists("/lookup/dmr.raw"));
  cfg.targetListLookupEnabled = true;
  EXPECT_EQ(std::string(targetNameLookupCached("DSTAR", "XLX001 C").c_str()).rfind("XLX001", 0), 0u);
  EXPECT_NE(std::string(targetNameLookupCached("YSF", "62674").c_str()), "");
}

TEST_F(QsodeckListsTest, BrokenAnswersKeepTheDownloadedList) {
  SampleDashboardProcess dash;
  ASSERT_TRUE(dash.running());
  std::string base = " --base-url " + dash.url("/digital-radio-lists/");
  std::string out;
  ASSERT_EQ(run(base + " dmr", out), 0) << out;
  std::string good = readCard("/lookup/dmr.txt");
  const char* modes[] = {
      "mode=truncate&scope=lists", "mode=html&scope=lists", "mode=http-error&code=503&scope=lists",
      "mode=empty&scope=lists",    "mode=drop&scope=lists", "mode=garbage&scope=lists"};
  for (const char* m : modes) {
    ASSERT_TRUE(dash.control(m)) << m;
    int rc = run(base + " --lookup 262 dmr", out);
    EXPECT_EQ(rc, 1) << m << "\n" << out;
    EXPECT_EQ(readCard("/lookup/dmr.txt"), good) << m;
    EXPECT_NE(out.find("DMR: 262 -> Deutschland"), std::string::npos) << m << "\n" << out;
    EXPECT_FALSE(cardExists("/lookup/dmr.raw")) << m;
    EXPECT_FALSE(cardExists("/lookup/dmr.tmp")) << m;
  }
  ASSERT_TRUE(dash.control("mode=http-error&code=503&scope=lists"));
  run(base + " dmr", out);
  EXPECT_NE(out.find("Target list download failed for DMR (HTTP 503): HTTP 503."), std::string::npos) << out;
  ASSERT_TRUE(dash.control("mode=truncate&scope=lists"));
  run(base + " dmr", out);
  EXPECT_NE(out.find("Target list download failed for DMR (HTTP 200): HTTP stream unavailable."),
            std::string::npos)
      << out;
}

}  // namespace
