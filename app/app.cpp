#include "app/app.h"

#include <stdlib.h>
#include <string.h>

#include "actions/remote_actions.h"
#include "app/config_apply.h"
#include "core/app.h"
#include "core/backend.h"
#include "core/config.h"
#include "core/config_file.h"
#include "core/device_log.h"
#include "core/night_mode.h"
#include "core/theme.h"
#include "core/view.h"
#include "core/watch_source.h"
#include "core/web_server.h"
#include "web/web_server.h"
#include "enrichment/radioid.h"
#include "enrichment/target_lists.h"
#include "host/board_stubs.h"
#include "host/desktop_main.h"
#include "host/display.h"
#include "host/input.h"
#include "host/runtime.h"
#include "host/storage.h"
#include "host/trace_log.h"
#include "hotspot/fetch_worker.h"
#include "hotspot/heard.h"
#include "hotspot/live_session.h"
#include "hotspot/on_air.h"
#include "network/wifi.h"
#include "ui/page_frame.h"
#include "ui/screensaver.h"
#include "ui/touch.h"
#include "watch/alerts/alerts.h"

namespace {

// Boot-splash frame delays: the first step, and every step after storage.
const int BOOT_FIRST_FRAME_DELAY_MS = 24;
const int BOOT_FRAME_DELAY_MS = 18;
const uint32_t STARTUP_CONNECT_TIMEOUT_MS = 15000;  // 15 s
const uint32_t SAFE_PAGE_REDRAW_INTERVAL_MS = 250;
const uint32_t SAFE_LOOP_LOG_INTERVAL_MS = 5000;
const uint32_t OTA_REBOOT_DELAY_MS = 150;

// Board hooks: the backlight pin and the chip-select lines of the SPI bus
// exist only on the board; the desktop has nothing to set up.
void initBacklight() {}
void deselectSpiDevices() {}

// Network polling is on unless QSODECK_DESKTOP_NETWORK is exactly "0"
// (read on every pass).
bool desktopNetworkPollingEnabled() {
  const char* value = getenv("QSODECK_DESKTOP_NETWORK");
  return value == nullptr || strcmp(value, "0") != 0;
}

// The network conditions shared by the background refresh checks.
bool backgroundNetworkReady() { return wifiOk && !setupRequired && !apModeActive; }

String stationUrlText() { return "http://" + stationAddressText() + "/"; }
String accessPointUrlText() { return "http://" + accessPointAddressText() + "/"; }

}  // namespace

