// The settings site against its running listener on 127.0.0.1: a libcurl
// client on a thread of its own while the test thread plays the main loop
// (it answers the waiting requests, as the program's cycle does).
#include <arpa/inet.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <regex>
#include <thread>

#include "core/config_edit.h"
#include "core/config_file.h"
#include "core/device_log.h"
#include "core/web_server.h"
#include "web/web_server.h"
#include "host/display.h"
#include "host/json_reader.h"
#include "host/password_hash.h"
#include "host/runtime.h"
#include "host/trace_log.h"
#include "host/web_listener.h"
#include "support/config_test_env.h"
#include "web/web_access.h"

namespace {

const char* const PASSWORD = "right-password-1";
const char* const SECRETS[] = {"WX-KEY-0123456789", "APRS-KEY-987654", "ssh-pass-hotspot", "ssh-pass-svx",
                               "wifi-pass-home", "EDR-TOKEN-55555"};

struct Reply {
  long status = 0;
  std::string headers;
  std::string body;
  bool has(const std::string& text) const { return body.find(text) != std::string::npos; }
  std::string header(const std::string& name) const {
    std::smatch m;
    std::regex re("(^|\\n)" + name + ": ([^\\r\\n]*)", std::regex::icase);
    return std::regex_search(headers, m, re) ? m[2].str() : std::string();
  }
};

size_t collect(char* data, size_t size, size_t n, void* out) {
  static_cast<std::string*>(out)->append(data, size * n);
  return size * n;
}

uint16_t freePort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, (sockaddr*)&a, sizeof(a));
  socklen_t len = sizeof(a);
  getsockname(fd, (sockaddr*)&a, &len);
  close(fd);
  return ntohs(a.sin_port);
}

// One request; upload (when not empty) is sent as the multipart file "config"
// together with the field csrf = body.
struct Request {
  Request(std::string m, std::string p, std::string b = "", std::string c = "", std::string u = "")
      : method(std::move(m)), path(std::move(p)), body(std::move(b)), cookie(std::move(c)), upload(std::move(u)) {}
  std::string method;  // "GET", "POST", or "UPLOAD" (multipart POST)
  std::string path;
  std::string body;
  std::string cookie;
  std::string upload;
};

Reply perform(uint16_t port, const Request& r) {
  Reply reply;
  CURL* c = curl_easy_init();
  std::string url = "http://127.0.0.1:" + std::to_string(port) + r.path;
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, collect);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &reply.body);
  curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, collect);
  curl_easy_setopt(c, CURLOPT_HEADERDATA, &reply.headers);
  curl_easy_setopt(c, CURLOPT_TIMEOUT, 60L);
  if (!r.cookie.empty()) curl_easy_setopt(c, CURLOPT_COOKIE, r.cookie.c_str());
  curl_mime* mime = nullptr;
  if (r.method == "UPLOAD") {
    mime = curl_mime_init(c);
    curl_mimepart* part = curl_mime_addpart(mime);
    curl_mime_name(part, "csrf");
    curl_mime_data(part, r.body.c_str(), CURL_ZERO_TERMINATED);
    part = curl_mime_addpart(mime);
    curl_mime_name(part, "config");
    curl_mime_filename(part, "config.json");
    curl_mime_data(part, r.upload.data(), r.upload.size());
    curl_easy_setopt(c, CURLOPT_MIMEPOST, mime);
  } else if (r.method == "POST") {
    curl_easy_setopt(c, CURLOPT_POSTFIELDS, r.body.c_str());
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE, (long)r.body.size());
  }
  if (curl_easy_perform(c) == CURLE_OK) curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &reply.status);
  if (mime) curl_mime_free(mime);
  curl_easy_cleanup(c);
  return reply;
}

class WebServerTest : public ConfigFileTest {
 protected:
  void SetUp() override {
    ConfigFileTest::SetUp();
    port_ = freePort();
    hash_ = hashPassword(PASSWORD);
    writeConfig(configText(hash_));
    loadConfig();
    setupWebServer();
    ASSERT_TRUE(webListenerRunning());
  }
  void TearDown() override {
    stopWebServer();
    ConfigFileTest::TearDown();
  }

