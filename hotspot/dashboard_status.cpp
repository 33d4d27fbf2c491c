// Dashboard status scraping of the Pi-Star and WPSD status pages.

#include "hotspot/dashboard_status.h"

#include <string.h>

#include <string>

#include "core/backend.h"
#include "core/view.h"
#include "core/watch_source.h"
#include "hotspot/heard.h"
#include "hotspot/last_heard_parser.h"

String hotspotRxFreq;
String hotspotTxFreq;
String hotspotStatusText;

static const size_t NPOS = std::string::npos;

// WPSD div-table markers; the row marker has no closing quote so that rows
// with further classes ("divTableRow center") match too.
static const char* const WPSD_TABLE_MARK = "<div class=\"divTable\"";
static const char* const WPSD_BODY_MARK = "<div class=\"divTableBody\"";
static const char* const WPSD_ROW_MARK = "<div class=\"divTableRow";
static const char* const WPSD_PILL_MARK = "<div class='status-pill ";
static const int WPSD_HEADER_CELLS_MAX = 16;
static const size_t WPSD_PILL_FLAG_WINDOW = 80;

// Finds needle at or after from; NPOS when from is already NPOS.
static size_t findFrom(const std::string& s, const char* needle, size_t from) {
  if (from == NPOS || from > s.size()) return NPOS;
  return s.find(needle, from);
}

String extractHtmlText(const String& html) {
  String out = decodeMarkupEntities(stripHtmlTags(html), MARKUP_DASHBOARD_ENTITIES);
  out.replace("\n", " ");
  out.replace("\r", " ");
  out.trim();
  while (out.indexOf("  ") >= 0) out.replace("  ", " ");
  return out;
}

// Visible text between the first ">" at or after cellStart and the next end
// marker; false when a marker is missing or the text is empty.
static bool cellTextAt(const std::string& s, size_t cellStart, const char* endMark, String& valueOut,
                       size_t* endOut = nullptr) {
  size_t gt = findFrom(s, ">", cellStart);
  size_t end = findFrom(s, endMark, gt);
  if (gt == NPOS || end == NPOS) return false;
  if (endOut) *endOut = end;
  valueOut = extractHtmlText(String(s.substr(gt + 1, end - gt - 1)));
  return true;
}

// extractTableCellAfterHeader: <th>label</th> followed by its <td>.
bool extractTableCellAfterHeader(const String& html, const char* headerLabel, String& valueOut) {
  const std::string& s = html.str();
  std::string mark = std::string(">") + headerLabel + "</th>";
  size_t td = findFrom(s, "<td", findFrom(s, mark.c_str(), 0));
  String value;
  if (!cellTextAt(s, td, "</td>", value) || value.length() == 0) return false;
  valueOut = value;
  return true;
}

// extractDivCellAfterHeader: the div-table form of the same.
bool extractDivCellAfterHeader(const String& html, const char* headerLabel, String& valueOut) {
  const std::string& s = html.str();
  std::string mark = std::string(">") + headerLabel + "</div>";
  size_t cell = findFrom(s, "divTableCell", findFrom(s, mark.c_str(), 0));
  String value;
  if (!cellTextAt(s, cell, "</div>", value) || value.length() == 0) return false;
  valueOut = value;
  return true;
}

bool extractPiStarTrxValue(const String& html, String& valueOut) {
  return extractTableCellAfterHeader(html, "Trx", valueOut);
}

// Start of the first row of the WPSD div table, NPOS when it is not there.
static size_t wpsdFirstRow(const std::string& s) {
  size_t body = findFrom(s, WPSD_BODY_MARK, findFrom(s, WPSD_TABLE_MARK, 0));
  return findFrom(s, WPSD_ROW_MARK, body);
}

// extractWpsdTableFirstCellValue: the first cell of the second row.
bool extractWpsdTableFirstCellValue(const String& html, String& valueOut) {
  const std::string& s = html.str();
  size_t row1 = wpsdFirstRow(s);
  size_t row2 = row1 == NPOS ? NPOS : findFrom(s, WPSD_ROW_MARK, row1 + strlen(WPSD_ROW_MARK));
  size_t cell = findFrom(s, "divTableCell", row2);
  String value;
  if (!cellTextAt(s, cell, "</div>", value) || value.length() == 0) return false;
  valueOut = value;
  return true;
}

