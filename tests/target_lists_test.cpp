// Target-name lists: keys, line format, conversion of list pages and host
// files, the lookup cache, list URLs and the download into storage.
#include "enrichment/target_lists.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include "core/app.h"
#include "core/device_log.h"
#include "host/board_stubs.h"
#include "hotspot/http_fetch.h"
#include "support/enrichment_test_env.h"

namespace {

std::string s(const String& v) { return v.c_str(); }

const char* const LIST_HEADER = "# Qsodeck target-name list\n# Format: target|name\n";

// A browser-check page as some sites send instead of the list.
const char* const LOGIN_PAGE =
    "<!DOCTYPE html>\n<html><head><title>Just a moment...</title></head>\n"
    "<body><p>Checking your browser before accessing the site.</p>\n"
    "<noscript>Please enable JavaScript and cookies</noscript></body></html>\n";

const WebLogEntry* newestLog() {
  return webLogCount > 0 ? webLogEntryAt((uint8_t)(webLogCount - 1)) : nullptr;
}

class TargetListsTest : public EnrichmentTest {
 protected:
  // Converts a text as the download step would (HTML first, then text lines).
  bool convert(const char* mode, const std::string& payload, int& entries, bool html = true) {
    String list = targetListPathForMode(mode), tmp = targetListTempPathForMode(mode);
    return html ? writeTargetListFileFromBrenvoHtml(mode, String(payload), list, tmp, entries)
                : writeTargetListFileFromPlainText(mode, String(payload), list, tmp, entries);
  }
  std::string lookup(const char* mode, const char* target) {
    String name;
    bool found = lookupTargetNameInSdFile(mode, normalizeTargetLookupKey(mode, target), name);
    return found ? s(name) : std::string("<none>");
  }
  std::string lastLog() {
    const WebLogEntry* e = newestLog();
    return e ? s(e->message) : std::string();
  }
};

// A one-request-at-a-time HTTP server that sends a scripted raw answer and
// can stop sending halfway (early end) or go quiet (stall).
class ScriptedServer {
 public:
  explicit ScriptedServer(std::string raw, int stallMs = 0) : raw_(std::move(raw)), stallMs_(stallMs) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(fd_, (sockaddr*)&a, sizeof(a)) == 0 && listen(fd_, 4) == 0) {
      socklen_t len = sizeof(a);
      getsockname(fd_, (sockaddr*)&a, &len);
      port_ = ntohs(a.sin_port);
    }
    thread_ = std::thread([this] { serve(); });
  }
  ~ScriptedServer() {
    stop_ = true;
    shutdown(fd_, SHUT_RDWR);
    close(fd_);
    thread_.join();
  }
  std::string url(const char* path = "/list/") const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  std::string head() {
    std::lock_guard<std::mutex> lock(mutex_);
    return head_;
  }

 private:
  void serve() {
    while (!stop_) {
      int c = accept(fd_, nullptr, nullptr);
      if (c < 0) return;
      std::string req;
      char buf[1024];
      while (req.find("\r\n\r\n") == std::string::npos) {
        ssize_t n = recv(c, buf, sizeof(buf), 0);
        if (n <= 0) break;
        req.append(buf, (size_t)n);
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        head_ = req;
      }
      if (send(c, raw_.data(), raw_.size(), MSG_NOSIGNAL) < 0) {
        // the client went away
      }
      for (int waited = 0; waited < stallMs_ && !stop_; waited += 50) usleep(50 * 1000);
      close(c);
    }
  }
  std::string raw_;
  int stallMs_;
  int fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::mutex mutex_;
  std::string head_;
};

std::string httpAnswer(const std::string& body, int status = 200, long announced = -1) {
  std::string reason = status == 200 ? "OK" : "Error";
  return "HTTP/1.0 " + std::to_string(status) + " " + reason +
         "\r\nContent-Type: text/html\r\nContent-Length: " +
         std::to_string(announced >= 0 ? announced : (long)body.size()) + "\r\nConnection: close\r\n\r\n" +
         body;
}

// ---------------------------------------------------------------------------
// Modes and keys

