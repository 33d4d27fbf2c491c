#pragma once

// A Linux backlight (a folder like /sys/class/backlight/<name> holding
// "brightness" and "max_brightness"): the panel's 0..255 level is written
// scaled to the device's range.

#include <string>

// The search folder of "auto" (tests point it elsewhere; empty restores
// /sys/class/backlight). Forgets the device resolved before.
void backlightSetSearchRoot(const std::string& root);

// Writes level (0..255) to the backlight named by setting: "auto" (the first
// entry of the search folder, by name, whose "brightness" is writable),
// "none" (nothing) or a folder path. The written value is
// level * max_brightness / 255 rounded, never 0 unless level is 0. A
// device that is missing or not writable is traced once as a warning (per
// setting) and nothing is written. Returns true when a value was written.
bool backlightWrite(const std::string& setting, int level);

// The folder the setting resolved to ("" when none); resolves it if needed.
std::string backlightDeviceFolder(const std::string& setting);
