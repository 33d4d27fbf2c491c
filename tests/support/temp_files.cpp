#include "support/temp_files.h"

#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <fstream>
#include <iterator>
#include <vector>

#include <gtest/gtest.h>

std::string makeTempDir(const std::string& prefix) {
  std::string pattern = prefix + "XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (mkdtemp(buf.data()) == nullptr) return "";
  return std::string(buf.data());
}

bool removeTempDir(const std::string& dir) {
  if (dir.empty()) return false;
  // Tests make folders read-only on purpose; give write access back first.
  const std::string cmd = "chmod -R u+w '" + dir + "' 2>/dev/null; rm -rf '" + dir + "'";
  return system(cmd.c_str()) == 0;
}

std::string readWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string readTestData(const std::string& relative) {
  const std::string path = std::string(QSODECK_TEST_DATA_DIR) + "/" + relative;
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.is_open()) << path;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool writeWholeFile(const std::string& path, const std::string& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return fclose(f) == 0 && ok;
}

std::string shellCommandOutput(const std::string& command, int* exitStatus) {
  if (exitStatus != nullptr) *exitStatus = -1;
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) return std::string();
  std::string out;
  char buf[512];
  size_t n;
  while ((n = fread(buf, 1, sizeof(buf), p)) > 0) out.append(buf, n);
  const int status = pclose(p);
  if (exitStatus != nullptr && status != -1 && WIFEXITED(status)) *exitStatus = WEXITSTATUS(status);
  return out;
}
