// The watch-source table: one row per data source of the LIVE and HEARD
// pages (the MMDVM hotspot included) with everything the main cycle, the
// page frame and the touch code ask of a source. They consult the row of
// the current source instead of branching on the source.
//
// The rows are defined next to each source's pages (the MMDVM row beside
// the table in app/watch_source_table.cpp, the others in
// watch/<source>/<source>_page.cpp); the table itself is assembled in
// app/watch_source_table.cpp and installed here at start-up.
#pragma once

#include <stdint.h>

#include "core/view.h"
#include "host/wstring.h"

// One start page a source offers for start_page_after_boot: the value that
// is saved ("aprs_live"), the label of the boot log ("APRS WATCH") and the
// spellings read as it (null-terminated; a text is trimmed, lower-cased and
// read with "-" for "_", so the value itself is one of them written with
// "-"). A null value: no such page.
struct StartPageName {
  const char* value;
  const char* label;
  const char* aliases[8];
};

struct HeardList;

// Every field not set is null or false; rows are built field by field.
struct WatchSourceRow {
  WatchSource source;
  // Chooser button ("MMDVM", "SVXLINK", ...) and footer name after a swipe
  // ("WATCH: " + footerName).
  const char* buttonLabel;
  const char* footerName;
  // Label of tab 1 ("HEARD", "Cast", "RADAR"); null when the source has no
  // heard page of its own and the tab row shows three tabs.
  const char* heardTabLabel;

  // Feature test: the source can be chosen. Null: always.
  bool (*available)();
  // Start pages after boot: the LIVE page and the HEARD page (value null:
  // the source offers only its LIVE page). The start page needs the source
  // fully configured (startReady) at start-up and switched on
  // (startSwitchedOn) when the configuration is read. Null: always.
  StartPageName startLive;
  StartPageName startHeard;
  bool (*startReady)();
  bool (*startSwitchedOn)();
  // Switching to the source shows its LIVE page.
  bool switchShowsLivePage;
  // The chooser opens the page it was asked for; otherwise the LIVE page.
  bool chooserOpensTargetPage;

  // One poll on the LIVE and HEARD pages; true when it produced data.
  bool (*poll)();
  // The one poll of a wake poll under the screensaver; a source with its own
  // refresh rule (weather, solar data) fetches only when that rule says so.
  bool (*screensaverPoll)();
  // Poll intervals on the pages and under the screensaver; null: refreshMs.
  uint32_t (*pollIntervalMs)();
  uint32_t (*screensaverPollIntervalMs)();
  // Background refresh checked once a second whatever source is shown
  // (weather, solar data), with its own check time: true when a refresh is
  // due now. Null: none.
  bool (*backgroundRefreshDue)(uint32_t now);
  bool (*backgroundRefresh)();
  uint32_t* backgroundCheckMillis;
  // Immediate fetch after the source was chosen (by swipe or chooser) for
  // the given page. Null: none.
  void (*selected)(Page page);
  // Tab 1 was tapped while the source is current. Null: nothing more.
  void (*heardTabTapped)();
  // The configuration was finalised (drop data of a disabled source) and a
  // configuration was applied at run time. Null: nothing.
  void (*configFinalized)();
  void (*configApplied)();

  // The source's own heard list, drawn by the LIVE and HEARD pages while
  // the source is shown (hotspot/heard.h). Null: the source has none and
  // the hotspot's list is the shown one.
  HeardList& (*heardList)();

  // LIVE and HEARD page drawers and their taps.
  void (*drawLive)();
  void (*drawHeard)();
  void (*tapLive)(int x, int y);
  void (*tapHeard)(int x, int y);
  // Marquee strips of the LIVE and HEARD pages; false (or null) when the
  // page needs a full redraw instead.
  bool (*redrawLiveStrips)();
  bool (*redrawHeardStrips)();

  // The source's card on the screensaver: text and 24 px icon path (text
  // left empty: no card). Null: none.
  void (*screensaverCard)(String& text, String& icon);
  // Draws the whole screensaver instead of the clock picture while
  // wx_screensaver_enabled is set. Null: the source cannot.
  void (*drawScreensaverPage)();
};

// The hotspot's start pages (its row and the empty row before an install).
extern const StartPageName MMDVM_START_LIVE;
extern const StartPageName MMDVM_START_HEARD;

// Installs the program's table: one row per source in the order of the
// WatchSource values (rows[0] is the MMDVM hotspot). The rows must live as
// long as the program. Until a table is installed every lookup answers
// with an empty MMDVM row and no source besides the hotspot is available.
void installWatchSourceTable(const WatchSourceRow* const rows[WATCH_SOURCE_COUNT]);

// The row of a source (never null; an unknown source gives the MMDVM row).
const WatchSourceRow& watchSourceRow(WatchSource source);
// The row whose pages are shown now: the current source when it is
// available, else the MMDVM hotspot.
const WatchSourceRow& activeWatchSourceRow();
// True when the source can be chosen (MMDVM always).
bool watchSourceAvailable(WatchSource source);
// True when the source is the current one and can be chosen.
bool isCurrentWatch(WatchSource source);
// True when any source besides the hotspot can be chosen.
bool anyWatchFeatureEnabled();
// Footer label of a source ("MMDVM", "SVXLink", ...).
const char* watchSourceFooterName(WatchSource source);
