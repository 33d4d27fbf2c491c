// Last-heard parsing: dashboard time conversion and the
// parse and apply steps of the hotspot last-heard list.

#include "hotspot/last_heard_parser.h"

#include <string.h>

#include <string>

#include "core/backend.h"
#include "core/config.h"
#include "core/view.h"
#include "host/runtime.h"
#include "host/trace_log.h"
#include "hotspot/heard_enrichment.h"
#include "hotspot/live_session.h"
#include "hotspot/on_air.h"
#include "hotspot/watch_list.h"

String currentRxFreq;
String currentTxFreq;
String lastError;

static const char* const HEARD_MISSING_ARRAY_TEXT = "Desktop JSON object missing heard array";

static inline bool isTimeBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// desktopDataJsonArrayForHeardPayload: a bare array or one under a known key.
bool desktopDataJsonArrayForHeardPayload(const String& payload, String& out) {
  // An answer that is an array is the list, also when it is cut short: then
  // there is no list at all, and no key inside a record may stand in for it.
  int start = desktopDataJsonSkipWs(payload, 0);
  if (start < (int)payload.length() && payload.c_str()[start] == '[') {
    return desktopDataJsonExtractContainerAt(payload, start, '[', ']', out);
  }
  static const char* const KEYS[] = {"last_heard", "traffic", "data", "results", "heard", "lastHeard"};
  for (const char* key : KEYS) {
    int pos = desktopDataJsonFindContainerValue(payload, key, '[', 0);
    if (pos >= 0 && desktopDataJsonExtractContainerAt(payload, pos, '[', ']', out)) return true;
  }
  return false;
}

// ---------------------------------------------------------------------------
// Dashboard times
// ---------------------------------------------------------------------------

// daysFromCivil: the well-known days-from-civil algorithm, all in 64 bits.
int64_t daysFromCivil(int64_t year, unsigned month, unsigned day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yoe = year - era * 400;                       // [0, 399]
  const int64_t mp = (int64_t)month + (month > 2 ? -3 : 9);   // [0, 11]
  const int64_t doy = (153 * mp + 2) / 5 + (int64_t)day - 1;  // [0, 365]
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;  // [0, 146096]
  return era * 146097 + doe - 719468;
}

// utcTmToEpoch: seconds since 1970 of a broken-down UTC time.
int64_t utcTmToEpoch(const struct tm& tm) {
  int64_t days = daysFromCivil((int64_t)tm.tm_year + 1900, (unsigned)(tm.tm_mon + 1), (unsigned)tm.tm_mday);
  return days * 86400 + (int64_t)tm.tm_hour * 3600 + (int64_t)tm.tm_min * 60 + (int64_t)tm.tm_sec;
}

// Reads one integer the way "%d" does (blanks, optional sign, digits), but
// refuses a value of ten or more significant digits so nothing can overflow.
static bool readBoundedInt(const char* s, int n, int& pos, int& value) {
  while (pos < n && (s[pos] == ' ' || s[pos] == '\t' || s[pos] == '\r' || s[pos] == '\n' || s[pos] == '\v' ||
                     s[pos] == '\f'))
    pos++;
  bool negative = false;
  if (pos < n && (s[pos] == '+' || s[pos] == '-')) {
    negative = s[pos] == '-';
    pos++;
  }
  int digits = 0;
  int v = 0;
  while (pos < n && s[pos] >= '0' && s[pos] <= '9') {
    if (v >= 100000000) return false;  // a tenth significant digit would follow
    v = v * 10 + (s[pos] - '0');
    digits++;
    pos++;
  }
  if (digits == 0) return false;
  value = negative ? -v : v;
  return true;
}

