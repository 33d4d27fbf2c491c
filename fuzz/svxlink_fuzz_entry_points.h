// Entry point of the SvxLink dashboard fuzz target and its corpus replay:
// one input scraped as a dashboard page (or, with a first byte "{" or "[",
// read as a JSON bridge answer), then the invariants that must hold whatever
// came in.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include "core/config.h"
#include "host/wstring.h"
#include "hotspot/heard.h"
#include "hotspot/last_heard_parser.h"
#include "watch/svxlink/svxlink.h"

// Every shown record is a valid record with a callsign; nothing past the count.
inline void checkSvxlinkHeardList(bool bridge) {
  if (svxlinkHeard().count < 0 || svxlinkHeard().count > MAX_HEARD) abort();
  for (int i = 0; i < svxlinkHeard().count; i++) {
    if (!svxlinkHeard().records[i].valid || svxlinkHeard().records[i].callsign.length() == 0) abort();
    if (!bridge && (!svxlinkHeard().records[i].target.startsWith("TG") || svxlinkHeard().records[i].mode != "SVXLink")) abort();
  }
  for (int i = svxlinkHeard().count; i < MAX_HEARD; i++) {
    if (svxlinkHeard().records[i].valid) abort();
  }
}

inline void fuzzSvxlinkDashboardInput(const uint8_t* data, size_t size) {
  String payload((const char*)data, size);
  cfg.radioIdLookupEnabled = false;
  const bool bridge = size > 0 && (data[0] == '{' || data[0] == '[');
  clearHeardList(svxlinkHeard());  // every record shown afterwards came from this input
  svxlinkHeard().live = HeardRecord();
  const int countBefore = svxlinkHeard().count;
  const String radioBefore = svxlinkRadioStatus;
  const String reflectorBefore = svxlinkReflectorStatus;
  const bool ok = bridge ? parseSvxlinkBridgeAnswer(payload) : parseSvxlinkDashboardHtml(payload);
  if (!ok && svxlinkHeard().count != countBefore) abort();  // a failed parse keeps the list
  if (!ok && !bridge && (svxlinkRadioStatus != radioBefore || svxlinkReflectorStatus != reflectorBefore))
    abort();
  checkSvxlinkHeardList(bridge);
  if (svxlinkLogicCount > SVXLINK_MAX_LOGICS) abort();
  const String& r = svxlinkReflectorStatus;
  if (!r.isEmpty() && r != "Connected" && r != "Not connected" && r != "No status") abort();

  // The pieces on the same bytes.
  const String cleaned = svxCleanDashboardText(payload);
  if (cleaned.indexOf("  ") >= 0 || cleaned.indexOf('\n') >= 0 || cleaned.indexOf('\t') >= 0) abort();
  String status;
  if (svxNormalizeReflectorStatusChunk(payload, status) && status != "Connected" &&
      status != "Not connected" && status != "No status") {
    abort();
  }
  (void)svxDashboardHasReflectorConnectionEvidence(payload);
  (void)svxExtractReflectorStatusFromDashboardText(payload, status);
  String cells[8];
  const int n = svxCollectTdTexts(payload, cells, 8);
  if (n < 0 || n > 8) abort();
  String items[SVXLINK_MAX_LOGICS];
  uint8_t count = 0;
  const bool any = svxExtractTableItems(payload, "Active Logics", items, SVXLINK_MAX_LOGICS, count);
  if (any != (count > 0) || count > SVXLINK_MAX_LOGICS) abort();
  for (int i = 0; i < count; i++) {
    if (items[i].length() == 0) abort();
  }
  (void)svxlinkHeardTimeText(payload);
}
