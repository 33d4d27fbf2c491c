#pragma once

#include <cstddef>
#include <cstdint>

#include "host/png_decoder.h"  // the PNG decoder is real on the desktop (libpng)
#include "host/runtime.h"
#include "host/wstring.h"

// Board-only facilities as substitutes with fixed results: the desktop has no
// Wi-Fi radio, firmware update or web server listener, so the firmware logic
// above them runs unchanged. Background tasks are real threads.

// ---- Wi-Fi -------------------------------------------------------------------

enum wl_status_t {
  WL_IDLE_STATUS = 0,
  WL_NO_SSID_AVAIL = 1,
  WL_SCAN_COMPLETED = 2,
  WL_CONNECTED = 3,
  WL_CONNECT_FAILED = 4,
  WL_CONNECTION_LOST = 5,
  WL_DISCONNECTED = 6,
};

enum wifi_mode_t {
  WIFI_OFF = 0,
  WIFI_STA = 1,
  WIFI_AP = 2,
  WIFI_AP_STA = 3,
};

// The simulated station: joined from the start.
class WiFiClass {
 public:
  // 3 (connected) at start, 6 after disconnect.
  int status() const { return status_; }
  // Joining always succeeds at once; returns the new status.
  int begin(const char* ssid = nullptr, const char* pass = nullptr);
  // Drops the simulated link (status 6).
  bool disconnect(bool wifiOff = false, bool eraseAp = false);
  // Fixed signal strength of the simulated link: -42 dBm.
  int RSSI() const { return -42; }
  // "DESKTOP" for network 0 (the current and the only scanned network), else "".
  String SSID(int index = 0) const;
  // "127.0.0.1".
  IPAddress localIP() const;
  // "127.0.0.1".
  IPAddress softAPIP() const;
  bool mode(int m) { return true; }
  void persistent(bool on) {}
  bool setAutoReconnect(bool on) { return true; }
  bool softAPdisconnect(bool wifiOff = false) { return true; }
  // A scan always finds exactly one network.
  int scanNetworks(bool async = false, bool showHidden = false) { return 1; }

 private:
  int status_ = WL_CONNECTED;
};

extern WiFiClass WiFi;

// ---- Chip ----------------------------------------------------------------------

class EspClass {
 public:
  // Fixed 134217728 bytes (128 MiB).
  uint32_t getFreeHeap() const { return 134217728u; }
};

extern EspClass ESP;

// ---- Firmware update ----------------------------------------------------------------

const size_t UPDATE_SIZE_UNKNOWN = 0xFFFFFFFFu;

class UpdateClass {
 public:
  // Accepts any size; clears the error.
  bool begin(size_t size = UPDATE_SIZE_UNKNOWN);
  // Swallows the bytes; returns n.
  size_t write(const uint8_t* data, size_t n) { return n; }
  bool end(bool evenIfRemaining = false) { return true; }
  // Marks the update aborted (error 12).
  void abort() { err_ = 12; }
  int getError() const { return err_; }
  bool hasError() const { return err_ != 0; }

 private:
  int err_ = 0;
};

extern UpdateClass Update;

// ---- Reset reason -----------------------------------------------------------------

enum RESET_REASON {
  NO_MEAN = 0,
  POWERON_RESET = 1,
  SW_RESET = 3,
  OWDT_RESET = 4,
  DEEPSLEEP_RESET = 5,
  SDIO_RESET = 6,
  TG0WDT_SYS_RESET = 7,
  TG1WDT_SYS_RESET = 8,
  RTCWDT_SYS_RESET = 9,
  INTRUSION_RESET = 10,
  TGWDT_CPU_RESET = 11,
  SW_CPU_RESET = 12,
  RTCWDT_CPU_RESET = 13,
  EXT_CPU_RESET = 14,
  RTCWDT_BROWN_OUT_RESET = 15,
  RTCWDT_RTC_RESET = 16,
};

// Always 0 (NO_MEAN) on the desktop.
RESET_REASON rtc_get_reset_reason(int cpu);

// ---- Tasks and mutexes ----------------------------------------------------------------

typedef void* TaskHandle_t;
typedef void* SemaphoreHandle_t;
typedef int BaseType_t;
typedef unsigned int UBaseType_t;
typedef uint32_t TickType_t;
typedef void (*TaskFunction_t)(void*);

const BaseType_t pdFALSE = 0;
const BaseType_t pdTRUE = 1;
const BaseType_t pdFAIL = 0;
const BaseType_t pdPASS = 1;
const TickType_t portMAX_DELAY = 0xFFFFFFFFu;
const TickType_t portTICK_PERIOD_MS = 1;

