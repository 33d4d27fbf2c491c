// Configuration load: defaults, the key table with its clamps and canonical
// values, the scanner's traps, and malformed, truncated and hostile files.
#include <stdint.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/app.h"
#include "core/backend.h"
#include "core/config.h"
#include "core/config_file.h"
#include "core/theme.h"
#include "support/config_test_env.h"
#include "ui/page_frame.h"

namespace {

std::string withKeys(const std::string &members) { return "{\n" + members + "\n}\n"; }

// Invariants that every load must leave, whatever the file held.
void expectSaneConfig() {
  EXPECT_TRUE(cfg.backend == "Pi-Star" || cfg.backend == "WPSD") << cfg.backend.c_str();
  EXPECT_LE(cfg.wifiRetriesPerProfile, 10);
  EXPECT_GE(cfg.aprsRefreshMinutes, APRS_REFRESH_MINUTES_MIN);
  EXPECT_LE(cfg.aprsRefreshMinutes, APRS_REFRESH_MINUTES_MAX);
  EXPECT_GE(cfg.aprsRangeKm, APRS_RANGE_KM_MIN);
  EXPECT_LE(cfg.aprsRangeKm, APRS_RANGE_KM_MAX);
  EXPECT_GE(cfg.weatherRefreshMinutes, 1);
  EXPECT_LE(cfg.weatherRefreshMinutes, 1440);
  EXPECT_GE(cfg.hamqslRefreshMinutes, HAMQSL_REFRESH_MINUTES_MIN);
  EXPECT_LE(cfg.hamqslRefreshMinutes, HAMQSL_REFRESH_MINUTES_MAX);
  EXPECT_GE(cfg.adsbRefreshSeconds, ADSB_REFRESH_SECONDS_MIN);
  EXPECT_LE(cfg.adsbRefreshSeconds, ADSB_REFRESH_SECONDS_MAX);
  EXPECT_GE(cfg.alertRefreshMinutes, ALERT_REFRESH_MINUTES_MIN);
  EXPECT_LE(cfg.alertRefreshMinutes, ALERT_REFRESH_MINUTES_MAX);
  EXPECT_GE(cfg.screensaverTimeoutMs, 5000u);
  EXPECT_TRUE(cfg.adsbPath.startsWith("/"));
  EXPECT_TRUE(cfg.svxlinkSource == "url" || cfg.svxlinkSource == "api");
  EXPECT_TRUE(cfg.meteoalarmMode == "edr" || cfg.meteoalarmMode == "atom");
  EXPECT_NE(cfg.pistarSshPort, 0);
  EXPECT_NE(cfg.svxlinkSshPort, 0);
  EXPECT_FALSE(cfg.timezoneTz.isEmpty());
  EXPECT_EQ(currentWatchSource, WATCH_MMDVM);
  EXPECT_EQ(currentPage, PAGE_LIVE);
}

// A realistic file as users write it.
const char *const FULL_CONFIG =
    "{\n"
    "  \"backend\": \"WPSD\",\n"
    "  \"wifi_ssid\": \"HomeNet\",\n"
    "  \"wifi_pass\": \"secret\",\n"
    "  \"pistar_host\": \"192.168.1.50\",\n"
    "  \"device_callsign\": \"DL1ABC\",\n"
    "  \"refresh_ms\": 2000,\n"
    "  \"brightness\": 180,\n"
    "  \"weather_enabled\": true,\n"
    "  \"weather_lat\": \"52.52\",\n"
    "  \"weather_lon\": \"13.40\",\n"
    "  \"weather_api_key\": \"abc123\",\n"
    "  \"quick_actions\": [\n"
    "    {\"enabled\": true, \"use_sudo\": true, \"label\": \"TG 262\", \"command\": \"dmr tg 262\"},\n"
    "    {\"enabled\": false, \"label\": \"Echo\", \"command\": \"echo\"}\n"
    "  ],\n"
    "  \"theme_color\": \"#FF8800\",\n"
    "  \"theme\": {\"bg\": \"#101010\"}\n"
    "}\n";

}  // namespace

// ---------------------------------------------------------------------------
// Defaults
// ---------------------------------------------------------------------------

TEST(ConfigModel, ConstructorHoldsInitialValues) {
  AppConfig c;
  EXPECT_TRUE(c.backend.isEmpty());
  EXPECT_TRUE(c.wifiSsid.isEmpty());
  EXPECT_EQ(c.wifiRetriesPerProfile, 2);
  EXPECT_TRUE(c.pistarHost.isEmpty());
  EXPECT_TRUE(c.svxlinkHost.isEmpty());
  EXPECT_TRUE(c.deviceCallsign.isEmpty());
  EXPECT_TRUE(c.screensaverEnabled);
  EXPECT_FALSE(c.wxscreensaverEnabled);
  EXPECT_EQ(c.screensaverTimeoutMs, 240000u);
  EXPECT_EQ(c.screensaverDimBrightness, 25);
  EXPECT_TRUE(c.radioIdLookupEnabled);
  EXPECT_TRUE(c.targetListLookupEnabled);
  EXPECT_EQ(c.refreshMs, 1500u);
  EXPECT_EQ(c.themeColor, "#35C2FF");
  EXPECT_EQ(c.timezoneTz, DEFAULT_TZ_RULE);
  for (int i = 0; i < QUICK_ACTION_SLOT_COUNT; ++i) {
    EXPECT_TRUE(c.quickActions[i].label.isEmpty());
    EXPECT_FALSE(c.quickActions[i].enabled);
  }
}

