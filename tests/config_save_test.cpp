// Configuration save: key order and types, the round trip through the
// loader, and failing saves that must leave the old file as it was.
#include <dirent.h>
#include <errno.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/config_apply.h"
#include "core/app.h"
#include "core/config.h"
#include "core/config_file.h"
#include "core/device_log.h"
#include "core/theme.h"
#include "support/config_test_env.h"

namespace {

const char *const QUOTED_TEXT = "a\"b\\c\td \xC3\xA4\xE2\x82\xAC\xFF/";

// Every field different from its desktop default, all already in their
// normalised form so that the loader must give back exactly these values.
void fillEveryField() {
  cfg.backend = "WPSD";
  clearWifiProfiles();
  addWifiProfile("Home \"5G\"", QUOTED_TEXT);
  addWifiProfile("Club\\Net", "club");
  addWifiProfile("Caf\xC3\xA9", "");
  cfg.wifiRetriesPerProfile = 7;
  cfg.pistarHost = "pi-star.local:8080";
  cfg.svxlinkEnabled = true;
  cfg.svxlinkSource = "api";
  cfg.svxlinkHost = "https://svx.example.org/node";
  cfg.svxlinkApiPath = "/api/custom.php";
  cfg.aprsEnabled = true;
  cfg.aprsApiKey = "123.abc\\def";
  cfg.aprsRefreshMinutes = 45;
  cfg.aprsRangeKm = 75;
  cfg.aprsCenterLat = "48.1371";
  cfg.aprsCenterLon = "11.5754";
  cfg.aprsApiBaseUrl = "http://127.0.0.1:8081/aprs";
  cfg.startPageAfterBoot = "adsb_live";
  cfg.deviceCallsign = QUOTED_TEXT;
  cfg.themeColor = "#A1B2C3";
  cfg.refreshMs = 2147483647;
  cfg.callsignHoldMs = 9000;
  cfg.scrollingTextEnabled = false;
  cfg.apiUtcToLocalTime = false;
  cfg.timezoneTz = "EST5EDT,M3.2.0,M11.1.0";
  cfg.brightness = 0;
  cfg.flipScreen = true;
  cfg.screensaverEnabled = true;
  cfg.wxscreensaverEnabled = true;
  cfg.screensaverTimeoutMs = 123456;
  cfg.screensaverDimBrightness = 255;
  cfg.weatherEnabled = true;
  cfg.weatherRefreshMinutes = 1440;
  cfg.weatherLat = "-33.8688";
  cfg.weatherLon = "151.2093";
  cfg.weatherApiKey = "0123456789abcdef";
  cfg.weatherApiBaseUrl = "http://127.0.0.1:8080/owm";
  cfg.hamqslEnabled = true;
  cfg.hamqslRefreshMinutes = 120;
  cfg.hamqslUrl = "https://mirror.example/solarxml.php";
  cfg.adsbEnabled = true;
  cfg.adsbHost = "192.168.1.20:8080";
  cfg.adsbPath = "/data/aircraft.json";
  cfg.adsbRefreshSeconds = 600;
  cfg.adsbRangeKm = 1;
  cfg.adsbCenterLat = "50.0";
  cfg.adsbCenterLon = "8.5";
  cfg.katwarnEnabled = true;
  cfg.katwarnLocationId = "091620000000";
  cfg.ninaDashboardBaseUrl = "https://nina.example/api31/dashboard/";
  cfg.noaaEnabled = true;
  cfg.noaaZone = "TXZ211";
  cfg.noaaAlertsBaseUrl = "https://noaa.example/alerts/active?zone=";
  cfg.meteoalarmEnabled = true;
  cfg.meteoalarmFeed = "austria";
  cfg.meteoalarmAtomBaseUrl = "https://feeds.example/feeds/meteoalarm-legacy-atom-";
  cfg.meteoalarmMode = "atom";
  cfg.meteoalarmCountryCode = "AT";
  cfg.meteoalarmEdrBaseUrl = "https://edr.example/edr/v1/collections/warnings/locations/";
  cfg.meteoalarmEdrQuery = "language=en&x=\"1\"";
  cfg.meteoalarmApiToken = "tok\\en";
  cfg.meteoalarmFilterByCoordinates = false;
  cfg.alertRefreshMinutes = 90;
  cfg.radioIdLookupEnabled = true;
  cfg.radioIdUsersApiBase = "https://radioid.example/api/users?callsign=";
  cfg.targetListLookupEnabled = true;
  cfg.targetListBaseUrl = " https://lists.example/digital-radio-lists/ ";  // stored as written
  cfg.targetListDmrUrl = "https://lists.example/dmr.txt";
  cfg.targetListDstarUrl = "https://lists.example/dstar.txt";
  cfg.targetListYsfUrl = "https://lists.example/ysf.txt";
  cfg.targetListP25Url = "https://lists.example/p25.txt";
  cfg.targetListNxdnUrl = "https://lists.example/nxdn.txt";
  cfg.touchModeSshEnabled = true;
  cfg.pistarSshUser = "pi";
  cfg.pistarSshPass = " spaced \t pass ";
  cfg.pistarSshPort = 2222;
  cfg.svxlinkSshEnabled = true;
  cfg.svxlinkSshUser = "svx";
  cfg.svxlinkSshPass = QUOTED_TEXT;
  cfg.svxlinkSshPort = 65535;
  cfg.displayFullscreen = true;
  cfg.displayRotation = 270;
  cfg.backlightDevice = "/sys/class/backlight/10-0045";
  for (int i = 0; i < QUICK_ACTION_SLOT_COUNT; ++i) {
    cfg.quickActions[i].enabled = (i % 2) == 0;
    cfg.quickActions[i].useSudo = i >= 2;
    cfg.quickActions[i].label = String("Q") + String(i) + " \"x\"";
    cfg.quickActions[i].command = String("cmd \\") + String(i) + "\t{}[]";
  }
  for (int i = 0; i < SVXLINK_ACTION_SLOT_COUNT; ++i) {
    cfg.svxlinkActions[i].enabled = true;
    cfg.svxlinkActions[i].useSudo = (i % 2) == 1;
    cfg.svxlinkActions[i].label = String("S") + String(i) + "\xC3\xBC";
    cfg.svxlinkActions[i].command = String("*") + String(i) + "#";
  }
  syncLegacyWifiFieldsFromProfiles();
  for (int i = 0; i < THEME_COLOR_COUNT; ++i) themeColorField(theme, i) = (uint16_t)(0x1111 * (i + 1) + 3);
}

#define EXPECT_FIELD(f) EXPECT_EQ(a.f, b.f) << #f
void expectSameConfig(const AppConfig &a, const AppConfig &b) {
  EXPECT_FIELD(backend);
  EXPECT_FIELD(wifiSsid);
  EXPECT_FIELD(wifiPass);
  for (int i = 0; i < WIFI_PROFILE_COUNT; ++i) {
    EXPECT_FIELD(wifiProfiles[i].ssid);
    EXPECT_FIELD(wifiProfiles[i].pass);
  }
  EXPECT_FIELD(wifiRetriesPerProfile);
  EXPECT_FIELD(pistarHost);
  EXPECT_FIELD(svxlinkEnabled);
  EXPECT_FIELD(svxlinkSource);
  EXPECT_FIELD(svxlinkHost);
  EXPECT_FIELD(svxlinkApiPath);
  EXPECT_FIELD(aprsEnabled);
  EXPECT_FIELD(aprsApiKey);
  EXPECT_FIELD(aprsRefreshMinutes);
  EXPECT_FIELD(aprsRangeKm);
  EXPECT_FIELD(aprsCenterLat);
  EXPECT_FIELD(aprsCenterLon);
  EXPECT_FIELD(aprsApiBaseUrl);
  EXPECT_FIELD(startPageAfterBoot);
  EXPECT_FIELD(deviceCallsign);
  EXPECT_FIELD(themeColor);
  EXPECT_FIELD(refreshMs);
  EXPECT_FIELD(callsignHoldMs);
  EXPECT_FIELD(scrollingTextEnabled);
  EXPECT_FIELD(apiUtcToLocalTime);
  EXPECT_FIELD(timezoneTz);
  EXPECT_FIELD(brightness);
  EXPECT_FIELD(flipScreen);
  EXPECT_FIELD(screensaverEnabled);
  EXPECT_FIELD(wxscreensaverEnabled);
  EXPECT_FIELD(screensaverTimeoutMs);
  EXPECT_FIELD(screensaverDimBrightness);
  EXPECT_FIELD(weatherEnabled);
  EXPECT_FIELD(weatherRefreshMinutes);
  EXPECT_FIELD(weatherLat);
  EXPECT_FIELD(weatherLon);
  EXPECT_FIELD(weatherApiKey);
  EXPECT_FIELD(weatherApiBaseUrl);
  EXPECT_FIELD(hamqslEnabled);
  EXPECT_FIELD(hamqslRefreshMinutes);
  EXPECT_FIELD(hamqslUrl);
  EXPECT_FIELD(adsbEnabled);
  EXPECT_FIELD(adsbHost);
  EXPECT_FIELD(adsbPath);
  EXPECT_FIELD(adsbRefreshSeconds);
  EXPECT_FIELD(adsbRangeKm);
  EXPECT_FIELD(adsbCenterLat);
  EXPECT_FIELD(adsbCenterLon);
  EXPECT_FIELD(katwarnEnabled);
  EXPECT_FIELD(katwarnLocationId);
  EXPECT_FIELD(ninaDashboardBaseUrl);
  EXPECT_FIELD(noaaEnabled);
  EXPECT_FIELD(noaaZone);
  EXPECT_FIELD(noaaAlertsBaseUrl);
  EXPECT_FIELD(meteoalarmEnabled);
  EXPECT_FIELD(meteoalarmFeed);
  EXPECT_FIELD(meteoalarmAtomBaseUrl);
  EXPECT_FIELD(meteoalarmMode);
  EXPECT_FIELD(meteoalarmCountryCode);
  EXPECT_FIELD(meteoalarmEdrBaseUrl);
  EXPECT_FIELD(meteoalarmEdrQuery);
  EXPECT_FIELD(meteoalarmApiToken);
  EXPECT_FIELD(meteoalarmFilterByCoordinates);
  EXPECT_FIELD(alertRefreshMinutes);
  EXPECT_FIELD(radioIdLookupEnabled);
  EXPECT_FIELD(radioIdUsersApiBase);
  EXPECT_FIELD(targetListLookupEnabled);
  EXPECT_FIELD(targetListBaseUrl);
  EXPECT_FIELD(targetListDmrUrl);
  EXPECT_FIELD(targetListDstarUrl);
  EXPECT_FIELD(targetListYsfUrl);
  EXPECT_FIELD(targetListP25Url);
  EXPECT_FIELD(targetListNxdnUrl);
  EXPECT_FIELD(touchModeSshEnabled);
  EXPECT_FIELD(pistarSshUser);
  EXPECT_FIELD(pistarSshPass);
  EXPECT_FIELD(pistarSshPort);
  EXPECT_FIELD(svxlinkSshEnabled);
  EXPECT_FIELD(svxlinkSshUser);
  EXPECT_FIELD(svxlinkSshPass);
  EXPECT_FIELD(svxlinkSshPort);
  EXPECT_FIELD(displayFullscreen);
  EXPECT_FIELD(displayRotation);
  EXPECT_FIELD(backlightDevice);
  for (int i = 0; i < QUICK_ACTION_SLOT_COUNT; ++i) {
    EXPECT_FIELD(quickActions[i].enabled);
    EXPECT_FIELD(quickActions[i].useSudo);
    EXPECT_FIELD(quickActions[i].label);
    EXPECT_FIELD(quickActions[i].command);
  }
  for (int i = 0; i < SVXLINK_ACTION_SLOT_COUNT; ++i) {
    EXPECT_FIELD(svxlinkActions[i].enabled);
    EXPECT_FIELD(svxlinkActions[i].useSudo);
    EXPECT_FIELD(svxlinkActions[i].label);
    EXPECT_FIELD(svxlinkActions[i].command);
  }
}
#undef EXPECT_FIELD

std::vector<std::string> tempLeftovers() {
  std::vector<std::string> names;
  DIR *d = opendir("sdcard");
  if (d == nullptr) return names;
  while (dirent *e = readdir(d)) {
    std::string n = e->d_name;
    if (n != "." && n != ".." && n != "config.json") names.push_back(n);
  }
  closedir(d);
  return names;
}

const char *const OLD_FILE = "{\n  \"pistar_host\": \"10.9.8.7\",\n  \"brightness\": 42\n}\n";

}  // namespace

