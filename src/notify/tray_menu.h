#pragma once

#include <string>
#include <vector>

namespace vellorin {

// The items of the tray's pop-up menu, without any GUI: the tray window shows them. Items are
// addressed by index from 0 in the order they were added. Single-threaded.
class TrayMenu {
public:
    struct Item {
        std::string caption;
        // The command key the owner dispatches on; empty for separators.
        std::string key;
        bool visible = true;
        bool enabled = true;
    };

    // A caption of "-" makes an item a separator, which shows a line and no text.
    static bool IsSeparator(const std::string& caption) { return caption == "-"; }

    // Appends a visible, enabled item and gives its index. With `bDefault` it becomes the
    // default item.
    int AddMenuItem(std::string sCaption, std::string sKey = {}, bool bDefault = false);
    // Enables or disables an item; false (and nothing changes) for an invalid index.
    bool EnableMenuItem(int lIndex, bool bState);
    // Replaces an item's caption; false for an invalid index.
    bool SetCaption(int lIndex, std::string sCaption);
    // Removes an item: every item after it hands its caption and key to the one before it and
    // the last item goes, so an index keeps its visible and enabled flags. Index 0 is never
    // removed: its caption becomes empty. A default index left pointing past the end becomes 0.
    // An invalid index changes nothing. Gives 0.
    int RemoveMenuItem(int iIndex);

    [[nodiscard]] bool ValidIndex(int index) const {
        return index >= 0 && index < static_cast<int>(items_.size());
    }
    int count() const { return static_cast<int>(items_.size()); }
    // The item at a valid index.
    const Item& item(int index) const { return items_[static_cast<std::size_t>(index)]; }

    // The default (bold) item; 0 until one is chosen.
    int DefaultMenuIndex() const { return defaultMenuIndex_; }
    // Writing an invalid index stores 0.
    void SetDefaultMenuIndex(int lIndex) { defaultMenuIndex_ = ValidIndex(lIndex) ? lIndex : 0; }

private:
    std::vector<Item> items_;
    int defaultMenuIndex_ = 0;
};

}  // namespace vellorin
