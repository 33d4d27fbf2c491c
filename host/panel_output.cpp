#include "host/panel_output.h"

#include <SDL.h>
#include <fcntl.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <X11/Xlib.h>

#include <string>

#include "host/desktop_main.h"
#include "host/display.h"
#include "host/trace_log.h"

namespace {

// Tried in turn when nothing forces a driver; the offscreen driver is never
// a silent fallback.
const char* const AUTO_VIDEO_DRIVERS[] = {"x11", "wayland", "KMSDRM"};
const char* const NO_DISPLAY_ADVICE =
    "set DISPLAY, or run it on a console with access to /dev/dri and /dev/input (groups video, render and "
    "input)";
const char* const CONSOLE_BLANK_PARAM = "/sys/module/kernel/parameters/consoleblank";
const int SECONDS_PER_MINUTE = 60;

PanelSettings gPanel;
uint16_t gBorderColour = 0;
bool gAccelerated = false;
int gConsoleFd = -1;
char gConsoleRestore[48] = "";

bool accelRequested() {
  const char* v = getenv("QSODECK_DESKTOP_ACCEL");
  return v != nullptr && strcmp(v, "0") != 0;
}

const char* nonEmptyEnv(const char* name) {
  const char* v = getenv(name);
  return v != nullptr && v[0] != '\0' ? v : nullptr;
}

// Prints the failure on the console (whatever the trace switch) and in the log.
void reportNoDisplay(const std::string& tried, const char* sdlError) {
  fprintf(stderr, "Qsodeck: no display could be opened (tried %s: %s); %s.\n", tried.c_str(), sdlError,
          NO_DISPLAY_ADVICE);
  desktopTrace("[DESKTOP][FATAL] no display could be opened (tried %s: %s); %s.\n", tried.c_str(), sdlError,
               NO_DISPLAY_ADVICE);
}

// X errors are reported, never fatal. Xlib's own handler ends the process,
// and one error is harmless and expected: a wake-up that SDL sent to the
// window through its second X connection (an event pushed while the loop
// waited, a Ctrl+C or SIGTERM among them) arriving after the window was
// destroyed at the end of the run. It is installed before SDL starts its
// video, because SDL keeps the handler it found and puts it back when it
// closes its connections, which is when that late error is read.
int traceXError(Display* display, XErrorEvent* error) {
  const unsigned char X_SEND_EVENT_REQUEST = 25;
  if (error->error_code == BadWindow && error->request_code == X_SEND_EVENT_REQUEST) return 0;
  char text[160];
  XGetErrorText(display, error->error_code, text, sizeof(text));
  desktopTrace("[DESKTOP][WARN] X error: %s (request %u).\n", text, (unsigned)error->request_code);
  return 0;
}

// Starts video with the forced driver or the first automatic one that
// works; false after reporting the failure.
bool startVideo() {
  XSetErrorHandler(traceXError);
  const char* forced = nonEmptyEnv("QSODECK_DESKTOP_VIDEO");
  if (forced == nullptr) forced = nonEmptyEnv("SDL_VIDEODRIVER");
  if (forced != nullptr) {
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, forced, SDL_HINT_OVERRIDE);
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO) == 0) return true;
    std::string err = SDL_GetError();
    desktopTrace("[DESKTOP][FATAL] SDL_Init failed: %s\n", err.c_str());
    reportNoDisplay(forced, err.c_str());
    return false;
  }
  if (SDL_Init(SDL_INIT_TIMER) != 0) {
    desktopTrace("[DESKTOP][FATAL] SDL_Init failed: %s\n", SDL_GetError());
    return false;
  }
  std::string tried, lastError;
  for (const char* name : AUTO_VIDEO_DRIVERS) {
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, name, SDL_HINT_OVERRIDE);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
    tried += tried.empty() ? name : std::string(", ") + name;
    lastError = SDL_GetError();
  }
  reportNoDisplay(tried, lastError.c_str());
  SDL_Quit();
  return false;
}

bool driverIs(const char* name) {
  const char* current = SDL_GetCurrentVideoDriver();
  return current != nullptr && strcasecmp(current, name) == 0;
}

