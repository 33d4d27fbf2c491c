#include "enrichment/target_lists.h"

#include <ctype.h>
#include <stdio.h>

#include "core/config.h"
#include "core/device_log.h"
#include "core/markup.h"
#include "enrichment/radioid.h"
#include "host/http_client.h"
#include "host/runtime.h"
#include "host/storage.h"
#include "hotspot/heard.h"
#include "hotspot/http_fetch.h"

TargetNameLookupCacheEntry targetNameLookupCache[TARGET_NAME_LOOKUP_CACHE_SIZE];
int targetNameLookupCacheWriteIndex = 0;

namespace {

const size_t CONVERT_READ_CHUNK_BYTES = 256;
const unsigned int ROW_SCAN_KEEP_CHARS = 32;
const unsigned int ROW_OPEN_TAG_LIMIT_CHARS = 8192;
const unsigned int ROW_BODY_LIMIT_CHARS = 16384;

struct TargetListModeInfo {
  const char* mode;
  const char* listPath;
  const char* tmpPath;
  const char* rawPath;
  const char* defaultPath;
};

const TargetListModeInfo TARGET_LIST_MODES[] = {
    {"DMR", "/lookup/dmr.txt", "/lookup/dmr.tmp", "/lookup/dmr.raw", TARGET_LIST_DMR_PATH_DEFAULT},
    {"DSTAR", "/lookup/dstar.txt", "/lookup/dstar.tmp", "/lookup/dstar.raw", TARGET_LIST_DSTAR_PATH_DEFAULT},
    {"YSF", "/lookup/ysf.txt", "/lookup/ysf.tmp", "/lookup/ysf.raw", TARGET_LIST_YSF_PATH_DEFAULT},
    {"P25", "/lookup/p25.txt", "/lookup/p25.tmp", "/lookup/p25.raw", TARGET_LIST_P25_PATH_DEFAULT},
    {"NXDN", "/lookup/nxdn.txt", "/lookup/nxdn.tmp", "/lookup/nxdn.raw", TARGET_LIST_NXDN_PATH_DEFAULT},
};

const TargetListModeInfo* modeInfo(const String& mode) {
  String listMode = normalizeBrenvoMode(mode);
  for (const TargetListModeInfo& info : TARGET_LIST_MODES) {
    if (listMode == info.mode) return &info;
  }
  return nullptr;
}

const String& modeOverrideUrl(const String& listMode) {
  if (listMode == "DMR") return cfg.targetListDmrUrl;
  if (listMode == "DSTAR") return cfg.targetListDstarUrl;
  if (listMode == "YSF") return cfg.targetListYsfUrl;
  if (listMode == "P25") return cfg.targetListP25Url;
  return cfg.targetListNxdnUrl;
}

// Decodes the entities of the list site once; dashes become "-".
String decodeListEntities(const String& s) { return decodeMarkupEntities(s, MARKUP_LIST_SITE_ENTITIES); }

// Collapses runs of spaces to one and trims.
String collapseSpaces(const String& s) {
  String out;
  out.reserve(s.length());
  bool lastSpace = false;
  for (unsigned int i = 0; i < s.length(); ++i) {
    char c = s[i];
    if (c == ' ') {
      if (!lastSpace) out += c;
      lastSpace = true;
    } else {
      out += c;
      lastSpace = false;
    }
  }
  out.trim();
  return out;
}

// Tag-free text of a table cell: tags dropped, white space runs to one space.
String cellText(const String& html) {
  String out = stripHtmlTags(html);
  for (unsigned int i = 0; i < out.length(); ++i) {
    if (isspace((unsigned char)out[i])) out.setCharAt(i, ' ');
  }
  return collapseSpaces(decodeListEntities(collapseSpaces(out)));
}

String lowerCopy(const String& s) {
  String t = s;
  t.toLowerCase();
  return t;
}

// Up to TARGET_LIST_MAX_CELLS non-empty cell texts of one row body.
int rowCells(const String& body, String* cells) {
  String lower = lowerCopy(body);
  int count = 0;
  int pos = 0;
  while (count < TARGET_LIST_MAX_CELLS) {
    int td = lower.indexOf("<td", pos);
    int th = lower.indexOf("<th", pos);
    if (td < 0 && th < 0) break;
    bool isTd = td >= 0 && (th < 0 || td < th);
    int open = isTd ? td : th;
    int gt = lower.indexOf('>', open);
    if (gt < 0) break;
    int close = lower.indexOf(isTd ? "</td>" : "</th>", gt + 1);
    if (close < 0) break;
    String text = cellText(body.substring(gt + 1, close));
    if (text.length() > 0) cells[count++] = text;
    pos = close + 5;
  }
  return count;
}

// Writes one "key|name" line when both parts survive normalisation.
bool writeEntry(File& file, const String& listMode, const String& key, const String& name, int& entryCount,
                bool& writeOk) {
  String k = normalizeTargetLookupKey(listMode, key);
  String n = sanitizeTargetListName(name);
  if (k.length() == 0 || n.length() == 0) return false;
  String line = k + "|" + n;
  if (file.println(line) < line.length() + 1) writeOk = false;
  ++entryCount;
  return true;
}

void writeRowEntries(File& file, const String& listMode, const String& body, int& entryCount, bool& writeOk) {
  String cells[TARGET_LIST_MAX_CELLS];
  int n = rowCells(body, cells);
  if (n < 2) return;
  writeEntry(file, listMode, cells[0], cells[1], entryCount, writeOk);
  if (listMode == "YSF" && n >= 6) writeEntry(file, listMode, cells[5], cells[1], entryCount, writeOk);
}

// Cuts complete "<tr ...>...</tr>" rows out of the buffer; keeps an
// unfinished row (or a short tail that may start one) for the next chunk.
void consumeHtmlRows(String& buffer, bool finalPass, File& file, const String& listMode, int& entryCount,
                     bool& writeOk) {
  for (;;) {
    String lower = lowerCopy(buffer);
    int start = lower.indexOf("<tr");
    if (start < 0) {
      if (finalPass) {
        buffer = "";
      } else if (buffer.length() > ROW_SCAN_KEEP_CHARS) {
        buffer = buffer.substring(buffer.length() - ROW_SCAN_KEEP_CHARS);
      }
      return;
    }
    if (start > 0) {
      buffer = buffer.substring(start);
      continue;
    }
    int gt = lower.indexOf('>');
    if (gt < 0) {
      if (buffer.length() > ROW_OPEN_TAG_LIMIT_CHARS)
        buffer = buffer.substring(buffer.length() - ROW_SCAN_KEEP_CHARS);
      if (finalPass) buffer = "";
      return;
    }
    int end = lower.indexOf("</tr>", gt);
    if (end < 0) {
      if (buffer.length() > ROW_BODY_LIMIT_CHARS)
        buffer = buffer.substring(buffer.length() - ROW_SCAN_KEEP_CHARS);
      if (finalPass) buffer = "";
      return;
    }
    writeRowEntries(file, listMode, buffer.substring(gt + 1, end), entryCount, writeOk);
    buffer = buffer.substring(end + 5);
  }
}

// One line of a text list; markup lines (a login or error page answered
// instead of the list) never become entries.
void writeTextLine(File& file, const String& listMode, const String& line, int& entryCount, bool& writeOk) {
  String t = line;
  t.trim();
  if (t.startsWith("<")) return;
  String key, name;
  if (splitTargetListLine(t, key, name)) writeEntry(file, listMode, key, name, entryCount, writeOk);
}

void consumeTextLines(String& buffer, bool finalPass, File& file, const String& listMode, int& entryCount,
                      bool& writeOk) {
  int start = 0;
  for (;;) {
    int nl = buffer.indexOf('\n', start);
    if (nl < 0) break;
    writeTextLine(file, listMode, buffer.substring(start, nl), entryCount, writeOk);
    start = nl + 1;
  }
  buffer = buffer.substring(start);
  if (finalPass && buffer.length() > 0) {
    writeTextLine(file, listMode, buffer, entryCount, writeOk);
    buffer = "";
  }
}

// Source of the converter: the download file or a text in memory.
struct ConvertSource {
  File* file = nullptr;
  const String* text = nullptr;
  unsigned int textPos = 0;

