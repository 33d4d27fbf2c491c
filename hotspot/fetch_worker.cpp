#include "hotspot/fetch_worker.h"

#include <pthread.h>
#include <stdlib.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "host/desktop_main.h"
#include "host/http_client.h"
#include "hotspot/http_fetch.h"

namespace {

const char* const CHANNEL_THREAD_NAMES[FETCH_CHANNEL_COUNT] = {
    "fetch-hotspot", "fetch-radioid",  "fetch-svxlink", "fetch-aprs",  "fetch-adsb",
    "fetch-weather", "fetch-forecast", "fetch-hamqsl",  "fetch-alerts",
    "fetch-hotspot-bg"};

// A request as the worker sees it: no handler, no program state.
struct FetchJob {
  uint64_t id = 0;
  HttpFetchRequest request;
};

// An answer on its way back to the main thread.
struct FetchResult {
  uint64_t id = 0;
  FetchAnswer answer;
};

// Shared between the main thread and the workers; guarded by mutex.
struct WorkerShared {
  std::mutex mutex;
  std::condition_variable work;     // a job was queued, or the workers stop
  std::condition_variable answers;  // an answer arrived
  std::deque<FetchJob> queues[FETCH_CHANNEL_COUNT];
  std::deque<FetchResult> results;
  bool stopping = false;
};

// Never destroyed: a worker may still be leaving when the program ends.
WorkerShared& shared() {
  static WorkerShared* s = new WorkerShared;
  return *s;
}

// Main thread only: the handler of every request not answered yet, and how
// many requests of the current configuration each channel has out.
struct PendingRequest {
  FetchChannel channel;
  uint32_t generation;
  FetchAnswerHandler handler;
};
std::map<uint64_t, PendingRequest> pendingRequests;
int channelOutstanding[FETCH_CHANNEL_COUNT] = {};
uint32_t currentGeneration = 0;
uint64_t nextRequestId = 0;
// The worker of each channel, started with its first request. Never
// destroyed (like shared()): at the end of a run that did not stop them the
// process takes the idle workers down with it.
std::thread* workerThreads() {
  static std::thread* threads = new std::thread[FETCH_CHANNEL_COUNT];
  return threads;
}

void workerLoop(int channel) {
  WorkerShared& s = shared();
  // The channel's connection, kept from one request to the next.
  HttpSession session;
  for (;;) {
    FetchJob job;
    {
      std::unique_lock<std::mutex> lock(s.mutex);
      s.work.wait(lock, [&] { return s.stopping || !s.queues[channel].empty(); });
      if (s.stopping) return;
      job = std::move(s.queues[channel].front());
      s.queues[channel].pop_front();
    }
    FetchResult result;
    result.id = job.id;
    result.answer.ok = httpGetStringWith(job.request, result.answer.payload, result.answer.code, &session);
    {
      std::lock_guard<std::mutex> lock(s.mutex);
      if (s.stopping) return;
      s.results.push_back(std::move(result));
    }
    s.answers.notify_all();
    desktopWakeMainLoop();
  }
}

// A program (or a test) that ends without stopping the workers stops them
// at exit, before libcurl and its TLS library are torn down: their own exit
// handlers were registered earlier (desktopHttpGlobalInit) and so run later.
void stopWorkersAtExit() { stopFetchWorkers(); }

void ensureWorker(FetchChannel channel) {
  std::thread& t = workerThreads()[channel];
  if (t.joinable()) return;
  static bool exitHandlerSet = false;
  if (!exitHandlerSet) {
    exitHandlerSet = true;
    desktopHttpGlobalInit();
    atexit(stopWorkersAtExit);
  }
  t = std::thread(workerLoop, (int)channel);
  pthread_setname_np(t.native_handle(), CHANNEL_THREAD_NAMES[channel]);
}

bool anyOutstanding() {
  for (int n : channelOutstanding) {
    if (n > 0) return true;
  }
  return !pendingRequests.empty();
}

}  // namespace

bool startFetch(FetchChannel channel, const String& url, const String& accept, const String& token,
                FetchAnswerHandler handler) {
  if (channel < 0 || channel >= FETCH_CHANNEL_COUNT || !handler) return false;
  WorkerShared& s = shared();
  FetchJob job;
  job.id = ++nextRequestId;
  job.request = HttpFetchRequest{url, accept, token, httpFetchUserAgent()};
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.stopping) return false;
  }
  ensureWorker(channel);
  pendingRequests[job.id] = PendingRequest{channel, currentGeneration, std::move(handler)};
  ++channelOutstanding[channel];
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    s.queues[channel].push_back(std::move(job));
  }
  s.work.notify_all();
  return true;
}

bool answerUnchanged(AppliedAnswer& last, const FetchAnswer& answer, const String& key) {
  if (!answer.ok) {
    forgetAppliedAnswer(last);
    return false;
  }
  if (last.known && last.key == key && last.payload == answer.payload) return true;
  last.known = true;
  last.key = key;
  last.payload = answer.payload;
  return false;
}

void forgetAppliedAnswer(AppliedAnswer& last) {
  last.known = false;
  last.key = String();
  last.payload = String();
}

bool fetchChannelBusy(FetchChannel channel) {
  if (channel < 0 || channel >= FETCH_CHANNEL_COUNT) return false;
  return channelOutstanding[channel] > 0;
}

int processFetchAnswers() {
  WorkerShared& s = shared();
  std::deque<FetchResult> arrived;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    arrived.swap(s.results);
  }
  int handled = 0;
  for (FetchResult& result : arrived) {
    auto it = pendingRequests.find(result.id);
    if (it == pendingRequests.end()) continue;  // dropped
    PendingRequest request = std::move(it->second);
    pendingRequests.erase(it);
    if (request.generation != currentGeneration) continue;
    --channelOutstanding[request.channel];
    request.handler(result.answer);
    ++handled;
  }
  return handled;
}

bool fetchAnswersWaiting() {
  WorkerShared& s = shared();
  std::lock_guard<std::mutex> lock(s.mutex);
  return !s.results.empty();
}

void dropFetchAnswers() {
  WorkerShared& s = shared();
  ++currentGeneration;
  for (int& n : channelOutstanding) n = 0;
  std::lock_guard<std::mutex> lock(s.mutex);
  for (std::deque<FetchJob>& queue : s.queues) {
    for (const FetchJob& job : queue) pendingRequests.erase(job.id);
    queue.clear();
  }
}

void stopFetchWorkers() {
  WorkerShared& s = shared();
  desktopHttpAbortTransfers(true);
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    s.stopping = true;
    for (std::deque<FetchJob>& queue : s.queues) queue.clear();
    s.results.clear();
  }
  s.work.notify_all();
  for (int i = 0; i < FETCH_CHANNEL_COUNT; ++i) {
    if (workerThreads()[i].joinable()) workerThreads()[i].join();
  }
  pendingRequests.clear();
  for (int& n : channelOutstanding) n = 0;
}

void allowFetches() {
  WorkerShared& s = shared();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    s.stopping = false;
  }
  desktopHttpAbortTransfers(false);
}

bool waitForFetchesIdle(uint32_t timeoutMs) {
  WorkerShared& s = shared();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    processFetchAnswers();
    if (!anyOutstanding()) return true;
    std::unique_lock<std::mutex> lock(s.mutex);
    if (!s.results.empty()) continue;
    if (s.answers.wait_until(lock, deadline) == std::cv_status::timeout && s.results.empty()) return false;
  }
}