namespace {

// Steps 1-4: serial console, first log lines and the network lock.
void startLogging() {
  desktopTrace("[DESKTOP] setup: entered.\n");
  Serial.begin(115200);
  desktopTrace("[DESKTOP] setup: Serial.begin done.\n");

  int resetReason = (int)rtc_get_reset_reason(0);
  Serial.println();
  Serial.println("Boot start");
  Serial.printf("Reset reason CPU0: %d\n", resetReason);
  desktopTrace("[DESKTOP] setup: first Serial output done.\n");

  addWebLog("INFO", "BOOT", "Boot start.", true);
  addWebLog("INFO", "BOOT", "Reset reason CPU0: " + String(resetReason) + ".", true);
  desktopTrace("[DESKTOP] setup: first web-log output done.\n");

  if (networkMutex == nullptr) networkMutex = xSemaphoreCreateRecursiveMutex();
  if (networkMutex == nullptr) {
    addWebLog("WARN", "BOOT", "Network mutex allocation failed; network calls are not serialized.", true);
  }
}

// Steps 5-8: theme, display, boot splash and storage.
void startDisplayAndStorage() {
  initBacklight();
  deselectSpiDevices();
  setDefaultTheme();

  desktopTrace("[DESKTOP] setup: calling tft.init()/SDL_Init.\n");
  tft.init();
  desktopTrace("[DESKTOP] setup: tft.init()/SDL_Init complete.\n");
  tft.setRotation(0);
  Serial.printf("Desktop controller: %s, runtime size: %d x %d\n", "SDL2", tft.width(), tft.height());

  animateBootProgress("POWERING DISPLAY", 0, 14, BOOT_FIRST_FRAME_DELAY_MS);
  const bool mounted = SD.begin();
  if (storageReadOnly) {
    activeStorageLabel = "SD READ-ONLY";
    animateBootProgress("STORAGE READ-ONLY", 14, 38, BOOT_FRAME_DELAY_MS);
    addWebLog("WARN", "BOOT", "Storage folder is not writable; settings cannot be saved.", true);
  } else if (mounted) {
    activeStorageLabel = "SD";
    animateBootProgress("SD CARD READY", 14, 38, BOOT_FRAME_DELAY_MS);
    addWebLog("INFO", "BOOT", "SD storage mounted.", true);
  } else {
    activeStorageLabel = "FLASH";
    animateBootProgress("SD mount failed / using FLASH", 14, 38, BOOT_FRAME_DELAY_MS);
    addWebLog("WARN", "BOOT", "SD mount failed. Falling back to FLASH storage.", true);
  }
}

// Step 9: the configuration decides between normal operation and setup.
bool startConfiguration() {
  bool configOk = loadConfig();
  configOkState = configOk;
  setupRequired = !configOk;
  if (configOk) {
    animateBootProgress("CONFIG LOADED", 38, 62, BOOT_FRAME_DELAY_MS);
    addWebLog("INFO", "BOOT", "Configuration loaded.", true);
  } else {
    animateBootProgress("Config missing / invalid", 38, 62, BOOT_FRAME_DELAY_MS);
    addWebLog("WARN", "BOOT", "Configuration missing or invalid.", true);
  }
  return configOk;
}

// Step 10: the device callsign pill under the splash.
void drawCallsignPill() {
  tft.fillRoundRect(230, 284, 340, 56, 16, theme.panel);
  tft.drawRoundRect(230, 284, 340, 56, 16, theme.accent);
  tft.setTextFont(2);
  tft.setTextColor(theme.accent, theme.panel);
  tft.setTextDatum(MC_DATUM);
  tft.drawString(getDeviceCallsign(), 400, 312);
  tft.setTextDatum(TL_DATUM);
}

// Steps 13-14: join the network or fall back to the setup access point.
void startNetwork(bool configOk) {
  if (configOk && configLooksValid()) {
    connectWiFi(STARTUP_CONNECT_TIMEOUT_MS);
  } else {
    wifiOk = false;
  }

  if (!configOk) {
    setupRequired = true;
    animateBootProgress("STARTING SETUP AP", 88, 94, BOOT_FRAME_DELAY_MS);
    startSetupAccessPoint();
    currentPage = PAGE_AP;
    previousPage = PAGE_AP;
  } else if (wifiOk) {
    setupRequired = false;
  } else {
    setupRequired = false;
    animateBootProgress("WIFI OFFLINE / RETRYING", 88, 94, BOOT_FRAME_DELAY_MS);
    lastWifiRetryMillis = millis() - WIFI_RETRY_INTERVAL_MS;
  }
}

// Steps 16-18: final progress, the boot log line and the footer.
void announceBootComplete() {
  if (wifiOk) {
    animateBootProgress("BOOT COMPLETE", 94, 100, BOOT_FRAME_DELAY_MS);
    addWebLog("INFO", "BOOT",
              webUiUrl.length() > 0 ? "Boot complete. Web UI at " + webUiUrl
                                    : String("Boot complete. Web UI is off (web_ui_enabled)."),
              true);
  } else if (apModeActive) {
    animateBootProgress("SETUP AP READY", 94, 100, BOOT_FRAME_DELAY_MS);
    addWebLog("INFO", "BOOT", "Boot complete with setup AP at " + accessPointUrlText(), true);
  } else {
    animateBootProgress("BOOT COMPLETE / OFFLINE", 94, 100, BOOT_FRAME_DELAY_MS);
    addWebLog("INFO", "BOOT", "Boot complete without network connection.", true);
  }

  Serial.println("[DESKTOP] post-boot: footer");
  if (wifiOk) {
    setFooterText("Desktop: " + stationUrlText(), true);
  } else if (apModeActive) {
    setFooterText("Desktop setup: " + accessPointUrlText(), true);
  } else {
    setFooterText("Desktop offline", true);
  }
}

// Steps 19-21: start page, display settings and the first frame.
void drawFirstPage() {
  Serial.println("[DESKTOP] post-boot: display settings");
  if (!setupRequired) applyStartPageAfterBoot();
  applyDisplaySettings();

  if (setupRequired || apModeActive) {
    Serial.println("[DESKTOP] post-boot: safe setup/AP page");
    drawDesktopBootReadyPage();
    lastRenderedPage = PAGE_AP;
  } else {
    Serial.println("[DESKTOP] post-boot: normal first page");
    tft.fillScreen(theme.bg);
    requestRedraw();
    redrawCurrentPage(true);
  }

  lastHeaderClock = getHeaderTimeText();
  uiDirty = false;
  footerDirty = false;
  headerClockDirty = false;
  scrollingTextDirty = false;
  Serial.println("[DESKTOP] post-boot: complete");
}

}  // namespace

