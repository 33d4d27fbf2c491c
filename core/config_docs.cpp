// The description of every configuration key; see config_docs.h.
#include "core/config_docs.h"

const ConfigDocGroup CONFIG_DOC_GROUPS[] = {
    {"hotspot", "Hotspot", nullptr},
    {"display", "Display",
     "The picture of 800 x 480 is scaled to fit the window or panel with its aspect kept and centred; the borders "
     "take the theme's `bg` colour and taps on them are ignored. Below twice the frame size (1024 x 600, 1280 x "
     "720, a smaller portrait panel) the picture fills the panel with a smooth filter, so that strokes stay even "
     "instead of mixing one- and two-pixel widths; from twice the size upwards it is scaled by the largest whole "
     "factor that fits (1920 x 1080 shows 1600 x 960), which keeps every pixel of the text square. A desktop "
     "window may be resized or maximised and scales the same way.\n\n"
     "How `display_rotation` and `flip_screen` combine: with `display_rotation` 0, `flip_screen` turns the "
     "picture by 180 degrees and the touches with it (a panel mounted upside down). With 90, 180 or 270, "
     "`display_rotation` alone turns the picture and `flip_screen` only mirrors the touches (for a panel whose "
     "touch layer reports mirrored positions)."},
    {"weather", "Weather", nullptr},
    {"aprs", "APRS", nullptr},
    {"adsb", "Application > ADSB", nullptr},
    {"hamqsl", "HAMQSL", nullptr},
    {"alerts", "Alerts",
     "The sources are asked in this order, and the first one with a warning wins: NINA, then MeteoAlarm "
     "(EDR with `meteoalarm_mode` `\"edr\"` and a token, falling back to the Atom feed when the EDR request "
     "fails; the feed alone otherwise), then NOAA. A warning pops up once; closing it keeps it closed until a "
     "warning with another identity arrives."},
    {"svxlink", "SvxLink", nullptr},
    {"actions", "Remote actions",
     "Mode toggles and presets run over SSH in the background (see \"Remote actions (SSH)\" in the top-level "
     "README: the host comes from `pistar_host` or `svxlink_host`, host keys are pinned in "
     "`sdcard/ssh_known_hosts`)."},
    {"watch", "Call watch",
     "The hotspot is watched while another source is shown: its last-heard list is polled in the background, a "
     "transmission on the hotspot (or on the SvxLink node when it is enabled) shows a banner at the bottom of any "
     "other source's page (a tap on it opens that LIVE page), a new transmission wakes the screen, and stations "
     "on the watch list raise a toast, a `[INFO][WATCH]` line in the device log and, if wanted, a tone."},
    {"wifi", "Wi-Fi profiles", nullptr},
    {"web", "Settings page", nullptr},
    {"night", "Day and night",
     "At night the screensaver comes sooner (even when `screensaver_enabled` is off), dims the backlight to "
     "`night_brightness` and shows a dark clock with the date and, when the weather is known, the temperature. A "
     "tap (or a new call) brings the pages back at `brightness`; after the night timeout without a touch the "
     "night face returns. Whether it is night is decided again every second from the clock, so a change of "
     "daylight saving time or of the system clock is followed at once. The change between day and night leaves "
     "one `[INFO][DISPLAY]` line in the device log each way. The zone of the schedule is `timezone_tz` as a POSIX "
     "rule (for example `\"CET-1CEST,M3.5.0/2,M10.5.0/3\"` or `\"AEST-10AEDT,M10.1.0,M4.1.0/3\"`); an entry that "
     "is not such a rule (an `Area/City` name) leaves a warning in the device log and the computer's own time "
     "zone is used."},
};
const int CONFIG_DOC_GROUP_COUNT = (int)(sizeof(CONFIG_DOC_GROUPS) / sizeof(CONFIG_DOC_GROUPS[0]));