TEST_F(ConfigFileTest, NoFileGivesDesktopDefaultsAndTheWarning) {
  testing::internal::CaptureStdout();
  bool ok = loadConfig();
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_TRUE(ok);
  EXPECT_NE(out.find("[DESKTOP][WARN] config.json not found; using built-in desktop defaults.\n"),
            std::string::npos);
  EXPECT_EQ(lastLoadedConfigPath, "unknown");
  EXPECT_EQ(cfg.backend, "Pi-Star");
  EXPECT_EQ(cfg.wifiSsid, "DESKTOP");
  EXPECT_EQ(configuredWifiProfileCount(), 1);
  EXPECT_EQ(cfg.wifiProfiles[0].ssid, "DESKTOP");
  EXPECT_TRUE(cfg.wifiProfiles[0].pass.isEmpty());
  EXPECT_EQ(cfg.pistarHost, "127.0.0.1");
  EXPECT_EQ(cfg.svxlinkHost, "127.0.0.1");
  EXPECT_EQ(cfg.deviceCallsign, "DESKTOP");
  EXPECT_EQ(cfg.wifiRetriesPerProfile, 0);
  EXPECT_FALSE(cfg.radioIdLookupEnabled);
  EXPECT_FALSE(cfg.targetListLookupEnabled);
  EXPECT_FALSE(cfg.screensaverEnabled);
  EXPECT_EQ(cfg.screensaverTimeoutMs, 60000u);
  EXPECT_EQ(cfg.screensaverDimBrightness, 20);
  EXPECT_EQ(cfg.brightness, 220);
  EXPECT_EQ(cfg.startPageAfterBoot, "mmdvm_live");
  EXPECT_EQ(cfg.svxlinkApiPath, "/index.php");
  EXPECT_EQ(cfg.adsbPath, ADSB_AIRCRAFT_PATH_DEFAULT);
  EXPECT_EQ(cfg.meteoalarmFeed, "germany");
  EXPECT_EQ(cfg.meteoalarmCountryCode, "DE");
  EXPECT_EQ(cfg.meteoalarmMode, "edr");
  EXPECT_EQ(cfg.pistarSshUser, "pi-star");
  EXPECT_EQ(cfg.svxlinkSshUser, "svxlink");
  EXPECT_EQ(cfg.quickActions[0].label, "DMR TG91");
  EXPECT_EQ(cfg.quickActions[3].label, "Disconnect");
  EXPECT_EQ(cfg.svxlinkActions[2].label, "DTMF 3");
  EXPECT_EQ(theme.accent, 0x361F);  // derived from the default base colour
  EXPECT_EQ(theme.warn, 0x76B5);
  expectSaneConfig();
}

TEST_F(ConfigFileTest, EmptyObjectAppliesNothingButTracesTheLoad) {
  writeConfig("{}");
  testing::internal::CaptureStdout();
  EXPECT_TRUE(loadConfig());
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out.find("config.json not found"), std::string::npos);
  EXPECT_NE(out.find("[DESKTOP] Loaded config from sdcard/config.json without ArduinoJson.\n"),
            std::string::npos);
  EXPECT_NE(out.find("[DESKTOP] Config: backend=Pi-Star, pistar_host=127.0.0.1, callsign=DESKTOP, "
                     "quick1=DMR TG91, touch_ssh=false.\n"),
            std::string::npos);
  EXPECT_NE(out.find("[DESKTOP] Config: weather=false lat= lon= key=missing; aprs=false key=missing "
                     "refresh=30 min; hamqsl=false refresh=60 min.\n"),
            std::string::npos);
  EXPECT_EQ(cfg.wifiSsid, "DESKTOP");
  EXPECT_EQ(cfg.brightness, 220);
}

TEST_F(ConfigFileTest, TraceShowsRefreshMinutesAsReadBeforeClamping) {
  writeConfig(withKeys("\"aprs_refresh_minutes\": 5, \"hamqsl_refresh_minutes\": 30"));
  testing::internal::CaptureStdout();
  loadConfig();
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("refresh=5 min; hamqsl=false refresh=30 min.\n"), std::string::npos) << out;
  EXPECT_EQ(cfg.aprsRefreshMinutes, 10);
  EXPECT_EQ(cfg.hamqslRefreshMinutes, 60);
}

TEST_F(ConfigFileTest, ZeroLengthPrimaryFileShadowsTheFallback) {
  writeConfig("");
  writeFile("config.json", withKeys("\"pistar_host\": \"10.0.0.5\""));
  testing::internal::CaptureStdout();
  loadConfig();
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("config.json not found"), std::string::npos);
  EXPECT_EQ(cfg.pistarHost, "127.0.0.1");
}

TEST_F(ConfigFileTest, FallbackFileInWorkingDirectory) {
  writeFile("config.json", withKeys("\"pistar_host\": \"10.0.0.5\""));
  loadConfig();
  EXPECT_EQ(lastLoadedConfigPath, "config.json");
  EXPECT_EQ(cfg.pistarHost, "10.0.0.5");
}

TEST_F(ConfigFileTest, ReloadReturnsRemovedKeysToDefaultsButKeepsWxScreensaver) {
  writeConfig(withKeys("\"brightness\": 100, \"wx_screensaver_enabled\": true"));
  loadConfig();
  EXPECT_EQ(cfg.brightness, 100);
  EXPECT_TRUE(cfg.wxscreensaverEnabled);
  writeConfig("{}");
  loadConfig();
  EXPECT_EQ(cfg.brightness, 220);
  EXPECT_TRUE(cfg.wxscreensaverEnabled);
}

// ---------------------------------------------------------------------------
// Seen in real files
// ---------------------------------------------------------------------------