  std::string configText(const std::string& password) {
    return std::string("{\"backend\": \"Pi-Star\", \"wifi_ssid\": \"Home\", \"wifi_pass\": \"") + SECRETS[4] +
           "\", \"pistar_host\": \"127.0.0.1:9\", \"weather_api_key\": \"" + SECRETS[0] +
           "\", \"aprs_api_key\": \"" + SECRETS[1] + "\", \"pistar_ssh_pass\": \"" + SECRETS[2] +
           "\", \"svxlink_ssh_pass\": \"" + SECRETS[3] + "\", \"meteoalarm_api_token\": \"" + SECRETS[5] +
           "\", \"web_ui_enabled\": true, \"web_ui_port\": " + std::to_string(port_) +
           ", \"web_ui_password\": \"" + password + "\"}";
  }

  // Sends the requests at once from their own threads and answers them
  // here, as the main loop does, until every one has its reply.
  std::vector<Reply> callAll(const std::vector<Request>& requests) {
    std::vector<Reply> replies(requests.size());
    std::atomic<int> left((int)requests.size());
    std::vector<std::thread> clients;
    clients.reserve(requests.size());
    for (size_t i = 0; i < requests.size(); ++i) {
      clients.emplace_back([&, i] {
        replies[i] = perform(port_, requests[i]);
        --left;
      });
    }
    while (left.load() > 0) {
      handleWebClientSafely(0);
      usleep(1000);
    }
    for (std::thread& t : clients) t.join();
    return replies;
  }
  Reply call(const Request& r) { return callAll({r})[0]; }
  Reply get(const std::string& path) { return call({"GET", path, "", cookie_}); }
  Reply post(const std::string& path, const std::string& body) { return call({"POST", path, body, cookie_}); }

  void login() {
    Reply r = call({"POST", "/login", std::string("password=") + PASSWORD});
    ASSERT_EQ(r.status, 303);
    std::string set = r.header("Set-Cookie");
    cookie_ = set.substr(0, set.find(';'));
    Reply page = get("/settings");
    ASSERT_EQ(page.status, 200);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(page.body, m, std::regex("name=csrf value=\"([0-9a-f]+)\"")));
    csrf_ = m[1].str();
  }

  uint16_t port_ = 0;
  std::string hash_;
  std::string cookie_;
  std::string csrf_;
};

}  // namespace

// ---------------------------------------------------------------------------
// Access
// ---------------------------------------------------------------------------

TEST_F(WebServerTest, WithoutASessionOnlyTheLoginAnswers) {
  struct Case {
    const char* method;
    const char* path;
    long status;
  } cases[] = {{"GET", "/", 303},          {"GET", "/settings", 303},   {"GET", "/log", 303},
               {"GET", "/import", 303},    {"GET", "/export", 401},     {"GET", "/screen.png", 401},
               {"POST", "/settings", 401}, {"POST", "/import", 401},    {"POST", "/logout", 401},
               {"GET", "/login", 200},     {"GET", "/nothing", 303}};
  for (const Case& c : cases) {
    Reply r = call({c.method, c.path, "refresh_ms=1", "qsodeck_session=forged"});
    EXPECT_EQ(r.status, c.status) << c.method << " " << c.path;
    if (c.status == 303) {
      EXPECT_EQ(r.header("Location"), "/login") << c.path;
    }
    EXPECT_EQ(r.body.find("refresh_ms"), std::string::npos) << c.path;
  }
  Reply login = get("/login");
  EXPECT_EQ(login.header("Content-Security-Policy"), "default-src 'self'");
  EXPECT_EQ(login.header("X-Frame-Options"), "DENY");
}

