#include "watch/svxlink/svxlink.h"

#include <ctype.h>
#include <string.h>

#include <functional>
#include <string>

#include "core/app.h"
#include "core/config.h"
#include "core/device_log.h"
#include "core/markup.h"
#include "core/view.h"
#include "core/watch_source.h"
#include "host/runtime.h"
#include "hotspot/dashboard_status.h"
#include "hotspot/fetch_worker.h"
#include "hotspot/heard_browse.h"
#include "hotspot/heard_enrichment.h"
#include "hotspot/http_fetch.h"
#include "hotspot/last_heard_parser.h"
#include "hotspot/live_session.h"
#include "hotspot/on_air.h"
#include "hotspot/watch_list.h"
#include "network/wifi.h"
#include "watch/aprs/aprs.h"

String svxlinkRadioStatus;
String svxlinkReflectorStatus;
String svxlinkDefaultTg;
String svxlinkActiveTg;
String svxlinkMonitorTgs;
String svxlinkLogics[SVXLINK_MAX_LOGICS];
uint8_t svxlinkLogicCount = 0;

uint32_t svxlinkPollCount = 0;

namespace {

const uint32_t SVXLINK_POLL_INTERVAL_MIN_MS = 3000;
const uint32_t SVXLINK_SCREENSAVER_POLL_INTERVAL_MIN_MS = 10000;
const size_t NPOS = std::string::npos;
// Cells of a heard row read; rows with fewer are no transmission.
const int HEARD_ROW_CELLS_MAX = 8;
const int HEARD_ROW_CELLS_MIN = 5;

const char* const DASHBOARD_OK_FOOTER = "SVXLink dashboard OK";
const char* const DASHBOARD_EMPTY_FOOTER = "SVXLink dashboard OK, no entries";
const char* const NOT_RECOGNIZED_TEXT = "SVXLink dashboard HTML not recognized";

// Labels after which the page text names the reflector state, tried in order.
const char* const REFLECTOR_LABELS[] = {"1.reflector", "reflector-network", "Reflector"};
// Texts that end the reflector status piece.
const char* const REFLECTOR_CHUNK_ENDS[] = {
    "TG Default",     "TG Monitor", "TG Active",  "Repeater Status",       "Radio Status",
    "EchoLink Users", "TXing",      "Systeminfo", "SVXReflector Activity", "Last Reboot"};

size_t findFrom(const std::string& s, const char* needle, size_t from) {
  if (from == NPOS || from > s.size()) return NPOS;
  return s.find(needle, from);
}

bool containsText(const std::string& s, const char* needle) { return s.find(needle) != NPOS; }

String lowerCopy(const String& s) {
  String out = s;
  out.toLowerCase();
  return out;
}

// Cleaned visible text of html[from, to).
String cellText(const std::string& html, size_t from, size_t to) {
  return svxCleanDashboardText(stripHtmlTags(String(html.substr(from, to - from))));
}

// Dashboards write "------" for a talkgroup without a name.
bool isPlaceholderName(const String& name) {
  if (name.isEmpty()) return false;
  for (unsigned int i = 0; i < name.length(); ++i) {
    if (name.charAt(i) != '-') return false;
  }
  return true;
}

}  // namespace

// ---------------------------------------------------------------- text

String svxCleanDashboardText(const String& s) {
  String out = htmlDecodeBasic(s);
  out.replace('\n', ' ');
  out.replace('\r', ' ');
  out.replace('\t', ' ');
  out.trim();
  while (out.indexOf("  ") >= 0) out.replace("  ", " ");
  return out;
}

String svxlinkHeardTimeText(const String& timeUtc) {
  const std::string& t = timeUtc.str();
  const bool datePrefix = t.size() >= 12 && isdigit((unsigned char)t[0]) && isdigit((unsigned char)t[3]) &&
                          t[4] == '-' && t[7] == '-';
  return datePrefix ? timeUtc.substring(11) : timeUtc;
}

// ---------------------------------------------------------------- tables

bool svxExtractTableItems(const String& html, const char* title, String* items, int maxItems,
                          uint8_t& countOut) {
  countOut = 0;
  const std::string& s = html.str();
  const size_t start = findFrom(s, title, 0);
  const size_t tableEnd = findFrom(s, "</table>", start);
  if (start == NPOS || tableEnd == NPOS) return false;
  size_t pos = start;
  while (countOut < maxItems) {
    const size_t cell = findFrom(s, "<td", pos);
    const size_t gt = findFrom(s, ">", cell);
    const size_t end = findFrom(s, "</td>", gt);
    if (cell == NPOS || gt == NPOS || end == NPOS || end > tableEnd) break;
    const String text = cellText(s, gt + 1, end);
    if (!text.isEmpty() && text != "No Modules") items[countOut++] = text;
    pos = end + 5;
  }
  return countOut > 0;
}