TEST_F(ConfigFileTest, RealisticFileLoads) {
  writeConfig(FULL_CONFIG);
  EXPECT_TRUE(loadConfig());
  EXPECT_EQ(cfg.backend, "WPSD");
  EXPECT_EQ(cfg.wifiSsid, "HomeNet");
  EXPECT_EQ(cfg.wifiPass, "secret");
  EXPECT_EQ(cfg.pistarHost, "192.168.1.50");
  EXPECT_EQ(cfg.deviceCallsign, "DL1ABC");
  EXPECT_EQ(cfg.refreshMs, 2000u);
  EXPECT_EQ(cfg.brightness, 180);
  EXPECT_TRUE(cfg.weatherEnabled);
  EXPECT_TRUE(cfg.quickActions[0].enabled);
  EXPECT_TRUE(cfg.quickActions[0].useSudo);
  EXPECT_EQ(cfg.quickActions[0].label, "TG 262");
  EXPECT_EQ(cfg.quickActions[1].label, "Echo");
  EXPECT_EQ(heardUrl(), "http://192.168.1.50/api/?limit=12&names=true&country=true");
  uint16_t base = 0;
  ASSERT_TRUE(parseHexColor("#FF8800", base));
  EXPECT_EQ(theme.accent, base);
  EXPECT_EQ(theme.bg, 0x1082);  // override of #101010
  expectSaneConfig();
}

// ---------------------------------------------------------------------------
// Clamps and canonical values
// ---------------------------------------------------------------------------

struct ClampCase {
  const char *members;
  const char *field;
  long expected;
};

long numericField(const std::string &field) {
  if (field == "aprs_refresh_minutes") return cfg.aprsRefreshMinutes;
  if (field == "aprs_range_km") return cfg.aprsRangeKm;
  if (field == "adsb_refresh_seconds") return cfg.adsbRefreshSeconds;
  if (field == "adsb_range_km") return cfg.adsbRangeKm;
  if (field == "hamqsl_refresh_minutes") return cfg.hamqslRefreshMinutes;
  if (field == "alert_refresh_minutes") return cfg.alertRefreshMinutes;
  if (field == "weather_refresh_minutes") return cfg.weatherRefreshMinutes;
  if (field == "brightness") return cfg.brightness;
  if (field == "screensaver_dim_brightness") return cfg.screensaverDimBrightness;
  if (field == "screensaver_timeout_ms") return (long)cfg.screensaverTimeoutMs;
  if (field == "refresh_ms") return (long)cfg.refreshMs;
  if (field == "callsign_hold_ms") return (long)cfg.callsignHoldMs;
  if (field == "wifi_retries_per_profile") return cfg.wifiRetriesPerProfile;
  if (field == "pistar_ssh_port") return cfg.pistarSshPort;
  if (field == "svxlink_ssh_port") return cfg.svxlinkSshPort;
  return -999;
}

TEST_F(ConfigFileTest, NumbersAreClampedAsRead) {
  const ClampCase cases[] = {
      {"\"aprs_refresh_minutes\": 5", "aprs_refresh_minutes", 10},
      {"\"aprs_refresh_minutes\": 5000", "aprs_refresh_minutes", 1440},
      {"\"aprs_range_km\": 0", "aprs_range_km", 1},
      {"\"aprs_range_km\": 1000", "aprs_range_km", 999},
      {"\"adsb_refresh_seconds\": 1000", "adsb_refresh_seconds", 600},
      {"\"adsb_refresh_seconds\": 1", "adsb_refresh_seconds", 5},
      {"\"adsb_range_km\": 70000", "adsb_range_km", 999},
      {"\"hamqsl_refresh_minutes\": 30", "hamqsl_refresh_minutes", 60},
      {"\"alert_refresh_minutes\": 0", "alert_refresh_minutes", 60},
      {"\"alert_refresh_minutes\": 2000", "alert_refresh_minutes", 1440},
      {"\"weather_refresh_minutes\": 0", "weather_refresh_minutes", 1},
      {"\"weather_refresh_minutes\": 65535", "weather_refresh_minutes", 1440},
      {"\"brightness\": 300", "brightness", 255},
      {"\"brightness\": -4", "brightness", 0},
      {"\"screensaver_dim_brightness\": 999", "screensaver_dim_brightness", 255},
      {"\"screensaver_timeout_ms\": 1000", "screensaver_timeout_ms", 5000},
      {"\"screensaver_timeout_ms\": -1", "screensaver_timeout_ms", 60000},
      {"\"screensaver_timeout_ms\": 300000", "screensaver_timeout_ms", 300000},
      {"\"wifi_retries_per_profile\": 50", "wifi_retries_per_profile", 10},
      {"\"wifi_retries_per_profile\": -5", "wifi_retries_per_profile", 0},
      {"\"pistar_ssh_port\": 0", "pistar_ssh_port", 22},
      {"\"svxlink_ssh_port\": 70000", "svxlink_ssh_port", 65535},
      {"\"refresh_ms\": 2500.9", "refresh_ms", 2500},
      {"\"refresh_ms\": \"3000\"", "refresh_ms", 1500},
      {"\"refresh_ms\": null", "refresh_ms", 1500},
      {"\"refresh_ms\": -20", "refresh_ms", 1500},
      {"\"callsign_hold_ms\": 0", "callsign_hold_ms", 0},
  };
  for (const ClampCase &c : cases) {
    writeConfig(withKeys(c.members));
    loadConfig();
    EXPECT_EQ(numericField(c.field), c.expected) << c.members;
  }
}