// Reads up to maxCells cells of one kind starting at from; cells must start
// before limit (NPOS: no limit). Returns the number read.
static int readWpsdCells(const std::string& s, size_t from, size_t limit, const char* cellMark, int maxCells,
                         String* cells) {
  int count = 0;
  size_t pos = from;
  while (count < maxCells) {
    size_t cell = findFrom(s, cellMark, pos);
    size_t end = NPOS;
    if (cell == NPOS || (limit != NPOS && cell >= limit)) break;
    if (!cellTextAt(s, cell, "</div>", cells[count], &end)) break;
    if (limit != NPOS && end >= limit) break;
    count++;
    pos = end + 6;
  }
  return count;
}

// extractWpsdRadioInfoValue: header row, value row, matched by header text.
bool extractWpsdRadioInfoValue(const String& html, const char* headerLabel, String& valueOut) {
  const std::string& s = html.str();
  size_t row1 = wpsdFirstRow(s);
  size_t row2 = findFrom(s, WPSD_ROW_MARK, findFrom(s, "</div>", row1));
  if (row2 == NPOS) return false;
  String headers[WPSD_HEADER_CELLS_MAX];
  String values[WPSD_HEADER_CELLS_MAX];
  int headerCount = readWpsdCells(s, row1, row2, "divTableHeadCell", WPSD_HEADER_CELLS_MAX, headers);
  int valueCount = readWpsdCells(s, row2, NPOS, "divTableCell", headerCount, values);
  for (int i = 0; i < valueCount; i++) {
    if (headers[i] == headerLabel) {
      if (values[i].length() == 0) return false;
      valueOut = values[i];
      return true;
    }
  }
  return false;
}

// Repeated forward searches for one marker: a search from a position not
// before the previous one reuses the previous hit while it still lies ahead,
// so walking many pills stays linear in the page size.
struct ForwardFinder {
  const std::string& s;
  const char* needle;
  size_t lastFrom = NPOS;
  size_t lastHit = NPOS;
  size_t find(size_t from) {
    if (from == NPOS || from > s.size()) return NPOS;
    if (lastFrom != NPOS && from >= lastFrom && (lastHit == NPOS || from <= lastHit)) {
      lastFrom = from;
      return lastHit;
    }
    lastFrom = from;
    lastHit = s.find(needle, from);
    return lastHit;
  }
};

// extractWpsdStatusPill: <div class='status-pill ...'><span>label</span>...</div>.
bool extractWpsdStatusPill(const String& html, const char* label, ModeStatus& status) {
  const std::string& s = html.str();
  ForwardFinder pills{s, WPSD_PILL_MARK}, ends{s, "</div>"}, spans{s, "<span>"}, spanEnds{s, "</span>"};
  size_t pos = 0;
  while (true) {
    size_t pill = pills.find(pos);
    size_t pillEnd = ends.find(pill);
    if (pill == NPOS || pillEnd == NPOS) return false;
    size_t span = spans.find(pill);
    size_t spanEnd = spanEnds.find(span);
    if (span == NPOS || spanEnd == NPOS || span >= pillEnd || spanEnd >= pillEnd) {
      pos = pill + 10;
      continue;
    }
    String text = extractHtmlText(String(s.substr(span + 6, spanEnd - span - 6)));
    if (text == label) {
      std::string head = s.substr(pill, WPSD_PILL_FLAG_WINDOW);
      status.known = true;
      status.enabled = head.find(" paused") == NPOS && head.find(" inactive") == NPOS;
      return true;
    }
    pos = pillEnd + 6;
  }
}

// WPSD stat-card markers (the radio-info page of current releases): each card
// holds a label span and a value div. The card marker must be followed by a
// quote or a blank, so that "stat-card" matches and "stat-cards" does not.
static const char* const WPSD_CARD_MARK = "<div class=\"stat-card";
static const char* const WPSD_CARD_LABEL_MARK = "class=\"stat-label\"";
static const char* const WPSD_CARD_VALUE_MARK = "class=\"stat-value\"";
static const char* const PHP_MESSAGE_KINDS[] = {
    "Fatal error:", "Parse error:", "Warning:", "Notice:", "Deprecated:"};

// Start of the next stat card at or after from, NPOS when there is none.
static size_t nextWpsdStatCard(const std::string& s, ForwardFinder& cards, size_t from) {
  const size_t markLength = strlen(WPSD_CARD_MARK);
  for (size_t at = cards.find(from); at != NPOS; at = cards.find(at + 1)) {
    const char next = at + markLength < s.size() ? s[at + markLength] : '\0';
    if (next == '"' || next == ' ') return at;
  }
  return NPOS;
}

// A card label as compared: trimmed, without one trailing period.
static String statCardLabelKey(const String& text) {
  String key = trimSafe(text);
  if (key.endsWith(".")) key.remove((int)key.length() - 1);
  key.trim();
  return key;
}

