// Entry point shared by the settings-page libFuzzer target and its corpus
// replay test: the form, cookie and HTML helpers and the import's JSON
// reader and checks on arbitrary bytes, with the guarantees that must hold.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <string>

#include "core/config.h"
#include "core/config_edit.h"
#include "host/json_reader.h"
#include "web/web_form.h"

inline void fuzzWebCheck(bool ok) {
  if (!ok) abort();
}

inline void fuzzWebInput(const uint8_t* data, size_t size) {
  const std::string text((const char*)data, size);

  WebFields fields = parseUrlEncoded(text);
  fuzzWebCheck(fields.size() <= WEB_FORM_MAX_FIELDS);
  size_t bytes = 0;
  for (const auto& f : fields) {
    fuzzWebCheck(!f.first.empty());
    bytes += f.first.size() + f.second.size();
  }
  fuzzWebCheck(bytes <= text.size());
  fuzzWebCheck(cookieValue(text, "qsodeck_session").size() <= text.size());
  const std::string escaped = htmlEscape(text);
  fuzzWebCheck(escaped.find_first_of("<>\"'") == std::string::npos);
  fuzzWebCheck(htmlFromMarkdownCode(text).find('"') == std::string::npos);

  // A document the reader takes is written back and read again; from the
  // second writing on the text is stable (the first may turn -0 into 0).
  desktop_json::Node node;
  std::string error;
  if (parseJsonText(text, node, error)) {
    std::string once, twice, thrice;
    desktop_json::writeNode(node, false, 0, once);
    desktop_json::Node again, third;
    fuzzWebCheck(parseJsonText(once, again, error));
    desktop_json::writeNode(again, false, 0, twice);
    fuzzWebCheck(parseJsonText(twice, third, error));
    desktop_json::writeNode(third, false, 0, thrice);
    fuzzWebCheck(twice == thrice);
  } else {
    fuzzWebCheck(!error.empty());
  }

  // The import's checks: either a reason or a configuration that loads.
  ConfigEditOutcome outcome;
  const AppConfig before = cfg;
  checkConfigImportText(text, outcome);
  fuzzWebCheck(!outcome.saved);
  fuzzWebCheck(cfg.refreshMs == before.refreshMs && cfg.pistarHost == before.pistarHost);
  for (const ConfigFieldNote& n : outcome.notes) fuzzWebCheck(!n.path.empty() && !n.message.empty());
}
