// ADS-B watch source: aircraft near an area centre from a dump1090 receiver.
#pragma once

// Drops all aircraft data (the configuration was applied).
void clearAdsbData();
