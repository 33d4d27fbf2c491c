// Scratch folders, test data and whole-file reads/writes shared by the tests:
// each test that touches files works in its own fresh folder under /tmp.
#pragma once

#include <string>

// Creates a fresh folder named prefix + six random characters (for example
// makeTempDir("/tmp/qsodeck-e2e-")); its path, or "" when it cannot be made.
std::string makeTempDir(const std::string& prefix);

// Removes the folder and everything below it, read-only parts included;
// true when that worked (an empty path: nothing to do, false).
bool removeTempDir(const std::string& dir);

// The whole file as bytes ("" when it cannot be read).
std::string readWholeFile(const std::string& path);

// The bytes of tests/data/<relative>; a file that cannot be opened fails
// the test and gives "".
std::string readTestData(const std::string& relative);

// Replaces the file with bytes; false when it cannot be written completely.
bool writeWholeFile(const std::string& path, const std::string& bytes);

// The standard output of a shell command run with popen; exitStatus
// (optional) receives its exit status, -1 when it could not run.
std::string shellCommandOutput(const std::string& command, int* exitStatus = nullptr);