int svxCollectTdTexts(const String& rowHtml, String* cells, int maxCells) {
  const std::string& s = rowHtml.str();
  int count = 0;
  size_t pos = 0;
  while (count < maxCells) {
    const size_t cell = findFrom(s, "<td", pos);
    const size_t gt = findFrom(s, ">", cell);
    const size_t end = findFrom(s, "</td>", gt);
    if (cell == NPOS || gt == NPOS || end == NPOS) break;
    cells[count++] = cellText(s, gt + 1, end);
    pos = end + 5;
  }
  return count;
}

// ---------------------------------------------------------------- reflector

bool svxNormalizeReflectorStatusChunk(const String& chunk, String& statusOut) {
  const String cleaned = svxCleanDashboardText(chunk);
  if (cleaned.isEmpty()) return false;
  const std::string lower = lowerCopy(cleaned).str();
  if (containsText(lower, "not connected") || containsText(lower, "disconnect")) {
    statusOut = "Not connected";  // "disconnected" included
  } else if (containsText(lower, "no status") || containsText(lower, "unknown")) {
    statusOut = "No status";
  } else if (containsText(lower, "connected") || containsText(lower, "online") ||
             containsText(lower, "active")) {
    statusOut = "Connected";
  } else {
    return false;
  }
  return true;
}

bool svxDashboardHasReflectorConnectionEvidence(const String& text) {
  const std::string lower = lowerCopy(text).str();
  if (!containsText(lower, "reflectorlogic")) return false;
  if (!containsText(lower, "reflector-network") && !containsText(lower, "svxreflector")) return false;
  return containsText(lower, "tg default") || containsText(lower, "tg monitor") ||
         containsText(lower, "tg active") || containsText(lower, "svxreflector activity");
}

bool svxExtractReflectorStatusFromDashboardText(const String& text, String& statusOut) {
  const std::string& s = text.str();
  size_t chunkStart = NPOS;
  for (const char* label : REFLECTOR_LABELS) {
    const size_t at = s.find(label);
    if (at != NPOS) {
      chunkStart = at + strlen(label);
      break;
    }
  }
  if (chunkStart == NPOS) return false;
  size_t chunkEnd = s.size();
  for (const char* endMark : REFLECTOR_CHUNK_ENDS) {
    const size_t at = s.find(endMark, chunkStart);
    if (at != NPOS && at < chunkEnd) chunkEnd = at;
  }
  return svxNormalizeReflectorStatusChunk(String(s.substr(chunkStart, chunkEnd - chunkStart)), statusOut);
}

// Step 5 of the scrape: a status written on the page wins, "No status"
// becomes "Connected" when the page shows the link; otherwise the link alone
// means "Connected"; else the old value stays.
static void scrapeReflectorStatus(const String& text) {
  const bool evidence = svxDashboardHasReflectorConnectionEvidence(text);
  String status;
  if (svxExtractReflectorStatusFromDashboardText(text, status)) {
    svxlinkReflectorStatus =
        (evidence && status.equalsIgnoreCase("No status")) ? String("Connected") : status;
  } else if (evidence) {
    svxlinkReflectorStatus = "Connected";
  }
}

// ---------------------------------------------------------------- heard table

// One heard record from the cells of a table row; false for header, empty
// and callsign-less rows.
static bool heardRecordFromCells(const String* cells, int cellCount, HeardRecord& rec) {
  String callsign = trimSafe(cells[1]);
  const String talkgroup = trimSafe(cells[2]);
  if (callsign.isEmpty() || callsign == "Callsign" || talkgroup.isEmpty() || talkgroup == "TG #")
    return false;
  // A cell of "/" or of a suffix alone names nobody.
  callsign = normalizeHamCallsign(callsign);
  if (callsign.isEmpty()) return false;
  const String source = trimSafe(cells[4]);
  String name = cellCount >= 6 ? trimSafe(cells[5]) : String();
  if (isPlaceholderName(name)) name = "";
  rec = HeardRecord();
  rec.timeUtc = normalizeHeardTimeDisplay(cells[0]);
  rec.mode = "SVXLink";
  rec.callsign = callsign;
  rec.target = talkgroup.startsWith("TG") ? talkgroup : String("TG ") + talkgroup;
  rec.targetName = name;
  rec.src = source.isEmpty() ? String("SVXRef") : source;
  rec.valid = true;
  return true;
}

