// Talkgroup, reflector and room names from per-mode list files under
// "/lookup": the cached lookup, the list file format, and the download and
// conversion of a list page into that format.
#pragma once

#include <stdint.h>

#include "host/wstring.h"
#include "hotspot/heard_enrichment.h"

// Main-cycle hook; lookups run at once inside targetNameLookupCached.
void processTargetNameLookups();

// One cached name lookup (found and not-found answers are both kept).
struct TargetNameLookupCacheEntry {
  String mode;    // list mode ("DMR", "DSTAR", "YSF", "P25", "NXDN")
  String target;  // normalised key
  String name;
  bool valid = false;
  bool found = false;
  uint32_t lastFetchMillis = 0;
};

constexpr int TARGET_NAME_LOOKUP_CACHE_SIZE = 16;
constexpr const char* TARGET_LIST_DMR_PATH_DEFAULT = "brandmeister-talkgroups/";
constexpr const char* TARGET_LIST_DSTAR_PATH_DEFAULT = "xlx-reflectors/";
constexpr const char* TARGET_LIST_YSF_PATH_DEFAULT = "ysf-reflectors/";
constexpr const char* TARGET_LIST_P25_PATH_DEFAULT = "p25-reflectors/";
constexpr const char* TARGET_LIST_NXDN_PATH_DEFAULT = "nxdn-reflectors/";
constexpr uint32_t TARGET_LIST_DOWNLOAD_STALL_MS = 4000;    // no progress for this long fails
constexpr uint32_t TARGET_LIST_DOWNLOAD_LIMIT_MS = 120000;  // 2 min for the whole download, however lively
constexpr size_t TARGET_LIST_DOWNLOAD_CHUNK_BYTES = 512;
constexpr int TARGET_LIST_MAX_CELLS = 10;

extern TargetNameLookupCacheEntry targetNameLookupCache[TARGET_NAME_LOOKUP_CACHE_SIZE];
extern int targetNameLookupCacheWriteIndex;

// The list mode of a record mode ("D-STAR" -> "DSTAR", "FUSION" -> "YSF"); empty when unsupported.
String normalizeBrenvoMode(const String& mode);

// Only the digits of a text, in order.
String targetDigitsOnly(const String& text);

// Leading zeros removed, at least one digit kept.
String trimLeadingZeros(const String& digits);

// "XLX" + three digits, or empty when the text is no XLX reflector.
String normalizeDstarReflectorKey(const String& target);

// The key under which a target is stored in the list of its mode.
String normalizeTargetLookupKey(const String& mode, const String& target);

// Searches the list file of the mode for the key; true when a name was found.
bool lookupTargetNameInSdFile(const String& mode, const String& key, String& outName);

// Splits "key|name" (or tab, ";", ",", white space); false for comments and halves.
bool splitTargetListLine(const String& line, String& keyPart, String& namePart);

// Entities decoded, control characters and "|" replaced, spaces collapsed.
String sanitizeTargetListName(const String& name);

// Empties all 16 cache slots and resets the write index.
void clearTargetNameLookupCache();

// Storage paths of a mode's list, conversion temp and download temp files
// (empty for an unsupported mode).
String targetListPathForMode(const String& mode);
String targetListTempPathForMode(const String& mode);
String targetListRawPathForMode(const String& mode);

// Download address of a mode's list (override, template or base + path).
String targetListUrlForMode(const String& mode);

// Downloads and converts a mode's list; detailOut gets the log message.
bool downloadTargetListForMode(const String& mode, String& detailOut);

// Streams a GET body into a storage file; removes the file on any failure.
bool httpDownloadToSdFile(const String& url, const String& path, int& codeOut, size_t& bytesOut,
                          String& errorOut);

// Converts a downloaded list page (HTML table) or text lines into the list file.
bool writeTargetListFileFromBrenvoHtmlFile(const String& mode, const String& rawPath, const String& finalPath,
                                           const String& tmpPath, int& entryCount);
bool writeTargetListFileFromPlainTextFile(const String& mode, const String& rawPath, const String& finalPath,
                                          const String& tmpPath, int& entryCount);
bool writeTargetListFileFromBrenvoHtml(const String& mode, const String& payload, const String& finalPath,
                                       const String& tmpPath, int& entryCount);
bool writeTargetListFileFromPlainText(const String& mode, const String& payload, const String& finalPath,
                                      const String& tmpPath, int& entryCount);

// "Missing", "Unreadable" or the size of the mode's list file.
String targetListFileSizeText(const String& mode);
