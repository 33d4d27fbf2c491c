// A short alert tone through the SDL audio output: generated samples, no
// sound files. The device is opened for each tone and closed again once the
// tone has played, so an idle program holds no audio device.
#pragma once

#include <stdint.h>

// Sample rate, pitch and length of the tone.
static const int WATCH_TONE_SAMPLE_RATE_HZ = 22050;
static const int WATCH_TONE_PITCH_HZ = 880;
static const uint32_t WATCH_TONE_LENGTH_MS = 300;

// Fills out with count signed 16-bit mono samples of the tone: a sine of
// WATCH_TONE_PITCH_HZ with a short fade in and out (no click).
void generateWatchTone(int16_t* out, int count);

// Starts the tone (true when it was queued). A missing audio device is
// traced once and otherwise ignored (false).
bool playWatchTone();

// Every pass: closes the device once the tone has played; true while a tone
// still plays.
bool serviceWatchTone();

// Closes the device at once (shutdown, tests).
void stopWatchTone();