TEST_F(TargetListsTest, ListModes) {
  EXPECT_EQ(s(normalizeBrenvoMode("dmr")), "DMR");
  EXPECT_EQ(s(normalizeBrenvoMode(" D-Star ")), "DSTAR");
  EXPECT_EQ(s(normalizeBrenvoMode("d_star")), "DSTAR");
  EXPECT_EQ(s(normalizeBrenvoMode("System Fusion")), "YSF");
  EXPECT_EQ(s(normalizeBrenvoMode("P25")), "P25");
  EXPECT_EQ(s(normalizeBrenvoMode("NXDN")), "NXDN");
  EXPECT_EQ(s(normalizeBrenvoMode("POCSAG")), "");
  EXPECT_EQ(s(normalizeBrenvoMode("SVXLink")), "");
  EXPECT_EQ(s(normalizeBrenvoMode("")), "");
}

TEST_F(TargetListsTest, LookupKeys) {
  EXPECT_EQ(s(normalizeTargetLookupKey("DMR", "TG 00262")), "262");
  EXPECT_EQ(s(normalizeTargetLookupKey("DMR", "TG 0000")), "0");
  EXPECT_EQ(s(normalizeTargetLookupKey("DMR", "TG")), "");
  EXPECT_EQ(s(normalizeTargetLookupKey("YSF", "ROOM 01701")), "1701");
  EXPECT_EQ(s(normalizeTargetLookupKey("D-Star", "xlx262 B")), "XLX262");
  EXPECT_EQ(s(normalizeTargetLookupKey("DSTAR", "XLX2")), "XLX002");
  EXPECT_EQ(s(normalizeTargetLookupKey("DSTAR", "XLX12345")), "XLX123");
  EXPECT_EQ(s(normalizeTargetLookupKey("DSTAR", "REF001 C")), "");
  EXPECT_EQ(s(normalizeTargetLookupKey("DSTAR", "XLX")), "");
  EXPECT_EQ(s(normalizeTargetLookupKey("FM", "262")), "");
  EXPECT_EQ(s(normalizeTargetLookupKey("DMR", "   ")), "");
}

// ---------------------------------------------------------------------------
// Line format

TEST_F(TargetListsTest, LineSplitting) {
  String k, n;
  EXPECT_TRUE(splitTargetListLine(" 262 | Germany ", k, n));
  EXPECT_EQ(s(k), "262");
  EXPECT_EQ(s(n), "Germany");
  EXPECT_TRUE(splitTargetListLine("262\tGermany, North", k, n));
  EXPECT_EQ(s(n), "Germany, North");
  EXPECT_TRUE(splitTargetListLine("262,Germany", k, n));
  EXPECT_EQ(s(n), "Germany");
  EXPECT_TRUE(splitTargetListLine("91;0;WORLD-WIDE;TG91", k, n));
  EXPECT_EQ(s(k), "91");
  EXPECT_EQ(s(n), "0;WORLD-WIDE;TG91");
  EXPECT_TRUE(splitTargetListLine("262 Germany North", k, n));
  EXPECT_EQ(s(n), "Germany North");
  EXPECT_TRUE(splitTargetListLine("a|b;c,d", k, n));
  EXPECT_EQ(s(k), "a");
  EXPECT_FALSE(splitTargetListLine("Germany", k, n));
  EXPECT_FALSE(splitTargetListLine("# 262|Germany", k, n));
  EXPECT_FALSE(splitTargetListLine("262|", k, n));
  EXPECT_FALSE(splitTargetListLine("|Germany", k, n));
  EXPECT_FALSE(splitTargetListLine("   ", k, n));
  EXPECT_FALSE(splitTargetListLine("", k, n));
}

TEST_F(TargetListsTest, NameSanitising) {
  EXPECT_EQ(s(sanitizeTargetListName("Newfoundland &amp; Labrador")), "Newfoundland & Labrador");
  EXPECT_EQ(s(sanitizeTargetListName("A&ndash;B&mdash;C")), "A-B-C");
  EXPECT_EQ(s(sanitizeTargetListName("PT DMR&lt;&gt;NXDN")), "PT DMR<>NXDN");
  EXPECT_EQ(s(sanitizeTargetListName("The Hornet&#39;s &apos;Nest&quot;")), "The Hornet's 'Nest\"");
  EXPECT_EQ(s(sanitizeTargetListName(" a|b \t c\r\nd  &nbsp; e ")), "a-b c d e");
  EXPECT_EQ(s(sanitizeTargetListName("&amp;lt;")), "&lt;");  // decoded once only
  EXPECT_EQ(s(sanitizeTargetListName("&unknown; &")), "&unknown; &");
}

// ---------------------------------------------------------------------------
// Seen in real answers: the list site's page

