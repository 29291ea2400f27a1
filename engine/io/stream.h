// stream.h - byte streams over files and registered schemes, line I/O.
//
// A Stream is owned by its caller (std::unique_ptr); closing is dropping it
// or calling closeStream. Addresses containing "::" go to a registered
// scheme (the part before "::" compared lower-cased, e.g. "incbin::gfx\a.bmp");
// anything else is a file path in which every '\' is read as '/'.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

struct Stream {
    virtual ~Stream() = default;
    // Reads up to n bytes; returns the count read (0 at the end or on error).
    virtual size_t read(void* dst, size_t n) = 0;
    // Writes n bytes; returns the count written (0 when the stream is read-only).
    virtual size_t write(const void* src, size_t n) = 0;
    // Moves to an absolute position (clamped to 0..size for memory streams).
    virtual bool seek(int64_t pos) = 0;
    // Current position, or -1 when the stream cannot report one.
    virtual int64_t position() const = 0;
    // Total size in bytes, or -1 when unknown.
    virtual int64_t size() const = 0;
};
using StreamPtr = std::unique_ptr<Stream>;

// A scheme opener receives the path after "::" unchanged.
using StreamOpener = StreamPtr (*)(const std::string& path, bool readable, bool writeable);

// ---- Opening and closing -------------------------------------------------
void registerStreamScheme(const std::string& scheme, StreamOpener opener);   // scheme lower-case
StreamPtr openStream(const std::string& url, bool readable, bool writeable); // none on failure
StreamPtr openWriteStream(const std::string& url);            // create or truncate for writing
StreamPtr openMemoryStream(const uint8_t* data, size_t size); // read-only view, not owned
void closeStream(StreamPtr& stream);                          // flushes, closes, sets none

// ---- Lines and files -------------------------------------------------------
std::string readLine(Stream& stream); // up to LF or NUL, CR dropped; "" at end of data
bool writeLine(Stream& stream, const std::string& text); // text + CR LF; true if all written
int fileType(const std::string& path);                   // 0 nothing, 1 regular file, 2 directory
