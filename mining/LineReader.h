#pragma once
// Reads a file line by line in large blocks. A line ends at CR LF, at a CR
// alone or at an LF alone; the break is not part of the line. The last line
// needs no break. Lines of any length are handed over whole.
// An LF alone ends a line as text-mode reading does: kept inside a line it
// would join the addresses on either side of it into one, since the address
// separators do not include it (links end at it either way).
#include <cstdint>
#include <string>
#include <string_view>

#include "app/SafeFiles.h"

namespace ledgerly {

// How many lines a miner reads between two reports of its count.
inline constexpr long long kLinesPerProgress = 4096;
// The block size for runs of lines that are searched more than once: small
// enough to stay in the processor's cache between the searches.
inline constexpr std::size_t kRunBytes = 256 << 10;

class LineReader {
public:
    explicit LineReader(const std::string& path, std::size_t blockSize = 1 << 20);
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // Only a regular file is opened (a FIFO or a device is refused at once);
    // openError() says why a file was not.
    bool opened() const { return file_.IsOpen(); }
    const std::string& openError() const { return openError_; }
    // The next line, valid until the next call; false at the end of the file.
    bool Next(std::string_view& line);
    // Instead of Next (never both on one reader): the next run of whole
    // lines with their breaks, as much as one read brought in; the last run
    // of the file may end without a break. A CR LF may be cut between two
    // runs. Valid until the next call; false at the end of the file.
    bool NextLines(std::string_view& lines);
    // True when reading stopped on an error rather than at the end.
    bool failed() const { return failed_; }
    // Bytes of the file handed over so far (the run's count).
    std::int64_t Position() const { return read_ - static_cast<std::int64_t>(buffer_.size() - start_); }

private:
    bool Fill();  // appends one block to buffer_; false at the end or on error

    FileHandle file_;
    std::string openError_;
    std::size_t blockSize_;
    std::string buffer_;
    std::size_t start_ = 0;      // first unread byte in buffer_
    bool eof_ = false;
    bool failed_ = false;
    std::int64_t read_ = 0;      // bytes read from the file
    bool skipLf_ = false;        // the last line ended at a CR: an LF right after it belongs to that break
    std::size_t unbroken_ = 0;   // NextLines: buffer_[start_, start_ + unbroken_) holds no line break
};

// Counts the lines Next would hand over, fed the file's bytes in order in
// runs of any size (for the pauses a reader of NextLines keeps per line).
class LineCounter {
public:
    void Count(std::string_view bytes);
    void Finish();  // the end of the file: a last line without a break counts too
    long long lines() const { return lines_; }

private:
    long long lines_ = 0;
    bool afterCr_ = false;  // the last byte counted was a CR
    bool open_ = false;     // bytes since the last break
};

}  // namespace ledgerly
