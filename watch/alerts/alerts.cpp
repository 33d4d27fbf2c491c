// Weather alerts.
#include "watch/alerts/alerts.h"

void clearAlertToast() {
  // PENDING: clears alertToastState (visible, valid, scroll state) once the
  // toast record exists.
}