class ConfigSaveTest : public ConfigFileTest {
 protected:
  void TearDown() override {
    configFileWriteHook = nullptr;
    ConfigFileTest::TearDown();
  }

  // Loads the old file, changes the running configuration and saves.
  bool saveOverOldFile() {
    writeConfig(OLD_FILE);
    loadConfig();
    cfg.brightness = 99;
    return saveConfigToFile();
  }

  void expectOldFileKept() {
    EXPECT_EQ(readFile("sdcard/config.json"), OLD_FILE);
    EXPECT_TRUE(tempLeftovers().empty()) << tempLeftovers()[0];
  }
};

// ---------------------------------------------------------------------------
// Round trip and format
// ---------------------------------------------------------------------------

TEST_F(ConfigSaveTest, EveryFieldSurvivesSaveAndLoad) {
  loadConfig();
  fillEveryField();
  const AppConfig saved = cfg;
  const Theme savedTheme = theme;
  ASSERT_TRUE(saveConfigToFile());

  cfg = AppConfig();
  cfg.wxscreensaverEnabled = false;  // the loader must read it from the file
  setDefaultTheme();
  ASSERT_TRUE(loadConfig());
  expectSameConfig(cfg, saved);
  for (int i = 0; i < THEME_COLOR_COUNT; ++i) {
    EXPECT_EQ(themeColorField(theme, i), themeColorField(const_cast<Theme &>(savedTheme), i))
        << THEME_COLOR_KEYS[i];
  }
  // A second save of the reloaded state writes the same bytes.
  std::string first = readFile("sdcard/config.json");
  ASSERT_TRUE(saveConfigToFile());
  EXPECT_EQ(readFile("sdcard/config.json"), first);
}