// Software where a window framebuffer exists, else accelerated (GLES).
SDL_Renderer* createRenderer() {
  bool accel = accelRequested();
  // SDL would otherwise back the software renderer's window surface with an
  // accelerated renderer, which maps the whole OpenGL driver stack (tens of
  // megabytes) into the process only to show ready-made frames. A value the
  // user set in SDL_FRAMEBUFFER_ACCELERATION still wins.
  if (!accel) SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_Renderer* r = nullptr;
  if (accel) r = SDL_CreateRenderer(gWindow, -1, SDL_RENDERER_ACCELERATED);
  if (r == nullptr) r = SDL_CreateRenderer(gWindow, -1, SDL_RENDERER_SOFTWARE);
  if (r == nullptr && !accel) {
    desktopTrace("[DESKTOP] no software framebuffer on this driver (%s); trying the accelerated renderer.\n",
                 SDL_GetError());
    r = SDL_CreateRenderer(gWindow, -1, SDL_RENDERER_ACCELERATED);
  }
  SDL_RendererInfo info;
  // The request is named even when SDL fell back; the next trace line names
  // the renderer actually made.
  gAccelerated = accel || (r != nullptr && SDL_GetRendererInfo(r, &info) == 0 &&
                           (info.flags & SDL_RENDERER_SOFTWARE) == 0);
  return r;
}

void traceOutput() {
  SDL_RendererInfo info;
  const char* name = SDL_GetRendererInfo(gRenderer, &info) == 0 ? info.name : "?";
  desktopTrace("[DESKTOP] SDL renderer ready (%s).\n", panelRendererKind());
  desktopTrace("[DESKTOP] video driver %s, renderer %s.\n", SDL_GetCurrentVideoDriver(), name);
}

// Natural window size of a turn: the frame size, turned.
void naturalWindowSize(int turnDeg, int& w, int& h) {
  bool sideways = turnDeg == 90 || turnDeg == 270;
  w = sideways ? SCREEN_H : SCREEN_W;
  h = sideways ? SCREEN_W : SCREEN_H;
}

// Fullscreen at the display's own mode. The window is first made a
// borderless window covering the display, so that an X server without a
// window manager (a kiosk started with xinit), which ignores the fullscreen
// request, shows it the same way.
void setFullscreen(bool on, int turn) {
  if (on) {
    SDL_Rect bounds;
    int display = SDL_GetWindowDisplayIndex(gWindow);
    if (SDL_GetDisplayBounds(display < 0 ? 0 : display, &bounds) == 0) {
      SDL_SetWindowBordered(gWindow, SDL_FALSE);
      SDL_SetWindowPosition(gWindow, bounds.x, bounds.y);
      SDL_SetWindowSize(gWindow, bounds.w, bounds.h);
    }
    SDL_SetWindowFullscreen(gWindow, SDL_WINDOW_FULLSCREEN_DESKTOP);
    return;
  }
  SDL_SetWindowFullscreen(gWindow, 0);
  SDL_SetWindowBordered(gWindow, SDL_TRUE);
  int w = 0, h = 0;
  naturalWindowSize(turn, w, h);
  SDL_SetWindowSize(gWindow, w, h);
  SDL_SetWindowPosition(gWindow, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
}

void copyColour565(SDL_Renderer* r, uint16_t c) {
  SDL_SetRenderDrawColor(r, (uint8_t)(((c >> 11) & 0x1F) * 255 / 31), (uint8_t)(((c >> 5) & 0x3F) * 255 / 63),
                         (uint8_t)((c & 0x1F) * 255 / 31), 255);
}

// Whole minutes of the kernel's console blanking (0 = never), or -1.
int consoleBlankMinutes() {
  FILE* f = fopen(CONSOLE_BLANK_PARAM, "r");
  if (f == nullptr) return -1;
  int seconds = -1;
  if (fscanf(f, "%d", &seconds) != 1) seconds = -1;
  fclose(f);
  return seconds < 0 ? -1 : (seconds + SECONDS_PER_MINUTE - 1) / SECONDS_PER_MINUTE;
}

}  // namespace

bool panelOpenOutput(const char* title) {
  if (!startVideo()) return false;
  const bool kms = driverIs("KMSDRM");
  Uint32 flags = SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE;
  // kmsdrm shows every window fullscreen through EGL; asking for OpenGL up
  // front spares the GLES renderer a window re-creation.
  if (kms) flags |= SDL_WINDOW_OPENGL | SDL_WINDOW_FULLSCREEN_DESKTOP;
  int w = 0, h = 0;
  naturalWindowSize(panelPictureTurn(gPanel), w, h);
  gWindow = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h, flags);
  if (gWindow == nullptr) {
    desktopTrace("[DESKTOP][FATAL] SDL_CreateWindow failed: %s\n", SDL_GetError());
    return false;
  }
  gRenderer = createRenderer();
  if (gRenderer == nullptr) {
    desktopTrace("[DESKTOP][FATAL] SDL renderer creation failed: %s\n", SDL_GetError());
    return false;
  }
  traceOutput();
  if (kms) {
    SDL_ShowCursor(SDL_DISABLE);
    panelTakeOverConsole();
  }
  return true;
}

