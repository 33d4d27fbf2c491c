// Configuration record: initial values, desktop defaults, Wi-Fi profile
// helpers and the normalisation pass that ends every load.
#include "core/config.h"

AppConfig cfg;

namespace {

const char *const DEFAULT_QUICK_ACTION_LABELS[QUICK_ACTION_SLOT_COUNT] = {
    "DMR TG91", "DMR TG263", "REF001C", "Disconnect"};
const char *const DEFAULT_SVXLINK_ACTION_LABELS[SVXLINK_ACTION_SLOT_COUNT] = {
    "DTMF 1", "DTMF 2", "DTMF 3", "Disconnect"};

String trimmedCopy(const String &s) {
  String out = s;
  out.trim();
  return out;
}

void resetActionSlots(QuickActionSlotConfig *slots, int count, const char *const *labels) {
  for (int i = 0; i < count; ++i) {
    slots[i].enabled = false;
    slots[i].useSudo = false;
    slots[i].label = labels[i];
    slots[i].command = "";
  }
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
      svxlinkSshPort(SSH_PORT_DEFAULT) {}

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

void desktopFinalizeLoadedConfig() {
  // PENDING: trims, canonical values, clamps, watch-source fallback and
  // dropping data of disabled sources.
}