// parseApiDateTime reads the six numbers of "YYYY-MM-DD HH:MM:SS".
bool parseApiDateTime(const String& text, struct tm& tmOut) {
  String t = trimSafe(text);
  if (t.length() < 19) return false;
  t.replace("T", " ");
  const char* s = t.c_str();
  const int n = (int)t.length();
  static const char SEPARATORS[] = {'-', '-', ' ', ':', ':'};
  int fields[6] = {0, 0, 0, 0, 0, 0};
  int pos = 0;
  for (int i = 0; i < 6; i++) {
    if (!readBoundedInt(s, n, pos, fields[i])) return false;
    if (i == 5) break;
    char sep = SEPARATORS[i];
    if (sep == ' ') {
      // A blank in the pattern matches any run of white space, also none.
      while (pos < n && isTimeBlank(s[pos])) pos++;
    } else {
      if (pos >= n || s[pos] != sep) return false;
      pos++;
    }
  }
  const int year = fields[0], month = fields[1], day = fields[2];
  const int hour = fields[3], minute = fields[4], second = fields[5];
  if (year < 1970 || year > 9999) return false;
  if (month < 1 || month > 12 || day < 1 || day > 31) return false;
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60) return false;
  memset(&tmOut, 0, sizeof(tmOut));
  tmOut.tm_year = year - 1900;
  tmOut.tm_mon = month - 1;
  tmOut.tm_mday = day;
  tmOut.tm_hour = hour;
  tmOut.tm_min = minute;
  tmOut.tm_sec = second;
  tmOut.tm_isdst = -1;
  return true;
}

// formatApiDateTime: "%Y-%m-%d %H:%M:%S".
String formatApiDateTime(const struct tm& tm) {
  char buf[64];
  size_t len = strftime(buf, sizeof(buf), "%Y-%m-%d %H:%M:%S", &tm);
  if (len == 0) return String();
  return String(buf);
}

// normalizeHeardTimeDisplay: UTC dashboard time shown in the local zone.
String normalizeHeardTimeDisplay(const String& text) {
  String t = trimSafe(text);
  if (t.length() == 0 || !cfg.apiUtcToLocalTime) return t;
  struct tm utc;
  if (!parseApiDateTime(t, utc)) return t;
  int64_t epoch = utcTmToEpoch(utc);
  time_t when = (time_t)epoch;
  if ((int64_t)when != epoch || when == (time_t)-1) return t;
  struct tm local;
  if (!localtime_r(&when, &local)) return t;
  String shown = formatApiDateTime(local);
  return shown.length() > 0 ? shown : t;
}

// ---------------------------------------------------------------------------
// Last-heard list
// ---------------------------------------------------------------------------

#define KEYS_OF(array) (array), (sizeof(array) / sizeof((array)[0]))

static const char* const TIME_KEYS[] = {"time_utc", "timestamp", "time", "time_local", "datetime"};
static const char* const MODE_KEYS[] = {"mode", "module", "source_mode"};
static const char* const CALLSIGN_KEYS[] = {"callsign", "callsign_long", "call", "station"};
static const char* const NAME_KEYS[] = {"name", "display_name", "full_name", "fullname"};
static const char* const FIRST_NAME_KEYS[] = {"fname", "first_name", "firstname", "forename"};
static const char* const LAST_NAME_KEYS[] = {"lname", "last_name", "lastname", "surname"};
static const char* const COUNTRY_KEYS[] = {"country", "country_name"};
static const char* const GRID_KEYS[] = {"grid", "locator", "maidenhead", "qth_locator"};
static const char* const TARGET_KEYS[] = {"target", "talkgroup", "destination", "reflector", "dst", "dst_tg"};
static const char* const TARGET_NAME_KEYS[] = {"target_name", "talkgroup_name", "room_name", "reflector_name",
                                               "tg_name"};
static const char* const SLOT_KEYS[] = {"timeslot", "time_slot", "timeSlot", "slot", "ts"};
static const char* const SLOT_ALT_KEYS[] = {"TS", "dmr_slot", "dmrSlot", "DMRSlot", "TimeSlot"};
static const char* const SRC_KEYS[] = {"src", "source", "source_system"};
static const char* const DURATION_KEYS[] = {"duration", "length"};
static const char* const LOSS_KEYS[] = {"loss", "packet_loss"};
static const char* const BER_KEYS[] = {"bit_error_rate", "ber"};
static const char* const RSSI_KEYS[] = {"rssi", "signal"};
static const char* const RX_FREQ_KEYS[] = {"rxFreq", "rx_freq", "RXFrequency", "rx_frequency"};
static const char* const TX_FREQ_KEYS[] = {"txFreq", "tx_freq", "TXFrequency", "tx_frequency"};

