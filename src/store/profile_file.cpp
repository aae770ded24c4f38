#include "store/profile_file.h"

#include <cerrno>
#include <memory>
#include <optional>
#include <unordered_set>
#include <vector>

#include "store/profile_cache.h"
#include "store/profile_document.h"
#include "store/profile_journal.h"
#include "store/profile_text.h"
#include "util/file_lock.h"

namespace vellorin::profile {
namespace {

// Three scans with memchr: find_first_of would test each character against the set in turn.
bool HoldsLineBreakOrNul(std::string_view s) {
    return s.find('\n') != s.npos || s.find('\r') != s.npos || s.find('\0') != s.npos;
}

bool IsStorableSection(std::string_view name) {
    return !name.empty() && !HoldsLineBreakOrNul(name) && name.find(']') == name.npos;
}

bool IsStorableKey(std::string_view name) {
    return !name.empty() && !HoldsLineBreakOrNul(name) && name.find('=') == name.npos &&
           name.front() != '[' && name.front() != ';';
}

// The text after "=" that reads back as `value`: blanks at either end, or a pair of matching
// quotes around it, would be taken off on reading, so such a value goes inside double quotes.
std::string StoredValue(std::string_view value) {
    bool quote = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        quote = true;
    }
    if (!quote)
        return std::string(value);
    std::string out;
    out.reserve(value.size() + 2);
    out.push_back('"');
    out.append(value);
    out.push_back('"');
    return out;
}

// What Store asks of its caller.
enum class StoreResult {
    kDone,
    kFailed,
    kStartOver,        // the file changed under us: read it again and redo the edit
    kStartOverNoPatch  // the change in place failed: read it again and rewrite instead
};

// The write's own result (1 stored, 0 not) once a store is over; nothing when it starts over.
std::optional<long> Finished(StoreResult result) {
    if (result == StoreResult::kDone)
        return 1;
    if (result == StoreResult::kFailed)
        return 0;
    return std::nullopt;
}

// Ends a write in place: one that is done is noted in the cache (`note`); otherwise the cached
// copy is dropped, and the store starts over when the file changed meanwhile or gives `failed`.
template <typename Note>
StoreResult Settle(const std::string& path, AppendOutcome outcome, StoreResult failed, Note note) {
    auto& cache = ProfileCache::instance();
    if (outcome == AppendOutcome::kDone) {
        note(cache);
        return StoreResult::kDone;
    }
    cache.forget(path);
    return outcome == AppendOutcome::kFileChanged ? StoreResult::kStartOver : failed;
}

// Changes a value in place: a pwrite of the few bytes that differ, instead of a rewrite of the
// whole file. Only the stored text of one value changes and it keeps its length, so no line
// break moves and a crash leaves the old or the new value, never a broken line: a pwrite of a few
// bytes inside one block reaches the disk whole in practice. The bytes are flushed with fdatasync
// before the call returns, as the rewrite flushes its file.
StoreResult OverwriteValue(const std::string& path, const LoadedProfile& loaded,
                           const ProfileDocument::Edit& edit) {
    auto& cache = ProfileCache::instance();
    if (!loaded.exact) {
        cache.forget(path);
        return StoreResult::kStartOver;
    }
    FileIdentity after;
    const OverwriteOutcome outcome =
        OverwriteInPlace(path, loaded.identity, edit.offset, edit.data, &after);
    // After a failure the bytes may be partly written; the rewrite replaces the whole line,
    // whatever it holds.
    return Settle(path, outcome, StoreResult::kStartOverNoPatch, [&](ProfileCache& done) {
        done.noteOverwrite(path, loaded.identity, edit.offset, edit.data, after);
    });
}

// Files from this size on lose a section by blanking it in place; smaller ones are rewritten,
// which costs little and leaves no blank lines behind.
constexpr size_t kBlankInPlaceFrom = 256 * 1024;

// Removes a section from a large file by blanking its lines in place: three small pwrites with
// an fdatasync each (see Blanking for why each state they leave is safe), instead of writing the
// whole file anew. Once blank lines make up half of the file it is compacted by a rewrite, so a
// file that loses many sections does not keep growing; the removal counts as done even if that
// rewrite fails, since the blank lines read as nothing.
StoreResult BlankSection(const std::string& path, const LoadedProfile& loaded,
                         std::string_view section, const Blanking& blanking) {
    auto& cache = ProfileCache::instance();
    FileIdentity after = loaded.identity;
    for (const std::vector<Patch>& step : blanking.steps) {
        const FileIdentity before = after;
        switch (OverwriteInPlace(path, before, step, &after)) {
            case OverwriteOutcome::kDone:
                continue;
            case OverwriteOutcome::kFileChanged:
                cache.forget(path);
                return StoreResult::kStartOver;
            case OverwriteOutcome::kFailed:
                // Past the first step the section reads as gone; the next try finds nothing to
                // remove.
                cache.forget(path);
                return StoreResult::kStartOverNoPatch;
        }
    }
    cache.noteBlanking(path, loaded.identity, section, blanking, after);

    LoadedProfile now = cache.load(path);
    if (now.doc && now.doc->blankBytes() > now.doc->text().size() / 2) {
        std::string text = now.doc->compacted();
        now.doc.reset();
        (void)cache.rewrite(path, std::move(text));
    }
    return StoreResult::kDone;
}

// Stores the edit.
StoreResult Store(const std::string& path, const LoadedProfile& loaded, bool fileExists,
                  ProfileDocument::Edit& edit) {
    using Kind = ProfileDocument::Edit::Kind;
    auto& cache = ProfileCache::instance();
    const auto rewrite = [&] {
        return cache.rewrite(path, std::move(edit.data)) == 0 ? StoreResult::kDone
                                                              : StoreResult::kFailed;
    };
    switch (edit.kind) {
        case Kind::kNone:
            return StoreResult::kDone;
        case Kind::kRewrite:
            return rewrite();
        case Kind::kOverwrite:
            return OverwriteValue(path, loaded, edit);
        case Kind::kAppend:
            break;
    }
    if (!fileExists)
        return rewrite();
    if (!loaded.exact) {
        // The file was changing while it was read: append only to what is certainly there.
        cache.forget(path);
        return StoreResult::kStartOver;
    }
    FileIdentity after;
    const AppendOutcome outcome = AppendInPlace(path, loaded.identity, edit.data, &after);
    return Settle(path, outcome, StoreResult::kFailed, [&](ProfileCache& done) {
        done.noteAppend(path, loaded.identity, edit.data, after);
    });
}

}  // namespace

