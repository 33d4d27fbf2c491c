#include "ui/popups.h"

#include "ui/page_frame.h"

bool detailPopupOpen = false;
int selectedHeardIndex = -1;
int detailInfoPopupScrollLines = 0;
int detailInfoPopupMaxScrollLines = 0;
int detailInfoPopupPageStepLines = 1;
bool modeConfirmPopupOpen = false;
String modeConfirmTargetLabel;
bool modeConfirmEnableRequested = false;
bool quickActionPopupOpen = false;
bool activeQuickActionIsSvxlink = false;

void closeDetailPopup() {
  detailPopupOpen = false;
  selectedHeardIndex = -1;
  detailInfoPopupScrollLines = 0;
  detailInfoPopupMaxScrollLines = 0;
  detailInfoPopupPageStepLines = 1;
}

void openDetailPopup(int index) {
  selectedHeardIndex = index;
  detailInfoPopupScrollLines = 0;
  detailInfoPopupMaxScrollLines = 0;
  detailInfoPopupPageStepLines = 1;
  detailPopupOpen = true;
  requestRedraw();
}

// PENDING: detail popup for one heard record.
void drawDetailPopup(const HeardRecord& record) { (void)record; }

void getModeConfirmPopupLayout(int& popupX, int& popupY, int& popupW, int& popupH, int& noX,
                               int& noY, int& noW, int& noH, int& yesX, int& yesY, int& yesW,
                               int& yesH) {
  popupW = 600;
  popupH = 224;
  popupX = (800 - popupW) / 2;
  popupY = (480 - popupH) / 2;
  noW = yesW = 210;
  noH = yesH = 56;
  noX = popupX + 55;
  noY = yesY = popupY + popupH - 56 - 36;
  yesX = popupX + popupW - 210 - 55;
}

// PENDING: mode confirmation popup.
void drawModeConfirmPopup() {}

// PENDING: quick-action launcher popup.
void drawQuickActionsPopup() {}
