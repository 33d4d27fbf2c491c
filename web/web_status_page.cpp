// The status page (every source and the program), the log page and the
// panel's frame as PNG.
#include <stdio.h>
#include <string.h>

#include "actions/remote_actions.h"
#include "core/backend.h"
#include "core/config.h"
#include "core/config_docs.h"
#include "core/config_edit.h"
#include "core/device_log.h"
#include "core/fetch_status.h"
#include "core/view.h"
#include "host/display.h"
#include "host/png_encoder.h"
#include "host/storage.h"
#include "host/trace_log.h"
#include "host/version.h"
#include "watch/adsb/adsb.h"
#include "watch/alerts/alerts.h"
#include "watch/aprs/aprs.h"
#include "watch/hamqsl/hamqsl.h"
#include "watch/svxlink/svxlink.h"
#include "watch/weather/weather.h"
#include "web/web_pages.h"

namespace {

// One line of the source table.
struct SourceLine {
  const char* name;
  const char* settingsGroup;  // anchor of its settings section
  bool enabled;
  bool configured;
  uint32_t lastGoodMillis;  // 0 = never
  int lastCode;             // 0 = none yet
  std::string status;
};

std::string yesNo(bool v, const char* yes, const char* no) {
  return std::string("<span class=") + (v ? "on>" : "off>") + (v ? yes : no) + "</span>";
}

SourceLine fromFetchStatus(const char* name, const char* group, bool enabled, bool configured,
                           const WatchFetchStatus& s) {
  std::string status = s.error.length() > 0 ? s.error.str() : watchFetchLastUpdatedText(s).str();
  return SourceLine{name, group, enabled, configured, s.lastSuccessMillis, s.lastHttpCode, status};
}

bool textSet(const String& s) { return trimmedCopy(s).length() > 0; }

std::string remoteActionStatus() {
  if (modeToggleTaskRunning.load() || quickActionTaskRunning.load()) return "running";
  std::string line = quickActionTaskReport.logLine.length() > 0 ? quickActionTaskReport.logLine.str()
                                                                 : modeToggleTaskReport.logLine.str();
  return line.empty() ? std::string("no action run yet") : line;
}

std::vector<SourceLine> sourceLines() {
  std::vector<SourceLine> lines;
  std::string hotspot = std::to_string(diagnosticsState.fetchOk) + " good, " +
                        std::to_string(diagnosticsState.fetchFail) + " failed";
  lines.push_back({"Hotspot", "hotspot", true, textSet(cfg.pistarHost), diagnosticsState.lastFetchSuccessMillis,
                   (int)diagnosticsState.lastApiStatusCode, hotspot});
  lines.push_back({"SvxLink", "svxlink", svxlinkFeatureEnabled(), textSet(cfg.svxlinkHost), 0, 0,
                   std::to_string(svxlinkPollCount) + " polls; reflector: " +
                       (svxlinkReflectorStatus.length() ? svxlinkReflectorStatus.str() : std::string("-"))});
  lines.push_back(fromFetchStatus("APRS", "aprs", cfg.aprsEnabled, textSet(cfg.aprsApiKey), aprsState));
  lines.push_back(fromFetchStatus("ADS-B", "adsb", cfg.adsbEnabled, textSet(cfg.adsbHost), adsbState));
  lines.push_back(fromFetchStatus("Weather", "weather", cfg.weatherEnabled, weatherConfigured(), weatherState));
  lines.push_back(fromFetchStatus("HamQSL", "hamqsl", cfg.hamqslEnabled, hamqslConfigured(), hamqslState));
  lines.push_back(fromFetchStatus("Alerts", "alerts", alertFeatureEnabled(), alertFeatureEnabled(), alertToastState));
  bool ssh = cfg.touchModeSshEnabled || cfg.svxlinkSshEnabled;
  lines.push_back({"SSH actions", "actions", ssh, textSet(cfg.pistarSshPass) || textSet(cfg.svxlinkSshPass), 0, 0,
                   remoteActionStatus()});
  return lines;
}

std::string memoryText() {
  FILE* f = fopen("/proc/self/status", "r");
  if (f == nullptr) return "-";
  char line[256];
  std::string rss = "-";
  while (fgets(line, sizeof(line), f) != nullptr) {
    if (strncmp(line, "VmRSS:", 6) == 0) {
      rss = trimmedCopy(String(line + 6)).str();
      break;
    }
  }
  fclose(f);
  return rss + " resident";
}

std::string row(const std::string& label, const std::string& value) {
  return "<tr><th>" + htmlEscape(label) + "</th><td>" + htmlEscape(value) + "</td></tr>";
}

}  // namespace