std::string GetPrivateProfileString(std::optional<std::string_view> section,
                                    std::optional<std::string_view> key,
                                    std::string_view defaultValue, const std::string& path) {
    while (!defaultValue.empty() && defaultValue.back() == ' ')
        defaultValue.remove_suffix(1);
    LoadedProfile loaded = ProfileCache::instance().load(path);
    if (!loaded.doc)
        return std::string(defaultValue);
    const ProfileDocument& doc = *loaded.doc;
    if (!section)
        return doc.sectionNames();
    if (!key) {
        std::string names = doc.keyNames(*section);
        return names.empty() ? std::string(defaultValue) : names;
    }
    auto value = doc.findValue(*section, *key);
    return std::string(value ? *value : defaultValue);
}

long WritePrivateProfileString(std::optional<std::string_view> section,
                               std::optional<std::string_view> key,
                               std::optional<std::string_view> value, const std::string& path) {
    if (!section)
        return 0;
    std::string_view sectionName = Trim(*section);
    std::string_view keyName = key ? Trim(*key) : std::string_view();
    const bool setting = key && value;
    std::string stored;
    if (setting) {
        if (!IsStorableSection(sectionName) || !IsStorableKey(keyName) ||
            HoldsLineBreakOrNul(*value)) {
            return 0;
        }
        stored = StoredValue(*value);
    }

    FileLock lock(path);
    if (!RecoverInterruptedAppend(path))
        return 0;
    // Start over (a few times) if a program that does not take the lock changes the file while
    // we change it in place.
    bool allowOverwrite = true;
    for (int attempt = 0; attempt < 3; ++attempt) {
        LoadedProfile loaded = ProfileCache::instance().load(path);
        const bool exists = loaded.doc != nullptr;
        if (!exists && loaded.error != ENOENT)
            return 0;
        if (!exists && !setting)
            return 1;  // nothing to remove
        if (!exists)
            loaded.doc = std::make_shared<ProfileDocument>();

        ProfileDocument::Edit edit;
        if (!key && allowOverwrite && loaded.exact &&
            loaded.doc->text().size() >= kBlankInPlaceFrom) {
            // A section that cannot be blanked safely is removed by the rewrite below.
            if (std::optional<Blanking> blanking = loaded.doc->blankSection(sectionName)) {
                loaded.doc.reset();
                const StoreResult result = BlankSection(path, loaded, sectionName, *blanking);
                if (result == StoreResult::kDone)
                    return 1;
                if (result == StoreResult::kStartOverNoPatch)
                    allowOverwrite = false;
                continue;
            }
        }
        if (!key) {
            edit = loaded.doc->removeSection(sectionName);
        } else if (!value) {
            edit = loaded.doc->removeKey(sectionName, keyName);
        } else {
            edit = loaded.doc->setValue(sectionName, keyName, *value, stored, allowOverwrite);
        }
        // Let go of the parsed copy so the cache may change it after a change in place.
        loaded.doc.reset();
        const StoreResult result = Store(path, loaded, exists, edit);
        if (std::optional<long> written = Finished(result))
            return *written;
        if (result == StoreResult::kStartOverNoPatch)
            allowOverwrite = false;
    }
    return 0;
}