TEST_F(ConfigSaveTest, DefaultsSurviveSaveAndLoad) {
  loadConfig();
  const AppConfig saved = cfg;
  ASSERT_TRUE(saveConfigToFile());
  cfg = AppConfig();
  loadConfig();
  expectSameConfig(cfg, saved);
}

TEST_F(ConfigSaveTest, KeysAreWrittenInFileOrderWithJsonTypes) {
  loadConfig();
  fillEveryField();
  ASSERT_TRUE(saveConfigToFile());
  const std::string text = readFile("sdcard/config.json");
  const char *order[] = {"backend",
                         "wifi_ssid",
                         "wifi_pass",
                         "wifi_retries_per_profile",
                         "wifi_profiles",
                         "pistar_host",
                         "svxlink_enabled",
                         "svxlink_source",
                         "svxlink_host",
                         "svxlink_api_path",
                         "aprs_enabled",
                         "aprs_api_key",
                         "aprs_refresh_minutes",
                         "aprs_range_km",
                         "aprs_center_lat",
                         "aprs_center_lon",
                         "aprs_api_base_url",
                         "start_page_after_boot",
                         "device_callsign",
                         "theme_color",
                         "refresh_ms",
                         "callsign_hold_ms",
                         "scrolling_text_enabled",
                         "api_utc_to_local_time",
                         "timezone_tz",
                         "brightness",
                         "flip_screen",
                         "screensaver_enabled",
                         "wx_screensaver_enabled",
                         "screensaver_timeout_ms",
                         "screensaver_dim_brightness",
                         "weather_enabled",
                         "weather_refresh_minutes",
                         "weather_lat",
                         "weather_lon",
                         "weather_api_key",
                         "weather_api_base_url",
                         "hamqsl_enabled",
                         "hamqsl_refresh_minutes",
                         "hamqsl_url",
                         "adsb_enabled",
                         "adsb_host",
                         "adsb_path",
                         "adsb_refresh_seconds",
                         "adsb_range_km",
                         "adsb_center_lat",
                         "adsb_center_lon",
                         "katwarn_enabled",
                         "katwarn_location_id",
                         "nina_dashboard_base_url",
                         "meteoalarm_enabled",
                         "meteoalarm_feed",
                         "meteoalarm_atom_base_url",
                         "meteoalarm_mode",
                         "meteoalarm_country_code",
                         "meteoalarm_edr_base_url",
                         "meteoalarm_edr_query",
                         "meteoalarm_api_token",
                         "meteoalarm_filter_by_coordinates",
                         "noaa_enabled",
                         "noaa_zone",
                         "noaa_alerts_base_url",
                         "alert_refresh_minutes",
                         "radioid_lookup_enabled",
                         "radioid_users_api_base",
                         "target_list_lookup_enabled",
                         "target_list_base_url",
                         "target_list_dmr_url",
                         "target_list_dstar_url",
                         "target_list_ysf_url",
                         "target_list_p25_url",
                         "target_list_nxdn_url",
                         "touch_mode_ssh_enabled",
                         "pistar_ssh_user",
                         "pistar_ssh_pass",
                         "pistar_ssh_port",
                         "svxlink_ssh_enabled",
                         "svxlink_ssh_user",
                         "svxlink_ssh_pass",
                         "svxlink_ssh_port",
                         "display_fullscreen",
                         "display_rotation",
                         "backlight_device",
                         "quick_actions",
                         "svxlink_actions",
                         "theme",
                         "bg",
                         "panel",
                         "panel2",
                         "border",
                         "text",
                         "subtext",
                         "accent",
                         "good",
                         "warn",
                         "bad",
                         "live",
                         "rx",
                         "tx",
                         "tabIdle",
                         "tabActive"};
  size_t last = 0;
  for (const char *key : order) {
    size_t at = text.find(std::string("\"") + key + "\":", last);
    ASSERT_NE(at, std::string::npos) << key;
    last = at;
  }
  EXPECT_NE(text.find("\"brightness\": 0,"), std::string::npos);
  EXPECT_NE(text.find("\"flip_screen\": true,"), std::string::npos);
  EXPECT_NE(text.find("\"refresh_ms\": 2147483647,"), std::string::npos);
  EXPECT_NE(text.find("\"wifi_retries_per_profile\": 7,"), std::string::npos);
  EXPECT_NE(text.find("\"pistar_ssh_port\": 2222,"), std::string::npos);
  EXPECT_NE(text.find("\"use_sudo\": false,"), std::string::npos);
  EXPECT_NE(text.find("\"device_callsign\": \"a\\\"b\\\\c\\td \xC3\xA4\xE2\x82\xAC\xFF/\","),
            std::string::npos);
  EXPECT_NE(text.find("\"theme_color\": \"#A1B2C3\""), std::string::npos);
  EXPECT_NE(text.find("\"bg\": \"#"), std::string::npos);
}

