// io_stream_test.cpp - file and memory streams, schemes, line reading and writing.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

#include "engine/io/stream.h"

namespace fs = std::filesystem;

namespace {

class IoStream : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/gloam_stream_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string path(const std::string& name) const { return dir_ + "/" + name; }
    void writeFile(const std::string& name, const std::string& bytes) const {
        std::ofstream(path(name), std::ios::binary) << bytes;
    }
    std::string readFile(const std::string& name) const {
        std::ifstream in(path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::string dir_;
};

std::vector<std::string> allLines(Stream& s, int extra) {
    std::vector<std::string> lines;
    while (s.position() < s.size())
        lines.push_back(readLine(s));
    for (int i = 0; i < extra; ++i)
        lines.push_back(readLine(s));
    return lines;
}

TEST(IoStreamLines, LineEndingsReadTheSame) {
    // Sized strings, so the NUL-separated variant keeps its NULs.
    const std::string variants[] = {
        std::string("one\r\ntwo\r\nthree\r\n", 17), std::string("one\ntwo\nthree\n", 14),
        std::string("one\ntwo\nthree", 13), std::string("one\0two\0three", 13),
        std::string("one\r\ntwo\nthree", 14)};
    for (size_t i = 0; i < std::size(variants); ++i) {
        const std::string& bytes = variants[i];
        StreamPtr s =
            openMemoryStream(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        EXPECT_EQ(allLines(*s, 2), (std::vector<std::string>{"one", "two", "three", "", ""}))
            << "variant " << i;
    }
}

TEST(IoStreamLines, CarriageReturnsVanishAnywhere) {
    const std::string bytes = "left\rright\n\r\r\n\rx\r";
    StreamPtr s = openMemoryStream(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    EXPECT_EQ(readLine(*s), "leftright");
    EXPECT_EQ(readLine(*s), "");
    EXPECT_EQ(readLine(*s), "x");
    EXPECT_EQ(readLine(*s), "");
}

TEST(IoStreamLines, LongLinesAndHighBytes) {
    std::string bytes(100000, 'a');
    bytes += "\xff\x80\n";
    StreamPtr s = openMemoryStream(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    std::string line = readLine(*s);
    ASSERT_EQ(line.size(), 100002u);
    EXPECT_EQ(static_cast<uint8_t>(line[100000]), 0xff);
    EXPECT_EQ(static_cast<uint8_t>(line[100001]), 0x80);
}

TEST(IoStreamMemory, PositionClampedAndWritesRefused) {
    const uint8_t data[5] = {1, 2, 3, 4, 5};
    StreamPtr s = openMemoryStream(data, 5);
    EXPECT_EQ(s->size(), 5);
    EXPECT_TRUE(s->seek(100));
    EXPECT_EQ(s->position(), 5);
    EXPECT_TRUE(s->seek(-3));
    EXPECT_EQ(s->position(), 0);
    uint8_t buf[8] = {};
    EXPECT_TRUE(s->seek(3));
    EXPECT_EQ(s->read(buf, 8), 2u); // at most the bytes left
    EXPECT_EQ(buf[0], 4);
    EXPECT_EQ(buf[1], 5);
    EXPECT_EQ(s->read(buf, 8), 0u);
    EXPECT_EQ(s->write(buf, 1), 0u);
    EXPECT_FALSE(writeLine(*s, "x"));
    EXPECT_EQ(data[0], 1);
}

TEST_F(IoStream, WriteLineThenReadBack) {
    StreamPtr w = openWriteStream(path("out.txt"));
    ASSERT_TRUE(w);
    EXPECT_TRUE(writeLine(*w, "3"));
    EXPECT_TRUE(writeLine(*w, ""));
    EXPECT_TRUE(writeLine(*w, "2.50000000"));
    closeStream(w);
    EXPECT_EQ(w, nullptr);
    EXPECT_EQ(readFile("out.txt"), "3\r\n\r\n2.50000000\r\n");

    StreamPtr r = openStream(path("out.txt"), true, true);
    ASSERT_TRUE(r);
    EXPECT_EQ(readLine(*r), "3");
    EXPECT_EQ(readLine(*r), "");
    EXPECT_EQ(readLine(*r), "2.50000000");
    EXPECT_EQ(readLine(*r), "");
}

TEST_F(IoStream, OpenModes) {
    // Read and write together: the file must exist, and is not truncated.
    EXPECT_EQ(openStream(path("missing.txt"), true, true), nullptr);
    EXPECT_EQ(openStream(path("missing.txt"), true, false), nullptr);
    EXPECT_EQ(fileType(path("missing.txt")), 0); // neither mode created it
    writeFile("keep.txt", "hello\n");
    {
        StreamPtr s = openStream(path("keep.txt"), true, true);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->size(), 6);
        EXPECT_EQ(readLine(*s), "hello");
        s->seek(0);
        EXPECT_TRUE(writeLine(*s, "J"));
    }
    EXPECT_EQ(readFile("keep.txt"), "J\r\nlo\n");
    // Write only: create or truncate.
    EXPECT_TRUE(openWriteStream(path("keep.txt")));
    EXPECT_EQ(readFile("keep.txt"), "");
    // Read only: writes fail.
    StreamPtr r = openStream(path("keep.txt"), true, false);
    ASSERT_TRUE(r);
    EXPECT_FALSE(writeLine(*r, "x"));
    // Neither, an empty name, or a directory: nothing to open.
    EXPECT_EQ(openStream(path("keep.txt"), false, false), nullptr);
    EXPECT_EQ(openStream("", true, false), nullptr);
    EXPECT_EQ(openStream(dir_, true, false), nullptr);
}

TEST_F(IoStream, BackslashesAreSeparators) {
    fs::create_directory(path("levels"));
    writeFile("levels/levels.txt", "12\r\n");
    std::string windowsPath = path("levels\\levels.txt");
    std::replace(windowsPath.begin(), windowsPath.end(), '/', '\\');
    StreamPtr s = openStream(windowsPath, true, true);
    ASSERT_TRUE(s);
    EXPECT_EQ(readLine(*s), "12");
    EXPECT_EQ(fileType(windowsPath), 1);
    EXPECT_EQ(fileType(path("levels\\")), 2);
}

TEST_F(IoStream, FileType) {
    writeFile("a.bin", "x");
    EXPECT_EQ(fileType(path("a.bin")), 1);
    EXPECT_EQ(fileType(dir_), 2);
    EXPECT_EQ(fileType(path("none")), 0);
    EXPECT_EQ(fileType(""), 0);
    EXPECT_EQ(fileType("/dev/null"), 0); // neither a regular file nor a directory
}

// Root may write any file, so as root the check runs as the user nobody, in
// a child process, on a file nobody owns.
TEST_F(IoStream, ReadOnlyFileRefusesReadWriteOpen) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    writeFile("ro.txt", "1\n");
    fs::permissions(path("ro.txt"), fs::perms::owner_read);
    const bool root = geteuid() == 0;
    if (root) {
        fs::permissions(dir_, fs::perms::others_exec, fs::perm_options::add);
        ASSERT_EQ(chown(path("ro.txt").c_str(), 65534, 65534), 0);
    }
    EXPECT_EXIT(
        {
            if (root && (setgid(65534) != 0 || setuid(65534) != 0)) std::_Exit(2);
            const bool refused = openStream(path("ro.txt"), true, true) == nullptr;
            const bool readable = openStream(path("ro.txt"), true, false) != nullptr;
            std::_Exit(refused && readable ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

StreamPtr openTestScheme(const std::string& path, bool readable, bool) {
    static const std::string payload = "scheme line\n";
    if (!readable || path != "Some\\Path") return nullptr;
    return openMemoryStream(reinterpret_cast<const uint8_t*>(payload.data()), payload.size());
}

TEST(IoStreamScheme, SchemeLowerCasedPathUnchanged) {
    registerStreamScheme("testscheme", openTestScheme);
    registerStreamScheme("testscheme", openTestScheme); // repeating it is harmless
    for (const char* url : {"testscheme::Some\\Path", "TestScheme::Some\\Path"}) {
        StreamPtr s = openStream(url, true, false);
        ASSERT_TRUE(s) << url;
        EXPECT_EQ(readLine(*s), "scheme line");
    }
    EXPECT_EQ(openStream("testscheme::some\\path", true, false), nullptr);
    EXPECT_EQ(openStream("testscheme::Some\\Path", false, true), nullptr);
    EXPECT_EQ(openStream("nosuchscheme::Some\\Path", true, false), nullptr);
}

} // namespace
