// Editing the configuration as a whole: a set of changed values (from the
// settings form) or an uploaded file (import) becomes a candidate
// configuration that is checked value by value, normalised exactly as the
// loader does, and only then saved and applied. Nothing is saved when a
// value is refused. Export writes the configuration with or without its
// secrets.
//
// Values are addressed by their JSON path: a top-level key ("refresh_ms"),
// "wifi_profiles.<0-4>.ssid|password", "quick_actions.<0-3>.enabled|use_sudo|
// label|command", "svxlink_actions.<0-3>...." and "theme.<colour>".
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/config.h"

// Longest text value accepted.
static const size_t CONFIG_TEXT_MAX_BYTES = 1024;

// What happened to one submitted value.
struct ConfigFieldNote {
  std::string path;
  std::string message;  // "became 10 (allowed 10 to 1440)", "must be a whole number", ...
  bool refused = false;
};

struct ConfigEditOutcome {
  bool saved = false;                  // written to the file and applied
  std::string error;                   // why nothing was saved (empty when saved)
  std::vector<ConfigFieldNote> notes;  // refused and adjusted values
  std::vector<std::string> changes;    // "refresh_ms: 1500 -> 2500"; secrets without values
};

typedef std::vector<std::pair<std::string, std::string>> ConfigFormFields;

// Applies the submitted values on top of the current configuration. For a
// field sent several times the last value counts; an empty secret keeps the
// stored one (a path listed in clearSecrets empties it instead); fields of
// unknown paths are ignored.
void applyConfigForm(const ConfigFormFields& fields, const std::vector<std::string>& clearSecrets,
                     ConfigEditOutcome& out);
// Imports a whole configuration file: it must be one valid JSON object with
// the required fields (texts of the import); keys it lacks take their
// defaults, except secrets, which keep their stored values.
void applyConfigImportText(const std::string& text, ConfigEditOutcome& out);
// The checks of applyConfigImportText without saving or applying anything:
// out.error and the refused notes say whether the import would be taken.
void checkConfigImportText(const std::string& text, ConfigEditOutcome& out);
// The import of an upload: the bytes are written to IMPORT_CONFIG_TEMP_FILE,
// imported from there as applyConfigImportText does, and the file removed.
void applyConfigFromFileText(const std::string& upload, ConfigEditOutcome& out);
// The configuration file as the save writes it, without the secret values
// unless withSecrets.
std::string configExportText(bool withSecrets);
// The current value of a path as text (true/false, decimal, the text); false
// for an unknown path.
bool configValueText(const std::string& path, std::string& out);
// Every path of the configuration in file order (the theme colours last).
std::vector<std::string> configEditablePaths();
