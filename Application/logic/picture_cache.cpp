#include "picture_cache.h"

PictureCache pictureCache(kPictureCacheBytes);

std::shared_ptr<const PreparedPicture> PictureCache::Find(const PictureKey& key, bool* known) {
    *known = false;
    auto it = byPath_.find(key.path);
    if (it == byPath_.end() || !(it->second->key == key)) return nullptr;
    entries_.splice(entries_.begin(), entries_, it->second);
    *known = true;
    return it->second->picture;
}

void PictureCache::Add(const PictureKey& key, std::shared_ptr<const PreparedPicture> picture) {
    auto old = byPath_.find(key.path);
    if (old != byPath_.end()) {  // a changed file replaces its earlier version
        bytes_ -= old->second->bytes;
        entries_.erase(old->second);
        byPath_.erase(old);
    }
    const size_t bytes = (picture ? picture->Bytes() : 0) + key.path.size() + sizeof(Entry);
    entries_.push_front(Entry{key, std::move(picture), bytes});
    byPath_[key.path] = entries_.begin();
    bytes_ += bytes;
    while (bytes_ > budget_ && entries_.size() > 1) {
        bytes_ -= entries_.back().bytes;
        byPath_.erase(entries_.back().key.path);
        entries_.pop_back();
    }
}

void PictureCache::Clear() {
    std::list<Entry>().swap(entries_);
    std::unordered_map<std::string, std::list<Entry>::iterator>().swap(byPath_);
    bytes_ = 0;
}