void setup() {
  installProgram();
  startLogging();
  startDisplayAndStorage();
  bool configOk = startConfiguration();
  drawCallsignPill();

  lastLiveActiveState = isLiveActive();
  lastInteractionMillis = millis();

  ts.begin();
  ts.setRotation(0);
  animateBootProgress("MOUSE TOUCH ONLINE", 62, 78, BOOT_FRAME_DELAY_MS);
  animateBootProgress("LINKING WIFI", 78, 88, BOOT_FRAME_DELAY_MS);

  startNetwork(configOk);
  setupWebServer();
  announceBootComplete();
  drawFirstPage();
}

namespace {

uint32_t lastDesktopSafeDraw = 0;
uint32_t lastDesktopSafeLog = 0;
bool desktopLoopModeLogged = false;
bool desktopUiHandleTouchTraced = false;

// Setup guard: while in setup or AP state only the safe page is kept fresh.
void runSetupGuardPass() {
  handleWebClientSafely(0);  // the settings page can mend the configuration
  uint32_t now = millis();
  if (intervalElapsed(now, lastDesktopSafeDraw, SAFE_PAGE_REDRAW_INTERVAL_MS) || anyRedrawFlagSet()) {
    lastDesktopSafeDraw = now;
    drawDesktopBootReadyPage();
    clearRedrawFlags();
  }
  if (intervalElapsed(now, lastDesktopSafeLog, SAFE_LOOP_LOG_INTERVAL_MS)) {
    lastDesktopSafeLog = now;
    if (desktopVerboseTraceEnabled()) Serial.println("[DESKTOP] safe setup/AP loop active");
  }
}

// A finished firmware update restarts the device: on the desktop the run
// ends. True when the restart was taken.
bool handleOtaRestart(uint32_t now) {
  if (!otaUpdateSuccessful || otaRestartAt == 0 || !deadlineReached(now, otaRestartAt)) return false;
  addWebLog("INFO", "OTA", "Rebooting into updated firmware.", true);
  delay(OTA_REBOOT_DELAY_MS);
  gDesktopRunning = false;
  return true;
}

// A configuration saved from the web pages is applied once its time comes.
void handlePendingConfigApply(uint32_t now) {
  if (!pendingConfigApply || !deadlineReached(now, pendingConfigApplyAt)) return;
  pendingConfigApply = false;
  if (configOkState && configLooksValid()) {
    setupRequired = false;
    beginWiFiConnectAttempt(true);
    return;
  }
  wifiConnectInProgress = false;
  wifiOk = false;
  setupRequired = true;
  currentPage = PAGE_AP;
  startSetupAccessPoint();
  if (apModeActive) {
    setFooterText("Setup required: " + apSsid + " / " + accessPointUrlText(), false);
  } else {
    setFooterText("Config saved from web", false);
  }
  requestRedraw();
}

// Every 250 ms: keep wifiOk, setupRequired and the access point in line
// with the configuration and the station link.
void superviseNetwork(uint32_t now) {
  if (!intervalElapsed(now, lastWifiStateCheck, WIFI_STATE_CHECK_INTERVAL_MS)) return;
  lastWifiStateCheck = now;
  if (!configLooksValid()) {
    wifiConnectInProgress = false;
    wifiOk = false;
    setupRequired = true;
    currentPage = PAGE_AP;
    if (!apModeActive) startSetupAccessPoint();
    return;
  }
  bool stationConnected = wifiStationConnected();
  if (wifiConnectInProgress) {
    handleWiFiConnectProgress();
    stationConnected = wifiStationConnected();
  }
  if (stationConnected) {
    wifiOk = true;
    setupRequired = false;
    syncTimeIfNeeded();
    if (apModeActive) stopSetupAccessPoint();
    return;
  }
  wifiOk = false;
  if (setupRequired) {
    if (!apModeActive) startSetupAccessPoint();
  } else if (!wifiConnectInProgress &&
             intervalElapsed(millis(), lastWifiRetryMillis, WIFI_RETRY_INTERVAL_MS)) {
    beginWiFiConnectAttempt(false);
  }
}

uint32_t normalPollIntervalMs() {
  const WatchSourceRow& row = activeWatchSourceRow();
  return row.pollIntervalMs ? row.pollIntervalMs() : cfg.refreshMs;
}

uint32_t screensaverPollIntervalMs() {
  const WatchSourceRow& row = activeWatchSourceRow();
  return row.screensaverPollIntervalMs ? row.screensaverPollIntervalMs() : cfg.refreshMs;
}

// Poll decision: LIVE/HEARD pages with the screen on, or the slower wake
// poll under the screensaver; never during a connect, setup or touch grace.
void decideAndRunPoll(uint32_t now) {
  bool pageNeedsNetworkPolling = currentPage == PAGE_LIVE || currentPage == PAGE_LAST;
  bool touchGraceActive = !intervalElapsed(now, lastInteractionMillis, TOUCH_POLL_GRACE_MS);
  bool canPollNetwork = !setupRequired && wifiOk && !apModeActive && !wifiConnectInProgress;
  bool normalUiPoll = !screensaverActive && canPollNetwork && pageNeedsNetworkPolling && !touchGraceActive &&
                      intervalElapsed(now, lastPoll, normalPollIntervalMs());
  bool screensaverWakePoll =
      screensaverActive && canPollNetwork && intervalElapsed(now, lastPoll, screensaverPollIntervalMs());
  if (normalUiPoll) {
    lastPoll = now;
    fetchAllData();
  } else if (screensaverWakePoll) {
    lastPoll = now;
    activeWatchSourceRow().screensaverPoll();
  }
}

// Weather and solar data refresh in the background on their own cadence,
// each source with its own once-a-second check.
void runBackgroundRefreshChecks() {
  for (int i = 0; i < WATCH_SOURCE_COUNT; ++i) {
    const WatchSourceRow& row = watchSourceRow((WatchSource)i);
    if (row.backgroundRefreshDue == nullptr) continue;
    const uint32_t now = millis();
    if (!intervalElapsed(now, *row.backgroundCheckMillis, BACKGROUND_POLL_CHECK_INTERVAL_MS)) continue;
    *row.backgroundCheckMillis = now;
    if (backgroundNetworkReady() && row.backgroundRefreshDue(now)) row.backgroundRefresh();
  }
}

// S1-S3: screensaver start and tick, live-state change.
void runScreensaverAndLiveSteps() {
  runNightModeStep(millis());
  uint32_t now = millis();
  if (screensaverAllowedNow() && !screensaverActive &&
      intervalElapsed(now, lastInteractionMillis, screensaverTimeoutNowMs())) {
    setScreensaverActive(true);
  }
  now = millis();
  if (screensaverActive && intervalElapsed(now, lastScreensaverFrameMillis, SCREENSAVER_FRAME_INTERVAL_MS)) {
    lastScreensaverFrameMillis = now;
    requestRedraw();
  }
  bool liveActiveNow = isLiveActive();
  if (liveActiveNow != lastLiveActiveState) {
    lastLiveActiveState = liveActiveNow;
    if (currentPage == PAGE_LIVE) requestRedraw();
  }
  runCallWatchStep(millis());
  // The two-slot panel comes and goes with the hold of each DMR slot.
  static bool twoSlotPanelShown = false;
  const bool twoSlotsNow = shouldShowDmrTimeslotLivePanel();
  if (twoSlotsNow != twoSlotPanelShown) {
    twoSlotPanelShown = twoSlotsNow;
    if (currentPage == PAGE_LIVE) requestRedraw();
  }
}

// S4-S5: clock text check and the marquee step.
void runClockAndScrollSteps() {
  uint32_t now = millis();
  if (!screensaverActive && intervalElapsed(now, lastClockCheck, CLOCK_CHECK_INTERVAL_MS)) {
    lastClockCheck = now;
    String nowClock = getHeaderTimeText();
    if (nowClock != lastHeaderClock) {
      lastHeaderClock = nowClock;
      headerClockDirty = true;
    }
  }
  now = millis();
  if (!screensaverActive && scrollingTextActiveFrame && !marqueePausedByOverlay() &&
      (currentPage == PAGE_LIVE || currentPage == PAGE_LAST) &&
      intervalElapsed(now, lastScrollingTextFrameMs, SCROLL_TEXT_STEP_MS)) {
    lastScrollingTextFrameMs = now;
    scrollingTextDirty = true;
  }
}

// S6-S7: partial repaints where possible, else the whole page.
void runRedrawSteps() {
  if (!uiDirty && !screensaverActive && (headerClockDirty || footerDirty || scrollingTextDirty)) {
    bool partialDone = false;
    if (headerClockDirty) {
      drawHeaderClockBox();
      headerClockDirty = false;
      partialDone = true;
    }
    if (footerDirty) {
      drawFooter();
      footerDirty = false;
      partialDone = true;
    }
    if (scrollingTextDirty) {
      scrollingTextActiveFrame = false;
      if (redrawScrollingTextAreasForCurrentPage()) {
        scrollingTextDirty = false;
        partialDone = true;
      } else {
        requestRedraw();
      }
    }
    if (partialDone) tft.flush();
  }
  if (anyRedrawFlagSet()) {
    redrawCurrentPage(uiDirty);
    clearRedrawFlags();
  }
}

// Network pass steps 1-8 (everything before the screen steps). False when
// a finished firmware update ended the run.
bool runNetworkSteps() {
  handleTouch();
  processFetchAnswers();
  handleWebClientSafely(0);
  uint32_t now = millis();
  if (handleOtaRestart(now)) return false;
  handlePendingConfigApply(now);
  superviseNetwork(millis());
  decideAndRunPoll(millis());
  runHotspotBackgroundPoll(millis());
  processRadioIdLookups();
  processTargetNameLookups();
  pollAlertDataIfDue();
  runBackgroundRefreshChecks();
  return true;
}

}  // namespace