void webStatusPage(const WebSession& session, WebResponse& res) {
  std::string body = "<h1>Status</h1><table><tr><th>Source</th><th>Enabled</th><th>Configured</th>"
                     "<th>Last good answer</th><th>HTTP</th><th>Status</th></tr>";
  for (const SourceLine& s : sourceLines()) {
    body += std::string("<tr><td><a href=\"/settings#") + s.settingsGroup + "\">" + s.name + "</a></td><td>" +
            yesNo(s.enabled, "on", "off") + "</td><td>" + yesNo(s.configured, "yes", "no") + "</td><td>" +
            htmlEscape(s.lastGoodMillis ? formatMillisAgoBrief(s.lastGoodMillis).str() : std::string("never")) +
            "</td><td>" + (s.lastCode ? std::to_string(s.lastCode) : std::string("-")) + "</td><td>" +
            htmlEscape(webRedactSecrets(s.status)) + "</td></tr>";
  }
  body += "</table><h2>Program</h2><table>";
  body += row("Version", qsodeckVersion());
  body += row("Uptime", formatUptimeBrief().str());
  body += row("Callsign", getDeviceCallsign().str());
  body += row("Refresh", std::to_string(cfg.refreshMs) + " ms");
  body += row("Storage folder", SD.mapPath("/").str() + " (" + activeStorageLabel.str() + ")");
  body += row("Memory", memoryText());
  body += "</table><h2>Panel</h2><p><img class=screen src=/screen.png alt=\"The panel now\" width=800 "
          "height=480></p>";
  webSendHtml(res, 200, webPageShell("Status", &session, body));
}

void webLogPage(const WebSession& session, WebResponse& res) {
  std::string body = "<h1>Log</h1><h2>Device log</h2><table><tr><th>Age</th><th>Level</th><th>Tag</th>"
                     "<th>Message</th></tr>";
  for (int i = (int)webLogCount - 1; i >= 0; --i) {
    const WebLogEntry* e = webLogEntryAt((uint8_t)i);
    if (e == nullptr) continue;
    body += "<tr><td>" + htmlEscape(formatLogAgeBrief(e->ms).str()) + "</td><td>" + htmlEscape(e->level.str()) +
            "</td><td>" + htmlEscape(e->tag.str()) + "</td><td>" + htmlEscape(webRedactSecrets(e->message.str())) +
            "</td></tr>";
  }
  body += "</table><h2>Trace, newest first</h2><pre>";
  for (const std::string& line : desktopRecentTraceLines()) body += htmlEscape(webRedactSecrets(line)) + "\n";
  body += "</pre>";
  webSendHtml(res, 200, webPageShell("Log", &session, body));
}

void webScreenPng(WebResponse& res) {
  std::vector<uint8_t> rgb;
  std::string png;
  if (!tft.readFrameRgb(rgb) || !encodePngRgb(rgb, SCREEN_W, SCREEN_H, png)) {
    res.status = 503;
    res.contentType = "text/plain; charset=utf-8";
    res.body = "The panel's frame cannot be read right now.\n";
    return;
  }
  res.contentType = "image/png";
  res.body = std::move(png);
}

std::string webRedactSecrets(const std::string& text) {
  static const std::vector<std::string> secretPaths = [] {
    std::vector<std::string> paths;
    for (const std::string& path : configEditablePaths()) {
      if (configKeyIsSecret(path) || path.find(".password") != std::string::npos) paths.push_back(path);
    }
    return paths;
  }();
  std::string out = text;
  for (const std::string& path : secretPaths) {
    std::string value;
    if (!configValueText(path, value) || value.size() < 3) continue;  // a very short value would mask too much
    for (size_t at = out.find(value); at != std::string::npos; at = out.find(value, at + 3)) {
      out.replace(at, value.size(), "***");
    }
  }
  return out;
}
