// Hotspot popups: QSO detail, mode confirmation and the quick-action launcher.
#pragma once

#include "core/view.h"
#include "host/wstring.h"
#include "hotspot/heard.h"
#include "ui/draw.h"

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
// Taps here close the launcher (no button is drawn for it).
static const ScreenRect QUICK_ACTION_CLOSE_AREA = {282, 308, 235, 40};
// Opens the launcher with the hotspot presets or the SvxLink presets.
void openQuickActionPopup(bool svxlink);

// The hotspot popups as overlays of the page.
extern const ViewOverlay DETAIL_POPUP_OVERLAY;
extern const ViewOverlay MODE_CONFIRM_OVERLAY;
extern const ViewOverlay QUICK_ACTIONS_OVERLAY;
