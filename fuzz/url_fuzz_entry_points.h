// Entry point shared by the URL libFuzzer target and its corpus replay test:
// trace-line redaction, header clean-up and redirect resolution on arbitrary
// bytes (URLs come from the configuration and from Location headers).
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include "host/http_client.h"
#include "host/wstring.h"
#include "hotspot/http_fetch.h"

// Input: current URL, a LF, then the Location value (no LF: both are the input).
inline void fuzzUrlInput(const uint8_t* data, size_t size) {
  String all((const char*)data, size);
  int split = all.indexOf('\n');
  String current = split < 0 ? all : all.substring(0, split);
  String location = split < 0 ? all : all.substring(split + 1);

  String redacted = redactUrlSecrets(all);
  if (redactUrlSecrets(redacted) != redacted) abort();  // redaction is stable
  if (all.indexOf('?') < 0 && all.indexOf('@') < 0 && redacted != all) abort();

  String clean = stripHeaderLineBreaks(all);
  if (clean.indexOf('\r') >= 0 || clean.indexOf('\n') >= 0) abort();
  if (clean.length() > all.length()) abort();

  String resolved = resolveRedirectUrl(current, location);
  String trimmedLocation = location;
  trimmedLocation.trim();
  if (trimmedLocation.isEmpty() != resolved.isEmpty()) abort();
  if (!resolved.isEmpty() && !resolved.endsWith(trimmedLocation)) abort();
}
