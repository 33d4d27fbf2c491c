// Configuration record of the device: every setting, its initial value and
// the named defaults and bounds that the loader applies.
#pragma once

#include <stdint.h>

#include "host/wstring.h"

// ---------------------------------------------------------------------------
// Files
// ---------------------------------------------------------------------------
static constexpr const char *CONFIG_FILE = "/config.json";
static constexpr const char *IMPORT_CONFIG_TEMP_FILE = "/config-import.json";

// Fallback callsign when the configured one is empty.
static constexpr const char *DEVICE_CALLSIGN = "99DEV01";
static constexpr const char *DEFAULT_TZ_RULE = "CET-1CEST,M3.5.0/2,M10.5.0/3";

// ---------------------------------------------------------------------------
// Slot counts
// ---------------------------------------------------------------------------
static constexpr int WIFI_PROFILE_COUNT = 5;
static constexpr int QUICK_ACTION_SLOT_COUNT = 4;
static constexpr int SVXLINK_ACTION_SLOT_COUNT = 4;
static constexpr uint8_t WIFI_RETRIES_PER_PROFILE_MAX = 10;

// ---------------------------------------------------------------------------
// Watch-source defaults and bounds
// ---------------------------------------------------------------------------
static constexpr uint16_t APRS_REFRESH_MINUTES_DEFAULT = 30;
static constexpr uint16_t APRS_REFRESH_MINUTES_MIN = 10;
static constexpr uint16_t APRS_REFRESH_MINUTES_MAX = 1440;  // one day
static constexpr uint16_t APRS_RANGE_KM_DEFAULT = 50;
static constexpr uint16_t APRS_RANGE_KM_MIN = 1;
static constexpr uint16_t APRS_RANGE_KM_MAX = 999;
// APRS position API origin; "/api/get" and the query are appended to it.
static constexpr const char *APRS_API_BASE_URL_DEFAULT = "https://api.aprs.fi";

static constexpr uint16_t HAMQSL_REFRESH_MINUTES_DEFAULT = 60;
static constexpr uint16_t HAMQSL_REFRESH_MINUTES_MIN = 60;
static constexpr uint16_t HAMQSL_REFRESH_MINUTES_MAX = 1440;
static constexpr const char *HAMQSL_SOLAR_XML_URL_DEFAULT = "https://www.hamqsl.com/solarxml.php";

static constexpr uint16_t ADSB_REFRESH_SECONDS_DEFAULT = 10;
static constexpr uint16_t ADSB_REFRESH_SECONDS_MIN = 5;
static constexpr uint16_t ADSB_REFRESH_SECONDS_MAX = 600;
static constexpr uint16_t ADSB_RANGE_KM_DEFAULT = 150;
static constexpr uint16_t ADSB_RANGE_KM_MIN = 1;
static constexpr uint16_t ADSB_RANGE_KM_MAX = 999;
static constexpr const char *ADSB_AIRCRAFT_PATH_DEFAULT = "/dump1090-fa/data/aircraft.json";

static constexpr uint16_t ALERT_REFRESH_MINUTES_DEFAULT = 60;
static constexpr uint16_t ALERT_REFRESH_MINUTES_MIN = 60;
static constexpr uint16_t ALERT_REFRESH_MINUTES_MAX = 1440;
static constexpr const char *NINA_DASHBOARD_BASE_URL_DEFAULT = "https://warnung.bund.de/api31/dashboard/";
static constexpr const char *NOAA_ALERTS_BASE_URL_DEFAULT = "https://api.weather.gov/alerts/active?zone=";
static constexpr const char *METEOALARM_ATOM_BASE_URL_DEFAULT =
    "https://feeds.meteoalarm.org/feeds/meteoalarm-legacy-atom-";
static constexpr const char *METEOALARM_EDR_LOCATIONS_BASE_URL_DEFAULT =
    "https://api.meteoalarm.org/edr/v1/collections/warnings/locations/";
static constexpr const char *METEOALARM_EDR_QUERY_DEFAULT = "language=de";

