#include "host/startup_options.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "host/storage.h"

#ifndef QSODECK_DEFAULT_ASSETS_DIR
#define QSODECK_DEFAULT_ASSETS_DIR ""
#endif

namespace {

const char* const STORAGE_OPTION = "--storage";

bool isDirectory(const std::string& p) {
  struct stat st;
  return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Why the writable folder cannot be used ("" when it can).
std::string storageProblem(const std::string& dir) {
  if (!desktopCreateDirs(String(dir)) || !isDirectory(dir)) {
    const int err = errno;
    return std::string("cannot create the storage folder ") + dir + " (" + strerror(err) + ")";
  }
  if (access(dir.c_str(), W_OK | X_OK) != 0) {
    const int err = errno;
    return std::string("the storage folder ") + dir + " is not writable (" + strerror(err) + ")";
  }
  return std::string();
}

}  // namespace

std::string desktopExpandHome(const std::string& path) {
  if (path.empty() || path[0] != '~' || (path.size() > 1 && path[1] != '/')) return path;
  const char* home = getenv("HOME");
  if (home == nullptr || home[0] == '\0') return path;
  return std::string(home) + path.substr(1);
}

DesktopOptions desktopParseOptions(int argc, char** argv) {
  DesktopOptions o;
  const char* envStorage = getenv("QSODECK_STORAGE");
  if (envStorage != nullptr && envStorage[0] != '\0') {
    o.storageDir = envStorage;
    o.storageChosen = true;
  }
  const char* envShipped = getenv("QSODECK_ASSETS");
  o.shippedDir = envShipped != nullptr ? envShipped : QSODECK_DEFAULT_ASSETS_DIR;
  const size_t optionLen = strlen(STORAGE_OPTION);
  for (int i = 1; i < argc && o.error.empty(); ++i) {
    const std::string a = argv[i] != nullptr ? argv[i] : "";
    if (a == "--help" || a == "-h") {
      o.showHelp = true;
    } else if (a == "--version" || a == "-V") {
      o.showVersion = true;
    } else if (a == STORAGE_OPTION || a.compare(0, optionLen + 1, std::string(STORAGE_OPTION) + "=") == 0) {
      std::string value;
      if (a.size() > optionLen) {
        value = a.substr(optionLen + 1);
      } else if (i + 1 < argc && argv[i + 1] != nullptr) {
        value = argv[++i];
      }
      if (value.empty()) {
        o.error = "--storage needs a folder";
      } else {
        o.storageDir = value;
        o.storageChosen = true;
      }
    } else {
      o.error = "unknown argument '" + a + "'";
    }
  }
  o.storageDir = desktopExpandHome(o.storageDir);
  o.shippedDir = desktopExpandHome(o.shippedDir);
  return o;
}

std::string desktopUsageText() {
  return std::string(
             "Usage: qsodeck [--storage DIR] [--help] [--version]\n"
             "Touchscreen status display for amateur-radio digital-voice hotspots.\n"
             "\n"
             "  --storage DIR  writable folder for config.json, downloaded lists, pinned SSH\n"
             "                 host keys and the log (default: QSODECK_STORAGE, else sdcard\n"
             "                 in the working directory; a leading ~/ is the home folder)\n"
             "  -h, --help     print this text and exit\n"
             "  -V, --version  print the version and exit\n"
             "\n"
             "Shipped pictures and tables are read from QSODECK_ASSETS (default: ") +
         (QSODECK_DEFAULT_ASSETS_DIR[0] != '\0' ? QSODECK_DEFAULT_ASSETS_DIR : "none") +
         ");\na file of the same name in the storage folder takes precedence.\n";
}

std::string desktopPrepareStorage(const DesktopOptions& options) {
  SD.setRoot(options.storageDir.c_str());
  SD.setShippedRoot(options.shippedDir.c_str());
  storageFolderChosen = options.storageChosen;
  const std::string problem = storageProblem(SD.root().str());
  storageReadOnly = !problem.empty();
  if (problem.empty()) return problem;
  return problem +
         "; running read-only: settings cannot be saved. Give the user write access to it, or start "
         "with --storage DIR (or QSODECK_STORAGE) naming a writable folder.";
}
