// Pictures already decoded and reduced for the canvas, kept for the lock so
// that each file is decoded at most once per lock (the window thread never
// looks at the files themselves; a file changed during a lock shows its new
// picture from the next lock on, as files added do). Bounded in bytes; the
// least recently drawn picture goes first. A file that could not be decoded
// is remembered too (as no picture), so it is not tried again.
#pragma once
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>

#include "picture_load.h"

constexpr size_t kPictureCacheBytes = 64u * 1024 * 1024;

struct PictureKey {
    std::string path;
    bool operator==(const PictureKey& other) const { return path == other.path; }
};

class PictureCache {
public:
    explicit PictureCache(size_t budget) : budget_(budget) {}
    // The entry for key, made the most recent; null when there is none.
    // *known tells whether key has an entry (which may hold no picture).
    std::shared_ptr<const PreparedPicture> Find(const PictureKey& key, bool* known);
    // Adds (or replaces) key's entry; older entries go while over budget.
    void Add(const PictureKey& key, std::shared_ptr<const PreparedPicture> picture);
    void Clear();
    size_t Bytes() const { return bytes_; }
    size_t Count() const { return entries_.size(); }

private:
    struct Entry {
        PictureKey key;
        std::shared_ptr<const PreparedPicture> picture;
        size_t bytes;
    };
    std::list<Entry> entries_;  // most recent first
    std::unordered_map<std::string, std::list<Entry>::iterator> byPath_;
    size_t budget_;
    size_t bytes_ = 0;
};

extern PictureCache pictureCache;  // the lock screen's; emptied when a lock ends