static constexpr const char *RADIOID_USERS_API_BASE_DEFAULT = "https://radioid.net/api/users?callsign=";
static constexpr const char *TARGET_LIST_BASE_URL_DEFAULT = "https://www.pistar.uk/digital-radio-lists/";

// Loader bounds without a named default of their own.
static constexpr uint16_t WEATHER_REFRESH_MINUTES_DEFAULT = 10;
static constexpr uint16_t WEATHER_REFRESH_MINUTES_MIN = 1;
static constexpr uint16_t WEATHER_REFRESH_MINUTES_MAX = 1440;
// OpenWeatherMap API origin; the request paths are appended to it.
static constexpr const char *WEATHER_API_BASE_URL_DEFAULT = "https://api.openweathermap.org";
static constexpr uint32_t SCREENSAVER_TIMEOUT_MS_MIN = 5000;  // 5 s
static constexpr uint16_t SSH_PORT_DEFAULT = 22;
// Watch list: entries kept, characters per entry, and the repeat window.
static constexpr int WATCH_LIST_MAX_ENTRIES = 16;
static constexpr int WATCH_LIST_ENTRY_MAX_CHARS = 24;
static constexpr uint16_t WATCH_LIST_REPEAT_MINUTES_DEFAULT = 60;
static constexpr uint16_t WATCH_LIST_REPEAT_MINUTES_MIN = 1;
static constexpr uint16_t WATCH_LIST_REPEAT_MINUTES_MAX = 1440;  // one day
// Values of "backlight_device" besides a folder path.
static constexpr const char *BACKLIGHT_DEVICE_AUTO = "auto";
static constexpr const char *BACKLIGHT_DEVICE_NONE = "none";

// The settings pages in the browser.
static constexpr const char *WEB_UI_BIND_DEFAULT = "127.0.0.1";
static constexpr uint16_t WEB_UI_PORT_DEFAULT = 8080;

// ---------------------------------------------------------------------------
// Types
// ---------------------------------------------------------------------------
struct WifiProfileConfig {
  String ssid;
  String pass;
};

struct QuickActionSlotConfig {
  bool enabled = false;
  bool useSudo = false;
  String label;
  String command;
};

