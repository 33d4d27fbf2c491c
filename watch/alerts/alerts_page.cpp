// The weather alert popup.
#include "watch/alerts/alerts_page.h"

#include "watch/alerts/alerts.h"

// PENDING: the alert popup with its rich-text body is drawn here.
static void drawAlertPopup() {}

// PENDING: handleAlertPopupTap; every tap is taken while the popup shows.
static void tapAlertPopup(int x, int y) {
  (void)x;
  (void)y;
}

const ViewOverlay ALERT_OVERLAY = {OVERLAY_ALERT, alertToastVisible, drawAlertPopup,
                                   tapAlertPopup, nullptr,           true};
