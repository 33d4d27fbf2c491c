// Heard records, the hotspot's list, the shown list and the text helpers.

#include "hotspot/heard.h"

#include <ctype.h>

#include "core/backend.h"
#include "core/config.h"
#include "core/theme.h"
#include "core/view.h"
#include "core/watch_source.h"
#include "hotspot/heard_browse.h"

HeardRecord dmrTs1LiveRecord;
uint32_t dmrTs1LiveRecordMillis = 0;
HeardRecord dmrTs2LiveRecord;
uint32_t dmrTs2LiveRecordMillis = 0;

namespace {

HeardList hotspotList;

}  // namespace

HeardList& hotspotHeard() { return hotspotList; }

HeardList& shownHeardList() {
  const WatchSourceRow& row = activeWatchSourceRow();
  return row.heardList ? row.heardList() : hotspotList;
}

bool heardListShown(const HeardList& list) {
  const WatchSourceRow& row = activeWatchSourceRow();
  return row.heardList != nullptr && &row.heardList() == &list;
}

ModeStatus modeDMR;
ModeStatus modeDSTAR;
ModeStatus modeYSF;
ModeStatus modeP25;
ModeStatus modeNXDN;
ModeStatus modePOCSAG;

// sameRecord compares the fields that identify one transmission; names,
// signal and duration arrive or change later for the same transmission.
bool sameRecord(const HeardRecord& a, const HeardRecord& b) {
  return a.callsign == b.callsign && a.timeUtc == b.timeUtc && a.mode == b.mode && a.target == b.target &&
         a.timeslot == b.timeslot && a.src == b.src && a.rxFreq == b.rxFreq && a.txFreq == b.txFreq;
}

// heardListsEqual: equal counts and the same record at every index.
bool heardListsEqual(const HeardRecord* a, int aCount, const HeardRecord* b, int bCount) {
  if (aCount != bCount) return false;
  for (int i = 0; i < aCount && i < MAX_HEARD; i++) {
    if (!sameRecord(a[i], b[i])) return false;
  }
  return true;
}

// trimSafe: trimmed copy, the argument stays as it is.
String trimSafe(const String& text) { return trimmedCopy(text); }

// normalizeModeName cleans the argument in place and maps the many spellings
// of the dashboards onto the canonical mode names.
String normalizeModeName(String& text) {
  text.trim();
  text.toUpperCase();
  text.replace("_", "-");
  while (text.indexOf("  ") >= 0) text.replace("  ", " ");
  if (text.startsWith("DMR")) return String("DMR");
  if (text.startsWith("D-STAR") || text.startsWith("DSTAR")) return String("DSTAR");
  if (text.startsWith("YSF") || text.indexOf("FUSION") >= 0 || text.startsWith("C4FM")) return String("YSF");
  if (text.startsWith("P25")) return String("P25");
  if (text.startsWith("NXDN")) return String("NXDN");
  if (text.startsWith("POCSAG")) return String("POCSAG");
  if (text.startsWith("SVXLINK") || text.startsWith("SVX-LINK") || text.startsWith("SVX"))
    return String("SVXLINK");
  return text;
}

// firstNonEmpty: the first text that is not blank, trimmed.
String firstNonEmpty(const String& a, const String& b, const String& c, const String& d, const String& e,
                     const String& f) {
  const String* all[] = {&a, &b, &c, &d, &e};
  for (const String* s : all) {
    String t = trimSafe(*s);
    if (t.length() > 0) return t;
  }
  return trimSafe(f);
}

// buildOperatorName joins first and last name with one space.
String buildOperatorName(const String& firstName, const String& lastName) {
  String first = trimSafe(firstName);
  String last = trimSafe(lastName);
  if (last.length() == 0) return first;
  if (first.length() == 0) return last;
  return first + " " + last;
}

// clearHeardList empties the records and rewinds the HEARD page when shown.
void clearHeardList(HeardList& list) {
  list.count = 0;
  if (heardListShown(list)) lastHeardPageIndex = 0;
  for (int i = 0; i < MAX_HEARD; i++) list.records[i] = HeardRecord();
}

void clearHeard() { clearHeardList(shownHeardList()); }

// modeColor: warn while the mode is on air, else the dashboard's verdict.
uint16_t modeColor(const ModeStatus& status, bool active) {
  if (active) return theme.warn;
  if (!status.known) return theme.border;
  return status.enabled ? theme.good : theme.bad;
}

static String upperTrimmedCallsign(const String& s) {
  String t = s;
  t.trim();
  t.toUpperCase();
  return t;
}

static bool hasDigitChar(const String& s) {
  for (unsigned int i = 0; i < s.length(); ++i) {
    if (isdigit((unsigned char)s[i])) return true;
  }
  return false;
}

static bool hasLetterChar(const String& s) {
  for (unsigned int i = 0; i < s.length(); ++i) {
    if (isalpha((unsigned char)s[i])) return true;
  }
  return false;
}

// normalizeHamCallsign: the one canonical callsign form of the program.
String normalizeHamCallsign(const String& input) {
  String cs = upperTrimmedCallsign(input);
  if (cs.length() == 0) return cs;
  int slash = cs.indexOf('/');
  if (slash >= 0) {
    String left = cs.substring(0, slash);
    String right = cs.substring(slash + 1);
    bool leftDigit = hasDigitChar(left);
    bool rightDigit = hasDigitChar(right);
    cs = (!leftDigit && rightDigit) ? right : left;
  }
  int dash = cs.indexOf('-');
  if (dash > 0) {
    String base = cs.substring(0, dash);
    if (hasDigitChar(base) && hasLetterChar(base)) cs = base;
  }
  cs.replace(" ", "");
  return cs;
}
