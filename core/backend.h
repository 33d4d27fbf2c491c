// Backend and feature selection: canonical values of the free-text settings,
// feature tests of the watch sources, the start page and the dashboard URLs.
#pragma once

#include "host/wstring.h"

// "WPSD", "Pi-Star" or empty for anything else.
String canonicalBackendValue(const String &raw);
// True when the text names a known backend.
bool isValidBackendValue(const String &raw);
// "wpsd" when the configured backend is WPSD, else "pistar".
String normalizedBackend();

// "api", "url" or empty for anything else.
String canonicalSvxlinkSourceValue(const String &raw);
// The configured SvxLink source, "url" when it has no canonical value.
String normalizedSvxlinkSource();
// True when the SvxLink source is the JSON bridge.
bool isSvxlinkApiBackend();
// True when the SvxLink source is the dashboard page.
bool isSvxlinkUrlBackend();

// One of the start pages of the watch-source rows ("mmdvm_live" for
// anything unknown).
String canonicalStartPageAfterBootValue(const String &raw);
// Whether a canonical start page can be shown; with requireRuntimeReady the
// source must be fully configured, otherwise its enable flag is enough.
bool startPageAfterBootChoiceAvailable(const String &value, bool requireRuntimeReady);
// The configured start page, or "mmdvm_live" when it is not available.
String normalizedStartPageAfterBoot(bool requireRuntimeReady);
// True when any watch source is switched on.
bool startPageAfterBootOptionsAvailable();
// Display label of a start page ("MMDVM LIVE", "APRS WATCH", ...).
String startPageAfterBootLabel(const String &value);

// Feature tests of the watch sources.
bool svxlinkFeatureEnabled();
bool aprsFeatureEnabled();
bool weatherFeatureEnabled();
bool hamqslFeatureEnabled();
bool adsbFeatureEnabled();
bool alertFeatureEnabled();
// True when weather is switched on and latitude, longitude and API key are set.
bool weatherConfigured();
// True when solar data is switched on and its URL is set.
bool hamqslConfigured();

// Trimmed SvxLink host while SvxLink is watched, else the trimmed hotspot host.
String activeBackendHost();
// The active host without scheme prefix and trailing slashes.
String displayBackendHost();

// Last-heard URL of the configured dashboard flavour.
String heardUrl();
// Dashboard status page URL.
String dashboardStatusUrl();
// Page that carries the frequencies (WPSD: radioinfo, else the status page).
String dashboardFreqUrl();

// True when the trimmed text begins with "http://" or "https://" (any case).
bool isAbsoluteHttpUrl(const String &text);
// Trimmed url with trailing "/" removed while it is longer than 8 characters.
String stripTrailingSlash(const String &url);
// Default SvxLink path of the configured source.
String defaultSvxlinkPathForBackend();
// SvxLink path normalised for the configured source.
String normalizedSvxlinkPathForBackend(const String &raw);
// URL the SvxLink watch source fetches; empty without a host.
String svxlinkApiUrl();

// Switches watch source and page once after start-up.
void applyStartPageAfterBoot();
