#include "notify/tray_menu.h"

#include <utility>

namespace vellorin {

int TrayMenu::AddMenuItem(std::string sCaption, std::string sKey, bool bDefault) {
    items_.push_back(Item{std::move(sCaption), std::move(sKey), true, true});
    const int index = count() - 1;
    if (bDefault)
        SetDefaultMenuIndex(index);
    return index;
}

bool TrayMenu::EnableMenuItem(int lIndex, bool bState) {
    if (!ValidIndex(lIndex))
        return false;
    items_[static_cast<std::size_t>(lIndex)].enabled = bState;
    return true;
}

bool TrayMenu::SetCaption(int lIndex, std::string sCaption) {
    if (!ValidIndex(lIndex))
        return false;
    items_[static_cast<std::size_t>(lIndex)].caption = std::move(sCaption);
    return true;
}

int TrayMenu::RemoveMenuItem(int iIndex) {
    if (!ValidIndex(iIndex))
        return 0;
    if (iIndex == 0) {
        items_.front().caption.clear();
        return 0;
    }
    for (std::size_t i = static_cast<std::size_t>(iIndex) + 1; i < items_.size(); ++i) {
        items_[i - 1].caption = std::move(items_[i].caption);
        items_[i - 1].key = std::move(items_[i].key);
    }
    items_.pop_back();
    if (!ValidIndex(defaultMenuIndex_))
        defaultMenuIndex_ = 0;
    return 0;
}

}  // namespace vellorin
