// Dashboard status scraping: the mode pills, frequencies and radio status text
// of the Pi-Star and WPSD dashboard pages, found by fixed text markers.
#pragma once

#include "core/markup.h"
#include "host/wstring.h"
#include "hotspot/heard.h"

// Frequency texts (without "MHz") and the radio status text from the dashboard.
extern String hotspotRxFreq;
extern String hotspotTxFreq;
extern String hotspotStatusText;

// Scrapes one status page into the mode statuses and texts; true when a mode
// status or a frequency came from this page. Earlier frequencies and status
// text are kept when the page has none; known mode statuses survive a page
// without mode markers.
bool parseDashboardStatusHtml(const String& payload);

// Visible text of an HTML fragment: tags dropped, common entities decoded,
// line breaks and double blanks folded, trimmed.
String extractHtmlText(const String& html);

// Visible text of the table cell after the header cell holding the label.
bool extractTableCellAfterHeader(const String& html, const char* headerLabel, String& valueOut);

// The same for a div table ("divTableCell" after the header div).
bool extractDivCellAfterHeader(const String& html, const char* headerLabel, String& valueOut);

// First cell of the second row of a WPSD div table (the radio status).
bool extractWpsdTableFirstCellValue(const String& html, String& valueOut);

// Pi-Star "Trx" cell (the radio status).
bool extractPiStarTrxValue(const String& html, String& valueOut);

// WPSD status pill of a mode; true when the pill was found.
bool extractWpsdStatusPill(const String& html, const char* label, ModeStatus& status);

// Value under the header with exactly this text in the WPSD radio-info table.
bool extractWpsdRadioInfoValue(const String& html, const char* headerLabel, String& valueOut);

// Value of the first WPSD stat card (the radio-info layout of current
// releases) whose label is this one, trimmed, compared without case and
// with or without a trailing period; false when there is no such card or
// its value is empty, broken off or a PHP message.
bool extractWpsdStatCardValue(const String& html, const char* label, String& valueOut);

// Pi-Star mode cell: known, and enabled unless greyed out or aria-disabled.
// The status is left alone when the label is not on the page.
void parseModeCellPiStar(const String& html, const char* label, ModeStatus& status);

// All six mode statuses back to unknown and disabled.
void resetModeStatuses();

// True when both flags are equal.
bool modeStatusEqual(const ModeStatus& a, const ModeStatus& b);

// True when each argument equals the matching mode global.
bool allModeStatusesEqual(const ModeStatus& dmr, const ModeStatus& dstar, const ModeStatus& ysf,
                          const ModeStatus& p25, const ModeStatus& nxdn, const ModeStatus& pocsag);
