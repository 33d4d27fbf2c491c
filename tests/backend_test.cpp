// Backend and feature selection: alias tables, feature tests, start page and
// the URL builders, table-driven.
#include <string>

#include <gtest/gtest.h>

#include "core/app.h"
#include "core/backend.h"
#include "core/config.h"
#include "core/device_log.h"
#include "core/watch_source.h"
#include "ui/page_frame.h"

namespace {

struct TextCase {
  const char *raw;
  const char *expected;
};

// A configuration with nothing switched on, as the desktop defaults have it.
void resetConfig() {
  applyDesktopConfigDefaults();
  currentWatchSource = WATCH_MMDVM;
}

}  // namespace

// ---------------------------------------------------------------------------
// Alias tables
// ---------------------------------------------------------------------------

TEST(BackendAliases, Backend) {
  const TextCase cases[] = {
      {"WPSD", "WPSD"},
      {"wpsd", "WPSD"},
      {"  WpSd\t", "WPSD"},
      {"Pi-Star", "Pi-Star"},
      {"pi-star", "Pi-Star"},
      {"Pi_Star", "Pi-Star"},
      {"PISTAR", "Pi-Star"},
      {"pi star", "Pi-Star"},
      {"Pi   Star", "Pi-Star"},
      {" pi__star ", ""},
      {"mmdvm", ""},
      {"svxlink", ""},
      {"", ""},
      {"pi-star2", ""},
      {"w psd", ""},
      {"\xC3\x9F", ""},
  };
  for (const TextCase &c : cases) {
    EXPECT_EQ(canonicalBackendValue(c.raw), c.expected) << "[" << c.raw << "]";
    EXPECT_EQ(isValidBackendValue(c.raw), c.expected[0] != '\0') << "[" << c.raw << "]";
  }
}

TEST(BackendAliases, NormalizedBackendShortForm) {
  resetConfig();
  const TextCase cases[] = {
      {"WPSD", "wpsd"}, {"wpsd", "wpsd"}, {"Pi-Star", "pistar"}, {"mmdvm", "pistar"}, {"", "pistar"}};
  for (const TextCase &c : cases) {
    cfg.backend = c.raw;
    EXPECT_EQ(normalizedBackend(), c.expected) << c.raw;
  }
}

TEST(BackendAliases, SvxlinkSource) {
  const TextCase cases[] = {
      {"api", "api"},          {"JSON", "api"},        {"svxlink_api", "api"}, {"SvxLink API", "api"},
      {"svxlink  api", "api"}, {"url", "url"},         {"HTML", "url"},        {"Dashboard", "url"},
      {"svxlink-url", "url"},  {"svxlink url", "url"}, {"telnet", ""},         {"", ""},
      {"api ", "api"},         {"apis", ""},
  };
  for (const TextCase &c : cases) EXPECT_EQ(canonicalSvxlinkSourceValue(c.raw), c.expected) << c.raw;

  resetConfig();
  cfg.svxlinkSource = "telnet";
  EXPECT_EQ(normalizedSvxlinkSource(), "url");
  EXPECT_TRUE(isSvxlinkUrlBackend());
  EXPECT_FALSE(isSvxlinkApiBackend());
  cfg.svxlinkSource = "JSON";
  EXPECT_EQ(normalizedSvxlinkSource(), "api");
  EXPECT_TRUE(isSvxlinkApiBackend());
}

TEST(BackendAliases, StartPage) {
  const TextCase cases[] = {
      {"", "mmdvm_live"},
      {"mmdvm", "mmdvm_live"},
      {"LIVE", "mmdvm_live"},
      {"watch", "mmdvm_live"},
      {"anything else", "mmdvm_live"},
      {"mmdvm_live", "mmdvm_live"},
      {"mmdvm_last", "mmdvm_last"},
      {"Heard", "mmdvm_last"},
      {"last_heard", "mmdvm_last"},
      {"svx", "svxlink_live"},
      {"SVXLINK", "svxlink_live"},
      {"svxlink_watch", "svxlink_live"},
      {"svxlink_last", "svxlink_last"},
      {"svx-heard", "svxlink_last"},
      {"aprs", "aprs_live"},
      {"APRS_Watch", "aprs_live"},
      {"wx", "weather_live"},
      {"weather_live", "weather_live"},
      {"Solar", "hamqsl_live"},
      {"propagation", "hamqsl_live"},
      {"ham_qsl", "hamqsl_live"},
      {"ADS-B", "adsb_live"},
      {"aircraft", "adsb_live"},
      {"dump1090", "adsb_live"},
      {"  adsb  live ", "mmdvm_live"},
  };
  for (const TextCase &c : cases) EXPECT_EQ(canonicalStartPageAfterBootValue(c.raw), c.expected) << c.raw;
}