TEST_F(ConfigSaveTest, StartPageIsWrittenNormalisedAndRetriesEffective) {
  loadConfig();
  cfg.startPageAfterBoot = "Solar";  // solar data switched off
  cfg.wifiRetriesPerProfile = 200;
  ASSERT_TRUE(saveConfigToFile());
  const std::string text = readFile("sdcard/config.json");
  EXPECT_NE(text.find("\"start_page_after_boot\": \"mmdvm_live\""), std::string::npos);
  EXPECT_NE(text.find("\"wifi_retries_per_profile\": 10,"), std::string::npos);
}

TEST_F(ConfigSaveTest, UnusableProfilesAreNotWritten) {
  loadConfig();
  clearWifiProfiles();
  cfg.wifiProfiles[0].ssid = "your_wifi";
  cfg.wifiProfiles[2].ssid = "Real";
  cfg.wifiProfiles[2].pass = "pw";
  ASSERT_TRUE(saveConfigToFile());
  const std::string text = readFile("sdcard/config.json");
  EXPECT_EQ(text.find("your_wifi"), std::string::npos);
  EXPECT_NE(text.find("\"wifi_ssid\": \"Real\""), std::string::npos);
  loadConfig();
  EXPECT_EQ(cfg.wifiProfiles[0].ssid, "Real");
  EXPECT_EQ(configuredWifiProfileCount(), 1);
}