bool svxParseLastHeardFromHtml(const String& html) {
  const std::string& s = html.str();
  size_t marker = s.find("SVXReflector Activity");
  if (marker == NPOS) marker = s.find("LastHeard");
  const size_t tableStart = findFrom(s, "<table", marker);
  const size_t tableEnd = findFrom(s, "</table>", tableStart);
  if (tableStart == NPOS || tableEnd == NPOS) return false;

  HeardRecord records[MAX_HEARD];
  int count = 0;
  String cells[HEARD_ROW_CELLS_MAX];
  size_t pos = tableStart;
  while (count < MAX_HEARD) {
    const size_t row = findFrom(s, "<tr", pos);
    if (row == NPOS || row >= tableEnd) break;
    size_t rowEnd = findFrom(s, "</tr>", row);
    if (rowEnd == NPOS || rowEnd > tableEnd) rowEnd = tableEnd;
    pos = rowEnd + 1;
    const int cellCount = svxCollectTdTexts(String(s.substr(row, rowEnd - row)), cells, HEARD_ROW_CELLS_MAX);
    if (cellCount < HEARD_ROW_CELLS_MIN) continue;
    if (heardRecordFromCells(cells, cellCount, records[count])) ++count;
  }
  return svxApplyParsedHeardList(records, count, DASHBOARD_OK_FOOTER);
}

namespace {

HeardList nodeList;

// The node's rules: no timeslots, no renewal of the live time, footers that
// are no screen activity and are left alone while another source is shown.
HeardApplyRules svxlinkHeardRules(const String& emptyFooter, const String& okFooter) {
  const bool shown = currentWatchSource == WATCH_SVXLINK;
  return HeardApplyRules{false,         false, false, false, shown ? emptyFooter : String(), shown ? okFooter : String(),
                         WATCH_SVXLINK, WATCH_SIGHT_SVXLINK};
}

}  // namespace

HeardList& svxlinkHeard() { return nodeList; }

bool svxApplyParsedHeardList(HeardRecord* newList, int newCount, const String& okFooter) {
  applyHeardList(nodeList, newList, newCount,
                 svxlinkHeardRules(okFooter.isEmpty() ? String(DASHBOARD_EMPTY_FOOTER) : okFooter,
                                   okFooter.isEmpty() ? String(DASHBOARD_OK_FOOTER) : okFooter));
  return true;
}

void completeSvxlinkBridgeRecord(HeardRecord& rec) {
  if (rec.mode.length() == 0) rec.mode = "SVXLink";
  if (rec.src.length() == 0) rec.src = "SVXRef";
}

bool parseSvxlinkBridgeAnswer(const String& payload) {
  HeardApplyRules rules =
      svxlinkHeardRules("SVXLink API OK, no entries", "SVXLink API updated from " + displayBackendHost());
  rules.takesFrequencies = true;  // the bridge's records may carry them, as the hotspot's do
  return applyHeardAnswer(payload, nodeList, rules, completeSvxlinkBridgeRecord);
}

// ---------------------------------------------------------------- page scrape

// Step 4 of the scrape: the talkgroup and radio cells, each kept when absent.
static void scrapeStatusCells(const String& payload) {
  String value;
  if (extractTableCellAfterHeader(payload, "TG Default", value)) svxlinkDefaultTg = value;
  if (extractTableCellAfterHeader(payload, "TG Monitor", value)) svxlinkMonitorTgs = value;
  if (extractTableCellAfterHeader(payload, "TG Active", value)) svxlinkActiveTg = value;
  if (extractTableCellAfterHeader(payload, "Radio Status", value) ||
      extractTableCellAfterHeader(payload, "Repeater Status", value)) {
    svxlinkRadioStatus = value;
  }
}

bool parseSvxlinkDashboardHtml(const String& payload) {
  const std::string& s = payload.str();
  if (!containsText(s, "SVXLink Info") && !containsText(s, "SVXReflector Activity") &&
      !containsText(s, "Dashboard")) {
    lastError = NOT_RECOGNIZED_TEXT;
    return false;
  }
  const String oldRadio = svxlinkRadioStatus;
  const String oldReflector = svxlinkReflectorStatus;
  const String oldActive = svxlinkActiveTg;
  const String oldMonitor = svxlinkMonitorTgs;

  const String text = svxCleanDashboardText(extractHtmlText(payload));
  scrapeStatusCells(payload);
  scrapeReflectorStatus(text);
  svxExtractTableItems(payload, "Active Logics", svxlinkLogics, SVXLINK_MAX_LOGICS, svxlinkLogicCount);
  const bool heardOk = svxParseLastHeardFromHtml(payload);

  if (svxlinkRadioStatus != oldRadio || svxlinkReflectorStatus != oldReflector ||
      svxlinkActiveTg != oldActive || svxlinkMonitorTgs != oldMonitor) {
    requestRedraw();
    noteScreenActivity();
  }
  return heardOk || !svxlinkRadioStatus.isEmpty() || !svxlinkReflectorStatus.isEmpty() ||
         svxlinkLogicCount > 0;
}

