#include "config/profile_file.h"

#include <cerrno>
#include <memory>

#include "config/profile_cache.h"
#include "config/profile_document.h"
#include "util/atomic_file.h"
#include "util/file_lock.h"

namespace vellorin::profile {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool HoldsLineBreakOrNul(std::string_view s) {
    return s.find_first_of("\r\n", 0, 3) != s.npos;
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

// Stores the edit. Returns 1 when done, 0 on failure, -1 when the file changed under us and the
// caller should start over.
int Store(const std::string& path, const LoadedProfile& loaded, bool fileExists,
          const ProfileDocument::Edit& edit) {
    using Kind = ProfileDocument::Edit::Kind;
    auto& cache = ProfileCache::instance();
    switch (edit.kind) {
        case Kind::kNone:
            return 1;
        case Kind::kRewrite: {
            IoStatus s = WriteFileAtomic(path, edit.data);
            cache.forget(path);
            return s.ok() ? 1 : 0;
        }
        case Kind::kAppend:
            break;
    }
    if (!fileExists) {
        IoStatus s = WriteFileAtomic(path, edit.data);
        cache.forget(path);
        return s.ok() ? 1 : 0;
    }
    if (!loaded.exact) {
        // The file was changing while it was read: append only to what is certainly there.
        cache.forget(path);
        return -1;
    }
    FileIdentity after;
    switch (AppendInPlace(path, loaded.identity, edit.data, &after)) {
        case AppendOutcome::kDone:
            cache.noteAppend(path, loaded.identity, edit.data, after);
            return 1;
        case AppendOutcome::kFileChanged:
            cache.forget(path);
            return -1;
        case AppendOutcome::kFailed:
            break;
    }
    cache.forget(path);
    return 0;
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
    // Start over (a few times) if a program that does not take the lock changes the file while
    // we append to it.
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
        if (!key) {
            edit = loaded.doc->removeSection(sectionName);
        } else if (!value) {
            edit = loaded.doc->removeKey(sectionName, keyName);
        } else {
            edit = loaded.doc->setValue(sectionName, keyName, *value, stored);
        }
        // Let go of the parsed copy so the cache may extend it after an append.
        loaded.doc.reset();
        int result = Store(path, loaded, exists, edit);
        if (result >= 0)
            return result;
    }
    return 0;
}

void ClearProfileCache() {
    ProfileCache::instance().clear();
}

}  // namespace vellorin::profile