// clang-format off
const ConfigDocRow CONFIG_DOC_ROWS[] = {
    // Hotspot
    {"backend", "hotspot", "text", "`\"Pi-Star\"`",
     "Dashboard flavour: `\"Pi-Star\"` (also `pistar`, `pi star`, `Pi_Star`) or `\"WPSD\"`. Unknown values load as Pi-Star; a value containing `svxlink` also switches `svxlink_enabled` on.",
     0, -1, 0},
    {"pistar_host", "hotspot", "text", "`\"127.0.0.1\"`",
     "Host name or address of the hotspot dashboard, optionally with `:port`. Required.",
     0, -1, 0},
    {"device_callsign", "hotspot", "text", "`\"DESKTOP\"`",
     "Your own callsign, sent in the user agent of every request.",
     0, -1, 0},
    {"refresh_ms", "hotspot", "number", "1500",
     "Poll period of the hotspot dashboard in milliseconds.",
     0, UINT32_MAX_KEY, 0},
    {"callsign_hold_ms", "hotspot", "number", "12000",
     "How long a transmission stays \"live\" after its last record.",
     0, UINT32_MAX_KEY, 0},
    {"api_utc_to_local_time", "hotspot", "bool", "`true`",
     "The dashboard reports UTC times; show them in local time.",
     0, -1, 0},
    {"timezone_tz", "hotspot", "text", "`\"CET-1CEST,M3.5.0/2,M10.5.0/3\"`",
     "POSIX time-zone rule; empty means this default.",
     0, -1, 0},
    {"start_page_after_boot", "hotspot", "text", "`\"mmdvm_live\"`",
     "Page after start: `mmdvm_live`, `mmdvm_last` (also `heard`), `svxlink_live`, `svxlink_last`, `aprs_live`, `weather_live`, `hamqsl_live` (also `solar`), `adsb_live` (also `aircraft`). A page whose source is switched off falls back to `mmdvm_live`.",
     0, -1, 0},
    {"radioid_lookup_enabled", "hotspot", "bool", "`false`",
     "Look up operator names by callsign.",
     0, -1, 0},
    {"radioid_users_api_base", "hotspot", "text", "`\"https://radioid.net/api/users?callsign=\"`",
     "Lookup address, the callsign is appended.",
     0, -1, 0},
    {"target_list_lookup_enabled", "hotspot", "bool", "`false`",
     "Show talkgroup and reflector names from the lists under `sdcard/lookup`.",
     0, -1, 0},
    {"target_list_base_url", "hotspot", "text", "`\"https://www.pistar.uk/digital-radio-lists/\"`",
     "Site the lists are downloaded from (stored exactly as written).",
     0, -1, 0},
    {"target_list_dmr_url", "hotspot", "text", "empty",
     "Explicit list address per mode; empty means derived from the base address.",
     0, -1, 0},
    {"target_list_dstar_url", "hotspot", "text", "empty",
     "Explicit list address per mode; empty means derived from the base address.",
     0, -1, 0},
    {"target_list_ysf_url", "hotspot", "text", "empty",
     "Explicit list address per mode; empty means derived from the base address.",
     0, -1, 0},
    {"target_list_p25_url", "hotspot", "text", "empty",
     "Explicit list address per mode; empty means derived from the base address.",
     0, -1, 0},
    {"target_list_nxdn_url", "hotspot", "text", "empty",
     "Explicit list address per mode; empty means derived from the base address.",
     0, -1, 0},
    // Display
    {"theme_color", "display", "text", "`\"#35C2FF\"`",
     "Base accent colour (`#RRGGBB`, `RRGGBB` or `0xRRGGBB`); all theme colours except `bg` and `text` are derived from it.",
     0, -1, 0},
    {"theme", "display", "object", "\u2014",
     "Individual colours that override the derived ones: `bg`, `panel`, `panel2`, `border`, `text`, `subtext`, `accent`, `good`, `warn`, `bad`, `live`, `rx`, `tx`, `tabIdle`, `tabActive`, each `\"#RRGGBB\"`. The program writes all fifteen when it saves; the values in the example are exactly those derived from `#35C2FF`. To recolour the screen with `theme_color`, remove the `theme` object (or the entries that should follow the base colour).",
     0, -1, 0},
    {"scrolling_text_enabled", "display", "bool", "`true`",
     "Long texts scroll instead of being cut with `~`.",
     0, -1, 0},
    {"brightness", "display", "number", "220",
     "Backlight level 0 to 255.",
     0, 255, 0},
    {"flip_screen", "display", "bool", "`false`",
     "Panel mounted upside down (touches are mirrored; see the rule below).",
     0, -1, 0},
    {"screensaver_enabled", "display", "bool", "`false`",
     "Screensaver after inactivity.",
     0, -1, 0},
    {"wx_screensaver_enabled", "display", "bool", "`false`",
     "Show the weather page as the screensaver. This one key keeps its previous value on a reload when it is missing.",
     0, -1, 0},
    {"screensaver_timeout_ms", "display", "number", "60000",
     "Inactivity before the screensaver, at least 5000.",
     5000, UINT32_MAX_KEY, 0},
    {"screensaver_dim_brightness", "display", "number", "20",
     "Backlight level while the screensaver runs, 0 to 255.",
     0, 255, 0},
    {"display_fullscreen", "display", "bool", "`false`",
     "Fullscreen at the display's own mode instead of an 800 x 480 window (on a console without a desktop the program is always fullscreen).",
     0, -1, 0},
    {"display_rotation", "display", "number", "0",
     "Turns the picture clockwise by 0, 90, 180 or 270 degrees, touches turned to match (a portrait panel lying on its side shows the UI upright). Any other value loads as 0, with a warning in the log.",
     0, 270, 0},
    {"backlight_device", "display", "text", "`\"auto\"`",
     "Backlight that `brightness` and `screensaver_dim_brightness` drive: `\"auto\"` (the first entry of `/sys/class/backlight` whose `brightness` file is writable; none on a desktop), `\"none\"`, or a folder such as `\"/sys/class/backlight/10-0045\"`. Levels 0 to 255 are scaled to the device's `max_brightness` (never 0 unless the level is 0). A folder that is missing or not writable is reported once in the log and brightness then changes nothing.",
     0, -1, 0},
    // Weather
    {"weather_enabled", "weather", "bool", "`false`",
     "Switch the OpenWeatherMap source on.",
     0, -1, 0},
    {"weather_refresh_minutes", "weather", "number", "10",
     "Poll period, 1 to 1440.",
     1, 1440, 0},
    {"weather_lat", "weather", "text", "empty",
     "Location, decimal degrees.",
     0, -1, 0},
    {"weather_lon", "weather", "text", "empty",
     "Location, decimal degrees.",
     0, -1, 0},
    {"weather_api_key", "weather", "text", "empty",
     "OpenWeatherMap API key.",
     0, -1, CONFIG_DOC_SECRET},
    {"weather_api_base_url", "weather", "text", "`\"https://api.openweathermap.org\"`",
     "OpenWeatherMap API origin (scheme and host, optionally a port and a path prefix, for a proxy); `/data/2.5/weather` and `/data/2.5/forecast` are appended. Empty means this default.",
     0, -1, 0},
    // APRS
    {"aprs_enabled", "aprs", "bool", "`false`",
     "Switch APRS on (needs `aprs_api_key`).",
     0, -1, 0},
    {"aprs_api_key", "aprs", "text", "empty",
     "API key of the APRS position service.",
     0, -1, CONFIG_DOC_SECRET},
    {"aprs_refresh_minutes", "aprs", "number", "30",
     "Poll period, 10 to 1440.",
     10, 1440, 0},
    {"aprs_range_km", "aprs", "number", "50",
     "Search radius, 1 to 999.",
     1, 999, 0},
    {"aprs_center_lat", "aprs", "text", "empty",
     "Centre of the area, decimal degrees.",
     0, -1, 0},
    {"aprs_center_lon", "aprs", "text", "empty",
     "Centre of the area, decimal degrees.",
     0, -1, 0},
    {"aprs_api_base_url", "aprs", "text", "`\"https://api.aprs.fi\"`",
     "APRS position API origin (scheme and host, optionally a port and a path prefix, for a proxy); `/api/get` and the query (`name`, `what=loc`, `apikey`, `format=json`) are appended. Empty means this default.",
     0, -1, 0},
    // ADS-B
    {"adsb_enabled", "adsb", "bool", "`false`",
     "Switch the dump1090 ADS-B source on (needs `adsb_host`).",
     0, -1, 0},
    {"adsb_host", "adsb", "text", "empty",
     "Host (and port) of the dump1090 receiver.",
     0, -1, 0},
    {"adsb_path", "adsb", "text", "`\"/dump1090-fa/data/aircraft.json\"`",
     "Path of its aircraft list; a missing leading `/` is added.",
     0, -1, 0},
    {"adsb_refresh_seconds", "adsb", "number", "10",
     "Poll period, 5 to 600.",
     5, 600, 0},
    {"adsb_range_km", "adsb", "number", "150",
     "Radius, 1 to 999.",
     1, 999, 0},
    {"adsb_center_lat", "adsb", "text", "empty",
     "Centre of the area.",
     0, -1, 0},
    {"adsb_center_lon", "adsb", "text", "empty",
     "Centre of the area.",
     0, -1, 0},
    // HAMQSL
    {"hamqsl_enabled", "hamqsl", "bool", "`false`",
     "Switch HamQSL solar and band data on.",
     0, -1, 0},
    {"hamqsl_refresh_minutes", "hamqsl", "number", "60",
     "Poll period, 60 to 1440.",
     60, 1440, 0},
    {"hamqsl_url", "hamqsl", "text", "`\"https://www.hamqsl.com/solarxml.php\"`",
     "Solar XML address; empty means this default.",
     0, -1, 0},
    // Alerts
    {"katwarn_enabled", "alerts", "bool", "`false`",
     "German NINA/KATWARN warnings (needs `katwarn_location_id`).",
     0, -1, 0},
    {"katwarn_location_id", "alerts", "text", "empty",
     "NINA area key (12-digit regional key).",
     0, -1, 0},
    {"nina_dashboard_base_url", "alerts", "text", "`\"https://warnung.bund.de/api31/dashboard/\"`",
     "NINA dashboard address.",
     0, -1, 0},
    {"meteoalarm_enabled", "alerts", "bool", "`false`",
     "European MeteoAlarm warnings.",
     0, -1, 0},
    {"meteoalarm_feed", "alerts", "text", "`\"germany\"`",
     "Atom feed name (country name in lower case).",
     0, -1, 0},
    {"meteoalarm_atom_base_url", "alerts", "text", "`\"https://feeds.meteoalarm.org/feeds/meteoalarm-legacy-atom-\"`",
     "Atom feed address, the feed name is appended.",
     0, -1, 0},
    {"meteoalarm_mode", "alerts", "text", "`\"edr\"`",
     "`\"edr\"` (locations API) or `\"atom\"` (legacy feed); anything else means `edr`.",
     0, -1, 0},
    {"meteoalarm_country_code", "alerts", "text", "`\"DE\"`",
     "Two-letter country code (upper-cased on load).",
     0, -1, 0},
    {"meteoalarm_edr_base_url", "alerts", "text", "`\"https://api.meteoalarm.org/edr/v1/collections/warnings/locations/\"`",
     "EDR locations address.",
     0, -1, 0},
    {"meteoalarm_edr_query", "alerts", "text", "`\"language=de\"`",
     "Extra query for the EDR request.",
     0, -1, 0},
    {"meteoalarm_api_token", "alerts", "text", "empty",
     "EDR access token.",
     0, -1, CONFIG_DOC_SECRET},
    {"meteoalarm_filter_by_coordinates", "alerts", "bool", "`true`",
     "Keep only EDR warnings whose area box holds the weather coordinates (or, when those are not set, the APRS centre, then the ADS-B centre).",
     0, -1, 0},
    {"noaa_enabled", "alerts", "bool", "`false`",
     "US NOAA warnings (needs `noaa_zone`).",
     0, -1, 0},
    {"noaa_zone", "alerts", "text", "empty",
     "NOAA zone code such as `TXZ211`.",
     0, -1, 0},
    {"noaa_alerts_base_url", "alerts", "text", "`\"https://api.weather.gov/alerts/active?zone=\"`",
     "NOAA address, the zone is appended.",
     0, -1, 0},
    {"alert_refresh_minutes", "alerts", "number", "60",
     "Poll period of all alert sources, 60 to 1440.",
     60, 1440, 0},
    // SvxLink
    {"svxlink_enabled", "svxlink", "bool", "`false`",
     "Switch the SvxLink source on.",
     0, -1, 0},
    {"svxlink_source", "svxlink", "text", "`\"url\"`",
     "`\"url\"` (dashboard HTML; also `html`, `dashboard`) or `\"api\"` (JSON bridge; also `json`).",
     0, -1, 0},
    {"svxlink_host", "svxlink", "text", "`\"127.0.0.1\"`",
     "Host of the SvxLink dashboard, or a full `http(s)://` URL. A URL with its own path is used as written.",
     0, -1, 0},
    {"svxlink_api_path", "svxlink", "text", "`\"/index.php\"`",
     "Path on that host; with the `api` source `/index.php` becomes `/api/display-json.php`.",
     0, -1, 0},
    // Remote actions
    {"touch_mode_ssh_enabled", "actions", "bool", "`false`",
     "Allow mode toggles and quick actions on the hotspot.",
     0, -1, 0},
    {"pistar_ssh_user", "actions", "text", "`\"pi-star\"`",
     "Hotspot shell user; empty means this default.",
     0, -1, 0},
    {"pistar_ssh_pass", "actions", "text", "empty",
     "Hotspot shell password.",
     0, -1, CONFIG_DOC_SECRET},
    {"pistar_ssh_port", "actions", "number", "22",
     "Hotspot shell port (0 means 22).",
     1, 65535, 0},
    {"svxlink_ssh_enabled", "actions", "bool", "`false`",
     "Allow the SvxLink actions.",
     0, -1, 0},
    {"svxlink_ssh_user", "actions", "text", "`\"svxlink\"`",
     "SvxLink host shell user; empty means this default.",
     0, -1, 0},
    {"svxlink_ssh_pass", "actions", "text", "empty",
     "SvxLink host shell password.",
     0, -1, CONFIG_DOC_SECRET},
    {"svxlink_ssh_port", "actions", "number", "22",
     "SvxLink host shell port (0 means 22).",
     1, 65535, 0},
    {"quick_actions", "actions", "array", "labels `DMR TG91`, `DMR TG263`, `REF001C`, `Disconnect`",
     "Up to four hotspot presets `{\"enabled\", \"use_sudo\", \"label\", \"command\"}`; further elements are ignored and a missing element or field keeps its default. A slot whose label or command is empty is disabled. The commands in the example are placeholders for your own scripts.",
     0, -1, 0},
    {"svxlink_actions", "actions", "array", "labels `DTMF 1`, `DTMF 2`, `DTMF 3`, `Disconnect`",
     "Up to four SvxLink presets, same form.",
     0, -1, 0},
    // Call watch
    {"hotspot_background_poll", "watch", "bool", "`true`",
     "While another source is shown (or the screensaver runs over it), poll the hotspot's last-heard list every `refresh_ms`, at least every 3 s. The status page is polled only while the hotspot is shown. Without a hotspot dashboard nothing is polled.",
     0, -1, 0},
    {"on_air_banner", "watch", "bool", "`true`",
     "Show the on-air banner (flag, callsign, name, mode, target) over other sources' pages while a transmission is live; it leaves after `callsign_hold_ms`.",
     0, -1, 0},
    {"wake_on_activity", "watch", "bool", "`true`",
     "A new transmission ends the screensaver as a touch does; it starts again after `screensaver_timeout_ms`. `false`: only touches (and watch-list matches) wake the screen.",
     0, -1, 0},
    {"wake_shows_live", "watch", "bool", "`false`",
     "Such a wake also shows the LIVE page of the source that transmits.",
     0, -1, 0},
    {"watch_list", "watch", "array of text", "empty",
     "Up to 16 entries (24 characters each, case and blanks do not matter): a callsign (`\"W1AW\"`, also heard as `W1AW/P`), a prefix with a trailing `*` (`\"DL*\"`), a talkgroup or reflector (`\"TG 91\"`, `\"REF001C\"`, matched against the transmission's target), an APRS call with its SSID (`\"DB0ABC-10\"`), or an aircraft's flight number or ICAO address (`\"DLH4AB\"`, `\"3C6444\"`). A match on the hotspot, the SvxLink node, an APRS station in range or an aircraft in range shows a toast over any page (tap it to close; an open weather alert stays on top) and wakes the screen.",
     0, -1, 0},
    {"watch_list_repeat_minutes", "watch", "number", "60",
     "An entry alerts at most once in this many minutes for the same station (1..1440).",
     1, 1440, 0},
    {"watch_sound", "watch", "bool", "`false`",
     "Play a short generated tone on a match (no sound files; without an audio device the tone is left out and the log says so once).",
     0, -1, 0},
    // Wi-Fi profiles
    {"wifi_ssid", "wifi", "text", "`\"DESKTOP\"`",
     "First Wi-Fi network. Placeholders such as `your_wifi`, `wifi_ssid` or `ssid` count as not set, and then the configuration is incomplete.",
     0, -1, 0},
    {"wifi_pass", "wifi", "text", "empty",
     "Its password.",
     0, -1, CONFIG_DOC_SECRET},
    {"wifi_retries_per_profile", "wifi", "number", "0",
     "Extra connection attempts per network, 0 to 10.",
     0, 10, 0},
    {"wifi_profiles", "wifi", "array", "\u2014",
     "Up to five networks `{\"ssid\": ..., \"password\": ...}`, tried in order after `wifi_ssid`. The desktop edition simulates the Wi-Fi link, so these only matter for the board edition.",
     0, -1, 0},
    // Settings page
    {"web_ui_enabled", "web", "bool", "`false`",
     "Start the settings page in the browser.",
     0, -1, 0},
    {"web_ui_bind", "web", "text", "`\"127.0.0.1\"`",
     "Address the page listens on; `\"0.0.0.0\"` makes it reachable from the network. Empty means this default.",
     0, -1, 0},
    {"web_ui_port", "web", "number", "8080",
     "TCP port of the page, 1 to 65535; 0 means 8080.",
     1, 65535, 0},
    {"web_ui_password", "web", "text", "empty",
     "Password of the page, kept only as a salted hash. A plain password typed in here is replaced by its hash at the next start. When it is empty the INFO page shows a one-time code that lets the first browser set it.",
     0, -1, CONFIG_DOC_SECRET},
    // Day and night
    {"night_mode", "night", "text", "`\"off\"`",
     "`off`: never night. `schedule`: night from `night_start` to `night_end` in the zone of `timezone_tz`. `sun`: night from civil dusk to civil dawn (the sun 6 degrees below the horizon) at the station's position, computed on the device: the weather position (`weather_lat`, `weather_lon`), else the APRS centre, else the ADS-B centre. Without any position `sun` works as `schedule` and says so once in the device log. Where the sun stays up (polar day) there is no night; where it stays below the twilight limit it is night all day. Unknown values mean `off`.",
     0, -1, 0},
    {"night_start", "night", "text", "`\"22:00\"`",
     "Local time `HH:MM` (or `H:MM`) when the night of the schedule begins. A window whose end is earlier than its start runs across midnight; equal times make no night. A time that does not read as `HH:MM` takes its default.",
     0, -1, 0},
    {"night_end", "night", "text", "`\"07:00\"`",
     "Local time `HH:MM` when the night of the schedule ends.",
     0, -1, 0},
    {"night_brightness", "night", "number", "10",
     "Backlight level of the screensaver at night, 0 to 255; 0 turns the backlight off.",
     0, 255, 0},
    {"night_screensaver_only", "night", "bool", "`true`",
     "At night the screensaver starts 15 s after the last touch instead of after `screensaver_timeout_ms`.",
     0, -1, 0},
};
// clang-format on
const int CONFIG_DOC_ROW_COUNT = (int)(sizeof(CONFIG_DOC_ROWS) / sizeof(CONFIG_DOC_ROWS[0]));

