// Table of the plain configuration keys from "pistar_host" to
// "svxlink_ssh_port", the call-watch keys, the settings-page keys, the panel
// keys and the night keys: one row per key with its field, in the order in
// which the loader applies them and the save writes them.
#pragma once

#include <stdint.h>

#include "core/config.h"

enum ConfigKeyType { CONFIG_KEY_STRING, CONFIG_KEY_BOOL, CONFIG_KEY_U8, CONFIG_KEY_U16, CONFIG_KEY_U32 };

struct ConfigKeyRow {
  const char *key;
  ConfigKeyType type;
  String AppConfig::*text;
  bool AppConfig::*flag;
  uint8_t AppConfig::*u8;
  uint16_t AppConfig::*u16;
  uint32_t AppConfig::*u32;
};

// The rows and their number.
extern const ConfigKeyRow CONFIG_KEY_ROWS[];
extern const int CONFIG_KEY_ROW_COUNT;
