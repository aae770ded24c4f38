#pragma once

#include <string>

namespace vellorin {

class AppContext;

// mSubscriptions: the per-user data folder and the subscription list file in it.
class mSubscriptions {
public:
    explicit mSubscriptions(AppContext& context) : context_(context) {}

    // Full path of the data folder, no trailing "/"; empty until EnsureDataFolder sets it.
    std::string DataFolder;

    // Sets DataFolder (the application-data folder + "/Vellorin Data", or the folder the context
    // was given instead) and, when nothing of that name exists, creates the folder with a
    // subscription list without sources. A list missing from an existing folder is not recreated.
    void EnsureDataFolder();

    // The list file: DataFolder + "/subscriptions.dat".
    std::string SubscriptionsPath() const;

    // The content of a new subscription list (WriteTextFile adds the closing CR LF).
    static std::string DefaultSubscriptionList();

private:
    AppContext& context_;
};

}  // namespace vellorin
