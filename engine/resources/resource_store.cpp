// resource_store.cpp - the embedded files by name, and the "incbin" stream
// scheme that opens them as read-only memory streams.
//
//   registerEmbeddedResources();
//   StreamPtr s = openStream("incbin::gfx\\player.bmp", true, false);
//
// Entries are never removed: the bytes are constant data of the program.
#include "engine/resources/resource_store.h"

#include <vector>

#include "engine/io/stream.h"
#include "engine/resources/embedded.h"

namespace {

struct Entry {
    std::string name;
    const uint8_t* bytes;
    size_t size;
};

std::vector<Entry>& entries() {
    static std::vector<Entry> list;
    return list;
}

StreamPtr openIncbin(const std::string& path, bool readable, bool writeable) {
    // Embedded files are constant, so any request to write is refused.
    if (writeable || !readable) return nullptr;
    const uint8_t* bytes = nullptr;
    size_t size = 0;
    if (!findResource(path, &bytes, &size)) return nullptr;
    return openMemoryStream(bytes, size);
}

} // namespace

bool registerResource(const std::string& name, const uint8_t* bytes, size_t size) {
    if (bytes == nullptr && size != 0) return false;
    if (findResource(name, nullptr, nullptr)) return false; // the first registration wins
    entries().push_back(Entry{name, bytes, size});
    return true;
}

void registerEmbeddedResources() {
    int count = 0;
    const EmbeddedFile* files = embeddedFiles(&count);
    for (int i = 0; files != nullptr && i < count; ++i) {
        const EmbeddedFile& f = files[i];
        registerResource(f.name, f.begin, static_cast<size_t>(f.end - f.begin));
    }
    registerStreamScheme("incbin", openIncbin);
}

bool findResource(const std::string& name, const uint8_t** bytes, size_t* size) {
    for (const Entry& e : entries()) {
        if (e.name != name) continue;
        if (bytes != nullptr) *bytes = e.bytes;
        if (size != nullptr) *size = e.size;
        return true;
    }
    return false;
}

int resourceCount() {
    return static_cast<int>(entries().size());
}
