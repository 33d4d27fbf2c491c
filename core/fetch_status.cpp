#include "core/fetch_status.h"

#include "core/device_log.h"

String watchFetchLastUpdatedText(const WatchFetchStatus& status) {
  if (status.fetchInProgress) return String("Fetching...");
  if (status.lastSuccessMillis != 0) return formatMillisAgoBrief(status.lastSuccessMillis);
  if (status.lastAttemptMillis != 0) {
    if (status.lastHttpCode == 0) return String("Failed");
    return String("HTTP ") + String(status.lastHttpCode);
  }
  return String("Waiting");
}
