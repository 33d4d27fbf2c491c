#include "hotspot/heard_browse.h"

LastHeardFilter lastHeardFilter = LAST_HEARD_FILTER_ALL;
LastHeardSort lastHeardSort = LAST_HEARD_SORT_NEWEST;
int lastHeardPageIndex = 0;

static const char* const FILTER_LABELS[LAST_HEARD_FILTER_COUNT] = {"ALL", "DMR",  "DSTAR", "YSF",
                                                                   "P25", "NXDN", "POCSAG"};
static const char* const SORT_LABELS[LAST_HEARD_SORT_COUNT] = {"NEWEST", "CALL", "MODE"};

const char* getLastHeardFilterLabel() {
  const int f = (int)lastHeardFilter;
  return (f >= 0 && f < LAST_HEARD_FILTER_COUNT) ? FILTER_LABELS[f] : "ALL";
}

const char* getLastHeardSortLabel() {
  const int s = (int)lastHeardSort;
  return (s >= 0 && s < LAST_HEARD_SORT_COUNT) ? SORT_LABELS[s] : "NEWEST";
}

String heardRecordModeName(const HeardRecord& rec) {
  String raw = rec.mode;
  return normalizeModeName(raw);
}

bool heardRecordMatchesLastHeardFilter(const HeardRecord& rec) {
  const int f = (int)lastHeardFilter;
  if (f <= LAST_HEARD_FILTER_ALL || f >= LAST_HEARD_FILTER_COUNT) return true;
  return heardRecordModeName(rec) == FILTER_LABELS[f];
}

int compareLastHeardField(const String& a, const String& b) {
  String ua = a, ub = b;
  ua.toUpperCase();
  ub.toUpperCase();
  const unsigned int n = ua.length() < ub.length() ? ua.length() : ub.length();
  for (unsigned int i = 0; i < n; ++i) {
    const unsigned char ca = (unsigned char)ua.charAt(i);
    const unsigned char cb = (unsigned char)ub.charAt(i);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (ua.length() == ub.length()) return 0;
  return ua.length() < ub.length() ? -1 : 1;
}

// Positive when record a sorts after record b in the current sort order.
static int compareForSort(const HeardRecord& a, const HeardRecord& b) {
  int c = 0;
  if (lastHeardSort == LAST_HEARD_SORT_MODE) {
    c = compareLastHeardField(heardRecordModeName(a), heardRecordModeName(b));
    if (c != 0) return c;
  }
  c = compareLastHeardField(a.callsign, b.callsign);
  if (c != 0) return c;
  return compareLastHeardField(a.timeUtc, b.timeUtc);
}

int buildLastHeardVisibleIndices(int* outIndices, int maxCount) {
  if (outIndices == nullptr || maxCount < 1) return 0;
  int count = 0;
  const HeardList& shown = shownHeardList();
  const int total = shown.count < MAX_HEARD ? shown.count : MAX_HEARD;
  for (int i = 0; i < total && count < maxCount; ++i) {
    if (heardRecordMatchesLastHeardFilter(shown.records[i])) outIndices[count++] = i;
  }
  const bool sorted = lastHeardSort == LAST_HEARD_SORT_CALLSIGN || lastHeardSort == LAST_HEARD_SORT_MODE;
  if (!sorted || count <= 1) return count;
  for (int i = 0; i < count - 1; ++i) {
    for (int j = i + 1; j < count; ++j) {
      if (compareForSort(shown.records[outIndices[i]], shown.records[outIndices[j]]) > 0) {
        const int t = outIndices[i];
        outIndices[i] = outIndices[j];
        outIndices[j] = t;
      }
    }
  }
  return count;
}

int lastHeardPageCount(int visible) {
  return visible <= 0 ? 0 : (visible + LAST_HEARD_ROWS_PER_PAGE - 1) / LAST_HEARD_ROWS_PER_PAGE;
}

static void clampPage(int rows) {
  int maxPage = rows > 0 ? (rows - 1) / LAST_HEARD_ROWS_PER_PAGE : 0;
  if (lastHeardPageIndex < 0) lastHeardPageIndex = 0;
  if (lastHeardPageIndex > maxPage) lastHeardPageIndex = maxPage;
}

void normalizeLastHeardBrowseState() {
  int indices[MAX_HEARD];
  clampPage(buildLastHeardVisibleIndices(indices, MAX_HEARD));
}

void normalizeSvxlinkHeardBrowseState() { clampPage(shownHeardList().count); }