// ---------------------------------------------------------------- poll

namespace {

void applySvxlinkAnswer(const FetchAnswer& answer, uint32_t startedAt, bool jsonBridge) {
  if (answer.ok) {
    // The node's own list, whichever source is shown.
    const bool parsed =
        jsonBridge ? parseSvxlinkBridgeAnswer(answer.payload) : parseSvxlinkDashboardHtml(answer.payload);
    noteApiFetchResult(parsed, answer.code, millis() - startedAt);
    return;
  }
  const int code = answer.code;
  setFooterText(code == HTTP_FETCH_NOT_STARTED ? String("SVXLink HTTP begin failed")
                                               : String("SVXLink HTTP: ") + String(code),
                false);
  requestRedraw();
  noteApiFetchResult(false, code, millis() - startedAt);
}

// A poll that could not start: footer, redraw, a failed fetch outcome.
bool svxlinkPollRefused(const char* footer) {
  setFooterText(footer, false);
  requestRedraw();
  noteApiFetchResult(false, HTTP_FETCH_NOT_STARTED, 0);
  return false;
}

}  // namespace

// Returns true when the request started (whether it brings data is only
// known when its answer arrives).
bool fetchSvxlinkData() {
  if (fetchChannelBusy(FETCH_CHANNEL_SVXLINK)) return false;
  svxlinkPollCount++;
  if (!wifiStationConnected()) {
    wifiOk = false;
    return svxlinkPollRefused("Wi-Fi disconnected");
  }
  const String url = svxlinkApiUrl();
  if (url.isEmpty()) return svxlinkPollRefused("SVXLink host missing");
  const bool jsonBridge = isSvxlinkApiBackend();
  const uint32_t startedAt = millis();
  return startFetch(FETCH_CHANNEL_SVXLINK, url, jsonBridge ? "application/json" : "text/html", "",
                    [startedAt, jsonBridge](const FetchAnswer& answer) {
                      applySvxlinkAnswer(answer, startedAt, jsonBridge);
                    });
}

bool pollSvxlinkWatch() {
  bool svxOk = fetchSvxlinkData();
  bool aprsOk = aprsFeatureEnabled() ? fetchAprsData(false) : false;
  return svxOk || aprsOk;
}

uint32_t svxlinkPollIntervalMs() { return max(SVXLINK_POLL_INTERVAL_MIN_MS, cfg.refreshMs); }

uint32_t svxlinkScreensaverPollIntervalMs() {
  return max(SVXLINK_SCREENSAVER_POLL_INTERVAL_MIN_MS, cfg.refreshMs);
}

// ---------------------------------------------------------------- talker and APRS alert

// Normalised callsign of list[0] when the list has a valid first record.
static String firstCallsignOf(const HeardRecord* list, int count) {
  if (count <= 0 || !list[0].valid) return String();
  return normalizeHamCallsign(list[0].callsign);
}

String currentSvxlinkUserCallsign() {
  const String own = firstCallsignOf(nodeList.records, nodeList.count);
  if (!own.isEmpty()) return own;
  const HeardList& shown = shownHeardList();
  return firstCallsignOf(shown.records, shown.count);
}

bool svxlinkAprsAlertVisible() {
  if (!aprsFeatureEnabled() || !isCurrentWatch(WATCH_SVXLINK) || !aprsState.valid) return false;
  const String talker = currentSvxlinkUserCallsign();
  if (talker.isEmpty()) return false;
  const String station =
      trimSafe(aprsState.callsign).isEmpty() ? aprsState.sourceCallsign : aprsState.callsign;
  return talker == normalizeHamCallsign(station);
}

void updateSvxlinkAprsCommentAlertFromState() {
  if (svxlinkAprsAlertVisible()) requestRedraw();
}

// The popup shows the primary station from its first line.
static void resetAprsCommentPopupState() {
  selectedAprsNearbyIndex = -1;
  aprsInfoPopupScrollLines = 0;
  aprsInfoPopupMaxScrollLines = 0;
  aprsInfoPopupPageStepLines = 1;
}

void clearSvxlinkAprsCommentAlert() {
  aprsCommentPopupOpen = false;
  resetAprsCommentPopupState();
}

void openSvxlinkAprsCommentPopup() {
  if (!svxlinkAprsAlertVisible()) return;
  resetAprsCommentPopupState();
  aprsCommentPopupOpen = true;
  requestRedraw();
  noteScreenActivity();
}