// Linux long is 64-bit: the reader must saturate at the 32-bit limits itself.
TEST_F(ConfigFileTest, IntegersSaturateAtThe32BitLimits) {
  const ClampCase cases[] = {
      {"\"refresh_ms\": 4294967296", "refresh_ms", 2147483647},
      {"\"refresh_ms\": 4294967297", "refresh_ms", 2147483647},
      {"\"refresh_ms\": 99999999999999999999999", "refresh_ms", 2147483647},
      {"\"refresh_ms\": 2147483647", "refresh_ms", 2147483647},
      {"\"refresh_ms\": 2147483648", "refresh_ms", 2147483647},
      {"\"refresh_ms\": -4294967296", "refresh_ms", 1500},
      {"\"brightness\": 4294967396", "brightness", 255},
      {"\"brightness\": -4294967040", "brightness", 0},
      {"\"aprs_range_km\": 4294967346", "aprs_range_km", 999},
      {"\"pistar_ssh_port\": 4294967318", "pistar_ssh_port", 65535},
  };
  for (const ClampCase &c : cases) {
    writeConfig(withKeys(c.members));
    loadConfig();
    EXPECT_EQ(numericField(c.field), c.expected) << c.members;
  }
}

TEST_F(ConfigFileTest, BackendAliasesAndTheSvxlinkSwitch) {
  struct {
    const char *raw;
    const char *backend;
    bool svxlink;
  } cases[] = {
      {"WPSD", "WPSD", false},      {" wpsd ", "WPSD", false},      {"Pi_Star", "Pi-Star", false},
      {"PISTAR", "Pi-Star", false}, {"pi  star", "Pi-Star", false}, {"mmdvm", "Pi-Star", false},
      {"", "Pi-Star", false},       {"svxlink", "Pi-Star", true},   {"SVXLink-API", "Pi-Star", true},
  };
  for (const auto &c : cases) {
    writeConfig(withKeys(std::string("\"backend\": \"") + c.raw + "\", \"svxlink_enabled\": false"));
    EXPECT_TRUE(loadConfig()) << c.raw;  // "mmdvm" still loads as a usable Pi-Star backend
    EXPECT_EQ(cfg.backend, c.backend) << c.raw;
    EXPECT_EQ(cfg.svxlinkEnabled, c.svxlink) << c.raw;
  }
}

TEST_F(ConfigFileTest, TextNormalisation) {
  writeConfig(withKeys(
      "\"meteoalarm_mode\": \"ATOM\", \"meteoalarm_country_code\": \" at \", \"pistar_host\": \"  10.0.0.9 \","
      "\"timezone_tz\": \"   \", \"hamqsl_url\": \"\", \"adsb_path\": \" data/aircraft.json \","
      "\"pistar_ssh_user\": \"  \", \"svxlink_ssh_user\": \" repeater \", \"meteoalarm_feed\": \"\","
      "\"svxlink_source\": \"JSON\", \"svxlink_api_path\": \"/index.php\", \"device_callsign\": \" DL1ABC \","
      "\"theme_color\": \" #112233 \", \"target_list_base_url\": \" https://lists.example/ \""));
  loadConfig();
  EXPECT_EQ(cfg.meteoalarmMode, "atom");
  EXPECT_EQ(cfg.meteoalarmCountryCode, "AT");
  EXPECT_EQ(cfg.pistarHost, "10.0.0.9");
  EXPECT_EQ(cfg.timezoneTz, DEFAULT_TZ_RULE);
  EXPECT_EQ(cfg.hamqslUrl, HAMQSL_SOLAR_XML_URL_DEFAULT);
  EXPECT_EQ(cfg.adsbPath, "/data/aircraft.json");
  EXPECT_EQ(cfg.pistarSshUser, "pi-star");
  EXPECT_EQ(cfg.svxlinkSshUser, "repeater");
  EXPECT_EQ(cfg.meteoalarmFeed, "germany");
  EXPECT_EQ(cfg.svxlinkSource, "api");
  EXPECT_EQ(cfg.svxlinkApiPath, "/api/display-json.php");
  EXPECT_EQ(cfg.deviceCallsign, "DL1ABC");
  EXPECT_EQ(cfg.themeColor, "#112233");
  EXPECT_EQ(theme.accent, 0x1106);  // the base colour parsed before the trim as well
  EXPECT_EQ(cfg.targetListBaseUrl, " https://lists.example/ ");  // no normalisation for this key

  writeConfig(withKeys(
      "\"meteoalarm_mode\": \"rss\", \"svxlink_source\": \"Dashboard\", \"svxlink_api_path\": \"display-json.php\""));
  loadConfig();
  EXPECT_EQ(cfg.meteoalarmMode, "edr");
  EXPECT_EQ(cfg.svxlinkSource, "url");
  EXPECT_EQ(cfg.svxlinkApiPath, "/index.php");

  writeConfig(withKeys("\"svxlink_source\": \"telnet\""));
  loadConfig();
  EXPECT_EQ(cfg.svxlinkSource, "url");
}

TEST_F(ConfigFileTest, StartPageNeedsItsSourceSwitchedOn) {
  writeConfig(withKeys("\"start_page_after_boot\": \"Solar\""));
  loadConfig();
  EXPECT_EQ(cfg.startPageAfterBoot, "mmdvm_live");
  writeConfig(withKeys("\"start_page_after_boot\": \"Solar\", \"hamqsl_enabled\": true"));
  loadConfig();
  EXPECT_EQ(cfg.startPageAfterBoot, "hamqsl_live");
  writeConfig(withKeys("\"start_page_after_boot\": \"heard\""));
  loadConfig();
  EXPECT_EQ(cfg.startPageAfterBoot, "mmdvm_last");
  // The load only asks for the enable flag, not for a complete source.
  writeConfig(withKeys("\"start_page_after_boot\": \"aprs\", \"aprs_enabled\": true"));
  loadConfig();
  EXPECT_EQ(cfg.startPageAfterBoot, "aprs_live");
}