// Operator name from the name keys, else from first and last name.
static String heardNameFromObject(const String& object) {
  String name = desktopDataJsonFirstValue(object, KEYS_OF(NAME_KEYS));
  if (name.length() == 0) {
    name = buildOperatorName(desktopDataJsonFirstValue(object, KEYS_OF(FIRST_NAME_KEYS)),
                             desktopDataJsonFirstValue(object, KEYS_OF(LAST_NAME_KEYS)));
  }
  name.trim();
  return name;
}

// Timeslot from the slot keys, else from slot words in the mode, target or source.
static String heardTimeslotFromObject(const String& object, const HeardRecord& rec, const String& srcValue) {
  String raw = desktopDataJsonFirstValue(object, KEYS_OF(SLOT_KEYS));
  String slot = normalizeDmrTimeslot(raw);
  if (slot.length() > 0) return slot;
  raw = desktopDataJsonFirstValue(object, KEYS_OF(SLOT_ALT_KEYS));
  slot = normalizeDmrTimeslot(raw);
  if (slot.length() > 0) return slot;
  return extractDmrTimeslotFromText(
      firstNonEmpty(rec.mode, rec.target, rec.targetName, srcValue, String(), String()));
}

// desktopHeardRecordFromObject fills one record; objects without a callsign are skipped.
bool desktopHeardRecordFromObject(const String& object, HeardRecord& rec) {
  rec = HeardRecord();
  rec.callsign = normalizeHamCallsign(desktopDataJsonFirstValue(object, KEYS_OF(CALLSIGN_KEYS)));
  if (rec.callsign.length() == 0) return false;
  rec.timeUtc = normalizeHeardTimeDisplay(desktopDataJsonFirstValue(object, KEYS_OF(TIME_KEYS)));
  rec.mode = desktopDataJsonFirstValue(object, KEYS_OF(MODE_KEYS));
  rec.name = heardNameFromObject(object);
  rec.country = desktopDataJsonFirstValue(object, KEYS_OF(COUNTRY_KEYS));
  rec.grid = desktopDataJsonFirstValue(object, KEYS_OF(GRID_KEYS));
  rec.target = desktopDataJsonFirstValue(object, KEYS_OF(TARGET_KEYS));
  rec.targetName = desktopDataJsonFirstValue(object, KEYS_OF(TARGET_NAME_KEYS));
  rec.src = desktopDataJsonFirstValue(object, KEYS_OF(SRC_KEYS));
  rec.timeslot = heardTimeslotFromObject(object, rec, rec.src);
  rec.duration = desktopDataJsonFirstValue(object, KEYS_OF(DURATION_KEYS));
  rec.loss = desktopDataJsonFirstValue(object, KEYS_OF(LOSS_KEYS));
  rec.ber = desktopDataJsonFirstValue(object, KEYS_OF(BER_KEYS));
  rec.rssi = desktopDataJsonFirstValue(object, KEYS_OF(RSSI_KEYS));
  rec.rxFreq = desktopDataJsonFirstValue(object, KEYS_OF(RX_FREQ_KEYS));
  rec.txFreq = desktopDataJsonFirstValue(object, KEYS_OF(TX_FREQ_KEYS));
  rec.valid = true;
  return true;
}

// desktopParseHeardRecords reads records without changing any state.
int desktopParseHeardRecords(const String& payload, HeardRecord* out, int maxRecords) {
  String array;
  if (!desktopDataJsonArrayForHeardPayload(payload, array)) return -1;
  int count = 0;
  int pos = 0;
  String object;
  while (count < maxRecords && desktopDataJsonNextObject(array, pos, object)) {
    if (desktopHeardRecordFromObject(object, out[count])) count++;
  }
  for (int i = count; i < maxRecords; i++) out[i] = HeardRecord();
  return count;
}

