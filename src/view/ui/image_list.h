#pragma once

#include <QIcon>
#include <QString>

#include <map>
#include <utility>
#include <vector>

namespace vellorin {

// The pictures of a control, by 1-based position, as the nodes and items name them. Copies share
// the pictures (QIcon is implicitly shared).
class ImageList {
public:
    ImageList() = default;
    // `pictures[0]` is position 1.
    explicit ImageList(std::vector<QIcon> pictures) : pictures_(std::move(pictures)) {}

    int count() const { return static_cast<int>(pictures_.size()); }
    // A null icon outside 1..count().
    QIcon picture(int position) const;
    // The picture at `image` that shows the picture at `selectedImage` while its item is
    // selected; just picture(image) when `selectedImage` is 0 or equal to `image`.
    QIcon picture(int image, int selectedImage) const;

private:
    std::vector<QIcon> pictures_;
    mutable std::map<std::pair<int, int>, QIcon> combined_;
};

// imlTreeview of both trees: 1 a source, 2 an unread message, 3 a read message, 4 a source in
// the subscription manager. Read from the SVG files in `appFolder`; a file that is missing or
// cannot be drawn gives a standard icon of the current style instead.
ImageList TreeviewImages(const QString& appFolder);

// imlOptionBar of the tree window's option bar: 1 settings, 2 help file, 3 contact, 4 website,
// 6 plug-ins (5 is empty). Read and replaced like TreeviewImages.
ImageList OptionBarImages(const QString& appFolder);

}  // namespace vellorin