TEST_F(ConfigFileTest, WifiPlaceholderSsidMakesTheConfigurationUnusable) {
  writeConfig(withKeys("\"wifi_ssid\": \"your_wifi\", \"wifi_pass\": \"x\""));
  EXPECT_FALSE(loadConfig());
  EXPECT_EQ(configuredWifiProfileCount(), 0);
  EXPECT_TRUE(cfg.wifiSsid.isEmpty());
  writeConfig(withKeys("\"wifi_ssid\": \" SSID \""));
  EXPECT_FALSE(loadConfig());
  writeConfig(withKeys("\"pistar_host\": \"  \""));
  EXPECT_FALSE(loadConfig());
}

TEST_F(ConfigFileTest, SavedWifiProfilesFollowTheLegacyPair) {
  writeConfig(withKeys(
      "\"wifi_ssid\": \"Home\", \"wifi_pass\": \"h\",\n"
      "\"wifi_profiles\": [{\"ssid\": \"Home\", \"password\": \"h2\"}, {\"ssid\": \"Club\", \"password\": \"c\"},"
      " {\"ssid\": \"your_wifi\", \"password\": \"\"}, {\"ssid\": \"Car\", \"pass\": \"k\"}]"));
  EXPECT_TRUE(loadConfig());
  EXPECT_EQ(configuredWifiProfileCount(), 3);
  EXPECT_EQ(cfg.wifiProfiles[0].ssid, "Home");
  EXPECT_EQ(cfg.wifiProfiles[0].pass, "h2");
  EXPECT_EQ(cfg.wifiProfiles[1].ssid, "Club");
  EXPECT_EQ(cfg.wifiProfiles[2].ssid, "Car");
  EXPECT_EQ(cfg.wifiProfiles[2].pass, "k");
  EXPECT_EQ(cfg.wifiSsid, "Home");
}

TEST_F(ConfigFileTest, QuickActionWithoutCommandIsDisabled) {
  writeConfig(
      withKeys("\"quick_actions\": [{\"enabled\": true, \"label\": \"TG 91\", \"command\": \"  \"},"
               " {\"enabled\": true, \"label\": \" \", \"command\": \"x\"},"
               " {\"enabled\": true, \"label\": \"  Ok  \", \"command\": \"  run  \"}]"));
  loadConfig();
  EXPECT_FALSE(cfg.quickActions[0].enabled);
  EXPECT_EQ(cfg.quickActions[0].label, "TG 91");
  EXPECT_FALSE(cfg.quickActions[1].enabled);
  EXPECT_TRUE(cfg.quickActions[2].enabled);
  EXPECT_EQ(cfg.quickActions[2].label, "Ok");
  EXPECT_EQ(cfg.quickActions[2].command, "run");
}

TEST_F(ConfigFileTest, WatchSourceFallsBackWhenItsFeatureIsOff) {
  loadConfig();
  cfg.weatherEnabled = false;
  currentWatchSource = WATCH_WEATHER;
  desktopFinalizeLoadedConfig();
  EXPECT_EQ(currentWatchSource, WATCH_MMDVM);

  cfg.weatherEnabled = true;
  currentWatchSource = WATCH_WEATHER;
  desktopFinalizeLoadedConfig();
  EXPECT_EQ(currentWatchSource, WATCH_WEATHER);

  cfg.aprsEnabled = true;
  cfg.aprsApiKey = "  ";  // enabled but without a key: not a usable feature
  currentWatchSource = WATCH_APRS;
  desktopFinalizeLoadedConfig();
  EXPECT_EQ(currentWatchSource, WATCH_MMDVM);

  // A reload always starts on the MMDVM live page.
  currentWatchSource = WATCH_WEATHER;
  currentPage = PAGE_STATUS;
  previousPage = PAGE_INFO;
  loadConfig();
  EXPECT_EQ(currentWatchSource, WATCH_MMDVM);
  EXPECT_EQ(currentPage, PAGE_LIVE);
  EXPECT_EQ(previousPage, PAGE_LIVE);
}

// ---------------------------------------------------------------------------
// Scanner traps
// ---------------------------------------------------------------------------

TEST_F(ConfigFileTest, FirstOccurrenceAnywhereWinsEvenInsideNestedObjects) {
  writeConfig(
      "{\n"
      "  \"svxlink\": {\"pistar_host\": \"10.1.1.1\", \"brightness\": 12},\n"
      "  \"pistar_host\": \"10.2.2.2\",\n"
      "  \"brightness\": 200\n"
      "}\n");
  loadConfig();
  EXPECT_EQ(cfg.pistarHost, "10.1.1.1");
  EXPECT_EQ(cfg.brightness, 12);
}

TEST_F(ConfigFileTest, KeyTextAsAValueTakesTheNextColon) {
  // "device_callsign" first appears as a value; the next colon belongs to
  // "x", whose number is not a string, so the key counts as absent.
  writeConfig(withKeys("\"note\": \"device_callsign\", \"x\": 5, \"device_callsign\": \"DL1ABC\""));
  loadConfig();
  EXPECT_EQ(cfg.deviceCallsign, "DESKTOP");
}