TEST_F(TargetListsTest, ListPageConvertsToListFile) {
  int entries = 0;
  ASSERT_TRUE(convert("DMR", testData("targetlists/brandmeister_talkgroups_page.html"), entries));
  EXPECT_EQ(entries, 46);
  std::string file = readCard("/lookup/dmr.txt");
  EXPECT_EQ(file.rfind(std::string(LIST_HEADER) + "# Mode: DMR\n1|Local\n2|Cluster\n", 0), 0u);
  EXPECT_NE(file.find("\n3020|Newfoundland & Labrador\n"), std::string::npos);
  EXPECT_EQ(file.find("Talkgroup Name"), std::string::npos);  // header row has no number
  EXPECT_FALSE(cardExists("/lookup/dmr.tmp"));
  EXPECT_EQ(lookup("DMR", "TG 262"), "Deutschland");
  EXPECT_EQ(lookup("DMR", "tg 00091"), "World-wide");
  EXPECT_EQ(lookup("DMR", "26810"), "PT DMR<>NXDN PT");
  EXPECT_EQ(lookup("DMR", "2627"), "Baden-W\xC3\xBCrttemberg");
  EXPECT_EQ(lookup("DMR", "20895"), "D\xC3\xA9pt Val-d'Oise");
  EXPECT_EQ(lookup("DMR", "777"), "<none>");
}

TEST_F(TargetListsTest, ListPageFromFileConvertsTheSame) {
  writeCard("/lookup/dmr.raw", testData("targetlists/brandmeister_talkgroups_page.html"));
  int entries = 0;
  ASSERT_TRUE(writeTargetListFileFromBrenvoHtmlFile("DMR", "/lookup/dmr.raw", "/lookup/dmr.txt",
                                                    "/lookup/dmr.tmp", entries));
  EXPECT_EQ(entries, 46);
  std::string fromFile = readCard("/lookup/dmr.txt");
  ASSERT_TRUE(convert("DMR", testData("targetlists/brandmeister_talkgroups_page.html"), entries));
  EXPECT_EQ(readCard("/lookup/dmr.txt"), fromFile);
}

TEST_F(TargetListsTest, YsfRowsAlsoListTheSixthCell) {
  int entries = 0;
  std::string page =
      "<table><tr><td>YSF62674</td><td>EXPERIMENTS</td><td>x</td><td>y</td><td>z</td><td>62674</td></tr>"
      "<TR class=odd><TD>US-KP4</TD><TD>Puerto <b>Rico</b></TD><TD>a</TD><TD>b</TD><TD>c</TD><TD>12920</TD></TR></table>";
  ASSERT_TRUE(convert("Fusion", page, entries));
  EXPECT_EQ(entries, 4);  // cell 1 and cell 6 of both rows ("US-KP4" keys as 4)
  EXPECT_EQ(lookup("YSF", "62674"), "EXPERIMENTS");
  EXPECT_EQ(lookup("YSF", "12920"), "Puerto Rico");
  EXPECT_EQ(lookup("YSF", "4"), "Puerto Rico");
}

TEST_F(TargetListsTest, CellWithPipeIsWrittenWithDash) {
  int entries = 0;
  ASSERT_TRUE(convert("DMR", "<tr><td>2351</td><td>Chat | UK &amp; Ireland</td></tr>", entries));
  EXPECT_NE(readCard("/lookup/dmr.txt").find("\n2351|Chat - UK & Ireland\n"), std::string::npos);
  EXPECT_EQ(lookup("DMR", "2351"), "Chat - UK & Ireland");
}

TEST_F(TargetListsTest, EmptyCellsAreSkippedAndThHeadersCount) {
  int entries = 0;
  ASSERT_TRUE(
      convert("P25", "<tr><td></td><td> 10200 </td><td><i></i></td><th>North America</th></tr>", entries));
  EXPECT_EQ(lookup("P25", "NET 10200"), "North America");
}

// ---------------------------------------------------------------------------
// Seen in real answers: host files (text lines)