struct AppConfig {
  String backend;
  String wifiSsid;
  String wifiPass;
  WifiProfileConfig wifiProfiles[WIFI_PROFILE_COUNT];
  uint8_t wifiRetriesPerProfile;
  String pistarHost;
  bool svxlinkEnabled;
  String svxlinkSource;
  String svxlinkHost;
  String svxlinkApiPath;
  bool aprsEnabled;
  String aprsApiKey;
  uint16_t aprsRefreshMinutes;
  uint16_t aprsRangeKm;
  String aprsCenterLat;
  String aprsCenterLon;
  String aprsApiBaseUrl;
  String startPageAfterBoot;
  String deviceCallsign;
  String themeColor;
  uint32_t refreshMs;
  uint32_t callsignHoldMs;
  bool scrollingTextEnabled;
  bool apiUtcToLocalTime;
  String timezoneTz;
  uint8_t brightness;
  bool flipScreen;
  bool screensaverEnabled;
  bool wxscreensaverEnabled;
  uint32_t screensaverTimeoutMs;
  uint8_t screensaverDimBrightness;
  bool weatherEnabled;
  uint16_t weatherRefreshMinutes;
  String weatherLat;
  String weatherLon;
  String weatherApiKey;
  String weatherApiBaseUrl;
  bool hamqslEnabled;
  uint16_t hamqslRefreshMinutes;
  String hamqslUrl;
  bool adsbEnabled;
  String adsbHost;
  String adsbPath;
  uint16_t adsbRefreshSeconds;
  uint16_t adsbRangeKm;
  String adsbCenterLat;
  String adsbCenterLon;
  bool katwarnEnabled;
  String katwarnLocationId;
  String ninaDashboardBaseUrl;
  bool noaaEnabled;
  String noaaZone;
  String noaaAlertsBaseUrl;
  bool meteoalarmEnabled;
  String meteoalarmFeed;
  String meteoalarmAtomBaseUrl;
  String meteoalarmMode;
  String meteoalarmCountryCode;
  String meteoalarmEdrBaseUrl;
  String meteoalarmEdrQuery;
  String meteoalarmApiToken;
  bool meteoalarmFilterByCoordinates;
  uint16_t alertRefreshMinutes;
  bool radioIdLookupEnabled;
  String radioIdUsersApiBase;
  bool targetListLookupEnabled;
  String targetListBaseUrl;
  String targetListDmrUrl;
  String targetListDstarUrl;
  String targetListYsfUrl;
  String targetListP25Url;
  String targetListNxdnUrl;
  bool touchModeSshEnabled;
  String pistarSshUser;
  String pistarSshPass;
  uint16_t pistarSshPort;
  bool svxlinkSshEnabled;
  String svxlinkSshUser;
  String svxlinkSshPass;
  uint16_t svxlinkSshPort;
  bool webUiEnabled;
  String webUiBind;
  uint16_t webUiPort;
  String webUiPassword;  // a password hash; a plain password is hashed at load
  QuickActionSlotConfig quickActions[QUICK_ACTION_SLOT_COUNT];
  QuickActionSlotConfig svxlinkActions[SVXLINK_ACTION_SLOT_COUNT];
  bool hotspotBackgroundPoll;
  bool onAirBanner;
  bool wakeOnActivity;
  bool wakeShowsLive;
  String watchList[WATCH_LIST_MAX_ENTRIES];  // trimmed, upper case; empty slots last
  int watchListCount;
  uint16_t watchListRepeatMinutes;
  bool watchSound;
  // Fullscreen at the display's own mode instead of a window.
  bool displayFullscreen;
  // Clockwise turn of the picture: 0, 90, 180 or 270 (others load as 0).
  uint16_t displayRotation;
  // "auto" (first writable /sys/class/backlight entry), "none" or a folder.
  String backlightDevice;
  String nightMode;
  String nightStart;
  String nightEnd;
  uint8_t nightBrightness;
  bool nightScreensaverOnly;

  // Initial values; they hold only until the first load.
  AppConfig();
};

// The one configuration record of the process.
extern AppConfig cfg;

// ---------------------------------------------------------------------------
// Wi-Fi profiles
// ---------------------------------------------------------------------------

// Empties all five Wi-Fi profiles.
void clearWifiProfiles();
// True when the trimmed SSID is not empty and not one of the placeholders
// "your_wifi", "wifi_ssid", "ssid" (any case).
bool wifiSsidLooksUsable(const String &ssid);
// Adds a profile or updates the password of the profile with the same SSID.
// False for an unusable SSID or when all five profiles are taken.
bool addWifiProfile(const String &ssid, const String &pass);
// Number of profiles with a usable SSID.
int configuredWifiProfileCount();
// True when at least one profile is usable.
bool hasConfiguredWifiProfiles();
// wifiRetriesPerProfile constrained to 0..10.
uint8_t effectiveWifiRetriesPerProfile();
// Copies the first usable profile into wifiSsid/wifiPass (empty when none).
void syncLegacyWifiFieldsFromProfiles();

// ---------------------------------------------------------------------------
// Defaults and normalisation
// ---------------------------------------------------------------------------

// Assigns the desktop defaults that every load starts from (all fields but
// wxscreensaverEnabled), including one Wi-Fi profile "DESKTOP" and the eight
// default action slots.
void applyDesktopConfigDefaults();
// The normalisation pass at the end of every load: trims, canonical values,
// clamps, watch-source fallback and dropping data of disabled sources.
void desktopFinalizeLoadedConfig();
// The part of that pass that touches only `cfg` (trims, canonical values,
// clamps): a candidate configuration can be normalised with it without
// changing what the program shows.
void normalizeConfigFields();

// The configured device callsign, trimmed, or DEVICE_CALLSIGN when blank.
String getDeviceCallsign();