TEST(BackendAliases, StartPageLabels) {
  const TextCase cases[] = {
      {"mmdvm_live", "MMDVM LIVE"},      {"mmdvm_last", "MMDVM HEARD"}, {"svxlink_live", "SVXLink LIVE"},
      {"svxlink_last", "SVXLink HEARD"}, {"aprs_live", "APRS WATCH"},   {"weather_live", "Weather WATCH"},
      {"hamqsl_live", "HAMQSL WATCH"},   {"adsb_live", "ADSB WATCH"},   {"nonsense", "MMDVM LIVE"},
  };
  for (const TextCase &c : cases) EXPECT_EQ(startPageAfterBootLabel(c.raw), c.expected) << c.raw;
}

// ---------------------------------------------------------------------------
// Feature tests and start-page availability
// ---------------------------------------------------------------------------

TEST(BackendFeatures, NeedTheirSettings) {
  resetConfig();
  EXPECT_FALSE(svxlinkFeatureEnabled());
  cfg.svxlinkEnabled = true;
  EXPECT_TRUE(svxlinkFeatureEnabled());  // default host 127.0.0.1
  cfg.svxlinkHost = "  ";
  EXPECT_FALSE(svxlinkFeatureEnabled());

  cfg.aprsEnabled = true;
  EXPECT_FALSE(aprsFeatureEnabled());
  cfg.aprsApiKey = " key ";
  EXPECT_TRUE(aprsFeatureEnabled());

  cfg.adsbEnabled = true;
  EXPECT_FALSE(adsbFeatureEnabled());
  cfg.adsbHost = "dump1090.local";
  EXPECT_TRUE(adsbFeatureEnabled());

  EXPECT_FALSE(weatherFeatureEnabled());
  cfg.weatherEnabled = true;
  EXPECT_TRUE(weatherFeatureEnabled());  // coordinates are not needed here
  cfg.hamqslEnabled = true;
  EXPECT_TRUE(hamqslFeatureEnabled());
}

TEST(BackendFeatures, Alerts) {
  resetConfig();
  EXPECT_FALSE(alertFeatureEnabled());
  cfg.katwarnEnabled = true;
  EXPECT_FALSE(alertFeatureEnabled());
  cfg.katwarnLocationId = "0916";
  EXPECT_TRUE(alertFeatureEnabled());
  resetConfig();
  cfg.meteoalarmEnabled = true;
  EXPECT_TRUE(alertFeatureEnabled());  // feed "germany" and country "DE" by default
  cfg.meteoalarmFeed = " ";
  cfg.meteoalarmCountryCode = "";
  EXPECT_FALSE(alertFeatureEnabled());
  cfg.meteoalarmCountryCode = "AT";
  EXPECT_TRUE(alertFeatureEnabled());
  resetConfig();
  cfg.noaaEnabled = true;
  EXPECT_FALSE(alertFeatureEnabled());
  cfg.noaaZone = "TXZ211";
  EXPECT_TRUE(alertFeatureEnabled());
}

TEST(BackendFeatures, CurrentWatchNeedsTheFeature) {
  resetConfig();
  currentWatchSource = WATCH_APRS;
  cfg.aprsEnabled = true;
  EXPECT_FALSE(isCurrentWatch(WATCH_APRS));
  cfg.aprsApiKey = "k";
  EXPECT_TRUE(isCurrentWatch(WATCH_APRS));
  EXPECT_TRUE(isCurrentWatch(WATCH_APRS));
  EXPECT_FALSE(isCurrentWatch(WATCH_SVXLINK));
  currentWatchSource = WATCH_ADSB;
  cfg.adsbEnabled = true;
  cfg.adsbHost = "h";
  EXPECT_TRUE(isCurrentWatch(WATCH_ADSB));
  EXPECT_FALSE(isCurrentWatch(WATCH_APRS));
}

