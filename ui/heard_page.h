// The HEARD page: recent stations of the active heard list, four rows at a
// time, with mode filter, sort order and page buttons.
#pragma once

// Draws the HEARD page (hands over to the watch source's own page when not MMDVM).
void drawLastPage();