TEST_F(TargetListsTest, HostFilesConvertAsTextLines) {
  int entries = 0;
  ASSERT_TRUE(convert("NXDN", testData("targetlists/wpsd_hostfiles_2023_NXDN_Hosts.txt"), entries, false));
  EXPECT_GT(entries, 50);
  EXPECT_EQ(lookup("NXDN", "112"), "112.nxdn.es 41401");  // tab separated
  ASSERT_TRUE(convert("P25", testData("targetlists/wpsd_hostfiles_2023_TGList_P25.txt"), entries, false));
  EXPECT_EQ(lookup("P25", "10"), "P25-PARROT;P25 PARROT");  // first ";" separates
  ASSERT_TRUE(convert("DMR", testData("targetlists/wpsd_hostfiles_2023_TGList_BM.txt"), entries, false));
  EXPECT_GT(entries, 1000);
  EXPECT_EQ(lookup("DMR", "91"), "0;WORLD-WIDE;TG91");
  ASSERT_TRUE(convert("YSF", testData("targetlists/wpsd_hostfiles_2023_TGList_YSF.txt"), entries, false));
  EXPECT_EQ(lookup("YSF", "00005"), "00005");
}

TEST_F(TargetListsTest, HostFilesAreNoHtmlTables) {
  int entries = 0;
  EXPECT_FALSE(convert("NXDN", testData("targetlists/wpsd_hostfiles_2023_NXDN_Hosts.txt"), entries));
  EXPECT_EQ(entries, 0);
  EXPECT_FALSE(cardExists("/lookup/nxdn.txt"));
  EXPECT_FALSE(cardExists("/lookup/nxdn.tmp"));
}

TEST_F(TargetListsTest, FilesWithoutUsableKeysFail) {
  int entries = 0;
  // XLXHosts numbers lack the XLX prefix a D-Star key needs.
  EXPECT_FALSE(convert("DSTAR", testData("targetlists/wpsd_hostfiles_2023_XLXHosts.txt"), entries, false));
  // A browser-check page has neither rows nor key/name lines.
  EXPECT_FALSE(convert("DMR", LOGIN_PAGE, entries, false));
  EXPECT_FALSE(convert("DMR", LOGIN_PAGE, entries));
  EXPECT_FALSE(cardExists("/lookup/dstar.txt"));
  EXPECT_FALSE(cardExists("/lookup/dmr.txt"));
}

TEST_F(TargetListsTest, LoginPageNeverReplacesAList) {
  // "<body><h1>..." would otherwise split into key "1" and a name.
  std::string login =
      "<!DOCTYPE html>\n<html><head><title>Pi-Star - Login</title></head>\n"
      "<body><h1>Pi-Star Digital Voice Dashboard</h1>\n"
      "<form method=\"post\" action=\"/admin/\"><label>User <input name=\"user\"></label></form></body></html>\n";
  writeCard("/lookup/dmr.txt", "262|Deutschland\n");
  int entries = 0;
  EXPECT_FALSE(convert("DMR", login, entries));
  EXPECT_FALSE(convert("DMR", login, entries, false));
  EXPECT_EQ(readCard("/lookup/dmr.txt"), "262|Deutschland\n");
}

TEST_F(TargetListsTest, PageWithoutRowsFallsBackToTextLines) {
  std::string page = "<html><body><pre>\n262|Germany\n91|World-wide\n</pre></body></html>";
  int entries = 0;
  EXPECT_FALSE(convert("DMR", page, entries));
  ASSERT_TRUE(convert("DMR", page, entries, false));
  EXPECT_EQ(entries, 2);
  EXPECT_EQ(lookup("DMR", "262"), "Germany");
}

// ---------------------------------------------------------------------------
// Replacing lists

TEST_F(TargetListsTest, NewListReplacesOldAndFailedConversionKeepsIt) {
  writeCard("/lookup/dmr.txt", "262|Old name\n");
  int entries = 0;
  EXPECT_FALSE(convert("DMR", "<html>no table</html>", entries));
  EXPECT_EQ(readCard("/lookup/dmr.txt"), "262|Old name\n");
  ASSERT_TRUE(convert("DMR", "<tr><td>262</td><td>New name</td></tr>", entries));
  EXPECT_EQ(lookup("DMR", "262"), "New name");
  EXPECT_FALSE(cardExists("/lookup/dmr.tmp"));
}

TEST_F(TargetListsTest, FailedRenameLeavesTheOldListAndNoTemp) {
  // A folder in the list's place cannot be replaced by a file.
  writeCard("/lookup/dmr.txt/keep", "old");
  int entries = 0;
  EXPECT_FALSE(convert("DMR", "<tr><td>262</td><td>New</td></tr>", entries));
  EXPECT_EQ(readCard("/lookup/dmr.txt/keep"), "old");
  EXPECT_FALSE(cardExists("/lookup/dmr.tmp"));
}