TEST(BackendFeatures, StartPageAvailability) {
  resetConfig();
  EXPECT_TRUE(startPageAfterBootChoiceAvailable("mmdvm_live", true));
  EXPECT_TRUE(startPageAfterBootChoiceAvailable("mmdvm_last", true));
  EXPECT_FALSE(startPageAfterBootOptionsAvailable());

  cfg.weatherEnabled = true;  // switched on, but no coordinates or key
  EXPECT_TRUE(startPageAfterBootOptionsAvailable());
  EXPECT_TRUE(startPageAfterBootChoiceAvailable("weather_live", false));
  EXPECT_FALSE(startPageAfterBootChoiceAvailable("weather_live", true));
  cfg.weatherLat = "1";
  cfg.weatherLon = "2";
  cfg.weatherApiKey = "k";
  EXPECT_TRUE(startPageAfterBootChoiceAvailable("weather_live", true));

  cfg.svxlinkEnabled = true;
  cfg.svxlinkHost = "";
  EXPECT_TRUE(startPageAfterBootChoiceAvailable("svxlink_last", false));
  EXPECT_FALSE(startPageAfterBootChoiceAvailable("svxlink_last", true));

  cfg.startPageAfterBoot = "Solar";
  EXPECT_EQ(normalizedStartPageAfterBoot(false), "mmdvm_live");
  cfg.hamqslEnabled = true;
  EXPECT_EQ(normalizedStartPageAfterBoot(false), "hamqsl_live");
  cfg.hamqslUrl = " ";
  EXPECT_EQ(normalizedStartPageAfterBoot(true), "mmdvm_live");
}

TEST(BackendFeatures, ApplyStartPageAfterBootSwitchesSourceAndPage) {
  resetConfig();
  cfg.hamqslEnabled = true;
  cfg.startPageAfterBoot = "hamqsl_live";
  currentPage = PAGE_STATUS;
  previousPage = PAGE_INFO;
  applyStartPageAfterBoot();
  EXPECT_EQ(currentWatchSource, WATCH_HAMQSL);
  EXPECT_EQ(currentPage, PAGE_LIVE);
  EXPECT_EQ(previousPage, PAGE_LIVE);
  EXPECT_TRUE(uiDirty);
  const WebLogEntry *e = webLogEntryAt((uint8_t)(webLogCount - 1));
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->level, "INFO");
  EXPECT_EQ(e->tag, "BOOT");
  EXPECT_EQ(e->message, "Start page after boot: HAMQSL WATCH.");
}

TEST(BackendFeatures, ApplyStartPageAfterBootMmdvmHeardAndFallback) {
  resetConfig();
  cfg.startPageAfterBoot = "last";
  applyStartPageAfterBoot();
  EXPECT_EQ(currentWatchSource, WATCH_MMDVM);
  EXPECT_EQ(currentPage, PAGE_LAST);
  EXPECT_EQ(previousPage, PAGE_LAST);

  // SvxLink switched on but without a host is not ready at run time.
  cfg.svxlinkEnabled = true;
  cfg.svxlinkHost = "";
  cfg.startPageAfterBoot = "svxlink_last";
  applyStartPageAfterBoot();
  EXPECT_EQ(currentWatchSource, WATCH_MMDVM);
  EXPECT_EQ(currentPage, PAGE_LIVE);
  EXPECT_EQ(webLogEntryAt((uint8_t)(webLogCount - 1))->message, "Start page after boot: MMDVM LIVE.");

  cfg.svxlinkHost = "svx.local";
  applyStartPageAfterBoot();
  EXPECT_EQ(currentWatchSource, WATCH_SVXLINK);
  EXPECT_EQ(currentPage, PAGE_LAST);
}

// ---------------------------------------------------------------------------
// Hosts and URLs
// ---------------------------------------------------------------------------

TEST(BackendUrls, DashboardUrls) {
  resetConfig();
  cfg.pistarHost = "192.168.1.50";
  cfg.backend = "Pi-Star";
  EXPECT_EQ(heardUrl(), "http://192.168.1.50/api/last_heard.php");
  EXPECT_EQ(dashboardStatusUrl(), "http://192.168.1.50/mmdvmhost/repeaterinfo.php");
  EXPECT_EQ(dashboardFreqUrl(), "http://192.168.1.50/mmdvmhost/repeaterinfo.php");
  cfg.backend = "WPSD";
  cfg.pistarHost = "wpsd.local:8080";
  EXPECT_EQ(heardUrl(), "http://wpsd.local:8080/api/?limit=12&names=true&country=true");
  EXPECT_EQ(dashboardStatusUrl(), "http://wpsd.local:8080/mmdvmhost/repeaterinfo.php");
  EXPECT_EQ(dashboardFreqUrl(), "http://wpsd.local:8080/mmdvmhost/radioinfo.php");
}

TEST(BackendUrls, HostHelpers) {
  const TextCase absolute[] = {{"http://a", "1"}, {" HTTPS://a ", "1"}, {"ftp://a", ""}, {"httpx://a", ""},
                               {"a.example", ""}, {"http:/a", ""},      {"", ""}};
  for (const TextCase &c : absolute) EXPECT_EQ(isAbsoluteHttpUrl(c.raw), c.expected[0] == '1') << c.raw;

  const TextCase strip[] = {{"http://h///", "http://h"}, {" https://host/path/ ", "https://host/path"},
                            {"https:///", "https://"},   {"http:////", "http:///"},
                            {"abc///", "abc///"},        {"123456789/", "123456789"}};
  for (const TextCase &c : strip) EXPECT_EQ(stripTrailingSlash(c.raw), c.expected) << c.raw;
}

