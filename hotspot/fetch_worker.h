// Requests off the main thread. A fetcher prepares its request on the main
// thread and hands it over here; a worker thread of the request's channel
// performs the GET (httpGetString's rules: lock, headers, redirects) and the
// answer comes back to the main thread, where processFetchAnswers() runs the
// fetcher's handler in the first pass after it arrived. Workers only
// transfer: every parse and every change of program state happens in a
// handler, on the main thread.
#pragma once

#include <stdint.h>

#include <functional>

#include "host/wstring.h"

// The sources of requests. Requests of one channel run one after another, in
// the order they were made; different channels overlap.
enum FetchChannel {
  FETCH_CHANNEL_HOTSPOT = 0,
  FETCH_CHANNEL_RADIOID,
  FETCH_CHANNEL_SVXLINK,
  FETCH_CHANNEL_APRS,
  FETCH_CHANNEL_ADSB,
  FETCH_CHANNEL_WEATHER,
  FETCH_CHANNEL_FORECAST,
  FETCH_CHANNEL_HAMQSL,
  FETCH_CHANNEL_ALERTS,
  FETCH_CHANNEL_HOTSPOT_BACKGROUND,  // the hotspot's last-heard list while another source is shown
  FETCH_CHANNEL_COUNT,
};

// What httpGetString gave for one request.
struct FetchAnswer {
  bool ok = false;  // a 200 answer (after redirects)
  int code = 0;     // HTTP status, or -1, -2, -98
  String payload;   // the body of a 200 answer, else empty
};

// The last answer a source applied, to tell an unchanged one (main thread).
struct AppliedAnswer {
  bool known = false;
  String key;  // what the request asked for, when the URL alone does not say
  String payload;
};

// True when the answer is a 200 whose payload (and key) equals the applied
// one remembered in last: its data is already shown and nothing needs to be
// parsed or drawn again. Otherwise remembers it (a failed answer forgets).
bool answerUnchanged(AppliedAnswer& last, const FetchAnswer& answer, const String& key = String());

// Forgets the remembered answer (its parse failed or the data was reset).
void forgetAppliedAnswer(AppliedAnswer& last);

// Runs on the main thread with the answer of one request.
typedef std::function<void(const FetchAnswer& answer)> FetchAnswerHandler;

// Hands a GET of url to the channel's worker (accept and token as for
// httpGetString; the user agent is taken now, on the main thread). The
// handler runs once, on the main thread, in processFetchAnswers() after the
// answer arrived. False (handler never run) when the request could not be
// handed over.
bool startFetch(FetchChannel channel, const String& url, const String& accept, const String& token,
                FetchAnswerHandler handler);

// True while the channel has a request waiting, running, or an answer whose
// handler has not run yet: the source's own "one request at a time".
bool fetchChannelBusy(FetchChannel channel);

// Every pass of the main cycle: runs the handlers of the answers that
// arrived (how many ran), in arrival order and in request order within a
// channel.
int processFetchAnswers();
// True when an answer waits for the next pass.
bool fetchAnswersWaiting();
// A configuration was applied: the answers of every request made so far are
// dropped and their channels free again.
void dropFetchAnswers();
// Shutdown: every transfer ends at once, the workers stop and later
// requests are refused.
void stopFetchWorkers();

// Allows requests again after stopFetchWorkers (tests).
void allowFetches();

// Tests: runs passes of processFetchAnswers() until no request is waiting,
// running or unanswered, or timeoutMs of real time passed; true when idle.
bool waitForFetchesIdle(uint32_t timeoutMs = 20000);