const ConfigDocRow* configDocRow(const std::string& key) {
  for (int i = 0; i < CONFIG_DOC_ROW_COUNT; ++i) {
    if (key == CONFIG_DOC_ROWS[i].key) return &CONFIG_DOC_ROWS[i];
  }
  return nullptr;
}

const ConfigDocGroup* configDocGroup(const std::string& id) {
  for (int i = 0; i < CONFIG_DOC_GROUP_COUNT; ++i) {
    if (id == CONFIG_DOC_GROUPS[i].id) return &CONFIG_DOC_GROUPS[i];
  }
  return nullptr;
}

bool configKeyIsSecret(const std::string& key) {
  const ConfigDocRow* row = configDocRow(key);
  return row != nullptr && (row->flags & CONFIG_DOC_SECRET) != 0;
}

namespace {

bool sameCell(const ConfigDocRow& a, const ConfigDocRow& b) {
  return std::string(a.type) == b.type && std::string(a.defaultText) == b.defaultText &&
         std::string(a.meaning) == b.meaning;
}

void appendGroupTable(const ConfigDocGroup& group, std::string& out) {
  out += "\n### ";
  out += group.title;
  out += "\n\n| Key | Type | Default | Meaning |\n|---|---|---|---|\n";
  for (int i = 0; i < CONFIG_DOC_ROW_COUNT;) {
    const ConfigDocRow& row = CONFIG_DOC_ROWS[i];
    if (std::string(row.group) != group.id) {
      ++i;
      continue;
    }
    std::string keys = std::string("`") + row.key + "`";
    int next = i + 1;
    while (next < CONFIG_DOC_ROW_COUNT && std::string(CONFIG_DOC_ROWS[next].group) == group.id &&
           sameCell(row, CONFIG_DOC_ROWS[next])) {
      keys += std::string(", `") + CONFIG_DOC_ROWS[next].key + "`";
      ++next;
    }
    out += "| " + keys + " | " + row.type + " | " + row.defaultText + " | " + row.meaning + " |\n";
    i = next;
  }
  if (group.note != nullptr) {
    out += "\n";
    out += group.note;
    out += "\n";
  }
}

}  // namespace

std::string configDocsReadmeSection() {
  std::string out =
      "## Keys\n\n"
      "This section is generated from the program's key table (`build/config_docs --readme`); the settings "
      "page in the browser shows the same texts, in the same groups.\n";
  for (int g = 0; g < CONFIG_DOC_GROUP_COUNT; ++g) appendGroupTable(CONFIG_DOC_GROUPS[g], out);
  return out;
}