  // Appends the next chunk to buffer; false at the end.
  bool next(String& buffer) {
    if (file != nullptr) {
      char chunk[CONVERT_READ_CHUNK_BYTES];
      size_t n = file->readBytes(chunk, sizeof(chunk));
      if (n == 0) return false;
      buffer += String(chunk, n);
      return true;
    }
    if (text == nullptr || textPos >= text->length()) return false;
    unsigned int end = textPos + (unsigned int)CONVERT_READ_CHUNK_BYTES;
    if (end > text->length()) end = text->length();
    buffer += text->substring(textPos, end);
    textPos = end;
    return true;
  }
};

// True when the closed file holds exactly the bytes that were written: a
// write error of the last buffered data shows only as a shorter file.
bool storedFileHasSize(const String& path, size_t expected) {
  File f = storageOpen(path, "rb");
  if (!f) return false;
  size_t size = f.size();
  f.close();
  return size == expected;
}

// Header, entries, then the temp file replaces the list in one rename.
bool convertToListFile(const String& mode, ConvertSource& source, bool html, const String& finalPath,
                       const String& tmpPath, int& entryCount) {
  entryCount = 0;
  String listMode = normalizeBrenvoMode(mode);
  if (listMode.length() == 0 || finalPath.length() == 0 || tmpPath.length() == 0) return false;
  if (!ensureLookupDirectory()) return false;
  File out = storageOpen(tmpPath, "wb");
  if (!out) return false;
  bool writeOk = true;
  out.println("# Qsodeck target-name list");
  out.println("# Format: target|name");
  out.println(String("# Mode: ") + listMode);
  String buffer;
  bool more = true;
  while (more) {
    more = source.next(buffer);
    if (html) {
      consumeHtmlRows(buffer, !more, out, listMode, entryCount, writeOk);
    } else {
      consumeTextLines(buffer, !more, out, listMode, entryCount, writeOk);
    }
  }
  out.flush();
  size_t written = out.position();
  out.close();
  if (writeOk && !storedFileHasSize(tmpPath, written)) writeOk = false;
  if (entryCount == 0 || !writeOk) {
    storageRemove(tmpPath);
    return false;
  }
  // rename() replaces the old list in one step; on failure the old list stays.
  if (!storageRename(tmpPath, finalPath)) {
    storageRemove(tmpPath);
    return false;
  }
  return true;
}

bool convertFile(const String& mode, const String& rawPath, bool html, const String& finalPath,
                 const String& tmpPath, int& entryCount) {
  entryCount = 0;
  File raw = storageOpen(rawPath, "rb");
  if (!raw) return false;
  ConvertSource source;
  source.file = &raw;
  return convertToListFile(mode, source, html, finalPath, tmpPath, entryCount);
}

// ---- download ----------------------------------------------------------------

struct DownloadResult {
  bool ok = false;
  int code = 0;
  size_t bytes = 0;
  String error;
};

struct DownloadSink {
  File* file = nullptr;
  size_t bytes = 0;
  bool writeFailed = false;
};

// Writes the received bytes in pieces of at most 512; a short write stops the transfer.
bool writeDownloadPiece(DownloadSink& sink, const char* data, size_t total) {
  size_t done = 0;
  while (done < total) {
    size_t piece = total - done;
    if (piece > TARGET_LIST_DOWNLOAD_CHUNK_BYTES) piece = TARGET_LIST_DOWNLOAD_CHUNK_BYTES;
    size_t written = sink.file->write((const uint8_t*)data + done, piece);
    sink.bytes += written;
    if (written != piece) {
      sink.writeFailed = true;
      return false;
    }
    done += piece;
  }
  return true;
}

// One streamed GET through the host's HTTP transport into the open file.
void runStreamedDownload(const String& url, DownloadSink& sink, DownloadResult& result) {
  if (url.length() == 0) {
    result.code = HTTP_FETCH_NOT_STARTED;
    result.error = "HTTP begin failed.";
    return;
  }
  DesktopHttpRequest request;
  request.url = url;
  request.userAgent = httpFetchUserAgent();
  request.headers = "Connection: close\r\nAccept: text/html,text/plain,*/*\r\n";
  request.connectTimeoutMs = HTTP_FETCH_CONNECT_TIMEOUT_MS;
  request.readTimeoutMs = (int)TARGET_LIST_DOWNLOAD_STALL_MS;
  request.requestLimitMs = (int)TARGET_LIST_DOWNLOAD_LIMIT_MS;
  request.http10 = true;
  request.maxRedirects = HTTP_FETCH_MAX_REDIRECTS;
  DesktopHttpResponse response;
  int code = desktopHttpGetStream(
      request, [&sink](const char* data, size_t len) { return writeDownloadPiece(sink, data, len); },
      response);
  // A body that broke off after its status line still reports that status.
  result.code = response.status != 0 ? response.status : (code != 0 ? code : HTTP_FETCH_TRANSPORT_FAILED);
  result.bytes = sink.bytes;
  if (sink.writeFailed) {
    result.error = "SD write failed while downloading.";
  } else if (code < 0) {
    result.error = "HTTP stream unavailable.";
  } else if (code != 200) {
    result.error = String("HTTP ") + result.code;
  } else if (sink.bytes == 0) {
    result.error = "HTTP 200 but no response body was received.";
  } else {
    result.ok = true;
  }
}

// Takes the network lock, then downloads.
DownloadResult performListDownload(const String& url, File& file) {
  DownloadResult result;
  String u = url;
  u.trim();
  NetworkGuard guard(NETWORK_LOCK_TIMEOUT_MS);
  if (!guard) {
    result.code = HTTP_FETCH_NETWORK_BUSY;
    result.error = "Network is busy.";
    return result;
  }
  DownloadSink sink;
  sink.file = &file;
  runStreamedDownload(u, sink, result);
  return result;
}

}  // namespace

