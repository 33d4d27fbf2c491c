#include "support/x_window.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>

#include "support/desktop_program.h"
#include "support/temp_files.h"

namespace {

const int FIND_STEP_MS = 100;
const int XSERVER_START_MS = 10000;

// Runs a shell command and returns its standard output ("" on failure).
std::string commandOutput(const std::string& cmd) {
  FILE* pipe = popen(cmd.c_str(), "r");
  if (pipe == nullptr) return "";
  std::string out;
  char buf[256];
  size_t n;
  while ((n = fread(buf, 1, sizeof(buf), pipe)) > 0) out.append(buf, n);
  if (pclose(pipe) != 0) return "";
  return out;
}

// A window id is a decimal number; anything else is refused so that it can
// go into a command line.
bool plainNumber(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

// Reads the next header number of a PPM, skipping blanks and comments.
bool ppmNumber(const std::string& data, size_t& pos, int& value) {
  while (pos < data.size()) {
    char c = data[pos];
    if (c == '#') {
      while (pos < data.size() && data[pos] != '\n') ++pos;
    } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++pos;
    } else {
      break;
    }
  }
  long v = 0;
  size_t start = pos;
  while (pos < data.size() && data[pos] >= '0' && data[pos] <= '9' && pos - start < 7) {
    v = v * 10 + (data[pos] - '0');
    ++pos;
  }
  if (pos == start) return false;
  value = (int)v;
  return true;
}

bool insideImage(const RgbImage& image, int x, int y) {
  return x >= 0 && y >= 0 && x < image.width && y < image.height;
}

// Reads the display number Xvfb writes to its -displayfd pipe; -1 on failure.
int readDisplayNumber(int fd) {
  std::string text;
  char c;
  while (text.find('\n') == std::string::npos) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, XSERVER_START_MS) <= 0 || read(fd, &c, 1) != 1) break;
    text.push_back(c);
  }
  if (text.empty() || text[0] < '0' || text[0] > '9') return -1;
  return atoi(text.c_str());
}

}  // namespace

PrivateXServer::PrivateXServer(const char* screen) {
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return;
  pid_ = fork();
  if (pid_ == 0) {
    int devnull = open("/dev/null", O_WRONLY);
    if (devnull >= 0) {
      dup2(devnull, STDOUT_FILENO);
      dup2(devnull, STDERR_FILENO);
    }
    // The write end must stay open across exec for -displayfd.
    int fd = dup(out[1]);
    std::string fdText = std::to_string(fd);
    // -noreset: the server would otherwise reset when its last client
    // leaves and refuse a program started again during the reset.
    execlp("Xvfb", "Xvfb", "-displayfd", fdText.c_str(), "-screen", "0", screen, "-nolisten", "tcp",
           "-noreset", (char*)nullptr);
    _exit(127);
  }
  close(out[1]);
  int number = pid_ > 0 ? readDisplayNumber(out[0]) : -1;
  close(out[0]);
  if (number < 0) {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
    return;
  }
  display_ = ":" + std::to_string(number);
  const char* previous = getenv("DISPLAY");
  hadPrevious_ = previous != nullptr;
  if (hadPrevious_) previous_ = previous;
  setenv("DISPLAY", display_.c_str(), 1);
}

PrivateXServer::~PrivateXServer() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
  if (hadPrevious_) {
    setenv("DISPLAY", previous_.c_str(), 1);
  } else {
    unsetenv("DISPLAY");
  }
}

std::string findXWindow(const std::string& title, int timeoutMs) {
  for (int waited = 0; waited <= timeoutMs; waited += FIND_STEP_MS) {
    std::string out = commandOutput("xdotool search --onlyvisible --name " + quoted(title) + " 2>/dev/null");
    std::string first = out.substr(0, out.find('\n'));
    if (plainNumber(first)) return first;
    sleepMilliseconds(FIND_STEP_MS);
  }
  return "";
}

bool readPpmFile(const std::string& path, RgbImage& out) {
  const std::string data = readWholeFile(path);
  if (data.size() < 2 || data[0] != 'P' || data[1] != '6') return false;
  size_t pos = 2;
  int w = 0, h = 0, maxval = 0;
  if (!ppmNumber(data, pos, w) || !ppmNumber(data, pos, h) || !ppmNumber(data, pos, maxval)) return false;
  if (w <= 0 || h <= 0 || w > 8192 || h > 8192 || maxval != 255) return false;
  ++pos;  // the single blank after the header
  size_t need = (size_t)w * (size_t)h * 3;
  if (data.size() < pos + need) return false;
  out.width = w;
  out.height = h;
  out.pixels.assign((size_t)w * h, 0);
  const unsigned char* p = (const unsigned char*)data.data() + pos;
  for (size_t i = 0; i < (size_t)w * h; ++i, p += 3)
    out.pixels[i] = ((uint32_t)p[0] << 16) | (p[1] << 8) | p[2];
  return true;
}

