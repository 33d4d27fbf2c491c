#pragma once

// Command line and environment of the program: where the writable storage
// and the shipped read-only content live, --help and --version.

#include <string>

// What the command line and the environment asked for.
struct DesktopOptions {
  // The writable storage folder: --storage DIR, else QSODECK_STORAGE, else
  // "sdcard" in the working directory. A leading "~/" names the home folder.
  std::string storageDir = "sdcard";
  // True when storageDir came from --storage or QSODECK_STORAGE (the log and
  // the configuration then live in it alone).
  bool storageChosen = false;
  // The read-only folder of shipped content: QSODECK_ASSETS (empty: none),
  // else the folder the build was made for.
  std::string shippedDir;
  bool showHelp = false;
  bool showVersion = false;
  // Non-empty when the command line was not understood: what was wrong.
  std::string error;
};

// Reads argv (argv[0] is skipped) and the environment. Accepts "--storage DIR",
// "--storage=DIR", "--help"/"-h" and "--version"/"-V"; anything else, or a
// missing or empty folder, sets `error`.
DesktopOptions desktopParseOptions(int argc, char** argv);

// The usage text printed by --help.
std::string desktopUsageText();

// path with a leading "~" or "~/" replaced by $HOME (unchanged when HOME is
// unset or empty, or the path does not start so).
std::string desktopExpandHome(const std::string& path);

// Points SD at the options' folders, creates the writable folder when it is
// missing and checks that it can be written. Returns "" when it can; else
// sets storageReadOnly and returns one line saying what is wrong and what to
// do (the program goes on read-only).
std::string desktopPrepareStorage(const DesktopOptions& options);