// Milliseconds to ticks (one tick is one millisecond here).
inline TickType_t pdMS_TO_TICKS(uint32_t ms) { return (TickType_t)ms; }

// Tasks run on threads of their own: each one is a named, joinable thread
// (the name cut to 15 bytes, as the system allows) with the host's default
// stack, since the board's byte count is far too small for the desktop's
// libraries; priority and core have no meaning here. At most
// DESKTOP_TASK_LIMIT tasks run at once.
const int DESKTOP_TASK_LIMIT = 16;

// Starts fn(param) on a new thread. The handle is stored before the thread
// starts, so the task may clear it itself. pdPASS, or pdFAIL with a null
// handle when DESKTOP_TASK_LIMIT tasks run already, the host is stopping its
// tasks, or the system refused the thread (nothing is started then).
BaseType_t xTaskCreatePinnedToCore(TaskFunction_t fn, const char* name, uint32_t stackBytes, void* param,
                                   UBaseType_t priority, TaskHandle_t* handleOut, BaseType_t core);

// A task that deletes itself (null) ends when its body returns; a thread
// cannot be ended from outside, so any other handle has no effect.
void vTaskDelete(TaskHandle_t task);

// Tasks whose body has not returned yet.
int desktopRunningTaskCount();
// True once desktopStopTasks was called: long task bodies (a remote command)
// should give up at their next chance.
bool desktopTaskStopRequested();
// Waits up to waitMs for every task body to return and joins the threads;
// true when none is left running.
bool desktopWaitForTasks(uint32_t waitMs);
// Shut-down: refuses new tasks, asks the running ones to stop, then waits
// as desktopWaitForTasks does.
bool desktopStopTasks(uint32_t waitMs);

// A non-null handle (1); nothing is allocated.
SemaphoreHandle_t xSemaphoreCreateRecursiveMutex();

// Succeeds at once (never blocks).
BaseType_t xSemaphoreTakeRecursive(SemaphoreHandle_t mutex, TickType_t waitTicks);

// No effect; reports success.
BaseType_t xSemaphoreGiveRecursive(SemaphoreHandle_t mutex);

// ---- Web server -----------------------------------------------------------------------------

enum HTTPMethod {
  HTTP_ANY = 0,
  HTTP_GET = 1,
  HTTP_HEAD = 2,
  HTTP_POST = 3,
  HTTP_PUT = 4,
  HTTP_PATCH = 5,
  HTTP_DELETE = 6,
  HTTP_OPTIONS = 7,
};

typedef void (*WebServerHandler)();

// The board's configuration web server; no listener is started.
class WebServer {
 public:
  explicit WebServer(int port = 80) {}
  // Writes the serial line saying that no listener is started.
  void begin();
  void handleClient() {}
  void on(const char* uri, WebServerHandler handler) {}
  void on(const char* uri, HTTPMethod method, WebServerHandler handler) {}
  void on(const char* uri, HTTPMethod method, WebServerHandler handler, WebServerHandler upload) {}
  void onNotFound(WebServerHandler handler) {}
  void sendHeader(const String& name, const String& value, bool first = false) {}
  // Writes one serial line with code, content type and body length.
  void send(int code, const char* contentType = "", const String& body = String());
  void send(int code, const String& contentType, const String& body = String());
  // "" for every argument name.
  String arg(const String& name) const { return String(); }
  // false for every argument name.
  bool hasArg(const String& name) const { return false; }
  int args() const { return 0; }

  // Reads the file to its end in 256-byte pieces and discards them; returns
  // the number of bytes read.
  template <class FileT>
  size_t streamFile(FileT& file, const String& contentType) {
    uint8_t piece[256];
    size_t total = 0;
    for (;;) {
      int n = (int)file.read(piece, sizeof(piece));
      if (n <= 0) break;
      total += (size_t)n;
    }
    return total;
  }
};

// ---- Network clients and SPI ------------------------------------------------------------------

class WiFiClient {
 public:
  virtual ~WiFiClient() = default;
  void stop() {}
  bool connected() const { return false; }
};

class WiFiClientSecure : public WiFiClient {
 public:
  void setInsecure() {}
};

const int VSPI = 3;
const int HSPI = 2;

class SPIClass {
 public:
  explicit SPIClass(int bus = VSPI) {}
  void begin(int sck = -1, int miso = -1, int mosi = -1, int ss = -1) {}
  void end() {}
};