// True when a text reads like a PHP error or warning the dashboard printed
// instead of a value ("Warning: Undefined variable $x in ... on line 12").
static bool looksLikePhpMessage(const String& text) {
  if (text.indexOf(" on line ") < 0) return false;
  for (const char* kind : PHP_MESSAGE_KINDS) {
    if (text.indexOf(kind) >= 0) return true;
  }
  return false;
}

// Visible text of the value div after the label end, inside the card that
// ends at limit; false when it is missing, reaches past the card, is empty
// or is a PHP message.
static bool wpsdStatCardValueAt(const std::string& s, size_t labelEnd, size_t limit, String& valueOut) {
  size_t value = findFrom(s, WPSD_CARD_VALUE_MARK, labelEnd);
  if (value == NPOS || value >= limit) return false;
  String text;
  size_t end = NPOS;
  if (!cellTextAt(s, value, "</div>", text, &end) || end >= limit) return false;
  if (text.length() == 0 || looksLikePhpMessage(text)) return false;
  valueOut = text;
  return true;
}

// extractWpsdStatCardValue: walks the cards once; every marker search moves
// forward only (through ForwardFinder), so the walk stays linear in the page
// size however the cards are broken.
bool extractWpsdStatCardValue(const String& html, const char* label, String& valueOut) {
  const std::string& s = html.str();
  const String wanted = statCardLabelKey(String(label));
  ForwardFinder cards{s, WPSD_CARD_MARK}, labels{s, WPSD_CARD_LABEL_MARK}, labelGts{s, ">"},
      labelEnds{s, "</span>"};
  size_t card = nextWpsdStatCard(s, cards, 0);
  while (card != NPOS) {
    const size_t next = nextWpsdStatCard(s, cards, card + 1);
    const size_t limit = next == NPOS ? s.size() : next;
    const size_t labelGt = labelGts.find(labels.find(card));
    const size_t labelEnd = labelEnds.find(labelGt);
    if (labelEnd != NPOS && labelEnd < limit) {
      String text = extractHtmlText(String(s.substr(labelGt + 1, labelEnd - labelGt - 1)));
      if (statCardLabelKey(text).equalsIgnoreCase(wanted))
        return wpsdStatCardValueAt(s, labelEnd, limit, valueOut);
    }
    card = next;
  }
  return false;
}

// parseModeCellPiStar: the opening <td> tag of the label's cell decides.
void parseModeCellPiStar(const String& html, const char* label, ModeStatus& status) {
  const std::string& s = html.str();
  std::string mark = std::string(">") + label + "</td>";
  size_t at = s.find(mark);
  if (at == NPOS) return;
  size_t td = s.rfind("<td", at);
  if (td == NPOS) return;
  size_t gt = s.find('>', td);
  if (gt == NPOS || gt > at) return;
  std::string tag = s.substr(td, gt - td + 1);
  status.known = true;
  status.enabled = tag.find("#606060") == NPOS && tag.find("aria-disabled") == NPOS;
}

void resetModeStatuses() {
  modeDMR = ModeStatus();
  modeDSTAR = ModeStatus();
  modeYSF = ModeStatus();
  modeP25 = ModeStatus();
  modeNXDN = ModeStatus();
  modePOCSAG = ModeStatus();
}

bool modeStatusEqual(const ModeStatus& a, const ModeStatus& b) {
  return a.known == b.known && a.enabled == b.enabled;
}

bool allModeStatusesEqual(const ModeStatus& dmr, const ModeStatus& dstar, const ModeStatus& ysf,
                          const ModeStatus& p25, const ModeStatus& nxdn, const ModeStatus& pocsag) {
  return modeStatusEqual(dmr, modeDMR) && modeStatusEqual(dstar, modeDSTAR) &&
         modeStatusEqual(ysf, modeYSF) && modeStatusEqual(p25, modeP25) && modeStatusEqual(nxdn, modeNXDN) &&
         modeStatusEqual(pocsag, modePOCSAG);
}

static bool anyModeKnown() {
  return modeDMR.known || modeDSTAR.known || modeYSF.known || modeP25.known || modeNXDN.known ||
         modePOCSAG.known;
}

static const char* const MODE_LABELS[] = {"DMR", "D-Star", "YSF", "P25", "NXDN", "POCSAG"};
static ModeStatus* const MODE_GLOBALS[] = {&modeDMR, &modeDSTAR, &modeYSF, &modeP25, &modeNXDN, &modePOCSAG};

