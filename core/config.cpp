// Configuration record: initial values, desktop defaults, Wi-Fi profile
// helpers and the normalisation pass that ends every load.
#include "core/config.h"

#include "core/backend.h"
#include "core/config_file.h"
#include "core/night_mode.h"
#include "core/view.h"
#include "core/watch_source.h"
#include "host/trace_log.h"

AppConfig cfg;

namespace {

const char *const DEFAULT_QUICK_ACTION_LABELS[QUICK_ACTION_SLOT_COUNT] = {"DMR TG91", "DMR TG263", "REF001C",
                                                                          "Disconnect"};
const char *const DEFAULT_SVXLINK_ACTION_LABELS[SVXLINK_ACTION_SLOT_COUNT] = {"DTMF 1", "DTMF 2", "DTMF 3",
                                                                              "Disconnect"};

// Trims a text in place and puts the fallback in when it ends up empty.
void trimOrDefault(String &field, const char *fallback) {
  field.trim();
  if (field.length() == 0) field = fallback;
}

uint16_t clampU16(uint16_t v, uint16_t lo, uint16_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

void finalizeActionSlots(QuickActionSlotConfig *slots, int count) {
  for (int i = 0; i < count; ++i) {
    slots[i].label.trim();
    slots[i].command.trim();
    if (slots[i].label.length() == 0 || slots[i].command.length() == 0) slots[i].enabled = false;
  }
}

void finalizeHostsAndSources() {
  cfg.pistarHost.trim();
  cfg.svxlinkSource = canonicalSvxlinkSourceValue(cfg.svxlinkSource);
  if (cfg.svxlinkSource.length() == 0) cfg.svxlinkSource = "url";
  cfg.svxlinkHost.trim();
  cfg.svxlinkApiPath = normalizedSvxlinkPathForBackend(cfg.svxlinkApiPath);
  cfg.aprsApiKey.trim();
  cfg.aprsRefreshMinutes =
      clampU16(cfg.aprsRefreshMinutes, APRS_REFRESH_MINUTES_MIN, APRS_REFRESH_MINUTES_MAX);
  cfg.aprsRangeKm = clampU16(cfg.aprsRangeKm, APRS_RANGE_KM_MIN, APRS_RANGE_KM_MAX);
  cfg.aprsCenterLat.trim();
  cfg.aprsCenterLon.trim();
  trimOrDefault(cfg.aprsApiBaseUrl, APRS_API_BASE_URL_DEFAULT);
  cfg.startPageAfterBoot = normalizedStartPageAfterBoot(false);
  cfg.deviceCallsign.trim();
  cfg.themeColor.trim();
  trimOrDefault(cfg.timezoneTz, DEFAULT_TZ_RULE);
  if (cfg.screensaverTimeoutMs < SCREENSAVER_TIMEOUT_MS_MIN)
    cfg.screensaverTimeoutMs = SCREENSAVER_TIMEOUT_MS_MIN;
  cfg.weatherRefreshMinutes =
      clampU16(cfg.weatherRefreshMinutes, WEATHER_REFRESH_MINUTES_MIN, WEATHER_REFRESH_MINUTES_MAX);
  cfg.weatherLat.trim();
  cfg.weatherLon.trim();
  cfg.weatherApiKey.trim();
  trimOrDefault(cfg.weatherApiBaseUrl, WEATHER_API_BASE_URL_DEFAULT);
  cfg.hamqslRefreshMinutes =
      clampU16(cfg.hamqslRefreshMinutes, HAMQSL_REFRESH_MINUTES_MIN, HAMQSL_REFRESH_MINUTES_MAX);
  trimOrDefault(cfg.hamqslUrl, HAMQSL_SOLAR_XML_URL_DEFAULT);
  cfg.adsbHost.trim();
  trimOrDefault(cfg.adsbPath, ADSB_AIRCRAFT_PATH_DEFAULT);
  if (!cfg.adsbPath.startsWith("/")) cfg.adsbPath = String("/") + cfg.adsbPath;
  cfg.adsbRefreshSeconds =
      clampU16(cfg.adsbRefreshSeconds, ADSB_REFRESH_SECONDS_MIN, ADSB_REFRESH_SECONDS_MAX);
  cfg.adsbRangeKm = clampU16(cfg.adsbRangeKm, ADSB_RANGE_KM_MIN, ADSB_RANGE_KM_MAX);
  cfg.adsbCenterLat.trim();
  cfg.adsbCenterLon.trim();
}

void finalizeAlertsAndActions() {
  cfg.katwarnLocationId.trim();
  trimOrDefault(cfg.ninaDashboardBaseUrl, NINA_DASHBOARD_BASE_URL_DEFAULT);
  trimOrDefault(cfg.meteoalarmFeed, "germany");
  trimOrDefault(cfg.meteoalarmAtomBaseUrl, METEOALARM_ATOM_BASE_URL_DEFAULT);
  cfg.meteoalarmMode.trim();
  cfg.meteoalarmMode.toLowerCase();
  if (!(cfg.meteoalarmMode == "edr" || cfg.meteoalarmMode == "atom")) cfg.meteoalarmMode = "edr";
  cfg.meteoalarmCountryCode.trim();
  cfg.meteoalarmCountryCode.toUpperCase();
  if (cfg.meteoalarmCountryCode.length() == 0) cfg.meteoalarmCountryCode = "DE";
  trimOrDefault(cfg.meteoalarmEdrBaseUrl, METEOALARM_EDR_LOCATIONS_BASE_URL_DEFAULT);
  trimOrDefault(cfg.meteoalarmEdrQuery, METEOALARM_EDR_QUERY_DEFAULT);
  cfg.meteoalarmApiToken.trim();
  cfg.noaaZone.trim();
  trimOrDefault(cfg.noaaAlertsBaseUrl, NOAA_ALERTS_BASE_URL_DEFAULT);
  cfg.alertRefreshMinutes =
      clampU16(cfg.alertRefreshMinutes, ALERT_REFRESH_MINUTES_MIN, ALERT_REFRESH_MINUTES_MAX);
  trimOrDefault(cfg.radioIdUsersApiBase, RADIOID_USERS_API_BASE_DEFAULT);
  trimOrDefault(cfg.pistarSshUser, "pi-star");
  if (cfg.pistarSshPort == 0) cfg.pistarSshPort = SSH_PORT_DEFAULT;
  trimOrDefault(cfg.svxlinkSshUser, "svxlink");
  if (cfg.svxlinkSshPort == 0) cfg.svxlinkSshPort = SSH_PORT_DEFAULT;
  finalizeActionSlots(cfg.quickActions, QUICK_ACTION_SLOT_COUNT);
  finalizeActionSlots(cfg.svxlinkActions, SVXLINK_ACTION_SLOT_COUNT);
  trimOrDefault(cfg.webUiBind, WEB_UI_BIND_DEFAULT);
  if (cfg.webUiPort == 0) cfg.webUiPort = WEB_UI_PORT_DEFAULT;
}

// Panel keys: a rotation other than the four right angles loads as 0.
void finalizePanelKeys() {
  if (cfg.displayRotation % 90 != 0 || cfg.displayRotation > 270) {
    desktopTrace("[CONFIG][WARN] display_rotation %u is not 0, 90, 180 or 270; using 0.\n",
                 (unsigned)cfg.displayRotation);
    cfg.displayRotation = 0;
  }
  trimOrDefault(cfg.backlightDevice, BACKLIGHT_DEVICE_AUTO);
  String lower = cfg.backlightDevice;
  lower.toLowerCase();
  if (lower == BACKLIGHT_DEVICE_AUTO || lower == BACKLIGHT_DEVICE_NONE) cfg.backlightDevice = lower;
}

// Night keys: a known mode, "HH:MM" times (unreadable ones take the
// defaults); the brightness is a byte already.
void finalizeNightKeys() {
  cfg.nightMode = canonicalNightMode(cfg.nightMode);
  cfg.nightStart = canonicalClockText(cfg.nightStart, NIGHT_START_DEFAULT);
  cfg.nightEnd = canonicalClockText(cfg.nightEnd, NIGHT_END_DEFAULT);
}

// A watch source whose feature is off is not kept as the current one.
void fallBackFromDisabledWatchSource() {
  if (!watchSourceAvailable(currentWatchSource)) currentWatchSource = WATCH_MMDVM;
}

void resetActionSlots(QuickActionSlotConfig *slots, int count, const char *const *labels) {
  for (int i = 0; i < count; ++i) {
    slots[i].enabled = false;
    slots[i].useSudo = false;
    slots[i].label = labels[i];
    slots[i].command = "";
  }
}

// Watch-list entries: trimmed, upper case, inner blank runs kept as one
// blank ("TG 91"), at most WATCH_LIST_ENTRY_MAX_CHARS; blank entries and
// repeats dropped.
void finalizeWatchList() {
  int kept = 0;
  const int count = cfg.watchListCount < WATCH_LIST_MAX_ENTRIES ? cfg.watchListCount : WATCH_LIST_MAX_ENTRIES;
  for (int i = 0; i < count; ++i) {
    String entry;
    bool blank = false;
    for (unsigned j = 0; j < cfg.watchList[i].length(); ++j) {
      char c = cfg.watchList[i][j];
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
        blank = entry.length() > 0;
        continue;
      }
      if ((unsigned char)c < 0x20 || c == 0x7f) continue;
      if (blank) entry += ' ';
      blank = false;
      entry += c;
    }
    entry.toUpperCase();
    if ((int)entry.length() > WATCH_LIST_ENTRY_MAX_CHARS) entry = entry.substring(0, WATCH_LIST_ENTRY_MAX_CHARS);
    entry.trim();
    bool repeat = false;
    for (int k = 0; k < kept; ++k) repeat = repeat || cfg.watchList[k] == entry;
    if (entry.length() == 0 || repeat) continue;
    cfg.watchList[kept++] = entry;
  }
  for (int i = kept; i < WATCH_LIST_MAX_ENTRIES; ++i) cfg.watchList[i] = "";
  cfg.watchListCount = kept;
  cfg.watchListRepeatMinutes =
      clampU16(cfg.watchListRepeatMinutes, WATCH_LIST_REPEAT_MINUTES_MIN, WATCH_LIST_REPEAT_MINUTES_MAX);
}

}  // namespace