// List mode of a mode text; empty for modes without lists.
String normalizeBrenvoMode(const String& mode) {
  String m = mode;
  String n = normalizeModeName(m);
  if (n == "D-STAR") n = "DSTAR";
  if (n == "FUSION") n = "YSF";
  if (n == "DMR" || n == "DSTAR" || n == "YSF" || n == "P25" || n == "NXDN") return n;
  return String("");
}

// The digits of a text in order.
String targetDigitsOnly(const String& text) {
  String out;
  for (unsigned int i = 0; i < text.length(); ++i) {
    if (isdigit((unsigned char)text[i])) out += text[i];
  }
  return out;
}

// "00262" -> "262", "000" -> "0".
String trimLeadingZeros(const String& digits) {
  unsigned int i = 0;
  while (i + 1 < digits.length() && digits[i] == '0') ++i;
  return digits.substring(i);
}

// "XLX" + three digits for an XLX reflector, else empty.
String normalizeDstarReflectorKey(const String& target) {
  String t = target;
  t.trim();
  t.toUpperCase();
  if (!t.startsWith("XLX")) return String("");
  String digits = targetDigitsOnly(t.substring(3));
  if (digits.length() == 0) return String("");
  while (digits.length() < 3) digits = String("0") + digits;
  return String("XLX") + digits.substring(0, 3);
}

