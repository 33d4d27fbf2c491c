#include "ui/paged_list.h"

#include "core/theme.h"
#include "core/view.h"
#include "host/display.h"

namespace {

uint16_t heardRowFill(int row) {
  return (row % 2 == 0) ? theme.panel2 : mix565(theme.panel2, theme.bg, 0.18f);
}

}  // namespace

const PagedListLayout HEARD_LIST_LAYOUT = {{35, 208, 730, 48}, 56, 4, 6, heardRowFill, true};

int pagedListPageCount(const PagedListLayout& layout, int itemCount) {
  if (itemCount <= 0 || layout.rowsPerPage <= 0) return 0;
  return (itemCount + layout.rowsPerPage - 1) / layout.rowsPerPage;
}

void clampPagedListPage(const PagedListLayout& layout, int itemCount, int& page) {
  const int maxPage = itemCount > 0 && layout.rowsPerPage > 0 ? (itemCount - 1) / layout.rowsPerPage : 0;
  if (page < 0) page = 0;
  if (page > maxPage) page = maxPage;
}

int pagedListPageStart(const PagedList& list) { return *list.page * list.layout->rowsPerPage; }

int pagedListRowsOnPage(const PagedList& list) {
  int rows = list.itemCount - pagedListPageStart(list);
  if (rows > list.layout->rowsPerPage) rows = list.layout->rowsPerPage;
  return rows < 0 ? 0 : rows;
}

ScreenRect pagedListRowRect(const PagedListLayout& layout, int row) {
  ScreenRect r = layout.firstRow;
  r.y += layout.rowPitch * row;
  return r;
}

void drawPagedListButton(const ScreenRect& rect, const String& label, uint16_t colour) {
  fillSoftPanel(rect.x, rect.y, rect.w, rect.h, theme.panel2, theme.border, 6);
  tft.setTextFont(2);
  tft.setTextDatum(MC_DATUM);
  tft.setTextColor(colour, theme.panel2);
  tft.drawString(label, rect.x + rect.w / 2, rect.y + rect.h / 2);
  tft.setTextDatum(TL_DATUM);
}

static void drawPageButtons(const PagedList& list) {
  const int page = *list.page;
  const int pages = pagedListPageCount(*list.layout, list.itemCount);
  drawPagedListButton(PAGED_LIST_PREV_BUTTON, "<", page == 0 ? theme.subtext : theme.text);
  String pageText("--");
  if (list.itemCount > 0) pageText = String(page + 1) + "/" + String(pages > 1 ? pages : 1);
  drawPagedListButton(PAGED_LIST_PAGE_BOX, pageText, theme.subtext);
  drawPagedListButton(PAGED_LIST_NEXT_BUTTON, ">", page + 1 < pages ? theme.text : theme.subtext);
}

void drawPagedList(const PagedList& list) {
  clampPagedListPage(*list.layout, list.itemCount, *list.page);
  if (list.layout->paged) drawPageButtons(list);
  const int start = pagedListPageStart(list);
  const int rows = pagedListRowsOnPage(list);
  for (int r = 0; r < rows; ++r) {
    const ScreenRect row = pagedListRowRect(*list.layout, r);
    const uint16_t fill = list.layout->rowFill(r);
    fillSoftPanel(row.x, row.y, row.w, row.h, fill, theme.border, list.layout->rowRadius);
    list.drawRow(start + r, row, fill, list.context);
  }
}

int tapPagedList(const PagedList& list, int x, int y) {
  clampPagedListPage(*list.layout, list.itemCount, *list.page);
  if (list.layout->paged) {
    if (PAGED_LIST_PREV_BUTTON.contains(x, y)) {
      if (*list.page > 0) {
        --*list.page;
        requestRedraw();
      }
      return PAGED_LIST_TAP_PAGE;
    }
    if (PAGED_LIST_NEXT_BUTTON.contains(x, y)) {
      if (*list.page + 1 < pagedListPageCount(*list.layout, list.itemCount)) {
        ++*list.page;
        requestRedraw();
      }
      return PAGED_LIST_TAP_PAGE;
    }
  }
  const int rows = pagedListRowsOnPage(list);
  for (int r = 0; r < rows; ++r) {
    if (pagedListRowRect(*list.layout, r).containsInclusive(x, y)) return pagedListPageStart(list) + r;
  }
  return PAGED_LIST_TAP_NONE;
}