AppConfig::AppConfig()
    : wifiRetriesPerProfile(2),
      svxlinkEnabled(false),
      svxlinkSource("url"),
      svxlinkApiPath("/index.php"),
      aprsEnabled(false),
      aprsRefreshMinutes(APRS_REFRESH_MINUTES_DEFAULT),
      aprsRangeKm(APRS_RANGE_KM_DEFAULT),
      aprsApiBaseUrl(APRS_API_BASE_URL_DEFAULT),
      startPageAfterBoot("mmdvm_live"),
      themeColor("#35C2FF"),
      refreshMs(1500),
      callsignHoldMs(12000),
      scrollingTextEnabled(true),
      apiUtcToLocalTime(true),
      timezoneTz(DEFAULT_TZ_RULE),
      brightness(220),
      flipScreen(false),
      screensaverEnabled(true),
      wxscreensaverEnabled(false),
      screensaverTimeoutMs(240000),
      screensaverDimBrightness(25),
      weatherEnabled(false),
      weatherRefreshMinutes(WEATHER_REFRESH_MINUTES_DEFAULT),
      weatherApiBaseUrl(WEATHER_API_BASE_URL_DEFAULT),
      hamqslEnabled(false),
      hamqslRefreshMinutes(HAMQSL_REFRESH_MINUTES_DEFAULT),
      hamqslUrl(HAMQSL_SOLAR_XML_URL_DEFAULT),
      adsbEnabled(false),
      adsbPath(ADSB_AIRCRAFT_PATH_DEFAULT),
      adsbRefreshSeconds(ADSB_REFRESH_SECONDS_DEFAULT),
      adsbRangeKm(ADSB_RANGE_KM_DEFAULT),
      katwarnEnabled(false),
      ninaDashboardBaseUrl(NINA_DASHBOARD_BASE_URL_DEFAULT),
      noaaEnabled(false),
      noaaAlertsBaseUrl(NOAA_ALERTS_BASE_URL_DEFAULT),
      meteoalarmEnabled(false),
      meteoalarmFeed("germany"),
      meteoalarmAtomBaseUrl(METEOALARM_ATOM_BASE_URL_DEFAULT),
      meteoalarmMode("edr"),
      meteoalarmCountryCode("DE"),
      meteoalarmEdrBaseUrl(METEOALARM_EDR_LOCATIONS_BASE_URL_DEFAULT),
      meteoalarmEdrQuery(METEOALARM_EDR_QUERY_DEFAULT),
      meteoalarmFilterByCoordinates(true),
      alertRefreshMinutes(ALERT_REFRESH_MINUTES_DEFAULT),
      radioIdLookupEnabled(true),
      radioIdUsersApiBase(RADIOID_USERS_API_BASE_DEFAULT),
      targetListLookupEnabled(true),
      targetListBaseUrl(TARGET_LIST_BASE_URL_DEFAULT),
      touchModeSshEnabled(false),
      pistarSshUser("pi-star"),
      pistarSshPort(SSH_PORT_DEFAULT),
      svxlinkSshEnabled(false),
      svxlinkSshUser("svxlink"),
      svxlinkSshPort(SSH_PORT_DEFAULT),
      webUiEnabled(false),
      webUiBind(WEB_UI_BIND_DEFAULT),
      webUiPort(WEB_UI_PORT_DEFAULT),
      hotspotBackgroundPoll(true),
      onAirBanner(true),
      wakeOnActivity(true),
      wakeShowsLive(false),
      watchListCount(0),
      watchListRepeatMinutes(WATCH_LIST_REPEAT_MINUTES_DEFAULT),
      watchSound(false),
      displayFullscreen(false),
      displayRotation(0),
      backlightDevice(BACKLIGHT_DEVICE_AUTO),
      nightMode(NIGHT_MODE_OFF),
      nightStart(NIGHT_START_DEFAULT),
      nightEnd(NIGHT_END_DEFAULT),
      nightBrightness(NIGHT_BRIGHTNESS_DEFAULT),
      nightScreensaverOnly(true) {}