bool applyHeardAnswer(const String& payload, HeardList& target, const HeardApplyRules& rules,
                      void (*complete)(HeardRecord&)) {
  HeardRecord parsed[MAX_HEARD];
  int count = desktopParseHeardRecords(payload, parsed, MAX_HEARD);
  if (count < 0) {
    lastError = HEARD_MISSING_ARRAY_TEXT;
    return false;
  }
  if (complete) {
    for (int i = 0; i < count; i++) complete(parsed[i]);
  }
  if (desktopVerboseTraceEnabled()) desktopTrace("[DESKTOP] parsed heard JSON: %d entries.\n", count);
  applyHeardList(target, parsed, count, rules);
  return true;
}

// desktopParseHeardArrayRaw: false only when the answer holds no heard list.
bool desktopParseHeardArrayRaw(const String& payload) {
  return applyHeardAnswer(payload, hotspotHeard(), hotspotHeardRules());
}

// parseHeardArray: the last-heard poll's parser.
bool parseHeardArray(const String& payload) { return desktopParseHeardArrayRaw(payload); }

// inferModeStatusesFromHeard: a mode with traffic is known to be on.
void inferModeStatusesFromHeard(const HeardRecord* list, int count) {
  for (int i = 0; i < count && i < MAX_HEARD; i++) {
    String mode = list[i].mode;
    mode = normalizeModeName(mode);
    ModeStatus* status = nullptr;
    if (mode == "DMR") {
      status = &modeDMR;
    } else if (mode == "DSTAR" || mode == "D-STAR") {
      status = &modeDSTAR;
    } else if (mode == "YSF" || mode == "FUSION") {
      status = &modeYSF;
    } else if (mode == "P25") {
      status = &modeP25;
    } else if (mode == "NXDN") {
      status = &modeNXDN;
    } else if (mode == "POCSAG") {
      status = &modePOCSAG;
    }
    if (status) {
      status->known = true;
      status->enabled = true;
    }
  }
}

// The newest record: frequencies, lookup queue, live record and statistics.
static void applyNewestHeardRecord(HeardList& target, const HeardRecord& newest, const HeardApplyRules& rules) {
  if (rules.takesFrequencies && newest.rxFreq.length() > 0) currentRxFreq = newest.rxFreq;
  if (rules.takesFrequencies && newest.txFreq.length() > 0) currentTxFreq = newest.txFreq;
  queueRadioIdLookupForRecord(newest);
  if (!sameRecord(newest, target.live)) {
    target.live = newest;
    updateSessionInfoFromRecord(newest);
    target.liveMillis = millis();
    requestRedraw();
    noteNewTransmission(rules.source);
  } else if (rules.repeatRenewsLive) {
    target.liveMillis = millis();
  }
}

static void setListFooter(const String& text, const HeardApplyRules& rules) {
  if (!text.isEmpty()) setFooterText(text, rules.footerIsActivity);
}

void applyHeardList(HeardList& target, HeardRecord* list, int count, const HeardApplyRules& rules) {
  if (count < 0) count = 0;
  if (count > MAX_HEARD) count = MAX_HEARD;
  applyRadioIdCacheToList(list, count);
  inferModeStatusesFromHeard(list, count);
  noteWatchHeardList(rules.sight, list, count, target.records, target.count);
  const bool changed = !heardListsEqual(list, count, target.records, target.count);
  if (rules.dmrTimeslots) updateDmrTimeslotLiveRecordsFromList(list, count);
  if (count == 0) {
    if (rules.dmrTimeslots) clearDmrTimeslotLiveRecords();
    if (target.count > 0) {
      clearHeardList(target);
      requestRedraw();
    }
    setListFooter(rules.emptyFooter, rules);
    return;
  }
  if (changed) {
    clearHeardList(target);
    for (int i = 0; i < count; i++) target.records[i] = list[i];
    target.count = count;
    requestRedraw();
  }
  applyNewestHeardRecord(target, list[0], rules);
  setListFooter(rules.okFooter, rules);
}

HeardApplyRules hotspotHeardRules() {
  return HeardApplyRules{true, true, true, true, "API OK, no entries", "Updated from " + displayBackendHost()};
}

// desktopApplyParsedHeardList makes a parsed list the hotspot's.
void desktopApplyParsedHeardList(HeardRecord* list, int count) {
  applyHeardList(hotspotHeard(), list, count, hotspotHeardRules());
}
