// Live session: whether the newest heard record still counts as transmitting,
// the newest record per DMR timeslot, the status line of the LIVE page and the
// running QSO and signal statistics.
#pragma once

#include <stdint.h>

#include "host/wstring.h"
#include "hotspot/heard.h"

// Running statistics since start-up (never reset).
struct SessionInfo {
  uint32_t totalQsos = 0;      // new live records
  uint32_t totalLiveHits = 0;  // the same count
  uint32_t modeDMR = 0;
  uint32_t modeDSTAR = 0;
  uint32_t modeYSF = 0;
  uint32_t modeP25 = 0;
  uint32_t modeNXDN = 0;
  uint32_t modePOCSAG = 0;
  int32_t bestRssi = -999;  // closest to zero
  int32_t worstRssi = 0;    // furthest from zero
  bool hasRssi = false;
};

extern SessionInfo sessionInfo;

// True while the live record is valid and was confirmed within the hold
// time.
bool isLiveActive();

// Status line of the LIVE page for the live state and record.
String liveStatusText(bool active, const HeardRecord& rec);

// Counts a new live record into the statistics (valid records only).
void updateSessionInfoFromRecord(const HeardRecord& rec);

// "1", "2" or empty from a timeslot text (TS1, Slot 2, #2, time-slot 01 ...);
// the argument is trimmed in place.
String normalizeDmrTimeslot(String& raw);

// "1", "2" or empty from free text that names a slot (" TS1 ", " SLOT 2 " ...).
String extractDmrTimeslotFromText(const String& text);

// "TS1", "TS2" or empty for a DMR record with a known slot.
String dmrTimeslotLabel(const HeardRecord& rec);

// Record and time of slot 2 when slot is 2, otherwise of slot 1.
const HeardRecord& dmrTimeslotRecord(int slot);
uint32_t dmrTimeslotRecordMillis(int slot);

// True while the slot's record is valid, noted and within the hold time.
bool isDmrTimeslotLiveActive(int slot);

// True when the source is not SvxLink and both timeslots are live.
bool shouldShowDmrTimeslotLivePanel();

// Empties both timeslot records and their times.
void clearDmrTimeslotLiveRecords();

// Notes a record for a slot; the same record already noted is not re-timed.
void noteDmrTimeslotLiveRecord(int slot, const HeardRecord& rec);

// Notes the newest DMR record of each slot found in the list; slots that are
// not in the list keep their record.
void updateDmrTimeslotLiveRecordsFromList(const HeardRecord* list, int count);