void clearWifiProfiles() {
  for (int i = 0; i < WIFI_PROFILE_COUNT; ++i) {
    cfg.wifiProfiles[i].ssid = "";
    cfg.wifiProfiles[i].pass = "";
  }
}

bool wifiSsidLooksUsable(const String &ssid) {
  String s = trimmedCopy(ssid);
  if (s.length() == 0) return false;
  s.toLowerCase();
  return !(s == "your_wifi" || s == "wifi_ssid" || s == "ssid");
}

bool addWifiProfile(const String &ssid, const String &pass) {
  if (!wifiSsidLooksUsable(ssid)) return false;
  for (int i = 0; i < WIFI_PROFILE_COUNT; ++i) {
    if (cfg.wifiProfiles[i].ssid == ssid) {
      cfg.wifiProfiles[i].pass = pass;
      return true;
    }
  }
  for (int i = 0; i < WIFI_PROFILE_COUNT; ++i) {
    if (cfg.wifiProfiles[i].ssid.length() == 0) {
      cfg.wifiProfiles[i].ssid = ssid;
      cfg.wifiProfiles[i].pass = pass;
      return true;
    }
  }
  return false;
}

int configuredWifiProfileCount() {
  int count = 0;
  for (int i = 0; i < WIFI_PROFILE_COUNT; ++i) {
    if (wifiSsidLooksUsable(cfg.wifiProfiles[i].ssid)) ++count;
  }
  return count;
}