void loop() {
  desktopPollEventsOnly();
  if (setupRequired || apModeActive) {
    runSetupGuardPass();
    return;
  }

  bool networkOn = desktopNetworkPollingEnabled();
  if (!desktopLoopModeLogged) {
    desktopLoopModeLogged = true;
    Serial.println(
        networkOn
            ? "[DESKTOP] firmware network polling enabled; set QSODECK_DESKTOP_NETWORK=0 for UI-only mode"
            : "[DESKTOP] interactive UI loop active; network/WebServer/SSH polling is skipped");
  }

  if (!networkOn) {
    if (!desktopUiHandleTouchTraced) desktopTrace("[DESKTOP] UI loop: before handleTouch.\n");
    handleTouch();
    if (!desktopUiHandleTouchTraced) {
      desktopTrace("[DESKTOP] UI loop: handleTouch returned.\n");
      desktopUiHandleTouchTraced = true;
    }
    runScreensaverAndLiveSteps();
    runClockAndScrollSteps();
    runRedrawSteps();
    return;
  }

  if (!runNetworkSteps()) return;
  runScreensaverAndLiveSteps();
  processModeToggleTaskResult();
  processQuickActionTaskResult();
  runClockAndScrollSteps();
  runRedrawSteps();
}

bool fetchAllData() { return activeWatchSourceRow().poll(); }

