// ADS-B watch source.
#include "watch/adsb/adsb.h"

void clearAdsbData() {
  // PENDING: resets adsbState to its defaults once the aircraft record exists.
}