TEST_F(TargetListsTest, WriteErrorAtTheLastFlushKeepsTheOldList) {
  // A full card: the buffered lines are accepted, writing them out at the end
  // fails. The short temp file must not replace the list.
  writeCard("/lookup/dmr.txt", "262|Old name\n");
  ASSERT_EQ(symlink("/dev/full", local("/lookup/dmr.tmp").c_str()), 0);
  int entries = 0;
  EXPECT_FALSE(convert("DMR", "<tr><td>262</td><td>New</td></tr>", entries));
  struct stat st;
  ASSERT_EQ(lstat(local("/lookup/dmr.txt").c_str(), &st), 0);
  ASSERT_TRUE(S_ISREG(st.st_mode));  // not the device the temp file pointed at
  EXPECT_EQ(readCard("/lookup/dmr.txt"), "262|Old name\n");
  EXPECT_FALSE(cardExists("/lookup/dmr.tmp"));
}

// ---------------------------------------------------------------------------
// Truncated and hostile pages

TEST_F(TargetListsTest, UnfinishedRowsAreDropped) {
  int entries = 0;
  ASSERT_TRUE(convert("DMR", "<tr><td>1</td><td>One</td></tr><tr><td>2</td><td>Two</td>", entries));
  EXPECT_EQ(entries, 1);
  EXPECT_EQ(lookup("DMR", "2"), "<none>");
  EXPECT_FALSE(convert("DMR", "<tr", entries));
  EXPECT_FALSE(convert("DMR", "<tr><td>1</td", entries));
  EXPECT_FALSE(convert("DMR", "", entries));
}

TEST_F(TargetListsTest, HostilePagesEndAndKeepLaterRows) {
  int entries = 0;
  std::string openTag = "<tr" + std::string(20000, ' ') + "<tr><td>5</td><td>Five</td></tr>";
  ASSERT_TRUE(convert("DMR", openTag, entries));
  EXPECT_EQ(lookup("DMR", "5"), "Five");
  std::string endless = "<tr><td>6</td><td>" + std::string(40000, 'x') + "<tr><td>7</td><td>Seven</td></tr>";
  ASSERT_TRUE(convert("DMR", endless, entries));
  EXPECT_EQ(lookup("DMR", "7"), "Seven");
  std::string manyCells = "<tr>";
  for (int i = 0; i < 50; ++i) manyCells += "<td>" + std::to_string(i + 1) + "</td>";
  manyCells += "</tr>";
  ASSERT_TRUE(convert("YSF", manyCells, entries));
  EXPECT_EQ(entries, 2);
  std::string unclosedTag = "<tr><td>8</td><td>Eight <b</td></tr><tr><td>9</td><td>Nine</td></tr>";
  ASSERT_TRUE(convert("DMR", unclosedTag, entries));
  EXPECT_EQ(lookup("DMR", "9"), "Nine");
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary += (char)((i * 131) & 0xFF);
  convert("DMR", binary, entries);
  convert("DMR", binary, entries, false);
}

// ---------------------------------------------------------------------------
// Cache

TEST_F(TargetListsTest, CachedLookupNeedsTheSwitchAndReadsTheFileOnce) {
  writeCard("/lookup/dmr.txt", std::string(LIST_HEADER) + "# Mode: DMR\n262|Deutschland\n");
  EXPECT_EQ(s(targetNameLookupCached("DMR", "262")), "");  // lookups switched off
  cfg.targetListLookupEnabled = true;
  EXPECT_EQ(s(targetNameLookupCached("DMR", "TG 262")), "Deutschland");
  EXPECT_EQ(s(targetNameLookupCached("DMR", "999")), "");
  std::remove(local("/lookup/dmr.txt").c_str());
  EXPECT_EQ(s(targetNameLookupCached("DMR", "262")), "Deutschland");  // from the cache
  writeCard("/lookup/dmr.txt", "999|Found later\n");
  EXPECT_EQ(s(targetNameLookupCached("DMR", "999")), "");  // misses are cached too
  clearTargetNameLookupCache();
  EXPECT_EQ(s(targetNameLookupCached("DMR", "999")), "Found later");
  EXPECT_EQ(s(targetNameLookupCached("POCSAG", "999")), "");
}