bool firmwareInSetupState() { return setupRequired || apModeActive; }

namespace {

// The longest wait when nothing is due sooner (input and answers end any
// wait at once).
const uint32_t IDLE_WAIT_MAX_MS = 1000;
const uint32_t ANIMATION_PACE_MS = 10;

// Time left until last + interval (0 when due).
uint32_t timeLeft(uint32_t now, uint32_t last, uint32_t interval) {
  const uint32_t elapsed = elapsedSince(now, last);
  return elapsed >= interval ? 0 : interval - elapsed;
}

// Narrows wait to the time left until last + interval.
void waitAtMostUntil(uint32_t& wait, uint32_t now, uint32_t last, uint32_t interval) {
  const uint32_t left = timeLeft(now, last, interval);
  if (left < wait) wait = left;
}

// The next due time of the polls of the current source (screen on or off).
void waitForPolls(uint32_t& wait, uint32_t now) {
  if (!wifiOk || setupRequired || apModeActive || wifiConnectInProgress) return;
  if (screensaverActive) {
    waitAtMostUntil(wait, now, lastPoll, screensaverPollIntervalMs());
  } else if (currentPage == PAGE_LIVE || currentPage == PAGE_LAST) {
    // A due poll still waits for the end of the touch grace.
    const uint32_t pollLeft = timeLeft(now, lastPoll, normalPollIntervalMs());
    const uint32_t graceLeft = timeLeft(now, lastInteractionMillis, TOUCH_POLL_GRACE_MS);
    const uint32_t pollWait = pollLeft > graceLeft ? pollLeft : graceLeft;
    if (pollWait < wait) wait = pollWait;
  }
}

}  // namespace

