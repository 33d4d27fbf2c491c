#include "host/backlight.h"

#include <dirent.h>
#include <errno.h>
#include <limits.h>
#include <stdlib.h>
#include <stdio.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "host/trace_log.h"

namespace {

const char* const SYS_BACKLIGHT_ROOT = "/sys/class/backlight";
const int LEVEL_MAX = 255;
const size_t NUMBER_TEXT_BYTES = 32;

struct BacklightState {
  std::string root = SYS_BACKLIGHT_ROOT;
  bool resolved = false;
  std::string setting;  // the setting the folder below was resolved for
  std::string folder;   // "" when there is no usable device
  int maxBrightness = 0;
  int lastWritten = -1;
} gBacklight;

bool writable(const std::string& path) { return access(path.c_str(), W_OK) == 0; }

// The number at the start of a file (a sysfs value, "255\n"), or 0 when the
// file is missing, holds no number, a negative one or one beyond INT_MAX.
int readNumber(const std::string& path) {
  FILE* f = fopen(path.c_str(), "r");
  if (f == nullptr) return 0;
  char text[NUMBER_TEXT_BYTES] = "";
  size_t n = fread(text, 1, sizeof(text) - 1, f);
  fclose(f);
  text[n] = '\0';
  errno = 0;
  char* end = nullptr;
  long v = strtol(text, &end, 10);
  if (end == text || errno != 0 || v < 0 || v > INT_MAX) return 0;
  return (int)v;
}

// The first entry of the search folder with a writable "brightness".
std::string firstWritableDevice() {
  std::vector<std::string> names;
  DIR* d = opendir(gBacklight.root.c_str());
  if (d == nullptr) return "";
  while (dirent* e = readdir(d)) {
    if (e->d_name[0] != '.') names.push_back(e->d_name);
  }
  closedir(d);
  std::sort(names.begin(), names.end());
  for (const std::string& n : names) {
    std::string folder = gBacklight.root + "/" + n;
    if (writable(folder + "/brightness")) return folder;
  }
  return "";
}

void resolve(const std::string& setting) {
  if (gBacklight.resolved && gBacklight.setting == setting) return;
  gBacklight.resolved = true;
  gBacklight.setting = setting;
  gBacklight.folder.clear();
  gBacklight.maxBrightness = 0;
  gBacklight.lastWritten = -1;
  if (setting == "none") return;
  const bool automatic = setting.empty() || setting == "auto";
  std::string folder = automatic ? firstWritableDevice() : setting;
  if (automatic && folder.empty()) return;  // a desktop without a backlight: nothing to say
  int maxBrightness = readNumber(folder + "/max_brightness");
  if (!writable(folder + "/brightness") || maxBrightness <= 0) {
    desktopTrace("[BACKLIGHT][WARN] %s has no writable brightness with a max_brightness above 0; "
                 "brightness stays unchanged (check the folder and the video group).\n",
                 folder.c_str());
    return;
  }
  gBacklight.folder = folder;
  gBacklight.maxBrightness = maxBrightness;
  desktopTrace("[BACKLIGHT] using %s (max_brightness %d).\n", folder.c_str(), maxBrightness);
}

int scaledValue(int level, int maxBrightness) {
  if (level <= 0) return 0;
  if (level > LEVEL_MAX) level = LEVEL_MAX;
  long v = ((long)level * maxBrightness + LEVEL_MAX / 2) / LEVEL_MAX;
  return v < 1 ? 1 : (int)v;
}

}  // namespace

void backlightSetSearchRoot(const std::string& root) {
  gBacklight = BacklightState();
  if (!root.empty()) gBacklight.root = root;
}

bool backlightWrite(const std::string& setting, int level) {
  resolve(setting);
  if (gBacklight.folder.empty()) return false;
  const int value = scaledValue(level, gBacklight.maxBrightness);
  if (value == gBacklight.lastWritten) return true;
  FILE* f = fopen((gBacklight.folder + "/brightness").c_str(), "w");
  bool ok = f != nullptr && fprintf(f, "%d\n", value) > 0;
  if (f != nullptr && fclose(f) != 0) ok = false;
  if (!ok) {
    desktopTrace("[BACKLIGHT][WARN] writing %d to %s/brightness failed; brightness stays unchanged.\n", value,
                 gBacklight.folder.c_str());
    gBacklight.folder.clear();  // traced once; the next setting change tries again
    return false;
  }
  gBacklight.lastWritten = value;
  return true;
}

std::string backlightDeviceFolder(const std::string& setting) {
  resolve(setting);
  return gBacklight.folder;
}
