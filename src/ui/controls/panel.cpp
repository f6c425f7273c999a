#include "ui/controls/panel.h"

namespace tnk {

void drawPanelButton(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    RECT rect = item.rcItem;
    HBRUSH brush = CreateSolidBrush(PanelColor);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
    DrawEdge(dc, &rect, (item.itemState & ODS_SELECTED) ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    SetBkColor(dc, PanelColor);
    SetTextColor(dc, (item.itemState & ODS_DISABLED) ? RGB(128, 128, 128) : RGB(0, 0, 0));
    wchar_t caption[260] = {};
    GetWindowTextW(item.hwndItem, caption, 260);
    DrawTextW(dc, caption, -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

}  // namespace tnk