TEST_F(WebServerTest, FiveWrongPasswordsInAMinuteLockTheAddressOut) {
  for (int i = 0; i < WEB_LOGIN_FAILURES_MAX; ++i) {
    EXPECT_EQ(call({"POST", "/login", "password=wrong-guess"}).status, 401) << i;
  }
  Reply locked = call({"POST", "/login", std::string("password=") + PASSWORD});
  EXPECT_EQ(locked.status, 429);  // even the right password waits
  EXPECT_FALSE(locked.header("Retry-After").empty());
  EXPECT_TRUE(locked.header("Set-Cookie").empty());
}

TEST_F(WebServerTest, SessionCookieIsGuardedAndLogoutEndsIt) {
  login();
  Reply page = get("/");
  EXPECT_EQ(page.status, 200);
  EXPECT_EQ(page.header("Cache-Control"), "no-store");
  EXPECT_EQ(page.header("X-Frame-Options"), "DENY");
  Reply again = call({"POST", "/login", std::string("password=") + PASSWORD, cookie_});
  EXPECT_NE(again.header("Set-Cookie").find("HttpOnly; SameSite=Strict"), std::string::npos);
  EXPECT_EQ(post("/logout", "csrf=" + csrf_).status, 303);
  EXPECT_EQ(get("/").status, 303);  // the old cookie is worth nothing now
}

TEST_F(WebServerTest, FirstPasswordNeedsTheCodeFromTheInfoPage) {
  stopWebServer();
  writeConfig(configText(""));
  loadConfig();
  setupWebServer();
  ASSERT_EQ(webUiSetupCode.length(), 6u);
  std::string code = webUiSetupCode.str();
  std::string wrong = code == "000000" ? "000001" : "000000";
  Reply bad = call({"POST", "/login", "code=" + wrong + "&new_password=brand-new-pw&new_password_confirm=brand-new-pw"});
  EXPECT_EQ(bad.status, 401);
  EXPECT_TRUE(bad.has("The code is wrong"));
  Reply ok = call({"POST", "/login", "code=" + code + "&new_password=brand-new-pw&new_password_confirm=brand-new-pw"});
  EXPECT_EQ(ok.status, 303);
  EXPECT_EQ(ok.header("Location"), "/settings");
  EXPECT_TRUE(looksLikePasswordHash(cfg.webUiPassword.str()));
  EXPECT_TRUE(verifyPassword(cfg.webUiPassword.str(), "brand-new-pw"));
  EXPECT_NE(readFile("sdcard/config.json").find("$argon2id$"), std::string::npos);
  EXPECT_EQ(webUiSetupCode, "");  // used up
}

// ---------------------------------------------------------------------------
// Settings
// ---------------------------------------------------------------------------

TEST_F(WebServerTest, ChangesWithoutTheRightCsrfTokenChangeNothing) {
  login();
  std::string before = readFile("sdcard/config.json");
  for (const std::string& body : {std::string("refresh_ms=2500"), std::string("csrf=00&refresh_ms=2500"),
                                  std::string("csrf=&refresh_ms=2500")}) {
    EXPECT_EQ(post("/settings", body).status, 403) << body;
  }
  EXPECT_EQ(call({"UPLOAD", "/import", "bad", cookie_, "{}"}).status, 403);
  EXPECT_EQ(readFile("sdcard/config.json"), before);
  EXPECT_EQ(cfg.refreshMs, 1500u);
  EXPECT_EQ(get("/settings?refresh_ms=2500").status, 200);  // a GET changes nothing either
  EXPECT_EQ(cfg.refreshMs, 1500u);
}

