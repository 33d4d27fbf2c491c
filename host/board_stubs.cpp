#include "host/board_stubs.h"

#include "host/trace_log.h"

WiFiClass WiFi;
EspClass ESP;
UpdateClass Update;

int WiFiClass::begin(const char* ssid, const char* pass) {
  status_ = WL_CONNECTED;
  return status_;
}

bool WiFiClass::disconnect(bool wifiOff, bool eraseAp) {
  status_ = WL_DISCONNECTED;
  return true;
}

String WiFiClass::SSID(int index) const { return index == 0 ? String("DESKTOP") : String(); }

IPAddress WiFiClass::localIP() const { return IPAddress("127.0.0.1"); }

IPAddress WiFiClass::softAPIP() const { return IPAddress("127.0.0.1"); }

bool UpdateClass::begin(size_t size) {
  err_ = 0;
  return true;
}

RESET_REASON rtc_get_reset_reason(int cpu) { return NO_MEAN; }

BaseType_t xTaskCreatePinnedToCore(TaskFunction_t fn, const char* name, uint32_t stackBytes, void* param,
                                   UBaseType_t priority, TaskHandle_t* handleOut, BaseType_t core) {
  if (handleOut) *handleOut = nullptr;
  return 0;
}

void vTaskDelete(TaskHandle_t task) {}

SemaphoreHandle_t xSemaphoreCreateRecursiveMutex() { return (SemaphoreHandle_t)(uintptr_t)1; }

BaseType_t xSemaphoreTakeRecursive(SemaphoreHandle_t mutex, TickType_t waitTicks) { return pdTRUE; }

BaseType_t xSemaphoreGiveRecursive(SemaphoreHandle_t mutex) { return pdTRUE; }

void WebServer::begin() { Serial.println("Desktop WebServer stub active; no HTTP listener is started."); }

void WebServer::send(int code, const char* contentType, const String& body) {
  Serial.printf("[WebServer stub] send %d %s (%u bytes)\n", code, contentType ? contentType : "",
                (unsigned)body.length());
}

void WebServer::send(int code, const String& contentType, const String& body) {
  send(code, contentType.c_str(), body);
}
