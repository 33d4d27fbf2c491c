// The lookups of the installed watch-source table.
#include "core/watch_source.h"

const StartPageName MMDVM_START_LIVE = {
    "mmdvm_live", "MMDVM LIVE", {"", "mmdvm", "mmdvm-live", "mmdvm-watch", "live", "watch", nullptr}};
const StartPageName MMDVM_START_HEARD = {
    "mmdvm_last", "MMDVM HEARD", {"mmdvm-last", "mmdvm-heard", "heard", "last", "last-heard", nullptr}};

namespace {

const WatchSourceRow* const* installedRows = nullptr;

// Answers every lookup while no table is installed.
WatchSourceRow emptyMmdvmRow() {
  WatchSourceRow row = {};
  row.source = WATCH_MMDVM;
  row.buttonLabel = "MMDVM";
  row.footerName = "MMDVM";
  row.startLive = MMDVM_START_LIVE;
  row.startHeard = MMDVM_START_HEARD;
  return row;
}

const WatchSourceRow EMPTY_MMDVM_ROW = emptyMmdvmRow();

const WatchSourceRow& mmdvmRow() { return installedRows ? *installedRows[WATCH_MMDVM] : EMPTY_MMDVM_ROW; }

}  // namespace

void installWatchSourceTable(const WatchSourceRow* const rows[WATCH_SOURCE_COUNT]) { installedRows = rows; }

const WatchSourceRow& watchSourceRow(WatchSource source) {
  const int index = (int)source;
  if (installedRows == nullptr || index < 0 || index >= WATCH_SOURCE_COUNT) return mmdvmRow();
  return *installedRows[index];
}

bool watchSourceAvailable(WatchSource source) {
  const int index = (int)source;
  if (index < 0 || index >= WATCH_SOURCE_COUNT) return false;
  if (installedRows == nullptr) return source == WATCH_MMDVM;
  const WatchSourceRow& row = *installedRows[index];
  return row.available == nullptr || row.available();
}

const WatchSourceRow& activeWatchSourceRow() {
  return watchSourceAvailable(currentWatchSource) ? watchSourceRow(currentWatchSource) : mmdvmRow();
}

bool isCurrentWatch(WatchSource source) { return currentWatchSource == source && watchSourceAvailable(source); }

bool anyWatchFeatureEnabled() {
  for (int i = 0; i < WATCH_SOURCE_COUNT; ++i) {
    if (i != WATCH_MMDVM && watchSourceAvailable((WatchSource)i)) return true;
  }
  return false;
}

const char* watchSourceFooterName(WatchSource source) { return watchSourceRow(source).footerName; }
