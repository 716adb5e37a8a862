#pragma once
// Pictures beside menu items, drawn by the menu's owner window (alpha-blended menu bitmaps are
// not drawn alike everywhere): items with a picture get HBMMENU_CALLBACK, and the owner hands
// its WM_MEASUREITEM and WM_DRAWITEM here.
#include "UniqueHandle_win.h"

#include <map>

namespace vardex {

class MenuImages {
public:
    // The picture of the items with this command id, at size pixels.
    void Add(UINT command, int iconId, int size);
    void Clear() noexcept { icons_.clear(); }
    // Marks every item of the menu and its submenus that has a picture.
    void Attach(HMENU menu) const noexcept;
    // True when the message was about one of the pictures.
    bool Handle(UINT message, LPARAM lParam) const noexcept;

private:
    std::map<UINT, UniqueIcon> icons_;
    int size_ = 16;
};

}  // namespace vardex
