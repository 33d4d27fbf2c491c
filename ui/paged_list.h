// The paged-list drawer shared by the lists of the pages: the HEARD lists of
// the hotspot and the SvxLink node, and the nearest lists of the radar pages.
// It owns paging, the page buttons and the row hit-test; the page gives it a
// row drawer that only draws the texts of one row.
#pragma once

#include <stdint.h>

#include "ui/draw.h"

// Where the rows of a list lie and how they look.
struct PagedListLayout {
  ScreenRect firstRow;  // row 0 of a page
  int rowPitch;         // distance between the tops of two rows
  int rowsPerPage;
  int rowRadius;
  uint16_t (*rowFill)(int row);  // fill of row r (0-based on the page)
  bool paged;                    // "<", page box and ">" buttons above the rows
};

// Page buttons of the paged lists (navigation row at y 152).
static const ScreenRect PAGED_LIST_PREV_BUTTON = {35, 152, 60, 40};
static const ScreenRect PAGED_LIST_PAGE_BOX = {550, 152, 140, 40};
static const ScreenRect PAGED_LIST_NEXT_BUTTON = {705, 152, 60, 40};

// The HEARD pages: four rows of 730 x 48 from (35, 208), every 56 px, odd
// rows darker, paged.
extern const PagedListLayout HEARD_LIST_LAYOUT;

// Draws the texts of one row: item is the list position (0 .. count - 1),
// row the row's rectangle, fill its background colour.
typedef void (*PagedListRowDrawer)(int item, const ScreenRect& row, uint16_t fill, const void* context);

struct PagedList {
  const PagedListLayout* layout;
  int itemCount;
  int* page;  // page shown (0-based); kept within the pages that exist
  PagedListRowDrawer drawRow;
  const void* context;  // handed to drawRow
};

// What a tap on a list did.
static const int PAGED_LIST_TAP_NONE = -1;  // nothing of the list was hit
static const int PAGED_LIST_TAP_PAGE = -2;  // a page button (the page may have changed)

// Pages for a number of items (0 for none).
int pagedListPageCount(const PagedListLayout& layout, int itemCount);
// Keeps page within 0 .. pages - 1 (0 for an empty list).
void clampPagedListPage(const PagedListLayout& layout, int itemCount, int& page);
// First item and number of rows of the page shown.
int pagedListPageStart(const PagedList& list);
int pagedListRowsOnPage(const PagedList& list);
// Rectangle of row r of a page.
ScreenRect pagedListRowRect(const PagedListLayout& layout, int row);

// One navigation button: soft panel with its label centred, the look of the
// page buttons (also used for a page's own buttons in the same row).
void drawPagedListButton(const ScreenRect& rect, const String& label, uint16_t colour);
// Draws the page buttons (when paged) and the rows of the page shown.
void drawPagedList(const PagedList& list);
// Handles a tap: a page button moves the page (and asks for a redraw when it
// changed) and gives PAGED_LIST_TAP_PAGE; a row gives its item; anything
// else PAGED_LIST_TAP_NONE.
int tapPagedList(const PagedList& list, int x, int y);
