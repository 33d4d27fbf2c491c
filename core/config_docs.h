// The description of every configuration key: its group on the settings
// page, type, default, meaning and allowed range. The settings page shows
// it and the key section of examples/README.md is generated from it
// (`config_docs --readme`; a test fails when the two differ), so that the
// page and the file documentation cannot drift apart.
//
// To add a key: one row in CONFIG_DOC_ROWS (config_docs.cpp) in its group,
// then regenerate the README section.
#pragma once

#include <stdint.h>

#include <string>

// Row flags.
static const unsigned CONFIG_DOC_SECRET = 1u;  // write-only: never shown, exported only on request

// Largest value of an unsigned 32-bit key, as a range bound.
static const long long UINT32_MAX_KEY = 4294967295LL;

struct ConfigDocRow {
  const char* key;          // JSON key (also the form field name)
  const char* group;        // id of its ConfigDocGroup
  const char* type;         // "text", "number", "bool", "array" or "object"
  const char* defaultText;  // the default as the README shows it (Markdown)
  const char* meaning;      // one paragraph of Markdown (`code` only)
  long long min;            // allowed range of a number; min > max: none
  long long max;
  unsigned flags;           // CONFIG_DOC_* bits
};

struct ConfigDocGroup {
  const char* id;     // anchor on the settings page ("weather")
  const char* title;  // section title ("Weather")
  const char* note;   // Markdown paragraph after the group's table, or null
};

extern const ConfigDocRow CONFIG_DOC_ROWS[];
extern const int CONFIG_DOC_ROW_COUNT;
extern const ConfigDocGroup CONFIG_DOC_GROUPS[];
extern const int CONFIG_DOC_GROUP_COUNT;

// The row of a key, or null.
const ConfigDocRow* configDocRow(const std::string& key);
// The group with this id, or null.
const ConfigDocGroup* configDocGroup(const std::string& id);
// True for a key whose value is a secret.
bool configKeyIsSecret(const std::string& key);
// The "## Keys" section of examples/README.md (to the end of the file):
// one table per group; neighbouring rows of a group with the same type,
// default and meaning share one table row.
std::string configDocsReadmeSection();
