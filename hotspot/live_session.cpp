// Live session: live record hold time, DMR timeslot records, the LIVE status
// line and the session statistics.

#include "hotspot/live_session.h"

#include "core/backend.h"
#include "core/config.h"
#include "core/watch_source.h"
#include "host/runtime.h"
#include "hotspot/dashboard_status.h"

SessionInfo sessionInfo;

// isLiveActive: valid and confirmed no longer than the hold time ago; the
// unsigned difference keeps working across the wrap of millis().
bool isLiveActive() {
  const HeardList& shown = shownHeardList();
  if (!shown.live.valid) return false;
  return elapsedSince(millis(), shown.liveMillis) <= cfg.callsignHoldMs;
}

// dmrTimeslotLabel: "TS1"/"TS2" for DMR records with a known slot.
String dmrTimeslotLabel(const HeardRecord& rec) {
  String mode = rec.mode;
  if (normalizeModeName(mode) != "DMR") return String();
  String slot = rec.timeslot;
  slot = normalizeDmrTimeslot(slot);
  if (slot.length() == 0) return String();
  return String("TS") + slot;
}

// liveStatusText: the radio's own status unless it just listens; then what is on air.
String liveStatusText(bool active, const HeardRecord& rec) {
  String status = trimSafe(hotspotStatusText);
  bool listening = status.equalsIgnoreCase("Listening");
  if (status.length() > 0 && !listening) return status;
  if (active) {
    String mode = rec.mode;
    mode = normalizeModeName(mode);
    if (mode.length() > 0) {
      String text = String("Mode: ") + mode;
      String label = dmrTimeslotLabel(rec);
      if (label.length() > 0) text += String(" ") + label;
      return text;
    }
  }
  if (listening) return String("Listening");
  return String(active ? "RX ACTIVE" : "MMDVM IDLE");
}

static void countRssi(const String& rssiText) {
  String text = trimSafe(rssiText);
  long value = text.toInt();
  if (value == 0 && text != "0") return;
  int32_t v = (int32_t)value;
  if (!sessionInfo.hasRssi) {
    sessionInfo.bestRssi = v;
    sessionInfo.worstRssi = v;
    sessionInfo.hasRssi = true;
    return;
  }
  if (v > sessionInfo.bestRssi) sessionInfo.bestRssi = v;
  if (v < sessionInfo.worstRssi) sessionInfo.worstRssi = v;
}

// updateSessionInfoFromRecord counts one new live record.
void updateSessionInfoFromRecord(const HeardRecord& rec) {
  if (!rec.valid) return;
  sessionInfo.totalQsos++;
  sessionInfo.totalLiveHits++;
  String mode = rec.mode;
  mode = normalizeModeName(mode);
  if (mode == "DMR") {
    sessionInfo.modeDMR++;
  } else if (mode == "DSTAR" || mode == "D-STAR") {
    sessionInfo.modeDSTAR++;
  } else if (mode == "YSF" || mode == "FUSION") {
    sessionInfo.modeYSF++;
  } else if (mode == "P25") {
    sessionInfo.modeP25++;
  } else if (mode == "NXDN") {
    sessionInfo.modeNXDN++;
  } else if (mode == "POCSAG") {
    sessionInfo.modePOCSAG++;
  }
  countRssi(rec.rssi);
}

// normalizeDmrTimeslot strips the many slot spellings down to "1" or "2".
// "TIME-SLOT" goes first, before "-" could leave a "TIME01" behind, so
// "time-slot 01" is slot 1.
String normalizeDmrTimeslot(String& raw) {
  raw.trim();
  if (raw.length() == 0) return String();
  String t = raw;
  t.toUpperCase();
  t.replace("TIME-SLOT", "");
  t.replace("TIME SLOT", "");
  t.replace("TIMESLOT", "");
  t.replace("SLOT", "");
  t.replace("TS", "");
  t.replace("#", "");
  t.replace(":", "");
  t.replace("-", "");
  t.trim();
  if (t == "1" || t == "01") return String("1");
  if (t == "2" || t == "02") return String("2");
  return String();
}

// extractDmrTimeslotFromText finds a slot named inside longer text.
String extractDmrTimeslotFromText(const String& text) {
  String t = trimSafe(text);
  if (t.length() == 0) return String();
  t.toUpperCase();
  t.replace("_", " ");
  t.replace("/", " ");
  t.replace(":", " ");
  t.replace("-", " ");
  while (t.indexOf("  ") >= 0) t.replace("  ", " ");
  t = String(" ") + t + " ";
  static const char* const PREFIXES[] = {" TS", " TS ", " SLOT", " SLOT ", " TIME SLOT ", " TIMESLOT "};
  for (char slot = '1'; slot <= '2'; slot++) {
    for (const char* prefix : PREFIXES) {
      String needle = String(prefix) + slot + " ";
      if (t.indexOf(needle) >= 0) return String(slot);
    }
  }
  return String();
}

const HeardRecord& dmrTimeslotRecord(int slot) { return slot == 2 ? dmrTs2LiveRecord : dmrTs1LiveRecord; }

uint32_t dmrTimeslotRecordMillis(int slot) {
  return slot == 2 ? dmrTs2LiveRecordMillis : dmrTs1LiveRecordMillis;
}

// isDmrTimeslotLiveActive: the slot was noted and is within the hold time.
bool isDmrTimeslotLiveActive(int slot) {
  const HeardRecord& rec = dmrTimeslotRecord(slot);
  uint32_t noted = dmrTimeslotRecordMillis(slot);
  if (!rec.valid || noted == 0) return false;
  return elapsedSince(millis(), noted) <= cfg.callsignHoldMs;
}

// shouldShowDmrTimeslotLivePanel: both slots on air on a hotspot source.
bool shouldShowDmrTimeslotLivePanel() {
  if (isCurrentWatch(WATCH_SVXLINK)) return false;
  return isDmrTimeslotLiveActive(1) && isDmrTimeslotLiveActive(2);
}

void clearDmrTimeslotLiveRecords() {
  dmrTs1LiveRecord = HeardRecord();
  dmrTs2LiveRecord = HeardRecord();
  dmrTs1LiveRecordMillis = 0;
  dmrTs2LiveRecordMillis = 0;
}

// noteDmrTimeslotLiveRecord stores a new record for the slot with the time now.
void noteDmrTimeslotLiveRecord(int slot, const HeardRecord& rec) {
  HeardRecord& stored = slot == 2 ? dmrTs2LiveRecord : dmrTs1LiveRecord;
  uint32_t& noted = slot == 2 ? dmrTs2LiveRecordMillis : dmrTs1LiveRecordMillis;
  if (noted != 0 && sameRecord(rec, stored)) return;
  stored = rec;
  noted = millis();
}

// updateDmrTimeslotLiveRecordsFromList notes the newest DMR record per slot.
void updateDmrTimeslotLiveRecordsFromList(const HeardRecord* list, int count) {
  bool found1 = false;
  bool found2 = false;
  if (count > MAX_HEARD) count = MAX_HEARD;
  for (int i = 0; i < count && !(found1 && found2); i++) {
    const HeardRecord& rec = list[i];
    if (!rec.valid) continue;
    String mode = rec.mode;
    if (normalizeModeName(mode) != "DMR") continue;
    String slot = rec.timeslot;
    slot = normalizeDmrTimeslot(slot);
    if (slot == "1" && !found1) {
      noteDmrTimeslotLiveRecord(1, rec);
      found1 = true;
    } else if (slot == "2" && !found2) {
      noteDmrTimeslotLiveRecord(2, rec);
      found2 = true;
    }
  }
}
