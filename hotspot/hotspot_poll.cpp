// The hotspot poll: the alternation of the dashboard status page and the
// last-heard list, each fetched, parsed and reported.
#include "hotspot/hotspot_poll.h"

#include "core/app.h"
#include "core/backend.h"
#include "core/device_log.h"
#include "core/view.h"
#include "host/runtime.h"
#include "hotspot/dashboard_status.h"
#include "hotspot/heard.h"
#include "hotspot/http_fetch.h"
#include "hotspot/last_heard_parser.h"
#include "network/wifi.h"

bool pollHotspotDashboard() {
  bool hotspotOk = nextFetchHeard ? fetchLastHeard() : fetchModeStatus();
  if (hotspotOk) saveActiveHeardCache();
  nextFetchHeard = !nextFetchHeard;
  return hotspotOk;
}

namespace {

// Shared first step of both hotspot fetches: without the station link the
// fetch is counted as failed at once.
bool stationLinkMissing() {
  if (wifiStationConnected()) return false;
  wifiOk = false;
  setFooterText("Wi-Fi disconnected", true);
  requestRedraw();
  noteApiFetchResult(false, HTTP_FETCH_NOT_STARTED, 0);
  return true;
}

// One status-page fetch and scrape; ok accumulates over the pages.
void fetchAndParseDashboardPage(const String& url, String& payload, int& code, bool& ok) {
  if (httpGetString(url, payload, code, "", "")) {
    bool parsed = parseDashboardStatusHtml(payload);
    ok = parsed || ok;
  }
}

}  // namespace

bool fetchLastHeard() {
  if (stationLinkMissing()) return false;
  uint32_t startedAt = millis();
  String url = heardUrl();
  if (url.isEmpty()) {
    setFooterText("Backend host missing", true);
    requestRedraw();
    noteApiFetchResult(false, HTTP_FETCH_NOT_STARTED, millis() - startedAt);
    return false;
  }
  String payload;
  int code = 0;
  if (httpGetString(url, payload, code, "application/json", "")) {
    bool ok = parseHeardArray(payload);
    noteApiFetchResult(ok, code, millis() - startedAt);
    return ok;
  }
  if (code == HTTP_FETCH_NOT_STARTED) {
    setFooterText("HTTP begin failed", true);
  } else if (code == HTTP_FETCH_NETWORK_BUSY) {
    setFooterText("Network busy", true);
  } else {
    setFooterText("HTTP error: " + String(code), true);
  }
  requestRedraw();
  noteApiFetchResult(false, code, millis() - startedAt);
  return false;
}

bool fetchModeStatus() {
  if (stationLinkMissing()) return false;
  uint32_t startedAt = millis();
  bool ok = false;
  int code = 0;
  String payload;
  String statusUrl = dashboardStatusUrl();
  fetchAndParseDashboardPage(statusUrl, payload, code, ok);

  String freqUrl = dashboardFreqUrl();
  if (freqUrl != statusUrl) {
    payload = "";
    code = 0;
    fetchAndParseDashboardPage(freqUrl, payload, code, ok);
  }

  if (!ok) {
    if (code == HTTP_FETCH_NOT_STARTED) {
      setFooterText("Dashboard begin failed", true);
    } else if (code != 0 && code != 200) {
      setFooterText("Dashboard HTTP: " + String(code), true);
    } else {
      setFooterText("Dashboard parse failed", true);
    }
  }
  noteApiFetchResult(ok, code, millis() - startedAt);
  return ok;
}