TEST(BackendUrls, DisplayHost) {
  resetConfig();
  const TextCase cases[] = {{"HTTP://host.example///", "host.example"},
                            {"https://h:8443/", "h:8443"},
                            {" 10.0.0.1 ", "10.0.0.1"},
                            {"Https:///", "/"},
                            {"/", "/"},
                            {"a//", "a"}};
  for (const TextCase &c : cases) {
    cfg.pistarHost = c.raw;
    EXPECT_EQ(displayBackendHost(), c.expected) << c.raw;
  }
  // "Https:///" leaves "/" after the scheme, which is kept as a single character.
}

TEST(BackendUrls, ActiveHostFollowsTheWatchSource) {
  resetConfig();
  cfg.pistarHost = " pistar.local ";
  cfg.svxlinkHost = " svx.local ";
  EXPECT_EQ(activeBackendHost(), "pistar.local");
  currentWatchSource = WATCH_SVXLINK;
  EXPECT_EQ(activeBackendHost(), "pistar.local");  // SvxLink is not switched on
  cfg.svxlinkEnabled = true;
  EXPECT_EQ(activeBackendHost(), "svx.local");
}

TEST(BackendUrls, SvxlinkPath) {
  resetConfig();
  struct {
    const char *source;
    const char *raw;
    const char *expected;
  } cases[] = {
      {"url", "", "/index.php"},
      {"url", "  status.php ", "/status.php"},
      {"url", "/api/display-json.php", "/index.php"},
      {"url", "display-json.php", "/index.php"},
      {"url", "/index.php", "/index.php"},
      {"api", "", "/api/display-json.php"},
      {"api", "/index.php", "/api/display-json.php"},
      {"api", "index.php", "/api/display-json.php"},
      {"api", "/custom/feed.json", "/custom/feed.json"},
      {"json", "/display-json.php", "/display-json.php"},
  };
  for (const auto &c : cases) {
    cfg.svxlinkSource = c.source;
    EXPECT_EQ(normalizedSvxlinkPathForBackend(c.raw), c.expected) << c.source << " " << c.raw;
  }
  cfg.svxlinkSource = "api";
  EXPECT_EQ(defaultSvxlinkPathForBackend(), "/api/display-json.php");
  cfg.svxlinkSource = "nonsense";
  EXPECT_EQ(defaultSvxlinkPathForBackend(), "/index.php");
}

TEST(BackendUrls, SvxlinkFetchUrl) {
  struct {
    const char *host;
    const char *source;
    const char *path;
    const char *expected;
  } cases[] = {
      {"https://svx.example.org/dash/index.php", "url", "/index.php",
       "https://svx.example.org/dash/index.php"},
      {"https://svx.example.org", "url", "/index.php", "https://svx.example.org/index.php"},
      // Trailing slashes count as a path of its own: the URL stays as written.
      {"https://svx.example.org///", "url", "", "https://svx.example.org///"},
      {"svx.local:8080", "api", "", "http://svx.local:8080/api/display-json.php"},
      {"svx.local", "url", "status", "http://svx.local/status"},
      {"http://svx.local/some/page.php", "api", "", "http://svx.local/api/display-json.php"},
      {"http://svx.local/some/page.php", "api", "/custom.json", "http://svx.local/some/page.php"},
      {" HTTP://svx.local/x ", "url", "", "HTTP://svx.local/x"},
  };
  for (const auto &c : cases) {
    resetConfig();
    cfg.svxlinkEnabled = true;
    currentWatchSource = WATCH_SVXLINK;
    cfg.svxlinkHost = c.host;
    cfg.svxlinkSource = c.source;
    cfg.svxlinkApiPath = c.path;
    EXPECT_EQ(svxlinkApiUrl(), c.expected) << c.host << " " << c.source << " " << c.path;
  }
}

TEST(BackendUrls, SvxlinkFetchUrlBuildsOnTheHotspotHostWhenNotWatched) {
  resetConfig();
  cfg.svxlinkEnabled = true;
  cfg.svxlinkHost = "svx.local";
  cfg.pistarHost = "pistar.local";
  currentWatchSource = WATCH_MMDVM;
  EXPECT_EQ(svxlinkApiUrl(), "http://pistar.local/index.php");
  cfg.pistarHost = "  ";
  EXPECT_EQ(svxlinkApiUrl(), "");
}