const char* panelRendererKind() { return gAccelerated ? "accelerated" : "software"; }

void panelApply(const PanelSettings& s, uint16_t borderColour) {
  const PanelSettings old = gPanel;
  gPanel = s;
  gBorderColour = borderColour;
  const int oldTurn = panelPictureTurn(old);
  const int turn = panelPictureTurn(gPanel);
  if (s.rotationDeg != old.rotationDeg || s.flip != old.flip || s.fullscreen != old.fullscreen) {
    desktopTrace("[DESKTOP] panel: rotation %d, picture turn %d, fullscreen %s.\n", s.rotationDeg, turn,
                 s.fullscreen ? "on" : "off");
  }
  // Under kmsdrm the window always covers the panel at its own mode.
  if (gWindow == nullptr || driverIs("KMSDRM")) return;
  const bool sidewaysChanged = (oldTurn == 90 || oldTurn == 270) != (turn == 90 || turn == 270);
  if (s.fullscreen != old.fullscreen) {
    setFullscreen(s.fullscreen, turn);
  } else if (!s.fullscreen && sidewaysChanged) {
    int w = 0, h = 0;
    naturalWindowSize(turn, w, h);
    SDL_SetWindowSize(gWindow, w, h);
    SDL_SetWindowPosition(gWindow, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
  }
}

const PanelSettings& panelSettings() { return gPanel; }

PanelLayout panelOutputLayout() {
  int w = SCREEN_W, h = SCREEN_H;
  if (gRenderer != nullptr) SDL_GetRendererOutputSize(gRenderer, &w, &h);
  return panelLayout(w, h, panelPictureTurn(gPanel));
}

PanelLayout panelWindowLayout() {
  int w = SCREEN_W, h = SCREEN_H;
  if (gWindow != nullptr) SDL_GetWindowSize(gWindow, &w, &h);
  return panelLayout(w, h, panelTouchTurn(gPanel));
}

bool panelOutputShowsFrameAsIs() {
  const PanelLayout l = panelOutputLayout();
  return l.turnDeg == 0 && l.outW == SCREEN_W && l.outH == SCREEN_H;
}

void panelCopyFrame(SDL_Renderer* renderer, SDL_Texture* frame) {
  if (renderer == nullptr || frame == nullptr) return;
  const PanelLayout l = panelOutputLayout();
  SDL_SetTextureScaleMode(frame, l.smooth ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
  const bool fills = l.picW == l.outW && l.picH == l.outH;
  if (!fills) {
    copyColour565(renderer, gBorderColour);
    SDL_RenderClear(renderer);
  }
  const SDL_Rect dst = {l.copyX, l.copyY, l.copyW, l.copyH};
  if (l.turnDeg == 0) {
    SDL_RenderCopy(renderer, frame, nullptr, &dst);
  } else {
    SDL_RenderCopyEx(renderer, frame, nullptr, &dst, (double)l.turnDeg, nullptr, SDL_FLIP_NONE);
  }
}

bool panelWindowPointToFrame(double x, double y, int& fx, int& fy) {
  if (gWindow == nullptr) {
    fx = (int)floor(x);
    fy = (int)floor(y);
    return x >= 0 && y >= 0 && x < SCREEN_W && y < SCREEN_H;
  }
  return panelOutputToFrame(panelWindowLayout(), x, y, fx, fy);
}

void panelTakeOverConsole() {
  if (gConsoleFd >= 0) return;
  // A service gets its console as standard input (and may not open /dev/tty).
  int fd = isatty(STDIN_FILENO) ? fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0)
                                : open("/dev/tty", O_WRONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return;
  if (!isatty(fd)) {
    close(fd);
    return;
  }
  const int blank = consoleBlankMinutes();
  snprintf(gConsoleRestore, sizeof(gConsoleRestore), "\033[9;%d]\033[?25h", blank < 0 ? 0 : blank);
  static const char TAKE[] = "\033[9;0]\033[?25l";  // no blanking, cursor hidden
  if (write(fd, TAKE, sizeof(TAKE) - 1) < 0) {
    close(fd);
    return;
  }
  gConsoleFd = fd;
  desktopTrace("[DESKTOP] console: blanking off and cursor hidden while running.\n");
}

void panelRestoreConsole() {
  if (gConsoleFd < 0) return;
  ssize_t ignored = write(gConsoleFd, gConsoleRestore, strlen(gConsoleRestore));
  (void)ignored;
  close(gConsoleFd);
  gConsoleFd = -1;
}
