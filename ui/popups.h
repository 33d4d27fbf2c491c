// Hotspot popups: QSO detail, mode confirmation and the quick-action launcher.
#pragma once

#include "host/wstring.h"
#include "hotspot/heard.h"

extern bool detailPopupOpen;
extern int selectedHeardIndex;
extern int detailInfoPopupScrollLines;
extern int detailInfoPopupMaxScrollLines;
extern int detailInfoPopupPageStepLines;
extern bool modeConfirmPopupOpen;
extern String modeConfirmTargetLabel;
extern bool modeConfirmEnableRequested;
extern bool quickActionPopupOpen;
extern bool activeQuickActionIsSvxlink;

// Closes the detail popup and resets its scroll state.
void closeDetailPopup();
// Opens the detail popup for heardList[index].
void openDetailPopup(int index);
// Detail popup for one heard record.
void drawDetailPopup(const HeardRecord& record);
// Shared geometry of the mode confirmation popup.
void getModeConfirmPopupLayout(int& popupX, int& popupY, int& popupW, int& popupH, int& noX, int& noY,
                               int& noW, int& noH, int& yesX, int& yesY, int& yesW, int& yesH);
// Mode confirmation popup.
void drawModeConfirmPopup();
// Quick-action launcher popup.
void drawQuickActionsPopup();
// Rectangle of quick-action slot i in the launcher (two columns).
void quickActionSlotRect(int slot, int& x, int& y, int& w, int& h);
