// The hotspot poll: the alternation of the dashboard status page and the
// last-heard list, each fetched, parsed and reported.
#include "hotspot/hotspot_poll.h"

#include "core/app.h"
#include "core/backend.h"
#include "core/device_log.h"
#include "core/view.h"
#include "core/watch_source.h"
#include "host/runtime.h"
#include "hotspot/dashboard_status.h"
#include "hotspot/fetch_worker.h"
#include "hotspot/heard.h"
#include "hotspot/heard_browse.h"
#include "hotspot/http_fetch.h"
#include "hotspot/last_heard_parser.h"
#include "network/wifi.h"

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

void applyLastHeardAnswer(const FetchAnswer& answer, uint32_t startedAt) {
  if (answer.ok) {
    // The hotspot's own list, whichever source is shown.
    bool ok = parseHeardArray(answer.payload);
    noteApiFetchResult(ok, answer.code, millis() - startedAt);
    return;
  }
  const int code = answer.code;
  if (code == HTTP_FETCH_NOT_STARTED) {
    setFooterText("HTTP begin failed", true);
  } else if (code == HTTP_FETCH_NETWORK_BUSY) {
    setFooterText("Network busy", true);
  } else {
    setFooterText("HTTP error: " + String(code), true);
  }
  requestRedraw();
  noteApiFetchResult(false, code, millis() - startedAt);
}

// State of one status poll over its one or two pages.
struct StatusPoll {
  uint32_t startedAt = 0;
  String freqUrl;  // second page, empty when the status page carries the frequencies
  bool ok = false;
  int code = 0;
};

void finishStatusPoll(const StatusPoll& poll) {
  if (!poll.ok) {
    if (poll.code == HTTP_FETCH_NOT_STARTED) {
      setFooterText("Dashboard begin failed", true);
    } else if (poll.code != 0 && poll.code != 200) {
      setFooterText("Dashboard HTTP: " + String(poll.code), true);
    } else {
      setFooterText("Dashboard parse failed", true);
    }
  }
  noteApiFetchResult(poll.ok, poll.code, millis() - poll.startedAt);
}

// One page of the status poll: scraped when it came; ok accumulates.
void noteStatusPage(StatusPoll& poll, const FetchAnswer& answer) {
  poll.code = answer.code;
  if (answer.ok) {
    bool parsed = parseDashboardStatusHtml(answer.payload);
    poll.ok = parsed || poll.ok;
  }
}

void applyFreqPageAnswer(StatusPoll poll, const FetchAnswer& answer) {
  noteStatusPage(poll, answer);
  finishStatusPoll(poll);
}

void applyStatusPageAnswer(StatusPoll poll, const FetchAnswer& answer) {
  noteStatusPage(poll, answer);
  if (poll.freqUrl.isEmpty()) {
    finishStatusPoll(poll);
    return;
  }
  poll.code = 0;
  const String freqUrl = poll.freqUrl;
  if (!startFetch(FETCH_CHANNEL_HOTSPOT, freqUrl, "", "",
                  [poll](const FetchAnswer& freq) { applyFreqPageAnswer(poll, freq); })) {
    finishStatusPoll(poll);
  }
}

}  // namespace

bool hotspotHeardListShown() { return currentWatchSource == WATCH_MMDVM || currentWatchSource == WATCH_APRS; }

bool pollHotspotDashboard() {
  // The previous poll's answer is still out: this poll is skipped.
  if (fetchChannelBusy(FETCH_CHANNEL_HOTSPOT)) return false;
  bool started = nextFetchHeard ? fetchLastHeard() : fetchModeStatus();
  nextFetchHeard = !nextFetchHeard;
  return started;
}

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
  return startFetch(FETCH_CHANNEL_HOTSPOT, url, "application/json", "",
                    [startedAt](const FetchAnswer& answer) { applyLastHeardAnswer(answer, startedAt); });
}

bool fetchModeStatus() {
  if (stationLinkMissing()) return false;
  StatusPoll poll;
  poll.startedAt = millis();
  const String statusUrl = dashboardStatusUrl();
  const String freqUrl = dashboardFreqUrl();
  if (freqUrl != statusUrl) poll.freqUrl = freqUrl;
  return startFetch(FETCH_CHANNEL_HOTSPOT, statusUrl, "", "",
                    [poll](const FetchAnswer& answer) { applyStatusPageAnswer(poll, answer); });
}
