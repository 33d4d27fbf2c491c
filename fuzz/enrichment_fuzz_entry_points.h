// Entry points of the enrichment fuzz targets and their corpus replay test:
// RadioID answers and target-list pages, each checked against the
// invariants that must hold whatever came in.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include "core/config.h"
#include "enrichment/callsign_country.h"
#include "enrichment/radioid.h"
#include "enrichment/target_lists.h"
#include "host/storage.h"
#include "host/wstring.h"
#include "hotspot/heard.h"
#include "hotspot/target_display.h"

inline bool fuzzHasLineBreak(const String& s) { return s.indexOf('\n') >= 0 || s.indexOf('\r') >= 0; }

// RadioID answer: parse it, then use the same bytes as callsign, name and
// target of a record.
inline void fuzzRadioIdInput(const uint8_t* data, size_t size) {
  String payload((const char*)data, size);
  RadioIdLookupCacheEntry entry;
  entry.callsign = "DL1ABC";
  const bool found = parseRadioIdUserResponse(payload, entry);
  const bool anyField = entry.name.length() > 0 || entry.country.length() > 0 || entry.city.length() > 0 ||
                        entry.state.length() > 0;
  if (found != entry.found || found != anyField) abort();
  String plain = lookupPlainTextNameFromPayload(payload, "DL1ABC");
  if (plain.length() > RADIOID_PLAIN_NAME_MAX_CHARS || fuzzHasLineBreak(plain)) abort();

  String cs = normalizeHamCallsign(payload);
  if (cs.indexOf(' ') >= 0) abort();
  String code = countryCodeFromCallsign(payload);
  if ((cs.length() == 0) != (code.length() == 0)) abort();
  String url = buildRadioIdUsersUrl(payload);
  if (cs.length() > 0 && url.length() == 0) abort();

  HeardRecord r;
  r.callsign = payload;
  r.name = payload;
  r.mode = size > 0 && (data[0] & 1) ? "DMR" : "SVXLink";
  r.target = payload;
  r.targetName = payload;
  r.valid = true;
  (void)radioIdDisplayNameForRecord(r);
  (void)radioIdDisplayCountryForRecord(r);
  (void)radioIdLookupSignatureForRecord(r);
  if (resolveTargetDisplay(r).length() == 0) abort();
}

// The same text as the list file on the card ("key,name", "key;name", ...
// lines a user may put there): a lookup of the first line's key finds that
// line's name, and a name found is one line of plain text.
inline void fuzzTargetListFileLookup(const String& mode, const String& list, const String& text) {
  File f = storageOpen(list, "wb");
  if (!f || f.write((const uint8_t*)text.c_str(), text.length()) != text.length()) abort();
  f.close();
  const int end = text.indexOf('\n');
  String key, name, found;
  if (!splitTargetListLine(end < 0 ? text : text.substring(0, end), key, name)) return;
  key = normalizeTargetLookupKey(mode, key);
  if (key.length() == 0) return;
  const bool ok = lookupTargetNameInSdFile(mode, key, found);
  if (ok != (sanitizeTargetListName(name).length() > 0) || (ok && found != sanitizeTargetListName(name))) abort();
  if (fuzzHasLineBreak(found)) abort();
}

// Target-list page: the first byte picks the mode and the converter, the rest
// is the downloaded text. Every written entry must read back.
inline void fuzzTargetListInput(const uint8_t* data, size_t size) {
  static const char* const MODES[] = {"DMR", "DSTAR", "YSF", "P25", "NXDN"};
  const uint8_t selector = size > 0 ? data[0] : 0;
  const String mode = MODES[selector % 5];
  const bool html = (selector & 0x80) == 0;
  String payload = size > 0 ? String((const char*)data + 1, size - 1) : String();
  const String list = targetListPathForMode(mode);
  fuzzTargetListFileLookup(mode, list, payload);
  const String tmp = targetListTempPathForMode(mode);
  int entries = -1;
  storageRemove(list);
  const bool ok = html ? writeTargetListFileFromBrenvoHtml(mode, payload, list, tmp, entries)
                       : writeTargetListFileFromPlainText(mode, payload, list, tmp, entries);
  if (storageExists(tmp)) abort();  // the temp file never stays behind
  if (ok != (entries > 0) || ok != storageExists(list)) abort();
  if (!ok) return;
  File f = storageOpen(list, "rb");
  int lines = 0;
  while (f.available() > 0) {
    String line = f.readStringUntil('\n');
    if (line.startsWith("#")) continue;
    String key, name;
    if (!splitTargetListLine(line, key, name) || normalizeTargetLookupKey(mode, key) != key) abort();
    if (name.indexOf('|') >= 0 || name.indexOf('\t') >= 0) abort();
    ++lines;
  }
  if (lines != entries) abort();
}
