// https: the certificate chain is checked, host-name and date mismatches are
// tolerated. Certificates are made with the openssl command for each test.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "enrichment/target_lists.h"
#include "host/http_client.h"
#include "host/storage.h"
#include "support/sample_dashboard_process.h"
#include "support/temp_files.h"

namespace {

using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStdout;

class HttpTlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* v : {"https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) unsetenv(v);
    if (system("command -v openssl >/dev/null 2>&1") != 0) GTEST_SKIP() << "openssl command missing";
    dir_ = makeTempDir("/tmp/qsodeck-tls-");
    ASSERT_FALSE(dir_.empty());
    // A test CA, a leaf it signed that is expired and names another host, and
    // a self-signed leaf that no CA vouches for.
    std::string script =
        "cd '" + dir_ +
        "' && "
        "openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 30 -subj '/CN=Qsodeck Test CA' && "
        "openssl req -newkey rsa:2048 -nodes -keyout leaf.key -out leaf.csr -subj '/CN=wrong.example' && "
        "openssl x509 -req -in leaf.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out expired.pem -days -1 && "
        "openssl req -x509 -newkey rsa:2048 -nodes -keyout self.key -out self.pem -days 30 -subj '/CN=127.0.0.1'";
    ASSERT_EQ(system(("(" + script + ") >/dev/null 2>&1").c_str()), 0);
  }
  void TearDown() override {
    desktopHttpSetCaBundle(nullptr);
    if (!dir_.empty()) {
      ASSERT_TRUE(removeTempDir(dir_));
    }
  }
  std::string file(const char* name) const { return dir_ + "/" + name; }
  static std::string serverScript() {
    return std::string(QSODECK_SOURCE_DIR) + "/tests/support/tls_test_server.py";
  }

  std::string dir_;
};

TEST_F(HttpTlsTest, ExpiredCertificateForOtherHostIsAcceptedWhenChainIsTrusted) {
  PythonServerProcess server(serverScript(), {file("expired.pem"), file("leaf.key")});
  ASSERT_TRUE(server.running());
  HTTPClient http;
  http.begin("https://" + server.hostPort() + "/");
  http.setCaBundle(file("ca.pem").c_str());
  CaptureStdout();
  int code = http.GET();
  std::string out = GetCapturedStdout();
  EXPECT_EQ(code, 200) << out;
  EXPECT_EQ(http.getString(), "tls ok");
}

TEST_F(HttpTlsTest, UntrustedChainIsRefused) {
  PythonServerProcess server(serverScript(), {file("self.pem"), file("self.key")});
  ASSERT_TRUE(server.running());
  HTTPClient http;
  http.begin("https://" + server.hostPort() + "/");
  http.setCaBundle(file("ca.pem").c_str());
  CaptureStdout();
  EXPECT_EQ(http.GET(), -2);
  std::string out = GetCapturedStdout();
  EXPECT_NE(out.find("curl_easy_perform failed (60: "), std::string::npos) << out;
  EXPECT_EQ(http.getString(), "");
}

TEST_F(HttpTlsTest, SystemBundleDoesNotTrustTheTestCa) {
  PythonServerProcess server(serverScript(), {file("expired.pem"), file("leaf.key")});
  ASSERT_TRUE(server.running());
  HTTPClient http;
  http.begin("https://" + server.hostPort() + "/");
  CaptureStdout();
  EXPECT_EQ(http.GET(), -2);
  EXPECT_NE(GetCapturedStdout().find("(60: "), std::string::npos);
}

// The target-list download streams through the transport and so keeps its
// certificate rules.

TEST_F(HttpTlsTest, ListDownloadAcceptsExpiredCertificateOfTrustedChain) {
  PythonServerProcess server(serverScript(), {file("expired.pem"), file("leaf.key")});
  ASSERT_TRUE(server.running());
  SD.setRoot(file("sdcard").c_str());
  ASSERT_TRUE(SD.begin());
  desktopHttpSetCaBundle(file("ca.pem").c_str());
  int code = 0;
  size_t bytes = 0;
  String error;
  EXPECT_TRUE(httpDownloadToSdFile(String("https://") + server.hostPort().c_str() + "/list/",
                                   "/lookup/dmr.raw", code, bytes, error))
      << error.c_str();
  EXPECT_EQ(code, 200);
  EXPECT_EQ(bytes, 6u);
}

TEST_F(HttpTlsTest, ListDownloadRefusesUntrustedChain) {
  PythonServerProcess server(serverScript(), {file("self.pem"), file("self.key")});
  ASSERT_TRUE(server.running());
  SD.setRoot(file("sdcard").c_str());
  ASSERT_TRUE(SD.begin());
  desktopHttpSetCaBundle(file("ca.pem").c_str());
  int code = 0;
  size_t bytes = 0;
  String error;
  EXPECT_FALSE(httpDownloadToSdFile(String("https://") + server.hostPort().c_str() + "/list/",
                                    "/lookup/dmr.raw", code, bytes, error));
  EXPECT_EQ(code, -2);
  EXPECT_FALSE(storageExists("/lookup/dmr.raw"));
}

TEST_F(HttpTlsTest, DefaultBundleCanBeChangedAndRestored) {
  PythonServerProcess server(serverScript(), {file("expired.pem"), file("leaf.key")});
  ASSERT_TRUE(server.running());
  desktopHttpSetCaBundle(file("ca.pem").c_str());
  HTTPClient trusted;
  trusted.begin("https://" + server.hostPort() + "/");
  EXPECT_EQ(trusted.GET(), 200);
  desktopHttpSetCaBundle("");
  HTTPClient system;
  system.begin("https://" + server.hostPort() + "/");
  CaptureStdout();
  EXPECT_EQ(system.GET(), -2);
  GetCapturedStdout();
}

}  // namespace
