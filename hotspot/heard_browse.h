// Browsing the active heard list: the mode filter, the sort order and the
// page of the HEARD page, and the list of records they make visible.
#pragma once

#include "host/wstring.h"
#include "hotspot/heard.h"

enum LastHeardFilter : int {
  LAST_HEARD_FILTER_ALL = 0,
  LAST_HEARD_FILTER_DMR = 1,
  LAST_HEARD_FILTER_DSTAR = 2,
  LAST_HEARD_FILTER_YSF = 3,
  LAST_HEARD_FILTER_P25 = 4,
  LAST_HEARD_FILTER_NXDN = 5,
  LAST_HEARD_FILTER_POCSAG = 6,
};
static const int LAST_HEARD_FILTER_COUNT = 7;

enum LastHeardSort : int {
  LAST_HEARD_SORT_NEWEST = 0,
  LAST_HEARD_SORT_CALLSIGN = 1,
  LAST_HEARD_SORT_MODE = 2,
};
static const int LAST_HEARD_SORT_COUNT = 3;

static const int LAST_HEARD_ROWS_PER_PAGE = 4;

extern LastHeardFilter lastHeardFilter;
extern LastHeardSort lastHeardSort;
extern int lastHeardPageIndex;

// "ALL", "DMR", ... for the filter; "ALL" for an unknown value.
const char* getLastHeardFilterLabel();
// "NEWEST", "CALL" or "MODE"; "NEWEST" for an unknown value.
const char* getLastHeardSortLabel();
// Canonical mode name of a record ("DMR", ...; see normalizeModeName).
String heardRecordModeName(const HeardRecord& rec);
// True when the record passes the mode filter.
bool heardRecordMatchesLastHeardFilter(const HeardRecord& rec);
// Byte-wise comparison of upper-cased copies (negative, zero, positive).
int compareLastHeardField(const String& a, const String& b);
// Indices into the shown heard list that the page shows, filtered and
// sorted; the count.
int buildLastHeardVisibleIndices(int* outIndices, int maxCount);
// Number of pages for a number of visible rows (0 for none).
int lastHeardPageCount(int visible);
// Clamps the page to the filtered list.
void normalizeLastHeardBrowseState();
// Clamps the page to the whole list (the SvxLink heard page has no filter).
void normalizeSvxlinkHeardBrowseState();