bool hasConfiguredWifiProfiles() { return configuredWifiProfileCount() > 0; }

uint8_t effectiveWifiRetriesPerProfile() {
  return cfg.wifiRetriesPerProfile > WIFI_RETRIES_PER_PROFILE_MAX ? WIFI_RETRIES_PER_PROFILE_MAX
                                                                  : cfg.wifiRetriesPerProfile;
}

void syncLegacyWifiFieldsFromProfiles() {
  for (int i = 0; i < WIFI_PROFILE_COUNT; ++i) {
    if (wifiSsidLooksUsable(cfg.wifiProfiles[i].ssid)) {
      cfg.wifiSsid = cfg.wifiProfiles[i].ssid;
      cfg.wifiPass = cfg.wifiProfiles[i].pass;
      return;
    }
  }
  cfg.wifiSsid = "";
  cfg.wifiPass = "";
}

void applyDesktopConfigDefaults() {
  bool keepWxScreensaver = cfg.wxscreensaverEnabled;  // the loader never resets it
  cfg = AppConfig();
  cfg.wxscreensaverEnabled = keepWxScreensaver;
  cfg.backend = "Pi-Star";
  cfg.wifiSsid = "DESKTOP";
  cfg.wifiPass = "";
  clearWifiProfiles();
  cfg.wifiProfiles[0].ssid = "DESKTOP";
  cfg.wifiRetriesPerProfile = 0;
  cfg.pistarHost = "127.0.0.1";
  cfg.svxlinkHost = "127.0.0.1";
  cfg.deviceCallsign = "DESKTOP";
  cfg.screensaverEnabled = false;
  cfg.screensaverTimeoutMs = 60000;
  cfg.screensaverDimBrightness = 20;
  cfg.radioIdLookupEnabled = false;
  cfg.targetListLookupEnabled = false;
  resetActionSlots(cfg.quickActions, QUICK_ACTION_SLOT_COUNT, DEFAULT_QUICK_ACTION_LABELS);
  resetActionSlots(cfg.svxlinkActions, SVXLINK_ACTION_SLOT_COUNT, DEFAULT_SVXLINK_ACTION_LABELS);
}

