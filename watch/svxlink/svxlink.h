#pragma once

// SvxLink watch source: the node's web dashboard (HTML, scraped for the node
// status and its last-heard table) or its JSON bridge (a heard array read by
// the hotspot's heard-array parser), polled off the main thread; the heard
// list goes into the SvxLink heard list. Also the APRS comment alert that
// shows when the current SvxLink talker is the station of the APRS source.

#include <stdint.h>

#include "core/backend.h"
#include "host/wstring.h"
#include "hotspot/heard.h"

// Items of the "Active Logics" table kept.
static const int SVXLINK_MAX_LOGICS = 6;

// Node status, written only by a recognised dashboard page (the JSON bridge
// leaves them empty); never cleared while the program runs.
extern String svxlinkRadioStatus;      // "Radio Status" / "Repeater Status" cell
extern String svxlinkReflectorStatus;  // "Connected", "Not connected", "No status"
extern String svxlinkDefaultTg;
extern String svxlinkActiveTg;
extern String svxlinkMonitorTgs;
extern String svxlinkLogics[SVXLINK_MAX_LOGICS];
extern uint8_t svxlinkLogicCount;

// Number of SvxLink polls started (for diagnostics).
extern uint32_t svxlinkPollCount;

// One poll of the node: false when a precondition failed (footer and fetch
// outcome as for a failed fetch) or the previous poll's answer is still
// out; true when the request started. The answer is parsed, applied,
// counted into the node's own list when it arrives.
bool fetchSvxlinkData();

// Poll while SvxLink is the current source: the node, then the APRS lookup
// when APRS is enabled; true when either started.
bool pollSvxlinkWatch();
// Poll intervals on the page (at least 3 s) and under the screensaver (at
// least 10 s) from the configured refresh.
uint32_t svxlinkPollIntervalMs();
uint32_t svxlinkScreensaverPollIntervalMs();

// ---------------------------------------------------------------- dashboard scrape

// Scrapes one dashboard page into the node status and the heard list; false
// (lastError set, nothing changed) for a page that is no SvxLink dashboard.
// True when the heard table was read or a radio status, reflector status or
// logic is known afterwards.
bool parseSvxlinkDashboardHtml(const String& payload);

// Dashboard text as shown: entities decoded, line breaks and tabs as blanks,
// trimmed, runs of blanks folded.
String svxCleanDashboardText(const String& s);
// Texts of the non-empty cells of the table after title (at most maxItems;
// "No Modules" is no item); countOut is their number. True when any.
bool svxExtractTableItems(const String& html, const char* title, String* items, int maxItems,
                          uint8_t& countOut);
// "Not connected", "No status" or "Connected" from a piece of status text;
// false when the piece says none of them.
bool svxNormalizeReflectorStatusChunk(const String& chunk, String& statusOut);
// The page text shows a reflector link (ReflectorLogic, a reflector host and
// talkgroup data).
bool svxDashboardHasReflectorConnectionEvidence(const String& text);
// The reflector status written after the reflector label of the page text.
bool svxExtractReflectorStatusFromDashboardText(const String& text, String& statusOut);
// The cleaned texts of the "<td" cells of one table row (at most maxCells);
// returns their number.
int svxCollectTdTexts(const String& rowHtml, String* cells, int maxCells);
// Reads the last-heard table ("SVXReflector Activity", else "LastHeard")
// and applies it; false, with nothing changed, when the page has none.
bool svxParseLastHeardFromHtml(const String& html);
// Applies a heard list read from the node: names from the RadioID cache,
// mode statuses, heard list, live record and session statistics, a lookup
// for the newest talker, footer okFooter. Always true.
bool svxApplyParsedHeardList(HeardRecord* newList, int newCount, const String& okFooter);

// The node's own heard list: its answers land here whatever source is shown.
HeardList& svxlinkHeard();

// A record of the JSON bridge: mode "SVXLink" and source "SVXRef" when the
// answer names none.
void completeSvxlinkBridgeRecord(HeardRecord& rec);

// Applies a JSON bridge answer to the node's list (footers only while the
// node is shown); false when the answer holds no heard list.
bool parseSvxlinkBridgeAnswer(const String& payload);

// Time of day of a heard time for the SvxLink cards and rows: the part after
// the date of a "YYYY-MM-DD HH:MM:SS" text, else the text as it is (the
// dashboards also write "21:04:40" or "21:04:40 08 Dec").
String svxlinkHeardTimeText(const String& timeUtc);

// ---------------------------------------------------------------- current talker and APRS alert

// Normalised callsign of the newest SvxLink record (the SvxLink cache, else
// the active list); empty when there is none.
String currentSvxlinkUserCallsign();

// The current SvxLink talker is the station the APRS source shows.
bool svxlinkAprsAlertVisible();
// After an APRS answer: redraw when the alert shows.
void updateSvxlinkAprsCommentAlertFromState();
// Closes the APRS comment popup and resets its selection and scroll state.
void clearSvxlinkAprsCommentAlert();
// Opens the APRS comment popup for the talker (only while the alert shows).
void openSvxlinkAprsCommentPopup();