std::optional<std::string> StoredSectionName(std::string_view section, const std::string& path) {
    LoadedProfile loaded = ProfileCache::instance().load(path);
    if (!loaded.doc)
        return std::nullopt;
    std::optional<std::string_view> name = loaded.doc->storedName(section);
    return name ? std::optional<std::string>(*name) : std::nullopt;
}

long WritePrivateProfileKeys(std::string_view section,
                             std::span<const std::pair<std::string_view, std::string_view>> keys,
                             const std::string& path) {
    const std::string_view sectionName = Trim(section);
    if (!IsStorableSection(sectionName))
        return 0;
    std::vector<std::pair<std::string_view, std::string>> stored;
    stored.reserve(keys.size());
    for (const auto& [key, value] : keys) {
        const std::string_view keyName = Trim(key);
        if (!IsStorableKey(keyName) || HoldsLineBreakOrNul(value))
            return 0;
        stored.emplace_back(keyName, StoredValue(value));
    }

    FileLock lock(path);
    if (!RecoverInterruptedAppend(path))
        return 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        LoadedProfile loaded = ProfileCache::instance().load(path);
        const bool exists = loaded.doc != nullptr;
        if (!exists && loaded.error != ENOENT)
            return 0;
        if (exists && loaded.doc->storedName(sectionName)) {
            loaded.doc.reset();
            for (const auto& [key, value] : keys) {
                if (WritePrivateProfileString(section, key, value, path) == 0)
                    return 0;
            }
            return 1;
        }
        if (!exists)
            loaded.doc = std::make_shared<ProfileDocument>();
        ProfileDocument::Edit edit = loaded.doc->appendSection(sectionName, stored);
        loaded.doc.reset();
        if (std::optional<long> written = Finished(Store(path, loaded, exists, edit)))
            return *written;
    }
    return 0;
}

int AppendSections(std::span<const NewSection> sections, const std::string& path) {
    if (sections.empty())
        return 0;
    // What goes after the file's current end: each section as appendSection writes it into an
    // empty file, the first with the line break the file's last line may lack.
    std::vector<std::pair<std::string_view, std::string>> stored;
    std::unordered_set<std::string> names;
    std::string batch;
    const ProfileDocument empty;
    for (const NewSection& section : sections) {
        const std::string_view sectionName = Trim(section.name);
        if (!IsStorableSection(sectionName))
            return EINVAL;
        std::string lower(sectionName);
        for (char& c : lower) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        }
        if (!names.insert(std::move(lower)).second)
            return EINVAL;
        stored.clear();
        for (const auto& [key, value] : section.keys) {
            const std::string_view keyName = Trim(key);
            if (!IsStorableKey(keyName) || HoldsLineBreakOrNul(value))
                return EINVAL;
            stored.emplace_back(keyName, StoredValue(value));
        }
        batch += empty.appendSection(sectionName, stored).data;
    }

    FileLock lock(path);
    if (!RecoverInterruptedAppend(path))
        return EIO;
    auto& cache = ProfileCache::instance();
    for (int attempt = 0; attempt < 3; ++attempt) {
        LoadedProfile loaded = cache.load(path);
        if (!loaded.doc && loaded.error != ENOENT)
            return loaded.error != 0 ? loaded.error : EIO;
        if (loaded.doc) {
            for (const NewSection& section : sections) {
                if (loaded.doc->storedName(Trim(section.name)))
                    return EEXIST;
            }
        }
        if (!loaded.doc || loaded.doc->text().empty()) {
            // Nothing to lose: the whole file goes through a temporary file and a rename.
            loaded.doc.reset();
            return cache.rewrite(path, std::move(batch));
        }
        if (!loaded.exact) {
            loaded.doc.reset();
            cache.forget(path);
            continue;
        }
        const std::string data = std::string(loaded.doc->lineBreakToEnd()) + batch;
        loaded.doc.reset();
        if (const int err = BeginUndoJournal(path, loaded.identity.size, loaded.identity.ino))
            return err;
        FileIdentity after;
        switch (AppendInPlace(path, loaded.identity, data, &after, /*flush=*/true)) {
            case AppendOutcome::kDone:
                EndUndoJournal(path);
                cache.noteAppend(path, loaded.identity, data, after);
                return 0;
            case AppendOutcome::kFileChanged:
                // Nothing was written: a program that does not take the lock changed the file.
                EndUndoJournal(path);
                cache.forget(path);
                continue;
            case AppendOutcome::kFailed:
                break;
        }
        // A failed append cuts itself back; should that fail too, the journal does it now or at
        // the next access.
        (void)RecoverInterruptedAppend(path);
        cache.forget(path);
        return EIO;
    }
    return EAGAIN;
}

void ClearProfileCache() {
    ProfileCache::instance().clear();
}

}  // namespace vellorin::profile
