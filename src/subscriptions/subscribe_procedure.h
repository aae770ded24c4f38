#pragma once

#include <optional>
#include <string>

namespace vellorin {

class AppContext;
class TreeControl;

// The procedures behind the subscribe dialog (frmSubscribe) and the subscription manager
// (frmSubscrListManager). Each shows its boxes through the user seam with their exact captions
// and texts and changes the subscription list only through mSubscriptions; the windows keep
// nothing but their fields. Titles and links are used exactly as typed: they are trimmed only
// for the emptiness tests.

// The input field a procedure sends the user back to.
enum class InputField { None, Title, Link };

struct ProcedureResult {
    bool done = false;  // the source was added / saved / removed
    InputField focus = InputField::None;
    bool selectLink = false;  // select the whole text of the link field
};

// "   Subscribe Now!" of the subscribe dialog. Refuses a blank title ("Title?") or link
// ("Link?"), a link without the service's host ("Invalid Vellorin Source Link.") and a link
// already subscribed ("Already Subscribed!"); otherwise adds the source (AddSource) and, after
// the "Done!" box, reloads `tvMessages` (LoadSubscriptions). done means the window closes; a
// failed addition ends in the "Error!" box after AddSource's own.
ProcedureResult SubscribeNow(AppContext& context, TreeControl& tvMessages, const std::string& title,
                             const std::string& link);

// The manager's editing state, which the window keeps in its controls' tags.
struct SourceEditState {
    bool editMode = false;  // "edit" (else "add")
    std::string id;         // the edited source's identifier
    std::string title;      // the title before editing
    std::string link;       // the link before editing
};

// Enter edit mode (double-click in tvSources): the selected node's key, text and tag. The root
// "Sources" is not excluded. Nullopt when the tree is empty or nothing is selected.
std::optional<SourceEditState> EditStateForSelection(const TreeControl& tvSources);

// "Add New" / "Save Changes!" of the manager. Refuses a blank title ("Title?"), a blank link
// ("Message Source Link?") and a link without the service's host ("Invalid Link!"). In edit mode
// tells the user when the source is no longer in the list ("Source Not Subscribed!", the tree
// reloaded), refuses a changed link that another source already has ("Already Subscribed!",
// back to the link field), and otherwise renames and relinks the source whose link is
// `state.link` (UpdateSource); the root "main" is no source and saving it does nothing. In add
// mode refuses a subscribed link ("Already Subscribed!") and adds the source. On success
// shows the mode's "Done!" box and reloads `tvSources`; the caller then clears its fields. A
// failed UpdateSource or AddSource ends silently (AddSource has shown its own box).
ProcedureResult SaveSource(AppContext& context, TreeControl& tvSources,
                           const SourceEditState& state, const std::string& title,
                           const std::string& link);

// How far an unsubscription got.
struct UnsubscribeResult {
    bool asked = false;
    bool removed = false;        // the list no longer holds the source
    bool folderRemoved = false;  // its inbox folder was deleted
};

// "Delete" of the manager: unsubscribes the selected source of `tvSources` (nothing happens
// without a selection or for the root "main"). Asks "Unsubscribe <title>??" (Yes/No, No the
// default); on Yes removes every source with the node's link (RemoveSource) and, when that
// succeeded, deletes the node's inbox folder (RemoveSourceFolder: only a well-formed identifier
// directly inside the data folder). Reloads `tvSources` whenever the answer was Yes.
UnsubscribeResult UnsubscribeSelected(AppContext& context, TreeControl& tvSources);

}  // namespace vellorin