TEST_F(ConfigFileTest, BooleansOnlyAsBareWords) {
  const char *members[] = {"\"scrolling_text_enabled\": 0", "\"scrolling_text_enabled\": \"false\"",
                           "\"scrolling_text_enabled\": False", "\"scrolling_text_enabled\": null",
                           "\"scrolling_text_enabled\": FALSE"};
  for (const char *m : members) {
    writeConfig(withKeys(m));
    loadConfig();
    EXPECT_TRUE(cfg.scrollingTextEnabled) << m;  // default stays
  }
  writeConfig(withKeys("\"scrolling_text_enabled\":false"));
  loadConfig();
  EXPECT_FALSE(cfg.scrollingTextEnabled);
  writeConfig(withKeys("\"flip_screen\" :\r\n\ttrue"));
  loadConfig();
  EXPECT_TRUE(cfg.flipScreen);
}

TEST_F(ConfigFileTest, StringEscapes) {
  writeConfig(
      withKeys("\"quick_actions\": [{\"label\": \"A\\u00e4B\", \"command\": \"x\\ty\"}],\n"
               "\"device_callsign\": \"q\\\"u\\\\o\\/t\\n\\r\\b\\f\\x\""));
  loadConfig();
  EXPECT_EQ(cfg.quickActions[0].label, "A?B");
  EXPECT_EQ(cfg.quickActions[0].command, "x\ty");
  EXPECT_EQ(cfg.deviceCallsign, "q\"u\\o/t\n\r\b\fx");
}

TEST(ConfigScanner, ReadStringAt) {
  String out = "unchanged";
  long end = -1;
  // Fewer than four characters after \u: only the escape itself is skipped.
  ASSERT_TRUE(desktopJsonReadStringAt("\"h\\u1\"", 0, out, end));
  EXPECT_EQ(out, "h?1");
  EXPECT_EQ(end, 6);
  // Four hex digits are skipped without checking them.
  ASSERT_TRUE(desktopJsonReadStringAt("x\"a\\uZZZZb\" tail", 1, out, end));
  EXPECT_EQ(out, "a?b");
  EXPECT_EQ(end, 11);
  out = "unchanged";
  EXPECT_FALSE(desktopJsonReadStringAt("\"open", 0, out, end));
  EXPECT_FALSE(desktopJsonReadStringAt("\"open\\", 0, out, end));
  EXPECT_FALSE(desktopJsonReadStringAt("\"open\\\"", 0, out, end));
  EXPECT_FALSE(desktopJsonReadStringAt("abc", 0, out, end));
  EXPECT_FALSE(desktopJsonReadStringAt("\"a\"", 5, out, end));
  EXPECT_FALSE(desktopJsonReadStringAt("\"a\"", -1, out, end));
  EXPECT_EQ(out, "unchanged");
  ASSERT_TRUE(desktopJsonReadStringAt("\"\"", 0, out, end));
  EXPECT_TRUE(out.isEmpty());
}

TEST(ConfigScanner, FindValueAndGetters) {
  const std::string text = "{ \"a\" :\t 12 , \"b\": [1, \"]\", [2]], \"c\": {\"d\": \"}\"}, \"e\": trueish }";
  EXPECT_EQ(desktopJsonFindValue(text, "a", 0), 9);
  EXPECT_EQ(desktopJsonFindValue(text, "zz", 0), -1);
  EXPECT_EQ(desktopJsonFindValue(text, nullptr, 0), -1);
  EXPECT_EQ(desktopJsonFindValue(text, "a", 5), -1);  // only from the given position on
  int32_t n = 0;
  EXPECT_TRUE(desktopJsonGetLong(text, "a", n));
  EXPECT_EQ(n, 12);
  std::string sub;
  ASSERT_TRUE(desktopJsonGetArray(text, "b", sub));
  EXPECT_EQ(sub, "[1, \"]\", [2]]");
  ASSERT_TRUE(desktopJsonGetObject(text, "c", sub));
  EXPECT_EQ(sub, "{\"d\": \"}\"}");
  EXPECT_FALSE(desktopJsonGetObject(text, "b", sub));  // wrong bracket kind
  bool flag = false;
  EXPECT_TRUE(desktopJsonGetBool(text, "e", flag));  // only four characters are compared
  EXPECT_TRUE(flag);
  EXPECT_EQ(desktopJsonSkipWs(" \t\r\nx", 0), 4);
  EXPECT_EQ(desktopJsonSkipWs("   ", 1), 3);
}

TEST_F(ConfigFileTest, NonAsciiBytesPassThrough) {
  writeConfig(withKeys("\"device_callsign\": \"\xC3\xA4\xFF\x80 \""));
  loadConfig();
  EXPECT_EQ(cfg.deviceCallsign, "\xC3\xA4\xFF\x80");
}

// ---------------------------------------------------------------------------
// Action arrays
// ---------------------------------------------------------------------------

TEST_F(ConfigFileTest, FiveActionObjectsFillFourSlots) {
  writeConfig(withKeys(
      "\"quick_actions\": [{\"label\": \"a\", \"command\": \"1\"}, {\"label\": \"b\", \"command\": \"2\"},"
      " {\"label\": \"c\", \"command\": \"3\"}, {\"label\": \"d\", \"command\": \"4\"},"
      " {\"label\": \"e\", \"command\": \"5\"}]"));
  loadConfig();
  EXPECT_EQ(cfg.quickActions[0].label, "a");
  EXPECT_EQ(cfg.quickActions[3].label, "d");
  EXPECT_EQ(cfg.quickActions[3].command, "4");
  // The svxlink actions keep their defaults.
  EXPECT_EQ(cfg.svxlinkActions[0].label, "DTMF 1");
}