TEST_F(TargetListsTest, SeventeenthLookupReplacesOldestSlot) {
  cfg.targetListLookupEnabled = true;
  for (int i = 1; i <= 17; ++i) targetNameLookupCached("DMR", String(i));
  EXPECT_EQ(s(targetNameLookupCache[0].target), "17");
  EXPECT_EQ(s(targetNameLookupCache[1].target), "2");
  EXPECT_EQ(targetNameLookupCacheWriteIndex, 1);
  for (const TargetNameLookupCacheEntry& e : targetNameLookupCache) EXPECT_NE(s(e.target), "1");
  // Same key in another mode is another entry.
  targetNameLookupCached("NXDN", "2");
  EXPECT_EQ(s(targetNameLookupCache[1].mode), "NXDN");
}

// ---------------------------------------------------------------------------
// List URLs and sizes

TEST_F(TargetListsTest, ListUrls) {
  std::string def = s(targetListUrlForMode("DMR"));
  EXPECT_EQ(def.rfind("https://", 0), 0u);
  EXPECT_NE(def.find("/digital-radio-lists/brandmeister-talkgroups/"), std::string::npos);
  cfg.targetListBaseUrl = " http://127.0.0.1:8080/digital-radio-lists ";
  EXPECT_EQ(s(targetListUrlForMode("D-Star")), "http://127.0.0.1:8080/digital-radio-lists/xlx-reflectors/");
  cfg.targetListBaseUrl = "http://h/lists/%MODE%.html";
  EXPECT_EQ(s(targetListUrlForMode("fusion")), "http://h/lists/ysf.html");
  cfg.targetListBaseUrl = "http://h/%PATH%?m=%MODE%";
  EXPECT_EQ(s(targetListUrlForMode("NXDN")), "http://h/nxdn-reflectors/?m=nxdn");
  cfg.targetListP25Url = " http://other/p25.txt ";
  EXPECT_EQ(s(targetListUrlForMode("P25")), "http://other/p25.txt");
  EXPECT_EQ(s(targetListUrlForMode("POCSAG")), "");
  cfg.targetListP25Url = "";
}

TEST_F(TargetListsTest, FileSizeTexts) {
  EXPECT_EQ(s(targetListFileSizeText("DMR")), "Missing");
  writeCard("/lookup/dmr.txt", std::string(1000, 'x'));
  EXPECT_EQ(s(targetListFileSizeText("DMR")), "1000 bytes");
  writeCard("/lookup/dmr.txt", std::string(1536, 'x'));
  EXPECT_EQ(s(targetListFileSizeText("DMR")), "1.5 KB");
  writeCard("/lookup/dmr.txt", std::string(3 * 1048576 / 2, 'x'));
  EXPECT_EQ(s(targetListFileSizeText("DMR")), "1.50 MB");
  EXPECT_EQ(s(targetListFileSizeText("FM")), "Missing");
}

// ---------------------------------------------------------------------------
// Download

TEST_F(TargetListsTest, DownloadStoresTheBodyAndSendsTheHeaders) {
  std::string page = testData("targetlists/brandmeister_talkgroups_page.html");
  ScriptedServer server(httpAnswer(page));
  int code = 0;
  size_t bytes = 0;
  String error;
  ASSERT_TRUE(httpDownloadToSdFile(server.url().c_str(), "/lookup/dmr.raw", code, bytes, error)) << s(error);
  EXPECT_EQ(code, 200);
  EXPECT_EQ(bytes, page.size());
  EXPECT_EQ(s(error), "");
  EXPECT_EQ(readCard("/lookup/dmr.raw"), page);
  std::string head = server.head();
  EXPECT_EQ(head.rfind("GET /list/ HTTP/1.0\r\n", 0), 0u) << head;
  EXPECT_NE(head.find("User-Agent: Qsodeck/0.0.1.8 (operator="), std::string::npos) << head;
  EXPECT_NE(head.find("Accept: text/html,text/plain,*/*\r\n"), std::string::npos) << head;
  EXPECT_NE(head.find("Connection: close\r\n"), std::string::npos) << head;
}

TEST_F(TargetListsTest, DownloadErrorStatusRemovesTheFile) {
  ScriptedServer server(httpAnswer("<html>gone</html>", 404));
  int code = 0;
  size_t bytes = 0;
  String error;
  EXPECT_FALSE(httpDownloadToSdFile(server.url().c_str(), "/lookup/dmr.raw", code, bytes, error));
  EXPECT_EQ(code, 404);
  EXPECT_EQ(s(error), "HTTP 404");
  EXPECT_FALSE(cardExists("/lookup/dmr.raw"));
}

