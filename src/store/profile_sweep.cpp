#include "store/profile_sweep.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include "store/profile_cache.h"
#include "store/profile_document.h"
#include "store/profile_journal.h"
#include "store/profile_text.h"
#include "util/file_lock.h"

namespace vellorin::profile {
namespace {

bool HoldsLineBreakOrNul(std::string_view s) {
    return s.find('\n') != s.npos || s.find('\r') != s.npos || s.find('\0') != s.npos;
}

bool StorableAsItIs(std::string_view value) {
    if (HoldsLineBreakOrNul(value))
        return false;
    if (!value.empty() && (IsBlank(value.front()) || IsBlank(value.back())))
        return false;
    return !(value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
             value.back() == value.front());
}

bool StorableKey(std::string_view name) {
    return !name.empty() && !HoldsLineBreakOrNul(name) && name.find('=') == name.npos &&
           name.front() != '[' && name.front() != ';';
}

void ApplyPatch(std::string& text, const Patch& patch) {
    text.replace(patch.offset, patch.data.size(), patch.data);
}

}  // namespace

int SetKeyInSections(std::span<const std::string> sections, std::string_view key,
                     std::string_view value, const std::string& path) {
    const std::string_view keyName = Trim(key);
    if (!StorableKey(keyName) || !StorableAsItIs(value))
        return EINVAL;
    if (sections.empty())
        return 0;

    FileLock lock(path);
    if (!RecoverInterruptedAppend(path))
        return EIO;
    ProfileCache& cache = ProfileCache::instance();
    bool inPlace = true;
    for (int attempt = 0; attempt < 3; ++attempt) {
        LoadedProfile loaded = cache.load(path);
        if (!loaded.doc)
            return loaded.error != 0 ? loaded.error : EIO;
        // Every edit is made from the same parse: the changes in place leave every offset where
        // it was, and the others are made one after the other below.
        std::vector<Patch> patches;
        std::vector<std::string_view> others;
        for (const std::string& section : sections) {
            const std::string_view name = Trim(section);
            if (name.empty() || !loaded.doc->storedName(name))
                continue;
            ProfileDocument::Edit edit = loaded.doc->setValue(name, keyName, value, value, true);
            if (edit.kind == ProfileDocument::Edit::Kind::kNone)
                continue;
            if (edit.kind == ProfileDocument::Edit::Kind::kOverwrite)
                patches.push_back(Patch{edit.offset, std::move(edit.data)});
            else
                others.push_back(name);
        }
        if (patches.empty() && others.empty())
            return 0;
        std::sort(patches.begin(), patches.end(),
                  [](const Patch& a, const Patch& b) { return a.offset < b.offset; });

        if (others.empty() && inPlace && loaded.exact) {
            const FileIdentity before = loaded.identity;
            loaded.doc.reset();
            FileIdentity after;
            const OverwriteOutcome outcome = OverwriteInPlace(path, before, patches, &after);
            cache.forget(path);
            if (outcome == OverwriteOutcome::kDone)
                return 0;
            if (outcome == OverwriteOutcome::kFailed)
                inPlace = false;  // some bytes may be written: the rewrite below puts all
            continue;
        }

        std::string text = loaded.doc->text();
        loaded.doc.reset();
        for (const Patch& patch : patches)
            ApplyPatch(text, patch);
        for (std::string_view name : others) {
            const ProfileDocument doc(text);
            ProfileDocument::Edit edit = doc.setValue(name, keyName, value, value, false);
            switch (edit.kind) {
                case ProfileDocument::Edit::Kind::kNone:
                    break;
                case ProfileDocument::Edit::Kind::kAppend:
                    text += edit.data;
                    break;
                case ProfileDocument::Edit::Kind::kRewrite:
                    text = std::move(edit.data);
                    break;
                case ProfileDocument::Edit::Kind::kOverwrite:
                    ApplyPatch(text, Patch{edit.offset, std::move(edit.data)});
                    break;
            }
        }
        return cache.rewrite(path, std::move(text));
    }
    return EAGAIN;
}

}  // namespace vellorin::profile
