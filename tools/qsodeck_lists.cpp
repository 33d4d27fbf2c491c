// qsodeck_lists: downloads the talkgroup / reflector name lists for the
// display and converts them into the list files under "/lookup" of the
// storage folder -- the same download and conversion the board edition runs
// from its settings pages.
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "core/config.h"
#include "core/config_file.h"
#include "core/device_log.h"
#include "enrichment/target_lists.h"
#include "host/storage.h"
#include "host/wstring.h"

namespace {

const char* const ALL_MODES[] = {"DMR", "DSTAR", "YSF", "P25", "NXDN"};

void printUsage(FILE* out) {
  fputs(
      "Usage: qsodeck_lists [options] MODE...\n"
      "Downloads the target-name list of each MODE and converts it into the list file\n"
      "the display reads (sdcard/lookup/<mode>.txt, one \"target|name\" per line).\n"
      "\n"
      "MODE: dmr, dstar, ysf, p25, nxdn, or all (every mode).\n"
      "\n"
      "Options:\n"
      "  --sdcard DIR      storage folder (default: sdcard in the working directory)\n"
      "  --base-url URL    list site base; %MODE% and %PATH% are replaced when present\n"
      "                    (default: target_list_base_url of the configuration)\n"
      "  --url URL         list address for the single MODE given (http, https or file://)\n"
      "  --lookup TARGET   after the download, print the name of TARGET in each list\n"
      "  --no-download     only look up / show sizes, do not download\n"
      "  --status          print the size of each list file\n"
      "  -h, --help        this text\n"
      "\n"
      "The configuration (sdcard/config.json, else config.json) supplies the base URL\n"
      "and the per-mode URLs (target_list_*_url). A failed download or conversion keeps\n"
      "the previous list. Exit status: 0 when every mode succeeded, 1 when one failed,\n"
      "2 for wrong usage.\n"
      "\n"
      "Examples:\n"
      "  qsodeck_lists all\n"
      "  qsodeck_lists --base-url http://127.0.0.1:8080/digital-radio-lists/ dmr ysf\n"
      "  qsodeck_lists --url file:///tmp/talkgroups.html --lookup 262 dmr\n",
      out);
}

struct Options {
  std::string sdcard;
  std::string baseUrl;
  std::string url;
  std::string lookup;
  bool download = true;
  bool status = false;
  std::vector<std::string> modes;
};

bool takeValue(int argc, char** argv, int& i, std::string& out) {
  if (i + 1 >= argc) {
    fprintf(stderr, "qsodeck_lists: %s needs a value\n", argv[i]);
    return false;
  }
  out = argv[++i];
  return true;
}

// Parses the command line; 0 = go on, otherwise the exit status.
int parseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "-h" || a == "--help") {
      printUsage(stdout);
      return -1;
    }
    bool ok = true;
    if (a == "--sdcard")
      ok = takeValue(argc, argv, i, o.sdcard);
    else if (a == "--base-url")
      ok = takeValue(argc, argv, i, o.baseUrl);
    else if (a == "--url")
      ok = takeValue(argc, argv, i, o.url);
    else if (a == "--lookup")
      ok = takeValue(argc, argv, i, o.lookup);
    else if (a == "--no-download")
      o.download = false;
    else if (a == "--status")
      o.status = true;
    else if (!a.empty() && a[0] == '-') {
      fprintf(stderr, "qsodeck_lists: unknown option %s\n", a.c_str());
      ok = false;
    } else if (String(a.c_str()).equalsIgnoreCase("all")) {
      for (const char* m : ALL_MODES) o.modes.push_back(m);
    } else if (normalizeBrenvoMode(a.c_str()).length() == 0) {
      fprintf(stderr, "qsodeck_lists: unknown mode %s (dmr, dstar, ysf, p25, nxdn or all)\n", a.c_str());
      ok = false;
    } else {
      o.modes.push_back(normalizeBrenvoMode(a.c_str()).c_str());
    }
    if (!ok) return 2;
  }
  if (o.modes.empty()) {
    fputs("qsodeck_lists: no MODE given\n", stderr);
    printUsage(stderr);
    return 2;
  }
  if (!o.url.empty() && o.modes.size() != 1) {
    fputs("qsodeck_lists: --url needs exactly one MODE\n", stderr);
    return 2;
  }
  return 0;
}

void applyOptionsToConfig(const Options& o) {
  if (!o.baseUrl.empty()) cfg.targetListBaseUrl = o.baseUrl.c_str();
  if (o.url.empty()) return;
  String mode = o.modes[0].c_str();
  String url = o.url.c_str();
  if (mode == "DMR") cfg.targetListDmrUrl = url;
  if (mode == "DSTAR") cfg.targetListDstarUrl = url;
  if (mode == "YSF") cfg.targetListYsfUrl = url;
  if (mode == "P25") cfg.targetListP25Url = url;
  if (mode == "NXDN") cfg.targetListNxdnUrl = url;
}

// Downloads (unless switched off), then reports; false when the mode failed.
bool runMode(const Options& o, const std::string& mode) {
  bool ok = true;
  if (o.download) {
    String detail;
    printf("%s: downloading %s\n", mode.c_str(), targetListUrlForMode(mode.c_str()).c_str());
    fflush(stdout);
    uint8_t logHead = webLogHead;
    uint8_t logCount = webLogCount;
    ok = downloadTargetListForMode(mode.c_str(), detail);
    // Outcomes that reached the device log were already echoed by it.
    if (webLogHead == logHead && webLogCount == logCount) printf("%s: %s\n", mode.c_str(), detail.c_str());
  }
  if (o.status)
    printf("%s: %s %s\n", mode.c_str(), targetListPathForMode(mode.c_str()).c_str(),
           targetListFileSizeText(mode.c_str()).c_str());
  if (!o.lookup.empty()) {
    String name = targetNameLookupCached(mode.c_str(), o.lookup.c_str());
    printf("%s: %s -> %s\n", mode.c_str(), o.lookup.c_str(),
           name.length() > 0 ? name.c_str() : "(not listed)");
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  int rc = parseOptions(argc, argv, o);
  if (rc != 0) return rc < 0 ? 0 : rc;
  if (!o.sdcard.empty()) SD.setRoot(o.sdcard.c_str());
  if (!SD.begin()) {
    fprintf(stderr, "qsodeck_lists: cannot use the storage folder %s\n", SD.root().c_str());
    return 1;
  }
  loadDesktopDefaultConfig();
  applyOptionsToConfig(o);
  cfg.targetListLookupEnabled = true;
  clearTargetNameLookupCache();
  bool allOk = true;
  for (const std::string& mode : o.modes) {
    if (!runMode(o, mode)) allOk = false;
  }
  return allOk ? 0 : 1;
}
