// Entry points shared by the libFuzzer targets and the corpus replay test:
// each feeds one input to a scanner of outside data and checks the
// invariants that must hold whatever came in.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <time.h>

#include "core/config.h"
#include "host/wstring.h"
#include "hotspot/dashboard_status.h"
#include "hotspot/heard.h"
#include "hotspot/last_heard_parser.h"
#include "hotspot/live_session.h"

// Last-heard answer: the full parse and apply, then the scanner pieces and
// the time and timeslot helpers on the same bytes.
inline void fuzzLastHeardInput(const uint8_t* data, size_t size) {
  String payload((const char*)data, size);
  cfg.apiUtcToLocalTime = size > 0 && (data[0] & 1);
  const int countBefore = shownHeardList().count;
  const bool ok = parseHeardArray(payload);
  if (shownHeardList().count < 0 || shownHeardList().count > MAX_HEARD) abort();
  if (!ok && shownHeardList().count != countBefore) abort();  // a failed parse changes nothing
  for (int i = 0; i < shownHeardList().count; i++) {
    if (!shownHeardList().records[i].valid || shownHeardList().records[i].callsign.length() == 0) abort();
  }
  for (int i = shownHeardList().count; i < MAX_HEARD; i++) {
    if (shownHeardList().records[i].valid) abort();
  }

  HeardRecord records[MAX_HEARD];
  const int n = desktopParseHeardRecords(payload, records, MAX_HEARD);
  if (n < -1 || n > MAX_HEARD) abort();

  static const char* const KEYS[] = {"callsign", "data", "name", "time"};
  (void)desktopDataJsonFirstValue(payload, KEYS, 4);
  String container;
  (void)desktopDataJsonGetArray(payload, "data", container);
  (void)desktopDataJsonGetObject(payload, "user", container);
  int pos = 0;
  String object;
  int objects = 0;
  while (objects < 64 && desktopDataJsonNextObject(payload, pos, object)) objects++;

  struct tm t;
  if (parseApiDateTime(payload, t)) {
    if (t.tm_year + 1900 < 1970 || t.tm_year + 1900 > 9999 || t.tm_mon < 0 || t.tm_mon > 11) abort();
    (void)utcTmToEpoch(t);
  }
  (void)normalizeHeardTimeDisplay(payload);
  String slotText = payload;
  String slot = normalizeDmrTimeslot(slotText);
  if (slot.length() > 0 && slot != "1" && slot != "2") abort();
  slot = extractDmrTimeslotFromText(payload);
  if (slot.length() > 0 && slot != "1" && slot != "2") abort();
}

// Dashboard status page: the first byte picks the flavour ("W" WPSD, else
// Pi-Star), the rest is the page.
inline void fuzzDashboardStatusInput(const uint8_t* data, size_t size) {
  const bool wpsd = size > 0 && data[0] == 'W';
  cfg.backend = wpsd ? "WPSD" : "Pi-Star";
  String page = size > 0 ? String((const char*)data + 1, size - 1) : String();
  const String txBefore = hotspotTxFreq;
  const bool ok = parseDashboardStatusHtml(page);
  if (ok && hotspotTxFreq.length() == 0 && hotspotRxFreq.length() == 0 && !modeDMR.known &&
      !modeDSTAR.known && !modeYSF.known && !modeP25.known && !modeNXDN.known && !modePOCSAG.known) {
    abort();  // success needs something to show for it
  }
  if (txBefore.length() > 0 && hotspotTxFreq.length() == 0) abort();  // never cleared
  String text = extractHtmlText(page);
  if (text.indexOf("  ") >= 0 || text.indexOf('\n') >= 0) abort();
  String value;
  // A card value is whole visible text: never empty, no line breaks or double blanks.
  for (const char* label : {"TX Freq", "Radio Status"}) {
    if (extractWpsdStatCardValue(page, label, value) &&
        (value.length() == 0 || value.indexOf("  ") >= 0 || value.indexOf('\n') >= 0)) {
      abort();
    }
  }
  (void)extractWpsdRadioInfoValue(page, "TX/RX Freq.", value);
  (void)extractWpsdTableFirstCellValue(page, value);
  (void)extractDivCellAfterHeader(page, "Tx", value);
}
