// The alert tone: samples generated once per tone, queued on an SDL audio
// device that the main cycle closes when the queue ran empty.
#include "host/tone.h"

#include <SDL.h>
#include <math.h>

#include <vector>

#include "host/runtime.h"
#include "host/trace_log.h"

namespace {

const uint32_t FADE_MS = 20;
const uint32_t CLOSE_AFTER_EXTRA_MS = 200;  // the device's own buffer drains
const double TWO_PI = 6.283185307179586;
const double TONE_AMPLITUDE = 0.35 * 32767.0;

SDL_AudioDeviceID toneDevice = 0;
uint32_t toneStartedAt = 0;
bool audioFailureTraced = false;

void traceAudioFailureOnce(const char* what) {
  if (audioFailureTraced) return;
  audioFailureTraced = true;
  desktopTrace("[DESKTOP][WARN] Watch tone: %s failed (%s); the tone stays silent.\n", what, SDL_GetError());
}

bool openToneDevice() {
  if ((SDL_WasInit(SDL_INIT_AUDIO) & SDL_INIT_AUDIO) == 0 && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    traceAudioFailureOnce("audio start");
    return false;
  }
  SDL_AudioSpec want;
  SDL_zero(want);
  want.freq = WATCH_TONE_SAMPLE_RATE_HZ;
  want.format = AUDIO_S16SYS;
  want.channels = 1;
  want.samples = 1024;
  toneDevice = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
  if (toneDevice == 0) {
    traceAudioFailureOnce("opening the audio device");
    return false;
  }
  return true;
}

}  // namespace

void generateWatchTone(int16_t* out, int count) {
  const int fade = (int)((uint64_t)WATCH_TONE_SAMPLE_RATE_HZ * FADE_MS / 1000);
  for (int i = 0; i < count; ++i) {
    double gain = 1.0;
    if (i < fade) gain = (double)i / fade;
    if (count - 1 - i < fade) gain = (double)(count - 1 - i) / fade;
    const double phase = TWO_PI * WATCH_TONE_PITCH_HZ * i / WATCH_TONE_SAMPLE_RATE_HZ;
    out[i] = (int16_t)lround(TONE_AMPLITUDE * gain * sin(phase));
  }
}

bool playWatchTone() {
  if (toneDevice == 0 && !openToneDevice()) return false;
  const int count = (int)((uint64_t)WATCH_TONE_SAMPLE_RATE_HZ * WATCH_TONE_LENGTH_MS / 1000);
  std::vector<int16_t> samples((size_t)count);
  generateWatchTone(samples.data(), count);
  if (SDL_QueueAudio(toneDevice, samples.data(), (Uint32)(samples.size() * sizeof(int16_t))) != 0) {
    traceAudioFailureOnce("queueing the tone");
    stopWatchTone();
    return false;
  }
  SDL_PauseAudioDevice(toneDevice, 0);
  toneStartedAt = millis();
  return true;
}

bool serviceWatchTone() {
  if (toneDevice == 0) return false;
  if (SDL_GetQueuedAudioSize(toneDevice) > 0) return true;
  if (elapsedSince(millis(), toneStartedAt) < WATCH_TONE_LENGTH_MS + CLOSE_AFTER_EXTRA_MS) return true;
  stopWatchTone();
  return false;
}

void stopWatchTone() {
  if (toneDevice == 0) return;
  SDL_CloseAudioDevice(toneDevice);
  toneDevice = 0;
}
