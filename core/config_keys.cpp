// The plain configuration keys in file order.
#include "core/config_keys.h"

namespace {

constexpr ConfigKeyRow textKey(const char *key, String AppConfig::*field) {
  return {key, CONFIG_KEY_STRING, field, nullptr, nullptr, nullptr, nullptr};
}
constexpr ConfigKeyRow flagKey(const char *key, bool AppConfig::*field) {
  return {key, CONFIG_KEY_BOOL, nullptr, field, nullptr, nullptr, nullptr};
}
constexpr ConfigKeyRow u8Key(const char *key, uint8_t AppConfig::*field) {
  return {key, CONFIG_KEY_U8, nullptr, nullptr, field, nullptr, nullptr};
}
constexpr ConfigKeyRow u16Key(const char *key, uint16_t AppConfig::*field) {
  return {key, CONFIG_KEY_U16, nullptr, nullptr, nullptr, field, nullptr};
}
constexpr ConfigKeyRow u32Key(const char *key, uint32_t AppConfig::*field) {
  return {key, CONFIG_KEY_U32, nullptr, nullptr, nullptr, nullptr, field};
}

}  // namespace

const ConfigKeyRow CONFIG_KEY_ROWS[] = {
    textKey("pistar_host", &AppConfig::pistarHost),
    flagKey("svxlink_enabled", &AppConfig::svxlinkEnabled),
    textKey("svxlink_source", &AppConfig::svxlinkSource),
    textKey("svxlink_host", &AppConfig::svxlinkHost),
    textKey("svxlink_api_path", &AppConfig::svxlinkApiPath),
    flagKey("aprs_enabled", &AppConfig::aprsEnabled),
    textKey("aprs_api_key", &AppConfig::aprsApiKey),
    u16Key("aprs_refresh_minutes", &AppConfig::aprsRefreshMinutes),
    u16Key("aprs_range_km", &AppConfig::aprsRangeKm),
    textKey("aprs_center_lat", &AppConfig::aprsCenterLat),
    textKey("aprs_center_lon", &AppConfig::aprsCenterLon),
    textKey("aprs_api_base_url", &AppConfig::aprsApiBaseUrl),
    textKey("start_page_after_boot", &AppConfig::startPageAfterBoot),
    textKey("device_callsign", &AppConfig::deviceCallsign),
    textKey("theme_color", &AppConfig::themeColor),
    u32Key("refresh_ms", &AppConfig::refreshMs),
    u32Key("callsign_hold_ms", &AppConfig::callsignHoldMs),
    flagKey("scrolling_text_enabled", &AppConfig::scrollingTextEnabled),
    flagKey("api_utc_to_local_time", &AppConfig::apiUtcToLocalTime),
    textKey("timezone_tz", &AppConfig::timezoneTz),
    u8Key("brightness", &AppConfig::brightness),
    flagKey("flip_screen", &AppConfig::flipScreen),
    flagKey("screensaver_enabled", &AppConfig::screensaverEnabled),
    flagKey("wx_screensaver_enabled", &AppConfig::wxscreensaverEnabled),
    u32Key("screensaver_timeout_ms", &AppConfig::screensaverTimeoutMs),
    u8Key("screensaver_dim_brightness", &AppConfig::screensaverDimBrightness),
    flagKey("weather_enabled", &AppConfig::weatherEnabled),
    u16Key("weather_refresh_minutes", &AppConfig::weatherRefreshMinutes),
    textKey("weather_lat", &AppConfig::weatherLat),
    textKey("weather_lon", &AppConfig::weatherLon),
    textKey("weather_api_key", &AppConfig::weatherApiKey),
    textKey("weather_api_base_url", &AppConfig::weatherApiBaseUrl),
    flagKey("hamqsl_enabled", &AppConfig::hamqslEnabled),
    u16Key("hamqsl_refresh_minutes", &AppConfig::hamqslRefreshMinutes),
    textKey("hamqsl_url", &AppConfig::hamqslUrl),
    flagKey("adsb_enabled", &AppConfig::adsbEnabled),
    textKey("adsb_host", &AppConfig::adsbHost),
    textKey("adsb_path", &AppConfig::adsbPath),
    u16Key("adsb_refresh_seconds", &AppConfig::adsbRefreshSeconds),
    u16Key("adsb_range_km", &AppConfig::adsbRangeKm),
    textKey("adsb_center_lat", &AppConfig::adsbCenterLat),
    textKey("adsb_center_lon", &AppConfig::adsbCenterLon),
    flagKey("katwarn_enabled", &AppConfig::katwarnEnabled),
    textKey("katwarn_location_id", &AppConfig::katwarnLocationId),
    textKey("nina_dashboard_base_url", &AppConfig::ninaDashboardBaseUrl),
    flagKey("meteoalarm_enabled", &AppConfig::meteoalarmEnabled),
    textKey("meteoalarm_feed", &AppConfig::meteoalarmFeed),
    textKey("meteoalarm_atom_base_url", &AppConfig::meteoalarmAtomBaseUrl),
    textKey("meteoalarm_mode", &AppConfig::meteoalarmMode),
    textKey("meteoalarm_country_code", &AppConfig::meteoalarmCountryCode),
    textKey("meteoalarm_edr_base_url", &AppConfig::meteoalarmEdrBaseUrl),
    textKey("meteoalarm_edr_query", &AppConfig::meteoalarmEdrQuery),
    textKey("meteoalarm_api_token", &AppConfig::meteoalarmApiToken),
    flagKey("meteoalarm_filter_by_coordinates", &AppConfig::meteoalarmFilterByCoordinates),
    flagKey("noaa_enabled", &AppConfig::noaaEnabled),
    textKey("noaa_zone", &AppConfig::noaaZone),
    textKey("noaa_alerts_base_url", &AppConfig::noaaAlertsBaseUrl),
    u16Key("alert_refresh_minutes", &AppConfig::alertRefreshMinutes),
    flagKey("radioid_lookup_enabled", &AppConfig::radioIdLookupEnabled),
    textKey("radioid_users_api_base", &AppConfig::radioIdUsersApiBase),
    flagKey("target_list_lookup_enabled", &AppConfig::targetListLookupEnabled),
    textKey("target_list_base_url", &AppConfig::targetListBaseUrl),
    textKey("target_list_dmr_url", &AppConfig::targetListDmrUrl),
    textKey("target_list_dstar_url", &AppConfig::targetListDstarUrl),
    textKey("target_list_ysf_url", &AppConfig::targetListYsfUrl),
    textKey("target_list_p25_url", &AppConfig::targetListP25Url),
    textKey("target_list_nxdn_url", &AppConfig::targetListNxdnUrl),
    flagKey("touch_mode_ssh_enabled", &AppConfig::touchModeSshEnabled),
    textKey("pistar_ssh_user", &AppConfig::pistarSshUser),
    textKey("pistar_ssh_pass", &AppConfig::pistarSshPass),
    u16Key("pistar_ssh_port", &AppConfig::pistarSshPort),
    flagKey("svxlink_ssh_enabled", &AppConfig::svxlinkSshEnabled),
    textKey("svxlink_ssh_user", &AppConfig::svxlinkSshUser),
    textKey("svxlink_ssh_pass", &AppConfig::svxlinkSshPass),
    u16Key("svxlink_ssh_port", &AppConfig::svxlinkSshPort),
    flagKey("hotspot_background_poll", &AppConfig::hotspotBackgroundPoll),
    flagKey("on_air_banner", &AppConfig::onAirBanner),
    flagKey("wake_on_activity", &AppConfig::wakeOnActivity),
    flagKey("wake_shows_live", &AppConfig::wakeShowsLive),
    u16Key("watch_list_repeat_minutes", &AppConfig::watchListRepeatMinutes),
    flagKey("watch_sound", &AppConfig::watchSound),
    flagKey("web_ui_enabled", &AppConfig::webUiEnabled),
    textKey("web_ui_bind", &AppConfig::webUiBind),
    u16Key("web_ui_port", &AppConfig::webUiPort),
    textKey("web_ui_password", &AppConfig::webUiPassword),
    flagKey("display_fullscreen", &AppConfig::displayFullscreen),
    u16Key("display_rotation", &AppConfig::displayRotation),
    textKey("backlight_device", &AppConfig::backlightDevice),
    textKey("night_mode", &AppConfig::nightMode),
    textKey("night_start", &AppConfig::nightStart),
    textKey("night_end", &AppConfig::nightEnd),
    u8Key("night_brightness", &AppConfig::nightBrightness),
    flagKey("night_screensaver_only", &AppConfig::nightScreensaverOnly),
};

const int CONFIG_KEY_ROW_COUNT = (int)(sizeof(CONFIG_KEY_ROWS) / sizeof(CONFIG_KEY_ROWS[0]));