// Key of a target in its mode's list; empty for unsupported modes or no digits.
String normalizeTargetLookupKey(const String& mode, const String& target) {
  String listMode = normalizeBrenvoMode(mode);
  String t = target;
  t.trim();
  if (listMode.length() == 0 || t.length() == 0) return String("");
  if (listMode == "DSTAR") return normalizeDstarReflectorKey(t);
  String digits = targetDigitsOnly(t);
  if (digits.length() == 0) return String("");
  return trimLeadingZeros(digits);
}

// Cached name of a target; the list file is read once per mode and key.
String targetNameLookupCached(const String& mode, const String& target) {
  if (!cfg.targetListLookupEnabled) return String("");
  String listMode = normalizeBrenvoMode(mode);
  String key = normalizeTargetLookupKey(listMode, target);
  if (listMode.length() == 0 || key.length() == 0) return String("");
  for (const TargetNameLookupCacheEntry& e : targetNameLookupCache) {
    if (e.valid && e.mode == listMode && e.target == key) return e.found ? trimSafe(e.name) : String("");
  }
  String name;
  bool found = lookupTargetNameInSdFile(listMode, key, name);
  int slot = targetNameLookupCacheWriteIndex % TARGET_NAME_LOOKUP_CACHE_SIZE;
  if (slot < 0) slot = 0;
  targetNameLookupCacheWriteIndex = (slot + 1) % TARGET_NAME_LOOKUP_CACHE_SIZE;
  TargetNameLookupCacheEntry& e = targetNameLookupCache[slot];
  e = TargetNameLookupCacheEntry();
  e.mode = listMode;
  e.target = key;
  e.name = found ? name : String("");
  e.valid = true;
  e.found = found;
  e.lastFetchMillis = millis();
  return found ? trimSafe(name) : String("");
}