TEST_F(TargetListsTest, DownloadThatEndsEarlyFails) {
  ScriptedServer server(httpAnswer("<tr><td>1</td><td>One</td></tr>", 200, 5000));
  int code = 0;
  size_t bytes = 0;
  String error;
  EXPECT_FALSE(httpDownloadToSdFile(server.url().c_str(), "/lookup/dmr.raw", code, bytes, error));
  EXPECT_EQ(s(error), "HTTP stream unavailable.");
  EXPECT_FALSE(cardExists("/lookup/dmr.raw"));
}

TEST_F(TargetListsTest, DownloadThatStallsFails) {
  ScriptedServer server(httpAnswer("<tr><td>1</td><td>One</td></tr>", 200, 5000), 7000);
  int code = 0;
  size_t bytes = 0;
  String error;
  EXPECT_FALSE(httpDownloadToSdFile(server.url().c_str(), "/lookup/dmr.raw", code, bytes, error));
  EXPECT_EQ(s(error), "HTTP stream unavailable.");
  EXPECT_FALSE(cardExists("/lookup/dmr.raw"));
}

TEST_F(TargetListsTest, DownloadWithWriteErrorAtTheLastFlushFails) {
  writeCard("/lookup/keep", "");
  ASSERT_EQ(symlink("/dev/full", local("/lookup/dmr.raw").c_str()), 0);
  ScriptedServer server(httpAnswer("<tr><td>262</td><td>New</td></tr>"));
  int code = 0;
  size_t bytes = 0;
  String error;
  EXPECT_FALSE(httpDownloadToSdFile(server.url().c_str(), "/lookup/dmr.raw", code, bytes, error));
  EXPECT_EQ(s(error), "SD write failed while downloading.");
  EXPECT_FALSE(cardExists("/lookup/dmr.raw"));
}

TEST_F(TargetListsTest, DownloadWithEmptyBodyFails) {
  ScriptedServer server(httpAnswer(""));
  int code = 0;
  size_t bytes = 0;
  String error;
  EXPECT_FALSE(httpDownloadToSdFile(server.url().c_str(), "/lookup/dmr.raw", code, bytes, error));
  EXPECT_EQ(code, 200);
  EXPECT_EQ(s(error), "HTTP 200 but no response body was received.");
  EXPECT_FALSE(cardExists("/lookup/dmr.raw"));
}

TEST_F(TargetListsTest, DownloadFromClosedPortFails) {
  int port;
  {
    ScriptedServer probe("");
    port = std::stoi(probe.url().substr(17));
  }
  int code = 0;
  size_t bytes = 0;
  String error;
  String url = String("http://127.0.0.1:") + port + "/list/";
  EXPECT_FALSE(httpDownloadToSdFile(url, "/lookup/dmr.raw", code, bytes, error));
  EXPECT_EQ(code, -2);
  EXPECT_EQ(s(error), "HTTP stream unavailable.");
  EXPECT_FALSE(httpDownloadToSdFile("", "/lookup/dmr.raw", code, bytes, error));
  EXPECT_EQ(code, -1);
  EXPECT_EQ(s(error), "HTTP begin failed.");
  EXPECT_FALSE(httpDownloadToSdFile(url, "", code, bytes, error));
  EXPECT_EQ(s(error), "No temporary file path is configured.");
}

TEST_F(TargetListsTest, DownloadWaitsForTheNetworkLock) {
  SemaphoreHandle_t saved = networkMutex;
  networkMutex = xSemaphoreCreateRecursiveMutex();
  networkLockTake = [](SemaphoreHandle_t, TickType_t) -> BaseType_t { return pdFALSE; };
  ScriptedServer server(httpAnswer("<tr><td>1</td><td>One</td></tr>"));
  int code = 0;
  size_t bytes = 0;
  String error;
  bool ok = httpDownloadToSdFile(server.url().c_str(), "/lookup/dmr.raw", code, bytes, error);
  networkLockTake = xSemaphoreTakeRecursive;
  networkMutex = saved;
  EXPECT_FALSE(ok);
  EXPECT_EQ(code, -98);
  EXPECT_EQ(s(error), "Network is busy.");
  EXPECT_TRUE(server.head().empty());  // nothing was sent
  EXPECT_FALSE(cardExists("/lookup/dmr.raw"));
}