TEST_F(ConfigFileTest, TwoActionObjectsChangeOnlyTheFirstTwoSlots) {
  writeConfig(
      withKeys("\"svxlink_actions\": [{\"enabled\": true, \"label\": \"Echo\", \"command\": \"*9#\"},"
               " {\"use_sudo\": true, \"command\": \"#\"}]"));
  loadConfig();
  EXPECT_EQ(cfg.svxlinkActions[0].label, "Echo");
  EXPECT_TRUE(cfg.svxlinkActions[0].enabled);
  EXPECT_EQ(cfg.svxlinkActions[1].label, "DTMF 2");  // missing key keeps the default label
  EXPECT_TRUE(cfg.svxlinkActions[1].useSudo);
  EXPECT_EQ(cfg.svxlinkActions[1].command, "#");
  EXPECT_EQ(cfg.svxlinkActions[2].label, "DTMF 3");
  EXPECT_TRUE(cfg.svxlinkActions[2].command.isEmpty());
  EXPECT_EQ(cfg.svxlinkActions[3].label, "Disconnect");
}

TEST_F(ConfigFileTest, BracesInsideActionStringsDoNotSplitObjects) {
  writeConfig(
      withKeys("\"quick_actions\": [{\"label\": \"{x}]\", \"command\": \"echo \\\"}\\\"\"},"
               " {\"label\": \"second\", \"command\": \"2\"}]"));
  loadConfig();
  EXPECT_EQ(cfg.quickActions[0].label, "{x}]");
  EXPECT_EQ(cfg.quickActions[0].command, "echo \"}\"");
  EXPECT_EQ(cfg.quickActions[1].label, "second");
}

// ---------------------------------------------------------------------------
// Malformed and truncated
// ---------------------------------------------------------------------------

TEST_F(ConfigFileTest, EveryPrefixOfARealFileLoadsSafely) {
  const std::string full = FULL_CONFIG;
  for (size_t n = 0; n <= full.size(); ++n) {
    writeConfig(full.substr(0, n));
    loadConfig();
    expectSaneConfig();
    if (HasFailure()) {
      ADD_FAILURE() << "prefix length " << n;
      return;
    }
  }
  EXPECT_EQ(cfg.backend, "WPSD");  // the whole file at the end
}

TEST_F(ConfigFileTest, UnterminatedValuesLeaveFieldsAtDefaults) {
  const char *files[] = {
      "{\"pistar_host\": \"10.0.0.1",                    // no closing quote
      "{\"pistar_host\": \"10.0.0.1\\",                  // backslash at the very end
      "{\"pistar_host\" \"10.0.0.1\"}",                  // no colon at all
      "{\"pistar_host\":",                               // nothing after the colon
      "{\"theme\": {\"bg\": \"#FFFFFF\"",                // object never closed
      "{\"quick_actions\": [{\"label\": \"x\"",          // array never closed
      "{\"quick_actions\": [{\"label\": \"x\"}, {\"la",  // second object cut
      "\"pistar_host",                                   // key cut
  };
  for (const char *f : files) {
    writeConfig(f);
    loadConfig();
    EXPECT_EQ(cfg.pistarHost, "127.0.0.1") << f;
    EXPECT_EQ(theme.bg, 0x0000) << f;
    EXPECT_EQ(cfg.quickActions[0].label, "DMR TG91") << f;
    expectSaneConfig();
  }
}

TEST_F(ConfigFileTest, ArrayClosedButLastObjectOpenStopsThere) {
  writeConfig(withKeys("\"quick_actions\": [{\"label\": \"one\", \"command\": \"1\"}, {\"label\": \"two\"]"));
  loadConfig();
  // Only "[" and "]" count for the array; the open second object ends the scan.
  EXPECT_EQ(cfg.quickActions[0].label, "one");
  EXPECT_EQ(cfg.quickActions[1].label, "DMR TG263");
}

// ---------------------------------------------------------------------------
// Hostile
// ---------------------------------------------------------------------------

TEST_F(ConfigFileTest, DeepNestingAndHugeValuesDoNotCrash) {
  std::string deep = "{\"theme\": " + std::string(200000, '{') + "\"bg\": \"#FFFFFF\"";
  writeConfig(deep);
  loadConfig();
  expectSaneConfig();

  std::string brackets = "{\"quick_actions\": " + std::string(200000, '[') + std::string(200000, ']') + "}";
  writeConfig(brackets);
  loadConfig();
  EXPECT_EQ(cfg.quickActions[0].label, "DMR TG91");

  std::string longValue = "{\"device_callsign\": \"" + std::string(1 << 20, 'A') + "\"}";
  writeConfig(longValue);
  loadConfig();
  EXPECT_EQ(cfg.deviceCallsign.length(), 1u << 20);

  std::string digits = "{\"refresh_ms\": " + std::string(100000, '9') + "}";
  writeConfig(digits);
  loadConfig();
  EXPECT_EQ(cfg.refreshMs, 2147483647u);
}

TEST_F(ConfigFileTest, NulBytesAndBinaryGarbage) {
  std::string withNul = std::string("{\"pistar_host\": \"10.0") + '\0' + "\", \"brightness\": 7}";
  writeConfig(withNul);
  loadConfig();
  EXPECT_EQ(cfg.brightness, 7);
  expectSaneConfig();

  std::string garbage;
  uint32_t seed = 12345;
  for (int i = 0; i < 65536; ++i) {
    seed = seed * 1103515245u + 12345u;
    garbage.push_back((char)(seed >> 16));
  }
  writeConfig(garbage);
  loadConfig();
  expectSaneConfig();
}