TEST_F(WebServerTest, SaveNormalisesLikeTheLoaderAndAppliesAtOnce) {
  login();
  Reply r = post("/settings", "csrf=" + csrf_ +
                                  "&refresh_ms=2500&aprs_refresh_minutes=5&weather_enabled=false&weather_enabled=true"
                                  "&meteoalarm_mode=RSS&weather_api_key=");
  ASSERT_EQ(r.status, 200) << r.body;
  EXPECT_TRUE(r.has("Saved and applied"));
  EXPECT_TRUE(r.has("refresh_ms: 1500 -&gt; 2500"));
  EXPECT_TRUE(r.has("aprs_refresh_minutes became &quot;10&quot; (allowed 10 to 1440)"));
  EXPECT_TRUE(r.has("meteoalarm_mode became &quot;edr&quot;"));
  EXPECT_EQ(cfg.refreshMs, 2500u);
  EXPECT_TRUE(cfg.weatherEnabled);
  EXPECT_EQ(cfg.weatherApiKey, SECRETS[0]);  // an empty secret field keeps the stored one
  std::string file = readFile("sdcard/config.json");
  EXPECT_NE(file.find("\"refresh_ms\": 2500"), std::string::npos);
  desktop_json::Node parsed;
  std::string err;
  EXPECT_TRUE(parseJsonText(file, parsed, err)) << err;
  const WebLogEntry* last = webLogEntryAt(webLogCount - 1);
  ASSERT_NE(last, nullptr);
  EXPECT_NE(last->message.indexOf("Settings saved"), -1);
}

TEST_F(WebServerTest, ARefusedValueSavesNothingAndSaysWhy) {
  login();
  std::string before = readFile("sdcard/config.json");
  Reply r = post("/settings", "csrf=" + csrf_ + "&refresh_ms=2500&brightness=bright&hamqsl_url=ftp%3A%2F%2Fx" +
                                  "&device_callsign=a%0Ab");
  EXPECT_EQ(r.status, 400);
  EXPECT_TRUE(r.has("brightness must be a whole number"));
  EXPECT_TRUE(r.has("hamqsl_url must start with http:// or https://"));
  EXPECT_TRUE(r.has("device_callsign must be one line"));
  EXPECT_TRUE(r.has("value=\"bright\""));  // shown back for correction
  EXPECT_EQ(readFile("sdcard/config.json"), before);
  EXPECT_EQ(cfg.refreshMs, 1500u);
}

TEST_F(WebServerTest, PasswordChangeNeedsTheCurrentOne) {
  login();
  Reply bad = post("/settings", "csrf=" + csrf_ + "&web_ui_password=another-pass-2&current_password=nope");
  EXPECT_EQ(bad.status, 400);
  EXPECT_TRUE(bad.has("current_password is wrong"));
  EXPECT_TRUE(verifyPassword(cfg.webUiPassword.str(), PASSWORD));
  Reply ok = post("/settings", "csrf=" + csrf_ + "&web_ui_password=another-pass-2&current_password=" + PASSWORD);
  EXPECT_EQ(ok.status, 200) << ok.body;
  EXPECT_TRUE(ok.has("web_ui_password: changed"));
  EXPECT_TRUE(verifyPassword(cfg.webUiPassword.str(), "another-pass-2"));
  EXPECT_EQ(readFile("sdcard/config.json").find("another-pass-2"), std::string::npos);
}

TEST_F(WebServerTest, TwoBrowsersSavingAtOnceLeaveAWholeFile) {
  login();
  std::vector<Request> saves;
  for (int i = 0; i < 6; ++i) {
    saves.push_back({"POST", "/settings", "csrf=" + csrf_ + "&refresh_ms=" + std::to_string(2000 + i), cookie_});
  }
  for (const Reply& r : callAll(saves)) EXPECT_EQ(r.status, 200);
  desktop_json::Node parsed;
  std::string err;
  ASSERT_TRUE(parseJsonText(readFile("sdcard/config.json"), parsed, err)) << err;
  EXPECT_GE(cfg.refreshMs, 2000u);
  EXPECT_LE(cfg.refreshMs, 2005u);
  EXPECT_NE(readFile("sdcard/config.json").find("\"refresh_ms\": " + std::to_string(cfg.refreshMs)),
            std::string::npos);
}