TEST_F(TargetListsTest, RedirectOntoALocalFileIsRefused) {
  writeCard("/secret.txt", "262|Secret\n");
  ScriptedServer server("HTTP/1.0 302 Found\r\nLocation: file://" + local("/secret.txt") +
                        "\r\nContent-Length: 0\r\n\r\n");
  int code = 0;
  size_t bytes = 0;
  String error;
  EXPECT_FALSE(httpDownloadToSdFile(server.url().c_str(), "/lookup/dmr.raw", code, bytes, error));
  EXPECT_FALSE(cardExists("/lookup/dmr.raw"));
}

TEST_F(TargetListsTest, DownloadFromLocalFile) {
  std::string path = local("/saved.html");
  writeCard("/saved.html", "<tr><td>262</td><td>Germany</td></tr>");
  int code = 0;
  size_t bytes = 0;
  String error;
  ASSERT_TRUE(
      httpDownloadToSdFile(String(("file://" + path).c_str()), "/lookup/dmr.raw", code, bytes, error));
  EXPECT_EQ(code, 200);
  EXPECT_FALSE(httpDownloadToSdFile(String(("file://" + path + ".missing").c_str()), "/lookup/dmr.raw", code,
                                    bytes, error));
  EXPECT_EQ(code, 404);
  EXPECT_EQ(s(error), "HTTP 404");
}

TEST_F(TargetListsTest, ModeDownloadConvertsLogsAndClearsTheCache) {
  std::string page = testData("targetlists/brandmeister_talkgroups_page.html");
  ScriptedServer server(httpAnswer(page));
  cfg.targetListDmrUrl = server.url().c_str();
  cfg.targetListLookupEnabled = true;
  EXPECT_EQ(s(targetNameLookupCached("DMR", "262")), "");  // cached miss before the list exists
  String detail;
  ASSERT_TRUE(downloadTargetListForMode("dmr", detail)) << s(detail);
  std::string expected = "Saved 46 DMR target names to /lookup/dmr.txt from " + std::to_string(page.size()) +
                         " downloaded bytes.";
  EXPECT_EQ(s(detail), expected);
  EXPECT_EQ(lastLog(), expected);
  EXPECT_EQ(s(newestLog()->level), "INFO");
  EXPECT_EQ(s(newestLog()->tag), "LOOKUP");
  EXPECT_EQ(s(targetNameLookupCached("DMR", "262")), "Deutschland");
  EXPECT_FALSE(cardExists("/lookup/dmr.raw"));
  EXPECT_FALSE(cardExists("/lookup/dmr.tmp"));
  cfg.targetListDmrUrl = "";
}

TEST_F(TargetListsTest, BrokenDownloadKeepsTheOldList) {
  writeCard("/lookup/dmr.txt", "262|Old name\n");
  ScriptedServer server(httpAnswer("<tr><td>262</td><td>New</td></tr>", 200, 100000));
  cfg.targetListDmrUrl = server.url().c_str();
  String detail;
  EXPECT_FALSE(downloadTargetListForMode("DMR", detail));
  EXPECT_EQ(s(detail), "Target list download failed for DMR (HTTP 200): HTTP stream unavailable..");
  EXPECT_EQ(lastLog(), s(detail));
  EXPECT_EQ(s(newestLog()->level), "WARN");
  EXPECT_EQ(readCard("/lookup/dmr.txt"), "262|Old name\n");
  EXPECT_FALSE(cardExists("/lookup/dmr.raw"));
  cfg.targetListDmrUrl = "";
}

TEST_F(TargetListsTest, UnconvertibleDownloadKeepsTheOldList) {
  writeCard("/lookup/nxdn.txt", "65000|Old\n");
  std::string json = LOGIN_PAGE;
  ScriptedServer server(httpAnswer(json));
  cfg.targetListNxdnUrl = server.url().c_str();
  String detail;
  EXPECT_FALSE(downloadTargetListForMode("NXDN", detail));
  EXPECT_EQ(s(detail), "Could not convert target list for NXDN to SD format. Downloaded " +
                           std::to_string(json.size()) +
                           " bytes. Expected Brenvo HTML or text lines like 262|Germany.");
  EXPECT_EQ(readCard("/lookup/nxdn.txt"), "65000|Old\n");
  EXPECT_FALSE(cardExists("/lookup/nxdn.raw"));
  EXPECT_FALSE(cardExists("/lookup/nxdn.tmp"));
  cfg.targetListNxdnUrl = "";
}

TEST_F(TargetListsTest, UnsupportedModeHasNoSource) {
  String detail;
  EXPECT_FALSE(downloadTargetListForMode("POCSAG", detail));
  EXPECT_EQ(s(detail), "No source URL or file path is configured.");
}

}  // namespace