TEST_F(ConfigSaveTest, SaveCreatesTheStorageFolder) {
  loadConfig();
  ASSERT_TRUE(saveConfigToFile());
  EXPECT_FALSE(readFile("sdcard/config.json").empty());
  EXPECT_TRUE(tempLeftovers().empty());
}

TEST_F(ConfigSaveTest, SaveKeepsTheModeOfTheOldFile) {
  writeConfig(OLD_FILE);
  ASSERT_EQ(chmod("sdcard/config.json", 0600), 0);
  loadConfig();
  ASSERT_TRUE(saveConfigToFile());
  struct stat st;
  ASSERT_EQ(stat("sdcard/config.json", &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// ---------------------------------------------------------------------------
// Failing saves
// ---------------------------------------------------------------------------

TEST_F(ConfigSaveTest, ReadOnlyFolderKeepsTheOldFile) {
  writeConfig(OLD_FILE);
  loadConfig();
  cfg.brightness = 99;
  ASSERT_EQ(chmod(".", 0755), 0);
  ASSERT_EQ(chmod("sdcard", 0555), 0);
  bool root = geteuid() == 0;
  if (root) {
    ASSERT_EQ(seteuid(65534), 0);  // root ignores folder permissions
  }
  bool saved = saveConfigToFile();
  if (root) {
    ASSERT_EQ(seteuid(0), 0);
  }
  EXPECT_FALSE(saved);
  expectOldFileKept();
}

// Counts the calls of the write hooks below.
int writeCalls = 0;

ssize_t halfThenDiskFull(int fd, const void *buf, size_t n) {
  if (++writeCalls == 1) return write(fd, buf, n / 2);
  errno = ENOSPC;
  return -1;
}

TEST_F(ConfigSaveTest, DiskFullAfterAPartialWriteKeepsTheOldFile) {
  writeCalls = 0;
  configFileWriteHook = halfThenDiskFull;
  EXPECT_FALSE(saveOverOldFile());
  expectOldFileKept();
}

ssize_t writesNothing(int, const void *, size_t) { return 0; }

TEST_F(ConfigSaveTest, WriteWithoutProgressKeepsTheOldFile) {
  configFileWriteHook = writesNothing;
  EXPECT_FALSE(saveOverOldFile());
  expectOldFileKept();
}

ssize_t sevenBytesAtATime(int fd, const void *buf, size_t n) {
  ++writeCalls;
  return write(fd, buf, n < 7 ? n : 7);
}

// A write that takes fewer bytes than asked already fails the save: the
// saver does not go on writing the rest behind it.
TEST_F(ConfigSaveTest, ShortWriteFailsAtOnceAndKeepsTheOldFile) {
  writeCalls = 0;
  configFileWriteHook = sevenBytesAtATime;
  EXPECT_FALSE(saveOverOldFile());
  EXPECT_EQ(writeCalls, 1);
  expectOldFileKept();
  configFileWriteHook = nullptr;
  loadConfig();
  EXPECT_EQ(cfg.brightness, 42);
}

ssize_t interruptedOnceThenWhole(int fd, const void *buf, size_t n) {
  if (++writeCalls == 1) {
    errno = EINTR;
    return -1;
  }
  return write(fd, buf, n);
}

// An interrupted write has written nothing and is simply repeated.
TEST_F(ConfigSaveTest, InterruptedWriteIsRepeated) {
  writeCalls = 0;
  configFileWriteHook = interruptedOnceThenWhole;
  ASSERT_TRUE(saveOverOldFile());
  EXPECT_EQ(writeCalls, 2);
  configFileWriteHook = nullptr;
  loadConfig();
  EXPECT_EQ(cfg.brightness, 99);
  EXPECT_EQ(cfg.pistarHost, "10.9.8.7");
  EXPECT_TRUE(tempLeftovers().empty());
}

TEST_F(ConfigSaveTest, TargetThatIsAFolderFailsCleanly) {
  mkdir("sdcard", 0755);
  mkdir("sdcard/config.json", 0755);
  loadConfig();
  EXPECT_FALSE(saveConfigToFile());
  struct stat st;
  ASSERT_EQ(stat("sdcard/config.json", &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_TRUE(tempLeftovers().empty());
}

TEST_F(ConfigSaveTest, FullTmpfsKeepsTheOldFile) {
  // A private mount namespace keeps the small tmpfs to this test process.
  if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
    GTEST_SKIP() << "no private mount namespace here";
  }
  mkdir("sdcard", 0755);
  if (mount("tmpfs", "sdcard", "tmpfs", 0, "size=64k") != 0) GTEST_SKIP() << "tmpfs not mountable here";
  writeConfig(OLD_FILE);
  {
    std::string filler(4096, 'x');
    FILE *f = fopen("sdcard/filler", "wb");
    ASSERT_NE(f, nullptr);
    while (fwrite(filler.data(), 1, filler.size(), f) == filler.size() && fflush(f) == 0) {
    }
    fclose(f);
  }
  loadConfig();
  cfg.brightness = 99;
  bool saved = saveConfigToFile();
  EXPECT_FALSE(saved);
  EXPECT_EQ(readFile("sdcard/config.json"), OLD_FILE);
  std::vector<std::string> left = tempLeftovers();
  ASSERT_EQ(left.size(), 1u);  // only the filler
  EXPECT_EQ(left[0], "filler");
  umount("sdcard");
}

TEST_F(ConfigSaveTest, PathWithParentPartIsRefused) {
  loadConfig();
  DynamicJsonDocument doc;
  doc["x"] = 1;
  EXPECT_FALSE(persistConfigDocument(doc, "/../escape.json"));
  EXPECT_FALSE(persistConfigDocument(doc, nullptr));
}

// ---------------------------------------------------------------------------
// Import and run-time apply
// ---------------------------------------------------------------------------

// The import reads the upload with a real JSON reader: a valid file is
// applied (with the svxlink backend step), a broken one changes nothing.
TEST_F(ConfigSaveTest, ImportAppliesAValidFileAndRefusesABrokenOne) {
  writeConfig(OLD_FILE);
  loadConfig();
  writeFile("sdcard/config-import.json", "{\"backend\": \"svxlink-api\", \"wifi_ssid\": \"x\", \"pistar_host\"");
  String err;
  EXPECT_FALSE(applyConfigFromFile(IMPORT_CONFIG_TEMP_FILE, &err));
  EXPECT_EQ(err, "JSON parse failed: unexpected end at byte 58");
  EXPECT_EQ(cfg.pistarHost, "10.9.8.7");
  EXPECT_EQ(readFile("sdcard/config.json"), OLD_FILE);
  EXPECT_FALSE(applyConfigFromFile("/missing.json", &err));
  EXPECT_EQ(err, "Uploaded config could not be opened.");
  EXPECT_FALSE(applyConfigFromFile("/missing.json"));  // no message wanted
  writeFile("sdcard/config-import.json",
            "{\"backend\": \"svxlink-api\", \"wifi_ssid\": \"x\", \"pistar_host\": \"h\"}");
  EXPECT_TRUE(applyConfigFromFile(IMPORT_CONFIG_TEMP_FILE, &err)) << err.c_str();
  EXPECT_EQ(cfg.pistarHost, "h");
  EXPECT_EQ(cfg.backend, "Pi-Star");
  EXPECT_TRUE(cfg.svxlinkEnabled);
  EXPECT_EQ(cfg.svxlinkSource, "api");
}

TEST_F(ConfigSaveTest, RuntimeApplyReloadsAndLogs) {
  writeConfig(OLD_FILE);
  configOkState = false;
  pendingConfigApply = false;
  applyConfigAfterLoad();
  EXPECT_TRUE(configOkState);
  EXPECT_TRUE(pendingConfigApply);
  EXPECT_EQ(cfg.brightness, 42);
  ASSERT_GT(webLogCount, 0);
  const WebLogEntry *last = webLogEntryAt((uint8_t)(webLogCount - 1));
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(last->level, "INFO");
  EXPECT_EQ(last->tag, "CONFIG");
  EXPECT_EQ(last->message, "Runtime configuration applied.");
}

// ---------------------------------------------------------------------------
// Panel keys as users write them
// ---------------------------------------------------------------------------

TEST_F(ConfigSaveTest, PanelKeysAreClampedOnLoad) {
  struct Case {
    const char *json;
    bool fullscreen;
    uint16_t rotation;
    const char *backlight;
  } cases[] = {
      {"{}", false, 0, "auto"},
      {"{\"display_fullscreen\": true, \"display_rotation\": 90}", true, 90, "auto"},
      {"{\"display_rotation\": 270, \"backlight_device\": \" NONE \"}", false, 270, "none"},
      {"{\"display_rotation\": 45, \"backlight_device\": \"\"}", false, 0, "auto"},
      {"{\"display_rotation\": 360, \"backlight_device\": \"Auto\"}", false, 0, "auto"},
      {"{\"display_rotation\": -90, \"backlight_device\": \"/sys/class/backlight/rpi_backlight\"}", false, 0,
       "/sys/class/backlight/rpi_backlight"},
      {"{\"display_rotation\": \"ninety\", \"display_fullscreen\": \"yes\"}", false, 0, "auto"},
  };
  for (const Case &c : cases) {
    writeConfig(c.json);
    loadConfig();
    EXPECT_EQ(cfg.displayFullscreen, c.fullscreen) << c.json;
    EXPECT_EQ(cfg.displayRotation, c.rotation) << c.json;
    EXPECT_EQ(std::string(cfg.backlightDevice.c_str()), c.backlight) << c.json;
  }
}