TEST_F(ConfigFileTest, MutatedRealFilesNeverBreakTheInvariants) {
  const std::string base = FULL_CONFIG;
  const char pieces[] = {'"', '\\', '{', '}', '[', ']', ':', ',', '\0', 'u', '-', '9'};
  uint32_t seed = 987654321;
  for (int round = 0; round < 400; ++round) {
    std::string text = base;
    for (int k = 0; k < 4; ++k) {
      seed = seed * 1664525u + 1013904223u;
      size_t at = (seed >> 8) % text.size();
      seed = seed * 1664525u + 1013904223u;
      char c = pieces[(seed >> 8) % sizeof(pieces)];
      if (seed & 1) {
        text[at] = c;
      } else {
        text.insert(text.begin() + (long)at, c);
      }
    }
    writeConfig(text);
    loadConfig();
    expectSaneConfig();
    if (HasFailure()) {
      ADD_FAILURE() << "round " << round << ": " << text;
      return;
    }
  }
}

TEST_F(ConfigFileTest, ConfigPathIsAFolder) {
  mkdir("sdcard", 0755);
  mkdir("sdcard/config.json", 0755);
  writeFile("config.json", withKeys("\"pistar_host\": \"10.0.0.5\""));
  testing::internal::CaptureStdout();
  loadConfig();
  std::string out = testing::internal::GetCapturedStdout();
  // The folder opens but reads as empty: defaults and the warning.
  EXPECT_NE(out.find("config.json not found"), std::string::npos);
  EXPECT_EQ(cfg.pistarHost, "127.0.0.1");
  expectSaneConfig();
}

// A named pipe would block the start-up read until some writer appears, and
// a device such as /dev/zero never ends: both count as an empty file.
TEST_F(ConfigFileTest, PipeOrDeviceAsConfigFileReadsAsEmpty) {
  mkdir("sdcard", 0755);
  ASSERT_EQ(mkfifo("sdcard/config.json", 0644), 0);
  writeFile("config.json", withKeys("\"pistar_host\": \"10.0.0.5\""));
  testing::internal::CaptureStdout();
  EXPECT_TRUE(loadConfig());
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("config.json not found"), std::string::npos);
  EXPECT_EQ(cfg.pistarHost, "127.0.0.1");

  ASSERT_EQ(unlink("sdcard/config.json"), 0);
  ASSERT_EQ(symlink("/dev/zero", "sdcard/config.json"), 0);
  EXPECT_TRUE(loadConfig());
  EXPECT_EQ(cfg.pistarHost, "127.0.0.1");
  expectSaneConfig();
}

// A file far larger than any configuration is read only up to its first
// 16 MiB, so the start-up never runs out of memory.
TEST_F(ConfigFileTest, OversizedFileIsReadOnlyUpToTheLimit) {
  writeConfig("{\"pistar_host\": \"10.0.0.5\", \"note\": \"");
  {
    FILE *f = fopen("sdcard/config.json", "ab");
    ASSERT_NE(f, nullptr);
    std::string filler(1 << 20, 'x');
    for (int i = 0; i < 17; ++i) ASSERT_EQ(fwrite(filler.data(), 1, filler.size(), f), filler.size());
    fputs("\", \"brightness\": 7}", f);
    fclose(f);
  }
  loadConfig();
  EXPECT_EQ(cfg.pistarHost, "10.0.0.5");
  EXPECT_EQ(cfg.brightness, 220);  // beyond the limit, never seen
  expectSaneConfig();
}

// ---------------------------------------------------------------------------
// The shipped example
// ---------------------------------------------------------------------------

TEST_F(ConfigFileTest, ExampleFileHasEveryKeyTheSaveWritesAndLoads) {
  const std::string example = readFile(std::string(QSODECK_SOURCE_DIR) + "/examples/config.json");
  const std::string described = readFile(std::string(QSODECK_SOURCE_DIR) + "/examples/README.md");
  ASSERT_FALSE(example.empty());
  ASSERT_FALSE(described.empty());
  loadConfig();
  ASSERT_TRUE(saveConfigToFile());
  const std::string saved = readFile("sdcard/config.json");
  size_t pos = 0;
  int keys = 0;
  while ((pos = saved.find("\":", pos)) != std::string::npos) {
    size_t open = saved.rfind('"', pos - 1);
    std::string key = saved.substr(open, pos + 2 - open);
    EXPECT_NE(example.find(key), std::string::npos) << key;
    // examples/README.md describes it (`key`, or "key" inside an array's element).
    const std::string name = key.substr(1, key.size() - 3);
    EXPECT_TRUE(described.find("`" + name + "`") != std::string::npos ||
                described.find("\"" + name + "\"") != std::string::npos)
        << name << " is not described in examples/README.md";
    ++keys;
    pos += 2;
  }
  EXPECT_GT(keys, 100);

  writeConfig(example);
  ASSERT_TRUE(loadConfig());
  EXPECT_EQ(cfg.backend, "Pi-Star");
  EXPECT_EQ(cfg.pistarHost, "192.168.1.50");
  EXPECT_EQ(cfg.deviceCallsign, "DL1ABC");
  EXPECT_EQ(configuredWifiProfileCount(), 2);
  EXPECT_EQ(cfg.quickActions[2].command, "remotecontrold \"DL1ABC B\" link never \"REF001 C\"");
  EXPECT_TRUE(cfg.hamqslEnabled);
  Theme fromFile = theme;
  setDefaultTheme();
  applyBaseThemeColor(cfg.themeColor);
  for (int i = 0; i < THEME_COLOR_COUNT; ++i) {
    EXPECT_EQ(themeColorField(fromFile, i), themeColorField(theme, i)) << THEME_COLOR_KEYS[i];
  }
}