TEST_F(WebServerTest, NoSecretInAnyAnswer) {
  login();
  desktopTrace("[TEST] a line for the log page\n");
  std::vector<Reply> pages = {get("/"), get("/settings"), get("/log"), get("/export"), get("/export?secrets=1"),
                              get("/import"), post("/settings", "csrf=" + csrf_ + "&refresh_ms=abc")};
  for (size_t i = 0; i < pages.size(); ++i) {
    EXPECT_EQ(pages[i].status >= 200 && pages[i].status < 500, true) << i;
    for (const char* secret : SECRETS) EXPECT_FALSE(pages[i].has(secret)) << "page " << i << " shows " << secret;
    EXPECT_FALSE(pages[i].has(hash_)) << i;
  }
  EXPECT_TRUE(pages[2].has("[TEST] a line for the log page"));
  EXPECT_TRUE(pages[1].has(">set (empty keeps it)") || pages[1].has("set (empty keeps it)"));
}

// ---------------------------------------------------------------------------
// Export and import
// ---------------------------------------------------------------------------

TEST_F(WebServerTest, ExportWithSecretsNeedsThePasswordAgain) {
  login();
  EXPECT_EQ(post("/export", "csrf=" + csrf_ + "&secrets=1&password=wrong").status, 401);
  Reply full = post("/export", "csrf=" + csrf_ + "&secrets=1&password=" + PASSWORD);
  ASSERT_EQ(full.status, 200);
  EXPECT_NE(full.header("Content-Disposition").find("attachment"), std::string::npos);
  for (const char* secret : SECRETS) EXPECT_TRUE(full.has(secret)) << secret;
}

TEST_F(WebServerTest, ExportImportRoundTripKeepsEveryKey) {
  login();
  ASSERT_EQ(post("/settings", "csrf=" + csrf_ + "&refresh_ms=3100&quick_actions.1.label=TG%20262&" +
                                  "quick_actions.1.command=echo%20hi&quick_actions.1.enabled=true&" +
                                  "wifi_profiles.1.ssid=Club&wifi_profiles.1.password=club-pass-77&watch_list.0=w1aw&watch_list.3=DL*")
                .status,
            200);
  ASSERT_EQ(cfg.watchListCount, 2);  // the empty slots in between close up
  EXPECT_EQ(cfg.watchList[0], "W1AW");
  std::vector<std::pair<std::string, std::string>> before;
  for (const std::string& path : configEditablePaths()) {
    std::string v;
    configValueText(path, v);
    before.emplace_back(path, v);
  }
  std::string exported = get("/export").body;  // without secrets: the import keeps the stored ones
  ASSERT_EQ(post("/settings", "csrf=" + csrf_ + "&refresh_ms=9999&quick_actions.1.label=x").status, 200);
  Reply imported = call({"UPLOAD", "/import", csrf_, cookie_, exported});
  ASSERT_EQ(imported.status, 200) << imported.body;
  for (const auto& b : before) {
    std::string v;
    configValueText(b.first, v);
    EXPECT_EQ(v, b.second) << b.first;
  }
}

TEST_F(WebServerTest, ABrokenOrHostileImportChangesNothing) {
  login();
  std::string before = readFile("sdcard/config.json");
  const std::string valid = "{\"backend\": \"Pi-Star\", \"wifi_ssid\": \"X\", \"pistar_host\": \"h\"";
  struct Case {
    std::string upload;
    const char* says;
  } cases[] = {
      {valid.substr(0, valid.size() - 5), "JSON parse failed: "},
      {"[1, 2]", "Config file must contain a JSON object."},
      {valid + ", \"refresh_ms\": 1, \"refresh_ms\": 2}", "duplicate key"},
      {std::string(40, '[') + std::string(40, ']'), "nested too deeply"},
      {"{\"backend\": \"Pi-Star\"}", "Config is missing required fields"},
      {valid + ", \"refresh_ms\": \"fast\"}", "refresh_ms must be a whole number"},
      {valid + ", \"device_callsign\": \"x\\\"refresh_ms\\\": 1\"}", "must not contain &quot;refresh_ms&quot;"},
      {valid + ", \"theme\": {\"bg\": \"red\"}}", "theme.bg must be a colour"},
      {"{\"a\": \"\\ud800\"}", "lone surrogate"},
      {"", "JSON parse failed: "},
  };
  for (const Case& c : cases) {
    Reply r = call({"UPLOAD", "/import", csrf_, cookie_, c.upload});
    EXPECT_EQ(r.status, 400) << c.upload;
    EXPECT_TRUE(r.has(c.says)) << c.upload << "\n" << r.body.substr(0, 400);
  }
  Reply big = call({"UPLOAD", "/import", csrf_, cookie_, valid + ", \"x\": \"" + std::string(300000, 'a') + "\"}"});
  EXPECT_EQ(big.status, 413);
  EXPECT_EQ(readFile("sdcard/config.json"), before);
  EXPECT_EQ(cfg.refreshMs, 1500u);
}