uint32_t firmwareIdleWaitMs() {
  // The setup state keeps the pace of the safe loop.
  if (setupRequired || apModeActive) return ANIMATION_PACE_MS;
  if (scrollingTextActiveFrame || touchPressActive() || anyRedrawFlagSet()) return ANIMATION_PACE_MS;
  if (fetchAnswersWaiting()) return 0;
  const uint32_t now = millis();
  uint32_t wait = IDLE_WAIT_MAX_MS;
  if (desktopNetworkPollingEnabled()) {
    // A joined station needs no watching between passes; joining does.
    if (wifiConnectInProgress || !wifiOk)
      waitAtMostUntil(wait, now, lastWifiStateCheck, WIFI_STATE_CHECK_INTERVAL_MS);
    waitForPolls(wait, now);
    for (int i = 0; i < WATCH_SOURCE_COUNT; ++i) {
      const WatchSourceRow& row = watchSourceRow((WatchSource)i);
      if (row.backgroundCheckMillis != nullptr)
        waitAtMostUntil(wait, now, *row.backgroundCheckMillis, BACKGROUND_POLL_CHECK_INTERVAL_MS);
    }
  }
  if (screensaverAllowedNow() && !screensaverActive)
    waitAtMostUntil(wait, now, lastInteractionMillis, screensaverTimeoutNowMs());
  const uint32_t nightWait = nightCheckWaitMs(now);
  if (nightWait < wait) wait = nightWait;
  if (screensaverActive)
    waitAtMostUntil(wait, now, lastScreensaverFrameMillis, SCREENSAVER_FRAME_INTERVAL_MS);
  if (!screensaverActive) waitAtMostUntil(wait, now, lastClockCheck, CLOCK_CHECK_INTERVAL_MS);
  // The end of a live hold changes the LIVE page.
  if (isLiveActive()) waitAtMostUntil(wait, now, shownHeardList().liveMillis, cfg.callsignHoldMs + 1);
  for (int slot = 1; slot <= 2; ++slot) {
    if (isDmrTimeslotLiveActive(slot))
      waitAtMostUntil(wait, now, dmrTimeslotRecordMillis(slot), cfg.callsignHoldMs + 1);
  }
  uint32_t alertPopupLeft = 0;
  if (alertPopupTimeLeftMs(now, alertPopupLeft) && alertPopupLeft < wait) wait = alertPopupLeft;
  return wait;
}

void firmwareShutdown() {
  stopWebServer();
  stopFetchWorkers();
}

bool firmwareSetupRequired() { return setupRequired; }