bool writePpmFile(const std::string& path, const RgbImage& image) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << "P6\n" << image.width << " " << image.height << "\n255\n";
  for (uint32_t px : image.pixels) {
    const char rgb[3] = {(char)((px >> 16) & 0xFF), (char)((px >> 8) & 0xFF), (char)(px & 0xFF)};
    out.write(rgb, 3);
  }
  return (bool)out;
}

bool captureXWindow(const std::string& windowId, const std::string& ppmPath, RgbImage& out) {
  if (!plainNumber(windowId)) return false;
  std::string cmd =
      "import -silent -window " + windowId + " -depth 8 ppm:" + quoted(ppmPath) + " 2>/dev/null";
  if (system(cmd.c_str()) != 0) return false;
  return readPpmFile(ppmPath, out);
}

bool convertToPng(const std::string& from, const std::string& pngPath) {
  std::string cmd = "convert " + quoted(from) + " png:" + quoted(pngPath) + " 2>/dev/null";
  return system(cmd.c_str()) == 0;
}

bool movePointerInXWindow(const std::string& windowId, int x, int y) {
  if (!plainNumber(windowId)) return false;
  std::string cmd = "xdotool mousemove --window " + windowId + " " + std::to_string(x) + " " +
                    std::to_string(y) + " 2>/dev/null";
  return system(cmd.c_str()) == 0;
}

bool clickXWindow(const std::string& windowId, int x, int y) {
  if (!movePointerInXWindow(windowId, x, y)) return false;
  // The program samples the pointer state once per pass (about 10 ms): a
  // press held for 120 ms is seen by several passes, as a finger would be.
  if (system("xdotool mousedown 1 2>/dev/null") != 0) return false;
  sleepMilliseconds(120);
  return system("xdotool mouseup 1 2>/dev/null") == 0;
}

int distinctColours(const RgbImage& image, int x, int y, int w, int h) {
  std::set<uint32_t> seen;
  for (int py = y; py < y + h; ++py) {
    for (int px = x; px < x + w; ++px) {
      if (insideImage(image, px, py)) seen.insert(image.at(px, py));
    }
  }
  return (int)seen.size();
}

int pixelsOtherThan(const RgbImage& image, int x, int y, int w, int h, uint32_t rgb) {
  int n = 0;
  for (int py = y; py < y + h; ++py) {
    for (int px = x; px < x + w; ++px) {
      if (insideImage(image, px, py) && image.at(px, py) != rgb) ++n;
    }
  }
  return n;
}

uint32_t dominantColour(const RgbImage& image, int x, int y, int w, int h) {
  std::map<uint32_t, int> counts;
  for (int py = y; py < y + h; ++py) {
    for (int px = x; px < x + w; ++px) {
      if (insideImage(image, px, py)) ++counts[image.at(px, py)];
    }
  }
  uint32_t best = 0;
  int bestCount = -1;
  for (const auto& kv : counts) {
    if (kv.second > bestCount) {
      best = kv.first;
      bestCount = kv.second;
    }
  }
  return best;
}

int differingPixels(const RgbImage& a, const RgbImage& b, int x, int y, int w, int h) {
  if (a.width != b.width || a.height != b.height) return -1;
  int n = 0;
  for (int py = y; py < y + h; ++py) {
    for (int px = x; px < x + w; ++px) {
      if (insideImage(a, px, py) && a.at(px, py) != b.at(px, py)) ++n;
    }
  }
  return n;
}

int differingShapes(const RgbImage& a, const RgbImage& b, int x, int y, int w, int h) {
  if (a.width != b.width || a.height != b.height) return -1;
  uint32_t backA = dominantColour(a, x, y, w, h);
  uint32_t backB = dominantColour(b, x, y, w, h);
  int n = 0;
  for (int py = y; py < y + h; ++py) {
    for (int px = x; px < x + w; ++px) {
      if (insideImage(a, px, py) && (a.at(px, py) != backA) != (b.at(px, py) != backB)) ++n;
    }
  }
  return n;
}

RgbImage captureXWindowWhen(const std::string& windowId, const std::string& ppmPath, const std::string& pngPath,
                            const std::function<bool(const RgbImage&)>& done, int timeoutMs) {
  const int stepMs = 150;
  RgbImage shot;
  for (int waited = 0; waited <= timeoutMs; waited += stepMs) {
    if (!captureXWindow(windowId, ppmPath, shot)) return RgbImage();
    if (done(shot)) break;
    usleep(stepMs * 1000);
  }
  convertToPng(ppmPath, pngPath);
  return shot;
}