void normalizeConfigFields() {
  syncLegacyWifiFieldsFromProfiles();
  cfg.wifiRetriesPerProfile = effectiveWifiRetriesPerProfile();
  finalizeHostsAndSources();
  finalizeAlertsAndActions();
  finalizePanelKeys();
  finalizeNightKeys();
  nightConfigApplied();
  // uint8_t fields already hold 0..255; the loader constrained them on read.
  cfg.weatherRefreshMinutes =
      clampU16(cfg.weatherRefreshMinutes, WEATHER_REFRESH_MINUTES_MIN, WEATHER_REFRESH_MINUTES_MAX);
  cfg.hamqslRefreshMinutes =
      clampU16(cfg.hamqslRefreshMinutes, HAMQSL_REFRESH_MINUTES_MIN, HAMQSL_REFRESH_MINUTES_MAX);
  if (cfg.screensaverTimeoutMs < SCREENSAVER_TIMEOUT_MS_MIN)
    cfg.screensaverTimeoutMs = SCREENSAVER_TIMEOUT_MS_MIN;
  finalizeWatchList();
}

void desktopFinalizeLoadedConfig() {
  normalizeConfigFields();
  fallBackFromDisabledWatchSource();
  if (configApplyHooks().finalized) configApplyHooks().finalized();
}

// getDeviceCallsign: the configured callsign or the built-in one.
String getDeviceCallsign() {
  String call = trimmedCopy(cfg.deviceCallsign);
  if (call.length() == 0) return String(DEVICE_CALLSIGN);
  return call;
}
