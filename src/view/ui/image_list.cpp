#include "view/ui/image_list.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStyle>

#include <initializer_list>

namespace vellorin {
namespace {

// One position of an image list: its file in the application folder and the style's icon that
// stands in for it. An empty file name leaves the position empty.
struct PictureFile {
    const char* fileName;
    QStyle::StandardPixmap fallback;
};

QIcon LoadPicture(const QDir& folder, const PictureFile& file) {
    if (file.fileName == nullptr)
        return {};
    const QString path = folder.filePath(QString::fromLatin1(file.fileName));
    if (QFileInfo(path).isFile()) {
        QIcon icon(path);
        // Without the SVG icon engine the icon is not null, yet draws nothing.
        if (!icon.isNull() && !icon.pixmap(16, 16).isNull())
            return icon;
    }
    return QApplication::style()->standardIcon(file.fallback);
}

ImageList LoadImageList(const QString& appFolder, std::initializer_list<PictureFile> files) {
    const QDir folder(appFolder);
    std::vector<QIcon> pictures;
    pictures.reserve(files.size());
    for (const PictureFile& file : files)
        pictures.push_back(LoadPicture(folder, file));
    return ImageList(std::move(pictures));
}

// Sizes drawn into a combined picture: the tree's and the high-density one.
constexpr int kPictureSizes[] = {16, 32};

}  // namespace

QIcon ImageList::picture(int position) const {
    if (position < 1 || position > count())
        return {};
    return pictures_[static_cast<std::size_t>(position - 1)];
}

QIcon ImageList::picture(int image, int selectedImage) const {
    if (selectedImage == 0 || selectedImage == image)
        return picture(image);
    auto [it, made] = combined_.try_emplace({image, selectedImage});
    if (made) {
        const QIcon normal = picture(image);
        const QIcon selected = picture(selectedImage);
        for (int size : kPictureSizes) {
            it->second.addPixmap(normal.pixmap(size, size), QIcon::Normal);
            it->second.addPixmap(selected.pixmap(size, size), QIcon::Selected);
        }
    }
    return it->second;
}

ImageList TreeviewImages(const QString& appFolder) {
    return LoadImageList(appFolder, {
                                        {"tree-source.svg", QStyle::SP_DirIcon},
                                        {"tree-unread.svg", QStyle::SP_FileDialogNewFolder},
                                        {"tree-read.svg", QStyle::SP_FileIcon},
                                        {"tree-manager-source.svg", QStyle::SP_DirLinkIcon},
                                    });
}

ImageList OptionBarImages(const QString& appFolder) {
    return LoadImageList(appFolder, {
                                        {"option-settings.svg", QStyle::SP_FileDialogDetailedView},
                                        {"option-help-file.svg", QStyle::SP_DialogHelpButton},
                                        {"option-contact.svg", QStyle::SP_MessageBoxInformation},
                                        {"option-website.svg", QStyle::SP_DriveNetIcon},
                                        {nullptr, QStyle::SP_CustomBase},
                                        {"option-plugin.svg", QStyle::SP_ComputerIcon},
                                    });
}

}  // namespace vellorin
