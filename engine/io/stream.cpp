// stream.cpp - file streams, the scheme registry, read-only memory streams and
// line I/O.
//
//   StreamPtr s = openStream("levels\\levels.txt", true, true); // r+b, none if missing
//   std::string count = readLine(*s);
//   closeStream(s);
//
// Paths use '\' as the separator throughout the game; it is turned into '/'
// before the file system sees it.
#include "engine/io/stream.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace {

class FileStream final : public Stream {
  public:
    explicit FileStream(std::FILE* file) : file_(file) {}
    ~FileStream() override { std::fclose(file_); }
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    size_t read(void* dst, size_t n) override {
        // A read after a write needs a positioning call in between (C stdio rule).
        if (lastWasWrite_) std::fseek(file_, 0, SEEK_CUR);
        lastWasWrite_ = false;
        return std::fread(dst, 1, n, file_);
    }
    size_t write(const void* src, size_t n) override {
        if (!lastWasWrite_) std::fseek(file_, 0, SEEK_CUR);
        lastWasWrite_ = true;
        return std::fwrite(src, 1, n, file_);
    }
    bool seek(int64_t pos) override {
        if (pos < 0) return false;
        return fseeko(file_, static_cast<off_t>(pos), SEEK_SET) == 0;
    }
    int64_t position() const override { return ftello(file_); }
    int64_t size() const override {
        std::fflush(file_); // so pending writes count
        struct stat st {};
        if (fstat(fileno(file_), &st) != 0) return -1;
        return st.st_size;
    }

  private:
    std::FILE* file_;
    bool lastWasWrite_ = false;
};

class MemoryStream final : public Stream {
  public:
    MemoryStream(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t read(void* dst, size_t n) override {
        size_t left = size_ - pos_;
        size_t count = std::min(n, left);
        if (count > 0) std::copy(data_ + pos_, data_ + pos_ + count, static_cast<uint8_t*>(dst));
        pos_ += count;
        return count;
    }
    size_t write(const void*, size_t) override { return 0; } // embedded data is constant
    bool seek(int64_t pos) override {
        if (pos < 0) pos = 0;
        pos_ = std::min(static_cast<uint64_t>(pos), static_cast<uint64_t>(size_));
        return true;
    }
    int64_t position() const override { return static_cast<int64_t>(pos_); }
    int64_t size() const override { return static_cast<int64_t>(size_); }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

std::vector<std::pair<std::string, StreamOpener>>& schemes() {
    static std::vector<std::pair<std::string, StreamOpener>> list;
    return list;
}

std::string lowerAscii(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string slashPath(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

} // namespace

void registerStreamScheme(const std::string& scheme, StreamOpener opener) {
    if (opener == nullptr) return;
    std::pair<std::string, StreamOpener> entry(lowerAscii(scheme), opener);
    auto& list = schemes();
    // Registering the same pair again changes nothing, so start-up code may repeat it.
    if (std::find(list.begin(), list.end(), entry) == list.end()) list.push_back(entry);
}

StreamPtr openStream(const std::string& url, bool readable, bool writeable) {
    size_t sep = url.find("::");
    if (sep != std::string::npos) {
        std::string scheme = lowerAscii(url.substr(0, sep));
        std::string path = url.substr(sep + 2);
        for (const auto& [name, opener] : schemes()) {
            if (name != scheme) continue;
            if (StreamPtr s = opener(path, readable, writeable)) return s;
        }
        return nullptr;
    }

    const char* mode = readable && writeable ? "r+b" : writeable ? "wb" : readable ? "rb" : nullptr;
    if (mode == nullptr || url.empty()) return nullptr;
    std::string path = slashPath(url);
    // A directory opens fine with stdio on Linux but is no file to read lines from.
    if (fileType(path) == 2) return nullptr;
    std::FILE* file = std::fopen(path.c_str(), mode);
    if (file == nullptr) return nullptr;
    // Created files are written in few, large pieces (settings lines, screenshot
    // chunks); unbuffered, a full disk shows in the write's result instead of
    // being lost when the file is closed.
    if (!readable) std::setvbuf(file, nullptr, _IONBF, 0);
    return std::make_unique<FileStream>(file);
}

StreamPtr openWriteStream(const std::string& url) {
    return openStream(url, false, true);
}

StreamPtr openMemoryStream(const uint8_t* data, size_t size) {
    if (data == nullptr) size = 0;
    return std::make_unique<MemoryStream>(data, size);
}

void closeStream(StreamPtr& stream) {
    stream.reset();
}

std::string readLine(Stream& stream) {
    std::string line;
    uint8_t byte = 0;
    while (stream.read(&byte, 1) == 1) {
        if (byte == 10 || byte == 0) break;
        if (byte == 13) continue; // carriage returns vanish wherever they are
        line.push_back(static_cast<char>(byte));
    }
    return line;
}

bool writeLine(Stream& stream, const std::string& text) {
    bool ok = stream.write(text.data(), text.size()) == text.size();
    static const char crlf[2] = {13, 10};
    return stream.write(crlf, 2) == 2 && ok;
}

int fileType(const std::string& path) {
    if (path.empty()) return 0;
    struct stat st {};
    if (stat(slashPath(path).c_str(), &st) != 0) return 0;
    if (S_ISREG(st.st_mode)) return 1;
    if (S_ISDIR(st.st_mode)) return 2;
    return 0;
}