// Nothing to do: lookups run at once inside targetNameLookupCached.
void processTargetNameLookups() {}

// Reads the mode's list line by line until the key matches.
bool lookupTargetNameInSdFile(const String& mode, const String& key, String& outName) {
  outName = "";
  const TargetListModeInfo* info = modeInfo(mode);
  if (info == nullptr || key.length() == 0 || !storageExists(info->listPath)) return false;
  File file = storageOpen(info->listPath, "rb");
  if (!file) return false;
  while (file.available() > 0) {
    String line = file.readStringUntil('\n');
    String keyPart, namePart;
    if (!splitTargetListLine(line, keyPart, namePart)) continue;
    if (normalizeTargetLookupKey(info->mode, keyPart) != key) continue;
    outName = sanitizeTargetListName(namePart);
    return outName.length() > 0;
  }
  return false;
}

// "key|name", "key<TAB>name", "key;name", "key,name" or "key name".
bool splitTargetListLine(const String& line, String& keyPart, String& namePart) {
  keyPart = "";
  namePart = "";
  String t = line;
  t.trim();
  if (t.length() == 0 || t[0] == '#') return false;
  int sep = t.indexOf('|');
  if (sep < 0) sep = t.indexOf('\t');
  if (sep < 0) sep = t.indexOf(';');
  if (sep < 0) sep = t.indexOf(',');
  if (sep < 0) {
    for (unsigned int i = 0; i < t.length(); ++i) {
      if (isspace((unsigned char)t[i])) {
        sep = (int)i;
        break;
      }
    }
    if (sep <= 0) return false;
  }
  keyPart = t.substring(0, sep);
  namePart = t.substring(sep + 1);
  keyPart.trim();
  namePart.trim();
  return keyPart.length() > 0 && namePart.length() > 0;
}

// One-line name safe for the list format.
String sanitizeTargetListName(const String& name) {
  String s = decodeListEntities(name);
  s.replace('\r', ' ');
  s.replace('\n', ' ');
  s.replace('\t', ' ');
  s.replace('|', '-');
  return collapseSpaces(s);
}

// Forgets every cached name (after a new list arrived or the settings changed).
void clearTargetNameLookupCache() {
  for (TargetNameLookupCacheEntry& e : targetNameLookupCache) e = TargetNameLookupCacheEntry();
  targetNameLookupCacheWriteIndex = 0;
}

String targetListPathForMode(const String& mode) {
  const TargetListModeInfo* info = modeInfo(mode);
  return info ? String(info->listPath) : String("");
}

String targetListTempPathForMode(const String& mode) {
  const TargetListModeInfo* info = modeInfo(mode);
  return info ? String(info->tmpPath) : String("");
}

String targetListRawPathForMode(const String& mode) {
  const TargetListModeInfo* info = modeInfo(mode);
  return info ? String(info->rawPath) : String("");
}

// Override of the mode, else the base (with %MODE%/%PATH% or + default path).
String targetListUrlForMode(const String& mode) {
  const TargetListModeInfo* info = modeInfo(mode);
  if (info == nullptr) return String("");
  String listMode = info->mode;
  String override = modeOverrideUrl(listMode);
  override.trim();
  if (override.length() > 0) return override;
  String base = cfg.targetListBaseUrl;
  base.trim();
  if (base.length() == 0) base = TARGET_LIST_BASE_URL_DEFAULT;
  if (base.indexOf("%MODE%") >= 0 || base.indexOf("%PATH%") >= 0) {
    String lower = listMode;
    lower.toLowerCase();
    base.replace("%MODE%", lower);
    base.replace("%PATH%", info->defaultPath);
    return base;
  }
  if (!base.endsWith("/")) base += "/";
  return base + info->defaultPath;
}

bool writeTargetListFileFromBrenvoHtmlFile(const String& mode, const String& rawPath, const String& finalPath,
                                           const String& tmpPath, int& entryCount) {
  return convertFile(mode, rawPath, true, finalPath, tmpPath, entryCount);
}

bool writeTargetListFileFromPlainTextFile(const String& mode, const String& rawPath, const String& finalPath,
                                          const String& tmpPath, int& entryCount) {
  return convertFile(mode, rawPath, false, finalPath, tmpPath, entryCount);
}

