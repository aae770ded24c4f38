#pragma once

#include <QByteArray>
#include <QImage>
#include <QStringList>
#include <QUrl>

#include <functional>

class QTextDocument;

namespace vellorin {

// What the built-in message view loads for a page (by the core's MayLoadPageResource), and
// what stands in for what it does not load.

// The name under which RefusedPicturePlaceholder() is known to a document.
inline constexpr const char* kPlaceholderResource = "vellorin-placeholder:picture";

// Whether the page may load the resource at `url` (absolute; a relative one is refused) when
// local files may come from `folders` only.
bool MayLoadPageResourceUrl(const QUrl& url, const QStringList& folders);

// The bytes of an allowed local file; empty when it cannot be read.
QByteArray ReadLocalResource(const QUrl& url);

// The small picture that stands in for a picture that is not loaded.
QImage RefusedPicturePlaceholder();

// Replaces each picture of `document` whose (absolute) address `isRefused` names with its
// alternative text (grey, in brackets), or with the placeholder picture at its natural size
// when it has none. Gives how many were replaced.
int ReplaceRefusedPictures(QTextDocument* document,
                           const std::function<bool(const QUrl&)>& isRefused);

}  // namespace vellorin
