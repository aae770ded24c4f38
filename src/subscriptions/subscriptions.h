#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "subscriptions/guid.h"

namespace vellorin {

class AppContext;
class TreeControl;
class SourceListDocument;

// The source that SourceAction acts on and what LoadSource found. All fields start empty and keep
// their values from one call to the next.
struct SourceRecord {
    std::string Link;      // the key; LoadSource writes the found link back
    std::string Title;     // found by LoadSource
    std::string ID;        // found by LoadSource
    std::string NewTitle;  // written by UpdateSource
    std::string NewLink;   // written by UpdateSource
};

// mSubscriptions: the per-user data folder and the subscription list file in it. Every operation
// on the list reads the file afresh; changes are written back before the operation returns, under
// the data folder's lock (FileLock), so that another process's change in between is not lost.
// A failed opening of the list is shown through the user seam with its box (critical icon, OK):
//   missing       "Subscription Data File not found!"
//   not XML       "Failed to load Subscription List."
//   no "sources"  "Error!"
class mSubscriptions {
public:
    // The action codes of SourceAction.
    enum : std::int32_t {
        UpdateSource = 0,
        RemoveSource = 1,
        SourceExists = 2,
        LoadSource = 5,
    };

    explicit mSubscriptions(AppContext& context) : context_(context) {}

    // Full path of the data folder, no trailing "/"; empty until EnsureDataFolder sets it.
    std::string DataFolder;

    SourceRecord CurrentSource;

    // Sets DataFolder (the application-data folder + "/Vellorin Data", or the folder the context
    // was given instead) and, when nothing of that name exists, creates the folder with a
    // subscription list without sources. A list missing from an existing folder is not recreated.
    void EnsureDataFolder();

    // The list file: DataFolder + "/subscriptions.dat".
    std::string SubscriptionsPath() const;

    // The content of a new subscription list (WriteTextFile adds the closing CR LF).
    static std::string DefaultSubscriptionList();

    // Empties `tree` and fills it from the list. A tree named "tvSources" gets a root "Sources"
    // (key "main", image 1, expanded) with one child per source (key id, text title, images 4,
    // tag link) in file order; any other tree gets one top-level node per source (images 1, tag
    // link), each filled with its stored messages by mInbox::LoadInbox, in title order. A source
    // whose identifier is blank, or repeats an earlier one, gets no node (the file is not
    // changed). A failed opening shows its box and leaves the tree empty.
    void LoadSubscriptions(TreeControl& tree);

    // Acts on every source whose link equals CurrentSource.Link exactly:
    //   UpdateSource  title := CurrentSource.NewTitle, link := CurrentSource.NewLink
    //   RemoveSource  the source is removed
    //   SourceExists  nothing
    //   LoadSource    CurrentSource.ID, Title, Link := the source's (the last match wins); a link
    //                 that matches nothing leaves them as they were
    // True when a source matched (and, for UpdateSource and RemoveSource, the file was written);
    // false for any other code, a failed opening (with its box) or a failed write (with the
    // "Error !" box, the file left as it was).
    [[nodiscard]] bool SourceAction(std::int32_t action);

    // Appends a source with a new identifier, the title and the link (neither trimmed nor tested
    // for duplicates) and writes the file. False on a failed opening or write (with the box), or
    // when no identifier could be made (nothing written).
    [[nodiscard]] bool AddSource(const std::string& title, const std::string& link);

    // Deletes the source's inbox folder, DataFolder/id, with everything in it. Only a folder whose
    // name is a well-formed identifier (IsSourceIdentifier) and that is a real folder (not a
    // symbolic link) directly inside the data folder is deleted; otherwise nothing is, and the
    // result is false. True when the folder was removed.
    [[nodiscard]] bool RemoveSourceFolder(std::string_view id);

private:
    // The opening steps shared by the list operations: a blank DataFolder is set first, then the
    // file is loaded; false (after its box) when it is missing, damaged or holds no list.
    bool openList(SourceListDocument& doc);
    // Writes the changed list back; false (after the "Error !" box) when that fails.
    bool saveList(const SourceListDocument& doc);

    AppContext& context_;
};

}  // namespace vellorin
