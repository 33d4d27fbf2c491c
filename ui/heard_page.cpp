#include "ui/heard_page.h"

#include "ui/page_frame.h"

// PENDING: the list rows, filter, sort and page buttons; until they exist
// the page shows only its frame.
void drawLastPage() {
  drawTopTabs();
  drawFooter();
}
