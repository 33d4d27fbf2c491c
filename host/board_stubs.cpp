#include "host/board_stubs.h"

#include <pthread.h>
#include <string.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <list>
#include <mutex>

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

namespace {

// One task thread. Records live in a list (stable addresses) until joined;
// finished is written under gTaskMutex.
struct DesktopTask {
  pthread_t thread{};
  TaskFunction_t fn = nullptr;
  void* param = nullptr;
  char name[16] = "";
  bool finished = false;
};

std::mutex gTaskMutex;
std::condition_variable gTaskEnded;
std::list<DesktopTask> gTasks;
std::atomic<bool> gTaskStopRequested{false};

void* runDesktopTask(void* arg) {
  DesktopTask* task = (DesktopTask*)arg;
  pthread_setname_np(pthread_self(), task->name);
  task->fn(task->param);
  {
    std::lock_guard<std::mutex> lock(gTaskMutex);
    task->finished = true;
  }
  gTaskEnded.notify_all();
  return nullptr;
}

// Joins the threads whose body returned (each joins at once) and forgets them.
void reapFinishedTasksLocked() {
  for (auto it = gTasks.begin(); it != gTasks.end();) {
    if (it->finished) {
      pthread_join(it->thread, nullptr);
      it = gTasks.erase(it);
    } else {
      ++it;
    }
  }
}

int runningTasksLocked() {
  int n = 0;
  for (const DesktopTask& t : gTasks) n += t.finished ? 0 : 1;
  return n;
}

}  // namespace

BaseType_t xTaskCreatePinnedToCore(TaskFunction_t fn, const char* name, uint32_t stackBytes, void* param,
                                   UBaseType_t priority, TaskHandle_t* handleOut, BaseType_t core) {
  if (handleOut) *handleOut = nullptr;
  if (fn == nullptr) return pdFAIL;
  std::lock_guard<std::mutex> lock(gTaskMutex);
  reapFinishedTasksLocked();
  if (gTaskStopRequested.load() || (int)gTasks.size() >= DESKTOP_TASK_LIMIT) return pdFAIL;
  gTasks.emplace_back();
  DesktopTask& task = gTasks.back();
  task.fn = fn;
  task.param = param;
  strlcpy(task.name, name ? name : "task", sizeof(task.name));
  if (handleOut) *handleOut = (TaskHandle_t)&task;
  if (pthread_create(&task.thread, nullptr, runDesktopTask, &task) != 0) {
    if (handleOut) *handleOut = nullptr;
    gTasks.pop_back();
    return pdFAIL;
  }
  return pdPASS;
}

void vTaskDelete(TaskHandle_t task) {}

int desktopRunningTaskCount() {
  std::lock_guard<std::mutex> lock(gTaskMutex);
  return runningTasksLocked();
}

bool desktopTaskStopRequested() { return gTaskStopRequested.load(); }

bool desktopWaitForTasks(uint32_t waitMs) {
  std::unique_lock<std::mutex> lock(gTaskMutex);
  gTaskEnded.wait_for(lock, std::chrono::milliseconds(waitMs), [] { return runningTasksLocked() == 0; });
  reapFinishedTasksLocked();
  return gTasks.empty();
}

bool desktopStopTasks(uint32_t waitMs) {
  gTaskStopRequested.store(true);
  return desktopWaitForTasks(waitMs);
}

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