bool writeTargetListFileFromBrenvoHtml(const String& mode, const String& payload, const String& finalPath,
                                       const String& tmpPath, int& entryCount) {
  ConvertSource source;
  source.text = &payload;
  return convertToListFile(mode, source, true, finalPath, tmpPath, entryCount);
}

bool writeTargetListFileFromPlainText(const String& mode, const String& payload, const String& finalPath,
                                      const String& tmpPath, int& entryCount) {
  ConvertSource source;
  source.text = &payload;
  return convertToListFile(mode, source, false, finalPath, tmpPath, entryCount);
}

// Streams a GET body into a storage file. Every failure (including a body
// that stalls for TARGET_LIST_DOWNLOAD_STALL_MS, outlasts
// TARGET_LIST_DOWNLOAD_LIMIT_MS, ends before its announced length or breaks
// off) removes the partial file and reports why.
bool httpDownloadToSdFile(const String& url, const String& path, int& codeOut, size_t& bytesOut,
                          String& errorOut) {
  codeOut = 0;
  bytesOut = 0;
  errorOut = "";
  if (path.length() == 0) {
    errorOut = "No temporary file path is configured.";
    return false;
  }
  if (!ensureLookupDirectory()) {
    errorOut = "Could not create /lookup on the SD card.";
    return false;
  }
  File file = storageOpen(path, "wb");
  if (!file) {
    errorOut = String("Could not open ") + path + " for writing.";
    return false;
  }
  DownloadResult result = performListDownload(url, file);
  file.close();
  if (result.ok && !storedFileHasSize(path, result.bytes)) {
    result.ok = false;
    result.error = "SD write failed while downloading.";
  }
  codeOut = result.code;
  bytesOut = result.bytes;
  errorOut = result.error;
  if (!result.ok) storageRemove(path);
  return result.ok;
}

// Downloads a mode's list page and converts it (HTML table first, then text lines).
bool downloadTargetListForMode(const String& mode, String& detailOut) {
  detailOut = "";
  const TargetListModeInfo* info = modeInfo(mode);
  String url = targetListUrlForMode(mode);
  if (info == nullptr || url.length() == 0) {
    detailOut = "No source URL or file path is configured.";
    return false;
  }
  String listMode = info->mode;
  int code = 0;
  size_t bytes = 0;
  String error;
  if (!httpDownloadToSdFile(url, info->rawPath, code, bytes, error)) {
    String msg = String("Target list download failed for ") + listMode + " (HTTP " + code + ")";
    if (error.length() > 0) msg += String(": ") + error;
    msg += ".";
    addWebLog("WARN", "LOOKUP", msg, true);
    detailOut = msg;
    return false;
  }
  int entries = 0;
  bool ok =
      writeTargetListFileFromBrenvoHtmlFile(listMode, info->rawPath, info->listPath, info->tmpPath, entries);
  if (!ok)
    ok =
        writeTargetListFileFromPlainTextFile(listMode, info->rawPath, info->listPath, info->tmpPath, entries);
  storageRemove(info->rawPath);
  String byteText = String((unsigned long long)bytes);
  if (ok) {
    clearTargetNameLookupCache();
    detailOut = String("Saved ") + entries + " " + listMode + " target names to " + info->listPath +
                " from " + byteText + " downloaded bytes.";
    addWebLog("INFO", "LOOKUP", detailOut, true);
    return true;
  }
  detailOut = String("Could not convert target list for ") + listMode + " to SD format. Downloaded " +
              byteText + " bytes. Expected Brenvo HTML or text lines like 262|Germany.";
  addWebLog("WARN", "LOOKUP", detailOut, true);
  return false;
}

// Size of the mode's list file as the settings pages show it.
String targetListFileSizeText(const String& mode) {
  const TargetListModeInfo* info = modeInfo(mode);
  if (info == nullptr || !storageExists(info->listPath)) return String("Missing");
  File file = storageOpen(info->listPath, "rb");
  if (!file) return String("Unreadable");
  size_t size = file.size();
  file.close();
  char text[32];
  if (size < 1024) {
    snprintf(text, sizeof(text), "%zu bytes", size);
  } else if (size < 1048576) {
    snprintf(text, sizeof(text), "%.1f KB", (double)size / 1024.0);
  } else {
    snprintf(text, sizeof(text), "%.2f MB", (double)size / 1048576.0);
  }
  return String(text);
}