TEST_F(WebServerTest, ImportOfASvxlinkBackendFollowsTheImportSteps) {
  login();
  Reply r = call({"UPLOAD", "/import", csrf_, cookie_,
                  "{\"backend\": \"svxlink-api\", \"wifi_ssid\": \"x\", \"pistar_host\": \"h\", \"unknown\": 1}"});
  ASSERT_EQ(r.status, 200) << r.body;
  EXPECT_TRUE(r.has("&quot;unknown&quot; was ignored"));
  EXPECT_EQ(cfg.backend, "Pi-Star");
  EXPECT_TRUE(cfg.svxlinkEnabled);
  EXPECT_EQ(cfg.svxlinkSource, "api");
  EXPECT_EQ(cfg.weatherApiKey, SECRETS[0]);  // left out: kept
  EXPECT_EQ(cfg.refreshMs, 1500u);
}

// ---------------------------------------------------------------------------
// Listener
// ---------------------------------------------------------------------------

TEST_F(WebServerTest, APortInUseIsLoggedAndTheProgramRunsOn) {
  stopWebServer();
  int other = socket(AF_INET, SOCK_STREAM, 0);  // another program holds the port
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(port_);
  ASSERT_EQ(bind(other, (sockaddr*)&a, sizeof(a)), 0);
  ASSERT_EQ(listen(other, 1), 0);
  setupWebServer();
  EXPECT_FALSE(webListenerRunning());
  EXPECT_EQ(webUiUrl, "");
  const WebLogEntry* last = webLogEntryAt(webLogCount - 1);
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(last->message, "Web UI not started: port " + String((unsigned)port_) +
                               " is in use. Change web_ui_port or free the port.");
  handleWebClientSafely(0);  // the cycle runs on without the pages
  close(other);
}

TEST_F(WebServerTest, ANewPortIsTakenAfterTheSave) {
  login();
  uint16_t next = freePort();
  ASSERT_EQ(post("/settings", "csrf=" + csrf_ + "&web_ui_port=" + std::to_string(next)).status, 200);
  uint32_t start = millis();
  while (webUiUrl.indexOf(String((unsigned)next)) < 0 && millis() - start < 5000) {
    handleWebClientSafely(0);
    usleep(10000);
  }
  EXPECT_EQ(webUiUrl, "http://127.0.0.1:" + String((unsigned)next) + "/");
  port_ = next;
  EXPECT_EQ(get("/").status, 200);  // the session lives on
}

TEST_F(WebServerTest, ScreenPngIsThePanelFrame) {
  tft.init();
  if (!tft.ready()) GTEST_SKIP() << "no display";
  tft.fillScreen(0xF800);
  login();
  Reply r = get("/screen.png");
  ASSERT_EQ(r.status, 200);
  EXPECT_EQ(r.header("Content-Type"), "image/png");
  ASSERT_GT(r.body.size(), 24u);
  EXPECT_EQ(r.body.substr(1, 3), "PNG");
  EXPECT_EQ(r.body.substr(16, 8), std::string("\0\0\x03\x20\0\0\x01\xe0", 8));  // 800 x 480
}