// Frequencies of the stat-card layout, by the rules of the radio-info table:
// "TX Freq" and "RX Freq"; when both are missing, the one card of a simplex
// radio ("TX/RX Freq", or "Frequency" as current releases label it) fills both.
static void scrapeWpsdStatCardFrequencies(const String& payload, String& tx, String& rx) {
  extractWpsdStatCardValue(payload, "TX Freq", tx);
  extractWpsdStatCardValue(payload, "RX Freq", rx);
  if (tx.length() > 0 || rx.length() > 0) return;
  if (!extractWpsdStatCardValue(payload, "TX/RX Freq", tx))
    extractWpsdStatCardValue(payload, "Frequency", tx);
  rx = tx;
}

// The WPSD flavour: status pills and the radio-info table.
static void scrapeWpsdPage(const String& payload, String& tx, String& rx, String& status) {
  for (int i = 0; i < 6; i++) extractWpsdStatusPill(payload, MODE_LABELS[i], *MODE_GLOBALS[i]);
  extractWpsdRadioInfoValue(payload, "TX Freq.", tx);
  extractWpsdRadioInfoValue(payload, "RX Freq.", rx);
  if (tx.length() == 0 && rx.length() == 0) {
    extractWpsdRadioInfoValue(payload, "TX/RX Freq.", tx);
    if (rx.length() == 0) rx = tx;
  }
  if (tx.length() == 0 && rx.length() == 0) scrapeWpsdStatCardFrequencies(payload, tx, rx);
  extractWpsdTableFirstCellValue(payload, status);
  if (status.length() == 0) extractWpsdStatCardValue(payload, "Radio Status", status);
}

// The Pi-Star flavour: mode table cells and the radio-info table.
static void scrapePiStarPage(const String& payload, String& tx, String& rx, String& status) {
  for (int i = 0; i < 6; i++) parseModeCellPiStar(payload, MODE_LABELS[i], *MODE_GLOBALS[i]);
  extractTableCellAfterHeader(payload, "Tx", tx);
  extractTableCellAfterHeader(payload, "Rx", rx);
  extractPiStarTrxValue(payload, status);
}

// Frequency text without its unit.
static String cleanFrequency(const String& raw) {
  String f = trimSafe(raw);
  f.replace(" MHz", "");
  f.replace("MHz", "");
  f.trim();
  return f;
}

// parseDashboardStatusHtml scrapes one page. The result reflects only what
// this page contained, so a login page or a PHP error page answered with 200
// counts as a failed poll, while the state rules (restored statuses, kept
// texts, redraw) stay the same as for a good page.
bool parseDashboardStatusHtml(const String& payload) {
  ModeStatus saved[6];
  for (int i = 0; i < 6; i++) saved[i] = *MODE_GLOBALS[i];
  const String savedTx = hotspotTxFreq, savedRx = hotspotRxFreq, savedStatus = hotspotStatusText;
  const bool anyKnownBefore = anyModeKnown();
  resetModeStatuses();

  String tx, rx, status;
  if (normalizedBackend() == "wpsd") {
    scrapeWpsdPage(payload, tx, rx, status);
  } else {
    scrapePiStarPage(payload, tx, rx, status);
  }
  tx = cleanFrequency(tx);
  rx = cleanFrequency(rx);
  status.trim();
  const bool pageHadModes = anyModeKnown();
  const bool pageHadFrequency = tx.length() > 0 || rx.length() > 0;
  if (tx.length() > 0) hotspotTxFreq = tx;
  if (rx.length() > 0) hotspotRxFreq = rx;
  if (status.length() > 0) hotspotStatusText = status;

  if (!pageHadModes && anyKnownBefore) {
    for (int i = 0; i < 6; i++) *MODE_GLOBALS[i] = saved[i];
  }
  // Modes with traffic in the hotspot's shown list stay on, as its last-heard
  // parse set them: else the two polls undo each other's statuses and the
  // mode buttons change at every poll.
  if (currentWatchSource == WATCH_MMDVM || currentWatchSource == WATCH_APRS) {
    inferModeStatusesFromHeard(shownHeardList().records, shownHeardList().count);
  }
  const bool statusChanged = hotspotStatusText != savedStatus;
  if (!allModeStatusesEqual(saved[0], saved[1], saved[2], saved[3], saved[4], saved[5]) ||
      hotspotTxFreq != savedTx || hotspotRxFreq != savedRx || statusChanged) {
    requestRedraw();
    if (statusChanged) noteScreenActivity(false);
  }
  return pageHadModes || pageHadFrequency;
}
