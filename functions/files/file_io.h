// Whole-file reads and complete writes on POSIX descriptors, for the file functions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace NuvixParser {

class TCalcInfo;

// The largest text a file function reads or a command may return: a size that fits in
// 32 bits, as the file functions have always refused files of 4 GiB or more.
constexpr std::uint64_t kMaxTextBytes = 0xFFFFFFFFu;

// An owned descriptor, closed on destruction (errors ignored there); Close() reports them.
class TFileDescriptor {
public:
    TFileDescriptor() = default;
    explicit TFileDescriptor(int fd) : fd_(fd) {}
    TFileDescriptor(TFileDescriptor&& other) noexcept : fd_(other.Release()) {}
    TFileDescriptor& operator=(TFileDescriptor&& other) noexcept;
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;
    ~TFileDescriptor();

    int Get() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    // False when the system reports an error on close (a late write error on some file
    // systems); the descriptor is gone either way.
    bool Close();

private:
    int fd_ = -1;
};

// A script's file name as a path: texts with a NUL byte cannot name a file (the system
// would see only the part before it), so they give false.
bool IsUsablePath(std::string_view name);

// Opens an existing file for reading, close-on-exec. A directory does not count as a file
// (it opens on POSIX, but reading it fails): it gives an invalid descriptor too.
TFileDescriptor OpenForReading(std::string_view name);

// Opens for writing, creating the file when it is missing, close-on-exec: either emptied
// (filewrite) or positioned at its end for every write (fileappend). Device files such as
// /dev/null or a terminal are written in place like any other file. A FIFO is waited for
// until it has a reader; a break ends that wait (invalid descriptor, break flag set).
TFileDescriptor OpenForWriting(std::string_view name, bool append, TCalcInfo& ci);

enum class TReadStatus { Ok, TooLarge, Failed, Breaked };

// Reads everything from an open descriptor into `bytes`. A regular file must deliver at
// least its size (fewer bytes mean it shrank or failed: Failed); files whose size the
// system does not know (pipes, devices, /proc) are read until their end. More than
// kMaxTextBytes gives TooLarge; a break request seen between reads or while a pipe or
// device has nothing to read gives Breaked.
TReadStatus ReadAll(int fd, std::string& bytes, TCalcInfo& ci);

// Writes all bytes, continuing after partial writes and interruptions, waiting while a
// pipe or device is full; false on error (a full disk, a closed pipe, a device that
// refuses data) or when a break ended a wait (the break flag tells).
bool WriteAll(int fd, std::string_view bytes, TCalcInfo& ci);

} // namespace NuvixParser
